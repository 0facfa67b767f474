#include "cli/contention_tree.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>

#include "cli/columns.h"
#include "cli/row_formats.h"

namespace cli {

bool ContentionTree::complete() const {
    if (reportStatus != 62) return false;
    for (const auto& e : enqplexes)
        for (const auto& r : e.resources)
            if (r.detailStatus != 62) return false;
    return true;
}

ContentionTree buildTree(ViewRunner& runner, const std::string& enqplex) {
    ContentionTree tree;
    ViewResult report = runner.run({{"REPORT", 1, "YES"}});
    tree.reportStatus = report.status;
    tree.reportLines = report.lines;
    for (const auto& row : report.rows) {
        const std::string name = trimmedField(row.enqplex);
        if (!enqplex.empty() && name != enqplex) continue;
        if (tree.enqplexes.empty() || tree.enqplexes.back().name != name)
            tree.enqplexes.push_back({name, {}});
        TreeResource r;
        r.major = trimmedField(row.majorname);
        r.minor = trimmedField(row.minorname);
        r.owntaskct = row.owntaskct;
        r.waittaskct = row.waittaskct;
        r.maxwaittm = row.maxwaittm;
        tree.enqplexes.back().resources.push_back(std::move(r));
    }
    for (auto& e : tree.enqplexes) {
        std::stable_sort(e.resources.begin(), e.resources.end(),
                         [](const TreeResource& a, const TreeResource& b) { return a.maxwaittm > b.maxwaittm; });
        for (auto& r : e.resources) {
            ViewResult detail =
                runner.run({{"MAJORNAME", 1, r.major}, {"MINORNAME", 1, r.minor}, {"ENQPLEX", 1, e.name}});
            r.detailStatus = detail.status;
            for (const auto& row : detail.rows) {
                // Only the rows of this very resource.
                if (trimmedField(row.majorname) != r.major || trimmedField(row.minorname) != r.minor)
                    continue;
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
        }
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
    std::string job = t.job;
    job.resize(std::max<size_t>(job.size(), 8), ' ');
    std::string sys = t.sysname;
    sys.resize(std::max<size_t>(sys.size(), 8), ' ');
    return job + " on " + sys + " asid " + hex4(t.asid) + "  " + (t.exclusive ? "exclusive" : "shared   ");
}

} // namespace

void writeTreeText(std::ostream& out, const ContentionTree& tree) {
    if (tree.enqplexes.empty()) out << "No contention.\n";
    for (const auto& e : tree.enqplexes) {
        out << "Enqplex " << e.name << "\n";
        for (const auto& r : e.resources) {
            out << "  " << r.major << " " << r.minor << "\n"
                << "      " << plural(r.owntaskct, "owner") << ", " << plural(r.waittaskct, "waiter")
                << ", longest wait " << r.maxwaittm << " s\n";
            if (r.detailStatus != 62) {
                out << "      (tasks not available: status " << r.detailStatus << ")\n";
                continue;
            }
            for (const auto& t : r.owners)
                out << "    owner  " << taskLine(t) << (t.trueOwner ? "  true owner" : "") << "\n";
            for (const auto& t : r.waiters)
                out << "    waiter " << taskLine(t) << "  waiting " << t.waittime << " s\n";
        }
    }
}

namespace {

std::string json(const std::string& s) { return jsonString(s); }

std::string taskJson(const TreeTask& t, bool owner) {
    std::string out = "{\"job\": " + json(t.job) + ", \"sysname\": " + json(t.sysname) +
                      ", \"plxname\": " + json(t.plxname) + ", \"asid\": " + std::to_string(t.asid) +
                      ", \"type\": " + json(t.exclusive ? "exclusive" : "shared");
    if (owner)
        out += std::string(", \"trueowner\": ") + (t.trueOwner ? "true" : "false");
    else
        out += ", \"waittime\": " + std::to_string(t.waittime);
    return out + "}";
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
    out << "[";
    for (size_t i = 0; i < tree.enqplexes.size(); ++i) {
        const auto& e = tree.enqplexes[i];
        out << (i ? ",\n " : "\n ") << "{\"enqplex\": " << json(e.name) << ", \"resources\": [";
        for (size_t j = 0; j < e.resources.size(); ++j) {
            const auto& r = e.resources[j];
            out << (j ? ",\n   " : "\n   ") << "{\"majorname\": " << json(r.major)
                << ", \"minorname\": " << json(r.minor) << ", \"owntaskct\": " << r.owntaskct
                << ", \"waittaskct\": " << r.waittaskct << ", \"maxwaittm\": " << r.maxwaittm
                << ", \"status\": " << r.detailStatus << ",\n    \"owners\": [";
            for (size_t k = 0; k < r.owners.size(); ++k) out << (k ? ", " : "") << taskJson(r.owners[k], true);
            out << "],\n    \"waiters\": [";
            for (size_t k = 0; k < r.waiters.size(); ++k)
                out << (k ? ", " : "") << taskJson(r.waiters[k], false);
            out << "]}";
        }
        out << "]}";
    }
    out << (tree.enqplexes.empty() ? "]\n" : "\n]\n");
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
