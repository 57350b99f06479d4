#include "datasource/providers/odbc/odbc_command.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <vector>

#include "datasource/error_info.h"
#include "datasource/providers/odbc/odbc_diag.h"
#include "datasource/providers/odbc/odbc_rowset.h"
#include "datasource/providers/odbc/odbc_types.h"
#include "datasource/text_convert.h"

namespace quillet::db::odbc {
namespace {

HRESULT DescribeColumns(SQLHSTMT stmt, SQLSMALLINT count, std::vector<DBCOLUMNINFO>* columns,
                        std::vector<SQLSMALLINT>* sqlTypes) {
  for (SQLSMALLINT i = 1; i <= count; ++i) {
    std::u16string name(256, u'\0');
    SQLSMALLINT nameLength = 0;
    ColumnDescription c;
    SQLSMALLINT nullable = 0;
    SQLRETURN r = SQLDescribeColW(stmt, static_cast<SQLUSMALLINT>(i),
                                  reinterpret_cast<SQLWCHAR*>(name.data()),
                                  static_cast<SQLSMALLINT>(name.size()), &nameLength, &c.sqlType,
                                  &c.columnSize, &c.decimalDigits, &nullable);
    if (SQL_SUCCEEDED(r) && nameLength >= static_cast<SQLSMALLINT>(name.size())) {
      name.assign(static_cast<std::size_t>(nameLength) + 1, u'\0');
      r = SQLDescribeColW(stmt, static_cast<SQLUSMALLINT>(i),
                          reinterpret_cast<SQLWCHAR*>(name.data()),
                          static_cast<SQLSMALLINT>(name.size()), &nameLength, &c.sqlType,
                          &c.columnSize, &c.decimalDigits, &nullable);
    }
    if (!SQL_SUCCEEDED(r)) {
      return RaiseOdbcError(SQL_HANDLE_STMT, stmt, E_FAIL,
                            "The columns of the result could not be described.");
    }
    name.resize(std::min<std::size_t>(
        static_cast<std::size_t>(std::max<SQLSMALLINT>(nameLength, 0)), name.size()));
    std::u16string typeName(128, u'\0');
    SQLSMALLINT typeNameBytes = 0;
    if (SQL_SUCCEEDED(SQLColAttributeW(
            stmt, static_cast<SQLUSMALLINT>(i), SQL_DESC_TYPE_NAME, typeName.data(),
            static_cast<SQLSMALLINT>(typeName.size() * 2), &typeNameBytes, nullptr))) {
      typeName.resize(std::min<std::size_t>(
          static_cast<std::size_t>(std::max<SQLSMALLINT>(typeNameBytes, 0)) / 2, typeName.size()));
      c.typeName = Utf16ToUtf8(typeName);
    }
    DBCOLUMNINFO info = MapColumn(c);
    info.name = name;
    info.iOrdinal = static_cast<std::size_t>(i);
    columns->push_back(std::move(info));
    sqlTypes->push_back(c.sqlType);
  }
  return S_OK;
}

}  // namespace

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

  std::shared_ptr<Connection> connection;
  if (const HRESULT hr = connector_->Open(&connection); Failed(hr)) {
    return canceled_.load() ? Canceled() : hr;
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

  std::u16string text = text_;
  running_.Set(statement);
  if (canceled_.load()) {  // came while connecting, before SQLCancel had a statement to reach
    running_.Clear();
    return Canceled();
  }
  const SQLRETURN r = SQLExecDirectW(stmt, reinterpret_cast<SQLWCHAR*>(text.data()),
                                     static_cast<SQLINTEGER>(text.size()));
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
  SQLSMALLINT columnCount = 0;
  if (!SQL_SUCCEEDED(SQLNumResultCols(stmt, &columnCount))) {
    return RaiseOdbcError(SQL_HANDLE_STMT, stmt, E_FAIL, "The result could not be read.");
  }
  if (columnCount == 0) {
    SQLLEN affected = -1;
    if (SQL_SUCCEEDED(SQLRowCount(stmt, &affected)) && rowsAffected != nullptr) {
      *rowsAffected = affected;
    }
    ClearErrorInfo();
    return S_OK;
  }
  std::vector<DBCOLUMNINFO> columns;
  std::vector<SQLSMALLINT> sqlTypes;
  if (const HRESULT hr = DescribeColumns(stmt, columnCount, &columns, &sqlTypes); Failed(hr)) {
    return hr;
  }
  SQLULEN cursorType = SQL_CURSOR_FORWARD_ONLY;
  SQLGetStmtAttr(stmt, SQL_ATTR_CURSOR_TYPE, &cursorType, 0, nullptr);
  if (rowset != nullptr) {
    *rowset =
        std::make_shared<OdbcRowset>(std::move(statement), std::move(columns), std::move(sqlTypes),
                                     cursorType != SQL_CURSOR_FORWARD_ONLY, text_);
  }
  ClearErrorInfo();
  return S_OK;
}

}  // namespace quillet::db::odbc
