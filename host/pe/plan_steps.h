// The steps of reading a load plan, each over the file and what the steps
// before it found. Each returns false with one line saying what is wrong.
#pragma once

#include <cstdint>
#include <string>

#include "pe/byte_view.h"
#include "pe/file_image.h"
#include "pe/load_plan.h"

namespace host::pe {

struct Directory {
    uint32_t rva = 0;
    uint32_t size = 0;
    bool present() const { return rva != 0 || size != 0; }
};

struct Headers {
    Directory exports, imports, relocations, tls, delayImports;
    uint16_t characteristics = 0;
};

// DOS and PE signatures, COFF and optional headers, the section table.
bool readHeaders(const ByteView& file, LoadPlan& plan, Headers& headers, std::string& error);
bool readRelocations(const FileImage& image, const Directory& dir, LoadPlan& plan, std::string& error);
bool readImports(const FileImage& image, const Directory& dir, LoadPlan& plan, std::string& error);
bool readExport(const FileImage& image, const Directory& dir, LoadPlan& plan, std::string& error);

} // namespace host::pe
