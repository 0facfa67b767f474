// Reading a snapshot the way the view does, and the rules every consistent
// enterprise keeps.
#pragma once

#include "snapshot.h"

namespace scenarios::testing {

// Adds temporary tables: plexhub (name, node, thru) of the online PlexHubs;
// agent (sysname, node, thru, online) of the ENQ agents; member (sysname,
// plexhub, plexthru, enqplex, mimjob) of every System a PlexHub reports; and
// truth: ENQ_TASKS joined with its ENQ_RESRC row (major, minor) and its
// System's member columns.
void analyse(Snapshot& db);

// Expects every rule to hold; call analyse first.
void expectConsistentEnterprise(Snapshot& db);

} // namespace scenarios::testing
