// The catalog is read from the schema's text without SQLite; SQLite's own
// reading of the same script is the reference it must match, column for
// column, on the built-in schema and on every form a schema may take.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "sql/schema.h"
#include "sql/schema_tables.h"

namespace {

using host::sql::Catalog;

// The tables as SQLite defines them from `script`, in creation order, with
// the declared types and NOT NULL that pragma_table_info reports.
std::string sqliteReading(const std::string& script) {
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    char* message = nullptr;
    std::string out;
    if (sqlite3_exec(db, script.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        out = std::string("SQLite refused it: ") + message;
        sqlite3_free(message);
        sqlite3_close(db);
        return out;
    }
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT m.name, p.name, p.type, p.\"notnull\" FROM sqlite_schema m, pragma_table_info(m.name) p "
                       "WHERE m.type = 'table' AND m.name NOT LIKE 'sqlite_%' AND m.name <> 'CAPTURE' COLLATE NOCASE "
                       "ORDER BY m.rowid, p.cid",
                       -1, &s, nullptr);
    while (sqlite3_step(s) == SQLITE_ROW) {
        host::sql::ColumnSpec spec;
        const std::string type = reinterpret_cast<const char*>(sqlite3_column_text(s, 2));
        if (!host::sql::columnTypeFromDeclared(type, spec)) return "undeliverable type " + type;
        out += std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, 0))) + "." +
               reinterpret_cast<const char*>(sqlite3_column_text(s, 1)) + " " +
               std::to_string(static_cast<int>(spec.type)) + "/" + std::to_string(spec.width) +
               (sqlite3_column_int(s, 3) ? " not null" : "") + "\n";
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    return out;
}

// The same listing from the reader, with the routed tables marked.
std::string readerReading(const std::string& script, std::string* routed = nullptr) {
    Catalog c;
    std::string error;
    if (!host::sql::readSchemaTables(script, c, error)) return "refused: " + error;
    std::string out;
    for (const auto& table : c.tables) {
        if (routed && table.routed) *routed += table.name + " ";
        for (const auto& column : table.columns)
            out += table.name + "." + column.name + " " + std::to_string(static_cast<int>(column.type)) + "/" +
                   std::to_string(column.width) + (column.notNull ? " not null" : "") + "\n";
    }
    return out;
}

TEST(SchemaTables, TheBuiltInSchemaReadsAsSQLiteDefinesIt) {
    const std::string script(host::sql::schemaText());
    std::string routed;
    const std::string reading = readerReading(script, &routed);
    EXPECT_EQ(reading, sqliteReading(script));
    EXPECT_EQ(routed, "MXCFSYS MGLBLENQ ENQ_RESRC ENQ_TASKS ");
    EXPECT_NE(reading.find("ENQ_TASKS.RIB 3/4 not null\n"), std::string::npos) << reading;
    EXPECT_EQ(host::sql::catalog().error, "");
    EXPECT_EQ(host::sql::catalog().tables.size(), 5u);
}

TEST(SchemaTables, EveryFormOfAColumnListReadsAsSQLiteDefinesIt) {
    for (const std::string script : {
             // Quoted names, keywords in lower case, blanks inside a type.
             "create table \"Odd Name\" ([AT_NODE] char ( 32 ) collate rtrim not null, `b` INT2);",
             // Comments that hold what would end a statement or a text.
             "CREATE TABLE T (A INT1, -- a; 'comment\n B /* ) , */ CHAR(4) NOT NULL);",
             // Constraints with parentheses and commas of their own.
             "CREATE TABLE T (A INT4 DEFAULT (1 + 2) CHECK (A IN (1, 2)), B CHAR(8) NOT NULL DEFAULT 'x,)',"
             " PRIMARY KEY (A, B), CHECK (B <> 'y'));",
             // NOT NULL after other constraints; NULL alone allows nulls.
             "CREATE TABLE T (A INT2 COLLATE BINARY NULL, B INT2 UNIQUE NOT NULL, C INT1 CONSTRAINT c NOT NULL);",
             // Other statements between the tables, and tables that do not count.
             "CREATE TABLE A (X INT1); CREATE INDEX AX ON A (X); CREATE TABLE CAPTURE (TAKEN_AT TEXT NOT NULL);"
             " CREATE VIEW V AS SELECT X FROM A; CREATE TABLE B (Y INT4);",
         })
        EXPECT_EQ(readerReading(script), sqliteReading(script)) << script;
}

TEST(SchemaTables, WhatTheDataServerCannotServeIsRefusedWithItsReason) {
    EXPECT_EQ(readerReading("CREATE TABLE T (A TEXT);"),
              "refused: column T.A has type \"TEXT\", which the data server cannot deliver");
    EXPECT_EQ(readerReading("CREATE TABLE T (A CHAR(0));"),
              "refused: column T.A has type \"CHAR(0)\", which the data server cannot deliver");
    EXPECT_EQ(readerReading("CREATE TABLE T (A);"), "refused: column T.A has type \"\", which the data server cannot deliver");
    EXPECT_EQ(readerReading("-- nothing\nCREATE INDEX I ON T (A);"), "refused: the schema defines no table");
    EXPECT_EQ(readerReading("CREATE TABLE T (A INT1 /* unended"), "refused: a comment that does not end");
    EXPECT_EQ(readerReading("CREATE TABLE T (A INT1"), "refused: the columns of T do not end");
    EXPECT_EQ(readerReading("CREATE TABLE T AS SELECT 1 AS A;"), "refused: table T is not made from a list of columns");
    // Forms the schema does not use are refused rather than read by guess.
    EXPECT_EQ(readerReading("CREATE TEMP TABLE T (A INT1);"), "refused: CREATE TEMP TABLE is not read");
    EXPECT_EQ(readerReading("CREATE TABLE IF NOT EXISTS T (A INT1);"),
              "refused: CREATE TABLE IF NOT EXISTS is not read");
    EXPECT_EQ(readerReading("CREATE TABLE main.T (A INT1);"), "refused: table main is named with its schema");
    EXPECT_EQ(readerReading("CREATE TABLE T (A INT1 PRIMARY KEY) WITHOUT ROWID;"),
              "refused: table T has options after its columns (WITHOUT), which are not read");
}

} // namespace
