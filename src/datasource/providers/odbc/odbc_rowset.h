#pragma once
// The rowset over an executed ODBC statement. Where the driver gives a scrollable cursor,
// skipping and restarting move the cursor without transferring the rows in between; otherwise
// skipping fetches without reading values and restarting runs the statement again. The
// statement runs in its connection's read-only transaction; a rest closes the cursor and rolls
// the transaction back, and the next use runs the statement again and moves back to its row.

#include <sql.h>

#include <memory>
#include <vector>

#include "datasource/providers/odbc/odbc_rowset_base.h"

namespace quillet::db::odbc {

class OdbcRowset final : public OdbcRowsetBase {
 public:
  // `statement` is prepared and executed, its cursor open; `readings` says how each column's
  // values are read. `holdsRead` false: the driver holds the whole result in
  // the client and its transaction is over already.
  OdbcRowset(std::shared_ptr<Statement> statement, std::vector<DBCOLUMNINFO> columns,
             std::vector<ColumnReading> readings, bool scrollable, bool holdsRead);
  ~OdbcRowset() override;

  HRESULT CountRows(std::int64_t* count) override;

  bool scrollable() const { return scrollable_; }

 protected:
  HRESULT DoRestart() override;
  HRESULT DoNext() override;
  HRESULT DoSkip(std::int64_t count, std::int64_t* skipped) override;
  const std::shared_ptr<Statement>& RowStatement() const override { return statement_; }

  bool HoldsRead() const override { return open_ && holdsRead_; }
  void EndRead() override;
  HRESULT ReopenRead() override;

 private:
  SQLHSTMT stmt() const { return statement_->handle(); }
  HRESULT Reexecute();
  // Steps forward over `count` rows without reading them; *stepped receives how many there were.
  HRESULT StepOver(std::int64_t count, std::int64_t* stepped);
  // To just before row `row` (1-based), or onto it when `onto` is set.
  HRESULT MoveTo(std::int64_t row, bool onto);

  std::shared_ptr<Statement> statement_;
  bool scrollable_ = false;
  bool open_ = true;  // the cursor is open
  bool holdsRead_ = true;
  static constexpr std::int64_t kPositionUnknown = -1;
  // 1-based row the cursor stands on; 0 before the first.
  std::int64_t position_ = 0;
  bool onRow_ = false;
};

}  // namespace quillet::db::odbc
