#include "datasource/providers/odbc/odbc_handles.h"

#include <sqlext.h>
#include <strings.h>

#include "datasource/error_info.h"
#include "datasource/providers/odbc/odbc_connect_string.h"
#include "datasource/providers/odbc/odbc_diag.h"
#include "datasource/providers/odbc/odbc_read.h"
#include "datasource/text_convert.h"

namespace quillet::db::odbc {
namespace {

SQLWCHAR* Wide(std::u16string& text) {
  return reinterpret_cast<SQLWCHAR*>(text.data());
}

}  // namespace

SQLHENV Environment() {
  static const SQLHENV env = []() -> SQLHENV {
    SQLHENV made = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &made))) {
      return SQL_NULL_HENV;
    }
    SQLSetEnvAttr(made, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    return made;
  }();
  if (env == SQL_NULL_HENV) {
    RaiseError(E_FAIL, "The ODBC driver manager could not be started.", kProviderName);
  }
  return env;
}

HRESULT Connection::Open(const std::string& connectString, std::shared_ptr<Connection>* connection,
                         std::string* completed) {
  const SQLHENV env = Environment();
  if (env == SQL_NULL_HENV) return E_FAIL;
  SQLHDBC dbc = SQL_NULL_HDBC;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc))) {
    return RaiseOdbcError(SQL_HANDLE_ENV, env, E_OUTOFMEMORY,
                          "No ODBC connection handle could be made.");
  }
  SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT,
                    reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(kLoginTimeoutSeconds)), 0);
  // Asked before connecting too: some drivers only honour it at connect time.
  SQLSetConnectAttr(dbc, SQL_ATTR_ACCESS_MODE, reinterpret_cast<SQLPOINTER>(SQL_MODE_READ_ONLY), 0);

  std::u16string in = Utf8ToUtf16(connectString);
  std::u16string out(2048, u'\0');
  SQLSMALLINT outLength = 0;
  const SQLRETURN r =
      SQLDriverConnectW(dbc, nullptr, Wide(in), static_cast<SQLSMALLINT>(in.size()), Wide(out),
                        static_cast<SQLSMALLINT>(out.size()), &outLength, SQL_DRIVER_NOPROMPT);
  if (!SQL_SUCCEEDED(r)) {
    const HRESULT hr = RaiseOdbcError(SQL_HANDLE_DBC, dbc, E_FAIL, "The ODBC connection failed.");
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    return hr;
  }
  out.resize(std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(outLength, 0)),
                                   out.size()));
  if (completed != nullptr) *completed = Utf16ToUtf8(out);
  SQLSetConnectAttr(dbc, SQL_ATTR_ACCESS_MODE, reinterpret_cast<SQLPOINTER>(SQL_MODE_READ_ONLY), 0);
  // A driver that does not keep the mode answers with another value (or an error).
  SQLUINTEGER mode = SQL_MODE_READ_WRITE;
  const bool readOnly =
      SQL_SUCCEEDED(SQLGetConnectAttr(dbc, SQL_ATTR_ACCESS_MODE, &mode, 0, nullptr)) &&
      mode == SQL_MODE_READ_ONLY;
  connection->reset(new Connection(dbc));
  (*connection)->accessModeReadOnly_ = readOnly;
  return S_OK;
}

Connection::~Connection() {
  // A connection in a transaction cannot be closed; nothing of it is ever kept.
  if (manualCommit_) SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
  SQLDisconnect(dbc_);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
}

std::string Connection::DriverLibrary() const {
  std::u16string name(256, u'\0');
  SQLSMALLINT length = 0;
  if (!SQL_SUCCEEDED(SQLGetInfoW(dbc_, SQL_DRIVER_NAME, name.data(),
                                 static_cast<SQLSMALLINT>(name.size() * sizeof(char16_t)),
                                 &length))) {
    return {};
  }
  name.resize(std::min<std::size_t>(
      static_cast<std::size_t>(std::max<SQLSMALLINT>(length, 0)) / sizeof(char16_t), name.size()));
  return Utf16ToUtf8(name);
}

std::u16string Connection::SearchEscape() const {
  std::u16string escape(8, u'\0');
  SQLSMALLINT length = 0;
  if (!SQL_SUCCEEDED(SQLGetInfoW(dbc_, SQL_SEARCH_PATTERN_ESCAPE, escape.data(),
                                 static_cast<SQLSMALLINT>(escape.size() * sizeof(char16_t)),
                                 &length))) {
    return {};
  }
  escape.resize(std::min<std::size_t>(
      static_cast<std::size_t>(std::max<SQLSMALLINT>(length, 0)) / sizeof(char16_t),
      escape.size()));
  return escape;
}

