// ZRX.dll, the module file a 32-bit Windows data server loads. A 32-bit x86
// host maps it with its own PE loader, binds its imports to the platform
// stand-ins and the KERNEL32/msvcrt shims, runs DllMain and takes cnt1entd
// at export ordinal 10, every call guarded. Any other host checks the file,
// then runs it in a Windows host process under Wine.
#include <vector>

#include "core/module.h"
#include "core/module_file.h"
#include "pe/bind_imports.h"
#include "pe/load_plan.h"
#include "pe/provided_imports.h"
#include "remote/windows_host.h"

#if ZRX_PE_LOADER
#include "pe/guarded_call.h"
#include "pe32/host_functions.h"
#include "pe32/mapped_image.h"
#endif

namespace host {

namespace {

#if ZRX_PE_LOADER
std::string offsetIn(const pe32::MappedImage& image, uintptr_t address) {
    return pe::hex(static_cast<uint32_t>(address - reinterpret_cast<uintptr_t>(image.base())));
}

// "module ZRX.dll failed: SIGSEGV at offset 0x1A2B in the DLL, while its
// request entry ran".
std::string failure(const std::string& shown, const pe32::MappedImage& image, const pe::Fault& fault,
                    const std::string& what) {
    const std::string nowhere =
        fault.calledNowhere ? " (a call to " + pe::hex(static_cast<uint32_t>(fault.calledNowhere)) + ", where no code is)" : "";
    return "module " + shown + " failed: " + pe::signalName(fault.signal) + " at offset " +
           offsetIn(image, fault.address) + " in the DLL" + nowhere + ", while " + what + " ran";
}

class DllCaller : public EntryCaller {
public:
    DllCaller(std::shared_ptr<pe32::MappedImage> image, std::string shown)
        : image_(std::move(image)), shown_(std::move(shown)) {}
    int32_t call(zrx::EntryFn entry, uint32_t id, zrx::HostObject* obj, const char* what) override {
        if (image_->failed()) throw ModuleFailure("module " + shown_ + " failed earlier and is not called again");
        uint32_t result = 0;
        pe::Fault fault;
        if (!image_->call(reinterpret_cast<const void*>(entry), {id, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(obj))},
                          result, fault))
            throw ModuleFailure(failure(shown_, *image_, fault, what));
        return static_cast<int32_t>(result);
    }

private:
    std::shared_ptr<pe32::MappedImage> image_;
    std::string shown_;
};

// Whether [at, at + length) lies in one section of the mapped image that is
// readable, or executable for code.
bool inSection(const pe32::MappedImage& image, const pe::LoadPlan& plan, const void* at, size_t length, bool code) {
    const auto address = reinterpret_cast<uintptr_t>(at);
    const auto base = reinterpret_cast<uintptr_t>(image.base());
    if (address < base || address - base >= plan.imageSize) return false;
    const uint64_t rva = address - base;
    for (const pe::Section& s : plan.sections)
        if (rva >= s.rva && rva + length <= uint64_t{s.rva} + s.size) return code ? s.execute : s.read;
    return false;
}
#endif

} // namespace

std::unique_ptr<Module> Module::loadWindowsDll(std::unique_ptr<Module> module, const ModuleFile& file,
                                               std::string& error) {
    const std::string shown = pe::printable(module->path, 4096);
    const std::string failed = "cannot load module " + shown + ": ";
    std::vector<uint8_t> bytes;
    pe::LoadPlan plan;
    if (!file.readAll(pe::maxImageSize, bytes, error) || !pe::readLoadPlan(bytes, plan, error)) {
        error = failed + error;
        return nullptr;
    }
#if ZRX_PE_LOADER
    std::vector<pe::Binding> bindings;
    if (!pe::bindImports(plan, pe32::hostFunctions(), bindings, error)) {
        error = failed + error;
        return nullptr;
    }
    std::shared_ptr<pe32::MappedImage> image = pe32::MappedImage::map(bytes, plan, bindings, error);
    if (!image) {
        error = failed + error;
        return nullptr;
    }
    pe::Fault fault;
    switch (image->attach(fault)) {
    case pe32::MappedImage::Attach::Done: break;
    case pe32::MappedImage::Attach::Refused: error = failed + "its DllMain refused process attach"; return nullptr;
    case pe32::MappedImage::Attach::Faulted: throw ModuleFailure(failure(shown, *image, fault, "its DllMain"));
    }
    module->windowsDll = true;
    module->owner_ = image;
    module->caller_ = std::make_shared<DllCaller>(image, shown);
    const void* cnt1entd = image->at(plan.exportRva);
    auto callExport = [&]() -> int32_t {
        uint32_t result = 0;
        if (!image->call(cnt1entd, {}, result, fault)) throw ModuleFailure(failure(shown, *image, fault, "cnt1entd"));
        return static_cast<int32_t>(result);
    };
    auto within = [&](const void* at, size_t length, bool code) { return inSection(*image, plan, at, length, code); };
    std::unique_ptr<Module> registered = registerWith(std::move(module), callExport, error, within);
    if (!registered) error = failed + error;
    return registered;
#else
    // The same imports as the 32-bit host provides, checked before Wine runs.
    std::vector<pe::Binding> bindings;
    if (!pe::bindImports(plan, pe::providedImports(), bindings, error)) {
        error = failed + error;
        return nullptr;
    }
    std::shared_ptr<ModuleProcess> process = remote::windowsHostFor(bytes, shown, error);
    if (!process) {
        error = failed + error;
        return nullptr;
    }
    std::unique_ptr<Module> running = inProcess(std::move(process), module->path);
    running->windowsDll = true;
    return running;
#endif
}

} // namespace host
