#include "cli/view_runner.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "cli/trace_output.h"

namespace cli {

ViewRunner::ViewRunner(host::sql::Snapshot& snapshot, const host::Module& module, uint64_t storageLimit)
    : source_(snapshot), host_(&source_), module_(module), storageLimit_(storageLimit) {}

ViewResult ViewRunner::run(const std::vector<host::Predicate>& predicates) {
    ViewResult result;
    const size_t firstLine = TraceOutput::linesSeen().size();
    const auto began = std::chrono::steady_clock::now();
    host::SessionOptions options;
    options.predicates = predicates;
    options.storageBudget = storageLimit_;
    host::Session session(host_, module_, options);
    result.status = session.start();
    if (result.status == 0) {
        do {
            result.status = session.request();
        } while (result.status == 0);
    }
    result.rows = session.rows();
    result.storageLimit = storageLimit_;
    result.storageRefusals = session.storageRefusals();
    session.end();
    result.elapsedMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began).count();
    const auto& seen = TraceOutput::linesSeen();
    result.lines.assign(seen.begin() + static_cast<long>(firstLine), seen.end());
    return result;
}

std::string moduleFile(const std::string& requested) {
    if (!requested.empty()) return requested;
    if (const char* env = std::getenv("MENTRENQ_MODULE"); env && *env) return env;
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "ZRX.so";
    std::string path(self, static_cast<size_t>(n));
    path = path.substr(0, path.find_last_of('/'));
    return path + "/../lib/ZRX.so";
}

namespace {
bool wrote(const std::vector<std::string>& lines, std::string_view text) {
    for (const auto& line : lines)
        if (line.find(text) != std::string::npos) return true;
    return false;
}
} // namespace

std::string describeStatus(int32_t status, const std::vector<std::string>& lines) {
    switch (status) {
    case 0: return "row handed over";
    case 60: return "no parameter list from the data server";
    case 62: return "end of data";
    case 64: return "a data server request failed (storage, path or summary query)";
    case 71: break;
    default: return "unknown status";
    }
    if (wrote(lines, "Invalid Indices")) return "view abandoned (invalid index predicates)";
    if (wrote(lines, "FigConfig Problem")) return "view abandoned (configuration problem)";
    if (wrote(lines, "terminated by loop control"))
        return "view abandoned (4001 rows or more: loop control)";
    if (wrote(lines, "output rows used"))
        return "view abandoned (more than 10000 summary and detail rows)";
    if (wrote(lines, "setupMglblenqSQL failed")) return "view abandoned (summary query not built)";
    if (wrote(lines, "fetchMglblenq failed")) return "view abandoned (summary query failed)";
    if (wrote(lines, "DQSQLW problem")) return "view abandoned (detail query failed)";
    if (wrote(lines, "ProcessInput() failed")) return "view abandoned (no storage for rows)";
    if (wrote(lines, "abandoned during collection")) return "view abandoned earlier in this session";
    if (wrote(lines, "Unable to locate workA")) return "view abandoned (no work area)";
    return "view abandoned";
}

std::string describeResult(const ViewResult& result) {
    std::string text = "status " + std::to_string(result.status) + ": " + describeStatus(result.status, result.lines);
    if (result.storageRefusals > 0)
        text += "; the storage limit of " + std::to_string(result.storageLimit) + " bytes refused " +
                std::to_string(result.storageRefusals) + (result.storageRefusals == 1 ? " request" : " requests");
    return text;
}

} // namespace cli
