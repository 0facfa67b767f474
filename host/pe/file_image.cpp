#include "pe/file_image.h"

namespace host::pe {

namespace {
constexpr size_t maxNameLength = 255;
}

bool FileImage::fileRange(uint32_t rva, uint32_t length, uint64_t& offset) const {
    const uint64_t end = uint64_t{rva} + length;
    if (end <= plan_.headerSize && file_.contains(rva, length)) {
        offset = rva;
        return true;
    }
    for (const Section& s : plan_.sections) {
        if (rva >= s.rva && end <= uint64_t{s.rva} + s.fileSize) {
            offset = uint64_t{s.fileOffset} + (rva - s.rva);
            return file_.contains(offset, length);
        }
    }
    return false;
}

bool FileImage::u16(uint32_t rva, uint16_t& out) const {
    uint64_t offset = 0;
    return fileRange(rva, 2, offset) && file_.u16(offset, out);
}

bool FileImage::u32(uint32_t rva, uint32_t& out) const {
    uint64_t offset = 0;
    return fileRange(rva, 4, offset) && file_.u32(offset, out);
}

FileImage::Name FileImage::name(uint32_t rva, std::string_view& out) const {
    uint64_t offset = 0;
    if (!fileRange(rva, 1, offset)) return Name::Outside;
    uint64_t limit = rva < plan_.headerSize ? plan_.headerSize : 0;
    for (const Section& s : plan_.sections)
        if (rva >= s.rva && rva < uint64_t{s.rva} + s.fileSize) limit = uint64_t{s.fileOffset} + s.fileSize;
    switch (file_.text(offset, limit, maxNameLength, out)) {
    case ByteView::Text::Ok: return out.empty() ? Name::Empty : Name::Ok;
    case ByteView::Text::TooLong: return Name::TooLong;
    case ByteView::Text::Unterminated: break;
    }
    return Name::Unterminated;
}

std::string FileImage::describe(Name fault) {
    switch (fault) {
    case Name::Outside: return "lies outside the file's data";
    case Name::Empty: return "is empty";
    case Name::TooLong: return "is longer than " + std::to_string(maxNameLength) + " characters";
    case Name::Unterminated: return "runs past the end of the file data it starts in";
    case Name::Ok: break;
    }
    return "is a name";
}

bool FileImage::inSection(uint32_t rva, uint32_t length) const {
    const uint64_t end = uint64_t{rva} + length;
    for (const Section& s : plan_.sections)
        if (rva >= s.rva && end <= uint64_t{s.rva} + s.size) return true;
    return false;
}

bool FileImage::inExecutableSection(uint32_t rva) const {
    for (const Section& s : plan_.sections)
        if (s.execute && rva >= s.rva && uint64_t{rva} < uint64_t{s.rva} + s.size) return true;
    return false;
}

} // namespace host::pe
