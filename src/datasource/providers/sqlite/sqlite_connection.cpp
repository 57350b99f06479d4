#include "datasource/providers/sqlite/sqlite_connection.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "datasource/error_info.h"

namespace quillet::db::sqlite {
namespace {

// Virtual machine steps between checks for a cancel request.
constexpr int kProgressSteps = 1000;
// How long a statement waits for another process's write lock before it gives up.
constexpr int kBusyTimeoutMs = 3000;

// The read-only open and query_only refuse every change to the database, but a typed statement
// could still lift query_only again (and then VACUUM INTO writes a new file) or ATTACH a file
// name, which creates that file. Both are refused before they run.
int Authorize(void*, int action, const char* name, const char* value, const char*, const char*) {
  if (action == SQLITE_ATTACH) return SQLITE_DENY;
  if (action == SQLITE_PRAGMA && name != nullptr && value != nullptr &&
      sqlite3_stricmp(name, "query_only") == 0) {
    return SQLITE_DENY;
  }
  return SQLITE_OK;
}

}  // namespace

HRESULT ResultFromSqlite(int rc, HRESULT fallback) {
  switch (rc & 0xFF) {
    case SQLITE_OK:
      return S_OK;
    case SQLITE_INTERRUPT:
      return DB_E_CANCELED;
    case SQLITE_READONLY:
      return DB_E_READONLY;
    case SQLITE_NOMEM:
      return E_OUTOFMEMORY;
    case SQLITE_AUTH:  // refused by our authorizer: it would change or create a file
      return DB_E_READONLY;
    case SQLITE_PERM:
      return DB_SEC_E_AUTH_FAILED;
    default:
      return fallback;
  }
}

SqliteConnection::SqliteConnection(sqlite3* db) : db_(db) {
  sqlite3_progress_handler(db_, kProgressSteps, &SqliteConnection::OnProgress, this);
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
}

SqliteConnection::~SqliteConnection() {
  sqlite3_progress_handler(db_, 0, nullptr, nullptr);
  sqlite3_close_v2(db_);
}

int SqliteConnection::OnProgress(void* self) {
  const auto* flag = static_cast<SqliteConnection*>(self)->cancelFlag_.load();
  return flag != nullptr && flag->load() ? 1 : 0;
}

HRESULT SqliteConnection::RaiseLastError(HRESULT fallback) const {
  const int rc = sqlite3_extended_errcode(db_);
  const HRESULT code = ResultFromSqlite(rc, fallback);
  // Our authorizer's refusals read "not authorized" or "authorization denied"; say why.
  const std::string text = (rc & 0xFF) == SQLITE_AUTH
                               ? "not authorized: the database is open read-only"
                               : sqlite3_errmsg(db_);
  return RaiseError(code == S_OK ? fallback : code, text, kProviderName);
}

std::shared_ptr<SqliteConnection> SqliteConnection::Open(const std::string& path, HRESULT* code,
                                                         std::string* error) {
  const std::string prefix = "Cannot open the database \"" + path + "\": ";
  // A read-only open never creates a file, but its own message ("unable to open database
  // file") does not say why; the file system does.
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    *code = E_FAIL;
    *error = prefix + std::strerror(errno);
    return nullptr;
  }
  if (S_ISDIR(info.st_mode)) {
    *code = E_FAIL;
    *error = prefix + std::strerror(EISDIR);
    return nullptr;
  }

  sqlite3* db = nullptr;
  const int rc =
      sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    *code = ResultFromSqlite(rc, E_FAIL);
    *error = prefix + (db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    sqlite3_close_v2(db);
    return nullptr;
  }
  std::shared_ptr<SqliteConnection> connection(new SqliteConnection(db));

  // Reading the schema is what tells a database from any other file.
  char* message = nullptr;
  const int check = sqlite3_exec(db, "PRAGMA query_only=1; SELECT count(*) FROM sqlite_master;",
                                 nullptr, nullptr, &message);
  if (check != SQLITE_OK) {
    *code = ResultFromSqlite(check, E_FAIL);
    *error = prefix + (message != nullptr ? message : sqlite3_errstr(check));
    sqlite3_free(message);
    return nullptr;
  }
  sqlite3_set_authorizer(db, &Authorize, nullptr);
  return connection;
}

}  // namespace quillet::db::sqlite
