#pragma once
// The rows of one SQLite statement, read forward; a restart runs the statement again.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "datasource/providers/sqlite/sqlite_connection.h"
#include "datasource/rowset_base.h"

namespace quillet::db::sqlite {

class SqliteRowset final : public RowsetBase {
 public:
  // Takes the prepared, not yet stepped statement.
  SqliteRowset(std::shared_ptr<SqliteConnection> connection, sqlite3_stmt* statement);
  ~SqliteRowset() override;

  const char* ProviderName() const override { return kProviderName; }
  // Counts on a side connection of its own (see SqliteConnection::TakeSideConnection): a count
  // of a whole table is a single engine step that only sqlite3_interrupt can break.
  HRESULT CountRows(std::int64_t* count) override;
  void Cancel() override;

 protected:
  HRESULT DoRestart() override;
  HRESULT DoNext() override;
  HRESULT DoSkip(std::int64_t count, std::int64_t* skipped) override;
  HRESULT DoReadValue(std::size_t ordinal, CellValue* value) override;

 private:
  HRESULT Step();  // one sqlite3_step, mapped; S_OK on a row, DB_S_ENDOFROWSET at the end
  bool TakeCancel();
  // Steps the count statement, interruptible by Cancel; the engine's result code.
  int StepCount(sqlite3* side, sqlite3_stmt* counter);

  std::shared_ptr<SqliteConnection> connection_;
  sqlite3_stmt* statement_ = nullptr;
  std::atomic<bool> cancel_{false};
  // The side connection a count is running on, for Cancel to interrupt; guarded by countMutex_
  // so it is never interrupted after the count gave it back.
  std::mutex countMutex_;
  sqlite3* counting_ = nullptr;
  // After a failed or cancelled step the statement has lost its place; only a restart helps.
  bool mustRestart_ = false;
};

// The columns of a prepared statement, by the declared-type table of sqlite_types.h.
std::vector<DBCOLUMNINFO> StatementColumns(sqlite3_stmt* statement);

}  // namespace quillet::db::sqlite
