// What the view passed over of the configuration is said in every format,
// "No contention." only when every configured System was read, and the
// module's lines of a failed view are summed up in one message unless the
// user asked for the trace.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

#include "run_command.h"

namespace {

using clitest::runMentrenq;

// The demo written to a file, then changed by `change`.
std::string changedDemo(const std::string& name, const char* change) {
    const std::string path = clitest::temporaryFile(name);
    std::filesystem::remove(path);
    EXPECT_EQ(runMentrenq({"demo", "--out", path}).exitCode, 0);
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, change, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
    return path;
}

int lineCount(const std::string& text) {
    int n = 0;
    for (char c : text) n += c == '\n';
    return n;
}

const std::string hubPassedOver = "1 PlexHub node passed over (no PlexHub name or no thru-node): its Systems are "
                                  "not in this picture";
const std::string rowsNotRead = "2 of 10 MXCFSYS rows not read: no online PlexHub's thru-node leads to them";

TEST(PassedOver, APlexHubWithoutANodeIsSaidInEveryFormat) {
    const std::string db = changedDemo("hub_null.db", "UPDATE INODESTS SET NODE = NULL WHERE NODE = 'DEVPLX:PLEXHUB'");
    auto tree = runMentrenq({"tree", "--db", db, "--enqplex", "MIMPLEX"});
    EXPECT_EQ(tree.exitCode, 0) << tree.err;
    const std::string tail = "Not seen: " + hubPassedOver + "\nNot seen: 1 of 10 MXCFSYS rows not read: no online "
                             "PlexHub's thru-node leads to it\n";
    ASSERT_GE(tree.out.size(), tail.size());
    EXPECT_EQ(tree.out.substr(tree.out.size() - tail.size()), tail) << tree.out;
    EXPECT_EQ(tree.err, "") << "the text says it in its own lines";

    const std::string warning = "mentrenq: warning: not seen: " + hubPassedOver + "\n";
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"tree", "--format", "json"}, {"query", "--report", "--format", "csv"},
          {"query", "--report", "--format", "json"}, {"sql", "SELECT COUNT(*) FROM MENTRENQ"}}) {
        auto args = command;
        args.insert(args.end(), {"--db", db});
        auto r = runMentrenq(args);
        EXPECT_EQ(r.exitCode, 0) << command[0] << r.err;
        EXPECT_NE(r.err.find(warning), std::string::npos) << command[0] << " " << r.err;
    }
    auto dot = runMentrenq({"tree", "--db", db, "--format", "dot"});
    EXPECT_NE(dot.out.find("label=\"Not seen: " + hubPassedOver + "\\nNot seen: "), std::string::npos) << dot.out;
    std::filesystem::remove(db);

    // Nothing contended among what was read is not "No contention.".
    const std::string quiet = changedDemo("hub_null_quiet.db", "UPDATE INODESTS SET NODE = NULL "
                                                               "WHERE NODE = 'DEVPLX:PLEXHUB'; DELETE FROM MGLBLENQ;");
    auto none = runMentrenq({"tree", "--db", quiet});
    EXPECT_EQ(none.exitCode, 0) << none.err;
    EXPECT_EQ(none.out, "No contention among the Systems that were read.\nNot seen: " + hubPassedOver +
                            "\nNot seen: 1 of 10 MXCFSYS rows not read: no online PlexHub's thru-node leads to it\n");
    std::filesystem::remove(quiet);
}

TEST(PassedOver, NoRowsAndAThruNodeLeadingNowhereAreNotNoContention) {
    const std::string empty = changedDemo("schema_only.db", "DELETE FROM INODESTS; DELETE FROM MXCFSYS; "
                                                            "DELETE FROM MGLBLENQ; DELETE FROM ENQ_RESRC; "
                                                            "DELETE FROM ENQ_TASKS;");
    auto none = runMentrenq({"tree", "--db", empty});
    EXPECT_EQ(none.exitCode, 0) << none.err;
    EXPECT_EQ(none.out, "No System was read.\nNot seen: the snapshot configures no System (MXCFSYS has no rows): "
                        "nothing was read\n");
    std::filesystem::remove(empty);

    // A PlexHub reached through itself finds no MXCFSYS rows there.
    const std::string loop = changedDemo("thru_loop.db", "UPDATE INODESTS SET THRUNODE = NODE "
                                                         "WHERE NODE = 'TESTPLX:PLEXHUB'");
    auto r = runMentrenq({"query", "--report", "--db", loop});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("mentrenq: warning: not seen: " + rowsNotRead + "\n"), std::string::npos) << r.err;
    std::filesystem::remove(loop);

    // A generated enterprise reads every System it configures.
    const std::string whole = clitest::temporaryFile("whole.db");
    std::filesystem::remove(whole);
    ASSERT_EQ(runMentrenq({"generate", "--out", whole, "--enqplexes", "2", "--resources", "0"}).exitCode, 0);
    auto calm = runMentrenq({"tree", "--db", whole});
    EXPECT_EQ(calm.out, "No contention.\n");
    EXPECT_EQ(calm.err, "");
    std::filesystem::remove(whole);
}

