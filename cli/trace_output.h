// Where the module's trace goes: standard error or a file, one line per
// trace call, prefixed with the routine's name. Every line is also kept for
// the command to explain a final status.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "platform/trace_control.h"

namespace cli {

class TraceOutput : public platform::TraceSink {
public:
    // `file` null: standard error.
    explicit TraceOutput(FILE* file = nullptr);
    ~TraceOutput() override;
    void write(const platform::TraceRecord& record) override;

    // "routine: text" of every line since the program started.
    static const std::vector<std::string>& linesSeen();

private:
    FILE* file_;
};

} // namespace cli
