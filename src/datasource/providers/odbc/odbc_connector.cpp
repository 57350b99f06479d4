#include "datasource/providers/odbc/odbc_connector.h"

#include "datasource/error_info.h"
#include "datasource/providers/odbc/odbc_diag.h"
#include "datasource/text_convert.h"

namespace quillet::db::odbc {

namespace {

HRESULT SessionFailure(HRESULT hr) {
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
    case DriverKind::PostgreSql: {
      // Every transaction of the session read-only, also those the driver opens for its
      // catalogue queries; each command's own transaction says so once more. The session's
      // time zone comes with it, for the times the driver gives without their zone.
      std::vector<std::optional<std::string>> row;
      const HRESULT hr = connection.QueryRow(
          u"select set_config('default_transaction_read_only', 'on', false), "
          u"current_setting('TimeZone')",
          &row);
      if (Failed(hr)) return SessionFailure(hr);
      if (row.size() == 2 && row[1]) connection.SetTimeZone(*row[1]);
      return S_OK;
    }
    case DriverKind::MariaDb:
      // Every transaction of the session read-only, also the one a statement that commits by
      // itself (a table definition) would start.
      if (const HRESULT hr = connection.ExecuteQuietly(u"SET SESSION TRANSACTION READ ONLY");
          Failed(hr)) {
        return SessionFailure(hr);
      }
      return S_OK;
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
