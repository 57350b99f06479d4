#pragma once
// One open SQLite database, shared by the data source, its sessions, commands and rowsets (the
// last one to go closes it).

#include <sqlite3.h>
#include <sys/types.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

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

  // Another connection to the same file, read-only and guarded like this one, for work that must be
  // interruptible on its own: sqlite3_interrupt reaches every statement of a connection, so it may
  // only be used on a connection nothing else runs on. Opened on first use; give it back when done.
  // nullptr (no error object) when the file cannot be opened again or is no longer the file this
  // connection reads.
  sqlite3* TakeSideConnection() const;
  void GiveBackSideConnection(sqlite3* side) const;

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
  SqliteConnection(sqlite3* db, std::string path, dev_t device, ino_t inode);
  static int OnProgress(void* self);
  bool SameFile() const;

  sqlite3* db_ = nullptr;
  mutable std::atomic<const std::atomic<bool>*> cancelFlag_{nullptr};
  // The file as it was opened, so a side connection can be checked to read the same one.
  std::string path_;
  dev_t device_ = 0;
  ino_t inode_ = 0;
  mutable std::mutex sideMutex_;
  mutable std::vector<sqlite3*> idleSides_;
};

// Maps an SQLite result code to ours.
HRESULT ResultFromSqlite(int rc, HRESULT fallback);

}  // namespace quillet::db::sqlite
