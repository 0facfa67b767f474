// One picture: the report and each resource's own request, the same whether
// one thread asks or several, with its gaps named.
#include <gtest/gtest.h>

#include <mutex>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "testing/fault_plan.h"
#include "core/status.h"
#include "picture/builder.h"
#include "picture_fixture.h"
#include "scenarios/texts.h"
#include "support/host_fixture.h"
#include "support/trace_recorder.h"

namespace {

using picture::buildPicture;
using picture::Picture;
using picture::PictureOptions;
using picturetest::expectSamePicture;
using zrx::entry::noMoreRows;

PictureOptions withJobs(int jobs, host::ResultCache* cache = nullptr) {
    PictureOptions options;
    options.jobs = jobs;
    options.cache = cache;
    return options;
}

TEST(Picture, SeveralThreadsDrawWhatOneDraws) {
    zrxtest::HostFixture fx(picturetest::enterpriseSql(picturetest::smallEnterprise()));
    const Picture one = buildPicture(fx.snapshot(), fx.module(), withJobs(1));
    ASSERT_EQ(one.report.status, noMoreRows) << one.report.description();
    ASSERT_GT(one.resources.size(), 60u);
    EXPECT_TRUE(one.complete());
    EXPECT_EQ(one.jobs, 1);
    EXPECT_EQ(one.resources.size(), one.reportRows.size());
    for (int jobs : {2, 5}) {
        const Picture many = buildPicture(fx.snapshot(), fx.module(), withJobs(jobs));
        EXPECT_EQ(many.jobs, jobs) << many.connectionNote;
        expectSamePicture(one, many);
    }
}

TEST(Picture, EachResourceHoldsWhatItsOwnQueryAnswers) {
    zrxtest::HostFixture fx(picturetest::enterpriseSql(picturetest::smallEnterprise()));
    const Picture p = buildPicture(fx.snapshot(), fx.module(), withJobs(3));

    // The fixture's host has no result cache: what a query answers alone.
    const zrxtest::QueryRun report = fx.run(zrxtest::HostFixture::report());
    ASSERT_EQ(report.rows.size(), p.reportRows.size());
    for (size_t i = 0; i < report.rows.size(); ++i) EXPECT_TRUE(picturetest::sameRow(report.rows[i], p.reportRows[i]));
    for (const auto& r : p.resources) {
        const zrxtest::QueryRun alone = fx.run(zrxtest::HostFixture::resource(r.major, r.minor, r.enqplex));
        EXPECT_TRUE(r.asked);
        EXPECT_EQ(r.detail.status, alone.finalStatus()) << r.major << " " << r.minor;
        ASSERT_EQ(r.detailRows.size(), alone.rows.size()) << r.major << " " << r.minor;
        for (size_t i = 0; i < alone.rows.size(); ++i)
            EXPECT_TRUE(picturetest::sameRow(r.detailRows[i], alone.rows[i])) << r.major << " " << r.minor;
        // Every row of the resource is one of its tasks; waiters longest first.
        EXPECT_EQ(r.owners.size() + r.waiters.size(), alone.rows.size()) << r.major << " " << r.minor;
        EXPECT_EQ(static_cast<int32_t>(r.owners.size()), r.owntaskct);
        for (size_t i = 1; i < r.waiters.size(); ++i) {
            EXPECT_GE(r.waiters[i - 1].waittime, r.waiters[i].waittime);
        }
    }
}

TEST(Picture, ResourcesReadLongestWaitFirstWithinEachEnqplex) {
    zrxtest::HostFixture fx(picturetest::enterpriseSql(picturetest::smallEnterprise()));
    const Picture p = buildPicture(fx.snapshot(), fx.module(), withJobs(2));
    std::vector<std::string> names;
    size_t listed = 0;
    for (const auto& e : p.enqplexes) {
        names.push_back(e.name);
        for (size_t k = 0; k < e.resources.size(); ++k) {
            const auto& r = p.resources[e.resources[k]];
            EXPECT_EQ(r.enqplex, e.name);
            if (k > 0) {
                EXPECT_GE(p.resources[e.resources[k - 1]].maxwaittm, r.maxwaittm);
            }
        }
        listed += e.resources.size();
    }
    EXPECT_EQ(names, (std::vector<std::string>{"ENQPLEX1", "ENQPLEX2", "*DEFAULT"}));
    EXPECT_EQ(listed, p.resources.size());

    PictureOptions only = withJobs(2);
    only.enqplex = "ENQPLEX2 ";
    const Picture second = buildPicture(fx.snapshot(), fx.module(), only);
    EXPECT_EQ(second.reportRows.size(), p.reportRows.size());
    ASSERT_EQ(second.enqplexes.size(), 1u);
    EXPECT_EQ(second.enqplexes[0].name, "ENQPLEX2");
    EXPECT_EQ(second.resources.size(), p.enqplexes[1].resources.size());
    for (const auto& r : second.resources) EXPECT_EQ(r.enqplex, "ENQPLEX2");
}

// Every record in order, with the addresses masked (they differ from run to
// run: in lines as hex, and as the results of routines that return one;
// statuses are small). A routine that returned a large value once returns
// addresses: all its results are masked, as an address may now and then be
// small in its low 32 bits (sanitizer heaps make that likely).
std::vector<std::string> maskedTrace(const zrxtest::TraceRecorder& recorder) {
    // %p, and %8X (blank-padded to eight) or longer runs of hex digits.
    static const std::regex address("0x[0-9a-fA-F]+|[ 0-9A-F]{7,}[0-9A-F]");
    auto small = [](const auto& r) { return r.result > -1024 && r.result < 1024; };
    std::set<std::string> returningAddresses;
    for (const auto& r : recorder.records())
        if (r.kind == platform::TraceKind::ExitResult && !small(r)) returningAddresses.insert(r.routine);
    std::vector<std::string> out;
    for (const auto& r : recorder.records()) {
        std::string text = r.routine + ":" + std::to_string(r.line) + ":" + std::to_string(static_cast<int>(r.kind));
        if (r.kind == platform::TraceKind::Line) text += " " + std::regex_replace(r.text, address, "@");
        if (r.kind == platform::TraceKind::ExitResult)
            text += " = " + (returningAddresses.count(r.routine) ? std::string("@") : std::to_string(r.result));
        out.push_back(std::move(text));
    }
    return out;
}

// The small enterprise with three resources in each Enqplex: a whole trace
// that stays short.
std::string fewResourcesSql() {
    scenarios::GeneratorOptions options = picturetest::smallEnterprise();
    options.resources = 3;
    return picturetest::enterpriseSql(options);
}

TEST(Picture, TheTraceReadsAsIfTheRequestsRanOneAfterTheOther) {
    zrxtest::HostFixture fx(fewResourcesSql());
    zrxtest::TraceRecorder recorder("all");
    const Picture one = buildPicture(fx.snapshot(), fx.module(), withJobs(1));
    const auto oneTrace = maskedTrace(recorder);
    recorder.clear();
    const Picture many = buildPicture(fx.snapshot(), fx.module(), withJobs(4));
    EXPECT_EQ(many.jobs, 4);
    const auto manyTrace = maskedTrace(recorder);
    ASSERT_GT(oneTrace.size(), 1000u);
    size_t first = 0;
    while (first < oneTrace.size() && first < manyTrace.size() && oneTrace[first] == manyTrace[first]) ++first;
    EXPECT_TRUE(oneTrace == manyTrace) << oneTrace.size() << " lines against " << manyTrace.size()
                                       << "; first difference at " << first << ": "
                                       << (first < oneTrace.size() ? oneTrace[first] : "") << " against "
                                       << (first < manyTrace.size() ? manyTrace[first] : "");
}

TEST(Picture, ACheckAlongsideRunsOnAnotherConnectionAndHoldsTheTraceBackUntilItPasses) {
    zrxtest::HostFixture fx(fewResourcesSql());
    zrxtest::TraceRecorder recorder("all");
    const Picture plain = buildPicture(fx.snapshot(), fx.module(), withJobs(2));
    const auto plainTrace = maskedTrace(recorder);
    for (int jobs : {1, 2}) {
        for (bool passes : {true, false}) {
            recorder.clear();
            std::vector<const host::sql::Snapshot*> checkedOn;
            PictureOptions checking = withJobs(jobs);
            checking.checkAlongside = [&](host::sql::Snapshot& connection) {
                checkedOn.push_back(&connection);
                return passes;
            };
            const Picture p = buildPicture(fx.snapshot(), fx.module(), checking);
            ASSERT_EQ(checkedOn.size(), 1u);
            EXPECT_EQ(checkedOn.front() == &fx.snapshot(), jobs == 1) << jobs << " jobs";
            EXPECT_EQ(p.checkFailed, !passes);
            if (passes) {
                expectSamePicture(plain, p);
                EXPECT_EQ(p.jobs, jobs);
                EXPECT_TRUE(maskedTrace(recorder) == plainTrace) << jobs << " jobs";
            } else {
                EXPECT_TRUE(p.resources.empty());
                EXPECT_TRUE(recorder.records().empty()) << "nothing of a refused snapshot is traced";
            }
        }
    }
}

// The demo enterprise as a snapshot in memory, changed by `sql`.
std::string changedDemo(const std::string& sql) { return std::string(scenarios::demoEnterpriseSql()) + sql; }

TEST(Picture, SaysWhichTasksItCouldNotReadAndWhy) {
    // A NUL in a name cannot travel in an index predicate: not asked.
    zrxtest::HostFixture nul(changedDemo("UPDATE MGLBLENQ SET MAJORNAME = CAST(X'5359530044534E' AS TEXT) "
                                         "WHERE MINORNAME = 'AR.PROD.INVOICE.KSDS';"));
    const Picture p = buildPicture(nul.snapshot(), nul.module(), withJobs(2));
    EXPECT_EQ(p.report.status, noMoreRows);
    EXPECT_FALSE(p.complete());
    auto gaps = p.gaps();
    ASSERT_EQ(gaps.size(), 1u);
    EXPECT_EQ(gaps[0].enqplex, "MIMPLEX");
    EXPECT_EQ(gaps[0].major, std::string("SYS\0DSN", 7));
    EXPECT_EQ(gaps[0].reason, "its major name holds a NUL byte, which a query for one resource cannot carry");
    for (const auto& r : p.resources) EXPECT_EQ(r.asked, r.major.find('\0') == std::string::npos);

    // Padded with a NUL, the name asks for another resource: nothing found.
    zrxtest::HostFixture padded(changedDemo("UPDATE MGLBLENQ SET MAJORNAME = 'SYSDSN' || CAST(X'00' AS TEXT) "
                                            "WHERE MINORNAME = 'AR.PROD.INVOICE.KSDS';"));
    gaps = buildPicture(padded.snapshot(), padded.module(), withJobs(2)).gaps();
    ASSERT_EQ(gaps.size(), 1u);
    EXPECT_EQ(gaps[0].minor, "AR.PROD.INVOICE.KSDS");
    EXPECT_EQ(gaps[0].reason, "the query for this resource found none of its tasks");
}

TEST(Picture, ARequestThatFailsLeavesAGapAndTheRestIntact) {
    zrxtest::HostFixture fx(std::string(scenarios::demoEnterpriseSql()));
    const Picture whole = buildPicture(fx.snapshot(), fx.module(), withJobs(1));
    ASSERT_TRUE(whole.complete());
    // The first request after the report finds its first statement refused.
    const uint64_t reportPlans = fx.run(zrxtest::HostFixture::report()).start == 0
                                     ? host::faults(fx.host()).calls(host::Operation::CreateAccessPlan)
                                     : 0;
    PictureOptions options = withJobs(1);
    options.watchHost = [&](host::Host& h, bool done) {
        if (!done) host::faults(h).failCall(host::Operation::CreateAccessPlan, reportPlans + 1, host::status::badArgument);
    };
    const Picture p = buildPicture(fx.snapshot(), fx.module(), options);
    const auto gaps = p.gaps();
    ASSERT_EQ(gaps.size(), 1u);
    const auto& first = p.resources[p.enqplexes[0].resources[0]];
    EXPECT_EQ(gaps[0].major + " " + gaps[0].minor, first.major + " " + first.minor);
    EXPECT_EQ(first.detail.status, zrx::entry::viewAbandoned);
    EXPECT_EQ(gaps[0].reason, first.detail.description());
    EXPECT_TRUE(first.owners.empty() && first.waiters.empty());
    for (size_t i = 0; i < p.resources.size(); ++i) {
        if (&p.resources[i] == &first) continue;
        EXPECT_EQ(p.resources[i].detailRows.size(), whole.resources[i].detailRows.size());
        EXPECT_TRUE(p.resources[i].unavailable.empty());
    }
}

TEST(Picture, AReportThatFailsAsksNothingAndSaysWhy) {
    zrxtest::HostFixture fx(std::string(scenarios::demoEnterpriseSql()));
    PictureOptions options = withJobs(3);
    options.storageLimit = 1000;
    const Picture p = buildPicture(fx.snapshot(), fx.module(), options);
    EXPECT_EQ(p.report.status, zrx::entry::requestFailed);
    EXPECT_EQ(p.report.description(), "status 64: a data server request failed (storage, path or summary query); "
                                      "the storage limit of 1000 bytes refused 1 request");
    EXPECT_TRUE(p.resources.empty());
    EXPECT_TRUE(p.gaps().empty());
    EXPECT_FALSE(p.complete());

    zrxtest::HostFixture quiet(picturetest::enterpriseSql({1, 1, 2, 0, 2, 1}));
    const Picture none = buildPicture(quiet.snapshot(), quiet.module());
    EXPECT_EQ(none.report.status, noMoreRows);
    EXPECT_TRUE(none.resources.empty());
    EXPECT_TRUE(none.complete());
}

TEST(Picture, HostsAreWatchedAndKeepNoLogUnlessAsked) {
    zrxtest::HostFixture fx(picturetest::enterpriseSql(picturetest::smallEnterprise()));
    std::mutex mutex;
    size_t statements = 0;
    int started = 0, ended = 0;
    PictureOptions options = withJobs(3);
    options.watchHost = [&](host::Host& h, bool done) {
        std::lock_guard lock(mutex);
        if (!done) {
            ++started;
            EXPECT_TRUE(h.statements().empty());
            h.keepStatements(true);
            return;
        }
        ++ended;
        statements += h.statements().size();
        EXPECT_EQ(h.storageOutstanding(), 0u);
    };
    const Picture p = buildPicture(fx.snapshot(), fx.module(), options);
    EXPECT_EQ(started, 3);
    EXPECT_EQ(ended, 3);

    // As many statements as the report and each resource's query send alone.
    fx.host().clearStatements();
    fx.run(zrxtest::HostFixture::report());
    for (const auto& r : p.resources) fx.run(zrxtest::HostFixture::resource(r.major, r.minor, r.enqplex));
    EXPECT_EQ(statements, fx.host().statements().size());
}

} // namespace

namespace {

TEST(Picture, PicturesMayBeBuiltOnSeveralThreadsAtOnce) {
    const std::string sql = picturetest::enterpriseSql(picturetest::smallEnterprise());
    zrxtest::HostFixture first(sql), second(sql);
    const Picture expected = buildPicture(first.snapshot(), first.module(), withJobs(1));
    // New trace settings make every routine read them again on its next
    // call, here from several threads at once.
    zrxtest::TraceRecorder recorder("error");
    host::ResultCache shared;
    Picture a, b;
    std::thread other([&] { b = buildPicture(second.snapshot(), second.module(), withJobs(2, &shared)); });
    a = buildPicture(first.snapshot(), first.module(), withJobs(3, &shared));
    other.join();
    expectSamePicture(expected, a);
    expectSamePicture(expected, b);
}

} // namespace
