// A 32-bit Windows DLL mapped into this 32-bit process as the Windows loader
// would map it: headers and sections copied to their places in one mapping,
// the base relocations applied for wherever the mapping landed (or the
// image placed at its own base when it has none), the import address table
// filled, and each section given its protection. Every call into the image
// goes through a frame that restores the stack pointer, with the faults of
// the image's code caught. Destroying the image calls DllMain with process
// detach (unless the DLL faulted) and unmaps it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>

#include "pe/bind_imports.h"
#include "pe/guarded_call.h"
#include "pe/load_plan.h"

namespace host::pe32 {

class MappedImage {
public:
    ~MappedImage();
    MappedImage(const MappedImage&) = delete;
    MappedImage& operator=(const MappedImage&) = delete;

    // Maps and prepares the image; on failure nothing stays mapped.
    static std::unique_ptr<MappedImage> map(std::span<const uint8_t> file, const pe::LoadPlan& plan,
                                            std::span<const pe::Binding> bindings, std::string& error);

    // Calls `function`, an address inside the image, with 32-bit arguments.
    // False, with `fault` filled, when the image's code faulted: the image
    // is then failed, and is neither called again nor told of a detach.
    bool call(const void* function, std::initializer_list<uint32_t> arguments, uint32_t& result,
              pe::Fault& fault);

    enum class Attach { Done, Refused, Faulted };
    // Calls DllMain(image, DLL_PROCESS_ATTACH, 0). Refused when it returns
    // FALSE (the image is then never told of a detach). Done without a call
    // when the DLL has no entry point.
    Attach attach(pe::Fault& fault);

    bool failed() const { return failed_; }
    uint8_t* base() const { return base_; }
    size_t size() const { return size_; }
    void* at(uint32_t rva) const { return base_ + rva; }

private:
    MappedImage(uint8_t* base, size_t size, uint32_t entryRva) : base_(base), size_(size), entryRva_(entryRva) {}

    uint8_t* base_;
    size_t size_;
    uint32_t entryRva_;
    bool attached_ = false;
    bool failed_ = false;
};

} // namespace host::pe32
