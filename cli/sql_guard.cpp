#include "cli/sql_guard.h"

#include <cctype>
#include <cstring>

namespace cli {

namespace {

// PRAGMAs that only describe; everything else a PRAGMA can do is refused.
constexpr const char* describingPragmas[] = {
    "table_info",    "table_xinfo",    "table_list",    "index_list",  "index_info",  "index_xinfo",
    "foreign_key_list", "database_list", "collation_list", "function_list", "module_list", "pragma_list",
};

bool describingPragma(const char* name) {
    for (const char* pragma : describingPragmas)
        if (name && !sqlite3_stricmp(name, pragma)) return true;
    return false;
}

} // namespace

ReadOnlyGuard::ReadOnlyGuard(sqlite3* db) : db_(db) { sqlite3_set_authorizer(db_, &ReadOnlyGuard::authorize, this); }

ReadOnlyGuard::~ReadOnlyGuard() { sqlite3_set_authorizer(db_, nullptr, nullptr); }

int ReadOnlyGuard::authorize(void* self, int action, const char* a, const char*, const char*, const char*) {
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
    case SQLITE_TRANSACTION:
    case SQLITE_SAVEPOINT: return SQLITE_OK;
    case SQLITE_PRAGMA:
        if (describingPragma(a)) return SQLITE_OK;
        break;
    default: break;
    }
    static_cast<ReadOnlyGuard*>(self)->refused_ = true;
    return SQLITE_DENY;
}

std::string statementHead(const char* text) {
    const char* at = text;
    for (;;) {
        while (*at && std::isspace(static_cast<unsigned char>(*at))) ++at;
        if (at[0] == '-' && at[1] == '-') {
            while (*at && *at != '\n') ++at;
        } else if (at[0] == '/' && at[1] == '*') {
            const char* end = std::strstr(at + 2, "*/");
            at = end ? end + 2 : at + std::strlen(at);
        } else {
            break;
        }
    }
    std::string head;
    while (*at && *at != ';' && *at != '\n' && head.size() < 60) head += *at++;
    while (!head.empty() && std::isspace(static_cast<unsigned char>(head.back()))) head.pop_back();
    if (*at && *at != ';' && *at != '\n') head += "...";
    return head;
}

} // namespace cli
