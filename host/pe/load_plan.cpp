#include "pe/load_plan.h"

#include <cstdio>

#include "pe/byte_view.h"
#include "pe/file_image.h"
#include "pe/pe_format.h"
#include "pe/plan_steps.h"

namespace host::pe {

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
}

std::string printable(std::string_view text, size_t maxShown) {
    std::string out;
    for (size_t i = 0; i < text.size() && i < maxShown; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        }
    }
    if (text.size() > maxShown) out += "...";
    return out;
}

bool looksLikePe(std::span<const uint8_t> head) {
    return head.size() >= 2 && head[0] == 'M' && head[1] == 'Z';
}

bool readLoadPlan(std::span<const uint8_t> bytes, LoadPlan& plan, std::string& error) {
    plan = LoadPlan{};
    const ByteView file(bytes.data(), bytes.size());
    Headers headers;
    if (!readHeaders(file, plan, headers, error)) return false;
    if (headers.tls.present()) {
        error = "has thread-local storage (a TLS directory), which the loader does not set up";
        return false;
    }
    if (headers.delayImports.present()) {
        error = "has delay-load imports, which the loader does not resolve";
        return false;
    }
    const FileImage image(file, plan);
    if (plan.entryRva != 0 && !image.inExecutableSection(plan.entryRva)) {
        error = "the entry point (RVA " + hex(plan.entryRva) + ") does not lie in code";
        return false;
    }
    // A directory of no bytes holds no block: such an image has no
    // relocations and runs only at its own base.
    plan.relocatable = headers.relocations.size != 0 && !(headers.characteristics & format::fileRelocsStripped);
    if (plan.relocatable && !readRelocations(image, headers.relocations, plan, error)) return false;
    if (headers.imports.present() && !readImports(image, headers.imports, plan, error)) return false;
    return readExport(image, headers.exports, plan, error);
}

} // namespace host::pe
