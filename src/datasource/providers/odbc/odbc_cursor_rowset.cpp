#include "datasource/providers/odbc/odbc_cursor_rowset.h"

#include <sqlext.h>

#include <algorithm>
#include <cctype>

#include "datasource/error_info.h"
#include "datasource/providers/odbc/odbc_diag.h"
#include "datasource/sql_statements.h"
#include "datasource/text_convert.h"

namespace quillet::db::odbc {
namespace {

constexpr std::u16string_view kCursor = u"quillet_rows";

std::u16string Command(std::u16string_view verb, std::int64_t count = -1) {
  std::u16string text(verb);
  if (count >= 0) text += Utf8ToUtf16(std::to_string(count));
  text += u" FROM ";
  text += kCursor;
  return text;
}

bool EqualsWord(std::string_view word, std::string_view upper) {
  return word.size() == upper.size() &&
         std::equal(word.begin(), word.end(), upper.begin(), [](char a, char b) {
           return std::toupper(static_cast<unsigned char>(a)) == b;
         });
}

// Runs one of the provider's own cursor commands (never the user's text) on `statement`.
HRESULT RunOwn(const std::shared_ptr<Statement>& statement, CancelTarget& running,
               const std::u16string& text, SQLLEN* rows = nullptr) {
  SQLFreeStmt(statement->handle(), SQL_CLOSE);
  std::u16string copy = text;
  running.Set(statement);
  const SQLRETURN r = SQLExecDirectW(statement->handle(), reinterpret_cast<SQLWCHAR*>(copy.data()),
                                     static_cast<SQLINTEGER>(copy.size()));
  running.Clear();
  if (!SQL_SUCCEEDED(r) && r != SQL_NO_DATA) {
    return RaiseOdbcError(SQL_HANDLE_STMT, statement->handle(), E_FAIL,
                          "The server's cursor could not be moved.");
  }
  if (rows != nullptr) {
    *rows = 0;
    if (r != SQL_NO_DATA) SQLRowCount(statement->handle(), rows);
  }
  return S_OK;
}

}  // namespace

bool PgCursorRowset::CanDeclare(std::string_view text) {
  const std::vector<SqlToken> tokens = TokenizeSql(text, SqlDialect::PostgreSql);
  if (tokens.empty()) return false;
  const SqlToken& first = tokens.front();
  if (first.kind == SqlToken::Kind::Other) return first.text == "(";
  if (first.kind != SqlToken::Kind::Word) return false;
  return EqualsWord(first.text, "SELECT") || EqualsWord(first.text, "WITH") ||
         EqualsWord(first.text, "VALUES") || EqualsWord(first.text, "TABLE");
}

PgCursorRowset::PgCursorRowset(std::shared_ptr<Connection> connection, Statements statements,
                               std::vector<DBCOLUMNINFO> columns,
                               std::vector<ColumnReading> readings, std::int64_t firstBatchRows)
    : OdbcRowsetBase(std::move(connection), std::move(columns), std::move(readings)),
      statements_(std::move(statements)),
      batchStart_(1),
      batchRows_(firstBatchRows),
      endSeen_(firstBatchRows < kBatchRows),
      serverPos_(firstBatchRows) {}

HRESULT PgCursorRowset::Declare(const Statements& statements, CancelTarget& running) {
  running.Set(statements.declare);
  const SQLRETURN r = SQLExecute(statements.declare->handle());
  running.Clear();
  if (!SQL_SUCCEEDED(r) && r != SQL_NO_DATA) {
    return RaiseOdbcError(SQL_HANDLE_STMT, statements.declare->handle(), DB_E_ERRORSINCOMMAND,
                          "The command could not be run.");
  }
  SQLFreeStmt(statements.declare->handle(), SQL_CLOSE);
  return S_OK;
}

HRESULT PgCursorRowset::FetchBatch(const Statements& statements, CancelTarget& running,
                                   std::int64_t* rows) {
  SQLLEN count = 0;
  const HRESULT hr =
      RunOwn(statements.batch, running, Command(u"FETCH FORWARD ", kBatchRows), &count);
  *rows = std::clamp<std::int64_t>(count, 0, kBatchRows);
  return hr;
}

HRESULT PgCursorRowset::Open(std::shared_ptr<Connection> connection, const std::u16string& text,
                             CancelTarget& running, std::shared_ptr<IRowset>* rowset) {
  Statements statements;
  for (auto* slot : {&statements.declare, &statements.batch, &statements.control}) {
    if (const HRESULT hr = Statement::Allocate(connection, slot); Failed(hr)) return hr;
  }
  // The batch's rows stay in the driver's memory, readable forward (the driver offers no
  // scrollable cursor over a FETCH).
  const SQLHSTMT batch = statements.batch->handle();

  // Prepared, so the driver sends it as one statement of the extended protocol, which the
  // server refuses to parse when the text holds more than one.
  std::u16string declaration = u"DECLARE ";
  declaration += kCursor;
  declaration += u" SCROLL CURSOR FOR\n";
  declaration += text;
  if (!SQL_SUCCEEDED(SQLPrepareW(statements.declare->handle(),
                                 reinterpret_cast<SQLWCHAR*>(declaration.data()),
                                 static_cast<SQLINTEGER>(declaration.size())))) {
    return RaiseOdbcError(SQL_HANDLE_STMT, statements.declare->handle(), DB_E_ERRORSINCOMMAND,
                          "The command could not be prepared.");
  }
  if (const HRESULT hr = Declare(statements, running); Failed(hr)) return hr;
  std::int64_t rows = 0;
  if (const HRESULT hr = FetchBatch(statements, running, &rows); Failed(hr)) return hr;
  std::vector<DBCOLUMNINFO> columns;
  std::vector<ColumnReading> readings;
  if (const HRESULT hr = DescribeColumns(batch, connection->kind(), &columns, &readings);
      Failed(hr))
    return hr;
  *rowset = std::shared_ptr<PgCursorRowset>(new PgCursorRowset(
      std::move(connection), std::move(statements), std::move(columns), std::move(readings), rows));
  return S_OK;
}

void PgCursorRowset::EndRead() {
  NewRow();
  for (const auto& statement : {statements_.batch, statements_.control, statements_.declare}) {
    SQLFreeStmt(statement->handle(), SQL_CLOSE);
  }
  connection().Rollback();  // ends the cursor with the transaction
  open_ = false;
  batchStart_ = 0;
  serverPos_ = kUnknown;
}

HRESULT PgCursorRowset::Lost(HRESULT hr) {
  // Keep the error object of the failure, not of the clean-up.
  std::optional<ErrorInfo> info;
  GetErrorInfo(&info);
  EndRead();
  SetErrorInfo(std::move(info));
  return hr;
}

HRESULT PgCursorRowset::ReopenRead() {
  if (open_) return S_OK;
  if (const HRESULT hr = connection().BeginReadOnly(); Failed(hr)) return Lost(hr);
  if (const HRESULT hr = Declare(statements_, RunningTarget()); Failed(hr)) return Lost(hr);
  open_ = true;
  serverPos_ = 0;
  if (!onRow_ || position_ == 0) return S_OK;  // the next fetch moves where it needs to
  // Back onto the current row, so its values can be read again.
  const std::int64_t row = position_;
  position_ = row - 1;
  if (const HRESULT hr = NextBatch(); Failed(hr)) return hr;
  if (!BatchAhead(row)) {
    return Lost(RaiseError(E_FAIL,
                           "The rows changed while they were shown; refresh to read them again.",
                           kProviderName));
  }
  if (const HRESULT hr = SeekInBatch(1); Failed(hr)) return hr;
  position_ = row;
  return S_OK;
}

HRESULT PgCursorRowset::EnsureOpen() {
  return open_ ? S_OK : ReopenRead();
}

HRESULT PgCursorRowset::MoveServer(std::int64_t row, bool* onRow) {
  SQLLEN moved = 0;
  const HRESULT hr =
      RunOwn(statements_.control, RunningTarget(), Command(u"MOVE ABSOLUTE ", row), &moved);
  if (Failed(hr)) return Lost(hr);
  *onRow = row == 0 || moved > 0;
  serverPos_ = *onRow ? row : kUnknown;
  return S_OK;
}

HRESULT PgCursorRowset::NextBatch() {
  if (serverPos_ != position_) {
    bool onRow = false;
    if (const HRESULT hr = MoveServer(position_, &onRow); Failed(hr)) return hr;
  }
  NewRow();
  std::int64_t rows = 0;
  if (const HRESULT hr = FetchBatch(statements_, RunningTarget(), &rows); Failed(hr)) {
    return Lost(hr);
  }
  batchStart_ = position_ + 1;
  batchRows_ = rows;
  batchIndex_ = 0;
  endSeen_ = rows < kBatchRows;
  serverPos_ = position_ + rows;
  return S_OK;
}

HRESULT PgCursorRowset::SeekInBatch(std::int64_t index) {
  NewRow();
  while (batchIndex_ < index) {
    const SQLRETURN r = SQLFetch(statements_.batch->handle());
    if (!SQL_SUCCEEDED(r)) {
      return Lost(RaiseOdbcError(SQL_HANDLE_STMT, statements_.batch->handle(), E_FAIL,
                                 "The next row could not be fetched."));
    }
    ++batchIndex_;
  }
  return S_OK;
}

HRESULT PgCursorRowset::DoRestart() {
  Use use(*this, /*keepPlace=*/false);
  position_ = 0;
  onRow_ = false;
  // A first batch nobody has read from yet (the one the open fetched, with a count after it)
  // serves the start without a trip to the server.
  if (!(open_ && batchStart_ == 1 && batchIndex_ == 0)) batchStart_ = 0;
  return S_OK;
}

HRESULT PgCursorRowset::DoNext() {
  Use use(*this);
  if (Failed(use.Ready())) return use.Ready();
  if (const HRESULT hr = EnsureOpen(); Failed(hr)) return hr;
  if (const HRESULT hr = CheckCancel(); Failed(hr)) return hr;
  onRow_ = false;
  const std::int64_t next = position_ + 1;
  if (!BatchAhead(next)) {
    if (batchStart_ > 0 && endSeen_ && next >= batchStart_ + batchRows_) return DB_S_ENDOFROWSET;
    if (const HRESULT hr = NextBatch(); Failed(hr)) return hr;
    if (batchRows_ == 0) return DB_S_ENDOFROWSET;
  }
  if (const HRESULT hr = SeekInBatch(next - batchStart_ + 1); Failed(hr)) return hr;
  position_ = next;
  onRow_ = true;
  return S_OK;
}

HRESULT PgCursorRowset::DoSkip(std::int64_t count, std::int64_t* skipped) {
  *skipped = 0;
  Use use(*this);
  if (Failed(use.Ready())) return use.Ready();
  if (const HRESULT hr = EnsureOpen(); Failed(hr)) return hr;
  if (const HRESULT hr = CheckCancel(); Failed(hr)) return hr;
  onRow_ = false;
  const std::int64_t target = count > INT64_MAX - position_ ? INT64_MAX : position_ + count;
  if (BatchAhead(target)) {
    if (const HRESULT hr = SeekInBatch(target - batchStart_ + 1); Failed(hr)) return hr;
    position_ = target;
    *skipped = count;
    return S_OK;
  }
  if (batchStart_ > 0 && endSeen_ && target >= batchStart_ + batchRows_) {
    *skipped = std::max<std::int64_t>(batchStart_ + batchRows_ - 1 - position_, 0);
    return S_OK;
  }
  batchStart_ = 0;
  bool onRow = false;
  if (const HRESULT hr = MoveServer(target, &onRow); Failed(hr)) return hr;
  if (!onRow) {
    // Past the end: the base only needs to know the skip fell short.
    *skipped = count - 1;
    return S_OK;
  }
  position_ = target;
  *skipped = count;
  return S_OK;
}

HRESULT PgCursorRowset::CountRows(std::int64_t* count) {
  if (count == nullptr) return E_INVALIDARG;
  *count = 0;
  HRESULT hr = S_OK;
  {
    Use use(*this);
    hr = Failed(use.Ready()) ? use.Ready() : EnsureOpen();
    if (Succeeded(hr)) hr = CheckCancel();
    if (Succeeded(hr) && batchStart_ == 1 && endSeen_) {
      *count = batchRows_;  // all of it came with the first batch
    } else if (Succeeded(hr)) {
      // The server walks to the end; no row crosses the network.
      std::int64_t from = serverPos_;
      if (from == kUnknown) {
        bool onRow = false;
        hr = MoveServer(0, &onRow);
        from = 0;
      }
      SQLLEN moved = 0;
      if (Succeeded(hr)) {
        hr = RunOwn(statements_.control, RunningTarget(), Command(u"MOVE FORWARD ALL"), &moved);
        if (Failed(hr)) hr = Lost(hr);
      }
      if (Succeeded(hr)) {
        *count = from + std::max<SQLLEN>(moved, 0);
        serverPos_ = kUnknown;
      }
    }
  }
  return hr;
}

}  // namespace quillet::db::odbc
