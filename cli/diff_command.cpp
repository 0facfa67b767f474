// diff: what changed between two moments, each a snapshot file or a sample
// of a history (HISTORY@TIME).
#include <sys/stat.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <set>
#include <tuple>

#include "cli/aligned_table.h"
#include "cli/columns.h"
#include "cli/command_context.h"
#include "cli/message_text.h"
#include "cli/commands.h"
#include "cli/json_text.h"
#include "cli/past_samples.h"
#include "cli/row_formats.h"
#include "cli/snapshot_sample.h"
#include "cli/standard_output.h"
#include "cli/view_runner.h"
#include "history/history_file.h"
#include "history/sample_shape.h"
#include "history/stored_rows.h"
#include "sql/utc_time.h"

namespace cli {

namespace {

constexpr int differ = 1;

// One side of the comparison.
struct Moment {
    std::string name; // as given
    std::string historyFile, time; // for HISTORY@TIME
    history::Sample sample;
};

// How one resource stood at one moment.
struct Standing {
    int64_t waiters = 0, maxWait = 0;
    std::vector<std::string> holders; // OWNINGAS@SYSNAME, in order of appearance
    std::vector<std::string> waiting; // WAITINGAS@SYSNAME
};

using Key = std::tuple<std::string, std::string, std::string>; // Enqplex, major, minor

std::map<Key, Standing> standings(const history::Sample& s, std::vector<Key>& order) {
    std::map<Key, Standing> out;
    for (size_t i = 0; i < s.report.size(); ++i) {
        const auto& row = s.report[i];
        Key key{history::shownText(row.enqplex), history::shownText(row.majorname), history::shownText(row.minorname)};
        if (out.count(key)) continue;
        static const std::vector<zrx::MentrenqRow> none;
        const auto& rows = i < s.resources.size() ? s.resources[i].rows : none;
        Standing st{row.waittaskct, row.maxwaittm, history::holdersOf(row, rows), {}};
        for (const auto& r : rows)
            if (!history::isOwnerRow(r) && history::sameResourceAs(r, row))
                st.waiting.push_back(history::shownText(r.waitingas) + "@" + history::shownText(r.sysname));
        out.emplace(key, std::move(st));
        order.push_back(key);
    }
    return out;
}

std::vector<std::string> sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

struct Change {
    const char* kind;
    Key key;
    const Standing* before;
    const Standing* after;
};

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const auto& n : names) text += (text.empty() ? "" : " ") + n;
    return text;
}

// A side: an existing file is a snapshot; otherwise HISTORY@TIME.
bool readMoment(const std::string& given, std::unique_ptr<host::Module>& module, Moment& m, int& status) {
    status = exitcode::usage;
    m.name = given;
    struct stat st {};
    const bool file = ::stat(given.c_str(), &st) == 0;
    const size_t at = given.rfind('@');
    if (!file && at != std::string::npos && at > 0) {
        m.historyFile = given.substr(0, at);
        m.time = given.substr(at + 1);
        auto reader = openHistoryToRead(m.historyFile, status);
        history::SampleInfo info;
        if (!reader || !sampleAt(*reader, m.historyFile, m.time, info, status)) return false;
        std::string error;
        if (!reader->content(info, m.sample, error)) {
            reportError(m.historyFile + ": " + error);
            status = exitcode::viewStatus;
            return false;
        }
        return true;
    }
    if (file && history::lookAtFile(given).kind == history::FileKind::History) {
        reportError(given + " is a history: name one of its moments as " + given + "@TIME");
        return false;
    }
    std::optional<int64_t> captured;
    std::string error;
    if (!snapshotCaptureTime(given, captured, error)) {
        reportError(error);
        return false;
    }
    if (!module) {
        module = host::Module::load(moduleFile(""), error);
        if (!module) {
            reportError(error + " (use --module PATH or MENTRENQ_MODULE)");
            return false;
        }
    }
    m.sample = SampleTaker(*module, UINT64_MAX).take(given);
    return true;
}

Json standingJson(const Standing* s) {
    if (!s) return nullptr;
    Json holders = Json::array(), waiting = Json::array();
    for (const auto& h : s->holders) holders.push_back(jsonText(h));
    for (const auto& w : s->waiting) waiting.push_back(jsonText(w));
    return Json{{"waiters", s->waiters}, {"max_wait", s->maxWait}, {"holders", holders}, {"waiting", waiting}};
}

// The resources of a moment whose owners and waiters could not be read:
// their holders and waiters are not known, so neither is what changed.
struct Gap {
    Key key;
    std::string reason;
};

std::vector<Gap> gapsOf(const history::Sample& s) {
    std::vector<Gap> gaps;
    for (size_t i = 0; i < s.report.size() && i < s.resources.size(); ++i)
        if (!s.resources[i].unavailable.empty())
            gaps.push_back({{history::shownText(s.report[i].enqplex), history::shownText(s.report[i].majorname),
                             history::shownText(s.report[i].minorname)},
                            s.resources[i].unavailable});
    return gaps;
}

