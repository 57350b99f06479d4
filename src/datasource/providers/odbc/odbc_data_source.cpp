#include "datasource/providers/odbc/odbc_data_source.h"

#include "datasource/error_info.h"
#include "datasource/provider_registry.h"
#include "datasource/providers/odbc/odbc_command.h"
#include "datasource/providers/odbc/odbc_diag.h"
#include "datasource/providers/odbc/odbc_schema_rowset.h"

namespace quillet::db {

std::shared_ptr<IDBInitialize> CreateOdbcDataSource(const InitProperties& properties) {
  std::string error;
  auto attributes = odbc::MapInitProperties(properties, &error);
  return std::make_shared<odbc::OdbcDataSource>(std::move(attributes), std::move(error));
}

namespace odbc {

HRESULT OdbcSession::GetSchemaRowset(const Guid& schema, const Restrictions& restrictions,
                                     std::shared_ptr<IRowset>* rowset) {
  if (rowset == nullptr) return E_POINTER;
  rowset->reset();
  if (schema == DBSCHEMA_TABLES) return ReadTablesSchema(connection_, restrictions, rowset);
  if (schema == DBSCHEMA_PROCEDURES) {
    return ReadProceduresSchema(connection_, restrictions, rowset);
  }
  return RaiseError(E_INVALIDARG, "The ODBC provider does not offer this schema.", kProviderName);
}

HRESULT OdbcSession::CreateCommand(std::shared_ptr<ICommand>* command) {
  if (command == nullptr) return E_POINTER;
  *command = std::make_shared<OdbcCommand>(connector_);
  return S_OK;
}

HRESULT OdbcDataSource::Connect(DriverKind kind, const std::string& database) {
  OdbcAttributes attributes = *attributes_;
  if (!database.empty() && !attributes.Has("Database")) attributes.Set("Database", database);
  ApplyDriverOptions(kind, &attributes);
  connectString_ = attributes.Compose();
  std::string completed;
  std::shared_ptr<Connection> connection;
  if (const HRESULT hr = Connection::Open(connectString_, &connection, &completed); Failed(hr)) {
    return hr;
  }
  const DriverKind actual = DriverKindFromLibrary(connection->DriverLibrary());
  if (actual != kind && actual != DriverKind::Other && kind == DriverKind::Other) {
    // A data source name hid which driver it uses; its options need a connection of their
    // own, so connect once more with them (the completed string names the database file).
    connection.reset();
    std::string completedDatabase;
    if (auto parsed = OdbcAttributes::Parse(completed)) {
      completedDatabase = parsed->Get("Database").value_or("");
    }
    return Connect(actual, completedDatabase);
  }
  connection->set_kind(actual);
  connection_ = std::move(connection);
  return S_OK;
}

HRESULT OdbcDataSource::Initialize() {
  std::lock_guard lock(mutex_);
  if (connection_) return S_OK;
  if (!attributes_) return RaiseError(E_INVALIDARG, error_, kProviderName);
  if (const HRESULT hr = Connect(GuessDriverKind(*attributes_), {}); Failed(hr)) return hr;
  if (const HRESULT hr = MakeReadOnly(*connection_); Failed(hr)) {
    connection_.reset();
    return hr;
  }
  connector_ = std::make_shared<const Connector>(connectString_, connection_->kind());
  if (connection_->kind() == DriverKind::Other) {
    // Statements still run in transactions that are rolled back, but a driver may commit on
    // its own (some servers end a transaction at every table definition) or run several
    // statements that no lexer of ours can tell apart.
    notice_ = "The ODBC driver \"" + connection_->DriverLibrary() +
              "\" is not one Quillet knows how to keep read-only";
    notice_ +=
        connection_->AccessModeReadOnly() ? "" : ", and it ignores the read-only access mode";
    notice_ +=
        ": every statement runs in a transaction that is rolled back, but one that commits by "
        "itself could still change data. Connect with an account that may only read.";
  }
  ClearErrorInfo();
  return S_OK;
}

std::string OdbcDataSource::ReadOnlyNotice() const {
  std::lock_guard lock(mutex_);
  return notice_;
}

HRESULT OdbcDataSource::CreateSession(std::shared_ptr<ISession>* session) {
  if (session == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  if (!connection_) {
    return RaiseError(E_UNEXPECTED, "The data source is not connected.", kProviderName);
  }
  *session = std::make_shared<OdbcSession>(connection_, connector_);
  return S_OK;
}

}  // namespace odbc
}  // namespace quillet::db
