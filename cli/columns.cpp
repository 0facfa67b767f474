#include "cli/columns.h"

namespace cli {

std::string trimmedField(const char* field, size_t width) {
    size_t n = width;
    while (n > 0 && (field[n - 1] == ' ' || field[n - 1] == '\0')) --n;
    return std::string(field, n);
}

namespace {
ColumnValue text(std::string s) { return ColumnValue{false, 0, std::move(s)}; }
ColumnValue number(int64_t n) { return ColumnValue{true, n, {}}; }
} // namespace

ColumnValue columnValue(const zrx::MentrenqRow& r, size_t i) {
    switch (i) {
    case 0: return text(trimmedField(r.majorname));
    case 1: return text(trimmedField(r.minorname));
    case 2: return number(r.owntaskct);
    case 3: return number(r.waittaskct);
    case 4: return number(r.maxwaittm);
    case 5: return text(trimmedField(r.owningas));
    case 6: return text(trimmedField(r.waitingas));
    case 7: return text(trimmedField(r.sysname));
    case 8: return number(static_cast<uint8_t>(r.swapped));
    case 9: return number(static_cast<uint8_t>(r.type));
    case 10: return number(r.asid);
    case 11: return number(r.waittime);
    case 12: return text(trimmedField(r.report));
    case 13: return text(trimmedField(r.originnode));
    case 14: return text(trimmedField(r.plxname));
    case 15: return text(trimmedField(r.enqplex));
    default: return number(r.trueowner);
    }
}

} // namespace cli
