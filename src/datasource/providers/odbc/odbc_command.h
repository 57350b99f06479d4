#pragma once
// A command of an ODBC session. A text is first checked to be one statement the driver's kind
// may run (odbc_statement_policy.h); each execution then opens a connection of its own (see
// odbc_connector.h) and runs the text there inside a read-only transaction that is only ever
// rolled back. On PostgreSQL a query becomes a server-side cursor (PgCursorRowset); elsewhere
// the prepared statement's result becomes an OdbcRowset, with a scrollable read-only cursor
// where the driver offers one. The rowset keeps the connection and closes it when it goes.

#include <atomic>
#include <memory>
#include <string>

#include "datasource/provider_ops.h"
#include "datasource/providers/odbc/odbc_connector.h"
#include "datasource/providers/odbc/odbc_handles.h"

namespace quillet::db::odbc {

class OdbcCommand final : public ICommand {
 public:
  explicit OdbcCommand(std::shared_ptr<const Connector> connector)
      : connector_(std::move(connector)) {}

  HRESULT SetCommandText(const Guid& dialect, const std::u16string& text) override;
  HRESULT Execute(std::shared_ptr<IRowset>* rowset, std::int64_t* rowsAffected) override;
  // Ends a running Execute with DB_E_CANCELED, whether it is still connecting or already
  // waiting for the server; a cancel that comes before Execute ends the next one at once.
  void Cancel() override;

 private:
  HRESULT Canceled();

  std::shared_ptr<const Connector> connector_;
  std::u16string text_;
  bool hasText_ = false;
  std::atomic<bool> canceled_{false};
  CancelTarget running_;
};

}  // namespace quillet::db::odbc
