#include "picture_fixture.h"

#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "sql/snapshot.h"
#include "sql/translator.h"

namespace picturetest {

scenarios::GeneratorOptions smallEnterprise() {
    scenarios::GeneratorOptions options;
    options.enqplexes = 3;
    options.sysplexes = 2;
    options.systems = 2;
    options.resources = 30;
    options.tasks = 3;
    options.seed = 7;
    return options;
}

std::string enterpriseSql(const scenarios::GeneratorOptions& options) {
    return scenarios::generateEnterpriseSql(options);
}

std::string writeSnapshotFile(const std::string& path, const std::string& sql) {
    std::string error;
    auto snapshot = host::sql::Snapshot::createInMemory(error);
    EXPECT_TRUE(snapshot) << error;
    if (!snapshot) return path;
    EXPECT_TRUE(snapshot->exec("BEGIN;" + sql + "COMMIT;", error)) << error;
    host::sql::BoundValue file;
    file.text = path;
    EXPECT_TRUE(snapshot->exec("VACUUM INTO " + host::sql::sqliteLiteral(file) + ";", error)) << error;
    return path;
}

std::string temporaryPath(const std::string& name) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const auto dir = std::filesystem::temp_directory_path() /
                     ("picture-test-" + std::to_string(::getpid()) + "-" + info->name());
    std::filesystem::create_directories(dir);
    const auto path = dir / name;
    std::filesystem::remove(path);
    return path.string();
}

bool sameRow(const zrx::MentrenqRow& a, const zrx::MentrenqRow& b) {
    const auto* x = reinterpret_cast<const unsigned char*>(&a);
    const auto* y = reinterpret_cast<const unsigned char*>(&b);
    const std::size_t pad = offsetof(zrx::MentrenqRow, padding);
    return std::memcmp(x, y, pad) == 0 &&
           std::memcmp(x + pad + 1, y + pad + 1, sizeof(zrx::MentrenqRow) - pad - 1) == 0;
}

namespace {

// Each difference as a line; empty when the pictures say the same.
std::string differences(const picture::Picture& a, const picture::Picture& b) {
    std::ostringstream d;
    auto rows = [&](const char* what, const std::vector<zrx::MentrenqRow>& x, const std::vector<zrx::MentrenqRow>& y) {
        if (x.size() != y.size()) {
            d << what << ": " << x.size() << " rows against " << y.size() << "\n";
            return;
        }
        for (std::size_t i = 0; i < x.size(); ++i)
            if (!sameRow(x[i], y[i])) d << what << ": row " << i << " differs\n";
    };
    auto tasks = [&](const std::string& what, const std::vector<picture::Task>& x, const std::vector<picture::Task>& y) {
        if (x.size() != y.size()) {
            d << what << ": " << x.size() << " tasks against " << y.size() << "\n";
            return;
        }
        for (std::size_t i = 0; i < x.size(); ++i)
            if (x[i].job != y[i].job || x[i].sysname != y[i].sysname || x[i].plxname != y[i].plxname ||
                x[i].asid != y[i].asid || x[i].exclusive != y[i].exclusive || x[i].trueOwner != y[i].trueOwner ||
                x[i].waittime != y[i].waittime)
                d << what << ": task " << i << " differs\n";
    };
    if (a.report.status != b.report.status || a.report.abandonReason != b.report.abandonReason)
        d << "report: " << a.report.description() << " against " << b.report.description() << "\n";
    rows("report", a.reportRows, b.reportRows);
    if (a.resources.size() != b.resources.size()) {
        d << a.resources.size() << " resources against " << b.resources.size() << "\n";
        return d.str();
    }
    for (std::size_t i = 0; i < a.resources.size(); ++i) {
        const auto& x = a.resources[i];
        const auto& y = b.resources[i];
        const std::string name = "resource " + x.enqplex + " " + x.major + " " + x.minor;
        if (x.reportRow != y.reportRow || x.enqplex != y.enqplex || x.major != y.major || x.minor != y.minor ||
            x.owntaskct != y.owntaskct || x.waittaskct != y.waittaskct || x.maxwaittm != y.maxwaittm)
            d << name << ": summary differs\n";
        if (x.asked != y.asked || x.detail.status != y.detail.status ||
            x.detail.abandonReason != y.detail.abandonReason || x.unavailable != y.unavailable)
            d << name << ": " << x.detail.description() << " / " << x.unavailable << " against "
              << y.detail.description() << " / " << y.unavailable << "\n";
        rows(name.c_str(), x.detailRows, y.detailRows);
        tasks(name + " owners", x.owners, y.owners);
        tasks(name + " waiters", x.waiters, y.waiters);
    }
    if (a.enqplexes.size() != b.enqplexes.size()) d << "the Enqplexes differ\n";
    for (std::size_t i = 0; i < a.enqplexes.size() && i < b.enqplexes.size(); ++i)
        if (a.enqplexes[i].name != b.enqplexes[i].name || a.enqplexes[i].resources != b.enqplexes[i].resources)
            d << "Enqplex " << a.enqplexes[i].name << ": other resources or order\n";
    if (a.snapshotProblem != b.snapshotProblem) d << "snapshot problem differs\n";
    return d.str();
}

} // namespace

void expectSamePicture(const picture::Picture& a, const picture::Picture& b) {
    const std::string d = differences(a, b);
    EXPECT_TRUE(d.empty()) << d;
}

bool samePicture(const picture::Picture& a, const picture::Picture& b) { return differences(a, b).empty(); }

} // namespace picturetest
