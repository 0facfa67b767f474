// Base relocations: blocks of 16-bit entries, each a type and an offset in
// the block's 4 KiB page. A 32-bit DLL uses HIGHLOW (add the load delta to
// the 32-bit word) and ABSOLUTE (padding); any other type is refused.
#include "pe/pe_format.h"
#include "pe/plan_steps.h"

namespace host::pe {

bool readRelocations(const FileImage& image, const Directory& dir, LoadPlan& plan, std::string& error) {
    uint64_t offset = 0;
    if (!image.fileRange(dir.rva, dir.size, offset)) {
        error = "the base relocation table (RVA " + hex(dir.rva) + ", " + hex(dir.size) +
                " bytes) lies outside the file's data";
        return false;
    }
    uint32_t at = 0;
    while (at < dir.size) {
        uint32_t page = 0, blockSize = 0;
        if (dir.size - at < format::relocBlockHeader || !image.u32(dir.rva + at, page) ||
            !image.u32(dir.rva + at + 4, blockSize) || blockSize < format::relocBlockHeader ||
            blockSize % 2 != 0 || blockSize > dir.size - at) {
            error = "malformed base relocation block at RVA " + hex(dir.rva + at);
            return false;
        }
        for (uint32_t e = format::relocBlockHeader; e < blockSize; e += 2) {
            uint16_t entry = 0;
            image.u16(dir.rva + at + e, entry);
            const uint16_t type = entry >> 12;
            if (type == format::relocAbsolute) continue;
            const uint64_t target = uint64_t{page} + (entry & 0x0FFF);
            if (type != format::relocHighLow) {
                error = "base relocation type " + std::to_string(type) + " at RVA " +
                        hex(static_cast<uint32_t>(target)) + " is not one a 32-bit image uses";
                return false;
            }
            if (target + 4 > plan.imageSize) {
                error = "a base relocation at RVA " + hex(static_cast<uint32_t>(target > 0xFFFFFFFF ? 0xFFFFFFFF : target)) +
                        " lies outside the image of " + hex(plan.imageSize) + " bytes";
                return false;
            }
            if (plan.relocations.size() == maxRelocations) {
                error = "it has more than " + std::to_string(maxRelocations) +
                        " base relocations; the loader applies at most that many";
                return false;
            }
            plan.relocations.push_back(static_cast<uint32_t>(target));
        }
        at += blockSize;
    }
    return true;
}

} // namespace host::pe
