// The export directory: the address of the function at the module's export
// ordinal, whose index in the address table is the ordinal less the
// directory's ordinal base.
#include "pe/pe_format.h"
#include "pe/plan_steps.h"

namespace host::pe {

bool readExport(const FileImage& image, const Directory& dir, LoadPlan& plan, std::string& error) {
    const std::string what = "exports nothing at ordinal " + std::to_string(moduleExportOrdinal);
    if (!dir.present()) {
        error = what + " (no export table)";
        return false;
    }
    uint64_t offset = 0;
    uint32_t base = 0, count = 0, functions = 0;
    if (!image.fileRange(dir.rva, format::exportDirectorySize, offset) ||
        !image.u32(dir.rva + format::expOrdinalBase, base) ||
        !image.u32(dir.rva + format::expFunctionCount, count) ||
        !image.u32(dir.rva + format::expFunctions, functions)) {
        error = "the export directory (RVA " + hex(dir.rva) + ") lies outside the file's data";
        return false;
    }
    if (base > moduleExportOrdinal || moduleExportOrdinal - base >= count) {
        error = what + " (its ordinals run from " + std::to_string(base) + ", " + std::to_string(count) +
                " of them)";
        return false;
    }
    const uint64_t entry = uint64_t{functions} + 4ull * (moduleExportOrdinal - base);
    if (entry > 0xFFFFFFFF || !image.u32(static_cast<uint32_t>(entry), plan.exportRva)) {
        error = "the export address table (RVA " + hex(functions) + ") lies outside the file's data";
        return false;
    }
    if (plan.exportRva == 0) {
        error = what + " (its entry is empty)";
        return false;
    }
    if (plan.exportRva >= dir.rva && uint64_t{plan.exportRva} < uint64_t{dir.rva} + dir.size) {
        error = "export ordinal " + std::to_string(moduleExportOrdinal) + " is forwarded to another DLL";
        return false;
    }
    if (!image.inExecutableSection(plan.exportRva)) {
        error = "export ordinal " + std::to_string(moduleExportOrdinal) + " (RVA " + hex(plan.exportRva) +
                ") does not lie in code";
        return false;
    }
    return true;
}

} // namespace host::pe
