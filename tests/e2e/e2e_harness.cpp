#include "e2e_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>

#include "testing/statement_text.h"
#include "frame/work_area.h"
#include "support/trace_recorder.h"

namespace e2e {

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

const host::StatementKind kinds[] = {host::StatementKind::PlexHubs, host::StatementKind::Members,
                                     host::StatementKind::ThruNodes, host::StatementKind::Summary,
                                     host::StatementKind::Detail,   host::StatementKind::Other};

std::string statuses(const zrxtest::QueryRun& run) {
    std::ostringstream s;
    s << "start " << run.start << "; " << run.requests.size() << " request calls:";
    // Runs of equal statuses, as "0 x4001, 71".
    for (size_t i = 0; i < run.requests.size();) {
        size_t j = i;
        while (j < run.requests.size() && run.requests[j] == run.requests[i]) ++j;
        s << (i ? ", " : " ") << run.requests[i];
        if (j - i > 1) s << " x" << (j - i);
        i = j;
    }
    s << "; end " << run.end << "\n";
    return s.str();
}

std::string queryCounts(const Outcome& o) {
    std::ostringstream s;
    s << "queries: " << o.statements.size() << " (";
    bool first = true;
    for (auto k : kinds) {
        size_t n = countStatements(o, k);
        if (!n) continue;
        s << (first ? "" : ", ") << host::statementKindName(k) << " " << n;
        first = false;
    }
    s << ")\n";
    return s.str();
}

std::string live(const host::LiveObjects& l) {
    std::ostringstream s;
    s << "paths " << l.paths << ", plans " << l.plans << ", requests " << l.requests << ", cursors "
      << l.cursors << "\n";
    return s.str();
}

std::string liveAtEnd(const Outcome& o) {
    return "open before session end: " + live(o.run.liveBeforeEnd) +
           "left at session end: " + live(o.run.liveAtEnd);
}

constexpr char rowHeader[] =
    "MAJORNAME|MINORNAME|OWNTASKCT|WAITTASKCT|MAXWAITTM|OWNINGAS|WAITINGAS|SYSNAME|SWAPPED|TYPE|"
    "ASID|WAITTIME|REPORT|ORIGINNODE|PLXNAME|ENQPLEX|TRUEOWNER";

} // namespace

std::string maskWorkAreaSize(std::string s);

std::string scenario(std::string_view name) {
    const std::string path = std::string(ZRX_E2E_DIR) + "/scenarios/" + std::string(name) + ".sql";
    std::string sql = readFile(path);
    if (sql.empty()) ADD_FAILURE() << "no scenario " << path;
    return sql;
}

namespace {

Outcome runOnce(const std::string& moduleFile, const std::string& moduleHost, const std::string& sql,
                std::vector<host::Predicate> predicates, const RunOptions& options) {
    Outcome o;
    zrxtest::HostFixture fx(sql, moduleFile, moduleHost);
    zrxtest::TraceRecorder recorder(options.levels);
    if (options.prepare) options.prepare(fx.host());
    auto s = fx.session(std::move(predicates));
    o.run = host::runSession(*s, {options.maxCalls, options.extraCalls});
    o.statements = fx.host().statements();
    o.trace = recorder.records();
    return o;
}

std::string describeRecord(const platform::TraceRecord& r) {
    std::ostringstream s;
    s << r.routine << " line " << r.line << " kind " << static_cast<int>(r.kind) << " result " << r.result
      << ": " << maskAddresses(maskWorkAreaSize(r.text));
    return s.str();
}

std::string liveCounts(const host::LiveObjects& l) {
    return std::to_string(l.paths) + "/" + std::to_string(l.plans) + "/" + std::to_string(l.requests) + "/" +
           std::to_string(l.cursors);
}

} // namespace

