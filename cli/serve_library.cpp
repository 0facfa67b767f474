#include "cli/serve_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "cli/command_context.h"
#include "cli/message_text.h"
#include "core/elf_check.h"
#include "core/module_file.h"

namespace cli {

namespace {

// Opens the library as the host opens the module: the file checked against
// its headers first, since the dynamic loader would end the process on a
// cut one. Null with one line saying why.
void* openLibrary(const std::string& path, std::string& error) {
    host::ModuleFile file;
    if (!file.open(path, error)) return nullptr;
    if (file.kind() != host::ModuleFile::Kind::Elf) {
        error = "not an ELF shared object";
        return nullptr;
    }
    if (!host::checkElfModule(file, error)) return nullptr;
    void* library = dlopen(file.resolvedPath().c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* why = dlerror();
        error = why ? why : "the dynamic loader refused it";
    }
    return library;
}

} // namespace

std::string serveLibraryFile() {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "mentrenq-serve.so";
    std::string path(self, static_cast<size_t>(n));
    path = path.substr(0, path.find_last_of('/'));
    return path + "/../lib/mentrenq-serve.so";
}

int serveFromLibrary(const Arguments& args) {
    const std::string path = serveLibraryFile();
    const std::string failed = "cannot load the server library " + shownName(path) + ": ";
    std::string error;
    // Never closed: the server's threads and their thread-local storage
    // are the library's until the program ends.
    void* library = openLibrary(path, error);
    if (!library) {
        reportError(failed + error);
        return exitcode::usage;
    }
    auto version = reinterpret_cast<MentrenqServeVersion>(dlsym(library, serveVersionSymbol));
    auto entry = reinterpret_cast<MentrenqServeEntry>(dlsym(library, serveEntrySymbol));
    if (!version || !entry) {
        reportError(failed + "it is not the server library of mentrenq " MENTRENQ_VERSION);
        return exitcode::usage;
    }
    const char* built = version();
    if (!built || std::strcmp(built, MENTRENQ_VERSION) != 0) {
        reportError(failed + "it belongs to mentrenq " + quotedText(built ? built : "") + ", not " MENTRENQ_VERSION);
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
