#include "reliability_harness.h"

#include <cstring>
#include <sstream>
#include <stdexcept>

#include "frame/work_area.h"
#include "scenarios/generator.h"
#include "scenarios/texts.h"
#include "zrx/status.h"

namespace reliability {

Enterprise::Enterprise(std::string name, const std::string& sql)
    : name_(std::move(name)),
      fixture_(std::make_unique<zrxtest::HostFixture>(sql, zrxtest::moduleUnderTest(""),
                                                      zrxtest::moduleHostUnderTest())) {}

Outcome Enterprise::run(const std::vector<host::Predicate>& predicates,
                        const std::function<void(host::FaultPlan&)>& arm, int maxCalls) {
    host::Host& h = host();
    host::faults(h).clear();
    h.clearStatements();
    if (arm) arm(host::faults(h));

    Outcome o;
    {
        // The session hands out its storage handle when it is made, so the
        // fault plan is armed before.
        auto s = fixture_->session(predicates);
        host::RunHooks hooks;
        hooks.afterStart = [&](host::Session&, int32_t) { o.injectedBeforeRequests = host::faults(h).injected(); };
        hooks.beforeEnd = [&](host::Session& session) {
            if (const auto* w = static_cast<const unsigned char*>(session.workArea())) {
                const size_t from = offsetof(zrx::workA, inodeRow);
                const size_t to = offsetof(zrx::workA, SQLtbl);
                o.fetchedRecords.assign(w + from, w + to);
            }
        };
        host::SessionRun run = host::runSession(*s, {maxCalls, 0}, hooks);
        o.start = run.start;
        o.requests = std::move(run.requests);
        o.rows = std::move(run.rows);
        o.end = run.end;
        o.liveAtEnd = run.liveAtEnd;
    }
    o.injected = host::faults(h).injected();
    o.hostStorageOutstanding = h.storageOutstanding();
    o.statements = h.statements();
    host::faults(h).clear();
    return o;
}

std::vector<host::Predicate> Enterprise::resourceOf(const std::vector<zrx::MentrenqRow>& rows,
                                                    const std::string& enqplex) {
    for (const auto& r : rows) {
        if (zrxtest::trimmed(r.enqplex) != enqplex) continue;
        std::string minor = zrxtest::trimmed(r.minorname);
        if (minor.empty() || minor.find(' ') != std::string::npos) continue;
        return zrxtest::HostFixture::resource(zrxtest::trimmed(r.majorname), minor, enqplex);
    }
    throw std::runtime_error("no resource of " + enqplex + " among the report's rows");
}

std::string demoSql() { return std::string(scenarios::demoEnterpriseSql()); }

std::string sweepEnterpriseSql() {
    scenarios::GeneratorOptions o;
    o.enqplexes = 3;
    o.sysplexes = 2;
    o.systems = 2;
    o.resources = 6;
    o.tasks = 3;
    o.seed = 8;
    return scenarios::generateEnterpriseSql(o);
}

AllTraceLevels::AllTraceLevels() {
    platform::TraceSettings settings;
    std::string error;
    platform::TraceSettings::parse("all", settings, error);
    platform::setTraceSettings(settings);
    platform::setTraceSink(this);
}

AllTraceLevels::~AllTraceLevels() {
    platform::setTraceSink(nullptr);
    platform::setTraceSettings(platform::TraceSettings{});
}

void AllTraceLevels::write(const platform::TraceRecord& record) {
    if (record.kind == platform::TraceKind::Line) ++lines_;
}

bool sameRows(const std::vector<zrx::MentrenqRow>& a, const std::vector<zrx::MentrenqRow>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::memcmp(&a[i], &b[i], sizeof a[i]) != 0) return false;
    return true;
}

std::string describe(const zrx::MentrenqRow& r) {
    std::ostringstream s;
    s << zrxtest::trimmed(r.enqplex) << " " << zrxtest::trimmed(r.majorname) << " "
      << zrxtest::trimmed(r.minorname) << " own " << r.owntaskct << " wait " << r.waittaskct
      << " owner " << zrxtest::trimmed(r.owningas) << " waiter " << zrxtest::trimmed(r.waitingas)
      << " sys " << zrxtest::trimmed(r.sysname);
    return s.str();
}

std::string describe(const Outcome& o) {
    std::ostringstream s;
    s << "start " << o.start << ", requests";
    for (int32_t r : o.requests) s << " " << r;
    s << ", end " << o.end << ", rows " << o.rows.size() << ", left open: paths "
      << o.liveAtEnd.paths << " plans " << o.liveAtEnd.plans << " requests "
      << o.liveAtEnd.requests << " cursors " << o.liveAtEnd.cursors << ", faults injected "
      << o.injected << " (" << o.injectedBeforeRequests << " by the start)";
    return s.str();
}

} // namespace reliability