void expectSameOutcome(const Outcome& reference, const Outcome& o) {
    EXPECT_EQ(o.run.start, reference.run.start);
    EXPECT_EQ(o.run.requests, reference.run.requests);
    EXPECT_EQ(o.run.end, reference.run.end);
    EXPECT_EQ(o.run.abandonReason, reference.run.abandonReason);
    EXPECT_EQ(liveCounts(o.run.liveBeforeEnd), liveCounts(reference.run.liveBeforeEnd));
    EXPECT_EQ(liveCounts(o.run.liveAtEnd), liveCounts(reference.run.liveAtEnd));
    ASSERT_EQ(o.run.rows.size(), reference.run.rows.size());
    for (size_t i = 0; i < o.run.rows.size(); ++i)
        ASSERT_EQ(std::memcmp(&o.run.rows[i], &reference.run.rows[i], sizeof o.run.rows[i]), 0)
            << "row " << i + 1 << " differs:\n  " << renderRow(o.run.rows[i]) << "\n  "
            << renderRow(reference.run.rows[i]);
    EXPECT_EQ(o.statements, reference.statements);
    ASSERT_EQ(o.trace.size(), reference.trace.size());
    for (size_t i = 0; i < o.trace.size(); ++i)
        ASSERT_EQ(describeRecord(o.trace[i]), describeRecord(reference.trace[i])) << "trace record " << i + 1;
}

Outcome runQuery(const std::string& sql, std::vector<host::Predicate> predicates, const RunOptions& options) {
    const std::string module = zrxtest::moduleUnderTest(ZRX_MODULE_FILE);
    const std::string moduleHost = zrxtest::moduleHostUnderTest();
    Outcome o = runOnce(module, moduleHost, sql, predicates, options);
    if (module != ZRX_MODULE_FILE || !moduleHost.empty()) {
        SCOPED_TRACE("the same query on " ZRX_MODULE_FILE " in this process");
        expectSameOutcome(runOnce(ZRX_MODULE_FILE, "", sql, std::move(predicates), options), o);
    }
    return o;
}

size_t countStatements(const Outcome& o, host::StatementKind kind) {
    size_t n = 0;
    for (const auto& text : o.statements)
        if (host::classifyStatement(text) == kind) ++n;
    return n;
}

// The work area's size depends on the width of references: 64424 bytes on
// the 32-bit platform (ZRX.dll, run beside a host of either width), the
// record's own size here. The frame tests check the number itself.
std::string maskWorkAreaSize(std::string s) {
    for (const std::size_t bytes : {sizeof(zrx::workA), std::size_t{64424}}) {
        const std::string size = " of size " + std::to_string(bytes) + ".";
        if (const size_t at = s.find(size); at != std::string::npos) s.replace(at, size.size(), " of size <workA>.");
    }
    return s;
}

std::string maskAddresses(std::string_view text) {
    static const std::regex address(
        R"((\bat |NASOR is |NADOR is |SOR1st:|DOR1st:|SORNxt:|DORNxt:)( *)(0x[0-9a-fA-F]+|[0-9A-F]{1,8})(?![0-9A-Za-z]))");
    static const std::regex handle(R"(^(    (pathHdl|planHdl|reqhdl|cursorLst) +=  )[0-9A-F]+ $)");
    const std::string s(text);
    if (std::regex_match(s, handle)) return std::regex_replace(s, handle, "$1<handle> ");
    std::string out;
    auto last = s.cbegin();
    for (std::sregex_iterator it(s.begin(), s.end(), address), end; it != end; ++it) {
        const auto& m = *it;
        out.append(last, m[0].first);
        last = m[0].second;
        const std::string blanks = m[2].str(), value = m[3].str();
        out += m[1].str();
        if (value == "0") {
            out += blanks + value;
        } else if (value.rfind("0x", 0) == 0) {
            out += blanks + "<addr>";
        } else {
            // "%8X" pads to 8 characters: the token stands for all 8.
            const size_t field = 8 - value.size();
            out += blanks.substr(0, blanks.size() > field ? blanks.size() - field : 0) + "<addr>";
        }
    }
    out.append(last, s.cend());
    return out;
}

std::vector<std::string> traceLines(const Outcome& o, const std::vector<std::string>& routines) {
    std::vector<std::string> out;
    for (const auto& r : o.trace) {
        if (r.kind != platform::TraceKind::Line) continue;
        if (!routines.empty() && std::find(routines.begin(), routines.end(), r.routine) == routines.end())
            continue;
        out.push_back(r.routine + ": " + escaped(maskAddresses(maskWorkAreaSize(r.text))) + "|");
    }
    return out;
}

