#pragma once
// The rows of one SQLite statement, read forward; a restart runs the statement again. A
// statement that has been stepped holds a read transaction on the file, which keeps other
// processes from writing; so once the rowset is left alone it rests (see read_rest.h): the
// statement is reset, and the next use steps it back to where it stood.

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>

#include "datasource/providers/sqlite/sqlite_connection.h"
#include "datasource/read_rest.h"
#include "datasource/rowset_base.h"

namespace quillet::db::sqlite {

class SqliteRowset final : public RowsetBase,
                           public RestingRead,
                           public std::enable_shared_from_this<SqliteRowset> {
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
  // RestingRead: the statement is reset, and stepped back to its place when used again.
  bool HoldsRead() const override;
  void EndRead() override;
  HRESULT ReopenRead() override;
  std::weak_ptr<Restable> RestHandle() override { return weak_from_this(); }

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
  // Rows stepped onto since the start: the place a rest keeps.
  std::int64_t stepped_ = 0;
};

// The columns of a prepared statement, by the declared-type table of sqlite_types.h.
std::vector<DBCOLUMNINFO> StatementColumns(sqlite3_stmt* statement);

}  // namespace quillet::db::sqlite
