#include "history/stored_rows.h"

#include <cstring>

namespace history {

namespace {

template <size_t N>
void fill(char (&field)[N], const std::string& text) {
    std::memset(field, ' ', N);
    std::memcpy(field, text.data(), text.size() < N ? text.size() : N);
}

} // namespace

void bindRow(Statement& s, int first, const zrx::MentrenqRow& r) {
    int i = first;
    s.bind(i++, storedText(r.majorname));
    s.bind(i++, storedText(r.minorname));
    s.bind(i++, int64_t{r.owntaskct});
    s.bind(i++, int64_t{r.waittaskct});
    s.bind(i++, int64_t{r.maxwaittm});
    s.bind(i++, storedText(r.owningas));
    s.bind(i++, storedText(r.waitingas));
    s.bind(i++, storedText(r.sysname));
    s.bind(i++, int64_t{static_cast<uint8_t>(r.swapped)});
    s.bind(i++, int64_t{static_cast<uint8_t>(r.type)});
    s.bind(i++, int64_t{r.asid});
    s.bind(i++, int64_t{r.waittime});
    s.bind(i++, storedText(r.report));
    s.bind(i++, storedText(r.originnode));
    s.bind(i++, storedText(r.plxname));
    s.bind(i++, storedText(r.enqplex));
    s.bind(i++, int64_t{r.trueowner});
}

zrx::MentrenqRow readRow(const Statement& s, int first) {
    zrx::MentrenqRow r{};
    int i = first;
    fill(r.majorname, s.text(i++));
    fill(r.minorname, s.text(i++));
    r.padding = 0;
    r.owntaskct = static_cast<int32_t>(s.integer(i++));
    r.waittaskct = static_cast<int32_t>(s.integer(i++));
    r.maxwaittm = static_cast<int32_t>(s.integer(i++));
    fill(r.owningas, s.text(i++));
    fill(r.waitingas, s.text(i++));
    fill(r.sysname, s.text(i++));
    r.swapped = static_cast<int8_t>(static_cast<uint8_t>(s.integer(i++)));
    r.type = static_cast<int8_t>(static_cast<uint8_t>(s.integer(i++)));
    r.asid = static_cast<uint16_t>(s.integer(i++));
    r.waittime = static_cast<int32_t>(s.integer(i++));
    fill(r.report, s.text(i++));
    fill(r.originnode, s.text(i++));
    fill(r.plxname, s.text(i++));
    fill(r.enqplex, s.text(i++));
    r.trueowner = static_cast<uint8_t>(s.integer(i++));
    return r;
}

bool isOwnerRow(const zrx::MentrenqRow& row) { return !shownText(row.owningas).empty(); }

std::string holderOf(const zrx::MentrenqRow& row) { return shownText(row.owningas) + "@" + shownText(row.sysname); }

bool sameResourceAs(const zrx::MentrenqRow& row, const zrx::MentrenqRow& summary) {
    return storedText(row.majorname) == storedText(summary.majorname) &&
           storedText(row.minorname) == storedText(summary.minorname);
}

} // namespace history
