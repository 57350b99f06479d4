#include "datasource/providers/odbc/odbc_read.h"

#include <sqlext.h>

#include <charconv>

#include "datasource/error_info.h"
#include "datasource/providers/odbc/odbc_diag.h"
#include "datasource/text_convert.h"

namespace quillet::db::odbc {
namespace {

bool IsIntegerType(SQLSMALLINT t) {
  return t == SQL_INTEGER || t == SQL_SMALLINT || t == SQL_TINYINT || t == SQL_BIGINT ||
         t == SQL_BIT;
}

bool IsRealType(SQLSMALLINT t) {
  return t == SQL_REAL || t == SQL_FLOAT || t == SQL_DOUBLE;
}

}  // namespace

HRESULT ReadPiece(SQLHSTMT stmt, std::size_t ordinal, ReadAs readAs, std::string* bytes,
                  bool* isNull, bool* last) {
  bytes->clear();
  *isNull = false;
  *last = false;
  const bool wide = readAs == ReadAs::WideText;
  // Wide text arrives with a terminator of one unit, which the buffer must leave room for.
  std::string buffer(kPieceBytes, '\0');
  SQLLEN indicator = 0;
  const SQLRETURN r =
      SQLGetData(stmt, static_cast<SQLUSMALLINT>(ordinal), wide ? SQL_C_WCHAR : SQL_C_BINARY,
                 buffer.data(), static_cast<SQLLEN>(buffer.size()), &indicator);
  if (r == SQL_NO_DATA) {
    *last = true;
    return S_FALSE;
  }
  if (!SQL_SUCCEEDED(r)) {
    return RaiseOdbcError(SQL_HANDLE_STMT, stmt, E_FAIL, "The value could not be read.");
  }
  if (indicator == SQL_NULL_DATA) {
    *isNull = true;
    *last = true;
    return S_OK;
  }
  const std::size_t room = wide ? buffer.size() - sizeof(SQLWCHAR) : buffer.size();
  std::size_t got = room;
  if (indicator != SQL_NO_TOTAL && indicator >= 0 && static_cast<std::size_t>(indicator) <= room) {
    got = static_cast<std::size_t>(indicator);
    *last = true;
  }
  // SQL_SUCCESS means the value ended in this piece whatever the indicator said.
  if (r == SQL_SUCCESS) *last = true;
  if (wide) got -= got % sizeof(SQLWCHAR);
  buffer.resize(got);
  *bytes = std::move(buffer);
  return S_OK;
}

HRESULT ReadColumnValue(SQLHSTMT stmt, std::size_t ordinal, SQLSMALLINT sqlType, CellValue* value) {
  const ReadAs readAs = ReadAsFor(sqlType);
  std::string all;
  std::string piece;
  bool isNull = false;
  bool last = false;
  bool first = true;
  while (!last) {
    const HRESULT hr = ReadPiece(stmt, ordinal, readAs, &piece, &isNull, &last);
    if (Failed(hr)) return hr;
    if (hr == S_FALSE) {
      if (first) {
        return RaiseError(E_FAIL,
                          "Column " + std::to_string(ordinal) + " of this row was read already.",
                          kProviderName);
      }
      break;
    }
    if (isNull) {
      *value = CellValue::Null();
      return S_OK;
    }
    all += piece;
    first = false;
  }
  if (readAs == ReadAs::Binary) {
    *value = CellValue::Bytes(std::move(all));
    return S_OK;
  }
  std::string text = Utf16ToUtf8(BytesLEToUtf16(all));
  if (IsIntegerType(sqlType)) {
    std::int64_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec == std::errc() && end == text.data() + text.size()) {
      *value = CellValue::Integer(v, std::move(text));
      return S_OK;
    }
  } else if (IsRealType(sqlType)) {
    // from_chars reads the driver's form whatever the process's locale is.
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec == std::errc() && end == text.data() + text.size()) {
      *value = CellValue::Real(v, std::move(text));
      return S_OK;
    }
  }
  *value = CellValue::Text(std::move(text));
  return S_OK;
}

HRESULT ReadColumnText(SQLHSTMT stmt, std::size_t ordinal, std::optional<std::string>* text) {
  CellValue value;
  const HRESULT hr = ReadColumnValue(stmt, ordinal, SQL_WVARCHAR, &value);
  if (Failed(hr)) return hr;
  if (value.IsNull()) {
    text->reset();
  } else {
    *text = ValueAsText(value);
  }
  return S_OK;
}

}  // namespace quillet::db::odbc