std::string renderRow(const zrx::MentrenqRow& r) {
    using zrxtest::trimmed;
    std::ostringstream s;
    s << trimmed(r.majorname) << '|' << trimmed(r.minorname) << '|' << r.owntaskct << '|'
      << r.waittaskct << '|' << r.maxwaittm << '|' << trimmed(r.owningas) << '|'
      << trimmed(r.waitingas) << '|' << trimmed(r.sysname) << '|' << int(r.swapped) << '|'
      << int(r.type) << '|' << r.asid << '|' << r.waittime << '|' << trimmed(r.report) << '|'
      << trimmed(r.originnode) << '|' << trimmed(r.plxname) << '|' << trimmed(r.enqplex) << '|'
      << unsigned(r.trueowner);
    return s.str();
}

const std::vector<std::string> driverRoutines = {"enqmlcpr", "SORstep", "setupMentrenq",
                                                 "logRowMENTRENQ", "DQSQLW", "DQSQLX"};

std::string render(const Outcome& o, const std::vector<std::string>& routines) {
    std::ostringstream s;
    s << "statuses: " << statuses(o.run);
    s << "rows: " << o.run.rows.size() << "\n";
    if (!o.run.rows.empty()) s << "  " << rowHeader << "\n";
    for (const auto& r : o.run.rows) s << "  " << renderRow(r) << "\n";
    s << liveAtEnd(o);
    s << queryCounts(o);
    for (size_t i = 0; i < o.statements.size(); ++i)
        s << "  " << (i + 1) << " " << host::statementKindName(host::classifyStatement(o.statements[i]))
          << ": " << o.statements[i] << "|\n";
    const auto lines = traceLines(o, routines);
    s << "trace";
    for (const auto& r : routines) s << (&r == &routines.front() ? " of " : " ") << r;
    s << ": " << lines.size() << " lines\n";
    for (const auto& l : lines) s << l << "\n";
    return s.str();
}

std::string renderShort(const Outcome& o, size_t edgeRows, const std::vector<std::string>& routines) {
    std::ostringstream s;
    s << "statuses: " << statuses(o.run);
    const auto& rows = o.run.rows;
    s << "rows: " << rows.size() << "\n";
    if (!rows.empty()) s << "  " << rowHeader << "\n";
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i == edgeRows && rows.size() > 2 * edgeRows) s << "  ...\n";
        if (i < edgeRows || i + edgeRows >= rows.size()) s << "  " << (i + 1) << ": " << renderRow(rows[i]) << "\n";
    }
    s << liveAtEnd(o);
    s << queryCounts(o);
    const auto lines = traceLines(o, routines);
    s << "trace";
    for (const auto& r : routines) s << (&r == &routines.front() ? " of " : " ") << r;
    s << ": " << lines.size() << " lines\n";
    for (const auto& l : lines) s << l << "\n";
    return s.str();
}

std::string actualFolder() {
    const char* folder = std::getenv("ZRX_E2E_ACTUAL_DIR");
    const std::string path = folder && *folder ? folder : "e2e-actual";
    std::error_code ignored;
    std::filesystem::create_directories(path, ignored);
    return path;
}

// `diff -u` of the whole difference between the expected file and the file
// that holds what the test produced.
std::string unifiedDiff(const std::string& expectedPath, const std::string& actualPath) {
    const std::string command = "diff -u --label '" + expectedPath + "' --label actual '" + expectedPath + "' '" +
                                actualPath + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return "(diff could not be run)";
    std::string out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0) out.append(buffer, n);
    return out;
}

void expectMatchesFile(std::string_view name, const std::string& actual) {
    const std::string path = std::string(ZRX_E2E_DIR) + "/expected/" + std::string(name) + ".txt";
    const std::string expected = readFile(path);
    if (expected == actual) return;
    // What the module did is kept beside the test, so that `make
    // regenerate-golden` can take it over once checked by hand.
    const std::string actualPath = actualFolder() + "/" + std::string(name) + ".txt";
    std::ofstream(actualPath, std::ios::binary) << actual;
    ADD_FAILURE() << name << " differs from " << path << " (what the module did: " << actualPath << ")\n"
                  << unifiedDiff(path, actualPath);
}

} // namespace e2e
