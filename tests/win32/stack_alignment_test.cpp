// Code for 32-bit Windows may call with a stack aligned to 4 bytes only. The
// host's functions that ZRX.dll calls realign, so that the host code below
// them, compiled for the 16-byte alignment of the Linux ABI, finds it: the
// DLL's entries are called here through a trampoline that misaligns the
// stack, and the trace sink and the data source (reached through TRX5_Printf
// and the operation slots) check the alignment they run with.
#include <gtest/gtest.h>

#include <cstring>

#include "core/data_source.h"
#include "core/host.h"
#include "core/module.h"
#include "core/session.h"
#include "platform/trace_control.h"
#include "scenarios/texts.h"
#include "sql/snapshot.h"
#include "support/host_fixture.h"
#include "zrx/status.h"

using zrx::entry::noMoreRows;

#if ZRX_PE_LOADER

// entry(id, object) called with the stack pointer `shift` bytes below the
// 16-byte boundary at the call.
extern "C" int32_t zrxCallShifted(zrx::EntryFn entry, uint32_t id, zrx::HostObject* obj, uint32_t shift);
asm(R"(
    .text
    .globl zrxCallShifted
    .type zrxCallShifted, @function
zrxCallShifted:
    pushl %ebp
    movl  %esp, %ebp
    movl  20(%ebp), %ecx
    andl  $-16, %esp
    subl  $8, %esp
    subl  %ecx, %esp
    pushl 16(%ebp)
    pushl 12(%ebp)
    call  *8(%ebp)
    movl  %ebp, %esp
    popl  %ebp
    ret
    .size zrxCallShifted, .-zrxCallShifted
)");

namespace {

struct Alignment {
    uint64_t checks = 0;
    uint64_t misaligned = 0;
    // A 16-byte aligned local, placed as if the stack were aligned; the
    // compiler is kept from assuming its address is.
    __attribute__((noinline)) void check() {
        alignas(16) volatile char probe[16] = {};
        uintptr_t address = reinterpret_cast<uintptr_t>(&probe[0]);
        asm("" : "+r"(address));
        ++checks;
        if (address % 16 != 0) ++misaligned;
    }
};

class CheckingSink : public platform::TraceSink {
public:
    explicit CheckingSink(Alignment& a) : a_(a) {}
    void write(const platform::TraceRecord&) override { a_.check(); }

private:
    Alignment& a_;
};

class CheckingSource : public host::DataSource {
public:
    CheckingSource(host::DataSource& inner, Alignment& a) : inner_(inner), a_(a) {}
    bool check(std::string_view text, host::StatementKind& kind, std::string& error) override {
        a_.check();
        return inner_.check(text, kind, error);
    }
    std::unique_ptr<host::StatementResult> open(std::string_view text, std::string& error) override {
        a_.check();
        return inner_.open(text, error);
    }

private:
    host::DataSource& inner_;
    Alignment& a_;
};

// The entries of the module under test, called through the trampoline.
zrx::EntryFn realStart, realRequest, realEnd;
uint32_t shiftBytes = 0;
int32_t shiftedStart(uint32_t id, zrx::HostObject* o) { return zrxCallShifted(realStart, id, o, shiftBytes); }
int32_t shiftedRequest(uint32_t id, zrx::HostObject* o) { return zrxCallShifted(realRequest, id, o, shiftBytes); }
int32_t shiftedEnd(uint32_t id, zrx::HostObject* o) { return zrxCallShifted(realEnd, id, o, shiftBytes); }

std::vector<zrx::MentrenqRow> reportRows(host::Host& h, const host::Module& module) {
    host::SessionOptions options;
    options.predicates = zrxtest::HostFixture::report();
    host::Session s(h, module, options);
    const host::SessionRun run = host::runSession(s);
    EXPECT_EQ(run.start, 0);
    EXPECT_EQ(run.last(), noMoreRows);
    EXPECT_EQ(run.end, 0);
    return run.rows;
}

TEST(StackAlignment, TheDllsCallsIntoTheHostRunAlignedWhateverTheCallersAlignment) {
    if (std::string(ZRX_WIN32_DLL).empty()) GTEST_SKIP() << "ZRX.dll not built";
    std::string error;
    auto snapshot = host::sql::Snapshot::createInMemory(error);
    ASSERT_TRUE(snapshot && snapshot->exec(scenarios::demoEnterpriseSql(), error)) << error;
    host::SnapshotSource snapshotSource(*snapshot);
    Alignment alignment;
    CheckingSource source(snapshotSource, alignment);
    host::Host h(&source);
    auto module = host::Module::load(ZRX_WIN32_DLL, error);
    ASSERT_NE(module, nullptr) << error;
    const auto aligned = reportRows(h, *module);
    ASSERT_GE(aligned.size(), 5u);

    CheckingSink sink(alignment);
    platform::TraceSettings all;
    ASSERT_TRUE(platform::TraceSettings::parse("all", all, error));
    platform::setTraceSettings(all);
    platform::setTraceSink(&sink);
    realStart = module->sessionStart;
    realRequest = module->request;
    realEnd = module->sessionEnd;
    module->sessionStart = &shiftedStart;
    module->request = &shiftedRequest;
    module->sessionEnd = &shiftedEnd;
    for (uint32_t shift : {4u, 8u, 12u}) {
        SCOPED_TRACE("stack " + std::to_string(shift) + " bytes off");
        shiftBytes = shift;
        alignment = {};
        const auto rows = reportRows(h, *module);
        ASSERT_EQ(rows.size(), aligned.size());
        EXPECT_EQ(std::memcmp(rows.data(), aligned.data(), rows.size() * sizeof rows[0]), 0);
        EXPECT_GT(alignment.checks, 100u);
        EXPECT_EQ(alignment.misaligned, 0u);
    }
    platform::setTraceSink(nullptr);
    platform::setTraceSettings({});
}

} // namespace

#endif
