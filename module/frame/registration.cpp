// Registration: cnt1entd hands the base library the static record whose
// chain (component table, entry vector) leads the host to the entries.
#include "frame/build_texts.h"
#include "frame/entries.h"
#include "zrx/platform.h"

namespace zrx {

namespace {

const char* const buildAttributes[18] = {
    buildDate, buildRecordTime, "ZRXENQML", "MENTRENQ view module", "C++20",
    "", "", "", "", "", "", "", "", "", "", "", "", "",
};
const char* const buildNotices[3] = {
    "MENTRENQ: enterprise ENQ contention view",
    "Built from the project sources",
    "",
};

// The pair of words the platform finds directly before the component table.
struct ComponentBlock {
    uintptr_t buildInfoWords[2];
    ComponentEntry table[1];
};
static_assert(offsetof(ComponentBlock, table) == 2 * sizeof(uintptr_t));

} // namespace

const BuildRecord buildRecord = {18, 3, buildAttributes, buildNotices};

// Every word is an address constant that the compiler and linker fill in:
// the DLL runs no static initialisers (tests/win32 checks that it has none).
const EntryVector entryVector = {
    entryVectorWords,
    {
        moduleVersion, 0, 0,
        reinterpret_cast<uintptr_t>(&enqmlcss), 0,
        reinterpret_cast<uintptr_t>(&enqmlcpr), 0, 0,
        reinterpret_cast<uintptr_t>(&enqmlcts), 0, 0,
        reinterpret_cast<uintptr_t>(&versionInfo),
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    },
};

namespace {
const ComponentBlock componentBlock = {
    {reinterpret_cast<uintptr_t>(&buildInfo), 0},
    {{"ZRXENQML", &entryVector}},
};
} // namespace

#if defined(_WIN32)
// The base library's own address of ordinal 55 exists only once the loader
// has filled the import address table, and a constant initializer would
// store the import stub inside this DLL instead; the DLL runs no static
// initialisers, so DllMain stores it at process attach.
RegistrationRecord registrationRecord = {"ZRXENQML", componentBlock.table, 1, nullptr};

void noteBaseLibraryService() { registrationRecord.ordinal55 = &zentrix_ComponentService; }
#else
const RegistrationRecord registrationRecord = {
    "ZRXENQML",
    componentBlock.table,
    1,
    &zentrix_ComponentService,
};
#endif

void versionInfo(const char** version, const char** date, const char** time) {
    if (version) *version = versionText;
    if (date) *date = buildDate;
    if (time) *time = traceBuildTime;
}

void buildInfo(const BuildRecord** out) {
    if (out) *out = &buildRecord;
}

} // namespace zrx

extern "C" ZRX_EXPORT int32_t cnt1entd() {
    return zentrix_RegisterComponent(&zrx::registrationRecord, 0);
}
