#include "datasource/providers/sqlite/sqlite_rowset.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>
#include <utility>

#include "datasource/error_info.h"
#include "datasource/providers/sqlite/sqlite_types.h"
#include "datasource/text_convert.h"

namespace quillet::db::sqlite {
namespace {

// The statement text without trailing blanks and semicolons, so it can stand in parentheses.
std::string BareStatementText(sqlite3_stmt* statement) {
  const char* sql = sqlite3_sql(statement);
  std::string text = sql != nullptr ? sql : "";
  while (!text.empty() &&
         (text.back() == ';' || std::isspace(static_cast<unsigned char>(text.back())))) {
    text.pop_back();
  }
  return text;
}

// The engine's own printed form of a real ("1.0", "1.0e+300"), so it reads as in SQLite's tools,
// unless its 15 digits do not read back as the same number: then the fewest digits that do.
std::string RealText(double real, const char* engineText) {
  if (engineText != nullptr && std::strtod(engineText, nullptr) == real) return engineText;
  char buffer[64];
  for (int digits = 16; digits <= 17; ++digits) {
    sqlite3_snprintf(sizeof buffer, buffer, "%!.*g", digits, real);
    if (std::strtod(buffer, nullptr) == real) break;
  }
  return buffer;
}

}  // namespace

std::vector<DBCOLUMNINFO> StatementColumns(sqlite3_stmt* statement) {
  std::vector<DBCOLUMNINFO> columns;
  const int count = sqlite3_column_count(statement);
  for (int i = 0; i < count; ++i) {
    DBCOLUMNINFO column;
    const char* name = sqlite3_column_name(statement, i);
    column.name = Utf8ToUtf16(name != nullptr ? name : "");
    column.iOrdinal = static_cast<std::size_t>(i) + 1;
    const ColumnType type = MapDeclaredType(sqlite3_column_decltype(statement, i));
    column.wType = type.type;
    column.ulColumnSize = type.size;
    column.bPrecision = type.precision;
    column.bScale = type.scale;
    columns.push_back(std::move(column));
  }
  return columns;
}

std::string QuoteName(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::optional<TableKey> FindTableKey(sqlite3* db, const std::string& table) {
  const std::string quoted = QuoteName(table);
  // The columns, for the rowid aliases they hide and the primary key they make.
  std::vector<std::string> names;
  std::vector<std::pair<int, std::string>> primary;
  sqlite3_stmt* info = nullptr;
  const std::string pragma = "PRAGMA table_info(" + quoted + ")";
  if (sqlite3_prepare_v2(db, pragma.c_str(), -1, &info, nullptr) != SQLITE_OK) {
    sqlite3_finalize(info);
    return std::nullopt;
  }
  while (sqlite3_step(info) == SQLITE_ROW) {
    const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(info, 1));
    names.emplace_back(name != nullptr ? name : "");
    if (const int pk = sqlite3_column_int(info, 5); pk > 0) primary.emplace_back(pk, names.back());
  }
  sqlite3_finalize(info);
  if (names.empty()) return std::nullopt;  // no such table

  for (const char* alias : {"_rowid_", "rowid", "oid"}) {
    if (std::any_of(names.begin(), names.end(), [alias](const std::string& n) {
          return sqlite3_stricmp(n.c_str(), alias) == 0;
        })) {
      continue;
    }
    // Views and tables without rowid have no such column.
    sqlite3_stmt* probe = nullptr;
    const std::string sql = std::string("SELECT ") + alias + " FROM " + quoted + " LIMIT 0";
    const bool hasRowid = sqlite3_prepare_v2(db, sql.c_str(), -1, &probe, nullptr) == SQLITE_OK;
    sqlite3_finalize(probe);
    if (hasRowid) return TableKey{quoted, {alias}};
    break;
  }
  if (primary.empty()) return std::nullopt;
  std::sort(primary.begin(), primary.end());
  TableKey key{quoted, {}};
  for (const auto& [position, name] : primary) key.columns.push_back(QuoteName(name));
  return key;
}

SqliteRowset::SqliteRowset(std::shared_ptr<SqliteConnection> connection, sqlite3_stmt* statement,
                           std::optional<TableKey> key)
    : connection_(std::move(connection)),
      statement_(statement),
      current_(statement),
      key_(std::move(key)) {
  SetColumns(StatementColumns(statement_));
}

SqliteRowset::~SqliteRowset() {
  sqlite3_finalize(seek_);
  sqlite3_finalize(statement_);
}

void SqliteRowset::Cancel() {
  std::lock_guard lock(sideMutex_);
  cancel_.store(true);
  countCancel_.store(true);
  if (onSide_ != nullptr) sqlite3_interrupt(onSide_);
}

void SqliteRowset::CancelCount() {
  std::lock_guard lock(sideMutex_);
  countCancel_.store(true);
  if (onSide_ != nullptr) sqlite3_interrupt(onSide_);
}

bool SqliteRowset::TakeCancel() {
  return cancel_.exchange(false);
}

bool SqliteRowset::HoldsRead() const {
  return sqlite3_stmt_busy(current_) != 0;
}

void SqliteRowset::EndRead() {
  sqlite3_reset(statement_);
  if (seek_ != nullptr) sqlite3_reset(seek_);
  current_ = statement_;
}

HRESULT SqliteRowset::ReopenRead() {
  // Back to the row it stood on, by key where it can; a writer may have changed the rows
  // meanwhile, which only a refresh shows properly.
  const std::int64_t target = std::exchange(stepped_, 0);
  const HRESULT hr = StepTo(target);
  if (hr == S_FALSE) {
    mustRestart_ = true;
    return RaiseError(E_FAIL, "The rows changed while they were shown; refresh to read them again.",
                      kProviderName);
  }
  return hr;
}

HRESULT SqliteRowset::Step() {
  if (mustRestart_) {
    return RaiseError(E_UNEXPECTED,
                      "The rowset lost its place after an error; it must start again from the "
                      "first row.",
                      kProviderName);
  }
  if (TakeCancel()) {
    // A skip stopped half way has left the consumer's idea of the position behind.
    mustRestart_ = true;
    return RaiseError(DB_E_CANCELED, "The operation was canceled.", kProviderName);
  }
  int rc = SQLITE_OK;
  {
    SqliteConnection::CancelScope scope(*connection_, cancel_);
    rc = sqlite3_step(current_);
  }
  if (rc == SQLITE_ROW) {
    ++stepped_;
    return S_OK;
  }
  if (rc == SQLITE_DONE) return DB_S_ENDOFROWSET;
  const HRESULT hr = connection_->RaiseLastError(E_FAIL);
  cancel_.store(false);
  sqlite3_reset(current_);
  mustRestart_ = true;
  return hr;
}

std::shared_ptr<const SqliteRowset::PositionIndex> SqliteRowset::Index() const {
  std::lock_guard lock(indexMutex_);
  return index_;
}

sqlite3_stmt* SqliteRowset::PrepareSeek() {
  std::string columns;
  std::string marks;
  for (const std::string& column : key_->columns) {
    columns += (columns.empty() ? "" : ", ") + column;
    marks += marks.empty() ? "?" : ", ?";
  }
  const std::string sql = "SELECT * FROM " + key_->table + " WHERE (" + columns + ") >= (" + marks +
                          ") ORDER BY " + columns;
  sqlite3_stmt* seek = nullptr;
  if (sqlite3_prepare_v2(connection_->db(), sql.c_str(), -1, &seek, nullptr) != SQLITE_OK) {
    sqlite3_finalize(seek);
    return nullptr;
  }
  return seek;
}

bool SqliteRowset::SeekEntry(std::int64_t target) {
  const auto index = Index();
  if (!index || index->Entries() == 0 || target <= 0 || mustRestart_) return false;
  const std::int64_t entry = std::min((target - 1) / kIndexStep, index->Entries() - 1);
  // Stepping on is shorter when the statement stands between the entry and the target.
  if (entry * kIndexStep <= stepped_ && stepped_ <= target) return false;
  if (seek_ == nullptr && (seek_ = PrepareSeek()) == nullptr) return false;
  sqlite3_reset(statement_);
  sqlite3_reset(seek_);
  if (!index->rowids.empty()) {
    sqlite3_bind_int64(seek_, 1, index->rowids[static_cast<std::size_t>(entry)]);
  } else {
    const auto& key = index->keys[static_cast<std::size_t>(entry)];
    for (std::size_t i = 0; i < key.size(); ++i) {
      const int slot = static_cast<int>(i) + 1;
      const CellValue& v = key[i];
      switch (v.kind) {
        case ValueKind::Integer:
          sqlite3_bind_int64(seek_, slot, v.integer);
          break;
        case ValueKind::Real:
          sqlite3_bind_double(seek_, slot, v.real);
          break;
        case ValueKind::Text:
          sqlite3_bind_text(seek_, slot, v.data.data(), static_cast<int>(v.data.size()),
                            SQLITE_TRANSIENT);
          break;
        case ValueKind::Bytes:
          sqlite3_bind_blob(seek_, slot, v.data.data(), static_cast<int>(v.data.size()),
                            SQLITE_TRANSIENT);
          break;
        case ValueKind::Null:
          sqlite3_bind_null(seek_, slot);
          break;
      }
    }
  }
  current_ = seek_;
  stepped_ = entry * kIndexStep;
  return true;
}

HRESULT SqliteRowset::StepTo(std::int64_t target) {
  if (target < stepped_ || target - stepped_ > kIndexStep) {
    if (!SeekEntry(target) && target < stepped_) {
      sqlite3_reset(current_);
      sqlite3_reset(statement_);
      current_ = statement_;
      stepped_ = 0;
    }
  }
  while (stepped_ < target) {
    const HRESULT hr = Step();
    if (hr != S_OK) return Failed(hr) ? hr : S_FALSE;
  }
  return S_OK;
}

HRESULT SqliteRowset::DoRestart() {
  Use use(*this, /*keepPlace=*/false);
  sqlite3_reset(statement_);
  if (seek_ != nullptr) sqlite3_reset(seek_);
  current_ = statement_;
  mustRestart_ = false;
  stepped_ = 0;
  return S_OK;
}

HRESULT SqliteRowset::DoNext() {
  Use use(*this);
  if (Failed(use.Ready())) return use.Ready();
  return Step();
}

HRESULT SqliteRowset::DoSkip(std::int64_t count, std::int64_t* skipped) {
  // Stepping without asking for any column value is the cheapest walk SQLite offers; a keyed
  // table seeks by key instead once its index is there.
  *skipped = 0;
  Use use(*this);
  if (Failed(use.Ready())) return use.Ready();
  const std::int64_t start = stepped_;
  const std::int64_t target = count > INT64_MAX - start ? INT64_MAX : start + count;
  const HRESULT hr = StepTo(target);
  *skipped = stepped_ - start;
  return Failed(hr) ? hr : S_OK;
}

HRESULT SqliteRowset::GetData(HROW row, HACCESSOR accessor, void* data) {
  Use use(*this);
  return RowsetBase::GetData(row, accessor, data);
}

HRESULT SqliteRowset::DoReadValue(std::size_t ordinal, CellValue* value) {
  Use use(*this);
  if (Failed(use.Ready())) return use.Ready();
  sqlite3_stmt* const statement = current_;
  const int i = static_cast<int>(ordinal) - 1;
  switch (sqlite3_column_type(statement, i)) {
    case SQLITE_INTEGER:
      *value = CellValue::Integer(sqlite3_column_int64(statement, i));
      break;
    case SQLITE_FLOAT: {
      const double real = sqlite3_column_double(statement, i);
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
      *value = CellValue::Real(real, RealText(real, text));
      break;
    }
    case SQLITE_TEXT: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
      const int bytes = sqlite3_column_bytes(statement, i);
      if (text == nullptr) return connection_->RaiseLastError(E_OUTOFMEMORY);
      *value = CellValue::Text(std::string(text, static_cast<std::size_t>(bytes)));
      break;
    }
    case SQLITE_BLOB: {
      const void* blob = sqlite3_column_blob(statement, i);
      const int bytes = sqlite3_column_bytes(statement, i);
      if (blob == nullptr && bytes > 0) return connection_->RaiseLastError(E_OUTOFMEMORY);
      *value = CellValue::Bytes(
          bytes > 0 ? std::string(static_cast<const char*>(blob), static_cast<std::size_t>(bytes))
                    : std::string());
      break;
    }
    default:
      *value = CellValue::Null();
      break;
  }
  return S_OK;
}

