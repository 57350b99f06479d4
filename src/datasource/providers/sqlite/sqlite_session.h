#pragma once
// The SQLite provider's data source and session.

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "datasource/init_string.h"
#include "datasource/providers/sqlite/sqlite_connection.h"
#include "datasource/providers/sqlite/sqlite_rowset.h"

namespace quillet::db::sqlite {

class SqliteSession final : public ISession {
 public:
  explicit SqliteSession(std::shared_ptr<SqliteConnection> connection)
      : connection_(std::move(connection)) {}
  ~SqliteSession() override;
  SqliteSession(const SqliteSession&) = delete;
  SqliteSession& operator=(const SqliteSession&) = delete;

  HRESULT GetSchemaRowset(const Guid& schema, const Restrictions& restrictions,
                          std::shared_ptr<IRowset>* rowset) override;
  HRESULT CreateCommand(std::shared_ptr<ICommand>* command) override;
  // A table in the order of its key, which lets a skip seek by key once the rowset's position
  // index is built; a view, or a table without a key, in its own order.
  HRESULT OpenRowset(const std::u16string& table, std::shared_ptr<IRowset>* rowset) override;

 private:
  HRESULT TablesRowset(const Restrictions& restrictions, std::shared_ptr<IRowset>* rowset);
  // The table's key as FindTableKey finds it, kept while the file's schema stays the same:
  // looking it up costs more than reading the first page. `fresh` looks it up again.
  std::optional<TableKey> KeyOf(const std::string& table, bool fresh);
  // The file's schema version, or nothing when it cannot be read.
  std::optional<std::int64_t> SchemaVersion();

  std::shared_ptr<SqliteConnection> connection_;
  std::mutex keysMutex_;
  sqlite3_stmt* schemaVersion_ = nullptr;  // "PRAGMA schema_version", prepared once
  std::map<std::string, std::pair<std::int64_t, std::optional<TableKey>>> keys_;
};

// "Provider=SQLite;Data Source=<path of the database file>". The file is opened read-only and
// never created.
class SqliteDataSource final : public IDBInitialize {
 public:
  explicit SqliteDataSource(InitProperties properties) : properties_(std::move(properties)) {}

  HRESULT Initialize() override;
  HRESULT CreateSession(std::shared_ptr<ISession>* session) override;

 private:
  InitProperties properties_;
  std::shared_ptr<SqliteConnection> connection_;
};

}  // namespace quillet::db::sqlite
