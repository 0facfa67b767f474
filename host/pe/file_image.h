// The file seen through its section table: a range of the image (an RVA and
// a length) is found in the file's data of the headers or of one section.
// Tables and names are read from the file this way, before anything is
// mapped, so the loader reads exactly the bytes that the mapping will hold.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pe/byte_view.h"
#include "pe/load_plan.h"

namespace host::pe {

class FileImage {
public:
    FileImage(const ByteView& file, const LoadPlan& plan) : file_(file), plan_(plan) {}

    // The file offset of [rva, rva + length), which must lie within the file
    // data of the headers or of a single section.
    bool fileRange(uint32_t rva, uint32_t length, uint64_t& offset) const;
    bool u16(uint32_t rva, uint16_t& out) const;
    bool u32(uint32_t rva, uint32_t& out) const;
    // A NUL-terminated name of at most 255 characters at `rva`.
    bool name(uint32_t rva, std::string& out) const;

    // Whether [rva, rva + length) lies within one section in memory.
    bool inSection(uint32_t rva, uint32_t length) const;
    bool inExecutableSection(uint32_t rva) const;

private:
    const ByteView& file_;
    const LoadPlan& plan_;
};

} // namespace host::pe
