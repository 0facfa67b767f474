#include "remote/windows_host.h"

#include <unistd.h>

#include <cstdlib>
#include <mutex>

#include "core/module_file.h"
#include "pe/load_plan.h"
#include "remote/module_host.h"

namespace host::remote {

namespace {

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string programFolder() {
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return ".";
    const std::string path(self, static_cast<size_t>(n));
    return path.substr(0, path.find_last_of('/'));
}

bool executable(const std::string& path) { return !path.empty() && ::access(path.c_str(), X_OK) == 0; }

std::string onPath(const std::string& program) {
    const std::string path = environmentValue("PATH");
    for (size_t from = 0; from <= path.size();) {
        size_t to = path.find(':', from);
        if (to == std::string::npos) to = path.size();
        const std::string candidate = (to > from ? path.substr(from, to - from) : ".") + "/" + program;
        if (executable(candidate)) return candidate;
        from = to + 1;
    }
    return "";
}

// How the Windows host is started here: wine and zrxhost.exe, or what is
// missing.
bool windowsHostCommand(std::vector<std::string>& argv, std::vector<std::string>& environment,
                        std::string& missing) {
    if (!environmentValue("ZRX_MODULE_HOST_PROCESS").empty()) {
        missing = "a module host does not start another";
        return false;
    }
    std::string wine = environmentValue("MENTRENQ_WINE");
    if (!wine.empty() && !executable(wine)) {
        missing = "MENTRENQ_WINE names " + pe::printable(wine, 4096) + ", which is not a program";
        return false;
    }
    if (wine.empty()) wine = onPath("wine");
    if (wine.empty()) {
        missing = "Wine is not installed (packages wine and wine32:i386)";
        return false;
    }
    std::string windowsHost = environmentValue("MENTRENQ_WINDOWS_HOST");
    if (windowsHost.empty()) windowsHost = programFolder() + "/../lib/windows-host/zrxhost.exe";
    if (::access(windowsHost.c_str(), R_OK) != 0) {
        missing = "its Windows host " + pe::printable(windowsHost, 4096) +
                  " is not there (it is cross-built with g++-mingw-w64-i686)";
        return false;
    }
    argv = {wine, windowsHost};
    // Wine's own diagnostics would only clutter the reason of a failure.
    if (std::getenv("WINEDEBUG") == nullptr) environment.push_back("WINEDEBUG=-all");
    // A new Wine prefix would otherwise offer to install Wine's .NET and
    // HTML engines, in a window nobody answers; the host needs neither.
    if (std::getenv("WINEDLLOVERRIDES") == nullptr) environment.push_back("WINEDLLOVERRIDES=mscoree,mshtml=");
    return true;
}

const char notStarted[] = "Wine does not run the 32-bit Windows host here (";
const char notStartedEnd[] = "); it needs wine32:i386 and a kernel that runs 32-bit programs";

// Module hosts by what they were started with and the bytes they run.
struct Started {
    std::vector<std::string> argv;
    std::vector<uint8_t> bytes;
    std::shared_ptr<ModuleHost> process;
};

std::shared_ptr<ModuleHost> sharedModuleHost(const std::vector<std::string>& argv,
                                             const std::vector<std::string>& environment, const std::string& shown,
                                             const std::vector<uint8_t>& bytes, ModuleHost::Start& outcome,
                                             std::string& error) {
    static std::mutex mutex;
    static std::vector<Started> started;
    std::lock_guard lock(mutex);
    for (auto it = started.begin(); it != started.end(); ++it) {
        if (it->argv != argv || it->bytes != bytes) continue;
        if (it->process->alive()) {
            outcome = ModuleHost::Start::Loaded;
            return it->process;
        }
        started.erase(it);
        break;
    }
    std::shared_ptr<ModuleHost> process = ModuleHost::start(argv, environment, shown, bytes, outcome, error);
    if (process) started.push_back({argv, bytes, process});
    return process;
}

} // namespace

bool windowsHostRuns(std::string& missing) {
    std::vector<std::string> argv, environment;
    if (!windowsHostCommand(argv, environment, missing)) return false;
    std::string why;
    if (ModuleHost::probe(argv, environment, why)) return true;
    missing = notStarted + why + notStartedEnd;
    return false;
}

std::shared_ptr<ModuleProcess> windowsHostFor(const std::vector<uint8_t>& bytes, const std::string& shown,
                                              std::string& error) {
    const std::string runs = "a 32-bit Windows DLL, which this mentrenq runs under Wine, but ";
    std::vector<std::string> argv, environment;
    std::string missing;
    if (!windowsHostCommand(argv, environment, missing)) {
        error = runs + missing;
        return nullptr;
    }
    ModuleHost::Start outcome = ModuleHost::Start::NotStarted;
    std::string why;
    std::shared_ptr<ModuleHost> process = sharedModuleHost(argv, environment, shown, bytes, outcome, why);
    if (process) return process;
    error = outcome == ModuleHost::Start::Refused ? why : runs + notStarted + why + notStartedEnd;
    return nullptr;
}

std::unique_ptr<Module> loadInModuleHost(const std::vector<std::string>& command, const std::string& path,
                                         std::string& error) {
    const std::string shown = pe::printable(path, 4096);
    ModuleFile file;
    std::vector<uint8_t> bytes;
    if (!file.open(path, error) || !file.readAll(1u << 30, bytes, error)) {
        error = "cannot load module " + shown + ": " + error;
        return nullptr;
    }
    ModuleHost::Start outcome = ModuleHost::Start::NotStarted;
    std::string why;
    std::shared_ptr<ModuleHost> process = sharedModuleHost(command, {}, shown, bytes, outcome, why);
    if (!process) {
        error = outcome == ModuleHost::Start::Refused
                    ? why
                    : "cannot load module " + shown + ": " + pe::printable(command.back(), 4096) + ": " + why;
        return nullptr;
    }
    return Module::inProcess(process, path);
}

} // namespace host::remote
