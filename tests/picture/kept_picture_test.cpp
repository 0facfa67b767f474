// A picture kept as a sample of a history, read back, is the picture tree
// would have built: rows, statuses, tasks and gaps, for every Enqplex or one.
#include <gtest/gtest.h>

#include <string>

#include "history/history_fixture.h"
#include "history/picture_sample.h"
#include "picture/builder.h"
#include "picture_fixture.h"
#include "scenarios/texts.h"
#include "support/host_fixture.h"

namespace {

using picture::buildPicture;
using picture::Picture;
using picture::PictureOptions;
using picturetest::expectSamePicture;

class KeptPicture : public historytest::HistoryFile {
protected:
    // The picture as a sample, through the history file and back.
    history::Sample keptAndRead(Picture p, int64_t takenMs) {
        history::Sample sample;
        sample.takenMs = takenMs;
        sample.snapshot = "enterprise.db";
        history::takePicture(sample, std::move(p));
        append(sample);
        auto r = reader();
        std::optional<history::SampleInfo> info;
        std::string error;
        EXPECT_TRUE(r->at(takenMs, info, error) && info) << error;
        history::Sample read;
        EXPECT_TRUE(info && r->content(*info, read, error)) << error;
        return read;
    }
};

TEST_F(KeptPicture, ReadsBackAsTheSamePictureForEveryEnqplexOrOne) {
    // Two resources that cannot be read, each for its own reason, among others.
    zrxtest::HostFixture fx(std::string(scenarios::demoEnterpriseSql()) +
                            "UPDATE MGLBLENQ SET MAJORNAME = CAST(X'5359530044534E' AS TEXT) "
                            "WHERE MINORNAME = 'AR.PROD.INVOICE.KSDS';"
                            "UPDATE MGLBLENQ SET MAJORNAME = 'SYSDSN' || CAST(X'00' AS TEXT) "
                            "WHERE MINORNAME = 'GL.PROD.LEDGER.HISTORY';");
    const Picture live = buildPicture(fx.snapshot(), fx.module(), PictureOptions{});
    ASSERT_EQ(live.report.status, zrx::entry::noMoreRows);
    ASSERT_EQ(live.gaps().size(), 2u);
    ASSERT_GT(live.resources.size(), 4u);

    const history::Sample read = keptAndRead(live, 1000);
    ASSERT_TRUE(read.reportComplete());
    expectSamePicture(history::pictureOf(read, ""), live);
    EXPECT_EQ(history::pictureOf(read, "").gaps().size(), 2u);

    PictureOptions one;
    one.enqplex = "MIMPLEX";
    const Picture mimplex = buildPicture(fx.snapshot(), fx.module(), one);
    ASSERT_FALSE(mimplex.resources.empty());
    ASSERT_LT(mimplex.resources.size(), live.resources.size());
    expectSamePicture(history::pictureOf(read, "MIMPLEX  "), mimplex);
}

TEST_F(KeptPicture, AFailedReportIsKeptAsAFailureWithItsReason) {
    zrxtest::HostFixture fx(std::string(scenarios::demoEnterpriseSql()));
    PictureOptions options;
    options.storageLimit = 1000;
    const Picture failed = buildPicture(fx.snapshot(), fx.module(), options);
    ASSERT_EQ(failed.report.status, zrx::entry::requestFailed);
    const history::Sample read = keptAndRead(failed, 2000);
    ASSERT_TRUE(read.status);
    EXPECT_EQ(*read.status, zrx::entry::requestFailed);
    EXPECT_EQ(read.reason, failed.report.description());
    EXPECT_FALSE(history::pictureOf(read, "").complete());
}

TEST_F(KeptPicture, APictureOfASnapshotThatChangedUnderItIsNoAnswer) {
    zrxtest::HostFixture fx(std::string(scenarios::demoEnterpriseSql()));
    Picture p = buildPicture(fx.snapshot(), fx.module(), PictureOptions{});
    ASSERT_FALSE(p.reportRows.empty());
    p.snapshotProblem = "the snapshot was changed by another process while it was read";
    history::Sample sample;
    history::takePicture(sample, p);
    EXPECT_FALSE(sample.status);
    EXPECT_EQ(sample.reason, p.snapshotProblem);
    EXPECT_TRUE(sample.report.empty() && sample.resources.empty());
}

} // namespace
