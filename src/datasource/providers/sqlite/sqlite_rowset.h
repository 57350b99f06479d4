#pragma once
// The rows of one SQLite statement, read forward; a restart runs the statement again. A
// statement that has been stepped holds a read transaction on the file, which keeps other
// processes from writing; so once the rowset is left alone it rests (see read_rest.h): the
// statement is reset, and the next use steps it back to where it stood.
//
// A table's rows come in the order of its key (the rowid, or the primary key of a table
// without one). Then an index of every 100th row's key, built on a side connection, lets a
// skip or a return after a rest seek by key instead of stepping over every row before.

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "datasource/providers/sqlite/sqlite_connection.h"
#include "datasource/read_rest.h"
#include "datasource/rowset_base.h"

namespace quillet::db::sqlite {

// What a table's rows are ordered by: a rowid alias, or the primary key's columns, quoted.
struct TableKey {
  std::string table;                 // the quoted table name
  std::vector<std::string> columns;  // quoted key columns, in key order
};

class SqliteRowset final : public RowsetBase,
                           public RestingRead,
                           public std::enable_shared_from_this<SqliteRowset> {
 public:
  // Rows between two keys of the position index.
  static constexpr std::int64_t kIndexStep = 100;

  // Takes the prepared, not yet stepped statement. With a key, the statement reads the table in
  // the key's order.
  SqliteRowset(std::shared_ptr<SqliteConnection> connection, sqlite3_stmt* statement,
               std::optional<TableKey> key = std::nullopt);
  ~SqliteRowset() override;

  const char* ProviderName() const override { return kProviderName; }
  // Counts on a side connection of its own (see SqliteConnection::TakeSideConnection): a count
  // of a whole table is a single engine step that only sqlite3_interrupt can break.
  HRESULT CountRows(std::int64_t* count) override;
  // Walks the keys on a side connection; S_FALSE without a key.
  HRESULT BuildPositionIndex() override;
  void Cancel() override;
  void CancelCount() override;
  // The row's values under one hold of the read, not one each.
  HRESULT GetData(HROW row, HACCESSOR accessor, void* data) override;

 protected:
  HRESULT DoRestart() override;
  HRESULT DoNext() override;
  HRESULT DoSkip(std::int64_t count, std::int64_t* skipped) override;
  HRESULT DoReadValue(std::size_t ordinal, CellValue* value) override;

 private:
  // Every kIndexStep-th row's key, in order: rowids, or whole keys.
  struct PositionIndex {
    std::vector<std::int64_t> rowids;
    std::vector<std::vector<CellValue>> keys;
    std::int64_t Entries() const {
      return static_cast<std::int64_t>(rowids.empty() ? keys.size() : rowids.size());
    }
  };

  // RestingRead: the statement is reset, and stepped back to its place when used again.
  bool HoldsRead() const override;
  void EndRead() override;
  HRESULT ReopenRead() override;
  std::weak_ptr<Restable> RestHandle() override { return weak_from_this(); }

  HRESULT Step();  // one sqlite3_step, mapped; S_OK on a row, DB_S_ENDOFROWSET at the end
  // Steps until `target` rows are stepped onto (seeking by key where that is shorter); S_FALSE
  // when the rows end first.
  HRESULT StepTo(std::int64_t target);
  // Starts the seek statement at the key of index entry `entry`; false without an index.
  bool SeekEntry(std::int64_t target);
  std::shared_ptr<const PositionIndex> Index() const;
  bool TakeCancel();
  // Runs `step` with the side connection registered for CancelCount; the engine's result code.
  int StepOnSide(sqlite3* side, sqlite3_stmt* statement);
  sqlite3_stmt* PrepareSeek();

  std::shared_ptr<SqliteConnection> connection_;
  sqlite3_stmt* statement_ = nullptr;  // the whole result from its first row
  sqlite3_stmt* seek_ = nullptr;       // a keyed table's rows from a key on
  sqlite3_stmt* current_ = nullptr;    // the one being stepped
  std::optional<TableKey> key_;
  std::atomic<bool> cancel_{false};
  std::atomic<bool> countCancel_{false};
  // The side connection a count or index walk is running on, for a cancel to interrupt;
  // guarded by sideMutex_ so it is never interrupted after it was given back.
  std::mutex sideMutex_;
  sqlite3* onSide_ = nullptr;
  mutable std::mutex indexMutex_;
  std::shared_ptr<const PositionIndex> index_;
  // After a failed or cancelled step the statement has lost its place; only a restart helps.
  bool mustRestart_ = false;
  // Rows stepped onto since the start: the place a rest keeps.
  std::int64_t stepped_ = 0;
};

// The columns of a prepared statement, by the declared-type table of sqlite_types.h.
std::vector<DBCOLUMNINFO> StatementColumns(sqlite3_stmt* statement);

// The key a table's rows can be ordered by: a rowid alias that no column hides, else the
// primary key; std::nullopt for a view or a table without either.
std::optional<TableKey> FindTableKey(sqlite3* db, const std::string& table);

// A name as a quoted identifier.
std::string QuoteName(const std::string& name);

}  // namespace quillet::db::sqlite
