#pragma once
// One open SQLite database, shared by the data source, its sessions, commands and rowsets (the
// last one to go closes it).

#include <sqlite3.h>

#include <atomic>
#include <memory>
#include <string>

#include "datasource/provider_ops.h"

namespace quillet::db::sqlite {

inline constexpr const char* kProviderName = "SQLite";

class SqliteConnection {
 public:
  // Opens `path` read-only and checks that it is a database. On failure returns nullptr and
  // sets `code` and the one-line `error`.
  static std::shared_ptr<SqliteConnection> Open(const std::string& path, HRESULT* code,
                                                std::string* error);
  ~SqliteConnection();
  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  sqlite3* db() const { return db_; }

  // Raises the error object for the connection's last failure and returns its code
  // (SQLITE_INTERRUPT → DB_E_CANCELED, SQLITE_READONLY → DB_E_READONLY, ...).
  HRESULT RaiseLastError(HRESULT fallback) const;

  // While a CancelScope lives, a running statement of this connection stops (with
  // SQLITE_INTERRUPT) as soon as `flag` becomes true. Unlike sqlite3_interrupt this reaches only
  // the call that is running for the object being cancelled; other statements of the same
  // connection keep their place.
  class CancelScope {
   public:
    CancelScope(const SqliteConnection& connection, const std::atomic<bool>& flag)
        : connection_(connection) {
      connection_.cancelFlag_.store(&flag);
    }
    ~CancelScope() { connection_.cancelFlag_.store(nullptr); }
    CancelScope(const CancelScope&) = delete;
    CancelScope& operator=(const CancelScope&) = delete;

   private:
    const SqliteConnection& connection_;
  };

 private:
  explicit SqliteConnection(sqlite3* db);
  static int OnProgress(void* self);

  sqlite3* db_ = nullptr;
  mutable std::atomic<const std::atomic<bool>*> cancelFlag_{nullptr};
};

// Maps an SQLite result code to ours.
HRESULT ResultFromSqlite(int rc, HRESULT fallback);

}  // namespace quillet::db::sqlite
