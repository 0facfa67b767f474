// A 32-bit Windows DLL mapped into this 32-bit process as the Windows loader
// would map it: headers and sections copied to their places in one mapping,
// the base relocations applied for wherever the mapping landed, the import
// address table filled, each section given its protection, and DllMain
// called with process attach. Destroying the image calls DllMain with
// process detach and unmaps it.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "pe/bind_imports.h"
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

    // Calls DllMain(image, DLL_PROCESS_ATTACH, 0); false when it returns
    // FALSE (the image is then never told of a detach). True without a call
    // when the DLL has no entry point.
    bool attach();

    uint8_t* base() const { return base_; }
    size_t size() const { return size_; }
    void* at(uint32_t rva) const { return base_ + rva; }

private:
    MappedImage(uint8_t* base, size_t size, uint32_t entryRva) : base_(base), size_(size), entryRva_(entryRva) {}
    bool callEntry(uint32_t reason);

    uint8_t* base_;
    size_t size_;
    uint32_t entryRva_;
    bool attached_ = false;
};

} // namespace host::pe32
