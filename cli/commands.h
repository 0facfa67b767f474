// The commands of mentrenq; each returns the program's exit status.
#pragma once

#include "cli/arguments.h"

namespace cli {

int queryCommand(const Arguments& args);
int treeCommand(const Arguments& args);
int sqlCommand(const Arguments& args);
int checkCommand(const Arguments& args);
int demoCommand(const Arguments& args);
int generateCommand(const Arguments& args);
int recordCommand(const Arguments& args);
int historyCommand(const Arguments& args);
// 0 when the two moments do not differ, 1 when they do.
int diffCommand(const Arguments& args);
int simulateCommand(const Arguments& args);
// Ends with the monitoring-plugins exit statuses: 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN.
int waitsCommand(const Arguments& args);
int watchCommand(const Arguments& args);
int serveCommand(const Arguments& args); // in the server library (serve_library.h)

} // namespace cli
