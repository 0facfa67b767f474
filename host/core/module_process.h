// A module that runs in another process (ZRX.dll in a Windows host under
// Wine): the session core runs there beside it, and this host answers its
// statements, takes its trace and keeps its fault plan and accounting, so
// that a Session here behaves as for a module of this process.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/session.h"
#include "zrx/mentrenq_row.h"
#include "zrx/status.h"

namespace host {

// What a session in the other process reports after each entry call.
struct RemoteState {
    std::vector<zrx::MentrenqRow> newRows; // handed over during the call
    LiveObjects live;                      // after the session end: what it left
    uint64_t storageBytes = 0;             // the session holds (0 once it ended)
    int storageRefusals = 0;
    zrx::Abandon abandonReason = zrx::Abandon::None;
};

class RemoteSession {
public:
    virtual ~RemoteSession() = default;
    enum class Entry : uint8_t { Start = 1, Request = 2, End = 3 };
    // Calls the entry there, answering its statements meanwhile. Throws
    // ModuleFailure when the module faults or its process ends.
    virtual int32_t call(Entry entry, RemoteState& state) = 0;
};

class ModuleProcess {
public:
    virtual ~ModuleProcess() = default;
    // A session there for `host`, which answers its statements. Throws
    // ModuleFailure when the process has ended.
    virtual std::unique_ptr<RemoteSession> openSession(Host& host, const SessionOptions& options) = 0;
};

} // namespace host
