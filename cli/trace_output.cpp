#include "cli/trace_output.h"

namespace cli {

namespace {
std::vector<std::string>& seen() {
    static std::vector<std::string> lines;
    return lines;
}
} // namespace

TraceOutput::TraceOutput(FILE* file) : file_(file ? file : stderr) { platform::setTraceSink(this); }

TraceOutput::~TraceOutput() { platform::setTraceSink(nullptr); }

const std::vector<std::string>& TraceOutput::linesSeen() { return seen(); }

void TraceOutput::write(const platform::TraceRecord& record) {
    std::string text = record.routine + ": ";
    switch (record.kind) {
    case platform::TraceKind::Entry: text += "> entry"; break;
    case platform::TraceKind::ExitResult: text += "< exit " + std::to_string(record.result); break;
    case platform::TraceKind::Exit: text += "< exit"; break;
    case platform::TraceKind::Line:
        text += record.text;
        if (!text.empty() && text.back() == '\n') text.pop_back();
        // Enough to explain a final status without holding a whole detail
        // trace in memory.
        if (seen().size() >= 100000) seen().erase(seen().begin(), seen().begin() + 50000);
        seen().push_back(text);
        break;
    }
    std::fprintf(file_, "%s\n", text.c_str());
}

} // namespace cli
