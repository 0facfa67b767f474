#include "pe/bind_imports.h"

#include <cstring>
#include <string_view>

namespace host::pe {

namespace {

bool sameDll(std::string_view a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string providedDlls(std::span<const HostFunction> functions) {
    std::string out;
    for (size_t i = 0; i < functions.size(); ++i) {
        bool seen = false;
        for (size_t j = 0; j < i; ++j) seen = seen || sameDll(functions[i].dll, functions[j].dll);
        if (seen) continue;
        out += (out.empty() ? "" : ", ") + std::string(functions[i].dll);
    }
    return out;
}

} // namespace

bool bindImports(const LoadPlan& plan, std::span<const HostFunction> functions,
                 std::vector<Binding>& bindings, std::string& error) {
    bindings.clear();
    for (const ImportLibrary& lib : plan.imports) {
        bool known = false;
        for (const HostFunction& f : functions) known = known || sameDll(lib.dll, f.dll);
        if (!known) {
            error = "imports from " + printable(lib.dll) + ", which the loader does not provide (it provides " +
                    providedDlls(functions) + ")";
            return false;
        }
        for (const ImportSlot& slot : lib.slots) {
            const HostFunction* found = nullptr;
            for (const HostFunction& f : functions) {
                if (!sameDll(lib.dll, f.dll)) continue;
                if (slot.ordinal ? f.ordinal == slot.ordinal : (f.name && slot.name == f.name)) found = &f;
            }
            if (!found) {
                error = "imports " +
                        (slot.ordinal ? "ordinal " + std::to_string(slot.ordinal) + " of "
                                      : printable(slot.name) + " from ") +
                        printable(lib.dll) + ", which the loader does not provide";
                return false;
            }
            bindings.push_back({slot.iatRva, found->address});
        }
    }
    return true;
}

} // namespace host::pe
