#pragma once
// The rows of one SQLite statement, read forward; a restart runs the statement again.

#include <atomic>
#include <memory>
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

  std::shared_ptr<SqliteConnection> connection_;
  sqlite3_stmt* statement_ = nullptr;
  std::atomic<bool> cancel_{false};
  // After a failed or cancelled step the statement has lost its place; only a restart helps.
  bool mustRestart_ = false;
};

// The columns of a prepared statement, by the declared-type table of sqlite_types.h.
std::vector<DBCOLUMNINFO> StatementColumns(sqlite3_stmt* statement);

}  // namespace quillet::db::sqlite
