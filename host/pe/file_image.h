// The file seen through its section table: a range of the image (an RVA and
// a length) is found in the file's data of the headers or of one section.
// Tables and names are read from the file this way, before anything is
// mapped, so the loader reads exactly the bytes that the mapping will hold.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
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
    // A NUL-terminated name of 1 to 255 characters at `rva`, as a view into
    // the file's bytes. It must end within the stretch of file data (the
    // headers' or one section's) it starts in.
    enum class Name { Ok, Outside, Empty, TooLong, Unterminated };
    Name name(uint32_t rva, std::string_view& out) const;
    // The end of a message about a name that is not Ok: "lies outside the
    // file's data", "is longer than 255 characters", ...
    static std::string describe(Name fault);

    // Whether [rva, rva + length) lies within one section in memory.
    bool inSection(uint32_t rva, uint32_t length) const;
    bool inExecutableSection(uint32_t rva) const;

private:
    const ByteView& file_;
    const LoadPlan& plan_;
};

} // namespace host::pe
