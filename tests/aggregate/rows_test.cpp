// Summary and detail rows: creation from the input row, the 10000-row limit
// counted on every request, the flag and mask rules of updateSORow, and the
// two dumps with their exact formats.
#include <gtest/gtest.h>

#include "aggregate/summary_rows.h"
#include "support/trace_recorder.h"
#include "work_session.h"

namespace {

using aggtest::hex8;
using aggtest::setInput;
using aggtest::Started;
using aggtest::Task;
using aggtest::whole;
using host::Operation;
using zrxtest::TraceRecorder;

std::vector<std::string> sorDump(const zrx::SORow* r, const std::string& mask, const std::string& flag,
                                 const std::string& major, const std::string& minor, int own, int wait, int max) {
    return {"Dumping SORow at " + hex8(r),
            "    SysRMask:        " + mask,
            "     SORFlag:        " + flag,
            "    DOR1st:          " + hex8(r->DOR1st),
            "    SORNxt:          " + hex8(r->SORNxt),
            "    majorname:       " + major,
            "    minorname:       " + minor,
            "    owntaskct:       " + std::to_string(own),
            "    waittaskct:      " + std::to_string(wait),
            "    maxwaittm:       " + std::to_string(max)};
}

class Rows : public ::testing::Test {
protected:
    Rows() { aggtest::setEnqplex(s.w, 1, "PLEX1", {"SYSA", "SYSB", "SYSC", "SYSD", "SYSE", "SYSF", "SYSG", "SYSH",
                                                   "SYSI", "SYSJ", "SYSA"}); }
    Started s;
};

TEST_F(Rows, NewSORowTakesTheNamesAndStartsWithNoTrueOwnerSeen) {
    TraceRecorder trace("none newSORow:all");
    setInput(s.w, {"SYSDSN", "PROD.LOAD", "JOB1", "", "SYSA", "PLXA", 0x20, 0, 77, 0});
    const uint64_t before = s.session->storageOutstanding();
    zrx::SORow* r = zrx::newSORow(s.w);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(s.session->storageOutstanding() - before, sizeof(zrx::SORow));
    EXPECT_EQ(s.w->rowsUsed, 1);
    EXPECT_EQ(whole(r->majorname), "SYSDSN  ");
    EXPECT_EQ(whole(r->minorname), aggtest::field("PROD.LOAD", 255));
    EXPECT_EQ(r->SORFlag, 0x40);
    EXPECT_EQ(r->DOR1st, nullptr);
    EXPECT_EQ(r->SORNxt, nullptr);
    EXPECT_EQ(r->owntaskct, 0);
    EXPECT_EQ(r->waittaskct, 0);
    EXPECT_EQ(r->maxwaittm, 0);
    for (uint8_t b : r->SysRMask) EXPECT_EQ(b, 0);

    EXPECT_EQ(trace.linesOf("newSORow"),
              (std::vector<std::string>{"Creating a SORow", "Got SORow storage at " + hex8(r)}));
    EXPECT_EQ(trace.linesOf("logSOR"),
              sorDump(r, "0000000000000000", "0x40", "SYSDSN  ", "PROD.LOAD", 0, 0, 0));
    EXPECT_EQ(trace.events(), (std::vector<std::string>{"> newSORow", "< newSORow = " + aggtest::exitValue(r)}));

    // Without detail trace there is no dump.
    trace.clear();
    trace.setLevels("none");
    ASSERT_NE(zrx::newSORow(s.w), nullptr);
    EXPECT_TRUE(trace.lines().empty());
}

TEST_F(Rows, NewDORowCopiesTheTaskAndMarksItsRole) {
    TraceRecorder trace("none newDORow:all");
    setInput(s.w, {"SYSDSN", "X", "JOB1", "WAITER", "SYSB", "PLXB", 0x1A, 1, -5, 0, -1, "SYSB:AGENT"});
    zrx::DORow* owner = zrx::newDORow(s.w);
    ASSERT_NE(owner, nullptr);
    EXPECT_EQ(owner->DORNxt, nullptr);
    EXPECT_EQ(whole(owner->owningas), "JOB1    ");
    EXPECT_EQ(whole(owner->waitingas), "WAITER  ");
    EXPECT_EQ(whole(owner->sysname), "SYSB    ");
    EXPECT_EQ(whole(owner->plxname), "PLXB    ");
    EXPECT_EQ(whole(owner->originnode), aggtest::field("SYSB:AGENT", 32));
    EXPECT_EQ(owner->swapped, -1);
    EXPECT_EQ(owner->type, 1);
    EXPECT_EQ(owner->asid, 0x1A);
    EXPECT_EQ(owner->waittime, -5);
    EXPECT_EQ(owner->enqpflag, 0);
    EXPECT_EQ(owner->trueowner, static_cast<int8_t>(0x80)) << "an owner with bit 0x80 clear";
    EXPECT_EQ(trace.linesOf("newDORow"),
              (std::vector<std::string>{"Creating a DORow", "Got DORow storage at " + hex8(owner)}));
    EXPECT_EQ(trace.linesOf("logDOR"),
              (std::vector<std::string>{"   Dumping DORow at " + hex8(owner),
                                        "       DORNxt:             0",
                                        "       owningas:   JOB1    ",
                                        "       waitingas:  WAITER  ",
                                        "       sysname:    SYSB    ",
                                        "       plxname:    PLXB    ",
                                        "       swapped:    0xFFFFFFFF",
                                        "       type:       0x1",
                                        "       asid:       0x  1A",
                                        "       waittime:   -5",
                                        "    originnode:    SYSB:AGENT                      ",
                                        "       enqpflag:   0x0",
                                        "      trueowner:   0xFFFFFF80"}));

    const struct {
        const char* owner;
        int enqpflag;
        int8_t mark;
    } roles[] = {{"JOB1", 0x80, 0}, {"JOB1", 0x7F, static_cast<int8_t>(0x80)}, {"", 0x80, 0x40}, {"", 0, 0x40}};
    trace.clear();
    for (const auto& role : roles) {
        setInput(s.w, {"SYSDSN", "X", role.owner, "W", "SYSB", "PLXB", 1, 0, 0, role.enqpflag});
        zrx::DORow* d = zrx::newDORow(s.w);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->trueowner, role.mark) << role.owner << " " << role.enqpflag;
        EXPECT_EQ(d->enqpflag, static_cast<int8_t>(role.enqpflag));
    }
    const auto dumps = trace.linesOf("logDOR");
    ASSERT_EQ(dumps.size(), 4u * 13u);
    EXPECT_EQ(dumps[11], "       enqpflag:   0xFFFFFF80");
    EXPECT_EQ(dumps[12], "      trueowner:   0x0");
    EXPECT_EQ(dumps[51], "      trueowner:   0x40");
    EXPECT_EQ(s.w->rowsUsed, 5);
}

