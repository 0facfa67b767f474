#include "cli/program_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstring>

#include "cli/message_text.h"
#include "core/elf_check.h"
#include "core/module_file.h"

namespace cli {

std::string programLibraryFile(const std::string& name) {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return name;
    std::string path(self, static_cast<size_t>(n));
    path = path.substr(0, path.find_last_of('/'));
    return path + "/../lib/" + name;
}

void* openProgramLibrary(const std::string& path, std::string& error) {
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

bool sameVersion(void* library, const char* symbol, const char* program, std::string& error) {
    auto version = reinterpret_cast<const char* (*)()>(dlsym(library, symbol));
    if (!version) {
        error = std::string("it is not a library of mentrenq ") + program;
        return false;
    }
    const char* built = version();
    if (built && std::strcmp(built, program) == 0) return true;
    error = "it belongs to mentrenq " + quotedText(built ? built : "") + ", not " + program;
    return false;
}

} // namespace cli
