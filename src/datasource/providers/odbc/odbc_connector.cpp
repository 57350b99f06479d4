#include "datasource/providers/odbc/odbc_connector.h"

#include "datasource/error_info.h"
#include "datasource/providers/odbc/odbc_diag.h"
#include "datasource/text_convert.h"

namespace quillet::db::odbc {

HRESULT MakeReadOnly(Connection& connection) {
  switch (connection.kind()) {
    case DriverKind::PostgreSql: {
      // A query (which the driver's read-only mode lets through) that makes every later
      // transaction of the connection read-only, so the server refuses writes the driver's
      // own check cannot see, such as a data-changing WITH clause.
      const HRESULT hr = connection.ExecuteQuietly(
          u"select set_config('default_transaction_read_only', 'on', false)");
      if (Failed(hr)) {
        std::optional<ErrorInfo> info;
        GetErrorInfo(&info);
        return RaiseError(hr,
                          "The session could not be made read-only: " +
                              (info ? Utf16ToUtf8(info->description) : std::string()),
                          kProviderName);
      }
      return S_OK;
    }
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