int SqliteRowset::StepOnSide(sqlite3* side, sqlite3_stmt* statement) {
  {
    std::lock_guard lock(sideMutex_);
    // A cancel that came before the side connection was known here has nothing to interrupt.
    if (countCancel_.load()) return SQLITE_INTERRUPT;
    onSide_ = side;
  }
  const int rc = sqlite3_step(statement);
  std::lock_guard lock(sideMutex_);
  onSide_ = nullptr;
  return rc;
}

HRESULT SqliteRowset::CountRows(std::int64_t* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  if (countCancel_.exchange(false)) {
    return RaiseError(DB_E_CANCELED, "The operation was canceled.", kProviderName);
  }
  sqlite3* side = connection_->TakeSideConnection();
  if (side == nullptr) return E_NOTIMPL;  // the caller walks instead
  // A whole table is counted as such, which the engine does from the smallest b-tree without
  // reading a row; the ordered statement in a subquery would be walked row by row. For other
  // statements, the line break keeps a trailing "--" comment from swallowing the parenthesis.
  const std::string sql = key_ ? "SELECT count(*) FROM " + key_->table
                               : "SELECT count(*) FROM (" + BareStatementText(statement_) + "\n)";
  sqlite3_stmt* counter = nullptr;
  if (sqlite3_prepare_v2(side, sql.c_str(), -1, &counter, nullptr) != SQLITE_OK ||
      counter == nullptr) {
    // Not every statement can stand in a subquery (PRAGMA, EXPLAIN); the caller walks instead.
    sqlite3_finalize(counter);
    connection_->GiveBackSideConnection(side);
    ClearErrorInfo();
    return E_NOTIMPL;
  }
  const int rc = StepOnSide(side, counter);
  if (rc == SQLITE_ROW) *count = sqlite3_column_int64(counter, 0);
  sqlite3_finalize(counter);
  connection_->GiveBackSideConnection(side);
  // A cancel while the count ran ends it even when the engine had finished before the
  // interruption reached it: the caller asked to stop.
  if (countCancel_.exchange(false) || (rc & 0xFF) == SQLITE_INTERRUPT) {
    *count = 0;
    return RaiseError(DB_E_CANCELED, "The operation was canceled.", kProviderName);
  }
  if (rc != SQLITE_ROW) {
    *count = 0;
    return E_NOTIMPL;  // a walk will meet the same failure and report it properly
  }
  return S_OK;
}