Json momentJson(const Moment& m) {
    Json moment{{"source", jsonText(m.name)},
                {"taken_at", host::sql::formatUtcTime(m.sample.takenMs)},
                {"time_source", m.sample.captured ? "capture" : "read"}};
    const std::vector<Gap> gaps = gapsOf(m.sample);
    if (!gaps.empty()) {
        Json list = Json::array();
        for (const auto& g : gaps)
            list.push_back(Json{{"enqplex", jsonText(std::get<0>(g.key))},
                                {"majorname", jsonText(std::get<1>(g.key))},
                                {"minorname", jsonText(std::get<2>(g.key))},
                                {"reason", jsonText(g.reason)}});
        moment["unavailable"] = list;
    }
    return moment;
}

} // namespace

int diffCommand(const Arguments& args) {
    RowFormat format = RowFormat::Table;
    parseRowFormat(args.value("--format", "table"), format);
    if (args.positionals.size() != 2) {
        reportError("diff compares two moments: OLD NEW");
        return exitcode::usage;
    }
    std::unique_ptr<host::Module> module;
    if (args.has("--module")) {
        std::string error;
        module = host::Module::load(args.value("--module"), error);
        if (!module) {
            reportError(error);
            return exitcode::usage;
        }
    }
    Moment old, now;
    int status = exitcode::ok;
    if (!readMoment(args.positionals[0], module, old, status) || !readMoment(args.positionals[1], module, now, status))
        return status;
    for (const Moment* m : {&old, &now}) {
        if (m->sample.reportComplete()) continue;
        reportError(m->name + ": the view failed, so nothing can be compared: " +
                                  (m->sample.reason.empty() ? "it did not run" : m->sample.reason));
        return exitcode::viewStatus;
    }
    std::vector<Key> oldOrder, newOrder;
    const auto before = standings(old.sample, oldOrder);
    const auto after = standings(now.sample, newOrder);
    std::vector<Change> changes;
    for (const Key& k : newOrder)
        if (!before.count(k)) changes.push_back({"NEW", k, nullptr, &after.at(k)});
    for (const Key& k : newOrder) {
        auto b = before.find(k);
        if (b == before.end()) continue;
        const Standing& x = b->second;
        const Standing& y = after.at(k);
        if (x.waiters != y.waiters || y.maxWait > x.maxWait || sorted(x.holders) != sorted(y.holders) ||
            sorted(x.waiting) != sorted(y.waiting))
            changes.push_back({"CHANGED", k, &x, &y});
    }
    for (const Key& k : oldOrder)
        if (!after.count(k)) changes.push_back({"RESOLVED", k, &before.at(k), nullptr});

    if (format == RowFormat::Json) {
        Json list = Json::array();
        for (const auto& c : changes)
            list.push_back(Json{{"change", c.kind},
                                {"enqplex", jsonText(std::get<0>(c.key))},
                                {"majorname", jsonText(std::get<1>(c.key))},
                                {"minorname", jsonText(std::get<2>(c.key))},
                                {"old", standingJson(c.before)},
                                {"new", standingJson(c.after)}});
        std::cout << dumpJson(Json{{"old", momentJson(old)}, {"new", momentJson(now)}, {"changes", list}});
    } else {
        const std::vector<std::string> header = {"CHANGE",       "ENQPLEX",      "MAJORNAME",   "MINORNAME",
                                                 "OLD_WAITERS",  "NEW_WAITERS",  "OLD_MAX_WAIT", "NEW_MAX_WAIT",
                                                 "OLD_HOLDERS",  "NEW_HOLDERS"};
        auto figure = [](const Standing* s, int64_t Standing::*field) {
            return s ? std::to_string(s->*field) : std::string();
        };
        std::vector<std::vector<std::string>> rows;
        for (const auto& c : changes)
            rows.push_back({c.kind, std::get<0>(c.key), std::get<1>(c.key), std::get<2>(c.key),
                            figure(c.before, &Standing::waiters), figure(c.after, &Standing::waiters),
                            figure(c.before, &Standing::maxWait), figure(c.after, &Standing::maxWait),
                            c.before ? joined(c.before->holders) : "", c.after ? joined(c.after->holders) : ""});
        if (format == RowFormat::Table) {
            writeAlignedTable(std::cout, header, rows,
                              {false, false, false, false, true, true, true, true, false, false});
        } else {
            for (size_t i = 0; i < header.size(); ++i) std::cout << (i ? "," : "") << header[i];
            std::cout << "\r\n";
            for (const auto& row : rows) {
                for (size_t i = 0; i < row.size(); ++i) std::cout << (i ? "," : "") << csvField(row[i]);
                std::cout << "\r\n";
            }
            std::cout << std::flush;
        }
    }
    flushStandardOutput();
    if (format != RowFormat::Json)
        std::cerr << printableMessage(old.name + " (" + host::sql::formatUtcTime(old.sample.takenMs) + ") to " + now.name +
                                   " (" + host::sql::formatUtcTime(now.sample.takenMs) + "): ")
                  << changes.size() << (changes.size() == 1 ? " difference" : " differences") << '\n';
    bool complete = true;
    for (const Moment* m : {&old, &now})
        for (const Gap& g : gapsOf(m->sample)) {
            reportError(m->name + ": the tasks of " + std::get<1>(g.key) + " " + std::get<2>(g.key) + " in " +
                        std::get<0>(g.key) + " could not be read: " + g.reason);
            complete = false;
        }
    if (!complete) return exitcode::viewStatus;
    return changes.empty() ? exitcode::ok : differ;
}

} // namespace cli
