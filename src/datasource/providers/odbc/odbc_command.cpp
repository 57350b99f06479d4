#include "datasource/providers/odbc/odbc_command.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <vector>

#include "datasource/error_info.h"
#include "datasource/providers/odbc/odbc_cursor_rowset.h"
#include "datasource/providers/odbc/odbc_diag.h"
#include "datasource/providers/odbc/odbc_rowset.h"
#include "datasource/providers/odbc/odbc_statement_policy.h"
#include "datasource/text_convert.h"

namespace quillet::db::odbc {

HRESULT OdbcCommand::SetCommandText(const Guid& dialect, const std::u16string& text) {
  (void)dialect;  // every driver takes its own SQL; there is no other dialect to choose
  text_ = text;
  hasText_ = !text.empty();
  return S_OK;
}

void OdbcCommand::Cancel() {
  // The flag first: a statement set just after it is checked for the flag before it runs.
  canceled_.store(true);
  running_.Cancel();
}

HRESULT OdbcCommand::Canceled() {
  canceled_.store(false);
  return RaiseError(DB_E_CANCELED, "The operation was canceled.", kProviderName);
}

HRESULT OdbcCommand::Execute(std::shared_ptr<IRowset>* rowset, std::int64_t* rowsAffected) {
  if (rowset != nullptr) rowset->reset();
  if (rowsAffected != nullptr) *rowsAffected = -1;
  if (!hasText_) return RaiseError(DB_E_NOCOMMAND, "No command text was set.", kProviderName);
  if (!connector_) return RaiseError(E_UNEXPECTED, "The session is closed.", kProviderName);
  if (canceled_.load()) return Canceled();

  const std::string utf8 = Utf16ToUtf8(text_);
  if (const Refusal refusal = RefuseStatement(connector_->kind(), utf8)) {
    return RaiseError(refusal.code, refusal.reason, kProviderName);
  }

  std::shared_ptr<Connection> connection;
  if (const HRESULT hr = connector_->Open(&connection); Failed(hr)) {
    return canceled_.load() ? Canceled() : hr;
  }
  // Whatever the statement does stays inside this transaction, which is never committed.
  if (const HRESULT hr = connection->BeginReadOnly(); Failed(hr)) return hr;
  if (canceled_.load()) return Canceled();

  if (connection->kind() == DriverKind::PostgreSql && PgCursorRowset::CanDeclare(utf8)) {
    std::shared_ptr<IRowset> made;
    const HRESULT hr = PgCursorRowset::Open(std::move(connection), text_, running_, &made);
    if (canceled_.load()) return Canceled();
    if (Failed(hr)) return hr;
    if (rowset != nullptr) *rowset = std::move(made);
    ClearErrorInfo();
    return S_OK;
  }

  std::shared_ptr<Statement> statement;
  if (const HRESULT hr = Statement::Allocate(std::move(connection), &statement); Failed(hr)) {
    return hr;
  }
  const SQLHSTMT stmt = statement->handle();
  // A scrollable read-only cursor lets skips and restarts move without carrying rows across;
  // a driver that cannot do it says so by changing the value, which is read back below.
  SQLSetStmtAttr(stmt, SQL_ATTR_CONCURRENCY, reinterpret_cast<SQLPOINTER>(SQL_CONCUR_READ_ONLY), 0);
  SQLSetStmtAttr(stmt, SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(SQL_CURSOR_STATIC), 0);

  // Prepared, so a restart runs the same statement again, and a server that parses prepared
  // statements one at a time (PostgreSQL) refuses a second one.
  std::u16string text = text_;
  if (!SQL_SUCCEEDED(SQLPrepareW(stmt, reinterpret_cast<SQLWCHAR*>(text.data()),
                                 static_cast<SQLINTEGER>(text.size())))) {
    return RaiseOdbcError(SQL_HANDLE_STMT, stmt, DB_E_ERRORSINCOMMAND,
                          "The command could not be prepared.");
  }
  running_.Set(statement);
  if (canceled_.load()) {  // came while connecting, before SQLCancel had a statement to reach
    running_.Clear();
    return Canceled();
  }
  const SQLRETURN r = SQLExecute(stmt);
  running_.Clear();
  // A cancel during the call ends it, whatever the driver made of the interruption.
  if (canceled_.load()) return Canceled();
  if (r == SQL_NO_DATA) {  // a statement that touched no rows
    if (rowsAffected != nullptr) *rowsAffected = 0;
    ClearErrorInfo();
    return S_OK;
  }
  if (!SQL_SUCCEEDED(r)) {
    return RaiseOdbcError(SQL_HANDLE_STMT, stmt, DB_E_ERRORSINCOMMAND,
                          "The command could not be run.");
  }
  std::vector<DBCOLUMNINFO> columns;
  std::vector<ColumnReading> readings;
  if (const HRESULT hr =
          DescribeColumns(stmt, statement->connection()->kind(), &columns, &readings);
      Failed(hr))
    return hr;
  if (columns.empty()) {
    SQLLEN affected = -1;
    if (SQL_SUCCEEDED(SQLRowCount(stmt, &affected)) && rowsAffected != nullptr) {
      *rowsAffected = affected;
    }
    ClearErrorInfo();
    return S_OK;
  }
  SQLULEN cursorType = SQL_CURSOR_FORWARD_ONLY;
  SQLGetStmtAttr(stmt, SQL_ATTR_CURSOR_TYPE, &cursorType, 0, nullptr);
  // MariaDB's driver reads the whole result into the client and keeps it over a rollback: the
  // transaction can end at once, and nothing stays open on the server while the rows are shown.
  Connection& owner = *statement->connection();
  const bool buffered = owner.kind() == DriverKind::MariaDb && owner.RollbackKeepsCursors();
  if (buffered) owner.Rollback();
  if (rowset != nullptr) {
    *rowset =
        std::make_shared<OdbcRowset>(std::move(statement), std::move(columns), std::move(readings),
                                     cursorType != SQL_CURSOR_FORWARD_ONLY, !buffered);
  }
  ClearErrorInfo();
  return S_OK;
}

}  // namespace quillet::db::odbc
