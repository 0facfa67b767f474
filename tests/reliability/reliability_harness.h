// Whole queries of the linked module on an enterprise snapshot, with the
// host's fault plan armed before each run and every outcome kept for
// assertions: statuses, rows, what the session left open, storage.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/host.h"
#include "core/session.h"
#include "platform/trace_control.h"
#include "support/host_fixture.h"
#include "zrx/mentrenq_row.h"
#include "zrx/status.h"

namespace reliability {

struct Outcome {
    int32_t start = -1;
    std::vector<int32_t> requests;
    int32_t end = -1;
    std::vector<zrx::MentrenqRow> rows;
    host::LiveObjects liveAtEnd;
    uint64_t hostStorageOutstanding = 0; // over every session, after the end
    uint64_t injectedBeforeRequests = 0; // faults that took effect up to the start's return
    uint64_t injected = 0;               // faults that took effect in the whole run
    std::vector<std::string> statements;
    // The work area's fetched records (INODESTS row, PxsmRow, input row)
    // and the output row after them, as the request calls left them.
    std::vector<unsigned char> fetchedRecords;
    int32_t last() const { return requests.empty() ? -1 : requests.back(); }
};

// An enterprise snapshot with the linked module (or the module file the
// environment names: zrxtest::moduleUnderTest), and its two queries.
class Enterprise {
public:
    Enterprise(std::string name, const std::string& sql);

    const std::string& name() const { return name_; }
    zrxtest::HostFixture& fixture() { return *fixture_; }
    host::Host& host() { return fixture_->host(); }

    // One whole query: the fault plan is cleared, `arm` may set faults,
    // then start, request calls until a nonzero status, end.
    Outcome run(const std::vector<host::Predicate>& predicates,
                const std::function<void(host::FaultPlan&)>& arm = {}, int maxCalls = 10000);

    // The predicates naming the first resource of `enqplex` among the
    // report's rows whose minor name holds no blank (a blank ends a value).
    static std::vector<host::Predicate> resourceOf(const std::vector<zrx::MentrenqRow>& reportRows,
                                                   const std::string& enqplex);

private:
    std::string name_;
    std::unique_ptr<zrxtest::HostFixture> fixture_;
};

// The demo enterprise, and a generated one of three Enqplexes of two
// Sysplexes each, the second MIM-managed, sized for a sweep of every fault
// point in seconds even under the sanitizers.
std::string demoSql();
std::string sweepEnterpriseSql();

// Every trace level on for its lifetime, into a sink that only counts the
// lines: the module formats each line, dumps included, from whatever the
// host delivered.
class AllTraceLevels : public platform::TraceSink {
public:
    AllTraceLevels();
    ~AllTraceLevels() override;
    void write(const platform::TraceRecord& record) override;
    uint64_t lines() const { return lines_; }

private:
    uint64_t lines_ = 0;
};

bool sameRows(const std::vector<zrx::MentrenqRow>& a, const std::vector<zrx::MentrenqRow>& b);
std::string describe(const zrx::MentrenqRow& row);
std::string describe(const Outcome& o);

} // namespace reliability
