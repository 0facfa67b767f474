#include "enterprises.h"

#include <cstdlib>
#include <map>
#include <stdexcept>

#include "core/session_run.h"
#include "frame/work_area.h"
#include "platform/trace_control.h"
#include "support/fixed_width.h"
#include "zrx/status.h"

using zrx::entry::noMoreRows;

namespace bench {

namespace {

// Resources per Enqplex that give about the wanted number of collected rows
// (measured with tasks = 3 and seed 1; every case stays under the module's
// limit of 10000).
int resourcesFor(int rows, int systems, int enqplexes) {
    if (enqplexes == 1) return rows == 100 ? 25 : rows == 1000 ? 250 : 2450;
    if (rows == 100) return 3;
    if (rows == 1000) return 30;
    return systems == 1 ? 305 : 280;
}

} // namespace

std::string CaseSpec::name() const {
    return "rows:" + std::to_string(rows) + "/sys:" + std::to_string(systems) + "/plex:" + std::to_string(enqplexes);
}

std::vector<CaseSpec> caseSpecs() {
    std::vector<CaseSpec> specs;
    for (int rows : {100, 1000, 10000}) {
        for (int enqplexes : {1, 8}) {
            for (int systems : {1, 8, 64}) {
                CaseSpec c{rows, systems, enqplexes, {}};
                c.options.enqplexes = enqplexes;
                c.options.sysplexes = systems == 1 ? 1 : systems == 8 ? 2 : 8;
                c.options.systems = systems / c.options.sysplexes;
                c.options.resources = resourcesFor(rows, systems, enqplexes);
                c.options.tasks = 3;
                c.options.seed = 1;
                specs.push_back(c);
            }
        }
    }
    return specs;
}

const char* queryName(QueryKind kind) { return kind == QueryKind::Report ? "report" : "resource"; }

QueryOutcome runQuery(host::Host& host, const host::Module& module, const std::vector<host::Predicate>& predicates) {
    host::SessionOptions options;
    options.predicates = predicates;
    host::Session session(host, module, options);
    QueryOutcome o;
    host::RunHooks hooks;
    hooks.beforeEnd = [&](host::Session& s) {
        if (auto* w = static_cast<const zrx::workA*>(s.workArea())) o.collectedRows = w->rowsUsed;
        o.hostStorage = s.storageOutstanding();
    };
    const host::SessionRun run = host::runSession(session, {}, hooks);
    o.lastStatus = run.finalStatus();
    o.outputRows = run.rows.size();
    if (o.lastStatus != noMoreRows) throw std::runtime_error("the view ended with status " + std::to_string(o.lastStatus));
    return o;
}

std::string moduleFile() {
    const char* other = std::getenv("MENTRENQ_BENCH_MODULE");
    return other && *other ? other : ZRX_MODULE_FILE;
}

Enterprise::Enterprise(const CaseSpec& spec) : spec_(spec) {
    platform::setTraceSettings({});
    platform::setTraceSink(nullptr);
    std::string error;
    snapshot_ = host::sql::Snapshot::createInMemory(error);
    if (!snapshot_) throw std::runtime_error("snapshot: " + error);
    if (!snapshot_->exec("BEGIN;" + scenarios::generateEnterpriseSql(spec.options) + "COMMIT;", error))
        throw std::runtime_error("enterprise: " + error);
    source_ = std::make_unique<host::SnapshotSource>(*snapshot_);
    host_.setDataSource(source_.get());
    module_ = host::Module::load(moduleFile(), error);
    if (!module_) throw std::runtime_error("module: " + error);

    report_.predicates = {host::Predicate::report()};
    record(report_);

    // The single-resource query asks for the resource with the most tasks.
    host::SessionOptions options;
    options.predicates = report_.predicates;
    host::Session session(host_, *module_, options);
    const host::SessionRun run = host::runSession(session);
    const zrx::MentrenqRow* busiest = nullptr;
    for (const auto& r : run.rows)
        if (!busiest || r.owntaskct + r.waittaskct > busiest->owntaskct + busiest->waittaskct) busiest = &r;
    if (!busiest) throw std::runtime_error("no contention in " + spec.name());
    resource_.predicates = host::Predicate::resource(zrxtest::trimmed(busiest->majorname, 8),
                                                     zrxtest::trimmed(busiest->minorname, 255),
                                                     zrxtest::trimmed(busiest->enqplex, 8));
    record(resource_);
}

void Enterprise::record(Query& q) {
    host_.clearStatements();
    q.outcome = runQuery(host_, *module_, q.predicates);
    q.statements = host_.statements();
    host_.clearStatements();

    q.replay = std::make_unique<host::ReplaySource>(*source_);
    q.replayHost = std::make_unique<host::Host>(q.replay.get());
    runQuery(*q.replayHost, *module_, q.predicates);
    q.replay->replay();
    q.replayHost->clearStatements();
}

Enterprise& enterprise(const CaseSpec& spec) {
    static std::map<std::string, std::unique_ptr<Enterprise>> loaded;
    auto& e = loaded[spec.name()];
    if (!e) e = std::make_unique<Enterprise>(spec);
    return *e;
}

} // namespace bench
