// Registration through cnt1entd and the calls of the entries: the part of
// the module's life that is the same however it was loaded, and the part
// the Windows module host builds too.
#include <cstring>

#include "core/module.h"
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
    caller_.reset();
    owner_.reset();
}

std::unique_ptr<Module> Module::linked(int32_t (*cnt1entd)(), std::string& error,
                                       std::shared_ptr<EntryCaller> caller) {
    std::unique_ptr<Module> module(new Module());
    module->path = "(linked)";
    module->caller_ = std::move(caller);
    return registerWith(std::move(module), cnt1entd, error);
}

std::unique_ptr<Module> Module::inProcess(std::shared_ptr<ModuleProcess> process, std::string path) {
    std::unique_ptr<Module> module(new Module());
    module->path = std::move(path);
    module->process = std::move(process);
    return module;
}

int32_t Module::call(zrx::EntryFn entry, uint32_t id, zrx::HostObject* obj, const char* what) const {
    if (caller_) return caller_->call(entry, id, obj, what);
    return entry(id, obj);
}

std::unique_ptr<Module> Module::registerWith(std::unique_ptr<Module> module, const std::function<int32_t()>& cnt1entd,
                                             std::string& error, const Within& within) {
    auto inModule = [&](const void* at, size_t length, bool code) { return !within || within(at, length, code); };
    platform::clearRegisteredComponent();
    int32_t status = cnt1entd();
    if (status != 0) {
        error = "module registration failed with status " + std::to_string(status);
        return nullptr;
    }
    const zrx::RegistrationRecord* rec = platform::registeredComponent();
    if (rec && !inModule(rec, sizeof *rec, false)) {
        error = "module registered a record that does not lie in its image";
        return nullptr;
    }
    if (!rec || std::strncmp(rec->name, componentName, sizeof rec->name) != 0) {
        error = "module registered no ZRXENQML component";
        return nullptr;
    }
    if (rec->tableCount < 1 || !rec->table || !inModule(rec->table, sizeof *rec->table, false) ||
        !rec->table->vector) {
        error = "module's component table is empty";
        return nullptr;
    }
    if (!inModule(rec->table->vector, sizeof *rec->table->vector, false)) {
        error = "module's entry vector does not lie in its image";
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
    for (const void* fn : {reinterpret_cast<const void*>(module->sessionStart), reinterpret_cast<const void*>(module->request),
                           reinterpret_cast<const void*>(module->sessionEnd), reinterpret_cast<const void*>(module->version)})
        if (fn && !inModule(fn, 1, true)) {
            error = "module's entry vector holds an entry outside its code";
            return nullptr;
        }
    return module;
}

} // namespace host
