// The input merge: one summary row per resource of an Enqplex, one detail
// row per task, both in arrival order, redundant rows dropped, and what a
// failed creation leaves behind.
#include <gtest/gtest.h>

#include "aggregate/input_merge.h"
#include "aggregate/summary_rows.h"
#include "support/trace_recorder.h"
#include "work_session.h"

namespace {

using aggtest::chain;
using aggtest::setInput;
using aggtest::Started;
using aggtest::Task;
using aggtest::whole;
using zrxtest::TraceRecorder;

class Merge : public ::testing::Test {
protected:
    Merge() {
        aggtest::setEnqplex(s.w, 0, "PLEX0", {"SYSA", "SYSB"});
        aggtest::setEnqplex(s.w, 1, "PLEX1", {"SYSB", "SYSA"});
        s.w->curEnqpI = 0;
    }
    int32_t merge(const Task& t) {
        setInput(s.w, t);
        return zrx::ProcessInput(s.w);
    }
    const zrx::SORow* first(int e = 0) const { return s.w->Enqplxs[e].SOR1st; }

    Started s;
};

TEST_F(Merge, FirstRowOfAnEnqplexGivesItsFirstSummaryAndDetailRow) {
    TraceRecorder trace("none ProcessInput:all");
    ASSERT_EQ(merge({"SYSDSN", "PROD.LOAD", "", "WAITER", "SYSB", "PLXA", 0x21, 0, 40}), 0);
    const zrx::SORow* r = first();
    ASSERT_NE(r, nullptr);
    ASSERT_NE(r->DOR1st, nullptr);
    EXPECT_EQ(r->SORNxt, nullptr);
    EXPECT_EQ(r->DOR1st->DORNxt, nullptr);
    EXPECT_EQ(r->owntaskct, 0);
    EXPECT_EQ(r->waittaskct, 1);
    EXPECT_EQ(r->maxwaittm, 40);
    EXPECT_EQ(r->SysRMask[0], 0x40);
    EXPECT_EQ(s.w->rowsUsed, 2);
    EXPECT_EQ(trace.linesOf("ProcessInput"),
              (std::vector<std::string>{"No 1st SORow, need to get one", "Halfway through ProcessInput Enqplxs[0] is:",
                                        "no 1st DOR for the SOR", "Just prior to updating the SOR, Enqplxs[0] is:"}));
    EXPECT_FALSE(trace.linesOf("logEnqplxs").empty()) << "each line is followed by the Enqplex dump";
    EXPECT_EQ(trace.events().back(), "< ProcessInput = 0");
}

TEST_F(Merge, SameTaskTwiceIsRedundantAndChangesNothing) {
    TraceRecorder trace("none ProcessInput:detail");
    ASSERT_EQ(merge({"SYSDSN", "X", "JOB1", "", "SYSA", "PLXA", 0x20, 1, 5, 0x80}), 0);
    const zrx::SORow before = *first();
    trace.clear();
    // Only the fields outside the redundancy test differ.
    ASSERT_EQ(merge({"SYSDSN", "X", "JOB1", "", "SYSA", "PLXA", 0x20, 0, 500, 0, 1, "OTHER"}), 0);
    const zrx::SORow* r = first();
    EXPECT_EQ(chain(r->DOR1st).size(), 1u);
    EXPECT_EQ(r->owntaskct, 1);
    EXPECT_EQ(r->maxwaittm, 5);
    EXPECT_EQ(r->SORFlag, before.SORFlag) << "the second row's true ownership is not looked at";
    EXPECT_EQ(std::memcmp(r->SysRMask, before.SysRMask, 8), 0);
    EXPECT_EQ(r->DOR1st->waittime, 5);
    EXPECT_EQ(r->DOR1st->type, 1);
    EXPECT_EQ(s.w->rowsUsed, 2);
    EXPECT_EQ(trace.linesOf("ProcessInput"),
              (std::vector<std::string>{"qname/rname match found", "Halfway through ProcessInput Enqplxs[0] is:",
                                        "Current info is redundant"}));
}

TEST_F(Merge, EachDifferenceInTheTaskGivesAnotherDetailRowInArrivalOrder) {
    ASSERT_EQ(merge({"SYSDSN", "X", "JOB1", "", "SYSA", "PLXA", 0x20}), 0);
    TraceRecorder trace("none ProcessInput:detail");
    const Task others[] = {
        {"SYSDSN", "X", "JOB1", "", "SYSA", "PLXA", 0x21},      // another asid
        {"SYSDSN", "X", "", "JOB1", "SYSA", "PLXA", 0x20},      // the same job as waiter
        {"SYSDSN", "X", "JOB1", "", "SYSA", "PLXB", 0x20},      // reported through another PlexHub
        {"SYSDSN", "X", "JOB1", "", "SYSB", "PLXA", 0x20},      // on another System
        {"SYSDSN", "X", "JOB1", "JOB2", "SYSA", "PLXA", 0x20},  // another waiting job
        {"SYSDSN", "X", "JOB1", "", "SYSA", "PLXA", 0x20},      // the first task again
    };
    for (const Task& t : others) ASSERT_EQ(merge(t), 0);
    const zrx::SORow* r = first();
    const auto tasks = chain(r->DOR1st);
    ASSERT_EQ(tasks.size(), 6u) << "the last row repeats the first task";
    EXPECT_EQ(tasks[1]->asid, 0x21);
    EXPECT_EQ(whole(tasks[2]->waitingas), "JOB1    ");
    EXPECT_EQ(whole(tasks[3]->plxname), "PLXB    ");
    EXPECT_EQ(whole(tasks[4]->sysname), "SYSB    ");
    EXPECT_EQ(whole(tasks[5]->waitingas), "JOB2    ");
    EXPECT_EQ(r->owntaskct, 5) << "the task seen through two PlexHubs counts twice";
    EXPECT_EQ(r->waittaskct, 1);
    EXPECT_EQ(r->SysRMask[0], 0xC0);
    EXPECT_EQ(trace.count("No more DORs; need to get a new one"), 5u);
    EXPECT_EQ(trace.count("SORow updated ..."), 5u);
    EXPECT_EQ(trace.count("Current info is redundant"), 1u);
}

TEST_F(Merge, ResourcesAreComparedByteForByteOverTheFullWidth) {
    const std::string minor(255, 'M');
    std::string lastByte = minor;
    lastByte[254] = 'N';
    TraceRecorder trace("none ProcessInput:detail");
    ASSERT_EQ(merge({"SYSDSN", minor, "JOB1", ""}), 0);
    ASSERT_EQ(merge({"SYSDSN", lastByte, "JOB1", ""}), 0);
    ASSERT_EQ(merge({"SYSDSN", "prod.load", "JOB1", ""}), 0);
    ASSERT_EQ(merge({"SYSDSN", "PROD.LOAD", "JOB1", ""}), 0);
    ASSERT_EQ(merge({"SYSDSNX", "PROD.LOAD", "JOB1", ""}), 0);
    ASSERT_EQ(merge({"SYSDSN", "PROD.LOAD", "JOB2", ""}), 0);
    const auto resources = chain(first());
    ASSERT_EQ(resources.size(), 5u);
    EXPECT_EQ(whole(resources[1]->minorname), lastByte);
    EXPECT_EQ(whole(resources[2]->minorname), aggtest::field("prod.load", 255));
    EXPECT_EQ(whole(resources[4]->majorname), "SYSDSNX ");
    EXPECT_EQ(chain(resources[3]->DOR1st).size(), 2u);
    EXPECT_EQ(trace.count("no qname/rname match found"), 4u);
    EXPECT_EQ(trace.count("qname/rname match found"), 1u);
}

TEST_F(Merge, TheSameResourceInTwoEnqplexesHasASummaryRowInEach) {
    ASSERT_EQ(merge({"SYSDSN", "X", "JOB1", "", "SYSA"}), 0);
    s.w->curEnqpI = 1;
    ASSERT_EQ(merge({"SYSDSN", "X", "JOB1", "", "SYSA"}), 0);
    ASSERT_NE(first(0), nullptr);
    ASSERT_NE(first(1), nullptr);
    EXPECT_NE(first(0), first(1));
    EXPECT_EQ(chain(first(0)).size(), 1u);
    EXPECT_EQ(chain(first(1)).size(), 1u);
    EXPECT_EQ(first(0)->SysRMask[0], 0x80) << "SYSA is System 0 of PLEX0";
    EXPECT_EQ(first(1)->SysRMask[0], 0x40) << "and System 1 of PLEX1";
    EXPECT_EQ(s.w->rowsUsed, 4);
}

TEST_F(Merge, AFailedCreationIsReportedAndLeavesTheListsAsTheyWere) {
    TraceRecorder trace("none");
    s.w->rowsUsed = 10000;
    EXPECT_EQ(merge({"SYSDSN", "X", "JOB1", ""}), 1);
    EXPECT_EQ(first(), nullptr);
    EXPECT_TRUE(trace.hasLine("Unable to create new Summary Output Row"));

    // The summary row is created but its detail row is not: it stays
    // without detail rows and without counts.
    s.w->rowsUsed = 9999;
    trace.clear();
    EXPECT_EQ(merge({"SYSDSN", "X", "JOB1", ""}), 1);
    ASSERT_NE(first(), nullptr);
    EXPECT_EQ(first()->DOR1st, nullptr);
    EXPECT_EQ(first()->owntaskct, 0);
    EXPECT_EQ(trace.linesOf("ProcessInput"), std::vector<std::string>{"Unable to create new Detail Output Row"});

    s.w->rowsUsed = 0;
    ASSERT_EQ(merge({"SYSDSN", "X", "JOB1", ""}), 0);
    const zrx::SORow before = *first();
    s.w->rowsUsed = 10000;
    trace.clear();
    EXPECT_EQ(merge({"SYSDSN", "X", "JOB2", ""}), 1);
    EXPECT_EQ(merge({"OTHER", "X", "JOB2", ""}), 1);
    EXPECT_EQ(trace.linesOf("ProcessInput"), (std::vector<std::string>{"Unable to create new Detail Output Row",
                                                                       "Unable to create new Summary Output Row"}));
    EXPECT_EQ(first()->DOR1st->DORNxt, nullptr);
    EXPECT_EQ(first()->SORNxt, nullptr);
    EXPECT_EQ(first()->owntaskct, before.owntaskct);

    auto& faults = host::faults(s.fx.host());
    faults.failCall(host::Operation::GetViewStorage, faults.calls(host::Operation::GetViewStorage) + 1, 9);
    s.w->rowsUsed = 0;
    trace.clear();
    EXPECT_EQ(merge({"OTHER", "X", "JOB2", ""}), 1);
    EXPECT_EQ(trace.lines(), (std::vector<std::string>{"newSORow: No (GetView)Storage for SORow.",
                                                       "ProcessInput: Unable to create new Summary Output Row"}));
}

} // namespace
