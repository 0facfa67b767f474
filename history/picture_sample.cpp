#include "history/picture_sample.h"

#include <utility>

#include "picture/resource_tasks.h"

namespace history {

void takePicture(Sample& sample, picture::Picture picture) {
    sample.status = picture.report.status;
    sample.abandon = picture.report.abandonReason;
    sample.reason = picture.report.endedNormally() ? picture.snapshotProblem : picture.report.description();
    sample.viewMs = picture.elapsedMs;
    sample.report = std::move(picture.reportRows);
    sample.passedOver = picture.passedOver;
    sample.passedOverKept = true;
    sample.resources.clear();
    if (!picture.snapshotProblem.empty()) {
        sample.status.reset();
        sample.abandon = zrx::Abandon::None;
        sample.report.clear();
        return;
    }
    if (!sample.reportComplete()) return;
    sample.resources.resize(sample.report.size());
    for (picture::Resource& r : picture.resources) {
        SampleResource& kept = sample.resources[r.reportRow];
        kept.detailStatus = r.asked ? r.detail.status : 0;
        kept.abandon = r.detail.abandonReason;
        kept.unavailable = std::move(r.unavailable);
        kept.rows = std::move(r.detailRows);
    }
}

picture::Picture pictureOf(const Sample& sample, const std::string& enqplex) {
    picture::Picture tree;
    tree.report.status = sample.status.value_or(0);
    tree.report.abandonReason = sample.abandon;
    tree.report.elapsedMs = sample.viewMs;
    tree.elapsedMs = sample.viewMs;
    tree.reportRows = sample.report;
    const std::string wanted = picture::enqplexOfPredicate(enqplex);
    // Counted over every Enqplex: it cannot be told which one a count is of.
    if (wanted.empty()) tree.passedOver = sample.passedOver;
    for (std::size_t i = 0; i < tree.reportRows.size(); ++i) {
        picture::Resource r = picture::resourceOf(tree.reportRows[i], i);
        if (!wanted.empty() && r.enqplex != wanted) continue;
        if (i >= sample.resources.size()) {
            if (tree.report.endedNormally()) r.unavailable = "the sample holds no rows of its tasks";
        } else {
            const SampleResource& stored = sample.resources[i];
            if (stored.detailStatus != 0) {
                picture::ViewRun run;
                run.outcome.status = stored.detailStatus;
                run.outcome.abandonReason = stored.abandon;
                run.rows = stored.rows;
                picture::takeDetail(r, tree.reportRows[i], std::move(run));
            }
            if (!stored.unavailable.empty()) r.unavailable = stored.unavailable;
        }
        tree.resources.push_back(std::move(r));
    }
    tree.enqplexes = picture::treeOrder(tree.resources);
    return tree;
}

} // namespace history
