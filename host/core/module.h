// The view module as the host uses it: loaded with dlopen (or linked in),
// registered through cnt1entd, its entries taken from the entry vector by
// their place.
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

    // Loads a module file (ZRX.so) and registers it.
    static std::unique_ptr<Module> load(const std::string& path, std::string& error);
    // Registers a module linked into the program, given its export.
    static std::unique_ptr<Module> linked(int32_t (*cnt1entd)(), std::string& error);

    zrx::EntryFn sessionStart = nullptr;
    zrx::EntryFn request = nullptr;
    zrx::EntryFn sessionEnd = nullptr;
    zrx::VersionFn version = nullptr;
    const zrx::RegistrationRecord* registration = nullptr;
    std::string path;

private:
    Module() = default;
    static std::unique_ptr<Module> registerWith(std::unique_ptr<Module> module,
                                                int32_t (*cnt1entd)(), std::string& error);
    void* library_ = nullptr;
};

} // namespace host
