// Import resolution: each import slot of a load plan gets the address of the
// host function that the DLL and ordinal, or DLL and name, designate. The
// host's functions are given as a table, so that resolution is checked in
// full before anything is mapped.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "pe/load_plan.h"

namespace host::pe {

// One function a DLL of the host exports, by ordinal (name null) or by name
// (ordinal 0).
struct HostFunction {
    const char* dll;
    uint32_t ordinal;
    const char* name;
    uintptr_t address;
};

struct Binding {
    uint32_t iatRva;
    uintptr_t address;
};

// DLL names compare without regard to case, as Windows file names do;
// function names compare exactly. False with one line naming the first
// import the table cannot satisfy.
bool bindImports(const LoadPlan& plan, std::span<const HostFunction> functions,
                 std::vector<Binding>& bindings, std::string& error);

} // namespace host::pe
