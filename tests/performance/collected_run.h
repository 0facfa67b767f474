// One whole query on the linked module whose work area is looked at before
// the session ends: the rows, the lists the module built, the statements the
// host planned and the storage it handed out.
#pragma once

#include <cstdint>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "core/fault_plan.h"
#include "frame/work_area.h"
#include "support/host_fixture.h"

namespace perftest {

struct CollectedRun {
    std::vector<int32_t> statuses;
    std::vector<zrx::MentrenqRow> rows;
    std::vector<std::string> statements;
    int32_t rowsUsed = 0;
    uint64_t rowStorage = 0;     // bytes of the summary and detail rows in the lists
    uint64_t storage = 0;        // bytes of host storage the session held at its end
    uint64_t viewStorageCalls = 0;
    zrx::workA work{};           // the work area as the collection left it
};

inline CollectedRun collect(zrxtest::HostFixture& fx, std::vector<host::Predicate> predicates,
                            host::SessionOptions options = {}) {
    CollectedRun r;
    fx.host().clearStatements();
    const uint64_t callsBefore = fx.host().faults().calls(host::Operation::GetViewStorage);
    auto s = fx.session(std::move(predicates), std::move(options));
    if (s->start() != 0) return r;
    int32_t status;
    do {
        status = s->request();
        r.statuses.push_back(status);
    } while (status == 0 && r.statuses.size() < 5000);
    const auto* w = static_cast<const zrx::workA*>(s->workArea());
    std::memcpy(static_cast<void*>(&r.work), w, sizeof r.work);
    r.rowsUsed = w->rowsUsed;
    for (const auto& e : w->Enqplxs)
        for (const zrx::SORow* sor = e.SOR1st; sor; sor = sor->SORNxt) {
            r.rowStorage += sizeof(zrx::SORow);
            for (const zrx::DORow* d = sor->DOR1st; d; d = d->DORNxt) r.rowStorage += sizeof(zrx::DORow);
        }
    r.rows = s->rows();
    r.storage = s->storageOutstanding();
    r.viewStorageCalls = fx.host().faults().calls(host::Operation::GetViewStorage) - callsBefore;
    s->end();
    r.statements = fx.host().statements();
    return r;
}

// Trace lines with their addresses masked: addresses differ from run to
// run, everything else of a line must not.
inline std::vector<std::string> masked(const std::vector<std::string>& lines) {
    static const std::regex hex("0x[0-9a-f]+| +[0-9A-F]+\\b");
    std::vector<std::string> out;
    out.reserve(lines.size());
    for (const auto& l : lines) out.push_back(std::regex_replace(l, hex, " #"));
    return out;
}

inline bool sameRows(const std::vector<zrx::MentrenqRow>& a, const std::vector<zrx::MentrenqRow>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(zrx::MentrenqRow)) == 0);
}

} // namespace perftest
