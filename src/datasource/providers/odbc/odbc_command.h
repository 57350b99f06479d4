#pragma once
// A command on an ODBC connection: the text runs with SQLExecDirectW; a result becomes an
// OdbcRowset with a scrollable read-only cursor where the driver offers one.

#include <memory>
#include <string>

#include "datasource/provider_ops.h"
#include "datasource/providers/odbc/odbc_handles.h"

namespace quillet::db::odbc {

class OdbcCommand final : public ICommand {
 public:
  explicit OdbcCommand(std::shared_ptr<Connection> connection)
      : connection_(std::move(connection)) {}

  HRESULT SetCommandText(const Guid& dialect, const std::u16string& text) override;
  HRESULT Execute(std::shared_ptr<IRowset>* rowset, std::int64_t* rowsAffected) override;
  void Cancel() override { running_.Cancel(); }

 private:
  std::shared_ptr<Connection> connection_;
  std::u16string text_;
  bool hasText_ = false;
  CancelTarget running_;
};

}  // namespace quillet::db::odbc
