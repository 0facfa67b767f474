// The view module as the host uses it: loaded with dlopen (ZRX.so), mapped
// by the host's own PE loader (ZRX.dll, 32-bit x86 hosts only) or linked
// in; registered through cnt1entd, its entries taken from the entry vector
// by their place.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "zrx/registration.h"

namespace host {

class Module {
public:
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    // Loads a module file and registers it. The file's first bytes choose
    // the loader: an ELF shared object goes to dlopen, a Windows DLL to the
    // PE loader. Any failure leaves nothing loaded and one line in `error`
    // that names the file.
    static std::unique_ptr<Module> load(const std::string& path, std::string& error);
    // Registers a module linked into the program, given its export.
    static std::unique_ptr<Module> linked(int32_t (*cnt1entd)(), std::string& error);

    zrx::EntryFn sessionStart = nullptr;
    zrx::EntryFn request = nullptr;
    zrx::EntryFn sessionEnd = nullptr;
    zrx::VersionFn version = nullptr;
    const zrx::RegistrationRecord* registration = nullptr;
    std::string path;
    bool windowsDll = false; // loaded by the PE loader

private:
    Module() = default;
    static std::unique_ptr<Module> registerWith(std::unique_ptr<Module> module,
                                                int32_t (*cnt1entd)(), std::string& error);
    static std::unique_ptr<Module> loadWindowsDll(std::unique_ptr<Module> module, std::string& error);
    void* library_ = nullptr;
    std::shared_ptr<void> image_; // the mapped DLL; unmapped last
};

} // namespace host
