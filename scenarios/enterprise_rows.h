// The rows of an enterprise snapshot as the generator produces them, one
// struct per table, and the sink that receives them in snapshot order.
// Character values are held without trailing blanks; an absent optional
// value is a SQL null.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace scenarios {

struct NodeRow {
    std::string_view node, thruNode, affinities;
    bool online;
};

struct SysplexMemberRow {
    std::string_view atNode, sysName;
    int32_t monitorInterval, operatorInterval;
    std::string_view status, mvsVersion, originNode;
    std::optional<std::string_view> enqplex;
};

struct GlobalEnqRow {
    std::string_view atNode, major, minor;
    int32_t ownTaskCount, waitTaskCount, maxWaitTime;
    std::string_view owningJob, waitingJob, sysName;
    int swapped, type, asid;
    int32_t waitTime;
    std::string_view originNode;
    int enqpFlag;
};

struct ResourceRow {
    std::string_view atNode;
    int32_t rib;
    std::string_view major, minor;
};

struct TaskRow {
    std::string_view atNode;
    int32_t rib;
    int status; // 1 owner, 2 waiter
    std::string_view jobName;
    int swapped, type, asid;
    std::string_view sysName;
    int32_t waitTime;
    int enqpFlag;
};

// Rows of one table arrive in the order in which they are to stand in it.
class RowSink {
public:
    virtual ~RowSink() = default;
    virtual void node(const NodeRow&) = 0;
    virtual void sysplexMember(const SysplexMemberRow&) = 0;
    virtual void globalEnq(const GlobalEnqRow&) = 0;
    virtual void resource(const ResourceRow&) = 0;
    virtual void task(const TaskRow&) = 0;
    // After the rows of a contended resource: how many tasks hold it or
    // wait for it across the Enqplex (MIM's holders included).
    virtual void contended(int tasks) { (void)tasks; }
};

} // namespace scenarios
