// The parts of the 32-bit PE/COFF image format the loader reads: offsets
// within the headers, flags, and the numbers of the data directories.
#pragma once

#include <cstdint>

namespace host::pe::format {

inline constexpr uint32_t dosHeaderSize = 64;
inline constexpr uint32_t peOffsetField = 0x3C; // e_lfanew
inline constexpr uint32_t coffHeaderSize = 20;
inline constexpr uint32_t sectionHeaderSize = 40;
inline constexpr uint32_t maxSections = 96;

// COFF file header, after the 4-byte "PE\0\0" signature.
inline constexpr uint32_t coffMachine = 0;
inline constexpr uint32_t coffSectionCount = 2;
inline constexpr uint32_t coffOptionalSize = 16;
inline constexpr uint32_t coffCharacteristics = 18;

inline constexpr uint16_t machineI386 = 0x014C;
inline constexpr uint16_t machineAmd64 = 0x8664;
inline constexpr uint16_t machineArm64 = 0xAA64;

inline constexpr uint16_t fileRelocsStripped = 0x0001;
inline constexpr uint16_t fileExecutableImage = 0x0002;
inline constexpr uint16_t fileDll = 0x2000;

// Optional header of PE32.
inline constexpr uint16_t magicPe32 = 0x010B;
inline constexpr uint16_t magicPe32Plus = 0x020B;
inline constexpr uint32_t optMagic = 0;
inline constexpr uint32_t optEntryPoint = 16;
inline constexpr uint32_t optImageBase = 28;
inline constexpr uint32_t optSectionAlignment = 32;
inline constexpr uint32_t optSizeOfImage = 56;
inline constexpr uint32_t optSizeOfHeaders = 60;
inline constexpr uint32_t optDirectoryCount = 92;
inline constexpr uint32_t optDirectories = 96;

// Data directories.
inline constexpr uint32_t dirExport = 0;
inline constexpr uint32_t dirImport = 1;
inline constexpr uint32_t dirBaseReloc = 5;
inline constexpr uint32_t dirTls = 9;
inline constexpr uint32_t dirDelayImport = 13;
inline constexpr uint32_t maxDirectories = 16;

// Section header.
inline constexpr uint32_t secVirtualSize = 8;
inline constexpr uint32_t secVirtualAddress = 12;
inline constexpr uint32_t secRawSize = 16;
inline constexpr uint32_t secRawPointer = 20;
inline constexpr uint32_t secCharacteristics = 36;

inline constexpr uint32_t scnExecute = 0x20000000;
inline constexpr uint32_t scnRead = 0x40000000;
inline constexpr uint32_t scnWrite = 0x80000000;

// Export directory.
inline constexpr uint32_t exportDirectorySize = 40;
inline constexpr uint32_t expOrdinalBase = 16;
inline constexpr uint32_t expFunctionCount = 20;
inline constexpr uint32_t expFunctions = 28;

// Import descriptor.
inline constexpr uint32_t importDescriptorSize = 20;
inline constexpr uint32_t impLookupTable = 0;
inline constexpr uint32_t impName = 12;
inline constexpr uint32_t impAddressTable = 16;
inline constexpr uint32_t importByOrdinal = 0x80000000;

// Base relocations.
inline constexpr uint32_t relocBlockHeader = 8;
inline constexpr uint16_t relocAbsolute = 0;
inline constexpr uint16_t relocHighLow = 3;

} // namespace host::pe::format
