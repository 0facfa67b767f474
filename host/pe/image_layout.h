// The image of a DLL as the Windows loader lays it out in memory, apart from
// where that memory comes from: headers and sections copied to their places,
// the load delta added to every relocated word, the import address table
// filled, and the protection of every page range. The 32-bit host applies it
// to the mapping it runs the DLL in; the fuzz target to a stand-in mapping.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "pe/bind_imports.h"
#include "pe/load_plan.h"

namespace host::pe {

// Fills `memory` (plan.imageSize bytes, all zero) with the image as it runs
// at `loadAddress`. The plan must have been read from `file`.
void layOutImage(std::span<const uint8_t> file, const LoadPlan& plan, std::span<const Binding> bindings,
                 uint8_t* memory, uint32_t loadAddress);

inline constexpr uint32_t pageSize = 4096;

struct PageRange {
    uint32_t rva = 0;  // page-aligned
    uint32_t size = 0; // whole pages
    bool read = false, write = false, execute = false;
};

// The headers read-only and each section as its flags say, in order; pages
// of the image that no range covers stay inaccessible.
std::vector<PageRange> pageProtections(const LoadPlan& plan);

// The size of the image rounded up to whole pages.
uint32_t imagePages(const LoadPlan& plan);

} // namespace host::pe
