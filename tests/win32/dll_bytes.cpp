#include "dll_bytes.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace zrxtest {

DllBytes DllBytes::read(const std::string& path) {
    DllBytes dll;
    std::ifstream in(path, std::ios::binary);
    dll.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return dll;
}

uint16_t DllBytes::u16(size_t at) const { return static_cast<uint16_t>(bytes.at(at) | bytes.at(at + 1) << 8); }

uint32_t DllBytes::u32(size_t at) const { return u16(at) | static_cast<uint32_t>(u16(at + 2)) << 16; }

void DllBytes::put16(size_t at, uint16_t value) {
    bytes.at(at) = static_cast<uint8_t>(value);
    bytes.at(at + 1) = static_cast<uint8_t>(value >> 8);
}

void DllBytes::put32(size_t at, uint32_t value) {
    put16(at, static_cast<uint16_t>(value));
    put16(at + 2, static_cast<uint16_t>(value >> 16));
}

std::vector<DllSection> DllBytes::sections() const {
    std::vector<DllSection> out;
    const size_t table = optionalHeader() + u16(peOffset() + 20);
    for (size_t i = 0; i < u16(peOffset() + 6); ++i) {
        const size_t h = table + 40 * i;
        DllSection s;
        s.name.assign(reinterpret_cast<const char*>(&bytes.at(h)), strnlen(reinterpret_cast<const char*>(&bytes.at(h)), 8));
        s.virtualSize = u32(h + 8);
        s.rva = u32(h + 12);
        s.rawSize = u32(h + 16);
        s.rawPointer = u32(h + 20);
        s.flags = u32(h + 36);
        s.headerOffset = h;
        out.push_back(s);
    }
    return out;
}

DllSection DllBytes::section(std::string_view name) const {
    for (const DllSection& s : sections())
        if (s.name == name) return s;
    ADD_FAILURE() << "no section " << name;
    return {};
}

size_t DllBytes::fileOffset(uint32_t rva) const {
    for (const DllSection& s : sections())
        if (rva >= s.rva && rva < s.rva + s.rawSize) return s.rawPointer + (rva - s.rva);
    ADD_FAILURE() << "RVA " << rva << " is in no section's file data";
    return 0;
}

size_t DllBytes::find(std::string_view text) const {
    const std::string needle(text.data(), text.size() + 1);
    auto at = std::search(bytes.begin(), bytes.end(), needle.begin(), needle.end());
    if (at == bytes.end()) ADD_FAILURE() << "no \"" << text << "\" in the DLL";
    return static_cast<size_t>(at - bytes.begin());
}

size_t DllBytes::importLookupTable(std::string_view dll) const {
    for (size_t d = fileOffset(directoryRva(1)); u32(d + 12) != 0; d += 20) {
        const char* name = reinterpret_cast<const char*>(&bytes.at(fileOffset(u32(d + 12))));
        if (dll == name) return fileOffset(u32(d));
    }
    ADD_FAILURE() << "no import descriptor for " << dll;
    return 0;
}

uint32_t DllBytes::exportRva(uint32_t ordinal) const {
    const size_t directory = fileOffset(directoryRva(0));
    const uint32_t base = u32(directory + 16);
    return u32(fileOffset(u32(directory + 28)) + 4 * (ordinal - base));
}

uint32_t DllBytes::symbolRva(std::string_view name) const {
    const size_t table = u32(peOffset() + 12);
    const size_t count = u32(peOffset() + 16);
    const size_t strings = table + 18 * count;
    const auto all = sections();
    for (size_t i = 0; i < count; ++i) {
        const size_t at = table + 18 * i;
        std::string symbol;
        if (u32(at) == 0) {
            const char* text = reinterpret_cast<const char*>(&bytes.at(strings + u32(at + 4)));
            symbol.assign(text, strnlen(text, bytes.size() - (strings + u32(at + 4))));
        } else {
            symbol.assign(reinterpret_cast<const char*>(&bytes.at(at)), strnlen(reinterpret_cast<const char*>(&bytes.at(at)), 8));
        }
        const auto section = static_cast<int16_t>(u16(at + 12));
        if (symbol == name && section >= 1 && static_cast<size_t>(section) <= all.size())
            return all[static_cast<size_t>(section) - 1].rva + u32(at + 8);
        i += bytes.at(at + 17);
    }
    ADD_FAILURE() << "no symbol " << name;
    return 0;
}

uint32_t DllBytes::addSection(const std::string& name, const std::vector<uint8_t>& data, uint32_t flags) {
    const uint32_t sectionAlignment = u32(optionalHeader() + 32);
    const uint32_t fileAlignment = u32(optionalHeader() + 36);
    const auto all = sections();
    const DllSection& last = all.back();
    const uint32_t rva = (last.rva + std::max(last.virtualSize, last.rawSize) + sectionAlignment - 1) / sectionAlignment *
                         sectionAlignment;
    const size_t header = all.back().headerOffset + 40;
    if (header + 40 > u32(optionalHeader() + 60)) ADD_FAILURE() << "no room for another section header";
    const size_t raw = (bytes.size() + fileAlignment - 1) / fileAlignment * fileAlignment;
    const uint32_t rawSize = static_cast<uint32_t>((data.size() + fileAlignment - 1) / fileAlignment * fileAlignment);
    bytes.resize(raw + rawSize, 0);
    std::copy(data.begin(), data.end(), bytes.begin() + static_cast<long>(raw));
    std::fill_n(bytes.begin() + static_cast<long>(header), 40, 0);
    std::copy_n(name.begin(), std::min<size_t>(name.size(), 8), bytes.begin() + static_cast<long>(header));
    put32(header + 8, static_cast<uint32_t>(data.size()));
    put32(header + 12, rva);
    put32(header + 16, rawSize);
    put32(header + 20, static_cast<uint32_t>(raw));
    put32(header + 36, flags);
    put16(peOffset() + 6, static_cast<uint16_t>(all.size() + 1));
    const uint32_t end = rva + static_cast<uint32_t>(data.size());
    put32(optionalHeader() + 56, (end + sectionAlignment - 1) / sectionAlignment * sectionAlignment);
    return rva;
}

void DllBytes::patchCode(uint32_t rva, const std::vector<uint8_t>& code) {
    std::copy(code.begin(), code.end(), bytes.begin() + static_cast<long>(fileOffset(rva)));
}

std::string DllBytes::write(const std::string& name) const {
    const std::string path = ::testing::TempDir() + "zrx_" + std::to_string(::getpid()) + "_" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
}

} // namespace zrxtest
