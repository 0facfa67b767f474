#include "serve/metrics.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "cli/columns.h"
#include "cli/utf8.h"

namespace serve {

std::string labelValue(const std::string& bytes) {
    std::string out;
    for (size_t at = 0; at < bytes.size();) {
        const size_t n = cli::utf8SequenceLength(bytes, at);
        if (n == 0) {
            const auto c = static_cast<unsigned char>(bytes[at++]);
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
            continue;
        }
        const char c = bytes[at];
        if (c == '\\') out += "\\\\";
        else if (c == '"') out += "\\\"";
        else if (c == '\n') out += "\\n";
        else out.append(bytes, at, n);
        at += n;
    }
    return out;
}

namespace {

class Exposition {
public:
    void family(const char* name, const char* type, const char* help) {
        name_ = name;
        text_ += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
    }
    void sample(double value, const std::vector<std::pair<const char*, std::string>>& labels = {}) {
        text_ += name_;
        if (!labels.empty()) {
            text_ += '{';
            for (size_t i = 0; i < labels.size(); ++i)
                text_ += std::string(i ? "," : "") + labels[i].first + "=\"" + labelValue(labels[i].second) + "\"";
            text_ += '}';
        }
        char number[40];
        if (value == static_cast<double>(static_cast<int64_t>(value)))
            std::snprintf(number, sizeof number, "%lld", static_cast<long long>(value));
        else
            std::snprintf(number, sizeof number, "%.6f", value);
        text_ += std::string(" ") + number + "\n";
    }
    std::string take() { return std::move(text_); }

private:
    std::string text_;
    std::string name_;
};

struct EnqplexFigures {
    int64_t resources = 0, longestWait = 0, rows = 0, incomplete = 0;
    std::map<std::string, std::pair<int64_t, int64_t>> systems; // waiting, owning
    std::vector<std::string> systemOrder;
    void system(const std::string& name) {
        if (systems.emplace(name, std::pair<int64_t, int64_t>{0, 0}).second) systemOrder.push_back(name);
    }
};

// Every configured Enqplex and System first, at 0, then what the picture holds.
std::vector<std::pair<std::string, EnqplexFigures>> figuresOf(const Reading& reading) {
    std::vector<std::pair<std::string, EnqplexFigures>> out;
    auto of = [&](const std::string& name) -> EnqplexFigures& {
        auto found = std::find_if(out.begin(), out.end(), [&](const auto& e) { return e.first == name; });
        if (found != out.end()) return found->second;
        return out.emplace_back(name, EnqplexFigures{}).second;
    };
    for (const auto& e : reading.configuration.enqplexes) {
        EnqplexFigures& f = of(e.name);
        for (const auto& s : e.systems) f.system(s.name);
    }
    for (const auto& row : reading.reportRows) {
        EnqplexFigures& f = of(cli::trimmedField(row.enqplex));
        ++f.rows;
        ++f.resources;
        f.longestWait = std::max<int64_t>(f.longestWait, row.maxwaittm);
    }
    for (const auto& r : reading.resources) {
        EnqplexFigures& f = of(r.enqplex);
        f.rows += static_cast<int64_t>(r.taskRows);
        if (!r.unavailable.empty()) ++f.incomplete;
        for (const auto& t : r.waiters) {
            f.system(t.sysname);
            ++f.systems[t.sysname].first;
        }
        for (const auto& t : r.owners) {
            f.system(t.sysname);
            ++f.systems[t.sysname].second;
        }
    }
    return out;
}

} // namespace

std::string metricsText(const Reading* reading, const ServerCounts& counts) {
    Exposition x;
    x.family("mentrenq_up", "gauge", "1 when the last view of the snapshot ended normally, else 0.");
    x.sample(reading && reading->endedNormally() ? 1 : 0);
    x.family("mentrenq_view_status", "gauge",
             "The final status of the last view: 62 when it ended normally, 0 when it could not run.");
    x.sample(reading ? reading->status : 0);
    if (reading) {
        x.family("mentrenq_view_duration_seconds", "gauge",
                 "How long the last reading took: the report and every contended resource's tasks.");
        x.sample(reading->viewSeconds);
        x.family("mentrenq_snapshot_timestamp_seconds", "gauge",
                 "When the snapshot was taken: its CAPTURE time, else the time its file was last written.");
        x.sample(static_cast<double>(reading->timestampMs()) / 1000);
        x.family("mentrenq_snapshot_read_timestamp_seconds", "gauge", "When the server last read the snapshot.");
        x.sample(static_cast<double>(reading->readMs) / 1000);
    }
    if (reading && reading->endedNormally()) {
        const auto figures = figuresOf(*reading);
        x.family("mentrenq_contended_resources", "gauge", "Contended resources (rows of the report) of the Enqplex.");
        for (const auto& [name, f] : figures) x.sample(static_cast<double>(f.resources), {{"enqplex", name}});
        x.family("mentrenq_waiting_tasks", "gauge", "Waiters, one per resource waited for, running on the System.");
        for (const auto& [name, f] : figures)
            for (const auto& s : f.systemOrder)
                x.sample(static_cast<double>(f.systems.at(s).first), {{"enqplex", name}, {"system", s}});
        x.family("mentrenq_owning_tasks", "gauge",
                 "Owners of contended resources, one per resource held, running on the System.");
        for (const auto& [name, f] : figures)
            for (const auto& s : f.systemOrder)
                x.sample(static_cast<double>(f.systems.at(s).second), {{"enqplex", name}, {"system", s}});
        x.family("mentrenq_longest_wait_seconds", "gauge", "The longest wait for a contended resource of the Enqplex.");
        for (const auto& [name, f] : figures) x.sample(static_cast<double>(f.longestWait), {{"enqplex", name}});
        x.family("mentrenq_rows", "gauge",
                 "Rows the view handed over for the Enqplex: its report rows and its resources' task rows.");
        for (const auto& [name, f] : figures) x.sample(static_cast<double>(f.rows), {{"enqplex", name}});
        x.family("mentrenq_incomplete_resources", "gauge",
                 "Contended resources of the Enqplex whose owners and waiters could not be read.");
        for (const auto& [name, f] : figures) x.sample(static_cast<double>(f.incomplete), {{"enqplex", name}});
    }
    x.family("mentrenq_snapshot_reads_total", "counter", "Readings and queries of the snapshot made afresh.");
    x.sample(static_cast<double>(counts.snapshotReads));
    x.family("mentrenq_cache_hits_total", "counter", "Requests answered from the reading of an unchanged snapshot.");
    x.sample(static_cast<double>(counts.cacheHits));
    x.family("mentrenq_http_requests_total", "counter", "HTTP requests answered, by endpoint and status code.");
    for (const auto& [key, n] : counts.requests)
        x.sample(static_cast<double>(n), {{"handler", key.first}, {"code", std::to_string(key.second)}});
    return x.take();
}

} // namespace serve
