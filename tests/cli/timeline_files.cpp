#include "timeline_files.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>

#include <gtest/gtest.h>

#include "cli/enterprise_source.h"

namespace clitest {

void writeTinySnapshot(const std::string& path, const std::string& capturedAt, const std::vector<Waiting>& resources,
                       bool broken) {
    std::string script =
        "INSERT INTO INODESTS VALUES ('HUBTEMS:CMS', 'HUBTEMS:CMS', '0000000000000000000000000000000000000000000', "
        "'Y');"
        "INSERT INTO INODESTS VALUES ('PLXA:PLEXHUB', 'RTEMS_PLXA', '1000000000000000000000000000000000000000000', "
        "'Y');"
        "INSERT INTO INODESTS VALUES ('SYSA:AGENT', 'RTEMS_SYSA', '0000000000000000000000002000000000000000000', "
        "'Y');"
        "INSERT INTO MXCFSYS VALUES ('RTEMS_PLXA', 'SYSA', 60, 15, 'ACTIVE', 'SP7.2.5', 'PLXA:PLEXHUB', '" +
        std::string(broken ? "PLEXTOOLONG" : "PLEXA") + "');";
    for (const Waiting& r : resources) {
        const int most = r.waits.empty() ? 0 : *std::max_element(r.waits.begin(), r.waits.end());
        const std::string counts = "1, " + std::to_string(r.waits.size()) + ", " + std::to_string(most);
        script += "INSERT INTO MGLBLENQ VALUES ('RTEMS_PLXA', '" + r.major + "', '" + r.minor + "', " + counts + ", '" +
                  r.holder + "', '', 'SYSA', 0, 0, 48, 0, 'YES', 'PLXA:PLEXHUB', 0);";
        for (size_t w = 0; w < r.waits.size(); ++w)
            script += "INSERT INTO MGLBLENQ VALUES ('RTEMS_PLXA', '" + r.major + "', '" + r.minor + "', " + counts +
                      ", '', 'WAIT" + std::to_string(w) + "', 'SYSA', 0, 0, " + std::to_string(64 + w) + ", " +
                      std::to_string(r.waits[w]) + ", 'YES', 'PLXA:PLEXHUB', 0);";
    }
    if (!capturedAt.empty()) script += "INSERT INTO CAPTURE VALUES ('" + capturedAt + "');";
    std::string error;
    ASSERT_TRUE(cli::writeSnapshotFile(path, script, true, error)) << error;
}

std::string historyWholeness(const std::string& path) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return "cannot open " + path;
    }
    std::string problems;
    auto each = [&](const char* sql, auto row) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) != SQLITE_OK) {
            problems += sqlite3_errmsg(db);
            return;
        }
        while (sqlite3_step(s) == SQLITE_ROW) row(s);
        sqlite3_finalize(s);
    };
    each("PRAGMA integrity_check", [&](sqlite3_stmt* s) {
        const std::string verdict = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
        if (verdict != "ok") problems += "integrity: " + verdict + "\n";
    });
    each("SELECT ID FROM SAMPLES s WHERE REPORT_ROWS + DETAIL_ROWS <> (SELECT COUNT(*) FROM ROWS WHERE SAMPLE_ID = s.ID)",
         [&](sqlite3_stmt* s) { problems += "sample " + std::to_string(sqlite3_column_int64(s, 0)) + " is not whole\n"; });
    each("SELECT COUNT(*) FROM ROWS WHERE SAMPLE_ID NOT IN (SELECT ID FROM SAMPLES)", [&](sqlite3_stmt* s) {
        if (sqlite3_column_int64(s, 0)) problems += "rows of no sample\n";
    });
    each("SELECT COUNT(*) FROM EPISODES WHERE LAST_SAMPLE_ID NOT IN (SELECT ID FROM SAMPLES)", [&](sqlite3_stmt* s) {
        if (sqlite3_column_int64(s, 0)) problems += "episodes of no sample\n";
    });
    sqlite3_close(db);
    return problems;
}

} // namespace clitest
