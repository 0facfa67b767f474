#include "cli/mentrenq_table.h"

#include <new>
#include <string>
#include <vector>

#include "cli/columns.h"
#include "cli/view_plan.h"

namespace cli {

namespace {

struct Table : sqlite3_vtab {
    ViewRunner* runner;
};

struct Cursor : sqlite3_vtab_cursor {
    std::vector<zrx::MentrenqRow> rows;
    size_t at = 0;
};

int connect(sqlite3* db, void* aux, int, const char* const*, sqlite3_vtab** out, char**) {
    int rc = sqlite3_declare_vtab(db, tableDeclaration("x").c_str());
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

// The plans: idxNum 1 asks the view for one resource, with the first usable
// "=" constraint on each of MAJORNAME, MINORNAME and ENQPLEX as arguments 1
// to 3; idxNum 0 asks for the report. No constraint is omitted: SQLite
// checks every condition against the rows again, so the view's own reading
// of a value (cut at a blank, at most 8 characters) never widens a result,
// and any WHERE clause answers.
constexpr int reportPlan = 0;
constexpr int resourcePlan = 1;
constexpr size_t resourceColumns[] = {majornameColumn, minornameColumn, enqplexColumn};

int bestIndex(sqlite3_vtab*, sqlite3_index_info* info) {
    int chosen[3] = {-1, -1, -1};
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& c = info->aConstraint[i];
        if (!c.usable || c.op != SQLITE_INDEX_CONSTRAINT_EQ) continue;
        for (int k = 0; k < 3; ++k)
            if (static_cast<size_t>(c.iColumn) == resourceColumns[k] && chosen[k] < 0) chosen[k] = i;
    }
    const bool resource = chosen[0] >= 0 && chosen[1] >= 0 && chosen[2] >= 0;
    if (resource)
        for (int k = 0; k < 3; ++k) info->aConstraintUsage[chosen[k]].argvIndex = k + 1;
    info->idxNum = resource ? resourcePlan : reportPlan;
    info->estimatedCost = resource ? 100.0 : 1e6;
    info->estimatedRows = resource ? 10 : 10000;
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

int filter(sqlite3_vtab_cursor* base, int plan, const char*, int argc, sqlite3_value** argv) {
    auto* cursor = static_cast<Cursor*>(base);
    auto* table = static_cast<Table*>(base->pVtab);
    cursor->rows.clear();
    cursor->at = 0;
    std::vector<host::Predicate> predicates;
    if (plan == resourcePlan && argc == 3) {
        for (int k = 0; k < 3; ++k) {
            // A comparison with NULL holds for no row.
            if (sqlite3_value_type(argv[k]) == SQLITE_NULL) return SQLITE_OK;
            const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[k]));
            predicates.push_back({viewColumnName(resourceColumns[k]), zrx::IndexOp::EQ, text ? text : ""});
        }
    }
    // A resource the view would not take (an Enqplex that is blank, say)
    // holds no row: the report holds every row the statement can keep.
    if (predicates.empty() || !viewTakes(predicates)) predicates = {host::Predicate::report()};
    // No exception may cross SQLite's frames: a module that failed, or
    // memory that ran out, is this statement's error.
    ViewResult result;
    try {
        result = table->runner->run(predicates);
    } catch (const std::bad_alloc&) {
        return SQLITE_NOMEM;
    } catch (const host::ModuleFailure& failure) {
        sqlite3_free(table->zErrMsg);
        table->zErrMsg = sqlite3_mprintf("MENTRENQ: %s", failure.what());
        return SQLITE_ERROR;
    }
    if (result.status != zrx::entry::noMoreRows) {
        sqlite3_free(table->zErrMsg);
        table->zErrMsg = sqlite3_mprintf("MENTRENQ %s", describeResult(result).c_str());
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
    m.xCreate = connect; // the table holds nothing of its own to create
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
    // Not eponymous: an eponymous table stands in "main", where a table of
    // the snapshot with the same name would win. "temp" is searched before
    // every other schema and lives in memory beside the file, so the name
    // always means the view and the snapshot is not written.
    if (sqlite3_create_module_v2(db, "zrx_mentrenq", &mentrenqModule, &runner, nullptr) != SQLITE_OK) return false;
    return sqlite3_exec(db, "CREATE VIRTUAL TABLE temp.MENTRENQ USING zrx_mentrenq", nullptr, nullptr, nullptr) ==
           SQLITE_OK;
}

std::vector<std::string> tablesNamedLikeTheView(sqlite3* db, std::string& error) {
    std::vector<std::string> found;
    sqlite3_stmt* statement = nullptr;
    // SQLite matches names without regard to ASCII case, as upper() folds.
    if (sqlite3_prepare_v2(db,
                           "SELECT type || ' ' || name FROM main.sqlite_schema "
                           "WHERE type IN ('table', 'view') AND upper(name) = 'MENTRENQ'",
                           -1, &statement, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        return found;
    }
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
        found.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    if (rc != SQLITE_DONE) error = sqlite3_errmsg(db);
    sqlite3_finalize(statement);
    return found;
}

} // namespace cli
