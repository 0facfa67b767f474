// Filters that filter: --where on the columns the view does not index, and
// any WHERE clause of SQL over MENTRENQ.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run_command.h"

namespace {

using clitest::runMentrenq;

const std::string header =
    "majorname,minorname,owntaskct,waittaskct,maxwaittm,owningas,waitingas,sysname,swapped,type,asid,waittime,"
    "report,originnode,plxname,enqplex,trueowner\r\n";

TEST(WhereFilters, UnindexedColumnsFilterTheRowsNumbersAsNumbers) {
    // As text, "45" and "95" would pass "> 100" and "1260" would not.
    auto r = runMentrenq({"query", "--report", "--where", "maxwaittm > 100", "--format", "csv"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, header +
                         "SPFEDIT,PAY.PROD.SOURCE                             PAYCALC,1,1,1260,,,,0,0,0,0,YES,,,PRODENQ,0\r\n"
                         "SYSDSN,GL.PROD.LEDGER.HISTORY,0,1,610,,,,0,0,0,0,YES,,,PRODENQ,0\r\n"
                         "SYSDSN,PAY.PROD.EMPLOYEE.MASTER,1,2,342,,,,0,0,0,0,YES,,,PRODENQ,0\r\n"
                         "SYSDSN,AR.PROD.INVOICE.KSDS,2,2,118,,,,0,0,0,0,YES,,,MIMPLEX,0\r\n");
    EXPECT_EQ(r.err, "setupIndices: Unrecognized or unsupported index column \"MAXWAITTM\"\n" + clitest::demoNotSeen);
}

TEST(WhereFilters, ColumnsInAnyCaseQuotedValuesAndTextComparisons) {
    auto report = runMentrenq({"query", "--report", "--format", "csv"});
    auto quoted = runMentrenq({"query", "--where", "report = 'YES'", "--format", "csv"});
    EXPECT_EQ(quoted.exitCode, 0) << quoted.err;
    EXPECT_EQ(quoted.out, report.out);

    auto waiters = runMentrenq({"query", "--major", "SYSDSN", "--minor", "PAY.PROD.EMPLOYEE.MASTER", "--enqplex",
                                "PRODENQ", "--where", "WaitingAs <> ''", "--format", "csv"});
    ASSERT_EQ(waiters.exitCode, 0) << waiters.err;
    EXPECT_EQ(waiters.out,
              header +
                  "SYSDSN,PAY.PROD.EMPLOYEE.MASTER,1,2,342,,GLPOST,PRDC,0,1,82,342,,PRODPLX2:PLEXHUB,PRODPLX2,PRODENQ,64\r\n"
                  "SYSDSN,PAY.PROD.EMPLOYEE.MASTER,1,2,342,,HRBENUPD,PRDD,0,0,62,87,,PRODPLX2:PLEXHUB,PRODPLX2,PRODENQ,64\r\n");

    auto notANumber = runMentrenq({"query", "--report", "--where", "MAXWAITTM > abc"});
    EXPECT_EQ(notANumber.exitCode, 2);
    EXPECT_EQ(notANumber.err, "mentrenq: MAXWAITTM holds numbers; \"abc\" is not one\n");
    auto unknown = runMentrenq({"query", "--report", "--where", "COLOUR = RED"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_EQ(unknown.err.rfind("mentrenq: --where 'COLOUR = RED': no column COLOUR in MENTRENQ (its columns: "
                                "MAJORNAME, MINORNAME, OWNTASKCT,",
                                0),
              0u)
        << unknown.err;
    auto open = runMentrenq({"query", "--where", "REPORT = 'YES"});
    EXPECT_EQ(open.exitCode, 2);
    EXPECT_EQ(open.err, "mentrenq: --where 'REPORT = 'YES': the quoted value is not closed, or text follows it\n");
}

// The rows of `sql` for a WHERE clause, each written as `query --format csv`
// writes it (the demo's values hold no comma or quote).
std::string sqlRowsAsCsv(const std::string& where) {
    static const char* const columns[] = {"MAJORNAME", "MINORNAME", "OWNTASKCT", "WAITTASKCT", "MAXWAITTM",
                                          "OWNINGAS",  "WAITINGAS", "SYSNAME",   "SWAPPED",    "TYPE",
                                          "ASID",      "WAITTIME",  "REPORT",    "ORIGINNODE", "PLXNAME",
                                          "ENQPLEX",   "TRUEOWNER"};
    std::string line;
    for (const char* c : columns) line += std::string(line.empty() ? "" : " || ',' || ") + c;
    auto r = runMentrenq({"sql", "SELECT " + line + " AS ROW FROM MENTRENQ WHERE " + where});
    EXPECT_EQ(r.exitCode, 0) << where << ": " << r.err;
    std::string out = header;
    size_t at = 0;
    for (int n = 0; at < r.out.size(); ++n) {
        const size_t end = r.out.find('\n', at);
        if (n >= 2) out += r.out.substr(at, end - at) + "\r\n"; // after the heading and its rule
        at = end + 1;
    }
    return out;
}

// The same conditions keep the same rows in `query --where` as in `sql ...
// WHERE`: over text and number columns, with blanks, case, numbers written
// as text, and combinations the view does not take.
TEST(WhereFilters, QueryKeepsTheRowsThatSqlKeeps) {
    const std::string resource = "MAJORNAME = 'SYSDSN' AND MINORNAME = 'PAY.PROD.EMPLOYEE.MASTER' AND ENQPLEX = 'PRODENQ'";
    const std::vector<std::string> one = {"--major", "SYSDSN", "--minor", "PAY.PROD.EMPLOYEE.MASTER", "--enqplex", "PRODENQ"};
    struct Case {
        std::vector<std::string> options;
        std::string where;
        size_t rows;
    };
    auto with = [](std::vector<std::string> options, const std::string& where) {
        options.push_back("--where");
        options.push_back(where);
        return options;
    };
    const Case cases[] = {
        {{"--report", "--where", "ENQPLEX = 'PROD'"}, "REPORT = 'YES' AND ENQPLEX = 'PROD'", 0},
        {{"--report", "--where", "ENQPLEX = 'MIMPLEX'"}, "REPORT = 'YES' AND ENQPLEX = 'MIMPLEX'", 2},
        {{"--report", "--where", "enqplex = mimplex"}, "REPORT = 'YES' AND ENQPLEX = 'mimplex'", 0},
        {{"--report", "--where", "MAJORNAME = 'SYSDSN'"}, "REPORT = 'YES' AND MAJORNAME = 'SYSDSN'", 6},
        {{"--report", "--where", "MAJORNAME = 'SYSDSN '"}, "REPORT = 'YES' AND MAJORNAME = 'SYSDSN '", 0},
        {{"--report", "--where", "MINORNAME > 'P'"}, "REPORT = 'YES' AND MINORNAME > 'P'", 6},
        {{"--where", "MINORNAME = 'PAY.PROD.SOURCE'"}, "MINORNAME = 'PAY.PROD.SOURCE'", 0},
        {{"--where", "MINORNAME = PAY.PROD.SOURCE                             PAYCALC"},
         "MINORNAME = 'PAY.PROD.SOURCE                             PAYCALC'", 1},
        {{"--where", "MAXWAITTM > 100"}, "MAXWAITTM > 100", 4},
        {{"--where", "MAXWAITTM > '100'"}, "MAXWAITTM > '100'", 4},
        {{"--where", "MAXWAITTM >= ' 342 '"}, "MAXWAITTM >= ' 342 '", 3},
        {{"--where", "MAXWAITTM < 1e2"}, "MAXWAITTM < 1e2", 5},
        {{"--where", "REPORT <> 'YES'"}, "REPORT <> 'YES'", 0},
        {{"--where", "OWNINGAS = ''"}, "OWNINGAS = ''", 9},
        {with(one, "WAITTIME > 100"), resource + " AND WAITTIME > 100", 1},
        {with(one, "SYSNAME >= 'PRDC'"), resource + " AND SYSNAME >= 'PRDC'", 2},
        {with(one, "TRUEOWNER = '128'"), resource + " AND TRUEOWNER = '128'", 1},
        {with(one, "ASID = 82"), resource + " AND ASID = 82", 1},
        {{"--where", "ENQPLEX = PRODENQ", "--where", "MAJORNAME = SYSDSN", "--where", "TYPE <> 1", "--where",
          "MINORNAME = PAY.PROD.EMPLOYEE.MASTER"},
         "ENQPLEX = 'PRODENQ' AND MAJORNAME = 'SYSDSN' AND TYPE <> 1 AND MINORNAME = 'PAY.PROD.EMPLOYEE.MASTER'", 2},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"query", "--format", "csv"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        auto q = runMentrenq(args);
        const std::string expected = sqlRowsAsCsv(c.where);
        SCOPED_TRACE(c.where);
        EXPECT_EQ(q.exitCode, 0) << q.err;
        EXPECT_EQ(q.out, expected);
        size_t lines = 0;
        for (char ch : q.out) lines += ch == '\n';
        EXPECT_EQ(lines, c.rows + 1) << "rows kept";
    }
}

TEST(WhereFilters, AnAsidMayBeWrittenInHexadecimal) {
    const std::vector<std::string> one = {"query", "--format", "csv", "--major", "SYSDSN", "--minor",
                                          "PAY.PROD.EMPLOYEE.MASTER", "--enqplex", "PRODENQ", "--where"};
    auto args = [&](const std::string& where) {
        auto a = one;
        a.push_back(where);
        return a;
    };
    auto hex = runMentrenq(args("ASID = X'0052'"));
    ASSERT_EQ(hex.exitCode, 0) << hex.err;
    EXPECT_EQ(hex.out, runMentrenq(args("ASID = 82")).out);
    EXPECT_NE(hex.out.find(",GLPOST,PRDC,"), std::string::npos) << hex.out;
    EXPECT_EQ(runMentrenq(args("asid >= x'3E'")).out, runMentrenq(args("ASID >= 62")).out);
}

TEST(WhereFilters, AnEnqplexTheSnapshotDoesNotHaveIsNamed) {
    auto r = runMentrenq({"query", "--major", "SYSDSN", "--minor", "X", "--enqplex", "prodenq"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "mentrenq: the snapshot has no Enqplex prodenq; its Enqplexes are PRODENQ, MIMPLEX, *DEFAULT\n");
}

TEST(SqlOverMentrenq, AnyWhereClauseAnswers) {
    auto both = runMentrenq({"sql", "SELECT MAJORNAME, MAXWAITTM FROM MENTRENQ WHERE REPORT = 'YES' AND "
                                    "ENQPLEX = 'MIMPLEX' ORDER BY 2"});
    ASSERT_EQ(both.exitCode, 0) << both.err;
    EXPECT_EQ(both.out, "MAJORNAME  MAXWAITTM\n---------  ---------\nSYSDSN     23\nSYSDSN     118\n");

    auto mixed = runMentrenq({"sql", "SELECT ENQPLEX, MINORNAME FROM MENTRENQ WHERE MINORNAME LIKE 'TEST%' OR "
                                     "MAJORNAME IN ('SYSIEFSD', 'SPFEDIT') AND ENQPLEX <> 'PRODENQ' ORDER BY 2"});
    ASSERT_EQ(mixed.exitCode, 0) << mixed.err;
    EXPECT_EQ(mixed.out,
              "ENQPLEX   MINORNAME\n--------  -------------------\n*DEFAULT  Q4\n*DEFAULT  TEST.COMMON.PARMLIB\n");

    // Only the single-resource query knows Systems; SQLite then keeps the
    // rows that meet the rest.
    auto one = runMentrenq({"sql", "SELECT SYSNAME, WAITINGAS FROM MENTRENQ WHERE MAJORNAME = 'SYSDSN' AND "
                                   "MINORNAME = 'PAY.PROD.EMPLOYEE.MASTER' AND ENQPLEX = 'PRODENQ' AND WAITTIME > 100"});
    ASSERT_EQ(one.exitCode, 0) << one.err;
    EXPECT_EQ(one.out, "SYSNAME  WAITINGAS\n-------  ---------\nPRDC     GLPOST\n");

    // A resource the view would refuse (a blank Enqplex) holds no row, as
    // the report that stands in for it shows.
    auto blank = runMentrenq({"sql", "SELECT COUNT(*) AS n FROM MENTRENQ WHERE MAJORNAME = 'SYSDSN' AND "
                                     "MINORNAME = 'PAY.PROD.EMPLOYEE.MASTER' AND ENQPLEX = ''"});
    EXPECT_EQ(blank.exitCode, 0) << blank.err;
    EXPECT_EQ(blank.out, "n\n-\n0\n");
}

} // namespace
