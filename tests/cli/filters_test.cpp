// Filters that filter: --where on the columns the view does not index, and
// any WHERE clause of SQL over MENTRENQ.
#include <gtest/gtest.h>

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
    EXPECT_EQ(r.err, "setupIndices: Unrecognized or unsupported index column \"MAXWAITTM\"\n");
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
    EXPECT_EQ(notANumber.err, "mentrenq: MAXWAITTM holds whole numbers; \"abc\" is not one\n");
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
}

} // namespace
