// A module in a module host process: the messages between the two sides,
// and a Session here that runs there while this host answers its
// statements, keeps its fault plan and accounts for its storage; a module
// host that cannot start, refuses the module or dies is one clear line.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <thread>

#include "core/module.h"
#include "core/session_run.h"
#include "remote/channel.h"
#include "remote/module_host.h"
#include "remote/protocol.h"
#include "remote/windows_host.h"
#include "scenarios/texts.h"
#include "support/host_fixture.h"
#include "support/trace_recorder.h"
#include "testing/fault_plan_codec.h"

namespace {

// The Linux module host, through the emulator where this build needs one.
std::vector<std::string> moduleHost(const std::string& program = ZRX_MODULE_HOST) {
    const std::string emulator = ZRX_TEST_EMULATOR;
    if (emulator.empty()) return {program};
    return {emulator, program};
}

using host::remote::Channel;
using host::remote::Reader;
using host::remote::Writer;

TEST(Wire, AReaderNeverReadsPastWhatItWasGiven) {
    Writer w;
    w.u32(7);
    w.text("abc");
    Reader r(w.bytes());
    EXPECT_EQ(r.u32(), 7u);
    EXPECT_EQ(r.text(), "abc");
    EXPECT_TRUE(r.atEnd());
    EXPECT_EQ(r.u32(), 0u);
    EXPECT_FALSE(r.ok());

    // A length beyond the message, and a count of more items than fit.
    Writer lying;
    lying.u32(1000);
    lying.text("x");
    Reader text(lying.bytes());
    EXPECT_EQ(text.text(), "");
    EXPECT_FALSE(text.ok());
    Reader count(lying.bytes());
    EXPECT_EQ(count.count(4), 0u);
    EXPECT_FALSE(count.ok());
    Reader blob(lying.bytes());
    EXPECT_TRUE(blob.blob().empty());
    EXPECT_FALSE(blob.ok());
}

TEST(Wire, AFaultPlanTravelsWithItsCountsAndGoesOnWhereItStopped) {
    host::FaultPlan plan;
    plan.failCall(host::Operation::FetchRow, 3, 99);
    plan.failHandle(host::ObjectKind::Plan, 2);
    host::ResultFault malformed;
    malformed.statement = host::StatementKind::Detail;
    malformed.nthRow = 4;
    malformed.longColumn = 2;
    malformed.longBy = 7;
    plan.malformResult(malformed);
    int32_t status = 0;
    plan.failCall(host::Operation::FetchRow, status);
    plan.failCall(host::Operation::FetchRow, status);
    plan.failHandle(host::ObjectKind::Plan);

    Writer w;
    host::remote::FaultPlanCodec::write(w, plan);
    Reader r(w.bytes());
    host::FaultPlan copy;
    host::remote::FaultPlanCodec::read(r, copy);
    ASSERT_TRUE(r.atEnd());
    EXPECT_EQ(copy.calls(host::Operation::FetchRow), 2u);
    EXPECT_TRUE(copy.failCall(host::Operation::FetchRow, status));
    EXPECT_EQ(status, 99);
    EXPECT_TRUE(copy.failHandle(host::ObjectKind::Plan));
    EXPECT_EQ(copy.injected(), 2u);
    ASSERT_EQ(copy.resultFaults().size(), 1u);
    EXPECT_EQ(copy.resultFaults()[0].statement, host::StatementKind::Detail);
    EXPECT_EQ(copy.resultFaults()[0].longBy, 7);

    // As the host's interceptor: the state goes out whole, and bytes that
    // are no plan are refused without touching the plan there.
    host::FaultPlan there;
    ASSERT_TRUE(there.takeState(plan.travellingState()));
    EXPECT_EQ(there.calls(host::Operation::FetchRow), 2u);
    std::vector<uint8_t> cut = plan.travellingState();
    cut.pop_back();
    EXPECT_FALSE(there.takeState(cut));
    EXPECT_EQ(there.calls(host::Operation::FetchRow), 2u);
    const uint64_t before = plan.calls(host::Operation::FetchRow);
    plan.takeCounts({1, 2, 3});
    EXPECT_EQ(plan.calls(host::Operation::FetchRow), before) << "malformed counts are not taken";

    // The counts alone come back after a call.
    Writer counts;
    host::remote::FaultPlanCodec::writeCounts(counts, copy);
    Reader back(counts.bytes());
    host::remote::FaultPlanCodec::readCounts(back, plan);
    EXPECT_EQ(plan.calls(host::Operation::FetchRow), 3u);
    EXPECT_EQ(plan.injected(), 2u);
}

class Pipe {
public:
    Pipe() { EXPECT_EQ(::pipe(fds_), 0); }
    ~Pipe() {
        closeWriter();
        closeReader();
    }
    int reader() const { return fds_[0]; }
    void closeReader() {
        if (fds_[0] >= 0) ::close(fds_[0]);
        fds_[0] = -1;
    }
    int writer() const { return fds_[1]; }
    void closeWriter() {
        if (fds_[1] >= 0) ::close(fds_[1]);
        fds_[1] = -1;
    }

private:
    int fds_[2] = {-1, -1};
};

TEST(Channel, MessagesArriveWholeAndInOrderAndTheEndIsToldFromABreak) {
    Pipe pipe;
    Channel in(pipe.reader(), -1);
    // More than a pipe holds: the sender runs beside the reader.
    std::thread sender([&pipe] {
        Channel out(-1, pipe.writer());
        for (uint32_t i = 0; i < 3000; ++i) {
            Writer w;
            w.u32(i);
            w.text(std::string(i % 50, 'x'));
            EXPECT_TRUE(out.send(static_cast<uint8_t>(i % 200), w));
        }
        Writer big;
        big.raw(std::string(200000, 'b').data(), 200000);
        EXPECT_TRUE(out.send(7, big));
        EXPECT_TRUE(out.flush());
        pipe.closeWriter();
    });
    uint8_t type = 0;
    std::vector<uint8_t> payload;
    bool whole = true;
    for (uint32_t i = 0; i < 3000 && whole; ++i) {
        whole = in.receive(type, payload) == Channel::Got::Message;
        Reader r(payload);
        EXPECT_EQ(type, i % 200);
        EXPECT_EQ(r.u32(), i);
        EXPECT_EQ(r.text().size(), i % 50);
    }
    EXPECT_TRUE(whole);
    EXPECT_EQ(in.receive(type, payload), Channel::Got::Message);
    EXPECT_EQ(payload.size(), 200000u);
    EXPECT_EQ(in.receive(type, payload), Channel::Got::End);
    // A reader that gave up early lets the sender fail instead of wait.
    pipe.closeReader();
    sender.join();

    // A stream that ends inside a message, or a length out of bounds.
    for (const std::vector<uint8_t>& bytes :
         {std::vector<uint8_t>{9, 0, 0, 0, 1, 2}, std::vector<uint8_t>{0, 0, 0, 0x7F, 1}}) {
        Pipe broken;
        ASSERT_EQ(::write(broken.writer(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        broken.closeWriter();
        Channel cut(broken.reader(), -1);
        EXPECT_EQ(cut.receive(type, payload), Channel::Got::Broken);
    }
}

// ZRX.so in the Linux module host, on the demo enterprise.
class InModuleHost : public testing::Test {
protected:
    void SetUp() override {
        std::string error;
        snapshot_ = host::sql::Snapshot::createInMemory(error);
        ASSERT_TRUE(snapshot_ && snapshot_->exec(scenarios::demoEnterpriseSql(), error)) << error;
        source_ = std::make_unique<host::SnapshotSource>(*snapshot_);
        host_.setDataSource(source_.get());
        module_ = host::remote::loadInModuleHost(moduleHost(), ZRX_MODULE_FILE, error);
        ASSERT_NE(module_, nullptr) << error;
        ASSERT_NE(module_->process, nullptr);
    }
    host::SessionRun report(const host::Module& module, host::Host& h) {
        host::SessionOptions options;
        options.predicates = zrxtest::HostFixture::report();
        host::Session s(h, module, options);
        return host::runSession(s);
    }

    std::unique_ptr<host::sql::Snapshot> snapshot_;
    std::unique_ptr<host::SnapshotSource> source_;
    host::Host host_;
    std::unique_ptr<host::Module> module_;
};

TEST_F(InModuleHost, AFaultPlanArmedHereTakesEffectThereAndItsCountsComeBack) {
    host::faults(host_).failCall(host::Operation::CreatePath, 1, 12);
    const host::SessionRun failed = report(*module_, host_);
    EXPECT_EQ(failed.start, zrx::entry::requestFailed);
    EXPECT_EQ(host::faults(host_).injected(), 1u);
    EXPECT_EQ(host::faults(host_).calls(host::Operation::CreatePath), 1u);
    EXPECT_EQ(host_.storageOutstanding(), 0u);

    host::faults(host_).clear();
    host_.clearStatements();
    const host::SessionRun clean = report(*module_, host_);
    EXPECT_EQ(clean.last(), zrx::entry::noMoreRows);
    EXPECT_GE(clean.rows.size(), 5u);
    EXPECT_GE(host_.statements().size(), 5u);
    EXPECT_EQ(host::faults(host_).calls(host::Operation::PutRequestItem), clean.rows.size() + 1);
}

TEST_F(InModuleHost, InterleavedSessionsKeepApartAndASessionDroppedEarlyGivesItsStorageBack) {
    host::SessionOptions options;
    options.predicates = zrxtest::HostFixture::report();
    host::Session a(host_, *module_, options), b(host_, *module_, options);
    ASSERT_EQ(a.start(), 0);
    ASSERT_EQ(b.start(), 0);
    EXPECT_GT(host_.storageOutstanding(), 2 * 64000u);
    while (a.request() == 0) ASSERT_EQ(b.request(), 0);
    EXPECT_EQ(b.request(), zrx::entry::noMoreRows);
    ASSERT_EQ(a.rows().size(), b.rows().size());
    EXPECT_EQ(std::memcmp(a.rows().data(), b.rows().data(), a.rows().size() * sizeof(zrx::MentrenqRow)), 0);
    EXPECT_EQ(a.end(), 0);
    EXPECT_FALSE(a.liveAtEnd().any());
    {
        host::Session dropped(host_, *module_, options);
        ASSERT_EQ(dropped.start(), 0);
    }
    EXPECT_EQ(b.end(), 0);
    EXPECT_EQ(host_.storageOutstanding(), 0u);
}

TEST_F(InModuleHost, AModuleHostThatDiesIsAModuleFailureAndIsNotUsedAgain) {
    auto* process = dynamic_cast<host::remote::ModuleHost*>(module_->process.get());
    ASSERT_NE(process, nullptr);
    ::kill(process->pid(), SIGKILL);
    try {
        report(*module_, host_);
        ADD_FAILURE() << "no failure";
    } catch (const host::ModuleFailure& failure) {
        EXPECT_EQ(std::string(failure.what()),
                  std::string("module ") + ZRX_MODULE_FILE + " failed: its host process ended (killed by signal 9)");
    }
    EXPECT_THROW(report(*module_, host_), host::ModuleFailure);
    // The next load starts a new one.
    std::string error;
    auto again = host::remote::loadInModuleHost(moduleHost(), ZRX_MODULE_FILE, error);
    ASSERT_NE(again, nullptr) << error;
    EXPECT_EQ(report(*again, host_).last(), zrx::entry::noMoreRows);
}

std::string script(const std::string& name, const std::string& body) {
    const std::string path = ::testing::TempDir() + "zrx_" + std::to_string(::getpid()) + "_" + name;
    std::ofstream(path) << "#!/bin/sh\n" << body;
    ::chmod(path.c_str(), 0700);
    return path;
}

TEST(ModuleHostStart, EachWayOfNotStartingIsOneLine) {
    std::string error;
    // Refused there: the line names the file as given, not the copy.
    const std::string text = script("not_a_module", "not a module\n");
    EXPECT_EQ(host::remote::loadInModuleHost(moduleHost(), text, error), nullptr);
    EXPECT_EQ(error, "cannot load module " + text + ": neither an ELF shared object nor a Windows DLL");

    // A program that never says Hello.
    EXPECT_EQ(host::remote::loadInModuleHost({"/bin/true"}, ZRX_MODULE_FILE, error), nullptr);
    EXPECT_EQ(error, std::string("cannot load module ") + ZRX_MODULE_FILE + ": /bin/true: exit status 0");
    EXPECT_EQ(host::remote::loadInModuleHost({"/nonexistent/zrxhost"}, ZRX_MODULE_FILE, error), nullptr);
    EXPECT_EQ(error, std::string("cannot load module ") + ZRX_MODULE_FILE +
                         ": /nonexistent/zrxhost: cannot start /nonexistent/zrxhost: No such file or directory");

    // One that says Hello and ends before it takes the module, and one that
    // takes it and ends before it said whether it loaded.
    const std::string hello = "printf '\\005\\000\\000\\000\\001\\001\\000\\000\\000'\n";
    const std::string quits = script("quits", hello + "exit 0\n");
    EXPECT_EQ(host::remote::loadInModuleHost({quits}, ZRX_MODULE_FILE, error), nullptr);
    EXPECT_EQ(error, std::string("cannot load module ") + ZRX_MODULE_FILE + ": " + quits +
                         ": it ended before it took the module (exit status 0)");
    struct stat module {};
    ASSERT_EQ(::stat(ZRX_MODULE_FILE, &module), 0);
    // Load: length, type, the name and the bytes, each with its length.
    const size_t load = 4 + 1 + 4 + std::strlen(ZRX_MODULE_FILE) + 4 + static_cast<size_t>(module.st_size);
    const std::string takes = script("takes", hello + "head -c " + std::to_string(load) + " >/dev/null\nexit 4\n");
    try {
        host::remote::loadInModuleHost({takes}, ZRX_MODULE_FILE, error);
        ADD_FAILURE() << "no failure";
    } catch (const host::ModuleFailure& failure) {
        EXPECT_EQ(std::string(failure.what()), std::string("module ") + ZRX_MODULE_FILE +
                                                   " failed: its host process ended while loading it (exit status 4)");
    }
    for (const std::string& file : {text, quits, takes}) std::remove(file.c_str());
}

#if !ZRX_PE_LOADER
// Given a DLL, a module host on a host that runs DLLs under Wine would
// start a Windows host of its own: it refuses instead, so that no chain of
// module hosts can grow.
TEST(ModuleHostStart, AModuleHostStartsNoOther) {
    if (std::string(ZRX_WIN32_DLL).empty()) GTEST_SKIP() << "ZRX.dll not built";
    std::string error;
    EXPECT_EQ(host::remote::loadInModuleHost(moduleHost(), ZRX_WIN32_DLL, error), nullptr);
    EXPECT_EQ(error, std::string("cannot load module ") + ZRX_WIN32_DLL +
                         ": a 32-bit Windows DLL, which this mentrenq runs under Wine, but a module host does not "
                         "start another");
}
#endif

} // namespace
