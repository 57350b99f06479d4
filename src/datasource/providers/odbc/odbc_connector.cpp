#include "datasource/providers/odbc/odbc_connector.h"

#include "datasource/error_info.h"
#include "datasource/providers/odbc/odbc_diag.h"
#include "datasource/text_convert.h"

namespace quillet::db::odbc {

namespace {

HRESULT RunSessionSetting(Connection& connection, const std::u16string& text) {
  const HRESULT hr = connection.ExecuteQuietly(text);
  if (Succeeded(hr)) return S_OK;
  std::optional<ErrorInfo> info;
  GetErrorInfo(&info);
  return RaiseError(hr,
                    "The session could not be made read-only: " +
                        (info ? Utf16ToUtf8(info->description) : std::string()),
                    kProviderName);
}

}  // namespace

HRESULT MakeReadOnly(Connection& connection) {
  switch (connection.kind()) {
    case DriverKind::PostgreSql:
      // Every transaction of the session read-only, also those the driver opens for its
      // catalogue queries; each command's own transaction says so once more.
      return RunSessionSetting(connection,
                               u"select set_config('default_transaction_read_only', 'on', false)");
    case DriverKind::MariaDb:
      // Every transaction of the session read-only, also the one a statement that commits by
      // itself (a table definition) would start.
      return RunSessionSetting(connection, u"SET SESSION TRANSACTION READ ONLY");
    case DriverKind::Sqlite3:
      // The file is open read-only already; this also covers a data source whose database the
      // driver opened itself.
      connection.ExecuteQuietly(u"PRAGMA query_only = 1");
      ClearErrorInfo();
      return S_OK;
    case DriverKind::Other:
      return S_OK;
  }
  return S_OK;
}

HRESULT Connector::Open(std::shared_ptr<Connection>* connection) const {
  std::shared_ptr<Connection> made;
  if (const HRESULT hr = Connection::Open(connectString_, &made, nullptr); Failed(hr)) return hr;
  made->set_kind(kind_);
  if (const HRESULT hr = MakeReadOnly(*made); Failed(hr)) return hr;
  *connection = std::move(made);
  return S_OK;
}

}  // namespace quillet::db::odbc
