#include "sql/schema.h"

#include <sqlite3.h>

#include <cctype>
#include <string>

namespace host::sql {

namespace {

// Reads the tables in creation order and their columns' declared types:
// those the data server answers from, which leaves out CAPTURE (capture.h).
bool readCatalog(sqlite3* db, Catalog& out, std::string& error) {
    sqlite3_stmt* tables = nullptr;
    sqlite3_stmt* columns = nullptr;
    bool ok = sqlite3_prepare_v2(db,
                                 "SELECT name FROM sqlite_schema WHERE type = 'table' "
                                 "AND name NOT LIKE 'sqlite_%' AND name <> 'CAPTURE' COLLATE NOCASE ORDER BY rowid",
                                 -1, &tables, nullptr) == SQLITE_OK &&
              sqlite3_prepare_v2(db, "SELECT name, type, \"notnull\" FROM pragma_table_info(?1) ORDER BY cid", -1,
                                 &columns, nullptr) == SQLITE_OK;
    while (ok && sqlite3_step(tables) == SQLITE_ROW) {
        CatalogTable table;
        table.name = reinterpret_cast<const char*>(sqlite3_column_text(tables, 0));
        sqlite3_reset(columns);
        sqlite3_bind_text(columns, 1, table.name.c_str(), -1, SQLITE_TRANSIENT);
        while (ok && sqlite3_step(columns) == SQLITE_ROW) {
            ColumnSpec spec;
            spec.name = reinterpret_cast<const char*>(sqlite3_column_text(columns, 0));
            const unsigned char* declared = sqlite3_column_text(columns, 1);
            std::string_view type = declared ? reinterpret_cast<const char*>(declared) : "";
            if (!columnTypeFromDeclared(type, spec)) {
                error = "column " + table.name + "." + spec.name + " has type \"" + std::string(type) +
                        "\", which the data server cannot deliver";
                ok = false;
            }
            spec.notNull = sqlite3_column_int(columns, 2) != 0;
            if (sameName(spec.name, routingColumn)) table.routed = true;
            table.columns.push_back(std::move(spec));
        }
        out.tables.push_back(std::move(table));
    }
    if (ok && out.tables.empty()) {
        error = "the schema defines no table";
        ok = false;
    }
    if (!ok && error.empty()) error = sqlite3_errmsg(db);
    sqlite3_finalize(tables);
    sqlite3_finalize(columns);
    return ok;
}

Catalog buildCatalog() {
    // The catalog is built before any snapshot is opened, so this is the
    // place to set up SQLite for the whole process: counting every
    // allocation would take one lock of the whole process each time, and
    // connections on several threads would wait for one another. (Too late,
    // and refused, when the program used SQLite already.)
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    Catalog c;
    sqlite3* db = nullptr;
    std::string error;
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        error = db ? sqlite3_errmsg(db) : "out of memory";
    } else {
        const std::string script(schemaText());
        char* message = nullptr;
        if (sqlite3_exec(db, script.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            error = message ? message : sqlite3_errmsg(db);
        } else {
            readCatalog(db, c, error);
        }
        sqlite3_free(message);
    }
    sqlite3_close(db);
    if (!error.empty()) {
        c.tables.clear();
        c.error = "the built-in snapshot schema is unusable: " + error;
    }
    return c;
}

} // namespace

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

int CatalogTable::columnIndex(std::string_view column) const {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (sameName(columns[i].name, column)) return static_cast<int>(i);
    }
    return -1;
}

int Catalog::tableIndex(std::string_view table) const {
    for (std::size_t i = 0; i < tables.size(); ++i) {
        if (sameName(tables[i].name, table)) return static_cast<int>(i);
    }
    return -1;
}

const Catalog& catalog() {
    static const Catalog c = buildCatalog();
    return c;
}

} // namespace host::sql
