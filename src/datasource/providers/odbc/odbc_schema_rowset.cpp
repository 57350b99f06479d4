#include "datasource/providers/odbc/odbc_schema_rowset.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <optional>
#include <string>

#include "datasource/error_info.h"
#include "datasource/init_string.h"
#include "datasource/memory_rowset.h"
#include "datasource/providers/odbc/odbc_diag.h"
#include "datasource/providers/odbc/odbc_read.h"
#include "datasource/text_convert.h"

namespace quillet::db::odbc {
namespace {

constexpr const char* kOdbcProviderName = "ODBC";

CellValue TextOrNull(const std::optional<std::string>& text) {
  return text ? CellValue::Text(*text) : CellValue::Null();
}

// A restriction as a catalogue-function argument: the pattern characters escaped where the
// argument is a pattern, so a name restricts to that name only.
class Argument {
 public:
  Argument(const std::optional<std::u16string>& value, bool pattern, const std::u16string& escape) {
    if (!value) return;
    set_ = true;
    for (const char16_t c : *value) {
      if (pattern && !escape.empty() && (c == u'_' || c == u'%' || escape.find(c) == 0)) {
        text_ += escape;
      }
      text_ += c;
    }
  }
  SQLWCHAR* data() { return set_ ? reinterpret_cast<SQLWCHAR*>(text_.data()) : nullptr; }
  SQLSMALLINT length() const { return set_ ? static_cast<SQLSMALLINT>(text_.size()) : 0; }

