// The contention row fetchers against the real host: every field of the
// input row, nulls, shapes the host gets wrong, owners and waiters, and the
// exact lines they trace.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "testing/fault_plan.h"
#include "query/contention_fetch.h"
#include "query_fixture.h"
#include "zrx/status.h"

using zrx::fetch::endOfData;

namespace {

using host::Operation;
using host::ResultFault;
using host::StatementKind;
using querytest::QueryFixture;
using zrx::InputRow;
using Lines = std::vector<std::string>;

template <size_t N>
void put(char (&field)[N], const std::string& text) {
    std::memset(field, ' ', N);
    std::memcpy(field, text.data(), std::min(N, text.size()));
}

// The input row before any column is copied; padding zero as the session
// start left it.
InputRow initialRow() {
    InputRow r;
    std::memset(&r, 0, sizeof r);
    put(r.majorname, "");
    put(r.minorname, "");
    put(r.owningas, "");
    put(r.waitingas, "");
    put(r.sysname, "");
    put(r.report, "");
    put(r.originnode, "");
    put(r.plxname, "");
    return r;
}

// The first summary row of the scenario below.
InputRow parmlibSummary() {
    InputRow r = initialRow();
    put(r.majorname, "SYSDSN");
    put(r.minorname, "SYS1.PARMLIB");
    r.owntaskct = 2;
    r.waittaskct = 3;
    r.maxwaittm = 45;
    put(r.owningas, "JOBOWN");
    put(r.sysname, "SYSA");
    r.swapped = 1;
    r.type = 1;
    r.asid = 0x1F;
    r.waittime = 120;
    put(r.report, "YES");
    put(r.originnode, "PLXA:HUB");
    r.enqpflag = static_cast<int8_t>(0x80);
    put(r.plxname, "PLXA");
    return r;
}

// A detail row of the scenario below, as the fetcher leaves it.
InputRow detailRow(const std::string& owner, const std::string& waiter, const std::string& sys, int type,
                   int asid, int waittime, int enqpflag) {
    InputRow r = initialRow();
    put(r.majorname, "SYSDSN");
    put(r.minorname, "SYS1.PARMLIB");
    put(r.owningas, owner);
    put(r.waitingas, waiter);
    put(r.sysname, sys);
    r.type = static_cast<int8_t>(type);
    r.asid = static_cast<uint16_t>(asid);
    r.waittime = waittime;
    r.enqpflag = static_cast<int8_t>(enqpflag);
    put(r.plxname, "PLXA");
    return r;
}

MATCHER_P(SameRow, expected, "") {
    return std::memcmp(&arg, &expected, sizeof(InputRow)) == 0;
}


class ContentionFetch : public QueryFixture {
protected:
    void SetUp() override {
        auto b = querytest::baseEnterprise();
        b.raw("INSERT INTO MGLBLENQ VALUES('PLXATHRU','SYSDSN','SYS1.PARMLIB',2,3,45,'JOBOWN','','SYSA',"
              "1,1,31,120,'YES','PLXA:HUB',128);");
        b.raw("INSERT INTO MGLBLENQ VALUES('PLXATHRU','SPFEDIT',NULL,NULL,7,NULL,'','JOBWAIT','SYSB',"
              "NULL,NULL,NULL,NULL,NULL,NULL,NULL);");
        b.resource("SYSATHRU", 1, "SYSDSN", "SYS1.PARMLIB").resource("SYSATHRU", 2, "SYSDSN", "OTHER");
        b.task("SYSATHRU", {1, true, "JOBA", "SYSA", 0, 0x21, 0, 0x80, 0});
        b.task("SYSATHRU", {1, false, "JOBB", "SYSB", 1, 0x22, 30, 0, 0});
        b.task("SYSATHRU", {2, true, "JOBX", "SYSA", 0, 0x23, 0, 0, 0});
        // STATUS is told by its first byte only: 0x101 owns, 0x100 waits.
        b.raw("INSERT INTO ENQ_TASKS VALUES('SYSATHRU',1,257,'JOBC',0,0,36,'SYSC',0,0);");
        b.raw("INSERT INTO ENQ_TASKS VALUES('SYSATHRU',1,256,'JOBD',0,0,37,'SYSD',5,0);");
        startOn(b);
    }

