#include "core/module.h"

#include <dlfcn.h>

#include <cstring>

#include "pe/module_file.h"
#include "platform/base_library.h"

namespace host {

namespace {
constexpr char componentName[] = "ZRXENQML";

template <class Fn>
Fn entryAt(const zrx::EntryVector& v, int word) {
    return reinterpret_cast<Fn>(v.words[word]);
}
} // namespace

Module::~Module() {
    if (library_) dlclose(library_);
}

std::unique_ptr<Module> Module::load(const std::string& path, std::string& error) {
    std::unique_ptr<Module> module(new Module());
    module->path = path;
    switch (pe::moduleFileKind(path)) {
    case pe::ModuleFileKind::Pe:
        return loadWindowsDll(std::move(module), error);
    case pe::ModuleFileKind::NotRegular:
        error = "cannot load module " + path + ": not a regular file";
        return nullptr;
    case pe::ModuleFileKind::Other:
        error = "cannot load module " + path + ": neither an ELF shared object nor a Windows DLL";
        return nullptr;
    case pe::ModuleFileKind::NotFound:
    case pe::ModuleFileKind::Elf:
        break;
    }
    module->library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module->library_) {
        const char* why = dlerror();
        error = "cannot load module " + path + ": " + (why ? why : "unknown error");
        return nullptr;
    }
    auto* export_ = reinterpret_cast<int32_t (*)()>(dlsym(module->library_, "cnt1entd"));
    if (!export_) {
        error = "module " + path + " does not export cnt1entd";
        return nullptr;
    }
    return registerWith(std::move(module), export_, error);
}

std::unique_ptr<Module> Module::linked(int32_t (*cnt1entd)(), std::string& error) {
    std::unique_ptr<Module> module(new Module());
    module->path = "(linked)";
    return registerWith(std::move(module), cnt1entd, error);
}

std::unique_ptr<Module> Module::registerWith(std::unique_ptr<Module> module,
                                             int32_t (*cnt1entd)(), std::string& error) {
    platform::clearRegisteredComponent();
    int32_t status = cnt1entd();
    if (status != 0) {
        error = "module registration failed with status " + std::to_string(status);
        return nullptr;
    }
    const zrx::RegistrationRecord* rec = platform::registeredComponent();
    if (!rec || std::strncmp(rec->name, componentName, sizeof rec->name) != 0) {
        error = "module registered no ZRXENQML component";
        return nullptr;
    }
    if (rec->tableCount < 1 || !rec->table || !rec->table->vector) {
        error = "module's component table is empty";
        return nullptr;
    }
    const zrx::ComponentEntry& entry = rec->table[0];
    if (std::strncmp(entry.name, componentName, sizeof entry.name) != 0) {
        error = "module's component table does not name ZRXENQML";
        return nullptr;
    }
    const zrx::EntryVector& v = *entry.vector;
    if (v.count != zrx::entryVectorWords) {
        error = "module's entry vector has " + std::to_string(v.count) + " words, not 23";
        return nullptr;
    }
    module->sessionStart = entryAt<zrx::EntryFn>(v, zrx::ev::SessionStart);
    module->request = entryAt<zrx::EntryFn>(v, zrx::ev::Request);
    module->sessionEnd = entryAt<zrx::EntryFn>(v, zrx::ev::SessionEnd);
    module->version = entryAt<zrx::VersionFn>(v, zrx::ev::VersionFn);
    module->registration = rec;
    if (!module->sessionStart || !module->request || !module->sessionEnd) {
        error = "module's entry vector lacks a session or request entry";
        return nullptr;
    }
    return module;
}

} // namespace host
