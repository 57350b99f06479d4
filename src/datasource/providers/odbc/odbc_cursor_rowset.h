#pragma once
// The rows of a query on PostgreSQL, through a scroll cursor the provider declares itself in the
// command's read-only transaction. The declaration carries the user's text to the server as one
// prepared statement, so the server refuses a text that holds more than one; the query runs
// once; rows come over in batches of one page, and a jump (a page far away, the last page, a
// count) moves the cursor on the server without carrying the rows in between.
//
// A rest ends the transaction (and so the cursor); the next use declares the cursor again and
// moves it back to its row.

#include <sql.h>

#include <memory>
#include <string>
#include <vector>

#include "datasource/providers/odbc/odbc_rowset_base.h"

namespace quillet::db::odbc {

class PgCursorRowset final : public OdbcRowsetBase {
 public:
  // Rows carried over per fetch.
  static constexpr std::int64_t kBatchRows = 100;

  // Declares the cursor for `text` on `connection` (in its read-only transaction already) and
  // fetches the first batch, whose description gives the columns. A cancel reaches the running
  // call through `running`.
  static HRESULT Open(std::shared_ptr<Connection> connection, const std::u16string& text,
                      CancelTarget& running, std::shared_ptr<IRowset>* rowset);

  // Whether `text` (one statement) can stand in a cursor declaration: a query, not a command.
  static bool CanDeclare(std::string_view text);

  HRESULT CountRows(std::int64_t* count) override;

 protected:
  HRESULT DoRestart() override;
  HRESULT DoNext() override;
  HRESULT DoSkip(std::int64_t count, std::int64_t* skipped) override;
  const std::shared_ptr<Statement>& RowStatement() const override { return statements_.batch; }

  bool HoldsRead() const override { return open_; }
  void EndRead() override;
  HRESULT ReopenRead() override;

 private:
  struct Statements {
    std::shared_ptr<Statement> declare;  // the prepared declaration
    std::shared_ptr<Statement> batch;    // the last batch's rows, read forward
    std::shared_ptr<Statement> control;  // moves of the cursor
  };
  PgCursorRowset(std::shared_ptr<Connection> connection, Statements statements,
                 std::vector<DBCOLUMNINFO> columns, std::vector<ColumnReading> readings,
                 std::int64_t firstBatchRows);

  static HRESULT Declare(const Statements& statements, CancelTarget& running);
  // FETCH FORWARD into the batch statement; `*rows` receives how many came.
  static HRESULT FetchBatch(const Statements& statements, CancelTarget& running,
                            std::int64_t* rows);

  // After a failure the server has ended the transaction: the next use declares again.
  HRESULT Lost(HRESULT hr);
  HRESULT EnsureOpen();
  // Moves the server's cursor onto row `row` (0: before the first); *onRow false when the row
  // is past the end.
  HRESULT MoveServer(std::int64_t row, bool* onRow);
  // A new batch that starts with row position_ + 1.
  HRESULT NextBatch();
  // Steps the batch forward onto its `index`-th row (1-based), which BatchAhead said it has.
  HRESULT SeekInBatch(std::int64_t index);
  // Whether stepping the batch forward reaches row `row`.
  bool BatchAhead(std::int64_t row) const {
    return batchStart_ > 0 && row >= batchStart_ + batchIndex_ && row < batchStart_ + batchRows_;
  }

  Statements statements_;
  bool open_ = true;
  static constexpr std::int64_t kUnknown = -1;
  std::int64_t position_ = 0;    // the row last stepped onto (1-based); 0 before the first
  bool onRow_ = false;           // its values can be read
  std::int64_t batchStart_ = 0;  // the batch's first row; 0 while there is no batch
  std::int64_t batchRows_ = 0;   // rows in the batch
  std::int64_t batchIndex_ = 0;  // the batch's row the batch statement stands on (1-based)
  bool endSeen_ = false;         // the batch came back short: nothing follows it
  std::int64_t serverPos_ = 0;   // the row the server's cursor stands on, or kUnknown
};

}  // namespace quillet::db::odbc
