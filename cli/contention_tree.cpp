#include "cli/contention_tree.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "cli/columns.h"
#include "cli/enqplex_names.h"
#include "cli/json_text.h"

namespace cli {

bool ContentionTree::complete() const {
    if (report.status != zrx::entry::noMoreRows) return false;
    for (const auto& e : enqplexes)
        for (const auto& r : e.resources)
            if (!r.unavailable.empty()) return false;
    return true;
}

namespace {

// An index predicate value ends at its first NUL, so a name that holds one
// (besides the padding, already trimmed) cannot name the resource.
bool holdsNul(const std::string& name) { return name.find('\0') != std::string::npos; }

bool sameResource(const zrx::MentrenqRow& a, const zrx::MentrenqRow& b) {
    return std::memcmp(a.majorname, b.majorname, sizeof a.majorname) == 0 &&
           std::memcmp(a.minorname, b.minorname, sizeof a.minorname) == 0;
}

void readTasks(ViewRunner& runner, const std::string& enqplex, const zrx::MentrenqRow& summary, TreeResource& r) {
    if (holdsNul(r.major) || holdsNul(r.minor)) {
        r.detailStatus = 0;
        r.unavailable = std::string("its ") + (holdsNul(r.major) ? "major" : "minor") +
                        " name holds a NUL byte, which a query for one resource cannot carry";
        return;
    }
    ViewResult detail = runner.run(host::Predicate::resource(r.major, r.minor, enqplex));
    r.detailStatus = detail.status;
    if (detail.status != zrx::entry::noMoreRows) r.unavailable = describeResult(detail);
    for (const auto& row : detail.rows) {
        // Only the rows of this very resource, whatever bytes its names hold.
        if (!sameResource(row, summary)) continue;
        TreeTask task;
        const std::string owner = trimmedField(row.owningas);
        task.job = owner.empty() ? trimmedField(row.waitingas) : owner;
        task.sysname = trimmedField(row.sysname);
        task.plxname = trimmedField(row.plxname);
        task.asid = row.asid;
        task.exclusive = row.type == 0;
        task.trueOwner = row.trueowner == 0x80;
        task.waittime = row.waittime;
        (owner.empty() ? r.waiters : r.owners).push_back(task);
    }
    std::stable_sort(r.waiters.begin(), r.waiters.end(),
                     [](const TreeTask& a, const TreeTask& b) { return a.waittime > b.waittime; });
    // A resource that has tasks but none came back (its name reads
    // differently as a predicate value, e.g. padded with NULs) is said so.
    if (r.unavailable.empty() && r.owners.empty() && r.waiters.empty() && r.owntaskct + r.waittaskct > 0)
        r.unavailable = "the query for this resource found none of its tasks";
}

} // namespace

ContentionTree buildTree(ViewRunner& runner, const std::string& enqplex) {
    ContentionTree tree;
    tree.report = runner.run({host::Predicate::report()});
    const std::string wanted = enqplexOfPredicate(enqplex);
    struct Summary {
        TreeResource resource;
        zrx::MentrenqRow row;
    };
    std::vector<std::pair<std::string, std::vector<Summary>>> byEnqplex;
    for (const auto& row : tree.report.rows) {
        const std::string name = trimmedField(row.enqplex);
        if (!wanted.empty() && name != wanted) continue;
        if (byEnqplex.empty() || byEnqplex.back().first != name) byEnqplex.push_back({name, {}});
        TreeResource r;
        r.major = trimmedField(row.majorname);
        r.minor = trimmedField(row.minorname);
        r.owntaskct = row.owntaskct;
        r.waittaskct = row.waittaskct;
        r.maxwaittm = row.maxwaittm;
        byEnqplex.back().second.push_back({std::move(r), row});
    }
    tree.report.rows.clear();
    for (auto& [name, summaries] : byEnqplex) {
        std::stable_sort(summaries.begin(), summaries.end(), [](const Summary& a, const Summary& b) {
            return a.resource.maxwaittm > b.resource.maxwaittm;
        });
        TreeEnqplex e{name, {}};
        for (auto& s : summaries) {
            readTasks(runner, name, s.row, s.resource);
            e.resources.push_back(std::move(s.resource));
        }
        tree.enqplexes.push_back(std::move(e));
    }
    return tree;
}

namespace {

std::string plural(int32_t n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

std::string hex4(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", v & 0xFFFFu);
    return buf;
}

std::string taskLine(const TreeTask& t) {
    std::string job = printableText(t.job);
    job.resize(std::max<size_t>(job.size(), 8), ' ');
    std::string sys = printableText(t.sysname);
    sys.resize(std::max<size_t>(sys.size(), 8), ' ');
    return job + " on " + sys + " asid " + hex4(t.asid) + "  " + (t.exclusive ? "exclusive" : "shared   ");
}

} // namespace

void writeTreeText(std::ostream& out, const ContentionTree& tree) {
    if (tree.enqplexes.empty() && tree.report.status == zrx::entry::noMoreRows) out << "No contention.\n";
    for (const auto& e : tree.enqplexes) {
        out << "Enqplex " << printableText(e.name) << "\n";
        for (const auto& r : e.resources) {
            out << "  " << printableText(r.major) << " " << printableText(r.minor) << "\n"
                << "      " << plural(r.owntaskct, "owner") << ", " << plural(r.waittaskct, "waiter")
                << ", longest wait " << r.maxwaittm << " s\n";
            if (!r.unavailable.empty()) out << "      (tasks not available: " << r.unavailable << ")\n";
            for (const auto& t : r.owners)
                out << "    owner  " << taskLine(t) << (t.trueOwner ? "  true owner" : "") << "\n";
            for (const auto& t : r.waiters)
                out << "    waiter " << taskLine(t) << "  waiting " << t.waittime << " s\n";
        }
    }
}

namespace {

Json taskJson(const TreeTask& t, bool owner) {
    using zrx::ColumnId;
    Json task = {{"job", jsonText(t.job)},
                 {columnName(ColumnId::sysname), jsonText(t.sysname)},
                 {columnName(ColumnId::plxname), jsonText(t.plxname)},
                 {columnName(ColumnId::asid), t.asid},
                 {columnName(ColumnId::type), t.exclusive ? "exclusive" : "shared"}};
    if (owner) task[columnName(ColumnId::trueowner)] = t.trueOwner;
    else task[columnName(ColumnId::waittime)] = t.waittime;
    return task;
}

// A DOT string: quotes and backslashes escaped, control characters blank.
std::string dotEscaped(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c < 0x20 ? ' ' : static_cast<char>(c);
    }
    return out;
}

std::string dotQuote(const std::string& s) {
    std::string quoted(1, '"');
    quoted += dotEscaped(s);
    quoted += '"';
    return quoted;
}

// A label of several lines, each escaped, joined by DOT's line break.
std::string dotLabel(std::initializer_list<std::string> lines) {
    std::string out;
    for (const auto& line : lines) out += (out.empty() ? "" : "\\n") + dotEscaped(line);
    return "\"" + out + "\"";
}

} // namespace

void writeTreeJson(std::ostream& out, const ContentionTree& tree) {
    Json enqplexes = Json::array();
    for (const auto& e : tree.enqplexes) {
        Json resources = Json::array();
        for (const auto& r : e.resources) {
            using zrx::ColumnId;
            Json resource = {{columnName(ColumnId::majorname), jsonText(r.major)},
                             {columnName(ColumnId::minorname), jsonText(r.minor)},
                             {columnName(ColumnId::owntaskct), r.owntaskct},
                             {columnName(ColumnId::waittaskct), r.waittaskct},
                             {columnName(ColumnId::maxwaittm), r.maxwaittm},
                             {"status", nullptr},
                             {"owners", Json::array()},          {"waiters", Json::array()}};
            if (r.detailStatus != 0) resource["status"] = r.detailStatus;
            if (!r.unavailable.empty()) resource["unavailable"] = jsonText(r.unavailable);
            for (const auto& t : r.owners) resource["owners"].push_back(taskJson(t, true));
            for (const auto& t : r.waiters) resource["waiters"].push_back(taskJson(t, false));
            resources.push_back(std::move(resource));
        }
        enqplexes.push_back({{columnName(zrx::ColumnId::enqplex), jsonText(e.name)}, {"resources", std::move(resources)}});
    }
    out << dumpJson(enqplexes);
}

void writeTreeDot(std::ostream& out, const ContentionTree& tree) {
    // Waiter -> resource -> owner; tasks are grouped in one cluster per System.
    struct Node {
        std::string id, label;
    };
    std::vector<std::pair<std::string, std::vector<Node>>> systems;
    auto taskNode = [&](const std::string& enqplex, const TreeTask& t) {
        std::string id = "task:" + enqplex + ":" + t.sysname + ":" + t.job + ":" + hex4(t.asid);
        auto it = std::find_if(systems.begin(), systems.end(),
                               [&](const auto& s) { return s.first == t.sysname; });
        if (it == systems.end()) {
            systems.push_back({t.sysname, {}});
            it = systems.end() - 1;
        }
        if (std::none_of(it->second.begin(), it->second.end(), [&](const Node& n) { return n.id == id; }))
            it->second.push_back({id, dotLabel({t.job, "asid " + hex4(t.asid)})});
        return id;
    };
    std::vector<std::string> edges;
    std::vector<Node> resources;
    for (const auto& e : tree.enqplexes) {
        for (const auto& r : e.resources) {
            const std::string rid = "resource:" + e.name + ":" + r.major + ":" + r.minor;
            resources.push_back({rid, dotLabel({e.name, r.major, r.minor})});
            for (const auto& t : r.waiters)
                edges.push_back(dotQuote(taskNode(e.name, t)) + " -> " + dotQuote(rid) + " [label=" +
                                dotQuote("waits " + std::to_string(t.waittime) + " s") + "];");
            for (const auto& t : r.owners)
                edges.push_back(dotQuote(rid) + " -> " + dotQuote(taskNode(e.name, t)) + " [label=" +
                                dotQuote(std::string(t.exclusive ? "exclusive" : "shared") +
                                         (t.trueOwner ? ", true owner" : "")) +
                                "];");
        }
    }
    out << "digraph mentrenq {\n  rankdir=LR;\n  node [fontname=\"monospace\"];\n";
    for (const auto& [sys, nodes] : systems) {
        out << "  subgraph " << dotQuote("cluster_" + sys) << " {\n    label=" << dotQuote("System " + sys)
            << ";\n";
        for (const auto& n : nodes) out << "    " << dotQuote(n.id) << " [label=" << n.label << "];\n";
        out << "  }\n";
    }
    for (const auto& n : resources)
        out << "  " << dotQuote(n.id) << " [shape=box, label=" << n.label << "];\n";
    for (const auto& e : edges) out << "  " << e << "\n";
    out << "}\n";
}

} // namespace cli
