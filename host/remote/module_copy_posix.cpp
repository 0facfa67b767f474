// The Linux module host loads its copy of the module with the host's own
// loader (Module::load): dlopen for ELF, the PE loader in a 32-bit build.
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "remote/module_server.h"

namespace host::remote {

namespace {

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); !from.empty() && at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

} // namespace

// A 32-bit build's PE loader catches the DLL's faults itself (Module::load);
// a fault of an ELF module ends this process, which the host reports.
void reportFaultsTo(Channel&) {}

std::unique_ptr<Module> loadModuleCopy(const std::string& name, const std::vector<uint8_t>& bytes, std::string& error) {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/zrxhost-XXXXXX";
    if (!::mkdtemp(folder.data())) {
        error = "cannot load module " + name + ": no temporary folder for its copy";
        return nullptr;
    }
    const std::string base = name.substr(name.find_last_of('/') + 1);
    const std::string copy = folder + "/" + (base.empty() ? "module" : base);
    std::unique_ptr<Module> module;
    {
        std::ofstream out(copy, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) error = "cannot load module " + name + ": cannot write its copy";
    }
    struct Cleanup {
        std::string copy, folder;
        ~Cleanup() {
            ::unlink(copy.c_str());
            ::rmdir(folder.c_str());
        }
    } cleanup{copy, folder};
    if (!error.empty()) return nullptr;
    try {
        module = Module::load(copy, error);
    } catch (const ModuleFailure& failure) {
        throw ModuleFailure(replaced(failure.what(), copy, name));
    }
    error = replaced(error, copy, name);
    if (module) module->path = name;
    return module;
}

} // namespace host::remote
