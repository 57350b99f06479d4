#pragma once
// The ODBC provider's data source and session. The data source connects through the driver
// manager and makes the connection read-only in every way the driver allows. The session reads
// catalogues on that connection; each command opens one of its own (see odbc_connector.h).

#include <memory>
#include <mutex>
#include <string>

#include "datasource/provider_ops.h"
#include "datasource/providers/odbc/odbc_connect_string.h"
#include "datasource/providers/odbc/odbc_connector.h"
#include "datasource/providers/odbc/odbc_handles.h"

namespace quillet::db::odbc {

class OdbcSession final : public ISession {
 public:
  OdbcSession(std::shared_ptr<Connection> connection, std::shared_ptr<const Connector> connector)
      : connection_(std::move(connection)), connector_(std::move(connector)) {}
  HRESULT GetSchemaRowset(const Guid& schema, const Restrictions& restrictions,
                          std::shared_ptr<IRowset>* rowset) override;
  HRESULT CreateCommand(std::shared_ptr<ICommand>* command) override;

 private:
  std::shared_ptr<Connection> connection_;
  std::shared_ptr<const Connector> connector_;
};

class OdbcDataSource final : public IDBInitialize {
 public:
  // `attributes` is the mapped connection string; `error` a reason to refuse Initialize (an
  // initialization string that could not be mapped).
  OdbcDataSource(std::optional<OdbcAttributes> attributes, std::string error)
      : attributes_(std::move(attributes)), error_(std::move(error)) {}

  HRESULT Initialize() override;
  HRESULT CreateSession(std::shared_ptr<ISession>* session) override;
  std::string ReadOnlyNotice() const override;

  // The connection string sent to the driver (for tests and diagnostics; holds the password).
  const std::string& connect_string() const { return connectString_; }

 private:
  HRESULT Connect(DriverKind kind, const std::string& database);

  std::optional<OdbcAttributes> attributes_;
  std::string error_;
  std::string connectString_;
  mutable std::mutex mutex_;
  std::shared_ptr<Connection> connection_;
  std::shared_ptr<const Connector> connector_;
  std::string notice_;
};

}  // namespace quillet::db::odbc
