#include "cli/mentrenq_table.h"

#include <string>
#include <vector>

#include "cli/columns.h"

namespace cli {

namespace {

struct Table : sqlite3_vtab {
    ViewRunner* runner;
};

struct Cursor : sqlite3_vtab_cursor {
    std::vector<zrx::MentrenqRow> rows;
    size_t at = 0;
};

// The index columns by their place among the table's columns, with the
// module's names.
struct IndexColumn {
    int column;
    const char* name;
};
constexpr IndexColumn indexColumns[] = {{0, "MAJORNAME"}, {1, "MINORNAME"}, {15, "ENQPLEX"}, {12, "REPORT"}};

const char* indexColumnName(int column) {
    for (const auto& c : indexColumns)
        if (c.column == column) return c.name;
    return nullptr;
}

int operatorCode(unsigned char op) {
    switch (op) {
    case SQLITE_INDEX_CONSTRAINT_EQ: return 1;
    case SQLITE_INDEX_CONSTRAINT_NE: return 2;
    case SQLITE_INDEX_CONSTRAINT_GE: return 3;
    case SQLITE_INDEX_CONSTRAINT_LE: return 4;
    case SQLITE_INDEX_CONSTRAINT_LT: return 5;
    case SQLITE_INDEX_CONSTRAINT_GT: return 6;
    default: return 0;
    }
}

int connect(sqlite3* db, void* aux, int, const char* const*, sqlite3_vtab** out, char**) {
    int rc = sqlite3_declare_vtab(
        db,
        "CREATE TABLE x(MAJORNAME TEXT, MINORNAME TEXT, OWNTASKCT INTEGER, WAITTASKCT INTEGER, "
        "MAXWAITTM INTEGER, OWNINGAS TEXT, WAITINGAS TEXT, SYSNAME TEXT, SWAPPED INTEGER, TYPE INTEGER, "
        "ASID INTEGER, WAITTIME INTEGER, REPORT TEXT, ORIGINNODE TEXT, PLXNAME TEXT, ENQPLEX TEXT, "
        "TRUEOWNER INTEGER)");
    if (rc != SQLITE_OK) return rc;
    auto* table = new Table();
    table->runner = static_cast<ViewRunner*>(aux);
    *out = table;
    return SQLITE_OK;
}

int disconnect(sqlite3_vtab* vtab) {
    delete static_cast<Table*>(vtab);
    return SQLITE_OK;
}

// The plan: every usable constraint on an index column, in SQLite's order,
// encoded in idxStr as "column:op;". SQLite still checks each constraint
// against the rows, so the module's own reading of a value never widens a
// result.
int bestIndex(sqlite3_vtab*, sqlite3_index_info* info) {
    std::string plan;
    int argument = 0;
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& c = info->aConstraint[i];
        if (!c.usable || !indexColumnName(c.iColumn)) continue;
        const int op = operatorCode(c.op);
        if (op == 0) continue;
        info->aConstraintUsage[i].argvIndex = ++argument;
        info->aConstraintUsage[i].omit = 0;
        plan += std::to_string(c.iColumn) + ":" + std::to_string(op) + ";";
    }
    info->idxStr = sqlite3_mprintf("%s", plan.c_str());
    info->needToFreeIdxStr = 1;
    info->estimatedCost = argument ? 1000.0 / argument : 1e12;
    info->estimatedRows = argument ? 100 : 1000000;
    return SQLITE_OK;
}

int open(sqlite3_vtab*, sqlite3_vtab_cursor** out) {
    *out = new Cursor();
    return SQLITE_OK;
}

int close(sqlite3_vtab_cursor* cursor) {
    delete static_cast<Cursor*>(cursor);
    return SQLITE_OK;
}

int filter(sqlite3_vtab_cursor* base, int, const char* idxStr, int argc, sqlite3_value** argv) {
    auto* cursor = static_cast<Cursor*>(base);
    auto* table = static_cast<Table*>(base->pVtab);
    cursor->rows.clear();
    cursor->at = 0;
    std::vector<host::Predicate> predicates;
    std::string plan = idxStr ? idxStr : "";
    size_t pos = 0;
    for (int i = 0; i < argc && pos < plan.size(); ++i) {
        size_t colon = plan.find(':', pos), semi = plan.find(';', pos);
        if (colon == std::string::npos || semi == std::string::npos) break;
        const int column = std::stoi(plan.substr(pos, colon - pos));
        const int op = std::stoi(plan.substr(colon + 1, semi - colon - 1));
        pos = semi + 1;
        // A comparison with NULL holds for no row.
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return SQLITE_OK;
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[i]));
        predicates.push_back({indexColumnName(column), static_cast<int16_t>(op), text ? text : ""});
    }
    ViewResult result = table->runner->run(predicates);
    if (result.status != 62) {
        sqlite3_free(table->zErrMsg);
        table->zErrMsg = sqlite3_mprintf("MENTRENQ status %d: %s", result.status,
                                         describeStatus(result.status, result.lines).c_str());
        return SQLITE_ERROR;
    }
    cursor->rows = std::move(result.rows);
    return SQLITE_OK;
}

int next(sqlite3_vtab_cursor* base) {
    ++static_cast<Cursor*>(base)->at;
    return SQLITE_OK;
}

int eof(sqlite3_vtab_cursor* base) {
    auto* cursor = static_cast<Cursor*>(base);
    return cursor->at >= cursor->rows.size();
}

int column(sqlite3_vtab_cursor* base, sqlite3_context* context, int i) {
    auto* cursor = static_cast<Cursor*>(base);
    ColumnValue v = columnValue(cursor->rows[cursor->at], static_cast<size_t>(i));
    if (v.numeric)
        sqlite3_result_int64(context, v.number);
    else
        sqlite3_result_text(context, v.text.c_str(), static_cast<int>(v.text.size()), SQLITE_TRANSIENT);
    return SQLITE_OK;
}

int rowid(sqlite3_vtab_cursor* base, sqlite3_int64* out) {
    *out = static_cast<sqlite3_int64>(static_cast<Cursor*>(base)->at) + 1;
    return SQLITE_OK;
}

sqlite3_module makeModule() {
    sqlite3_module m{};
    m.iVersion = 1;
    m.xCreate = nullptr; // eponymous only: the table exists under the module's name
    m.xConnect = connect;
    m.xBestIndex = bestIndex;
    m.xDisconnect = disconnect;
    m.xDestroy = disconnect;
    m.xOpen = open;
    m.xClose = close;
    m.xFilter = filter;
    m.xNext = next;
    m.xEof = eof;
    m.xColumn = column;
    m.xRowid = rowid;
    return m;
}

const sqlite3_module mentrenqModule = makeModule();

} // namespace

bool registerMentrenqTable(sqlite3* db, ViewRunner& runner) {
    return sqlite3_create_module_v2(db, "MENTRENQ", &mentrenqModule, &runner, nullptr) == SQLITE_OK;
}

} // namespace cli
