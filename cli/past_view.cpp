#include "cli/past_view.h"

#include <cstring>

#include "cli/enqplex_names.h"
#include "history/stored_rows.h"
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
std::string minorName(const std::string& value) {
    if (!value.empty() && value[0] == ' ') return "";
    size_t n = 0;
    while (n < 255 && n < value.size() && value[n] != '\0') ++n;
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
    IndexValues v;
    std::string report;
    for (const auto& p : predicates) {
        const bool index = p.column == "MAJORNAME" || p.column == "MINORNAME" || p.column == "ENQPLEX" ||
                           p.column == "REPORT";
        if (!index) continue;
        if (p.op != 1) return v;
        if (p.column == "MAJORNAME") v.major = leading(p.value, 8);
        else if (p.column == "MINORNAME") v.minor = minorName(p.value);
        else if (p.column == "REPORT") report = leading(p.value, 3);
        else if (const std::string name = leading(p.value, 8); !name.empty()) v.enqplex = name;
    }
    if (predicates.empty()) return v;
    v.report = report == "YES";
    const bool reportCase = v.major.empty() && v.minor.empty() && v.enqplex.empty() && v.report;
    const bool resourceCase = !v.major.empty() && !v.minor.empty() && !v.enqplex.empty() && !v.report;
    // The WHERE clause of one resource must fit the view's 324 bytes.
    constexpr size_t clauseRoom = 324, fixedText = 28 + 28 + 1;
    if (resourceCase && fixedText + quotedLength(v.major, 16) + quotedLength(v.minor, 510) >= clauseRoom) return v;
    v.valid = reportCase || resourceCase;
    return v;
}

void invalid(ViewResult& result) {
    result.status = zrx::entry::viewAbandoned;
    result.abandonReason = zrx::Abandon::InvalidIndices;
}

} // namespace

PastOutcome answerFromSample(const history::Sample& sample, const std::vector<host::Predicate>& predicates,
                             ViewResult& result, std::string& message) {
    result = ViewResult{};
    result.elapsedMs = sample.viewMs;
    const std::string when = host::sql::formatUtcTime(sample.takenMs);
    if (!sample.status) {
        message = "the view did not run for the sample of " + when + ": " + sample.reason;
        return PastOutcome::Refused;
    }
    for (const auto& p : predicates)
        if (p.column == "ENQPLEX" && p.op == 1 && !enqplexAmong(sample.enqplexes, p.value, message))
            return PastOutcome::UnknownEnqplex;
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
