#include "support/trace_recorder.h"

#include <stdexcept>

namespace zrxtest {

TraceRecorder::TraceRecorder(std::string_view levels) {
    setLevels(levels);
    platform::setTraceSink(this);
}

TraceRecorder::~TraceRecorder() {
    platform::setTraceSink(nullptr);
    platform::setTraceSettings(platform::TraceSettings{});
}

void TraceRecorder::setLevels(std::string_view levels) {
    platform::TraceSettings settings;
    std::string error;
    if (!platform::TraceSettings::parse(levels, settings, error)) throw std::invalid_argument(error);
    platform::setTraceSettings(settings);
}

void TraceRecorder::write(const platform::TraceRecord& record) { records_.push_back(record); }

std::vector<std::string> TraceRecorder::lines() const {
    std::vector<std::string> out;
    for (const auto& r : records_)
        if (r.kind == platform::TraceKind::Line) out.push_back(r.routine + ": " + r.text);
    return out;
}

std::vector<std::string> TraceRecorder::linesOf(std::string_view routine) const {
    std::vector<std::string> out;
    for (const auto& r : records_)
        if (r.kind == platform::TraceKind::Line && r.routine == routine) out.push_back(r.text);
    return out;
}

bool TraceRecorder::hasLine(std::string_view text) const { return count(text) > 0; }

size_t TraceRecorder::count(std::string_view text) const {
    size_t n = 0;
    for (const auto& r : records_)
        if (r.kind == platform::TraceKind::Line && r.text == text) ++n;
    return n;
}

std::vector<std::string> TraceRecorder::events() const {
    std::vector<std::string> out;
    for (const auto& r : records_) {
        switch (r.kind) {
        case platform::TraceKind::Entry: out.push_back("> " + r.routine); break;
        case platform::TraceKind::ExitResult:
            out.push_back("< " + r.routine + " = " + std::to_string(r.result));
            break;
        case platform::TraceKind::Exit: out.push_back("< " + r.routine); break;
        case platform::TraceKind::Line: break;
        }
    }
    return out;
}

} // namespace zrxtest
