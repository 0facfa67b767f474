#include "support/enterprise_builder.h"

namespace zrxtest {

std::string sqlLiteral(const std::optional<std::string>& text) {
    if (!text) return "NULL";
    std::string out = "'";
    for (char c : *text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out + "'";
}

namespace {
std::string lit(const std::string& s) { return sqlLiteral(s); }
std::string num(int n) { return std::to_string(n); }
} // namespace

EnterpriseBuilder& EnterpriseBuilder::node(std::optional<std::string> n, std::optional<std::string> thru,
                                           const std::string& affinities, const std::string& online) {
    sql_ += "INSERT INTO INODESTS VALUES(" + sqlLiteral(n) + "," + sqlLiteral(thru) + "," +
            lit(affinities) + "," + lit(online) + ");\n";
    return *this;
}

EnterpriseBuilder& EnterpriseBuilder::plexHub(const std::string& n, const std::string& thru, bool online) {
    return node(n, thru, plexHubAffinity, online ? "Y" : "N");
}

EnterpriseBuilder& EnterpriseBuilder::agent(const std::string& n, const std::string& thru, bool online) {
    return node(n, thru, agentAffinity, online ? "Y" : "N");
}

EnterpriseBuilder& EnterpriseBuilder::member(const std::string& at, std::optional<std::string> sys,
                                             std::optional<std::string> enqplex) {
    sql_ += "INSERT INTO MXCFSYS VALUES(" + lit(at) + "," + sqlLiteral(sys) +
            ",60,300,'ACTIVE','z/OS 02.05.00'," + lit(at) + "," + sqlLiteral(enqplex) + ");\n";
    return *this;
}

EnterpriseBuilder& EnterpriseBuilder::summary(const std::string& at, const SummaryTask& t) {
    sql_ += "INSERT INTO MGLBLENQ VALUES(" + lit(at) + "," + lit(t.major) + "," + lit(t.minor) +
            ",0,0,0," + lit(t.owner) + "," + lit(t.waiter) + "," + lit(t.sys) + "," + num(t.swapped) +
            "," + num(t.type) + "," + num(t.asid) + "," + num(t.waittime) + ",'YES'," +
            lit(t.originnode) + "," + num(t.enqpflag) + ");\n";
    return *this;
}

EnterpriseBuilder& EnterpriseBuilder::resource(const std::string& at, int rib, const std::string& major,
                                               const std::string& minor) {
    sql_ += "INSERT INTO ENQ_RESRC VALUES(" + lit(at) + "," + num(rib) + "," + lit(major) + "," +
            lit(minor) + ");\n";
    return *this;
}

EnterpriseBuilder& EnterpriseBuilder::task(const std::string& at, const AgentTask& t) {
    sql_ += "INSERT INTO ENQ_TASKS VALUES(" + lit(at) + "," + num(t.rib) + "," + num(t.owner ? 1 : 2) +
            "," + lit(t.job) + "," + num(t.swapped) + "," + num(t.type) + "," + num(t.asid) + "," +
            lit(t.sys) + "," + num(t.waittime) + "," + num(t.enqpflag) + ");\n";
    return *this;
}

EnterpriseBuilder& EnterpriseBuilder::raw(const std::string& sql) {
    sql_ += sql;
    if (!sql.empty() && sql.back() != '\n') sql_ += '\n';
    return *this;
}

} // namespace zrxtest
