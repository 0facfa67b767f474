#include "pe32/mapped_image.h"

#include <sys/mman.h>

#include <cerrno>
#include <cstring>

namespace host::pe32 {

namespace {

constexpr size_t pageSize = 4096;
constexpr uint32_t processDetach = 0;
constexpr uint32_t processAttach = 1;

// DllMain: stdcall, as every Windows entry point.
using DllMainFn = int32_t(__attribute__((stdcall)) *)(void* instance, uint32_t reason, void* reserved);

size_t pages(size_t bytes) { return (bytes + pageSize - 1) / pageSize * pageSize; }

int protectionOf(const pe::Section& s) {
    return (s.read ? PROT_READ : 0) | (s.write ? PROT_WRITE : 0) | (s.execute ? PROT_EXEC : 0);
}

void addToWord(uint8_t* at, uint32_t delta) {
    uint32_t word = 0;
    std::memcpy(&word, at, sizeof word);
    word += delta;
    std::memcpy(at, &word, sizeof word);
}

} // namespace

std::unique_ptr<MappedImage> MappedImage::map(std::span<const uint8_t> file, const pe::LoadPlan& plan,
                                              std::span<const pe::Binding> bindings, std::string& error) {
    const size_t size = pages(plan.imageSize);
    // An image without relocations works only at the address it was linked for.
    void* want = plan.relocatable ? nullptr : reinterpret_cast<void*>(uintptr_t{plan.imageBase});
    void* where = ::mmap(want, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (where == MAP_FAILED) {
        error = std::string("cannot map ") + std::to_string(size) + " bytes: " + std::strerror(errno);
        return nullptr;
    }
    std::unique_ptr<MappedImage> image(new MappedImage(static_cast<uint8_t*>(where), size, plan.entryRva));
    if (!plan.relocatable && where != want) {
        error = "has no base relocations, and its address " + pe::hex(plan.imageBase) + " is taken";
        return nullptr;
    }
    uint8_t* base = image->base_;
    std::memcpy(base, file.data(), plan.headerSize);
    for (const pe::Section& s : plan.sections)
        if (s.fileSize) std::memcpy(base + s.rva, file.data() + s.fileOffset, s.fileSize);

    const uint32_t delta = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(base)) - plan.imageBase;
    if (delta != 0)
        for (uint32_t rva : plan.relocations) addToWord(base + rva, delta);
    for (const pe::Binding& b : bindings) {
        const uint32_t address = static_cast<uint32_t>(b.address);
        std::memcpy(base + b.iatRva, &address, sizeof address);
    }

    // Headers read-only, each section as it asks, the gaps inaccessible.
    bool ok = ::mprotect(base, size, PROT_NONE) == 0 && ::mprotect(base, pages(plan.headerSize), PROT_READ) == 0;
    for (const pe::Section& s : plan.sections)
        if (ok && s.size) ok = ::mprotect(base + s.rva, pages(s.size), protectionOf(s)) == 0;
    if (!ok) {
        error = std::string("cannot protect its sections: ") + std::strerror(errno);
        return nullptr;
    }
    return image;
}

MappedImage::~MappedImage() {
    if (attached_) callEntry(processDetach);
    ::munmap(base_, size_);
}

bool MappedImage::callEntry(uint32_t reason) {
    if (entryRva_ == 0) return true;
    auto entry = reinterpret_cast<DllMainFn>(base_ + entryRva_);
    return entry(base_, reason, nullptr) != 0;
}

bool MappedImage::attach() {
    attached_ = callEntry(processAttach);
    return attached_;
}

} // namespace host::pe32
