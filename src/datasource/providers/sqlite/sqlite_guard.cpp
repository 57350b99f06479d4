#include "datasource/providers/sqlite/sqlite_guard.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace quillet::db::sqlite {
namespace {

bool NameIn(const char* name, const auto& names) {
  if (name == nullptr) return false;
  return std::any_of(std::begin(names), std::end(names),
                     [name](std::string_view n) { return sqlite3_stricmp(name, n.data()) == 0; });
}

// Pragmas that only report, and take an argument naming what to report on.
constexpr std::array<std::string_view, 10> kReportingPragmas = {
    "table_info",  "table_xinfo",      "table_list",        "index_list",      "index_info",
    "index_xinfo", "foreign_key_list", "foreign_key_check", "integrity_check", "quick_check"};

// Pragmas that act although they are written without a value.
constexpr std::array<std::string_view, 4> kActingPragmas = {"optimize", "incremental_vacuum",
                                                            "wal_checkpoint", "shrink_memory"};

// Functions that reach outside the database.
constexpr std::array<std::string_view, 2> kRefusedFunctions = {"load_extension", "fts3_tokenizer"};

// Lets through what reads and nothing else: every action that writes (also into the temporary
// database, whose tables would show under the names of real ones), transaction control (a
// transaction left open keeps other processes from writing), ATTACH and DETACH, pragmas that
// set something, and the functions above.
int Authorize(void*, int action, const char* first, const char* second, const char*, const char*) {
  switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_RECURSIVE:
      return SQLITE_OK;
    case SQLITE_FUNCTION:
      return NameIn(second, kRefusedFunctions) ? SQLITE_DENY : SQLITE_OK;
    case SQLITE_PRAGMA:
      // `first` is the pragma, `second` its value or argument.
      if (second != nullptr) return NameIn(first, kReportingPragmas) ? SQLITE_OK : SQLITE_DENY;
      return NameIn(first, kActingPragmas) ? SQLITE_DENY : SQLITE_OK;
    default:
      return SQLITE_DENY;
  }
}

}  // namespace

int GuardConnection(sqlite3* db, char** message) {
  const int rc = sqlite3_exec(db, "PRAGMA query_only=1;", nullptr, nullptr, message);
  if (rc != SQLITE_OK) return rc;
  sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
  sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
  sqlite3_set_authorizer(db, &Authorize, nullptr);
  return SQLITE_OK;
}

}  // namespace quillet::db::sqlite
