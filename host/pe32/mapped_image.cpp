#include "pe32/mapped_image.h"

#include <sys/mman.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "pe/image_layout.h"
#include "pe32/entry_frame.h"

#ifndef MAP_FIXED_NOREPLACE
#define MAP_FIXED_NOREPLACE 0x100000
#endif

namespace host::pe32 {

namespace {

constexpr uint32_t processDetach = 0;
constexpr uint32_t processAttach = 1;

int protectionOf(const pe::PageRange& r) {
    return (r.read ? PROT_READ : 0) | (r.write ? PROT_WRITE : 0) | (r.execute ? PROT_EXEC : 0);
}

// The mapping of this process that overlaps [begin, end), as "0x...-0x...",
// or "" when there is none.
std::string mappingOver(uint64_t begin, uint64_t end) {
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        std::istringstream in(line);
        uint64_t from = 0, to = 0;
        char dash = 0;
        if (in >> std::hex >> from >> dash >> to && from < end && to > begin)
            return pe::hex(static_cast<uint32_t>(from)) + "-" + pe::hex(static_cast<uint32_t>(to));
    }
    return "";
}

uint64_t lowestMappableAddress() {
    std::ifstream in("/proc/sys/vm/mmap_min_addr");
    uint64_t value = 0;
    return in >> value ? value : 4096;
}

// Why the image cannot have its own base, for an image without relocations.
std::string baseRefused(const pe::LoadPlan& plan, size_t size, int mmapError) {
    const std::string base = "has no base relocations, and its base " + pe::hex(plan.imageBase);
    const uint64_t end = uint64_t{plan.imageBase} + size;
    if (plan.imageBase % pe::pageSize != 0) return base + " is not a multiple of the page size";
    if (end > 0x100000000ull) return base + " leaves no room for its " + std::to_string(size) + " bytes below 4 GiB";
    const uint64_t lowest = lowestMappableAddress();
    if (plan.imageBase < lowest) return base + " lies below the lowest address this system maps (" + pe::hex(static_cast<uint32_t>(lowest)) + ")";
    const std::string taken = mappingOver(plan.imageBase, end);
    if (!taken.empty()) return base + " is taken by another mapping (" + taken + ")";
    return base + " is not available" + (mmapError ? std::string(": ") + std::strerror(mmapError) : std::string());
}

struct Call {
    const void* function;
    const uint32_t* arguments;
    uint32_t count;
    uint32_t result;
};

void callThroughFrame(void* context) {
    auto* c = static_cast<Call*>(context);
    c->result = zrxCallRestoringStack(c->function, c->arguments, c->count);
}

} // namespace

std::unique_ptr<MappedImage> MappedImage::map(std::span<const uint8_t> file, const pe::LoadPlan& plan,
                                              std::span<const pe::Binding> bindings, std::string& error) {
    const size_t size = pe::imagePages(plan);
    void* where = nullptr;
    if (plan.relocatable) {
        where = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    } else {
        // Where the image was linked for, or nowhere: a kernel without
        // MAP_FIXED_NOREPLACE takes the address as a hint only.
        void* want = reinterpret_cast<void*>(uintptr_t{plan.imageBase});
        const bool fits = plan.imageBase % pe::pageSize == 0 && uint64_t{plan.imageBase} + size <= 0x100000000ull;
        where = fits ? ::mmap(want, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE,
                              -1, 0)
                     : MAP_FAILED;
        const int mmapError = where == MAP_FAILED && fits ? errno : 0;
        if (where != MAP_FAILED && where != want) {
            ::munmap(where, size);
            where = MAP_FAILED;
        }
        if (where == MAP_FAILED) {
            error = baseRefused(plan, size, mmapError == EEXIST ? 0 : mmapError);
            return nullptr;
        }
    }
    if (where == MAP_FAILED) {
        error = "cannot map " + std::to_string(size) + " bytes: " + std::strerror(errno);
        return nullptr;
    }
    std::unique_ptr<MappedImage> image(new MappedImage(static_cast<uint8_t*>(where), size, plan.entryRva));
    uint8_t* base = image->base_;
    pe::layOutImage(file, plan, bindings, base, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(base)));
    bool ok = ::mprotect(base, size, PROT_NONE) == 0;
    for (const pe::PageRange& r : pe::pageProtections(plan))
        if (ok) ok = ::mprotect(base + r.rva, r.size, protectionOf(r)) == 0;
    if (!ok) {
        error = std::string("cannot protect its sections: ") + std::strerror(errno);
        return nullptr;
    }
    return image;
}

MappedImage::~MappedImage() {
    if (attached_ && !failed_) {
        uint32_t result = 0;
        pe::Fault fault;
        call(base_ + entryRva_, {static_cast<uint32_t>(reinterpret_cast<uintptr_t>(base_)), processDetach, 0},
             result, fault);
    }
    ::munmap(base_, size_);
}

bool MappedImage::call(const void* function, std::initializer_list<uint32_t> arguments, uint32_t& result,
                       pe::Fault& fault) {
    Call c{function, arguments.begin(), static_cast<uint32_t>(arguments.size()), 0};
    const auto begin = reinterpret_cast<uintptr_t>(base_);
    if (!pe::runGuarded(begin, begin + size_, &callThroughFrame, &c, fault)) {
        failed_ = true;
        return false;
    }
    result = c.result;
    return true;
}

MappedImage::Attach MappedImage::attach(pe::Fault& fault) {
    if (entryRva_ == 0) return Attach::Done;
    uint32_t result = 0;
    if (!call(base_ + entryRva_, {static_cast<uint32_t>(reinterpret_cast<uintptr_t>(base_)), processAttach, 0},
              result, fault))
        return Attach::Faulted;
    attached_ = result != 0;
    return attached_ ? Attach::Done : Attach::Refused;
}

} // namespace host::pe32
