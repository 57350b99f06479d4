#include "datasource/providers/sqlite/sqlite_command.h"

#include "datasource/error_info.h"
#include "datasource/providers/sqlite/sqlite_guard.h"
#include "datasource/providers/sqlite/sqlite_rowset.h"
#include "datasource/sql_statements.h"
#include "datasource/text_convert.h"

namespace quillet::db::sqlite {
namespace {

// Prepares the first statement of `text`; `rest` receives what follows it.
int Prepare(sqlite3* db, const char* text, sqlite3_stmt** statement, const char** rest) {
  return sqlite3_prepare_v2(db, text, -1, statement, rest);
}

}  // namespace

HRESULT SqliteCommand::SetCommandText(const Guid& dialect, const std::u16string& text) {
  if (!(dialect == DBGUID_DEFAULT)) {
    return RaiseError(DB_E_NOTSUPPORTED, "The command dialect is not supported.", kProviderName);
  }
  text_ = Utf16ToUtf8(text);
  hasText_ = true;
  return S_OK;
}

HRESULT SqliteCommand::Execute(std::shared_ptr<IRowset>* rowset, std::int64_t* rowsAffected) {
  if (rowset != nullptr) rowset->reset();
  if (rowsAffected != nullptr) *rowsAffected = -1;
  ClearErrorInfo();
  if (!hasText_) return RaiseError(DB_E_NOCOMMAND, "No command text was set.", kProviderName);
  if (cancel_.exchange(false)) {
    return RaiseError(DB_E_CANCELED, "The operation was canceled.", kProviderName);
  }

  // One statement as every engine would read the text, then as this one does.
  std::string why;
  if (!HoldsOneStatement(text_, &why, /*semicolonsOnly=*/true)) {
    return RaiseError(DB_E_ERRORSINCOMMAND, why, kProviderName);
  }
  sqlite3* db = connection_->db();
  sqlite3_stmt* statement = nullptr;
  const char* rest = nullptr;
  if (Prepare(db, text_.c_str(), &statement, &rest) != SQLITE_OK) {
    return connection_->RaiseLastError(DB_E_ERRORSINCOMMAND);
  }
  if (statement == nullptr) {
    return RaiseError(DB_E_NOCOMMAND, "The command text holds no statement.", kProviderName);
  }
  // Only one statement per command: a second one would otherwise be dropped without a word.
  if (rest != nullptr && *rest != '\0') {
    sqlite3_stmt* next = nullptr;
    const int rc = Prepare(db, rest, &next, nullptr);
    sqlite3_finalize(next);
    if (rc != SQLITE_OK || next != nullptr) {
      sqlite3_finalize(statement);
      return RaiseError(DB_E_ERRORSINCOMMAND,
                        "The text holds more than one statement; run them one at a time.",
                        kProviderName);
    }
  }

  // A statement that would write is refused before it runs: the read-only open would refuse
  // the write itself, but some (VACUUM INTO) write other files, and none should get that far.
  if (!sqlite3_stmt_readonly(statement)) {
    sqlite3_finalize(statement);
    return RaiseError(DB_E_READONLY, kRefusedText, kProviderName);
  }
  if (sqlite3_column_count(statement) == 0) {
    // Nothing to show: run it now (the guard has let through only what reads).
    int rc = SQLITE_OK;
    {
      SqliteConnection::CancelScope scope(*connection_, cancel_);
      rc = sqlite3_step(statement);
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
      const HRESULT hr = connection_->RaiseLastError(E_FAIL);
      cancel_.store(false);
      sqlite3_finalize(statement);
      return hr;
    }
    if (rowsAffected != nullptr) *rowsAffected = 0;
    sqlite3_finalize(statement);
    return S_OK;
  }
  if (rowset == nullptr) {
    sqlite3_finalize(statement);
    return S_OK;
  }
  *rowset = std::make_shared<SqliteRowset>(connection_, statement);
  return S_OK;
}

}  // namespace quillet::db::sqlite