// What the command reads in the trace never reaches a user who did not ask
// for it; what the user asked for still does.
TEST(PassedOver, TheTraceHoldsOnlyWhatTheUserAskedFor) {
    const std::string db = changedDemo("hub_traced.db", "UPDATE INODESTS SET NODE = NULL WHERE NODE = 'DEVPLX:PLEXHUB'");
    const std::string file = clitest::temporaryFile("hub_traced.trace");
    std::filesystem::remove(file);
    auto silent = runMentrenq({"query", "--report", "--db", db, "--trace-file", file});
    EXPECT_EQ(silent.exitCode, 0) << silent.err;
    EXPECT_FALSE(std::filesystem::exists(file)) << clitest::readFile(file);

    auto errors = runMentrenq({"query", "--report", "--db", db, "--trace", "FigConfig:error"});
    EXPECT_NE(errors.err.find("FigConfig: PlexHub node \"" + std::string(32, ' ') +
                              "\" passed over: no PlexHub name or no thru-node\n"),
              std::string::npos)
        << errors.err;
    EXPECT_EQ(errors.err.find("DoMxcfsysRow"), std::string::npos) << "no events were asked for";
    EXPECT_EQ(errors.err.find("No ThruNode"), std::string::npos) << "nor the errors of other routines";

    auto events = runMentrenq({"query", "--report", "--db", db, "--trace", "DoMxcfsysRow:events"});
    EXPECT_NE(events.err.find("DoMxcfsysRow: > entry\n"), std::string::npos) << events.err;
    EXPECT_EQ(events.err.find("passed over:"), std::string::npos) << "no error lines were asked for";
    std::filesystem::remove(db);
}

TEST(ViewLines, AConfigurationErrorIsOneReasonWithACountAndWhereTheLinesAre) {
    // TESTPLX's members read through CICSPLX's thru-node: CICA twice.
    const std::string db = changedDemo("dup.db", "UPDATE INODESTS SET THRUNODE = 'RTEMS_CICSPLX' "
                                                 "WHERE NODE = 'TESTPLX:PLEXHUB'");
    const std::string reason = "mentrenq: the view wrote: DoMxcfsysRow: Configuration Error: System CICA     occurs "
                               "multiple times (and ";
    auto r = runMentrenq({"query", "--report", "--db", db, "--format", "csv"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.err.rfind(reason, 0), 0u) << r.err;
    EXPECT_EQ(lineCount(r.err), 2) << r.err;
    const auto more = r.err.find(" more lines; --trace-file FILE writes them all)\n");
    ASSERT_NE(more, std::string::npos) << r.err;
    const int others = std::stoi(r.err.substr(reason.size(), more - reason.size()));
    EXPECT_GT(others, 50);
    EXPECT_NE(r.err.find("\nmentrenq: status 71: view abandoned (configuration problem)\n"), std::string::npos);

    const std::string file = clitest::temporaryFile("dup.trace");
    std::filesystem::remove(file);
    auto kept = runMentrenq({"tree", "--db", db, "--trace-file", file});
    EXPECT_EQ(kept.exitCode, 3);
    EXPECT_EQ(kept.err.rfind(reason + std::to_string(others) + " more lines, all in " + file + ")\n", 0), 0u)
        << kept.err;
    EXPECT_EQ(lineCount(clitest::readFile(file)), others + 1);

    auto traced = runMentrenq({"query", "--report", "--db", db, "--trace", "none"});
    EXPECT_EQ(lineCount(traced.err), others + 1 + 2) << "every line, the status line and the failure";
    EXPECT_EQ(traced.err.find("the view wrote"), std::string::npos);
    std::filesystem::remove(file);
    std::filesystem::remove(db);
}

} // namespace
