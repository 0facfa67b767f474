// Registration: cnt1entd hands the base library the static record whose
// chain (component table, entry vector) leads the host to the entries.
#include "frame/build_texts.h"
#include "frame/entries.h"
#include "zrx/platform.h"

namespace zrx {

namespace {

uintptr_t word(EntryFn fn) { return reinterpret_cast<uintptr_t>(fn); }

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

const EntryVector entryVector = {
    entryVectorWords,
    {
        moduleVersion, 0, 0,
        word(enqmlcss), 0,
        word(enqmlcpr), 0, 0,
        word(enqmlcts), 0, 0,
        reinterpret_cast<uintptr_t>(&versionInfo),
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    },
};

namespace {
const ComponentBlock componentBlock = {
    {reinterpret_cast<uintptr_t>(&buildInfo), 0},
    {{"ZRXENQML", &entryVector}},
};

#if defined(_WIN32)
// The base library's own address of ordinal 55, read from the import address
// table when the DLL initialises its statics: in a constant initializer the
// compiler would store the import stub inside this DLL instead.
void (*ordinal55())() { return &zentrix_ComponentService; }
#else
constexpr void (*ordinal55())() { return &zentrix_ComponentService; }
#endif
} // namespace

const RegistrationRecord registrationRecord = {
    "ZRXENQML",
    componentBlock.table,
    1,
    ordinal55(),
};

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
