// ZRX.dll, the module file a 32-bit Windows data server loads. A 32-bit x86
// host maps it with its own PE loader, binds its imports to the platform
// stand-ins and the KERNEL32/msvcrt shims, runs DllMain and takes cnt1entd
// at export ordinal 10. Any other host reads the file only to say what it is.
#include <vector>

#include "core/module.h"
#include "pe/bind_imports.h"
#include "pe/load_plan.h"
#include "pe/module_file.h"

#if ZRX_PE_LOADER
#include "pe32/host_functions.h"
#include "pe32/mapped_image.h"
#endif

namespace host {

std::unique_ptr<Module> Module::loadWindowsDll(std::unique_ptr<Module> module, std::string& error) {
    const std::string failed = "cannot load module " + module->path + ": ";
    std::vector<uint8_t> file;
    pe::LoadPlan plan;
    if (!pe::readModuleFile(module->path, file, error) || !pe::readLoadPlan(file, plan, error)) {
        error = failed + error;
        return nullptr;
    }
#if ZRX_PE_LOADER
    std::vector<pe::Binding> bindings;
    if (!pe::bindImports(plan, pe32::hostFunctions(), bindings, error)) {
        error = failed + error;
        return nullptr;
    }
    std::shared_ptr<pe32::MappedImage> image = pe32::MappedImage::map(file, plan, bindings, error);
    if (!image) {
        error = failed + error;
        return nullptr;
    }
    if (!image->attach()) {
        error = failed + "its DllMain refused process attach";
        return nullptr;
    }
    module->windowsDll = true;
    module->image_ = image;
    auto cnt1entd = reinterpret_cast<int32_t (*)()>(image->at(plan.exportRva));
    std::unique_ptr<Module> registered = registerWith(std::move(module), cnt1entd, error);
    if (!registered) error = failed + error;
    return registered;
#else
    error = failed + "a 32-bit Windows DLL, which only the 32-bit mentrenq loads (build preset i686)";
    return nullptr;
#endif
}

} // namespace host
