#include "cli/contention_tree.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <future>
#include <initializer_list>
#include <thread>
#include <vector>

#include "cli/columns.h"
#include "cli/json_writer.h"

namespace cli {

namespace {

std::string plural(int32_t n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

std::string hex4(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", v & 0xFFFFu);
    return buf;
}

// The ASID in hexadecimal, in the X'hhhh' form that --where also takes, so
// that the base is never in doubt beside the decimal of CSV and JSON.
std::string asidText(unsigned v) { return "ASID X'" + hex4(v) + "'"; }

} // namespace

std::string taskLine(const picture::Task& t) {
    std::string job = printableText(t.job);
    job.resize(std::max<size_t>(job.size(), 8), ' ');
    std::string sys = printableText(t.sysname);
    sys.resize(std::max<size_t>(sys.size(), 8), ' ');
    return job + " on " + sys + " " + asidText(t.asid) + "  " + (t.exclusive ? "exclusive" : "shared   ");
}

void writeTreeText(std::ostream& out, const picture::Picture& tree) {
    const auto notSeen = tree.passedOver.statements();
    if (tree.enqplexes.empty() && tree.report.endedNormally())
        out << (notSeen.empty()                 ? "No contention.\n"
                : tree.passedOver.nothingRead() ? "No System was read.\n"
                                                : "No contention among the Systems that were read.\n");
    for (const auto& e : tree.enqplexes) {
        out << "Enqplex " << printableText(e.name) << "\n";
        for (std::size_t place : e.resources) {
            const picture::Resource& r = tree.resources[place];
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
    for (const auto& statement : notSeen) out << "Not seen: " << printableText(statement) << "\n";
}

namespace {

void writeTask(JsonWriter& json, const picture::Task& t, bool owner) {
    using zrx::ColumnId;
    json.beginObject();
    json.key("job");
    json.text(t.job);
    json.key(columnName(ColumnId::sysname));
    json.text(t.sysname);
    json.key(columnName(ColumnId::plxname));
    json.text(t.plxname);
    json.key(columnName(ColumnId::asid));
    json.number(t.asid);
    json.key(columnName(ColumnId::type));
    json.text(t.exclusive ? "exclusive" : "shared");
    if (owner) {
        json.key(columnName(ColumnId::trueowner));
        json.boolean(t.trueOwner);
    } else {
        json.key(columnName(ColumnId::waittime));
        json.number(t.waittime);
    }
    json.endObject();
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

namespace {

void writeResource(JsonWriter& json, const picture::Resource& r) {
    using zrx::ColumnId;
    json.beginObject();
    json.key(columnName(ColumnId::majorname));
    json.text(r.major);
    json.key(columnName(ColumnId::minorname));
    json.text(r.minor);
    json.key(columnName(ColumnId::owntaskct));
    json.number(r.owntaskct);
    json.key(columnName(ColumnId::waittaskct));
    json.number(r.waittaskct);
    json.key(columnName(ColumnId::maxwaittm));
    json.number(r.maxwaittm);
    json.key("status");
    if (r.asked) json.number(r.detail.status);
    else json.null();
    json.key("owners");
    json.beginArray();
    for (const auto& t : r.owners) writeTask(json, t, true);
    json.endArray();
    json.key("waiters");
    json.beginArray();
    for (const auto& t : r.waiters) writeTask(json, t, false);
    json.endArray();
    if (!r.unavailable.empty()) {
        json.key("unavailable");
        json.text(r.unavailable);
    }
    json.endObject();
}

// Below this many resources a second thread is not worth starting.
constexpr std::size_t resourcesWorthAThread = 64;

void treeArray(JsonWriter& json, const picture::Picture& tree, const std::string* onlyEnqplex) {
    std::vector<const picture::EnqplexResources*> shown;
    std::size_t resources = 0;
    for (const auto& e : tree.enqplexes) {
        if (onlyEnqplex && e.name != *onlyEnqplex) continue;
        shown.push_back(&e);
        resources += e.resources.size();
    }
    // A picture built on several threads may be written on two: a second
    // thread writes the later half of each Enqplex's resources while this
    // one writes the first, and the halves go out in order.
    std::vector<std::size_t> halfway;
    for (const auto* e : shown) halfway.push_back(e->resources.size());
    std::vector<std::promise<std::string>> laterHalves(shown.size());
    std::thread second;
    if (tree.jobs > 1 && resources >= resourcesWorthAThread) {
        for (std::size_t& h : halfway) h /= 2;
        // Each half goes inside its Enqplex's resources array, below the
        // tree's array and the Enqplex's object.
        const std::size_t depth = json.depth() + 3;
        second = std::thread([&, depth] {
            std::size_t i = 0;
            try {
                for (; i < shown.size(); ++i) {
                    const auto& places = shown[i]->resources;
                    JsonWriter half(depth, halfway[i] == 0);
                    for (std::size_t k = halfway[i]; k < places.size(); ++k)
                        writeResource(half, tree.resources[places[k]]);
                    laterHalves[i].set_value(half.take());
                }
            } catch (...) {
                for (; i < shown.size(); ++i) laterHalves[i].set_exception(std::current_exception());
            }
        });
    }
    try {
        json.beginArray();
        for (std::size_t i = 0; i < shown.size(); ++i) {
            const auto& places = shown[i]->resources;
            json.beginObject();
            json.key(columnName(zrx::ColumnId::enqplex));
            json.text(shown[i]->name);
            json.key("resources");
            json.beginArray();
            for (std::size_t k = 0; k < halfway[i]; ++k) writeResource(json, tree.resources[places[k]]);
            if (second.joinable()) json.include(laterHalves[i].get_future().get());
            json.endArray();
            json.endObject();
        }
        json.endArray();
    } catch (...) {
        if (second.joinable()) second.join();
        throw;
    }
    if (second.joinable()) second.join();
}

} // namespace

void writeTreeJson(std::ostream& out, const picture::Picture& tree, const std::string* onlyEnqplex) {
    JsonWriter json(out);
    treeArray(json, tree, onlyEnqplex);
    json.finish();
}

void writeFailedTreeJson(std::ostream& out, const picture::Picture& tree) {
    JsonWriter json(out);
    json.beginObject();
    json.key("status");
    json.number(tree.report.status);
    json.key("error");
    json.text(tree.report.description());
    json.key("tree");
    treeArray(json, tree, nullptr);
    json.endObject();
    json.finish();
}

void writeTreeDot(std::ostream& out, const picture::Picture& tree) {
    // Waiter -> resource -> owner; tasks are grouped in one cluster per System.
    struct Node {
        std::string id, label;
    };
    std::vector<std::pair<std::string, std::vector<Node>>> systems;
    auto taskNode = [&](const std::string& enqplex, const picture::Task& t) {
        std::string id = "task:" + enqplex + ":" + t.sysname + ":" + t.job + ":" + hex4(t.asid);
        auto it = std::find_if(systems.begin(), systems.end(),
                               [&](const auto& s) { return s.first == t.sysname; });
        if (it == systems.end()) {
            systems.push_back({t.sysname, {}});
            it = systems.end() - 1;
        }
        if (std::none_of(it->second.begin(), it->second.end(), [&](const Node& n) { return n.id == id; }))
            it->second.push_back({id, dotLabel({t.job, asidText(t.asid)})});
        return id;
    };
    std::vector<std::string> edges;
    std::vector<Node> resources;
    for (const auto& e : tree.enqplexes) {
        for (std::size_t place : e.resources) {
            const picture::Resource& r = tree.resources[place];
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
    // What the view did not see is part of the picture, under it; set last,
    // so that the clusters do not take it over.
    std::string notSeen;
    for (const auto& statement : tree.passedOver.statements())
        notSeen += (notSeen.empty() ? "Not seen: " : "\\nNot seen: ") + dotEscaped(statement);
    if (!notSeen.empty()) out << "  labelloc=b;\n  label=\"" << notSeen << "\";\n";
    out << "}\n";
}

} // namespace cli
