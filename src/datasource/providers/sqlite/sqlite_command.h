#pragma once
// A command on an SQLite session: one statement, run read-only.

#include <atomic>
#include <memory>
#include <string>

#include "datasource/providers/sqlite/sqlite_connection.h"

namespace quillet::db::sqlite {

class SqliteCommand final : public ICommand {
 public:
  explicit SqliteCommand(std::shared_ptr<SqliteConnection> connection)
      : connection_(std::move(connection)) {}

  HRESULT SetCommandText(const Guid& dialect, const std::u16string& text) override;
  HRESULT Execute(std::shared_ptr<IRowset>* rowset, std::int64_t* rowsAffected) override;
  void Cancel() override { cancel_.store(true); }

 private:
  std::shared_ptr<SqliteConnection> connection_;
  std::string text_;
  bool hasText_ = false;
  std::atomic<bool> cancel_{false};
};

}  // namespace quillet::db::sqlite