 private:
  bool set_ = false;
  std::u16string text_;
};

std::optional<std::u16string> RestrictionAt(const Restrictions& r, std::size_t i) {
  return i < r.size() ? r[i] : std::nullopt;
}

// Whether a row's value passes an exact restriction (the driver treated it as a pattern, or
// had no escape to keep it from being one).
bool Passes(const std::optional<std::u16string>& restriction, const std::optional<std::string>& v,
            bool ignoreCase) {
  if (!restriction) return true;
  if (!v) return false;
  const std::string wanted = Utf16ToUtf8(*restriction);
  return ignoreCase ? InitKeyEquals(wanted, *v) : wanted == *v;
}

// Reads the named columns of every row of a catalogue result.
HRESULT ReadRows(SQLHSTMT stmt, const std::vector<std::size_t>& ordinals,
                 std::vector<std::vector<std::optional<std::string>>>* rows) {
  for (;;) {
    const SQLRETURN r = SQLFetch(stmt);
    if (r == SQL_NO_DATA) return S_OK;
    if (!SQL_SUCCEEDED(r)) {
      return RaiseOdbcError(SQL_HANDLE_STMT, stmt, E_FAIL, "The catalogue could not be read.");
    }
    std::vector<std::optional<std::string>> row;
    for (const std::size_t ordinal : ordinals) {
      std::optional<std::string> text;
      if (const HRESULT hr = ReadColumnText(stmt, ordinal, &text); Failed(hr)) return hr;
      row.push_back(std::move(text));
    }
    rows->push_back(std::move(row));
  }
}

}  // namespace

std::int16_t ProcedureTypeFromOdbc(std::int64_t odbcType) {
  switch (odbcType) {
    case SQL_PT_PROCEDURE:
      return 2;
    case SQL_PT_FUNCTION:
      return 3;
    default:
      return 1;
  }
}

HRESULT ReadTablesSchema(const std::shared_ptr<Connection>& connection,
                         const Restrictions& restrictions, std::shared_ptr<IRowset>* rowset) {
  std::shared_ptr<Statement> statement;
  if (const HRESULT hr = Statement::Allocate(connection, &statement); Failed(hr)) return hr;
  const SQLHSTMT stmt = statement->handle();
  const std::u16string escape = connection->SearchEscape();
  const auto catalog = RestrictionAt(restrictions, 0);
  const auto schema = RestrictionAt(restrictions, 1);
  const auto name = RestrictionAt(restrictions, 2);
  const auto type = RestrictionAt(restrictions, 3);
  Argument catalogArg(catalog, false, escape);
  Argument schemaArg(schema, true, escape);
  Argument nameArg(name, true, escape);
  Argument typeArg(type, false, escape);
  const SQLRETURN r =
      SQLTablesW(stmt, catalogArg.data(), catalogArg.length(), schemaArg.data(), schemaArg.length(),
                 nameArg.data(), nameArg.length(), typeArg.data(), typeArg.length());
  if (!SQL_SUCCEEDED(r)) {
    return RaiseOdbcError(SQL_HANDLE_STMT, stmt, E_FAIL, "The list of tables could not be read.");
  }
  std::vector<std::vector<std::optional<std::string>>> read;
  // TABLE_CAT, TABLE_SCHEM, TABLE_NAME, TABLE_TYPE, REMARKS.
  if (const HRESULT hr = ReadRows(stmt, {1, 2, 3, 4, 5}, &read); Failed(hr)) return hr;
  std::vector<std::vector<CellValue>> rows;
  for (const auto& row : read) {
    if (!Passes(catalog, row[0], false) || !Passes(schema, row[1], false) ||
        !Passes(name, row[2], false) || !Passes(type, row[3], true)) {
      continue;
    }
    rows.push_back({TextOrNull(row[0]), TextOrNull(row[1]), TextOrNull(row[2]), TextOrNull(row[3]),
                    CellValue::Null(), TextOrNull(row[4]), CellValue::Null(), CellValue::Null(),
                    CellValue::Null()});
  }
  *rowset =
      std::make_shared<MemoryRowset>(kOdbcProviderName, TablesSchemaColumns(), std::move(rows));
  ClearErrorInfo();
  return S_OK;
}

HRESULT ReadProceduresSchema(const std::shared_ptr<Connection>& connection,
                             const Restrictions& restrictions, std::shared_ptr<IRowset>* rowset) {
  std::shared_ptr<Statement> statement;
  if (const HRESULT hr = Statement::Allocate(connection, &statement); Failed(hr)) return hr;
  const SQLHSTMT stmt = statement->handle();
  const std::u16string escape = connection->SearchEscape();
  const auto catalog = RestrictionAt(restrictions, 0);
  const auto schema = RestrictionAt(restrictions, 1);
  const auto name = RestrictionAt(restrictions, 2);
  Argument catalogArg(catalog, false, escape);
  Argument schemaArg(schema, true, escape);
  Argument nameArg(name, true, escape);
  const SQLRETURN r = SQLProceduresW(stmt, catalogArg.data(), catalogArg.length(), schemaArg.data(),
                                     schemaArg.length(), nameArg.data(), nameArg.length());
  if (!SQL_SUCCEEDED(r)) {
    return RaiseOdbcError(SQL_HANDLE_STMT, stmt, E_FAIL,
                          "The list of procedures could not be read.");
  }
  std::vector<std::vector<std::optional<std::string>>> read;
  // PROCEDURE_CAT, PROCEDURE_SCHEM, PROCEDURE_NAME, REMARKS, PROCEDURE_TYPE.
  if (const HRESULT hr = ReadRows(stmt, {1, 2, 3, 7, 8}, &read); Failed(hr)) return hr;
  std::vector<std::vector<CellValue>> rows;
  for (const auto& row : read) {
    if (!Passes(catalog, row[0], false) || !Passes(schema, row[1], false) ||
        !Passes(name, row[2], false)) {
      continue;
    }
    std::int64_t odbcType = SQL_PT_UNKNOWN;
    if (row[4]) odbcType = std::strtoll(row[4]->c_str(), nullptr, 10);
    rows.push_back({TextOrNull(row[0]), TextOrNull(row[1]), TextOrNull(row[2]),
                    CellValue::Integer(ProcedureTypeFromOdbc(odbcType)), CellValue::Null(),
                    TextOrNull(row[3]), CellValue::Null(), CellValue::Null()});
  }
  *rowset =
      std::make_shared<MemoryRowset>(kOdbcProviderName, ProceduresSchemaColumns(), std::move(rows));
  ClearErrorInfo();
  return S_OK;
}

}  // namespace quillet::db::odbc
