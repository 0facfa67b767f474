#include "core/elf_check.h"

#include <elf.h>

#include <cstdint>

namespace host {

namespace {

#if UINTPTR_MAX == 0xFFFFFFFFu
using Ehdr = Elf32_Ehdr;
using Phdr = Elf32_Phdr;
constexpr unsigned char ownClass = ELFCLASS32;
constexpr const char* ownWidth = "32-bit";
constexpr const char* otherWidth = "64-bit";
#else
using Ehdr = Elf64_Ehdr;
using Phdr = Elf64_Phdr;
constexpr unsigned char ownClass = ELFCLASS64;
constexpr const char* ownWidth = "64-bit";
constexpr const char* otherWidth = "32-bit";
#endif

#if defined(__x86_64__)
constexpr uint16_t ownMachine = EM_X86_64;
#elif defined(__i386__)
constexpr uint16_t ownMachine = EM_386;
#elif defined(__aarch64__)
constexpr uint16_t ownMachine = EM_AARCH64;
#else
constexpr uint16_t ownMachine = EM_NONE;
#endif

std::string hex(uint64_t value) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    do out.insert(out.begin(), digits[value % 16]);
    while ((value /= 16) != 0);
    return "0x" + out;
}

std::string pastTheEnd(const ModuleFile& file) {
    return ", past the end of the file (" + std::to_string(file.size()) + " bytes)";
}

} // namespace

bool checkElfModule(const ModuleFile& file, std::string& error) {
    unsigned char ident[EI_NIDENT] = {};
    if (!file.read(0, ident, sizeof ident)) {
        error = "truncated: " + std::to_string(file.size()) + " bytes, shorter than an ELF header";
        return false;
    }
    if (ident[EI_CLASS] != ownClass) {
        error = ident[EI_CLASS] == ELFCLASS32 || ident[EI_CLASS] == ELFCLASS64
                    ? std::string("a ") + otherWidth + " ELF object, which this " + ownWidth + " program cannot load"
                    : "an ELF file of unknown class " + std::to_string(ident[EI_CLASS]);
        return false;
    }
    if (ident[EI_DATA] != ELFDATA2LSB) {
        error = "not a little-endian ELF object";
        return false;
    }
    Ehdr header{};
    if (!file.read(0, &header, sizeof header)) {
        error = "truncated: " + std::to_string(file.size()) + " bytes, shorter than an ELF header";
        return false;
    }
    if (header.e_type != ET_DYN) {
        error = "an ELF file but not a shared object (type " + std::to_string(header.e_type) + ")";
        return false;
    }
    if (header.e_machine != ownMachine) {
        error = "an ELF shared object for machine " + std::to_string(header.e_machine) +
                ", not for this one (" + std::to_string(ownMachine) + ")";
        return false;
    }
    if (header.e_phnum == 0 || header.e_phentsize != sizeof(Phdr)) {
        error = "malformed: its program header table has " + std::to_string(header.e_phnum) + " entries of " +
                std::to_string(header.e_phentsize) + " bytes";
        return false;
    }
    const uint64_t tableEnd = uint64_t{header.e_phoff} + uint64_t{header.e_phnum} * sizeof(Phdr);
    if (header.e_phoff > file.size() || tableEnd > file.size()) {
        error = "truncated: its program headers end at offset " + hex(tableEnd) + pastTheEnd(file);
        return false;
    }
    for (uint16_t i = 0; i < header.e_phnum; ++i) {
        Phdr segment{};
        if (!file.read(header.e_phoff + uint64_t{i} * sizeof(Phdr), &segment, sizeof segment)) {
            error = "the file changed while being read";
            return false;
        }
        const uint64_t end = uint64_t{segment.p_offset} + segment.p_filesz;
        if (segment.p_filesz != 0 && (segment.p_offset > file.size() || end > file.size())) {
            error = "truncated: segment " + std::to_string(i) + " (type " + hex(segment.p_type) + ") ends at offset " +
                    hex(end) + pastTheEnd(file);
            return false;
        }
    }
    return true;
}

} // namespace host
