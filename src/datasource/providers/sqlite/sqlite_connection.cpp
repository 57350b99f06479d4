#include "datasource/providers/sqlite/sqlite_connection.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "datasource/error_info.h"
#include "datasource/providers/sqlite/sqlite_guard.h"

namespace quillet::db::sqlite {
namespace {

// Virtual machine steps between checks for a cancel request.
constexpr int kProgressSteps = 1000;
// How long a statement waits for another process's write lock before it gives up.
constexpr int kBusyTimeoutMs = 3000;
// Side connections kept open for the next count once given back.
constexpr std::size_t kIdleSideConnections = 1;
constexpr int kOpenFlags = SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX;

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

SqliteConnection::SqliteConnection(sqlite3* db, std::string path, dev_t device, ino_t inode)
    : db_(db), path_(std::move(path)), device_(device), inode_(inode) {
  sqlite3_progress_handler(db_, kProgressSteps, &SqliteConnection::OnProgress, this);
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
}

SqliteConnection::~SqliteConnection() {
  for (sqlite3* side : idleSides_) sqlite3_close_v2(side);
  sqlite3_progress_handler(db_, 0, nullptr, nullptr);
  sqlite3_close_v2(db_);
}

bool SqliteConnection::SameFile() const {
  struct stat info {};
  return ::stat(path_.c_str(), &info) == 0 && info.st_dev == device_ && info.st_ino == inode_;
}

sqlite3* SqliteConnection::TakeSideConnection() const {
  sqlite3* side = nullptr;
  {
    std::lock_guard lock(sideMutex_);
    if (!idleSides_.empty()) {
      side = idleSides_.back();
      idleSides_.pop_back();
    }
  }
  if (side == nullptr) {
    // The file is checked before and after the open: a file put in its place since this
    // connection opened it would answer for other data.
    if (!SameFile()) return nullptr;
    if (sqlite3_open_v2(path_.c_str(), &side, kOpenFlags, nullptr) != SQLITE_OK ||
        GuardConnection(side, nullptr) != SQLITE_OK || !SameFile()) {
      sqlite3_close_v2(side);
      return nullptr;
    }
    sqlite3_busy_timeout(side, kBusyTimeoutMs);
  }
  return side;
}

void SqliteConnection::GiveBackSideConnection(sqlite3* side) const {
  if (side == nullptr) return;
  {
    std::lock_guard lock(sideMutex_);
    if (idleSides_.size() < kIdleSideConnections) {
      idleSides_.push_back(side);
      return;
    }
  }
  sqlite3_close_v2(side);
}

int SqliteConnection::OnProgress(void* self) {
  const auto* flag = static_cast<SqliteConnection*>(self)->cancelFlag_.load();
  return flag != nullptr && flag->load() ? 1 : 0;
}

HRESULT SqliteConnection::RaiseLastError(HRESULT fallback) const {
  const int rc = sqlite3_extended_errcode(db_);
  const HRESULT code = ResultFromSqlite(rc, fallback);
  // Our authorizer's refusals read "not authorized" or "authorization denied"; say why.
  const std::string text = (rc & 0xFF) == SQLITE_AUTH ? kRefusedText : sqlite3_errmsg(db_);
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
  const int rc = sqlite3_open_v2(path.c_str(), &db, kOpenFlags, nullptr);
  if (rc != SQLITE_OK) {
    *code = ResultFromSqlite(rc, E_FAIL);
    *error = prefix + (db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    sqlite3_close_v2(db);
    return nullptr;
  }
  std::shared_ptr<SqliteConnection> connection(
      new SqliteConnection(db, path, info.st_dev, info.st_ino));

  // Reading the schema is what tells a database from any other file.
  char* message = nullptr;
  int check = GuardConnection(db, &message);
  if (check == SQLITE_OK) {
    check = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master;", nullptr, nullptr, &message);
  }
  if (check != SQLITE_OK) {
    *code = ResultFromSqlite(check, E_FAIL);
    *error = prefix + (message != nullptr ? message : sqlite3_errstr(check));
    sqlite3_free(message);
    return nullptr;
  }
  return connection;
}

}  // namespace quillet::db::sqlite
