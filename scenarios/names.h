// How the generator names things: nodes, Systems, jobs and resources. Every
// name keeps within its column's width (8 for jobs, Systems, majors and
// Enqplexes, 32 for nodes, 255 for minors) and holds no apostrophe.
#pragma once

#include <string>
#include <string_view>

namespace scenarios::names {

// PlexHubs, ENQ agents and other nodes are told apart by their affinities.
inline constexpr std::string_view plexHubAffinities = "1000000000000000000000000000000000000000000";
inline constexpr std::string_view enqAgentAffinities = "0000000000000000000000002000000000000000000";
inline constexpr std::string_view otherAgentAffinities = "0000000000000000000000001000000000000000000";
inline constexpr std::string_view hubAffinities = "0000000000000000000000000000000000000000000";
inline constexpr std::string_view hubNode = "HUBTEMS:CMS";

inline constexpr std::string_view mimJob = "MIMGR";
inline constexpr int mimAsid = 0x001C;

// Address spaces each System can run; job j has ASID 0x0030 + j.
inline constexpr int jobPoolSize = 1024;

std::string enqplexName(int enqplex);                      // ENQPLEX1
std::string sysplexName(int enqplex, int sysplex);         // PLX1A
std::string systemName(int enqplex, int sysplex, int sys); // SYS1A01
std::string plexHubNode(std::string_view sysplex);         // PLX1A:PLEXHUB
std::string agentNode(std::string_view system);            // SYS1A01:AGENT
std::string cicsAgentNode(std::string_view system);        // SYS1A01:CICSAGT
std::string thruNode(std::string_view shortName);          // RTEMS_SYS1A01

std::string jobName(int job);
inline int jobAsid(int job) { return 0x0030 + job; }

// Resource `serial` of an Enqplex: a major from SYSDSN, SPFEDIT, SYSZVVDS and
// SYSVSAM, and a minor unique to the serial. One serial in four gives the
// same name in every Enqplex.
struct ResourceName {
    std::string_view major;
    std::string minor;
};
void resourceName(int enqplex, int serial, ResourceName& out);

} // namespace scenarios::names
