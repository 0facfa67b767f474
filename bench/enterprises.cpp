#include "enterprises.h"

#include <cstdlib>
#include <map>
#include <stdexcept>

#include "frame/work_area.h"
#include "platform/trace_control.h"

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

std::string trimmed(const char* field, size_t width) {
    size_t n = width;
    while (n > 0 && field[n - 1] == ' ') --n;
    return std::string(field, n);
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
    o.lastStatus = session.start();
    if (o.lastStatus == 0) {
        do {
            o.lastStatus = session.request();
        } while (o.lastStatus == 0);
    }
    if (auto* w = static_cast<const zrx::workA*>(session.workArea())) o.collectedRows = w->rowsUsed;
    o.outputRows = session.rows().size();
    o.hostStorage = session.storageOutstanding();
    session.end();
    if (o.lastStatus != 62) throw std::runtime_error("the view ended with status " + std::to_string(o.lastStatus));
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

    report_.predicates = {{"REPORT", 1, "YES"}};
    record(report_);

    // The single-resource query asks for the resource with the most tasks.
    host::SessionOptions options;
    options.predicates = report_.predicates;
    host::Session session(host_, *module_, options);
    session.start();
    while (session.request() == 0) {
    }
    const zrx::MentrenqRow* busiest = nullptr;
    for (const auto& r : session.rows())
        if (!busiest || r.owntaskct + r.waittaskct > busiest->owntaskct + busiest->waittaskct) busiest = &r;
    if (!busiest) throw std::runtime_error("no contention in " + spec.name());
    resource_.predicates = {{"MAJORNAME", 1, trimmed(busiest->majorname, 8)},
                            {"MINORNAME", 1, trimmed(busiest->minorname, 255)},
                            {"ENQPLEX", 1, trimmed(busiest->enqplex, 8)}};
    session.end();
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
