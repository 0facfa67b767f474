// The view module as the host uses it: loaded with dlopen (ZRX.so), mapped
// by the host's own PE loader (ZRX.dll, 32-bit x86 hosts only), run in a
// Windows host process under Wine (ZRX.dll elsewhere), or linked in;
// registered through cnt1entd, its entries taken from the entry vector by
// their place.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "zrx/registration.h"

namespace host {

class ModuleProcess;

// The module's own code failed (a fault inside it, or the process it runs
// in died): the module is not called again. The text is one line that
// names the module and says what happened.
class ModuleFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// How the host enters a module whose code it does not trust to keep the
// host's stack and registers, or not to fault: each call names what it
// calls ("its session start entry") for the message of a failure.
class EntryCaller {
public:
    virtual ~EntryCaller() = default;
    virtual int32_t call(zrx::EntryFn entry, uint32_t id, zrx::HostObject* obj, const char* what) = 0;
};

class Module {
public:
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    // Loads a module file and registers it. The file is opened once and its
    // first bytes choose the loader: an ELF shared object, checked against
    // the file's size, goes to dlopen; a Windows DLL to the PE loader (or,
    // where there is none, to a Windows host under Wine). A refusal leaves
    // nothing loaded and one line in `error` that names the file; a fault of
    // the module's own code while it loads throws ModuleFailure.
    static std::unique_ptr<Module> load(const std::string& path, std::string& error);
    // Registers a module linked into the program (or loaded by another
    // loader, as the Windows module host does), given its export; `caller`,
    // when given, makes every call of an entry.
    static std::unique_ptr<Module> linked(int32_t (*cnt1entd)(), std::string& error,
                                          std::shared_ptr<EntryCaller> caller = nullptr);
    // A module that runs in another process, which registered it there.
    static std::unique_ptr<Module> inProcess(std::shared_ptr<ModuleProcess> process, std::string path);

    // Calls one of the module's entries (of this process) with the request
    // block handle; `what` names it for a failure ("its request entry").
    // Throws ModuleFailure when the module's code faults.
    int32_t call(zrx::EntryFn entry, uint32_t id, zrx::HostObject* obj, const char* what) const;

    zrx::EntryFn sessionStart = nullptr;
    zrx::EntryFn request = nullptr;
    zrx::EntryFn sessionEnd = nullptr;
    zrx::VersionFn version = nullptr;
    const zrx::RegistrationRecord* registration = nullptr;
    std::string path;
    bool windowsDll = false; // a Windows DLL, mapped here or run in a Windows host
    // Set when the module runs in another process: sessions run there.
    std::shared_ptr<ModuleProcess> process;

private:
    Module() = default;
    // Registers through `cnt1entd`, called by the caller's means. With
    // `within`, every record of the registration chain must lie in memory
    // it accepts (code false), and every entry in its code (code true).
    using Within = std::function<bool(const void* at, size_t length, bool code)>;
    static std::unique_ptr<Module> registerWith(std::unique_ptr<Module> module,
                                                const std::function<int32_t()>& cnt1entd, std::string& error,
                                                const Within& within = {});
    static std::unique_ptr<Module> loadWindowsDll(std::unique_ptr<Module> module, const class ModuleFile& file,
                                                  std::string& error);
    std::shared_ptr<EntryCaller> caller_; // guards the calls into a mapped DLL
    std::shared_ptr<void> owner_;         // keeps the code loaded; released last
};

} // namespace host
