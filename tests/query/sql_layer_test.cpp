// The two SQL slots against the real host: their states through createReq,
// Drop_SQLii and Drop_SQL, what the host is asked in which order, the exact
// trace lines, and the lookups by table name.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "frame/host_services.h"
#include "query/sql_texts.h"
#include "query_fixture.h"
#include "zrx/status.h"

using zrx::fetch::endOfData;

namespace {

using host::ObjectKind;
using host::Operation;
using querytest::hex;
using querytest::QueryFixture;
using Lines = std::vector<std::string>;

class SqlLayer : public QueryFixture {
protected:
    void SetUp() override {
        startOn(querytest::baseEnterprise().member("PLXATHRU", "SYSA", "PLEX1").member("PLXATHRU", "SYSB", "PLEX1"));
    }

    // The outer PlexHub query open in slot 0, the member query defined in
    // slot 1, as discovery has them before it prepares the inner query.
    void openOuterDefineInner() {
        definePlexHubs();
        ASSERT_EQ(zrx::createReq(w), 0);
        ASSERT_EQ(slot(0).state, 0x8Eu);
        defineMembers();
        ASSERT_EQ(slot(1).state, 0x81u);
    }

    std::vector<uint64_t> dropCalls() {
        return {calls(Operation::CloseRequest), calls(Operation::DropRequest), calls(Operation::DropPlan)};
    }
};

TEST_F(SqlLayer, SlotGoesFromFreeThroughOpenToDefinedAndRunsItsQueryAnew) {
    EXPECT_EQ(slot(0).state, 0u);
    definePlexHubs();
    EXPECT_EQ(slot(0).state, 0x81u);
    EXPECT_STREQ(slot(0).tblName, "INODESTS");
    EXPECT_EQ(slot(0).sqlStmt, w->sqlText);
    EXPECT_EQ(slot(0).colCnt, 2);

    ASSERT_EQ(zrx::createReq(w), 0);
    EXPECT_EQ(slot(0).state, 0x8Eu);
    EXPECT_EQ(slot(0).planCnt, 1);
    EXPECT_EQ(slot(0).cursorLst, &slot(0).curHdl);
    EXPECT_NE(slot(0).inSQLDA, nullptr);
    ASSERT_NE(slot(0).outSQLDA, nullptr);
    EXPECT_EQ(slot(1).state, 0u);
    EXPECT_TRUE(trace.hasLine("After PLAN workA->SQLtbl(0) = 82"));
    EXPECT_EQ(live().plans, 1);
    EXPECT_EQ(live().requests, 1);
    EXPECT_EQ(live().cursors, 1);
    EXPECT_EQ(zrx::FetchRow(slot(0).curHdl, slot(0).outSQLDA), 0);

    const zrx::HostHandle firstPlan = slot(0).planHdl;
    EXPECT_EQ(zrx::Drop_SQLii(w, 0), 0);
    EXPECT_EQ(slot(0).state, 0x81u);
    EXPECT_EQ(slot(0).inSQLDA, nullptr);
    EXPECT_EQ(slot(0).outSQLDA, nullptr);
    EXPECT_STREQ(slot(0).tblName, "INODESTS");
    EXPECT_EQ(slot(0).colCnt, 2);
    EXPECT_EQ(slot(0).planHdl.obj, firstPlan.obj);
    EXPECT_EQ(live().plans + live().requests + live().cursors, 0);

    // Defined again: the same text is planned and run from its first row.
    ASSERT_EQ(zrx::createReq(w), 0);
    EXPECT_EQ(slot(0).state, 0x8Eu);
    EXPECT_NE(slot(0).planHdl.obj, firstPlan.obj);
    EXPECT_EQ(fx->host().statements().size(), 2u);
    EXPECT_EQ(fx->host().statements()[0], fx->host().statements()[1]);
    EXPECT_EQ(zrx::FetchRow(slot(0).curHdl, slot(0).outSQLDA), 0);
    EXPECT_EQ(zrx::FetchRow(slot(0).curHdl, slot(0).outSQLDA), endOfData);

    EXPECT_EQ(zrx::Drop_SQL(w), 0);
    EXPECT_EQ(slot(0).state, 0x81u);
    EXPECT_EQ(live().paths, 1);
    EXPECT_EQ(live().plans + live().requests + live().cursors, 0);
}

TEST_F(SqlLayer, CreateReqTracesEveryStepWithTheHandlesAsFilled) {
    definePlexHubs();
    trace.clear();
    ASSERT_EQ(zrx::createReq(w), 0);
    const zrx::SqlSlot& s = slot(0);
    const zrx::HostHandle* list = &s.curHdl;
    EXPECT_EQ(trace.linesOf("createReq"),
              (Lines{"Create Access Plan 0 returned with 0",
                     "After PLAN workA->SQLtbl(0) = 82",
                     "Create Request 0 was called with parms:",
                     "    pathHdl    =  " + hex(w->pathHdl) + " ",
                     "    planHdl    =  " + hex(s.planHdl) + " ",
                     "    reqhdl     =  " + hex(s.reqhdl) + " ",
                     "    cursorLst  =  " + hex(&list, sizeof list) + " ",
                     "    planCnt    =  01000000 ",
                     "Create Request 0 returned with status 0",
                     "GetInputSQLDA 0 returned with status 0",
                     "Open Request 0 returned with status 0",
                     "GetOutputSQLDA 0 returned with status 0"}));
    // The handle id shows its low byte first.
    EXPECT_EQ(hex(s.planHdl).substr(0, 2), hex(&s.planHdl.id, 1));
    EXPECT_EQ(trace.events().back(), "< createReq = 0");
}

TEST_F(SqlLayer, CreateReqWithNothingWantedCallsNoHost) {
    auto totalCalls = [&] {
        uint64_t n = 0;
        for (Operation op : host::allOperations) n += calls(op);
        return n;
    };
    const uint64_t before = totalCalls();
    EXPECT_EQ(zrx::createReq(w), 0);
    EXPECT_EQ(totalCalls(), before);

    definePlexHubs();
    ASSERT_EQ(zrx::createReq(w), 0);
    const uint64_t afterOpen = totalCalls();
    EXPECT_EQ(zrx::createReq(w), 0);
    EXPECT_EQ(totalCalls(), afterOpen);
    EXPECT_EQ(slot(0).state, 0x8Eu);
}

TEST_F(SqlLayer, InnerQueryIsPreparedWhileTheOuterKeepsItsCursor) {
    openOuterDefineInner();
    const zrx::HostHandle outerCursor = slot(0).curHdl;
    zrx::SQLDA* const outerSqlda = slot(0).outSQLDA;
    ASSERT_EQ(zrx::createReq(w), 0);
    EXPECT_EQ(calls(Operation::CreateAccessPlan), 2u);
    EXPECT_EQ(slot(0).state, 0x8Eu);
    EXPECT_EQ(slot(1).state, 0x8Eu);
    EXPECT_EQ(slot(0).curHdl.obj, outerCursor.obj);
    EXPECT_EQ(slot(0).outSQLDA, outerSqlda);
    EXPECT_EQ(slot(1).sqlStmt, w->sqlText + std::strlen(w->sqlText) + 1);
    EXPECT_EQ(trace.count("Create Access Plan 0 returned with 0"), 1u);
    EXPECT_TRUE(trace.hasLine("After PLAN workA->SQLtbl(1) = 82"));

    // Both cursors deliver: two members, then the one PlexHub.
    EXPECT_EQ(zrx::FetchRow(slot(1).curHdl, slot(1).outSQLDA), 0);
    EXPECT_EQ(zrx::FetchRow(slot(1).curHdl, slot(1).outSQLDA), 0);
    EXPECT_EQ(zrx::FetchRow(slot(1).curHdl, slot(1).outSQLDA), endOfData);
    EXPECT_EQ(zrx::FetchRow(slot(0).curHdl, slot(0).outSQLDA), 0);
    EXPECT_EQ(zrx::FetchRow(slot(0).curHdl, slot(0).outSQLDA), endOfData);
}

// A host step that fails while the inner query is prepared, with the status
// it returns and the drops it leaves for the inner slot (close, request,
// plan).
struct FailingStep {
    Operation op;
    int32_t status;
    std::string line;
    std::vector<uint64_t> innerDrops;
};

class CreateReqFailure : public SqlLayer, public ::testing::WithParamInterface<FailingStep> {};

TEST_P(CreateReqFailure, DropsBothSlotsAndLeavesNothingOfTheHostOpen) {
    const FailingStep& step = GetParam();
    openOuterDefineInner();
    faults().failCall(step.op, 2, step.status);
    trace.clear();

    EXPECT_EQ(zrx::createReq(w), step.status);
    EXPECT_EQ(slot(0).state, 0x81u);
    EXPECT_EQ(slot(1).state, 0x81u);
    EXPECT_EQ(slot(0).outSQLDA, nullptr);
    EXPECT_EQ(slot(1).outSQLDA, nullptr);
    const host::LiveObjects after = live();
    EXPECT_EQ(after.paths, 1);
    EXPECT_EQ(after.plans, 0);
    EXPECT_EQ(after.requests, 0);
    EXPECT_EQ(after.cursors, 0);

    const auto& d = step.innerDrops;
    EXPECT_EQ(dropCalls(), (std::vector<uint64_t>{1 + d[0], 1 + d[1], 1 + d[2]}));
    EXPECT_TRUE(trace.hasLine(step.line));
    EXPECT_TRUE(trace.hasLine("Close/Drop Request(0) sqlStatus(0)"));
    EXPECT_EQ(trace.hasLine("Close/Drop Request(1) sqlStatus(0)"), d[2] == 1);
    EXPECT_EQ(trace.events().back(), "< createReq = " + std::to_string(step.status));

    // Both slots are defined again: one more createReq runs both queries.
    ASSERT_EQ(zrx::createReq(w), 0);
    EXPECT_EQ(slot(0).state, 0x8Eu);
    EXPECT_EQ(slot(1).state, 0x8Eu);
}

INSTANTIATE_TEST_SUITE_P(
    EachHostStep, CreateReqFailure,
    ::testing::Values(
        FailingStep{Operation::CreateAccessPlan, 41, "Create Access Plan 1 returned with 41", {0, 0, 0}},
        FailingStep{Operation::CreateRequest, 42, "Create Request 1 returned with status 42", {0, 0, 1}},
        FailingStep{Operation::GetInputSQLDA, 43, "GetInputSQLDA 1 returned with status 43", {0, 1, 1}},
        FailingStep{Operation::OpenRequest, 44, "Open Request 1 returned with status 44", {0, 1, 1}},
        FailingStep{Operation::GetOutputSQLDA, 45, "GetOutputSQLDA 1 returned with status 45", {1, 1, 1}}),
    [](const auto& info) { return std::string(host::operationName(info.param.op)); });

TEST_F(SqlLayer, CursorHandleFailingItsCheckFailsCreateReqWithStatus2WithoutACall) {
    openOuterDefineInner();
    faults().failHandle(ObjectKind::Cursor, 2);
    EXPECT_EQ(zrx::createReq(w), 2);
    EXPECT_EQ(calls(Operation::GetOutputSQLDA), 1u);
    EXPECT_TRUE(trace.hasLine("GetOutputSQLDA 1 returned with status 2"));
    EXPECT_EQ(slot(0).state, 0x81u);
    EXPECT_EQ(slot(1).state, 0x81u);
    // Dropping the request takes its cursor with it.
    EXPECT_EQ(live().plans + live().requests + live().cursors, 0);
}

TEST_F(SqlLayer, DropSQLiiClosesThenDropsRequestThenPlan) {
    definePlexHubs();
    ASSERT_EQ(zrx::createReq(w), 0);
    trace.clear();
    EXPECT_EQ(zrx::Drop_SQLii(w, 0), 0);
    // Each status is 0 only because the steps came in this order: a close
    // after the drop would meet a stale handle.
    EXPECT_EQ(trace.linesOf("Drop_SQLii"),
              (Lines{"Close Request(0) sqlStatus(0)", "Drop Request(0) sqlStatus(0)", "Drop plan(0) sqlStatus(0)"}));
    EXPECT_EQ(dropCalls(), (std::vector<uint64_t>{1, 1, 1}));
    EXPECT_EQ(trace.events().back(), "< Drop_SQLii = 0");

    // Dropping it again finds nothing prepared.
    trace.clear();
    EXPECT_EQ(zrx::Drop_SQLii(w, 0), 0);
    EXPECT_TRUE(trace.linesOf("Drop_SQLii").empty());
    EXPECT_EQ(dropCalls(), (std::vector<uint64_t>{1, 1, 1}));
    EXPECT_EQ(slot(0).state, 0x81u);
}

TEST_F(SqlLayer, DropOfAPlannedSlotDropsOnlyThePlan) {
    definePlexHubs();
    faults().failCall(Operation::CreateRequest, 1, 42);
    EXPECT_EQ(zrx::createReq(w), 42);
    EXPECT_EQ(trace.linesOf("Drop_SQLii"), (Lines{"Drop plan(0) sqlStatus(0)"}));
    EXPECT_EQ(trace.linesOf("Drop_SQL"), (Lines{"Close/Drop Request(0) sqlStatus(0)"}));
    EXPECT_EQ(dropCalls(), (std::vector<uint64_t>{0, 0, 1}));
    EXPECT_EQ(slot(0).state, 0x81u);
}

TEST_F(SqlLayer, DropSQLiiReportsHostFailuresOnlyInTheTrace) {
    definePlexHubs();
    ASSERT_EQ(zrx::createReq(w), 0);
    faults().failCall(Operation::CloseRequest, 1, 77);
    faults().failCall(Operation::DropPlan, 1, 78);
    EXPECT_EQ(zrx::Drop_SQLii(w, 0), 0);
    EXPECT_EQ(trace.linesOf("Drop_SQLii"),
              (Lines{"Close Request(0) sqlStatus(77)", "Drop Request(0) sqlStatus(0)", "Drop plan(0) sqlStatus(78)"}));
    EXPECT_EQ(slot(0).state, 0x81u);
    EXPECT_EQ(live().requests, 0);
    EXPECT_EQ(live().plans, 1);
}

TEST_F(SqlLayer, DropSQLiiOutsideTheTwoSlotsDoesNothing) {
    openOuterDefineInner();
    ASSERT_EQ(zrx::createReq(w), 0);
    trace.clear();
    for (int32_t i : {-1, 2, 1000, INT32_MIN}) EXPECT_EQ(zrx::Drop_SQLii(w, i), 0);
    EXPECT_EQ(dropCalls(), (std::vector<uint64_t>{0, 0, 0}));
    EXPECT_TRUE(trace.linesOf("Drop_SQLii").empty());
    EXPECT_EQ(slot(0).state, 0x8Eu);
    EXPECT_EQ(slot(1).state, 0x8Eu);
}

TEST_F(SqlLayer, DropSQLLeavesDefinedSlotsAlone) {
    openOuterDefineInner();
    trace.clear();
    EXPECT_EQ(zrx::Drop_SQL(w), 0);
    EXPECT_EQ(trace.linesOf("Drop_SQL"), (Lines{"Close/Drop Request(0) sqlStatus(0)"}));
    EXPECT_EQ(slot(0).state, 0x81u);
    EXPECT_EQ(slot(1).state, 0x81u);
    EXPECT_EQ(dropCalls(), (std::vector<uint64_t>{1, 1, 1}));
}

TEST_F(SqlLayer, SessionEndDropsEveryPreparedRequest) {
    openOuterDefineInner();
    ASSERT_EQ(zrx::createReq(w), 0);
    trace.clear();
    EXPECT_EQ(session->end(), 0);
    EXPECT_EQ(trace.linesOf("Drop_SQL"),
              (Lines{"Close/Drop Request(0) sqlStatus(0)", "Close/Drop Request(1) sqlStatus(0)"}));
    EXPECT_FALSE(session->liveAtEnd().any());
}

TEST_F(SqlLayer, GetSQLFindsTheFirstSlotWithExactlyThatName) {
    // A fresh work area: both names are empty.
    EXPECT_EQ(zrx::Get_SQL(w, ""), 0);
    EXPECT_EQ(zrx::Get_SQL(w, "INODESTS"), -1);

    openOuterDefineInner();
    EXPECT_EQ(zrx::Get_SQL(w, "INODESTS"), 0);
    EXPECT_EQ(zrx::Get_SQL(w, "MXCFSYS"), 1);
    EXPECT_EQ(zrx::Get_SQL(w, "inodests"), -1);
    EXPECT_EQ(zrx::Get_SQL(w, "INODEST"), -1);
    EXPECT_EQ(zrx::Get_SQL(w, "INODESTSX"), -1);
    EXPECT_EQ(zrx::Get_SQL(w, ""), -1);
    EXPECT_EQ(zrx::Get_SQL(w, std::string(40, 'M').c_str()), -1);
    EXPECT_EQ(trace.events().back(), "< Get_SQL = -1");

    // A name held by both slots gives the first.
    zrx::defineQuery(w, "INODESTS");
    EXPECT_EQ(zrx::Get_SQL(w, "INODESTS"), 0);
    EXPECT_EQ(zrx::Get_SQL(w, "MXCFSYS"), -1);
}

TEST_F(SqlLayer, GetSQLMatchesANameOfTheFullWidth) {
    const std::string longest(23, 'T');
    w->curSQLslot = 1;
    zrx::defineQuery(w, (longest + "TAIL").c_str());
    EXPECT_EQ(zrx::Get_SQL(w, longest.c_str()), 1);
    EXPECT_EQ(zrx::Get_SQL(w, (longest + "T").c_str()), -1);
}

TEST_F(SqlLayer, SprintxWritesTwoUpperCaseDigitsPerByteAndANul) {
    const unsigned char bytes[] = {0x00, 0x80, 0xFF};
    char out[10];
    std::memset(out, '#', sizeof out);
    zrx::sprintx(out, bytes, 3);
    EXPECT_STREQ(out, "0080FF");
    EXPECT_EQ(out[7], '#');

    const uint32_t word = 0x0A0B0C0D;
    zrx::sprintx(out, &word, 4);
    EXPECT_STREQ(out, hex(&word, 4).c_str());
    EXPECT_EQ(out[9], '#');

    std::memset(out, '#', sizeof out);
    zrx::sprintx(out, bytes, 0);
    EXPECT_EQ(std::string(out, sizeof out), std::string(10, '#'));
    EXPECT_EQ(trace.events().back(), "< sprintx");
}

// The statements are written without snprintf; every byte of the buffer,
// and the result, must be what snprintf gives, at every room, fitting or not.
TEST(FormatOne, WritesWhatSnprintfWrites) {
    const std::string longArg(300, 'T');
    const char* formats[] = {"", "plain", "%s", "A%sB", "AT (\"%s\")  ", "100%% of %s", "%s%%",
                             zrx::sqltext::mxcfsysQuery, zrx::sqltext::thruNodeQuery};
    const char* args[] = {"", "THRU\"NODE", longArg.c_str()};
    for (const char* format : formats) {
        for (const char* arg : args) {
            const size_t full = std::strlen(format) + std::strlen(arg) + 2;
            for (size_t room = 0; room <= full; ++room) {
                std::string mine(full + 4, '#'), theirs(full + 4, '#');
                const int n = zrx::formatOne(mine.data(), room, format, arg);
                const int m = std::snprintf(theirs.data(), room, format, arg);
                ASSERT_EQ(n, m) << format << " / " << arg << " / " << room;
                ASSERT_EQ(mine, theirs) << format << " / " << arg << " / " << room;
            }
        }
    }
    char out[4] = "##";
    EXPECT_EQ(zrx::formatOne(out, sizeof out, "abc", nullptr), 3);
    EXPECT_STREQ(out, "abc");
}

} // namespace
