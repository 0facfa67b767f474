// Records everything the module traces, for assertions on exact lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/trace_control.h"

namespace zrxtest {

class TraceRecorder : public platform::TraceSink {
public:
    // Installs itself as the trace sink and sets the trace levels (the
    // facility's setting syntax, e.g. "all", "error", "FigConfig:detail").
    explicit TraceRecorder(std::string_view levels = "all");
    ~TraceRecorder() override;

    void write(const platform::TraceRecord& record) override;
    void setLevels(std::string_view levels);

    const std::vector<platform::TraceRecord>& records() const { return records_; }
    // Every line as "routine: text".
    std::vector<std::string> lines() const;
    // The texts written by one routine.
    std::vector<std::string> linesOf(std::string_view routine) const;
    bool hasLine(std::string_view text) const;
    size_t count(std::string_view text) const;
    // Events as "> routine", "< routine = result" or "< routine".
    std::vector<std::string> events() const;
    void clear() { records_.clear(); }

private:
    std::vector<platform::TraceRecord> records_;
};

} // namespace zrxtest
