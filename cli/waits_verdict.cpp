#include "cli/waits_verdict.h"

#include <algorithm>

#include "cli/columns.h"
#include "cli/json_writer.h"

namespace cli {

namespace {

// Text of the line before the performance data: printable, and without the
// '|' that would end it early for the monitoring system.
std::string lineText(const std::string& text) {
    std::string out;
    for (char c : printableText(text)) {
        if (c == '|') out += "\\x7C";
        else out += c;
    }
    return out;
}

CheckState stateOf(double value, const std::optional<AlertRange>& warning, const std::optional<AlertRange>& critical) {
    if (critical && critical->alerts(value)) return CheckState::critical;
    if (warning && warning->alerts(value)) return CheckState::warning;
    return CheckState::ok;
}

std::string rangeText(const std::optional<AlertRange>& range) { return range ? range->text() : ""; }

std::string perfdataOf(const WaitsMeasure& m, const WaitsThresholds& t) {
    return "longest_wait=" + std::to_string(m.longestWait) + "s;" + rangeText(t.warning) + ";" +
           rangeText(t.critical) + ";0; waiters=" + std::to_string(m.waiters) + ";" + rangeText(t.waitersWarning) +
           ";" + rangeText(t.waitersCritical) + ";0; resources=" + std::to_string(m.resources) + ";;;0;";
}

std::string summaryOf(const WaitsMeasure& m, bool waitersDecided) {
    if (!m.hasWorst) return "no contention";
    std::string text = "longest wait " + std::to_string(m.longestWait) + " s on " + m.major + " " + m.minor;
    if (!m.holder.empty()) text += ", held by " + m.holder + " on " + m.holderSystem;
    else text += ", its holder unknown (" + m.holderProblem + ")";
    if (waitersDecided) text += "; " + std::to_string(m.waiters) + (m.waiters == 1 ? " task" : " tasks") + " waiting";
    return lineText(text);
}

} // namespace

const char* stateName(CheckState state) {
    switch (state) {
    case CheckState::ok: return "OK";
    case CheckState::warning: return "WARNING";
    case CheckState::critical: return "CRITICAL";
    case CheckState::unknown: break;
    }
    return "UNKNOWN";
}

WaitsMeasure measurePicture(const picture::Picture& tree) {
    WaitsMeasure m;
    if (!tree.report.endedNormally()) {
        m.failure = tree.report.description();
        return m;
    }
    const picture::Resource* worst = nullptr;
    for (const auto& r : tree.resources) {
        ++m.resources;
        m.waiters += r.waittaskct;
        // Ties go to the resource with more waiters, then to the report's order.
        if (!worst || r.maxwaittm > worst->maxwaittm ||
            (r.maxwaittm == worst->maxwaittm && r.waittaskct > worst->waittaskct))
            worst = &r;
    }
    if (!worst) return m;
    m.hasWorst = true;
    m.longestWait = worst->maxwaittm;
    m.enqplex = worst->enqplex;
    m.major = worst->major;
    m.minor = worst->minor;
    // The true owner holds it for everyone; without one the first owner does.
    const picture::Task* holder = nullptr;
    for (const auto& o : worst->owners)
        if (o.trueOwner) {
            holder = &o;
            break;
        }
    if (!holder && !worst->owners.empty()) holder = &worst->owners.front();
    if (holder) {
        m.holder = holder->job;
        m.holderSystem = holder->sysname;
    } else {
        m.holderProblem = worst->unavailable.empty() ? "no owner was listed" : worst->unavailable;
    }
    return m;
}

WaitsVerdict unknownVerdict(const std::string& reason) {
    WaitsVerdict v;
    v.summary = lineText(reason);
    return v;
}

WaitsVerdict judgeWaits(const std::vector<WaitsMeasure>& samples, const WaitsThresholds& t, std::size_t required) {
    if (required == 0) required = 1;
    WaitsVerdict v;
    if (!samples.empty() && !samples.back().failed()) {
        v.measure = samples.back();
        v.perfdata = perfdataOf(samples.back(), t);
    }
    if (samples.size() < required) {
        v.summary = lineText("the history holds " + std::to_string(samples.size()) + " sample" +
                             (samples.size() == 1 ? "" : "s") + ", " + std::to_string(required) + " are needed");
        return v;
    }
    v.samples = required;
    CheckState held = CheckState::critical;
    bool waitersDecided = false;
    for (std::size_t i = samples.size() - required; i < samples.size(); ++i) {
        const WaitsMeasure& m = samples[i];
        if (m.failed()) {
            v.state = CheckState::unknown;
            v.summary = lineText((m.time.empty() ? "the view failed: " : "the sample of " + m.time + " failed: ") +
                                 m.failure);
            return v;
        }
        const CheckState byWait = stateOf(static_cast<double>(m.longestWait), t.warning, t.critical);
        const CheckState byWaiters = stateOf(static_cast<double>(m.waiters), t.waitersWarning, t.waitersCritical);
        const CheckState state = std::max(byWait, byWaiters);
        if (state < held) held = state;
        if (i + 1 == samples.size()) waitersDecided = byWaiters > byWait;
    }
    v.state = held;
    v.summary = summaryOf(samples.back(), waitersDecided && held != CheckState::ok);
    if (required > 1 && held != CheckState::ok)
        v.summary += " (in each of the last " + std::to_string(required) + " samples)";
    return v;
}

std::string checkLine(const WaitsVerdict& v) {
    std::string line = std::string("MENTRENQ WAITS ") + stateName(v.state) + " - " + v.summary;
    if (!v.perfdata.empty()) line += " | " + v.perfdata;
    return line + "\n";
}

void writeVerdictJson(std::ostream& out, const WaitsVerdict& v, const WaitsThresholds& t) {
    using zrx::ColumnId;
    JsonWriter json(out);
    json.beginObject();
    json.key("state");
    json.text(stateName(v.state));
    json.key("exit_status");
    json.number(static_cast<int>(v.state));
    json.key("summary");
    json.text(v.summary);
    json.key("samples");
    json.number(static_cast<int64_t>(v.samples));
    if (v.measure) {
        const WaitsMeasure& m = *v.measure;
        if (!m.time.empty()) {
            json.key("taken");
            json.text(m.time);
        }
        json.key("longest_wait");
        json.number(m.longestWait);
        json.key("waiters");
        json.number(m.waiters);
        json.key("resources");
        json.number(m.resources);
        json.key("worst");
        if (m.hasWorst) {
            json.beginObject();
            json.key(columnName(ColumnId::enqplex));
            json.text(m.enqplex);
            json.key(columnName(ColumnId::majorname));
            json.text(m.major);
            json.key(columnName(ColumnId::minorname));
            json.text(m.minor);
            json.key("holder");
            if (m.holder.empty()) json.null();
            else json.text(m.holder);
            json.key(columnName(ColumnId::sysname));
            if (m.holder.empty()) json.null();
            else json.text(m.holderSystem);
            json.endObject();
        } else {
            json.null();
        }
    }
    json.key("thresholds");
    json.beginObject();
    const std::pair<const char*, const std::optional<AlertRange>*> ranges[] = {
        {"warning", &t.warning},
        {"critical", &t.critical},
        {"waiters_warning", &t.waitersWarning},
        {"waiters_critical", &t.waitersCritical}};
    for (const auto& [name, range] : ranges) {
        json.key(name);
        if (*range) json.text((*range)->text());
        else json.null();
    }
    json.endObject();
    json.endObject();
    json.finish();
}

} // namespace cli
