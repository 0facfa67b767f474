#include "scenarios/generator.h"

#include <string_view>

#include "enterprise_builder.h"
#include "names.h"
#include "sql_script_sink.h"

namespace scenarios {

namespace {

class CountingSink final : public RowSink {
public:
    void node(const NodeRow& r) override {
        if (r.affinities == names::plexHubAffinities) ++figures.plexhubs;
    }
    void sysplexMember(const SysplexMemberRow&) override { ++figures.systems; }
    void globalEnq(const GlobalEnqRow&) override { ++figures.mglblenqRows; }
    void resource(const ResourceRow&) override { ++figures.resrcRows; }
    void task(const TaskRow&) override { ++figures.taskRows; }
    void contended(int tasks) override {
        ++figures.contendedResources;
        figures.contendedTasks += tasks;
    }

    EnterpriseFigures figures{0, 0, 0, 0, 0, 0, 0, 0};
};

// The options as the generate command takes them, so that a reader can make
// the same enterprise again.
std::string header(const GeneratorOptions& o) {
    return "-- Generated enterprise: --enqplexes " + std::to_string(o.enqplexes) +
           " --sysplexes " + std::to_string(o.sysplexes) + " --systems " +
           std::to_string(o.systems) + " --resources " + std::to_string(o.resources) +
           " --tasks " + std::to_string(o.tasks) + " --seed " + std::to_string(o.seed) +
           "\n-- INSERT statements for the tables of enterprise.sql.\n";
}

} // namespace

std::string generateEnterpriseSql(const GeneratorOptions& options) {
    SqlScriptSink sink;
    buildEnterprise(options, sink);
    return sink.finish(header(options));
}

EnterpriseFigures describe(const GeneratorOptions& options) {
    CountingSink sink;
    buildEnterprise(options, sink);
    sink.figures.enqplexes = options.enqplexes;
    return sink.figures;
}

} // namespace scenarios
