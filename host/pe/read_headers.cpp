// The headers of a 32-bit DLL: signatures, machine, image kind, layout
// values and the section table, checked so that every section lies within
// the image and its data within the file.
#include <algorithm>

#include "pe/pe_format.h"
#include "pe/plan_steps.h"

namespace host::pe {

namespace {

constexpr uint32_t pageSize = 4096;

uint64_t roundUp(uint64_t value, uint64_t unit) { return (value + unit - 1) / unit * unit; }

bool machineError(uint16_t machine, std::string& error) {
    if (machine == format::machineI386) return true;
    if (machine == format::machineAmd64)
        error = "a 64-bit x86-64 image (machine 0x8664), not a 32-bit i386 one";
    else if (machine == format::machineArm64)
        error = "a 64-bit ARM64 image (machine 0xAA64), not a 32-bit i386 one";
    else
        error = "machine type " + hex(machine) + " is not i386 (0x14C)";
    return false;
}

Directory directory(const ByteView& file, uint64_t table, uint32_t count, uint32_t index) {
    Directory d;
    if (index < count) {
        file.u32(table + 8ull * index, d.rva);
        file.u32(table + 8ull * index + 4, d.size);
    }
    return d;
}

bool readSection(const ByteView& file, uint64_t at, const LoadPlan& plan, Section& s,
                 std::string& error) {
    char name[9] = {};
    std::copy_n(reinterpret_cast<const char*>(file.at(at)), 8, name);
    s.name = printable(name);
    uint32_t virtualSize = 0, rawSize = 0, rawPointer = 0, flags = 0;
    file.u32(at + format::secVirtualSize, virtualSize);
    file.u32(at + format::secVirtualAddress, s.rva);
    file.u32(at + format::secRawSize, rawSize);
    file.u32(at + format::secRawPointer, rawPointer);
    file.u32(at + format::secCharacteristics, flags);
    s.size = virtualSize ? virtualSize : rawSize;
    s.read = flags & format::scnRead;
    s.write = flags & format::scnWrite;
    s.execute = flags & format::scnExecute;
    const std::string what = "section " + s.name + " (RVA " + hex(s.rva) + ", " + hex(s.size) + " bytes)";
    if (s.rva < plan.headerSize) {
        error = what + " overlaps the headers (" + hex(plan.headerSize) + " bytes)";
        return false;
    }
    if (uint64_t{s.rva} + s.size > plan.imageSize) {
        error = what + " lies outside the image of " + hex(plan.imageSize) + " bytes";
        return false;
    }
    // Code that can rewrite itself is what an exploit needs; no page of the
    // image is both.
    if (s.write && s.execute) {
        error = what + " is both writable and executable, which the loader does not map";
        return false;
    }
    if (rawSize && rawPointer) {
        if (!file.contains(rawPointer, rawSize)) {
            error = "truncated: the data of " + what + " ends at file offset " +
                    hex(static_cast<uint32_t>(std::min<uint64_t>(uint64_t{rawPointer} + rawSize, 0xFFFFFFFF))) +
                    ", past the end of the file (" + std::to_string(file.size()) + " bytes)";
            return false;
        }
        s.fileOffset = rawPointer;
        s.fileSize = std::min(rawSize, s.size);
    }
    return true;
}

} // namespace

bool readHeaders(const ByteView& file, LoadPlan& plan, Headers& headers, std::string& error) {
    if (file.size() < format::dosHeaderSize) {
        error = "truncated: " + std::to_string(file.size()) + " bytes, shorter than a DOS header";
        return false;
    }
    if (file.at(0)[0] != 'M' || file.at(0)[1] != 'Z') {
        error = "not a PE file: no MZ signature";
        return false;
    }
    uint32_t pe = 0;
    file.u32(format::peOffsetField, pe);
    if (!file.contains(pe, 4)) {
        error = "truncated: the PE header at offset " + hex(pe) + " lies past the end of the file (" +
                std::to_string(file.size()) + " bytes)";
        return false;
    }
    if (file.at(pe)[0] != 'P' || file.at(pe)[1] != 'E' || file.at(pe)[2] != 0 || file.at(pe)[3] != 0) {
        error = "not a PE file: no PE signature at offset " + hex(pe);
        return false;
    }
    const uint64_t coff = uint64_t{pe} + 4;
    uint16_t machine = 0, sectionCount = 0, optionalSize = 0, magic = 0;
    if (!file.u16(coff + format::coffMachine, machine) || !file.u16(coff + format::coffSectionCount, sectionCount) ||
        !file.u16(coff + format::coffOptionalSize, optionalSize) ||
        !file.u16(coff + format::coffCharacteristics, headers.characteristics)) {
        error = "truncated: the file ends inside the COFF header";
        return false;
    }
    if (!machineError(machine, error)) return false;
    const uint64_t opt = coff + format::coffHeaderSize;
    if (!file.u16(opt + format::optMagic, magic)) {
        error = "truncated: the file ends inside the optional header";
        return false;
    }
    if (magic == format::magicPe32Plus) {
        error = "a PE32+ (64-bit) image, not PE32";
        return false;
    }
    if (magic != format::magicPe32) {
        error = "optional header magic " + hex(magic) + " is not PE32 (0x10B)";
        return false;
    }
    if (!(headers.characteristics & format::fileExecutableImage) || !(headers.characteristics & format::fileDll)) {
        error = "not a DLL: file characteristics " + hex(headers.characteristics) +
                " lack the executable-image or DLL flag";
        return false;
    }
    uint32_t sectionAlignment = 0, directoryCount = 0;
    if (optionalSize < format::optDirectories || !file.contains(opt, optionalSize)) {
        error = "truncated: the optional header of " + std::to_string(optionalSize) +
                " bytes is too short or runs past the end of the file";
        return false;
    }
    file.u32(opt + format::optEntryPoint, plan.entryRva);
    file.u32(opt + format::optImageBase, plan.imageBase);
    file.u32(opt + format::optSectionAlignment, sectionAlignment);
    file.u32(opt + format::optSizeOfImage, plan.imageSize);
    file.u32(opt + format::optSizeOfHeaders, plan.headerSize);
    file.u32(opt + format::optDirectoryCount, directoryCount);
    if (sectionAlignment == 0 || sectionAlignment % pageSize != 0) {
        error = "section alignment " + hex(sectionAlignment) +
                " is not a multiple of the page size; the loader protects sections page by page";
        return false;
    }
    if (plan.imageSize == 0 || plan.imageSize > maxImageSize) {
        error = "image size " + hex(plan.imageSize) + " is zero or larger than the loader maps (64 MiB)";
        return false;
    }
    if (plan.headerSize == 0 || plan.headerSize > plan.imageSize || !file.contains(0, plan.headerSize)) {
        error = "truncated: headers of " + hex(plan.headerSize) + " bytes do not fit the file or the image";
        return false;
    }
    const uint64_t dirs = opt + format::optDirectories;
    directoryCount = std::min({directoryCount, format::maxDirectories,
                               static_cast<uint32_t>((optionalSize - format::optDirectories) / 8)});
    headers.exports = directory(file, dirs, directoryCount, format::dirExport);
    headers.imports = directory(file, dirs, directoryCount, format::dirImport);
    headers.relocations = directory(file, dirs, directoryCount, format::dirBaseReloc);
    headers.tls = directory(file, dirs, directoryCount, format::dirTls);
    headers.delayImports = directory(file, dirs, directoryCount, format::dirDelayImport);

    if (sectionCount == 0 || sectionCount > format::maxSections) {
        error = std::to_string(sectionCount) + " sections; a DLL has 1 to 96";
        return false;
    }
    const uint64_t table = opt + optionalSize;
    if (!file.contains(table, uint64_t{sectionCount} * format::sectionHeaderSize)) {
        error = "truncated: the section table runs past the end of the file";
        return false;
    }
    uint64_t nextFree = roundUp(plan.headerSize, sectionAlignment);
    for (uint32_t i = 0; i < sectionCount; ++i) {
        Section s;
        if (!readSection(file, table + uint64_t{i} * format::sectionHeaderSize, plan, s, error)) return false;
        if (s.rva % sectionAlignment != 0) {
            error = "section " + s.name + " at RVA " + hex(s.rva) + " is not aligned to the section alignment " +
                    hex(sectionAlignment);
            return false;
        }
        if (s.rva < nextFree) {
            error = "section " + s.name + " at RVA " + hex(s.rva) +
                    (i == 0 ? " overlaps the headers' pages" : " overlaps the section before it or comes before it");
            return false;
        }
        nextFree = roundUp(uint64_t{s.rva} + s.size, sectionAlignment);
        plan.sections.push_back(std::move(s));
    }
    return true;
}

} // namespace host::pe
