#include "core/module.h"

#include <dlfcn.h>

#include "core/elf_check.h"
#include "core/module_file.h"
#include "pe/load_plan.h"

namespace host {

namespace {
// Paths in messages: control characters escaped, long paths kept whole.
constexpr size_t maxPathShown = 4096;

// dlerror() names the file as the loader opened it; the user named it.
std::string loaderMessage(std::string text, const std::string& opened, const std::string& path) {
    for (size_t at = text.find(opened); !opened.empty() && at != std::string::npos;
         at = text.find(opened, at + path.size()))
        text.replace(at, opened.size(), path);
    return text;
}
} // namespace

std::unique_ptr<Module> Module::load(const std::string& path, std::string& error) {
    const std::string shown = pe::printable(path, maxPathShown);
    const std::string failed = "cannot load module " + shown + ": ";
    std::unique_ptr<Module> module(new Module());
    module->path = path;
    ModuleFile file;
    if (!file.open(path, error)) {
        error = failed + error;
        return nullptr;
    }
    switch (file.kind()) {
    case ModuleFile::Kind::Pe: return loadWindowsDll(std::move(module), file, error);
    case ModuleFile::Kind::Other:
        error = failed + "neither an ELF shared object nor a Windows DLL";
        return nullptr;
    case ModuleFile::Kind::Elf: break;
    }
    if (!checkElfModule(file, error)) {
        error = failed + error;
        return nullptr;
    }
    // The very file that was checked: its resolved path must name it before
    // and after the dynamic loader opened it.
    const std::string& resolved = file.resolvedPath();
    const std::string changed = failed + "the file changed while it was being loaded";
    if (!file.sameFileAt(resolved)) {
        error = changed;
        return nullptr;
    }
    void* library = dlopen(resolved.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* why = dlerror();
        error = failed + pe::printable(loaderMessage(why ? why : "unknown error", resolved, path), maxPathShown);
        return nullptr;
    }
    if (!file.sameFileAt(resolved)) {
        dlclose(library);
        error = changed;
        return nullptr;
    }
    module->owner_ = std::shared_ptr<void>(library, [](void* handle) { dlclose(handle); });
    auto* export_ = reinterpret_cast<int32_t (*)()>(dlsym(library, "cnt1entd"));
    if (!export_) {
        error = "module " + shown + " does not export cnt1entd";
        return nullptr;
    }
    return registerWith(std::move(module), export_, error);
}

} // namespace host
