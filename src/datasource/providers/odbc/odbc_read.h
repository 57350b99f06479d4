#pragma once
// Reading one column of the current row with SQLGetData, piece by piece.

#include <sql.h>

#include <optional>
#include <string>

#include "datasource/provider_ops.h"
#include "datasource/providers/odbc/odbc_types.h"
#include "datasource/value.h"

namespace quillet::db::odbc {

// Bytes asked for per SQLGetData call.
inline constexpr std::size_t kPieceBytes = 16 * 1024;

// One piece of a column: S_OK with the bytes (UTF-16LE for wide text), S_FALSE at the end
// (no bytes), a failure with an error object. `*isNull` is set on the first piece of a null
// value.
HRESULT ReadPiece(SQLHSTMT stmt, std::size_t ordinal, ReadAs readAs, std::string* bytes,
                  bool* isNull, bool* last);

// The whole value of a column as the neutral value: text as UTF-8, binary as bytes, numbers
// with the driver's printed form kept.
HRESULT ReadColumnValue(SQLHSTMT stmt, std::size_t ordinal, SQLSMALLINT sqlType, CellValue* value);

// A column as text; std::nullopt for null.
HRESULT ReadColumnText(SQLHSTMT stmt, std::size_t ordinal, std::optional<std::string>* text);

}  // namespace quillet::db::odbc