HRESULT Connection::ExecuteQuietly(const std::u16string& text) {
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt))) {
    return RaiseOdbcError(SQL_HANDLE_DBC, dbc_, E_FAIL, "No ODBC statement handle could be made.");
  }
  std::u16string copy = text;
  const SQLRETURN r = SQLExecDirectW(stmt, Wide(copy), static_cast<SQLINTEGER>(copy.size()));
  HRESULT hr = S_OK;
  if (!SQL_SUCCEEDED(r) && r != SQL_NO_DATA) {
    hr = RaiseOdbcError(SQL_HANDLE_STMT, stmt, E_FAIL, "The statement failed.");
  }
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  return hr;
}

HRESULT Connection::QueryRow(const std::u16string& text,
                             std::vector<std::optional<std::string>>* row) {
  row->clear();
  std::shared_ptr<Statement> statement;
  if (const HRESULT hr = Statement::Allocate(shared_from_this(), &statement); Failed(hr)) {
    return hr;
  }
  std::u16string copy = text;
  const SQLHSTMT stmt = statement->handle();
  if (!SQL_SUCCEEDED(SQLExecDirectW(stmt, Wide(copy), static_cast<SQLINTEGER>(copy.size())))) {
    return RaiseOdbcError(SQL_HANDLE_STMT, stmt, E_FAIL, "The statement failed.");
  }
  SQLSMALLINT columns = 0;
  SQLNumResultCols(stmt, &columns);
  const SQLRETURN r = SQLFetch(stmt);
  if (r == SQL_NO_DATA) return S_FALSE;
  if (!SQL_SUCCEEDED(r)) return RaiseOdbcError(SQL_HANDLE_STMT, stmt, E_FAIL, "No row came back.");
  for (SQLSMALLINT i = 1; i <= columns; ++i) {
    std::optional<std::string> value;
    if (const HRESULT hr = ReadColumnText(stmt, static_cast<std::size_t>(i), &value); Failed(hr)) {
      return hr;
    }
    row->push_back(std::move(value));
  }
  return S_OK;
}

void Connection::SetTimeZone(const std::string& zone) {
  // The zones PostgreSQL writes as "+00" all year; any other's offset depends on the date.
  static const char* const kUniversal[] = {
      "UTC",  "Etc/UTC",  "UCT",       "Etc/UCT",       "GMT",       "Etc/GMT",
      "GMT0", "Etc/GMT0", "GMT+0",     "Etc/GMT+0",     "GMT-0",     "Etc/GMT-0",
      "Zulu", "Etc/Zulu", "Universal", "Etc/Universal", "Greenwich", "Etc/Greenwich"};
  zoneSuffix_.clear();
  for (const char* name : kUniversal) {
    if (strcasecmp(zone.c_str(), name) == 0) zoneSuffix_ = "+00";
  }
}

HRESULT Connection::BeginReadOnly() {
  if (!manualCommit_) {
    const SQLRETURN r = SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT,
                                          reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
    if (!SQL_SUCCEEDED(r)) {
      return RaiseOdbcError(SQL_HANDLE_DBC, dbc_, E_FAIL,
                            "The driver cannot run statements inside a transaction.");
    }
    manualCommit_ = true;
  }
  switch (kind_) {
    case DriverKind::PostgreSql:
      // The driver opens the transaction itself, before the first statement.
      return ExecuteQuietly(u"SET TRANSACTION READ ONLY");
    case DriverKind::MariaDb:
      return ExecuteQuietly(u"START TRANSACTION READ ONLY");
    case DriverKind::Sqlite3:
    case DriverKind::Other:
      // Manual commit is all these drivers offer; the rollback at the end does the rest.
      return S_OK;
  }
  return S_OK;
}

void Connection::Rollback() {
  if (manualCommit_) SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
}

bool Connection::RollbackKeepsCursors() const {
  SQLUSMALLINT behavior = SQL_CB_DELETE;
  return SQL_SUCCEEDED(
             SQLGetInfo(dbc_, SQL_CURSOR_ROLLBACK_BEHAVIOR, &behavior, sizeof behavior, nullptr)) &&
         behavior == SQL_CB_PRESERVE;
}

HRESULT Statement::Allocate(std::shared_ptr<Connection> connection,
                            std::shared_ptr<Statement>* statement) {
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection->handle(), &stmt))) {
    return RaiseOdbcError(SQL_HANDLE_DBC, connection->handle(), E_FAIL,
                          "No ODBC statement handle could be made.");
  }
  statement->reset(new Statement(std::move(connection), stmt));
  return S_OK;
}

Statement::~Statement() {
  // Closed first: psqlodbc keeps the result of a failed execution until the cursor is closed,
  // and loses it when the handle is freed with it still there.
  SQLFreeStmt(stmt_, SQL_CLOSE);
  SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
}

void CancelTarget::Set(std::shared_ptr<Statement> statement) {
  std::lock_guard lock(mutex_);
  statement_ = std::move(statement);
}

void CancelTarget::Cancel() {
  std::lock_guard lock(mutex_);
  if (statement_) SQLCancel(statement_->handle());
}

}  // namespace quillet::db::odbc