HRESULT SqliteRowset::BuildPositionIndex() {
  if (!key_) return S_FALSE;
  if (countCancel_.exchange(false)) {
    return RaiseError(DB_E_CANCELED, "The operation was canceled.", kProviderName);
  }
  sqlite3* side = connection_->TakeSideConnection();
  if (side == nullptr) return S_FALSE;
  std::string columns;
  for (const std::string& column : key_->columns) columns += (columns.empty() ? "" : ", ") + column;
  const std::string sql = "SELECT " + columns + " FROM " + key_->table + " ORDER BY " + columns;
  sqlite3_stmt* walk = nullptr;
  if (sqlite3_prepare_v2(side, sql.c_str(), -1, &walk, nullptr) != SQLITE_OK) {
    sqlite3_finalize(walk);
    connection_->GiveBackSideConnection(side);
    ClearErrorInfo();
    return S_FALSE;
  }
  auto index = std::make_shared<PositionIndex>();
  const bool rowids = key_->columns.size() == 1 && sqlite3_column_count(walk) == 1;
  int rc = SQLITE_ROW;
  {
    std::lock_guard lock(sideMutex_);
    if (countCancel_.load()) rc = SQLITE_INTERRUPT;
    onSide_ = side;
  }
  for (std::int64_t row = 0; rc == SQLITE_ROW; ++row) {
    rc = sqlite3_step(walk);
    if (rc != SQLITE_ROW || row % kIndexStep != 0) continue;
    if (rowids && sqlite3_column_type(walk, 0) == SQLITE_INTEGER && index->keys.empty()) {
      index->rowids.push_back(sqlite3_column_int64(walk, 0));
      continue;
    }
    // A key that is not one integer: whole values (the rowids so far move over).
    for (const std::int64_t id : index->rowids) index->keys.push_back({CellValue::Integer(id)});
    index->rowids.clear();
    std::vector<CellValue> key;
    for (int c = 0; c < sqlite3_column_count(walk); ++c) {
      switch (sqlite3_column_type(walk, c)) {
        case SQLITE_INTEGER:
          key.push_back(CellValue::Integer(sqlite3_column_int64(walk, c)));
          break;
        case SQLITE_FLOAT:
          key.push_back(CellValue::Real(sqlite3_column_double(walk, c)));
          break;
        case SQLITE_NULL:
          key.push_back(CellValue::Null());
          break;
        default: {
          const auto* bytes = static_cast<const char*>(sqlite3_column_blob(walk, c));
          std::string data(bytes != nullptr ? bytes : "",
                           static_cast<std::size_t>(sqlite3_column_bytes(walk, c)));
          key.push_back(sqlite3_column_type(walk, c) == SQLITE_TEXT
                            ? CellValue::Text(std::move(data))
                            : CellValue::Bytes(std::move(data)));
        }
      }
    }
    index->keys.push_back(std::move(key));
  }
  {
    std::lock_guard lock(sideMutex_);
    onSide_ = nullptr;
  }
  sqlite3_finalize(walk);
  connection_->GiveBackSideConnection(side);
  if (countCancel_.exchange(false) || (rc & 0xFF) == SQLITE_INTERRUPT) {
    return RaiseError(DB_E_CANCELED, "The operation was canceled.", kProviderName);
  }
  if (rc != SQLITE_DONE) return connection_->RaiseLastError(E_FAIL);
  std::lock_guard lock(indexMutex_);
  index_ = std::move(index);
  return S_OK;
}

}  // namespace quillet::db::sqlite
