#include "datasource/providers/odbc/odbc_rowset.h"

#include <sqlext.h>

#include "datasource/error_info.h"
#include "datasource/providers/odbc/odbc_connect_string.h"
#include "datasource/providers/odbc/odbc_diag.h"

namespace quillet::db::odbc {
namespace {

// Rows stepped over between two looks at the cancel flag.
constexpr std::int64_t kCancelCheckRows = 512;

}  // namespace

OdbcRowset::OdbcRowset(std::shared_ptr<Statement> statement, std::vector<DBCOLUMNINFO> columns,
                       std::vector<ColumnReading> readings, bool scrollable, bool holdsRead)
    : OdbcRowsetBase(statement->connection(), std::move(columns), std::move(readings)),
      statement_(std::move(statement)),
      scrollable_(scrollable),
      holdsRead_(holdsRead) {}

OdbcRowset::~OdbcRowset() {
  NewRow();
  SQLCloseCursor(stmt());
}

void OdbcRowset::EndRead() {
  NewRow();
  SQLFreeStmt(stmt(), SQL_CLOSE);
  connection().Rollback();
  open_ = false;
}

HRESULT OdbcRowset::Reexecute() {
  NewRow();
  SQLFreeStmt(stmt(), SQL_CLOSE);
  position_ = 0;
  onRow_ = false;
  if (!open_ || !holdsRead_) {
    if (const HRESULT hr = connection().BeginReadOnly(); Failed(hr)) return hr;
  }
  Running running(*this, statement_);
  const SQLRETURN r = SQLExecute(stmt());
  if (!SQL_SUCCEEDED(r) && r != SQL_NO_DATA) {
    return RaiseOdbcError(SQL_HANDLE_STMT, stmt(), E_FAIL, "The query could not be run again.");
  }
  open_ = true;
  if (!holdsRead_) connection().Rollback();
  return S_OK;
}

HRESULT OdbcRowset::ReopenRead() {
  const std::int64_t row = position_;
  const bool onto = onRow_;
  if (const HRESULT hr = Reexecute(); Failed(hr)) return hr;
  if (row == kPositionUnknown) return S_OK;  // past the end: only a restart goes on from here
  return MoveTo(row, onto);
}

HRESULT OdbcRowset::MoveTo(std::int64_t row, bool onto) {
  NewRow();
  onRow_ = false;
  if (row == 0) {
    if (position_ == 0) return S_OK;
    if (scrollable_) {
      const SQLRETURN r = SQLFetchScroll(stmt(), SQL_FETCH_ABSOLUTE, 0);
      if (SQL_SUCCEEDED(r) || r == SQL_NO_DATA) {
        position_ = 0;
        return S_OK;
      }
      // A cursor that lost its way is opened again.
    }
    return Reexecute();
  }
  SQLRETURN r = SQL_SUCCESS;
  if (scrollable_) {
    Running running(*this, statement_);
    r = SQLFetchScroll(stmt(), SQL_FETCH_ABSOLUTE, static_cast<SQLLEN>(row));
  } else {
    std::int64_t stepped = 0;
    if (const HRESULT hr = StepOver(row - 1 - position_, &stepped); Failed(hr)) return hr;
    Running running(*this, statement_);
    r = SQLFetch(stmt());
  }
  if (r == SQL_NO_DATA) {
    position_ = kPositionUnknown;
    return RaiseError(E_FAIL, "The rows changed while they were shown; refresh to read them again.",
                      kProviderName);
  }
  if (!SQL_SUCCEEDED(r)) {
    return RaiseOdbcError(SQL_HANDLE_STMT, stmt(), E_FAIL, "The row could not be reached again.");
  }
  position_ = row;
  onRow_ = onto;
  return S_OK;
}

HRESULT OdbcRowset::DoRestart() {
  Use use(*this, /*keepPlace=*/false);
  if (!open_) return Reexecute();
  return MoveTo(0, false);
}

HRESULT OdbcRowset::DoNext() {
  Use use(*this);
  if (Failed(use.Ready())) return use.Ready();
  if (const HRESULT hr = CheckCancel(); Failed(hr)) return hr;
  NewRow();
  onRow_ = false;
  SQLRETURN r = SQL_SUCCESS;
  {
    Running running(*this, statement_);
    r = scrollable_ ? SQLFetchScroll(stmt(), SQL_FETCH_NEXT, 0) : SQLFetch(stmt());
  }
  if (r == SQL_NO_DATA) return DB_S_ENDOFROWSET;
  if (!SQL_SUCCEEDED(r)) {
    return RaiseOdbcError(SQL_HANDLE_STMT, stmt(), E_FAIL, "The next row could not be fetched.");
  }
  if (position_ != kPositionUnknown) ++position_;
  onRow_ = true;
  return S_OK;
}

HRESULT OdbcRowset::StepOver(std::int64_t count, std::int64_t* stepped) {
  *stepped = 0;
  Running running(*this, statement_);
  // Fetching without moving values into buffers where the driver allows it.
  SQLSetStmtAttr(stmt(), SQL_ATTR_RETRIEVE_DATA, reinterpret_cast<SQLPOINTER>(SQL_RD_OFF), 0);
  HRESULT result = S_OK;
  while (*stepped < count) {
    if (*stepped % kCancelCheckRows == 0) {
      if (result = CheckCancel(); Failed(result)) break;
    }
    const SQLRETURN r = SQLFetch(stmt());
    if (r == SQL_NO_DATA) break;
    if (!SQL_SUCCEEDED(r)) {
      result = RaiseOdbcError(SQL_HANDLE_STMT, stmt(), E_FAIL, "Rows could not be stepped over.");
      break;
    }
    ++*stepped;
    if (position_ != kPositionUnknown) ++position_;
  }
  SQLSetStmtAttr(stmt(), SQL_ATTR_RETRIEVE_DATA, reinterpret_cast<SQLPOINTER>(SQL_RD_ON), 0);
  return result;
}

HRESULT OdbcRowset::DoSkip(std::int64_t count, std::int64_t* skipped) {
  *skipped = 0;
  Use use(*this);
  if (Failed(use.Ready())) return use.Ready();
  if (const HRESULT hr = CheckCancel(); Failed(hr)) return hr;
  NewRow();
  onRow_ = false;
  if (!scrollable_) return StepOver(count, skipped);
  SQLRETURN r = SQL_SUCCESS;
  {
    Running running(*this, statement_);
    r = SQLFetchScroll(stmt(), SQL_FETCH_RELATIVE, static_cast<SQLLEN>(count));
  }
  if (SQL_SUCCEEDED(r)) {
    if (position_ != kPositionUnknown) position_ += count;
    *skipped = count;
    return S_OK;
  }
  if (r != SQL_NO_DATA) {
    return RaiseOdbcError(SQL_HANDLE_STMT, stmt(), E_FAIL, "Rows could not be skipped.");
  }
  // Past the end. The base only needs to know the skip fell short; where the cursor stands
  // now is left for the next restart to settle.
  *skipped = count - 1;
  position_ = kPositionUnknown;
  return S_OK;
}

HRESULT OdbcRowset::CountRows(std::int64_t* count) {
  if (count == nullptr) return E_INVALIDARG;
  *count = 0;
  Use use(*this);
  if (Failed(use.Ready())) return use.Ready();
  if (const HRESULT hr = CheckCancel(); Failed(hr)) return hr;
  // MariaDB's driver holds the whole result in the client and knows its size.
  if (connection().kind() == DriverKind::MariaDb) {
    SQLLEN rows = -1;
    if (SQL_SUCCEEDED(SQLRowCount(stmt(), &rows)) && rows >= 0) {
      *count = static_cast<std::int64_t>(rows);
      return S_OK;
    }
  }
  // Otherwise only a scrollable cursor can count and come back to where it stood.
  if (!scrollable_) return E_NOTIMPL;
  const std::int64_t row = position_;
  const bool onto = onRow_;
  SQLRETURN r = SQL_SUCCESS;
  {
    Running running(*this, statement_);
    r = SQLFetchScroll(stmt(), SQL_FETCH_LAST, 0);
  }
  position_ = kPositionUnknown;
  HRESULT hr = S_OK;
  if (SQL_SUCCEEDED(r)) {
    SQLLEN last = 0;
    if (SQL_SUCCEEDED(SQLGetStmtAttr(stmt(), SQL_ATTR_ROW_NUMBER, &last, 0, nullptr)) && last > 0) {
      *count = static_cast<std::int64_t>(last);
    } else {
      // A driver that does not know the last row's number is walked from the start.
      hr = MoveTo(0, false);
      std::int64_t stepped = 0;
      if (Succeeded(hr)) hr = StepOver(INT64_MAX, &stepped);
      *count = stepped;
    }
  } else if (r != SQL_NO_DATA) {
    hr = RaiseOdbcError(SQL_HANDLE_STMT, stmt(), E_FAIL, "The rows could not be counted.");
  }
  if (Failed(hr)) return hr;
  if (row == kPositionUnknown) return S_OK;
  position_ = kPositionUnknown;
  return row == 0 ? MoveTo(0, false) : MoveTo(row, onto);
}

}  // namespace quillet::db::odbc
