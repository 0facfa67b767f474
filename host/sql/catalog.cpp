#include "sql/schema.h"

#include <sqlite3.h>

#include <cctype>
#include <string>

#include "sql/schema_tables.h"

namespace host::sql {

namespace {

Catalog buildCatalog() {
    // The catalog is built before any snapshot is opened, so this is the
    // place to set up SQLite for the whole process: counting every
    // allocation would take one lock of the whole process each time, and
    // connections on several threads would wait for one another. (Too late,
    // and refused, when the program used SQLite already.)
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    Catalog c;
    std::string error;
    if (!readSchemaTables(schemaText(), c, error)) {
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