TEST_F(Rows, UpdateSORowCountsTasksAndFollowsTheFlagRules) {
    s.w->curEnqpI = 1;
    setInput(s.w, {"SYSDSN", "X", "", "W1", "SYSC"});
    zrx::SORow* r = zrx::newSORow(s.w);
    ASSERT_NE(r, nullptr);

    struct Step {
        Task task;
        uint8_t flag;
        int own, wait, max;
    };
    const Step steps[] = {
        // A waiter never changes the flag; a negative wait time never raises the maximum.
        {{"SYSDSN", "X", "", "W1", "SYSC", "PLXA", 1, 0, -3, 0}, 0x40, 0, 1, 0},
        // An owner that is not the true owner changes neither bit.
        {{"SYSDSN", "X", "O1", "", "SYSC", "PLXA", 2, 0, 9, 0x80}, 0x40, 1, 1, 9},
        // A shared true owner clears 0x40 only.
        {{"SYSDSN", "X", "O2", "", "SYSC", "PLXA", 3, 1, 4, 0x01}, 0x00, 2, 1, 9},
        // An exclusive true owner sets 0x20.
        {{"SYSDSN", "X", "O3", "", "NOSYS", "PLXA", 4, 0, 12, 0}, 0x20, 3, 1, 12},
        // A later waiter leaves 0x20 set.
        {{"SYSDSN", "X", "", "W2", "SYSC", "PLXA", 5, 0, 10, 0x80}, 0x20, 3, 2, 12},
    };
    for (const Step& step : steps) {
        setInput(s.w, step.task);
        zrx::updateSORow(r, s.w);
        EXPECT_EQ(r->SORFlag, step.flag) << step.task.owner << step.task.waiter;
        EXPECT_EQ(r->owntaskct, step.own);
        EXPECT_EQ(r->waittaskct, step.wait);
        EXPECT_EQ(r->maxwaittm, step.max);
    }
    // Only SYSC, System 2, was matched: the unknown System set no bit.
    EXPECT_EQ(r->SysRMask[0], 0x20);
    for (int i = 1; i < 8; ++i) EXPECT_EQ(r->SysRMask[i], 0);
}

