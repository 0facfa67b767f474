// Requests for guessed resources, run while the report runs: a guess counts
// only for the very predicates it asked with, and a picture that used some
// says what one built without them says.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <stop_token>
#include <string>
#include <tuple>
#include <vector>

#include "picture/builder.h"
#include "picture/resource_tasks.h"
#include "picture/speculation.h"
#include "picture_fixture.h"
#include "scenarios/texts.h"
#include "support/host_fixture.h"
#include "support/trace_recorder.h"

namespace {

using picture::buildPicture;
using picture::Picture;
using picture::PictureOptions;
using picture::Resource;
using picture::Speculation;
using Names = std::set<std::tuple<std::string, std::string, std::string>>;

Names namesOf(const std::vector<Resource>& resources) {
    Names names;
    for (const auto& r : resources) names.emplace(r.enqplex, r.major, r.minor);
    return names;
}

std::vector<host::Predicate> predicatesOf(Resource r) {
    std::vector<host::Predicate> predicates;
    EXPECT_TRUE(picture::detailPredicates(r, predicates));
    return predicates;
}

PictureOptions withJobs(int jobs, std::string enqplex = "") {
    PictureOptions options;
    options.jobs = jobs;
    options.enqplex = std::move(enqplex);
    return options;
}

PictureOptions checkedBeside(int jobs) {
    PictureOptions options = withJobs(jobs);
    options.checkAlongside = [](host::sql::Snapshot&) { return true; };
    return options;
}

TEST(Speculation, GuessesTheResourcesTheReportNames) {
    zrxtest::HostFixture fx(picturetest::enterpriseSql(picturetest::smallEnterprise()));
    const Picture p = buildPicture(fx.snapshot(), fx.module(), withJobs(1));
    ASSERT_GT(p.resources.size(), 60u);
    EXPECT_EQ(namesOf(picture::guessResources(fx.snapshot(), "")), namesOf(p.resources));

    const Names second = namesOf(picture::guessResources(fx.snapshot(), "ENQPLEX2"));
    Names wanted;
    for (const auto& r : p.resources)
        if (r.enqplex == "ENQPLEX2") wanted.emplace(r.enqplex, r.major, r.minor);
    EXPECT_FALSE(wanted.empty());
    EXPECT_EQ(second, wanted);
}

TEST(Speculation, ARunIsTakenOnlyForItsOwnPredicatesAndOnlyOnce) {
    zrxtest::HostFixture fx(picturetest::enterpriseSql(picturetest::smallEnterprise()));
    const Picture p = buildPicture(fx.snapshot(), fx.module(), withJobs(1));
    host::ResultCache cache;

    Speculation all(fx.module(), UINT64_MAX, cache, "");
    all.run(fx.snapshot(), {});
    all.rethrowFailure();
    EXPECT_EQ(all.ran(), p.resources.size());
    for (const auto& r : p.resources) {
        auto run = all.take(predicatesOf(r));
        ASSERT_TRUE(run) << r.major << " " << r.minor;
        EXPECT_EQ(run->outcome.status, r.detail.status);
        ASSERT_EQ(run->rows.size(), r.detailRows.size());
        for (std::size_t i = 0; i < run->rows.size(); ++i)
            EXPECT_TRUE(picturetest::sameRow(run->rows[i], r.detailRows[i]));
        EXPECT_FALSE(all.take(predicatesOf(r))) << "handed out twice";
    }
    EXPECT_EQ(all.taken(), p.resources.size());
}

TEST(Speculation, AGuessElsewhereOrStoppedIsNeverTaken) {
    zrxtest::HostFixture fx(picturetest::enterpriseSql(picturetest::smallEnterprise()));
    const Picture p = buildPicture(fx.snapshot(), fx.module(), withJobs(1));
    ASSERT_FALSE(p.resources.empty());
    host::ResultCache cache;

    // The same names guessed under another Enqplex answer for neither.
    const Resource& real = p.resources.front();
    Resource elsewhere = real;
    elsewhere.enqplex = real.enqplex == "ENQPLEX1" ? "ENQPLEX2" : "ENQPLEX1";
    Speculation wrong(fx.module(), UINT64_MAX, cache, "");
    wrong.guess({elsewhere});
    wrong.run(fx.snapshot(), {});
    EXPECT_EQ(wrong.ran(), 1u);
    EXPECT_FALSE(wrong.take(predicatesOf(real)));
    EXPECT_TRUE(wrong.take(predicatesOf(elsewhere)));

    // Stopped before it began: nothing runs.
    std::stop_source stopped;
    stopped.request_stop();
    Speculation none(fx.module(), UINT64_MAX, cache, "");
    none.run(fx.snapshot(), stopped.get_token());
    EXPECT_EQ(none.ran(), 0u);
    EXPECT_FALSE(none.take(predicatesOf(real)));
}

TEST(Speculation, WhatAGuessedRequestWritesToTheTraceAppearsOnlyWhenItsRunIsTaken) {
    // CICA read twice: every session writes its configuration error, with
    // or without a trace asked for.
    zrxtest::HostFixture fx(std::string(scenarios::demoEnterpriseSql()) +
                            "UPDATE INODESTS SET THRUNODE = 'RTEMS_CICSPLX' WHERE NODE = 'TESTPLX:PLEXHUB';");
    zrxtest::TraceRecorder recorder("none");
    host::ResultCache cache;
    Speculation s(fx.module(), UINT64_MAX, cache, "");
    s.run(fx.snapshot(), {});
    ASSERT_GT(s.ran(), 1u);
    EXPECT_TRUE(recorder.records().empty());
    const auto guesses = picture::guessResources(fx.snapshot(), "");
    ASSERT_TRUE(s.take(predicatesOf(guesses.front())));
    const std::size_t lines = recorder.records().size();
    EXPECT_GT(lines, 0u);
    EXPECT_EQ(recorder.count("Configuration Error: System CICA     occurs multiple times\n"), 1u);
    s.dropAll();
    EXPECT_FALSE(s.take(predicatesOf(guesses.back())));
    EXPECT_EQ(recorder.records().size(), lines);
}

TEST(Speculation, APictureThatTookGuessedRunsSaysWhatOneWithoutThemSays) {
    scenarios::GeneratorOptions options = picturetest::smallEnterprise();
    options.enqplexes = 6;
    zrxtest::HostFixture fx(picturetest::enterpriseSql(options));
    const Picture plain = buildPicture(fx.snapshot(), fx.module(), withJobs(1));
    EXPECT_EQ(plain.guessesRun, 0u);
    // How many guesses run before the report ends is up to the threads:
    // build until some were taken.
    std::size_t confirmed = 0;
    for (int round = 0; round < 40 && confirmed == 0; ++round) {
        const Picture p = buildPicture(fx.snapshot(), fx.module(), checkedBeside(2 + round % 2));
        picturetest::expectSamePicture(plain, p);
        EXPECT_EQ(p.guessesConfirmed, p.guessesRun);
        confirmed += p.guessesConfirmed;
    }
    EXPECT_GT(confirmed, 0u);

    // One Enqplex, with no check beside: the spare connection guesses
    // within it.
    PictureOptions one = withJobs(1, "ENQPLEX3");
    const Picture plainOne = buildPicture(fx.snapshot(), fx.module(), one);
    one.jobs = 2;
    for (int round = 0; round < 5; ++round) {
        const Picture p = buildPicture(fx.snapshot(), fx.module(), one);
        picturetest::expectSamePicture(plainOne, p);
        EXPECT_EQ(p.passedOver.systemsNotAsked, plainOne.passedOver.systemsNotAsked);
        EXPECT_EQ(p.guessesConfirmed, p.guessesRun);
    }

    // A refused snapshot runs nothing after the check.
    PictureOptions refused = checkedBeside(2);
    refused.checkAlongside = [](host::sql::Snapshot&) { return false; };
    const Picture p = buildPicture(fx.snapshot(), fx.module(), refused);
    EXPECT_TRUE(p.checkFailed);
    EXPECT_EQ(p.guessesRun, 0u);
}

} // namespace
