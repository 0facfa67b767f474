// One whole query on the linked module whose work area is looked at before
// the session ends: the rows, the lists the module built, the statements the
// host planned and the storage it handed out.
#pragma once

#include <cstdint>
#include <cstring>
#include <cctype>
#include <string>
#include <vector>

#include "testing/fault_plan.h"
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
    std::string lists;           // every field of the rows in the lists but their links
};

// The fields of a summary row and of its detail rows that are not links,
// byte for byte: what carving rows from the index block must leave intact.
inline std::string listBytes(const zrx::SORow& sor) {
    auto bytes = [](const auto& field) { return std::string(reinterpret_cast<const char*>(&field), sizeof field); };
    std::string out = bytes(sor.SysRMask) + bytes(sor.SORFlag) + bytes(sor.majorname) + bytes(sor.minorname) +
                      bytes(sor.owntaskct) + bytes(sor.waittaskct) + bytes(sor.maxwaittm);
    for (const zrx::DORow* d = sor.DOR1st; d; d = d->DORNxt)
        out += bytes(d->owningas) + bytes(d->waitingas) + bytes(d->sysname) + bytes(d->plxname) +
               bytes(d->swapped) + bytes(d->type) + bytes(d->asid) + bytes(d->waittime) + bytes(d->originnode) +
               bytes(d->trueowner) + bytes(d->enqpflag);
    return out;
}

inline CollectedRun collect(zrxtest::HostFixture& fx, std::vector<host::Predicate> predicates,
                            host::SessionOptions options = {}) {
    CollectedRun r;
    fx.host().clearStatements();
    const uint64_t callsBefore = host::faults(fx.host()).calls(host::Operation::GetViewStorage);
    auto s = fx.session(std::move(predicates), std::move(options));
    host::RunHooks hooks;
    hooks.beforeEnd = [&](host::Session& session) {
        const auto* w = static_cast<const zrx::workA*>(session.workArea());
        if (!w) return;
        std::memcpy(static_cast<void*>(&r.work), w, sizeof r.work);
        r.rowsUsed = w->rowsUsed;
        for (const auto& e : w->Enqplxs)
            for (const zrx::SORow* sor = e.SOR1st; sor; sor = sor->SORNxt) {
                r.lists += listBytes(*sor);
                r.rowStorage += sizeof(zrx::SORow);
                for (const zrx::DORow* d = sor->DOR1st; d; d = d->DORNxt) r.rowStorage += sizeof(zrx::DORow);
            }
        r.storage = session.storageOutstanding();
        r.viewStorageCalls = host::faults(fx.host()).calls(host::Operation::GetViewStorage) - callsBefore;
    };
    host::SessionRun run = host::runSession(*s, {5000, 0}, hooks);
    if (run.start != 0) return CollectedRun{};
    r.statuses = std::move(run.requests);
    r.rows = std::move(run.rows);
    r.statements = fx.host().statements();
    return r;
}

// Trace lines with their addresses masked: addresses differ from run to
// run, everything else of a line must not. Each "0x" with lower-case hex
// digits, and each run of blanks followed by a word of upper-case hex
// digits, becomes " #" (a hand-made scan: a regular expression over a
// detail trace is too slow under the sanitizers).
inline std::vector<std::string> masked(const std::vector<std::string>& lines) {
    auto lowerHex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); };
    auto upperHex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); };
    auto wordChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    std::vector<std::string> out;
    out.reserve(lines.size());
    for (const auto& l : lines) {
        std::string m;
        const size_t n = l.size();
        for (size_t i = 0; i < n;) {
            size_t j = i;
            if (l[i] == '0' && i + 2 < n && l[i + 1] == 'x' && lowerHex(l[i + 2])) {
                for (j = i + 2; j < n && lowerHex(l[j]);) ++j;
                m += " #";
            } else if (l[i] == ' ') {
                while (j < n && l[j] == ' ') ++j;
                size_t k = j;
                while (k < n && upperHex(l[k])) ++k;
                if (k > j && (k == n || !wordChar(l[k]))) {
                    m += " #";
                    j = k;
                } else {
                    m.append(l, i, j - i);
                }
            } else {
                m += l[j++];
            }
            i = j;
        }
        out.push_back(std::move(m));
    }
    return out;
}

inline bool sameRows(const std::vector<zrx::MentrenqRow>& a, const std::vector<zrx::MentrenqRow>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(zrx::MentrenqRow)) == 0);
}

} // namespace perftest