TEST_F(Rows, SysRMaskBitsRunFromTheHighBitOfByteZeroAndEveryMatchCounts) {
    TraceRecorder trace("none updateSORow:all");
    s.w->curEnqpI = 1;
    setInput(s.w, {"SYSDSN", "", "O1", "", "SYSJ"});
    zrx::SORow* r = zrx::newSORow(s.w);
    ASSERT_NE(r, nullptr);
    zrx::updateSORow(r, s.w); // System 9
    setInput(s.w, {"SYSDSN", "", "O2", "", "SYSA"});
    zrx::updateSORow(r, s.w); // Systems 0 and 10 share the name
    EXPECT_EQ(r->SysRMask[0], 0x80);
    EXPECT_EQ(r->SysRMask[1], 0x60);

    trace.clear();
    setInput(s.w, {"SYSDSN", "", "O3", "", "SYSH"});
    zrx::updateSORow(r, s.w); // System 7
    const auto lines = trace.linesOf("updateSORow");
    ASSERT_EQ(lines, std::vector<std::string>{"Updating SORow at " + hex8(r)});
    EXPECT_EQ(trace.linesOf("logSOR"), sorDump(r, "8160000000000000", "0x20", "SYSDSN  ", "", 3, 0, 0))
        << "all-blank minor name prints empty";

    // Systems 0 and 9 alone give the documented mask.
    s.w->curEnqpI = 1;
    setInput(s.w, {"Q", "", "O1", "", "SYSB"});
    zrx::SORow* other = zrx::newSORow(s.w);
    ASSERT_NE(other, nullptr);
    std::memset(other->SysRMask, 0, 8);
    other->SysRMask[0] = 0x80;
    other->SysRMask[1] = 0x40;
    trace.clear();
    zrx::logSOR(other, s.w);
    EXPECT_EQ(trace.linesOf("logSOR")[1], "    SysRMask:        8040000000000000");
    EXPECT_EQ(trace.linesOf("logSOR")[5], "    majorname:       Q       ");
}

TEST_F(Rows, TheTenThousandAndFirstRequestFailsWithStorageAvailable) {
    TraceRecorder trace("none");
    setInput(s.w, {"SYSDSN", "X", "JOB1", ""});
    for (int i = 0; i < 10000; ++i) {
        void* row = i % 2 ? static_cast<void*>(zrx::newSORow(s.w)) : static_cast<void*>(zrx::newDORow(s.w));
        ASSERT_NE(row, nullptr) << i;
    }
    EXPECT_TRUE(trace.lines().empty());
    const uint64_t storage = s.session->storageOutstanding();
    const uint64_t calls = host::faults(s.fx.host()).calls(Operation::GetViewStorage);

    EXPECT_EQ(zrx::newSORow(s.w), nullptr);
    EXPECT_EQ(zrx::newDORow(s.w), nullptr);
    EXPECT_EQ(zrx::newDORow(s.w), nullptr);
    EXPECT_EQ(trace.lines(), (std::vector<std::string>{"newSORow: All available 10000 output rows used",
                                                       "newDORow: All available 10000 output rows used",
                                                       "newDORow: All available 10000 output rows used"}));
    EXPECT_EQ(s.w->rowsUsed, 10003);
    EXPECT_EQ(s.session->storageOutstanding(), storage);
    EXPECT_EQ(host::faults(s.fx.host()).calls(Operation::GetViewStorage), calls);
}

TEST(RowLimit, RequestsThatFailOnStorageCountTowardsTheLimit) {
    TraceRecorder trace("none");
    Started s("", host::SessionOptions{{}, "SRVR01:CMS", sizeof(zrx::workA) + 2 * sizeof(zrx::SORow)});
    ASSERT_EQ(s.session->storageOutstanding(), sizeof(zrx::workA));
    setInput(s.w, {"SYSDSN", "X", "JOB1", ""});
    EXPECT_NE(zrx::newSORow(s.w), nullptr);
    EXPECT_NE(zrx::newSORow(s.w), nullptr);
    EXPECT_EQ(zrx::newDORow(s.w), nullptr);
    EXPECT_TRUE(trace.lines().empty()) << "a detail row refused storage writes nothing";
    for (int i = 3; i < 10000; ++i) EXPECT_EQ(zrx::newSORow(s.w), nullptr);
    EXPECT_EQ(trace.count("No (GetView)Storage for SORow."), 9997u);
    EXPECT_EQ(host::faults(s.fx.host()).calls(Operation::GetViewStorage), 10000u);

    trace.clear();
    EXPECT_EQ(zrx::newSORow(s.w), nullptr);
    EXPECT_EQ(trace.lines(), std::vector<std::string>{"newSORow: All available 10000 output rows used"});
    EXPECT_EQ(host::faults(s.fx.host()).calls(Operation::GetViewStorage), 10000u) << "no storage asked for";

    // Any nonzero status is a failure, 2 included.
    Started checked;
    setInput(checked.w, {"SYSDSN", "X", "JOB1", ""});
    trace.clear();
    host::faults(checked.fx.host()).failCall(Operation::GetViewStorage, 1, 2);
    EXPECT_EQ(zrx::newSORow(checked.w), nullptr);
    EXPECT_EQ(trace.lines(), std::vector<std::string>{"newSORow: No (GetView)Storage for SORow."});
    EXPECT_EQ(checked.w->rowsUsed, 1);
}

} // namespace
