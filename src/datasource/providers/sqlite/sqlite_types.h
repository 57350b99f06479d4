#pragma once
// How the declared type of an SQLite column is shown to the consumer.

#include <cstdint>
#include <string_view>

#include "datasource/provider_ops.h"

namespace quillet::db::sqlite {

struct ColumnType {
  DBTYPE type = DBTYPE_STR;
  std::uint32_t size = 0;  // characters for text, bytes otherwise; 0 means long data
  std::uint8_t precision = 0;
  std::uint8_t scale = 0;
};

// SQLite keeps any value in any column, so the declared type is a convention only. The table,
// first match wins (on the declared type without letter case):
//
//   declared type                          type           size
//   none (a column or an expression)       DBTYPE_STR     kInlineTextSize
//   contains "INT"                         DBTYPE_I8      8
//   contains "BOOL"                        DBTYPE_BOOL    2
//   contains "DATE" or "TIME"              DBTYPE_STR     32 (dates stay text)
//   NCHAR/NVARCHAR/NATIONAL ...(n)         DBTYPE_WSTR    n (255 without a length)
//   contains "CHAR" (n)                    DBTYPE_STR     n (255 without a length)
//   contains "TEXT" or "CLOB"              DBTYPE_STR     n, or kInlineTextSize without one
//   contains "BLOB" or "BINARY"            DBTYPE_BYTES   n, or 0 (long data) without a length
//   contains "REAL", "FLOA" or "DOUB"      DBTYPE_R8      8
//   contains "NUMERIC" or "DECIMAL"        DBTYPE_NUMERIC 19 (precision and scale when given)
//   anything else                          DBTYPE_STR     255
//
// So a VARCHAR(40) name and a TEXT column of notes show inline (a note too long for a cell is
// read whole on demand), a BLOB of pictures is long data. A value is converted from its own
// storage class whatever the column declares: an integer in a TEXT column shows as a number, a
// blob in any but a binary column as "(BLOB)".
ColumnType MapDeclaredType(const char* declared);

// The n of "TYPE(n)" or "TYPE(n, m)"; `second` receives m. 0 when there is none.
std::uint32_t DeclaredLength(std::string_view declared, std::uint32_t* second = nullptr);

}  // namespace quillet::db::sqlite
