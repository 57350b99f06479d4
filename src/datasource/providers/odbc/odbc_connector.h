#pragma once
// Opens connections the way a session's first one was opened. Every command runs on a
// connection of its own: some drivers keep a statement's cursor inside a transaction of the
// connection (psqlODBC with declare/fetch), so a failing statement would end the cursor of
// every other statement on it, and that rowset would then report the end of its rows as if
// there were no more. Separate connections make that impossible.

#include <memory>
#include <string>

#include "datasource/provider_ops.h"
#include "datasource/providers/odbc/odbc_connect_string.h"
#include "datasource/providers/odbc/odbc_handles.h"

namespace quillet::db::odbc {

// Makes a connection read-only in every way its driver allows (beyond the driver's own
// read-only option, which the connection string carries).
HRESULT MakeReadOnly(Connection& connection);

class Connector {
 public:
  // `connectString` is the string the first connection was made with (it holds the password);
  // `kind` the driver that connection found.
  Connector(std::string connectString, DriverKind kind)
      : connectString_(std::move(connectString)), kind_(kind) {}

  // A new connection with the same read-only set-up; the driver's diagnostic on failure.
  HRESULT Open(std::shared_ptr<Connection>* connection) const;

  const std::string& connect_string() const { return connectString_; }
  DriverKind kind() const { return kind_; }

 private:
  std::string connectString_;
  DriverKind kind_;
};

}  // namespace quillet::db::odbc
