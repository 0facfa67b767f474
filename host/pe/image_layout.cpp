#include "pe/image_layout.h"

#include <cstring>

namespace host::pe {

namespace {

uint32_t wholePages(uint32_t bytes) { return static_cast<uint32_t>((uint64_t{bytes} + pageSize - 1) / pageSize * pageSize); }

void addToWord(uint8_t* at, uint32_t delta) {
    uint32_t word = 0;
    std::memcpy(&word, at, sizeof word);
    word += delta;
    std::memcpy(at, &word, sizeof word);
}

} // namespace

uint32_t imagePages(const LoadPlan& plan) { return wholePages(plan.imageSize); }

void layOutImage(std::span<const uint8_t> file, const LoadPlan& plan, std::span<const Binding> bindings,
                 uint8_t* memory, uint32_t loadAddress) {
    std::memcpy(memory, file.data(), plan.headerSize);
    for (const Section& s : plan.sections)
        if (s.fileSize) std::memcpy(memory + s.rva, file.data() + s.fileOffset, s.fileSize);
    const uint32_t delta = loadAddress - plan.imageBase;
    if (delta != 0)
        for (uint32_t rva : plan.relocations) addToWord(memory + rva, delta);
    for (const Binding& b : bindings) {
        const uint32_t address = static_cast<uint32_t>(b.address);
        std::memcpy(memory + b.iatRva, &address, sizeof address);
    }
}

std::vector<PageRange> pageProtections(const LoadPlan& plan) {
    std::vector<PageRange> ranges;
    ranges.push_back({0, wholePages(plan.headerSize), true, false, false});
    for (const Section& s : plan.sections)
        if (s.size) ranges.push_back({s.rva, wholePages(s.size), s.read, s.write, s.execute});
    return ranges;
}

} // namespace host::pe
