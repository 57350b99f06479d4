#include "datasource/providers/sqlite/sqlite_session.h"

#include <algorithm>

#include "datasource/error_info.h"
#include "datasource/init_string.h"
#include "datasource/memory_rowset.h"
#include "datasource/provider_registry.h"
#include "datasource/providers/sqlite/sqlite_command.h"
#include "datasource/providers/sqlite/sqlite_rowset.h"
#include "datasource/text_convert.h"

namespace quillet::db::sqlite {
namespace {

constexpr std::u16string_view kCatalog = u"main";

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

const std::optional<std::u16string>& Restriction(const Restrictions& r, std::size_t i) {
  static const std::optional<std::u16string> none;
  return i < r.size() ? r[i] : none;
}

}  // namespace

HRESULT SqliteSession::CreateCommand(std::shared_ptr<ICommand>* command) {
  if (command == nullptr) return E_POINTER;
  *command = std::make_shared<SqliteCommand>(connection_);
  return S_OK;
}

HRESULT SqliteSession::OpenRowset(const std::u16string& table, std::shared_ptr<IRowset>* rowset) {
  if (rowset == nullptr) return E_POINTER;
  rowset->reset();
  ClearErrorInfo();
  const std::string name = Utf16ToUtf8(table);
  // A key kept from before that no longer prepares is looked up again once.
  for (const bool fresh : {false, true}) {
    std::optional<TableKey> key = KeyOf(name, fresh);
    std::string sql = "SELECT * FROM " + QuoteName(name);
    if (key) {
      std::string columns;
      for (const std::string& column : key->columns) {
        columns += (columns.empty() ? "" : ", ") + column;
      }
      sql += " ORDER BY " + columns;
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(connection_->db(), sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
      *rowset = std::make_shared<SqliteRowset>(connection_, statement, std::move(key));
      return S_OK;
    }
    sqlite3_finalize(statement);
    if (fresh || !key) break;
  }
  return connection_->RaiseLastError(DB_E_NOTABLE);
}

SqliteSession::~SqliteSession() {
  sqlite3_finalize(schemaVersion_);
}

std::optional<std::int64_t> SqliteSession::SchemaVersion() {
  if (schemaVersion_ == nullptr && sqlite3_prepare_v2(connection_->db(), "PRAGMA schema_version",
                                                      -1, &schemaVersion_, nullptr) != SQLITE_OK) {
    sqlite3_finalize(schemaVersion_);
    schemaVersion_ = nullptr;
    return std::nullopt;
  }
  std::optional<std::int64_t> version;
  if (sqlite3_step(schemaVersion_) == SQLITE_ROW) version = sqlite3_column_int64(schemaVersion_, 0);
  sqlite3_reset(schemaVersion_);  // holds no read of the file between two uses
  return version;
}

std::optional<TableKey> SqliteSession::KeyOf(const std::string& table, bool fresh) {
  std::lock_guard lock(keysMutex_);
  const std::optional<std::int64_t> version = SchemaVersion();
  if (!version) return FindTableKey(connection_->db(), table);
  if (!fresh) {
    if (const auto kept = keys_.find(table); kept != keys_.end() && kept->second.first == *version)
      return kept->second.second;
  }
  std::optional<TableKey> key = FindTableKey(connection_->db(), table);
  keys_[table] = {*version, key};
  return key;
}

HRESULT SqliteSession::GetSchemaRowset(const Guid& schema, const Restrictions& restrictions,
                                       std::shared_ptr<IRowset>* rowset) {
  if (rowset == nullptr) return E_POINTER;
  rowset->reset();
  if (schema == DBSCHEMA_TABLES) return TablesRowset(restrictions, rowset);
  if (schema == DBSCHEMA_PROCEDURES) {
    // SQLite keeps no stored procedures: the rowset has its columns and no rows.
    *rowset = std::make_shared<MemoryRowset>(kProviderName, ProceduresSchemaColumns(),
                                             std::vector<std::vector<CellValue>>{});
    return S_OK;
  }
  return RaiseError(DB_E_NOTSUPPORTED, "The schema rowset is not supported by SQLite.",
                    kProviderName);
}

HRESULT SqliteSession::TablesRowset(const Restrictions& restrictions,
                                    std::shared_ptr<IRowset>* rowset) {
  const auto& catalog = Restriction(restrictions, 0);
  const auto& schemaName = Restriction(restrictions, 1);
  const auto& tableName = Restriction(restrictions, 2);
  const auto& tableType = Restriction(restrictions, 3);

  std::vector<std::vector<CellValue>> rows;
  // SQLite has one catalog ("main") and no schemas: a schema restriction matches nothing.
  const bool possible = (!catalog || EqualsNoCase(*catalog, kCatalog)) && !schemaName;
  if (possible) {
    sqlite3_stmt* statement = nullptr;
    // sqlite_master does not list itself; it is shown as the system table it is.
    const char* sql =
        "SELECT name, type FROM sqlite_master WHERE type IN ('table', 'view') "
        "UNION ALL SELECT 'sqlite_master', 'table' ORDER BY 2, 1";
    if (sqlite3_prepare_v2(connection_->db(), sql, -1, &statement, nullptr) != SQLITE_OK) {
      return connection_->RaiseLastError(E_FAIL);
    }
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
      const auto* rawName = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
      const auto* rawType = reinterpret_cast<const char*>(sqlite3_column_text(statement, 1));
      const std::string name = rawName != nullptr ? rawName : "";
      const std::string kind = rawType != nullptr ? rawType : "";
      const char* type = kind == "view"                  ? "VIEW"
                         : name.rfind("sqlite_", 0) == 0 ? "SYSTEM TABLE"
                                                         : "TABLE";
      if (tableName && *tableName != Utf8ToUtf16(name)) continue;
      if (tableType && !EqualsNoCase(*tableType, Utf8ToUtf16(type))) continue;
      rows.push_back({CellValue::Text("main"), CellValue::Null(), CellValue::Text(name),
                      CellValue::Text(type), CellValue::Null(), CellValue::Null(),
                      CellValue::Null(), CellValue::Null(), CellValue::Null()});
    }
    if (rc != SQLITE_DONE) {
      const HRESULT hr = connection_->RaiseLastError(E_FAIL);
      sqlite3_finalize(statement);
      return hr;
    }
    sqlite3_finalize(statement);
  }
  // The order of the schema: by type, then by name.
  std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
    return a[3].data != b[3].data ? a[3].data < b[3].data : false;
  });
  *rowset = std::make_shared<MemoryRowset>(kProviderName, TablesSchemaColumns(), std::move(rows));
  return S_OK;
}

HRESULT SqliteDataSource::Initialize() {
  if (connection_) return S_OK;
  std::string path = properties_.GetOr("Data Source");
  if (path.empty()) {
    return RaiseError(E_FAIL,
                      "No database file was named: the connection string needs "
                      "\"Data Source=<file>\".",
                      kProviderName);
  }
  HRESULT code = E_FAIL;
  std::string error;
  connection_ = SqliteConnection::Open(path, &code, &error);
  if (!connection_) return RaiseError(code, error, kProviderName);
  ClearErrorInfo();
  return S_OK;
}

HRESULT SqliteDataSource::CreateSession(std::shared_ptr<ISession>* session) {
  if (session == nullptr) return E_POINTER;
  if (!connection_) {
    return RaiseError(E_UNEXPECTED, "The data source is not initialized.", kProviderName);
  }
  *session = std::make_shared<SqliteSession>(connection_);
  return S_OK;
}

}  // namespace quillet::db::sqlite

namespace quillet::db {

std::shared_ptr<IDBInitialize> CreateSqliteDataSource(const InitProperties& properties) {
  return std::make_shared<sqlite::SqliteDataSource>(properties);
}

}  // namespace quillet::db
