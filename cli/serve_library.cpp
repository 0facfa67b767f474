#include "cli/serve_library.h"

#include <dlfcn.h>

#include <vector>

#include "cli/command_context.h"
#include "cli/message_text.h"
#include "cli/program_library.h"

namespace cli {

std::string serveLibraryFile() { return programLibraryFile("mentrenq-serve.so"); }

int serveFromLibrary(const Arguments& args) {
    const std::string path = serveLibraryFile();
    const std::string failed = "cannot load the server library " + shownName(path) + ": ";
    std::string error;
    void* library = openProgramLibrary(path, error);
    if (!library) {
        reportError(failed + error);
        return exitcode::usage;
    }
    auto entry = reinterpret_cast<MentrenqServeEntry>(dlsym(library, serveEntrySymbol));
    if (!entry || !dlsym(library, serveVersionSymbol)) {
        reportError(failed + "it is not the server library of mentrenq " MENTRENQ_VERSION);
        return exitcode::usage;
    }
    if (!sameVersion(library, serveVersionSymbol, MENTRENQ_VERSION, error)) {
        reportError(failed + error);
        return exitcode::usage;
    }
    std::vector<const char*> names, values;
    for (const auto& [name, value] : args.options) {
        names.push_back(name.c_str());
        values.push_back(value.c_str());
    }
    const MentrenqServeCall call{args.options.size(), names.data(), values.data()};
    return entry(&call);
}

} // namespace cli
