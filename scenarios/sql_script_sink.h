// A RowSink that writes the rows as INSERT statements for the tables of
// enterprise.sql, table by table in the order of the schema.
#pragma once

#include <string>

#include "enterprise_rows.h"
#include "sql_table_writer.h"

namespace scenarios {

class SqlScriptSink final : public RowSink {
public:
    void node(const NodeRow& r) override {
        nodes_.beginRow();
        nodes_.text(r.node);
        nodes_.text(r.thruNode);
        nodes_.text(r.affinities);
        nodes_.text(r.online ? "Y" : "N");
        nodes_.endRow();
    }

    void sysplexMember(const SysplexMemberRow& r) override {
        members_.beginRow();
        members_.text(r.atNode);
        members_.text(r.sysName);
        members_.integer(r.monitorInterval);
        members_.integer(r.operatorInterval);
        members_.text(r.status);
        members_.text(r.mvsVersion);
        members_.text(r.originNode);
        if (r.enqplex) members_.text(*r.enqplex);
        else members_.null();
        members_.endRow();
    }

    void globalEnq(const GlobalEnqRow& r) override {
        global_.beginRow();
        global_.text(r.atNode);
        global_.text(r.major);
        global_.text(r.minor);
        global_.integer(r.ownTaskCount);
        global_.integer(r.waitTaskCount);
        global_.integer(r.maxWaitTime);
        global_.text(r.owningJob);
        global_.text(r.waitingJob);
        global_.text(r.sysName);
        global_.integer(r.swapped);
        global_.integer(r.type);
        global_.integer(r.asid);
        global_.integer(r.waitTime);
        global_.text("YES");
        global_.text(r.originNode);
        global_.integer(r.enqpFlag);
        global_.endRow();
    }

    void resource(const ResourceRow& r) override {
        resources_.beginRow();
        resources_.text(r.atNode);
        resources_.integer(r.rib);
        resources_.text(r.major);
        resources_.text(r.minor);
        resources_.endRow();
    }

    void task(const TaskRow& r) override {
        tasks_.beginRow();
        tasks_.text(r.atNode);
        tasks_.integer(r.rib);
        tasks_.integer(r.status);
        tasks_.text(r.jobName);
        tasks_.integer(r.swapped);
        tasks_.integer(r.type);
        tasks_.integer(r.asid);
        tasks_.text(r.sysName);
        tasks_.integer(r.waitTime);
        tasks_.integer(r.enqpFlag);
        tasks_.endRow();
    }

    // The tables in the order of the schema, after `header`.
    std::string finish(std::string header) {
        std::string parts[] = {nodes_.finish(), members_.finish(), global_.finish(),
                               resources_.finish(), tasks_.finish()};
        size_t size = header.size();
        for (const std::string& part : parts) size += part.size();
        std::string script = std::move(header);
        script.reserve(size);
        for (const std::string& part : parts) script += part;
        return script;
    }

private:
    SqlTableWriter nodes_{"INODESTS"};
    SqlTableWriter members_{"MXCFSYS"};
    SqlTableWriter global_{"MGLBLENQ"};
    SqlTableWriter resources_{"ENQ_RESRC"};
    SqlTableWriter tasks_{"ENQ_TASKS"};
};

} // namespace scenarios
