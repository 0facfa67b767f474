#include "cli/past_view.h"

#include <cstring>

#include "history/stored_rows.h"
#include "zrx/mentrenq_table.h"
#include "sql/utc_time.h"

namespace cli {

namespace {

// What the view makes of its index predicates: a report, one resource, or
// an invalid combination.
struct IndexValues {
    bool valid = false;
    bool report = false;
    std::string major, minor, enqplex;
};

// Characters before the first blank or NUL, at most `width`.
std::string leading(const std::string& value, size_t width) {
    size_t n = 0;
    while (n < width && n < value.size() && value[n] != ' ' && value[n] != '\0') ++n;
    return value.substr(0, n);
}

// A minor name keeps its own blanks: only the padding goes, and a value
// that begins with a blank is empty.
std::string minorName(const std::string& value, size_t width) {
    if (!value.empty() && value[0] == ' ') return "";
    size_t n = 0;
    while (n < width && n < value.size() && value[n] != '\0') ++n;
    while (n > 0 && value[n - 1] == ' ') --n;
    return value.substr(0, n);
}

// The length of a name with its apostrophes doubled, or 0 when that does
// not fit the view's buffer of `room` bytes (the view then writes it empty).
size_t quotedLength(const std::string& name, size_t room) {
    size_t length = name.size();
    for (char c : name) length += c == '\'';
    return length + 1 > room ? 0 : length;
}

IndexValues readIndexValues(const std::vector<host::Predicate>& predicates) {
    using zrx::ColumnId;
    using zrx::columnSpec;
    const zrx::ColumnSpec &major = columnSpec(ColumnId::majorname), &minor = columnSpec(ColumnId::minorname),
                          &enqplex = columnSpec(ColumnId::enqplex), &report = columnSpec(ColumnId::report);
    IndexValues v;
    std::string reportValue;
    for (const auto& p : predicates) {
        const bool index = p.column == major.name || p.column == minor.name || p.column == enqplex.name ||
                           p.column == report.name;
        if (!index) continue;
        if (p.op != zrx::IndexOp::EQ) return v;
        if (p.column == major.name) v.major = leading(p.value, major.width);
        else if (p.column == minor.name) v.minor = minorName(p.value, minor.width);
        else if (p.column == report.name) reportValue = leading(p.value, report.width);
        else if (const std::string name = leading(p.value, enqplex.width); !name.empty()) v.enqplex = name;
    }
    if (predicates.empty()) return v;
    v.report = reportValue == zrx::reportPredicate.value;
    const bool reportCase = v.major.empty() && v.minor.empty() && v.enqplex.empty() && v.report;
    const bool resourceCase = !v.major.empty() && !v.minor.empty() && !v.enqplex.empty() && !v.report;
    // The WHERE clause of one resource must fit the view's 324 bytes, each
    // name quoted in a buffer of twice its width.
    constexpr size_t clauseRoom = 324, fixedText = 28 + 28 + 1;
    if (resourceCase &&
        fixedText + quotedLength(v.major, 2 * major.width) + quotedLength(v.minor, 2 * minor.width) >= clauseRoom)
        return v;
    v.valid = reportCase || resourceCase;
    return v;
}

void invalid(ViewResult& result) {
    result.status = zrx::entry::viewAbandoned;
    result.abandonReason = zrx::Abandon::InvalidIndices;
}

} // namespace

bool asksForTheWholeReport(const std::vector<host::Predicate>& predicates) {
    const IndexValues index = readIndexValues(predicates);
    return index.valid && index.report && index.enqplex.empty();
}

PastOutcome answerFromSample(const history::Sample& sample, const std::vector<host::Predicate>& predicates,
                             ViewResult& result, std::string& message) {
    result = ViewResult{};
    result.elapsedMs = sample.viewMs;
    const std::string when = host::sql::formatUtcTime(sample.takenMs);
    if (!sample.status) {
        message = "the view did not run for the sample of " + when + ": " + sample.reason;
        return PastOutcome::Refused;
    }
    const IndexValues index = readIndexValues(predicates);
    if (!index.valid) {
        invalid(result);
        message = describeResult(result);
        return PastOutcome::Answered;
    }
    if (index.report) {
        result.status = *sample.status;
        result.abandonReason = sample.abandon;
        result.rows = sample.report;
        // Counted over every Enqplex: said only of the whole report.
        if (index.enqplex.empty()) result.trace.passedOver = sample.passedOver;
        message = sample.reason;
        return PastOutcome::Answered;
    }
    if (!sample.reportComplete()) {
        message = "the report of the sample of " + when + " failed (" + sample.reason +
                  "), so it holds no rows of one resource";
        return PastOutcome::Refused;
    }
    for (size_t i = 0; i < sample.report.size(); ++i) {
        const auto& row = sample.report[i];
        if (history::storedText(row.enqplex) != index.enqplex || history::storedText(row.majorname) != index.major ||
            history::storedText(row.minorname) != index.minor)
            continue;
        if (i >= sample.resources.size() || sample.resources[i].detailStatus == 0) {
            message = "the sample of " + when + " holds no rows of that resource: " +
                      (i < sample.resources.size() ? sample.resources[i].unavailable : "they were not read");
            return PastOutcome::Refused;
        }
        const history::SampleResource& r = sample.resources[i];
        result.status = r.detailStatus;
        result.abandonReason = r.abandon;
        result.rows = r.rows;
        message = r.unavailable;
        return PastOutcome::Answered;
    }
    // Not contended then: the view had no row of it.
    result.status = zrx::entry::noMoreRows;
    return PastOutcome::Answered;
}

} // namespace cli
