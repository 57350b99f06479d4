#include "datasource/providers/sqlite/sqlite_rowset.h"

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

SqliteRowset::SqliteRowset(std::shared_ptr<SqliteConnection> connection, sqlite3_stmt* statement)
    : connection_(std::move(connection)), statement_(statement) {
  SetColumns(StatementColumns(statement_));
}

SqliteRowset::~SqliteRowset() {
  sqlite3_finalize(statement_);
}

void SqliteRowset::Cancel() {
  std::lock_guard lock(countMutex_);
  cancel_.store(true);
  if (counting_ != nullptr) sqlite3_interrupt(counting_);
}

bool SqliteRowset::TakeCancel() {
  return cancel_.exchange(false);
}

bool SqliteRowset::HoldsRead() const {
  return sqlite3_stmt_busy(statement_) != 0;
}

void SqliteRowset::EndRead() {
  sqlite3_reset(statement_);
}

HRESULT SqliteRowset::ReopenRead() {
  // The rows are stepped over again; a writer may have changed them meanwhile, which only a
  // refresh shows properly.
  const std::int64_t target = std::exchange(stepped_, 0);
  while (stepped_ < target) {
    const HRESULT hr = Step();
    if (Failed(hr)) return hr;
    if (hr != S_OK) {
      mustRestart_ = true;
      return RaiseError(E_FAIL,
                        "The rows changed while they were shown; refresh to read them again.",
                        kProviderName);
    }
  }
  return S_OK;
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
    rc = sqlite3_step(statement_);
  }
  if (rc == SQLITE_ROW) {
    ++stepped_;
    return S_OK;
  }
  if (rc == SQLITE_DONE) return DB_S_ENDOFROWSET;
  const HRESULT hr = connection_->RaiseLastError(E_FAIL);
  cancel_.store(false);
  sqlite3_reset(statement_);
  mustRestart_ = true;
  return hr;
}

HRESULT SqliteRowset::DoRestart() {
  Use use(*this, /*keepPlace=*/false);
  sqlite3_reset(statement_);
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
  // Stepping without asking for any column value is the cheapest skip SQLite offers.
  *skipped = 0;
  Use use(*this);
  if (Failed(use.Ready())) return use.Ready();
  while (*skipped < count) {
    const HRESULT hr = Step();
    if (hr != S_OK) return Failed(hr) ? hr : S_OK;
    ++*skipped;
  }
  return S_OK;
}

HRESULT SqliteRowset::DoReadValue(std::size_t ordinal, CellValue* value) {
  Use use(*this);
  if (Failed(use.Ready())) return use.Ready();
  const int i = static_cast<int>(ordinal) - 1;
  switch (sqlite3_column_type(statement_, i)) {
    case SQLITE_INTEGER:
      *value = CellValue::Integer(sqlite3_column_int64(statement_, i));
      break;
    case SQLITE_FLOAT: {
      const double real = sqlite3_column_double(statement_, i);
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, i));
      *value = CellValue::Real(real, RealText(real, text));
      break;
    }
    case SQLITE_TEXT: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, i));
      const int bytes = sqlite3_column_bytes(statement_, i);
      if (text == nullptr) return connection_->RaiseLastError(E_OUTOFMEMORY);
      *value = CellValue::Text(std::string(text, static_cast<std::size_t>(bytes)));
      break;
    }
    case SQLITE_BLOB: {
      const void* blob = sqlite3_column_blob(statement_, i);
      const int bytes = sqlite3_column_bytes(statement_, i);
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

int SqliteRowset::StepCount(sqlite3* side, sqlite3_stmt* counter) {
  {
    std::lock_guard lock(countMutex_);
    // A cancel that came before the side connection was known here has nothing to interrupt.
    if (cancel_.load()) return SQLITE_INTERRUPT;
    counting_ = side;
  }
  const int rc = sqlite3_step(counter);
  std::lock_guard lock(countMutex_);
  counting_ = nullptr;
  return rc;
}

HRESULT SqliteRowset::CountRows(std::int64_t* count) {
  if (count == nullptr) return E_POINTER;
  if (HoldsRow()) return DB_E_ROWSNOTRELEASED;
  if (TakeCancel()) return RaiseError(DB_E_CANCELED, "The operation was canceled.", kProviderName);
  sqlite3* side = connection_->TakeSideConnection();
  if (side == nullptr) return E_NOTIMPL;  // the caller walks instead
  // The line break keeps a trailing "--" comment from swallowing the parenthesis.
  const std::string sql = "SELECT count(*) FROM (" + BareStatementText(statement_) + "\n)";
  sqlite3_stmt* counter = nullptr;
  if (sqlite3_prepare_v2(side, sql.c_str(), -1, &counter, nullptr) != SQLITE_OK ||
      counter == nullptr) {
    // Not every statement can stand in a subquery (PRAGMA, EXPLAIN); the caller walks instead.
    sqlite3_finalize(counter);
    connection_->GiveBackSideConnection(side);
    ClearErrorInfo();
    return E_NOTIMPL;
  }
  const int rc = StepCount(side, counter);
  if (rc == SQLITE_ROW) *count = sqlite3_column_int64(counter, 0);
  sqlite3_finalize(counter);
  connection_->GiveBackSideConnection(side);
  // A cancel while the count ran ends it even when the engine had finished before the
  // interruption reached it: the caller asked to stop.
  if (TakeCancel() || (rc & 0xFF) == SQLITE_INTERRUPT) {
    *count = 0;
    return RaiseError(DB_E_CANCELED, "The operation was canceled.", kProviderName);
  }
  if (rc != SQLITE_ROW) {
    *count = 0;
    return E_NOTIMPL;  // a walk will meet the same failure and report it properly
  }
  return RestartPosition();
}

}  // namespace quillet::db::sqlite
