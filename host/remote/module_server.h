// The module host's side: the module and the session core run here, for a
// host at the other end of a channel that answers the statements and takes
// the trace (protocol.h).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/module.h"
#include "remote/channel.h"

namespace host::remote {

// How this process loads the module from the bytes the host sent: into a
// file of its own named `name`, then with this platform's loader. A refusal
// is nullptr with one line in `error`; a fault of the module's own code
// throws ModuleFailure. Each platform's module host defines it.
std::unique_ptr<Module> loadModuleCopy(const std::string& name, const std::vector<uint8_t>& bytes, std::string& error);

// Readies this process to report a fault of the module's code over
// `channel` (Failed) before it ends. Each platform's module host defines it.
void reportFaultsTo(Channel& channel);

// The whole life of a module host on `channel`: Hello, the module's load,
// then sessions until the host closes the channel. Returns the exit status
// of the process: 0 after a normal end, 2 when the module was refused, 3
// when it failed or the channel broke.
int serveModule(Channel& channel);

// Sends Failed with `line`: the module host cannot go on. Safe to call once
// from a fault handler that then ends the process.
void sendFailure(Channel& channel, const std::string& line);

} // namespace host::remote
