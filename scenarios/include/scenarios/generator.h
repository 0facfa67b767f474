// Synthetic enterprise snapshots for benchmarks and load tests.
//
// The generated script holds INSERT statements for the tables of
// enterprise.sql (apply that schema first; wrap the script in a transaction
// when loading it into a file). The enterprise is consistent the way a real
// one is: each System's agent tables (ENQ_RESRC, ENQ_TASKS) hold the truth of
// that System, and each PlexHub's MGLBLENQ holds what its Sysplex sees of it.
//
// Layout, for Enqplex e (1-based) and Sysplex letter p (A, B, ...):
//   Enqplex  ENQPLEXe; the last one is "*DEFAULT" (ENQPLEX blank or null)
//            when there are two or more Enqplexes; the second, fifth and
//            eighth are MIM-managed (ENQPLEX "ENQPLEXe.MIMGR") unless they
//            are "*DEFAULT".
//   PlexHub  node PLXep:PLEXHUB, e.g. PLX1A:PLEXHUB.
//   System   SYSepNN (NN = 01, 02, ...), agent node SYSepNN:AGENT.
//   Every PlexHub and agent has its own thru-node, RTEMS_<name before ":">,
//   which is the AT_NODE of every row it answers.
//   Counting Systems across the enterprise from 0, System 6, 13, 20, ...
//   has its agent offline, and System 2, 7, 12, ... also runs a CICS agent
//   whose node carries the System's name but serves no ENQ tables.
//
// Contention, per Enqplex: `resources` contended resources, each with about
// `tasks` tasks (2 to 2*tasks-2): mostly one exclusive owner, a quarter with
// one to three shared owners, and waiters on the owner's Sysplex or on any
// other Sysplex of the Enqplex. Besides, each Enqplex has one uncontended ENQ
// for every five contended resources, held by one task and known only to its
// agent. One resource name in four is the same in every Enqplex.
//
// What a Sysplex sees: for a resource with a waiter on one of its Systems,
// every task of it on its Systems. In a MIM-managed Enqplex each System's
// serialisation is local: MIM's job MIMGR holds the resource (ENQPFLAG 0x80)
// on every System that has a waiter but no true owner, and the Sysplex sees
// the tasks of those Systems of it that have a waiter.
#pragma once

#include <cstdint>
#include <string>

namespace scenarios {

struct GeneratorOptions {
    int enqplexes = 2;  // 1 to 8
    int sysplexes = 2;  // per Enqplex, 1 to 8
    int systems = 2;    // per Sysplex; at most 64 per Enqplex
    int resources = 50; // contended resources per Enqplex, 0 to 100000
    int tasks = 3;      // average tasks per resource, 2 to 64
    uint64_t seed = 1;
};

// Limits that keep an enterprise within what the view can register and the
// script within a reasonable size.
inline constexpr int maxEnqplexes = 8;
inline constexpr int maxSysplexesPerEnqplex = 8;
inline constexpr int maxSystemsPerEnqplex = 64;
inline constexpr int maxResourcesPerEnqplex = 100000;
inline constexpr int minTasksPerResource = 2;
inline constexpr int maxTasksPerResource = 64;
inline constexpr long maxTaskBudgetPerEnqplex = 400000; // resources * tasks

// The enterprise of the load test and of its pace benchmark: 8 Enqplexes of
// 8 Sysplexes of 8 Systems, 250 contended resources each, about 8000 of the
// view's 10000 collected rows.
inline GeneratorOptions loadEnterprise() {
    return GeneratorOptions{maxEnqplexes, 8, 8, 250, 3, 200};
}

// Same options and seed, same text, byte for byte. Throws
// std::invalid_argument, naming the option and its bounds, for options
// outside the limits above.
std::string generateEnterpriseSql(const GeneratorOptions& options);

struct EnterpriseFigures {
    int enqplexes, plexhubs, systems;
    long mglblenqRows, resrcRows, taskRows;
    // Over all Enqplexes: the contended resources (the rows of a report) and
    // their tasks. A report holds a summary row per resource and at most a
    // detail row per task.
    long contendedResources, contendedTasks;
};

// What generateEnterpriseSql writes for the same options, without building
// the text. Throws as generateEnterpriseSql does.
EnterpriseFigures describe(const GeneratorOptions& options);

} // namespace scenarios
