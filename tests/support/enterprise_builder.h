// Builds small enterprise snapshots for tests, row by row, as SQL INSERTs on
// the snapshot schema. Rows are delivered in the order they are added.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zrxtest {

inline constexpr char plexHubAffinity[] = "1000000000000000000000000000000000000000000";
inline constexpr char agentAffinity[] = "0000000000000000000000002000000000000000000";

// A task row of MGLBLENQ; an empty owner names a waiter.
struct SummaryTask {
    std::string major;
    std::string minor;
    std::string owner;  // OWNINGAS
    std::string waiter; // WAITINGAS
    std::string sys;
    int type = 0;       // 0 exclusive, 1 shared
    int asid = 0x20;
    int waittime = 0;
    int enqpflag = 0;
    int swapped = 0;
    std::string originnode = "";
};

// A task of ENQ_TASKS; `owner` true gives STATUS 1.
struct AgentTask {
    int rib = 0;
    bool owner = false;
    std::string job;
    std::string sys;
    int type = 0;
    int asid = 0x20;
    int waittime = 0;
    int enqpflag = 0;
    int swapped = 0;
};

class EnterpriseBuilder {
public:
    // INODESTS rows.
    EnterpriseBuilder& plexHub(const std::string& node, const std::string& thrunode, bool online = true);
    EnterpriseBuilder& agent(const std::string& node, const std::string& thrunode, bool online = true);
    EnterpriseBuilder& node(std::optional<std::string> node, std::optional<std::string> thrunode,
                            const std::string& affinities, const std::string& online);
    // MXCFSYS at a PlexHub's thru-node; std::nullopt stores NULL.
    EnterpriseBuilder& member(const std::string& at, std::optional<std::string> sys,
                              std::optional<std::string> enqplex);
    // MGLBLENQ at a PlexHub's thru-node.
    EnterpriseBuilder& summary(const std::string& at, const SummaryTask& task);
    // ENQ_RESRC and ENQ_TASKS at a System's thru-node.
    EnterpriseBuilder& resource(const std::string& at, int rib, const std::string& major,
                                const std::string& minor);
    EnterpriseBuilder& task(const std::string& at, const AgentTask& task);
    // Any further SQL.
    EnterpriseBuilder& raw(const std::string& sql);

    const std::string& sql() const { return sql_; }

private:
    std::string sql_;
};

// 'text' with apostrophes doubled, or NULL.
std::string sqlLiteral(const std::optional<std::string>& text);

} // namespace zrxtest