    void fillInputRow(char c) { std::memset(&w->inputRow, c, sizeof w->inputRow); }
    void malform(ResultFault f) { faults().malformResult(f); }
};

TEST_F(ContentionFetch, SummaryRowFillsEveryFieldAndIsDumped) {
    defineSummary();
    ASSERT_EQ(zrx::createReq(w), 0);
    trace.clear();
    ASSERT_EQ(zrx::fetchMglblenq(w), 0);
    EXPECT_THAT(w->inputRow, SameRow(parmlibSummary()));
    EXPECT_EQ(trace.linesOf("fetchMglblenq"), (Lines{"fetchMglblenq fetch MGLBLENQ row sqlStatus(0)"}));
    EXPECT_EQ(trace.linesOf("logRow"),
              (Lines{"Dump requested for MGLBLENQ row",
                     "    majorname  = SYSDSN  ",
                     "    minorname  = " + zrxtest::field("SYS1.PARMLIB", 255),
                     "    owntaskct = 2",
                     "    waittaskct = 3",
                     "    maxwaittm  = 45",
                     "    owningas  = JOBOWN  ",
                     "    waitingas  =         ",
                     "    sysname  = SYSA    ",
                     "    swapped  = 0x1",
                     "    type     = 0x1",
                     "    asid     = 0x  1F",
                     "    waittime = 120",
                     "    report     = YES",
                     "    originnode = " + zrxtest::field("PLXA:HUB", 32),
                     "    enqpflag = 0xFFFFFF80",
                     "     plxname  = PLXA    "}));
}

TEST_F(ContentionFetch, NullColumnsKeepTheInitialValuesNotThePreviousRow) {
    defineSummary();
    ASSERT_EQ(zrx::createReq(w), 0);
    ASSERT_EQ(zrx::fetchMglblenq(w), 0);
    ASSERT_EQ(zrx::fetchMglblenq(w), 0);
    InputRow expected = initialRow();
    put(expected.majorname, "SPFEDIT");
    expected.waittaskct = 7;
    put(expected.waitingas, "JOBWAIT");
    put(expected.sysname, "SYSB");
    put(expected.plxname, "PLXA");
    EXPECT_THAT(w->inputRow, SameRow(expected));
}

TEST_F(ContentionFetch, EndOfDataLeavesTheInitialRow) {
    defineSummary();
    ASSERT_EQ(zrx::createReq(w), 0);
    ASSERT_EQ(zrx::fetchMglblenq(w), 0);
    ASSERT_EQ(zrx::fetchMglblenq(w), 0);
    trace.clear();
    EXPECT_EQ(zrx::fetchMglblenq(w), endOfData);
    EXPECT_THAT(w->inputRow, SameRow(initialRow()));
    EXPECT_EQ(trace.linesOf("fetchMglblenq"),
              (Lines{"fetchMglblenq fetch MGLBLENQ row sqlStatus(514)", "fetchMglblenq EOD MGLBLENQ"}));
    EXPECT_TRUE(trace.linesOf("logRow").empty());
    EXPECT_EQ(trace.events().back(), "< fetchMglblenq = 514");
}

TEST_F(ContentionFetch, RowIsNotDumpedWithoutDetailTrace) {
    defineSummary();
    ASSERT_EQ(zrx::createReq(w), 0);
    trace.setLevels("none");
    trace.clear();
    ASSERT_EQ(zrx::fetchMglblenq(w), 0);
    EXPECT_THAT(w->inputRow, SameRow(parmlibSummary()));
    EXPECT_TRUE(trace.lines().empty());
}

TEST_F(ContentionFetch, MissingSlotEndsLikeEndOfDataAndLeavesTheRow) {
    defineSummary();
    ASSERT_EQ(zrx::createReq(w), 0);
    fillInputRow('Q');
    const InputRow before = w->inputRow;
    trace.clear();
    EXPECT_EQ(zrx::fetchEnqStuff(w), endOfData);
    EXPECT_EQ(trace.linesOf("fetchEnqStuff"), (Lines{"fetchEnqStuff error ENQSTUFF table missing"}));
    EXPECT_EQ(calls(Operation::FetchRow), 0u);
    EXPECT_THAT(w->inputRow, SameRow(before));
}

TEST_F(ContentionFetch, HostFailureIsPassedOnWithTheInitialRow) {
    defineSummary();
    ASSERT_EQ(zrx::createReq(w), 0);
    faults().failCall(Operation::FetchRow, 1, 33);
    trace.setLevels("fetchMglblenq:error");
    w->inputRow = parmlibSummary();
    EXPECT_EQ(zrx::fetchMglblenq(w), 33);
    EXPECT_EQ(trace.linesOf("fetchMglblenq"), (Lines{"fetchMglblenq error MGLBLENQ sqlStatus(33)"}));
    EXPECT_THAT(w->inputRow, SameRow(initialRow()));
    // The failed call took no row.
    EXPECT_EQ(zrx::fetchMglblenq(w), 0);
    EXPECT_THAT(w->inputRow, SameRow(parmlibSummary()));
}

TEST_F(ContentionFetch, WrongColumnCountIsRefusedBeforeAnyCopy) {
    malform({StatementKind::Summary, 0, -1});
    defineSummary();
    ASSERT_EQ(zrx::createReq(w), 0);
    trace.setLevels("fetchMglblenq:error");
    EXPECT_EQ(zrx::fetchMglblenq(w), 8);
    EXPECT_EQ(trace.linesOf("fetchMglblenq"),
              (Lines{"fetchMglblenq unexpected column count MGLBLENQ: expected(15), got(14)"}));
    EXPECT_THAT(w->inputRow, SameRow(initialRow()));
    EXPECT_TRUE(trace.linesOf("logRow").empty());
}

TEST_F(ContentionFetch, ExtraColumnIsRefusedToo) {
    malform({StatementKind::Detail, 0, 1});
    defineDetail("SYSDSN", "SYS1.PARMLIB");
    ASSERT_EQ(zrx::createReq(w), 0);
    EXPECT_EQ(zrx::fetchEnqStuff(w), 8);
    EXPECT_TRUE(trace.hasLine("fetchEnqStuff unexpected column count ENQSTUFF: expected(10), got(11)"));
}

TEST_F(ContentionFetch, DetailRowsNameTheirTaskAsOwnerOrWaiterByTheStatusFirstByte) {
    defineDetail("SYSDSN", "SYS1.PARMLIB");
    ASSERT_EQ(zrx::createReq(w), 0);
    ASSERT_EQ(zrx::fetchEnqStuff(w), 0);
    EXPECT_THAT(w->inputRow, SameRow(detailRow("JOBA", "", "SYSA", 0, 0x21, 0, 0x80)));
    ASSERT_EQ(zrx::fetchEnqStuff(w), 0);
    EXPECT_THAT(w->inputRow, SameRow(detailRow("", "JOBB", "SYSB", 1, 0x22, 30, 0)));
    ASSERT_EQ(zrx::fetchEnqStuff(w), 0);
    EXPECT_THAT(w->inputRow, SameRow(detailRow("JOBC", "", "SYSC", 0, 36, 0, 0)));
    ASSERT_EQ(zrx::fetchEnqStuff(w), 0);
    EXPECT_THAT(w->inputRow, SameRow(detailRow("", "JOBD", "SYSD", 0, 37, 5, 0)));
    EXPECT_EQ(zrx::fetchEnqStuff(w), endOfData);
    EXPECT_TRUE(trace.hasLine("fetchEnqStuff EOD ENQSTUFF"));
    EXPECT_EQ(trace.count("Dump requested for ENQSTUFF row"), 4u);
}

TEST_F(ContentionFetch, OverLongSummaryValuesAreCutAtTheirFields) {
    // MINORNAME runs past its field into padding; ORIGINNODE too, with the
    // next column null, so that nothing but the cut keeps ENQPFLAG at 0.
    malform({StatementKind::Summary, 0, 0, 1, 10});
    malform({StatementKind::Summary, 0, 0, 13, 5, 14});
    defineSummary();
    ASSERT_EQ(zrx::createReq(w), 0);
    ASSERT_EQ(zrx::fetchMglblenq(w), 0);
    InputRow expected = parmlibSummary();
    expected.enqpflag = 0;
    EXPECT_THAT(w->inputRow, SameRow(expected));
    const auto* after = reinterpret_cast<const unsigned char*>(&w->outputRow);
    EXPECT_EQ(std::count(after, after + sizeof w->outputRow, 0), static_cast<long>(sizeof w->outputRow));
    EXPECT_EQ(faults().injected(), 2u);

    // The last column, alone past its width.
    zrx::Drop_SQL(w);
    faults().clear();
    malform({StatementKind::Summary, 0, 0, 14, 40});
    defineSummary();
    ASSERT_EQ(zrx::createReq(w), 0);
    ASSERT_EQ(zrx::fetchMglblenq(w), 0);
    EXPECT_THAT(w->inputRow, SameRow(parmlibSummary()));
    EXPECT_EQ(std::count(after, after + sizeof w->outputRow, 0), static_cast<long>(sizeof w->outputRow));
}

TEST_F(ContentionFetch, OverLongDetailValuesAreCutAtTheirFieldsAndLocals) {
    malform({StatementKind::Detail, 0, 0, 2, 6});  // STATUS
    malform({StatementKind::Detail, 0, 0, 3, 30}); // JOBNAME
    malform({StatementKind::Detail, 0, 0, 7, 4});  // SYSNAME, before swapped, type, asid
    defineDetail("SYSDSN", "SYS1.PARMLIB");
    ASSERT_EQ(zrx::createReq(w), 0);
    ASSERT_EQ(zrx::fetchEnqStuff(w), 0);
    EXPECT_THAT(w->inputRow, SameRow(detailRow("JOBA", "", "SYSA", 0, 0x21, 0, 0x80)));
    ASSERT_EQ(zrx::fetchEnqStuff(w), 0);
    EXPECT_THAT(w->inputRow, SameRow(detailRow("", "JOBB", "SYSB", 1, 0x22, 30, 0)));
}

TEST_F(ContentionFetch, NullStatusOrJobnameLeavesAWaiterOrABlankName) {
    // A null STATUS on the first row: its owner JOBA is taken for a waiter.
    malform({StatementKind::Detail, 1, 0, -1, 0, 2});
    // A null JOBNAME on the third row: an owner without a name.
    malform({StatementKind::Detail, 3, 0, -1, 0, 3});
    defineDetail("SYSDSN", "SYS1.PARMLIB");
    ASSERT_EQ(zrx::createReq(w), 0);
    ASSERT_EQ(zrx::fetchEnqStuff(w), 0);
    EXPECT_THAT(w->inputRow, SameRow(detailRow("", "JOBA", "SYSA", 0, 0x21, 0, 0x80)));
    ASSERT_EQ(zrx::fetchEnqStuff(w), 0);
    EXPECT_THAT(w->inputRow, SameRow(detailRow("", "JOBB", "SYSB", 1, 0x22, 30, 0)));
    ASSERT_EQ(zrx::fetchEnqStuff(w), 0);
    EXPECT_THAT(w->inputRow, SameRow(detailRow("", "", "SYSC", 0, 36, 0, 0)));
}

TEST_F(ContentionFetch, LogRowWritesWhateverTheLevelForEachTableName) {
    put(w->inodeRow.node, "PLXA:HUB");
    put(w->inodeRow.thrunode, "PLXATHRU");
    trace.setLevels("none");
    zrx::logRow("INODESTS", w);
    zrx::logRow("MENTRENQ", w);
    zrx::logRow("SYSPLEX", w);
    EXPECT_EQ(trace.linesOf("logRow"),
              (Lines{"Dump requested for INODESTS row",
                     "    node       = " + zrxtest::field("PLXA:HUB", 32),
                     "    thrunode   = " + zrxtest::field("PLXATHRU", 32),
                     "Dump requested for MENTRENQ row",
                     "Call logRowMENTRENQ",
                     "Dump requested for SYSPLEX row",
                     "Dump requested for unknown table SYSPLEX"}));

    trace.clear();
    w->inputRow = initialRow();
    w->inputRow.swapped = -1;
    w->inputRow.asid = 0xFFFF;
    zrx::logRow("ENQSTUFF", w);
    const Lines lines = trace.linesOf("logRow");
    ASSERT_EQ(lines.size(), 17u);
    EXPECT_EQ(lines[0], "Dump requested for ENQSTUFF row");
    EXPECT_EQ(lines[1], "    majorname  =         ");
    EXPECT_EQ(lines[9], "    swapped  = 0xFFFFFFFF");
    EXPECT_EQ(lines[10], "    type     = 0x0");
    EXPECT_EQ(lines[11], "    asid     = 0xFFFF");
    EXPECT_EQ(lines[15], "    enqpflag = 0x0");
}

TEST_F(ContentionFetch, DumpmemcShowsGroupsOf32WithControlBytesMarked) {
    std::string bytes = "0123456789ABCDEFGHIJKLMNOPQRSTU";
    bytes += '\t';
    bytes += std::string("ab\0cd\x0D\x06z", 8);
    trace.setLevels("none");
    zrx::dumpmemc(bytes.data(), static_cast<int32_t>(bytes.size()));
    EXPECT_EQ(trace.linesOf("dumpmemc"),
              (Lines{"  off .........|.........|.........|..  ",
                     " 0000 0123456789ABCDEFGHIJKLMNOPQRSTU. ?",
                     " 0020 ab.cd.\x06z" + std::string(25, ' ') + "?",
                     "      .........|.........|.........|..  "}));

    trace.clear();
    zrx::dumpmemc("plain", 5);
    zrx::dumpmemc("", 0);
    EXPECT_EQ(trace.linesOf("dumpmemc"),
              (Lines{"  off .........|.........|.........|..  ", " 0000 plain" + std::string(29, ' '),
                     "      .........|.........|.........|..  ",
                     "  off .........|.........|.........|..  ",
                     "      .........|.........|.........|..  "}));
}

} // namespace
