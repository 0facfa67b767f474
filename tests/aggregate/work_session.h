// A started session of the linked module whose work area the tests drive
// directly: a small Enqplex table set field by field and input rows as a
// fetcher would leave them.
#pragma once

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "frame/work_area.h"
#include "support/fixed_width.h"
#include "support/host_fixture.h"

namespace aggtest {

using Started = zrxtest::StartedSession;

using zrxtest::field;

template <std::size_t N>
void setName(char (&to)[N], const std::string& value) {
    std::memcpy(to, field(value, N).data(), N);
}

template <std::size_t N>
std::string whole(const char (&f)[N]) {
    return std::string(f, N);
}

// Enqplex `e` named `name` with its Systems, each reached through
// "<System>:THRU".
inline void setEnqplex(zrx::workA* w, int e, const std::string& name, const std::vector<std::string>& systems) {
    zrx::EnqplxEntry& entry = w->Enqplxs[e];
    std::memset(&entry, 0, sizeof entry);
    setName(entry.EnqpName, name);
    entry.numPHs = 1;
    entry.numSys = static_cast<int32_t>(systems.size());
    for (std::size_t i = 0; i < systems.size(); ++i) {
        setName(entry.SysNames[i], systems[i]);
        setName(entry.SysThruNodes[i], systems[i] + ":THRU");
        entry.SysFlags[i] = zrx::thruNodeKnown;
    }
}

// One task of a resource as a fetched row; an empty owner names a waiter.
struct Task {
    std::string major;
    std::string minor;
    std::string owner;
    std::string waiter;
    std::string sys = "SYSA";
    std::string plx = "PLXA";
    int asid = 0x20;
    int type = 0;
    int waittime = 0;
    int enqpflag = 0;
    int swapped = 0;
    std::string originnode = "PLXA:HUB";
};

inline void setInput(zrx::workA* w, const Task& t) {
    zrx::InputRow& r = w->inputRow;
    std::memset(&r, 0, sizeof r);
    setName(r.majorname, t.major);
    setName(r.minorname, t.minor);
    setName(r.owningas, t.owner);
    setName(r.waitingas, t.waiter);
    setName(r.sysname, t.sys);
    setName(r.plxname, t.plx);
    setName(r.originnode, t.originnode);
    setName(r.report, "YES");
    r.asid = static_cast<uint16_t>(t.asid);
    r.type = static_cast<int8_t>(t.type);
    r.waittime = t.waittime;
    r.enqpflag = static_cast<int8_t>(t.enqpflag);
    r.swapped = static_cast<int8_t>(t.swapped);
}

// A reference as the trace formats "%8X" print it.
inline std::string hex8(const void* p) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%8X", static_cast<unsigned>(reinterpret_cast<uintptr_t>(p)));
    return buf;
}

// The value an exit event carries for a returned reference.
inline std::string exitValue(const void* p) {
    return std::to_string(static_cast<int32_t>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p))));
}

inline const zrx::SORow* next(const zrx::SORow* r) { return r->SORNxt; }
inline const zrx::DORow* next(const zrx::DORow* r) { return r->DORNxt; }

// The rows of a list, in list order.
template <class Row>
std::vector<const Row*> chain(const Row* first) {
    std::vector<const Row*> out;
    for (const Row* r = first; r; r = next(r)) out.push_back(r);
    return out;
}

} // namespace aggtest
