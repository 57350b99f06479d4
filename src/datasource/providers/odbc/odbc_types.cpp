#include "datasource/providers/odbc/odbc_types.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <array>
#include <cctype>

namespace quillet::db::odbc {
namespace {

std::uint32_t Bounded(SQLULEN size) {
  return size == 0 || size >= kSizeUnlimited ? kSizeUnlimited : static_cast<std::uint32_t>(size);
}

bool IsBoundedCharacterTypeName(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  static constexpr std::array<std::string_view, 8> kNames = {
      "varchar",   "char",     "bpchar", "character varying",
      "character", "nvarchar", "nchar",  "varchar2"};
  return std::find(kNames.begin(), kNames.end(), lower) != kNames.end();
}

DBCOLUMNINFO Fixed(DBTYPE type, std::uint32_t size) {
  DBCOLUMNINFO info;
  info.wType = type;
  info.ulColumnSize = size;
  return info;
}

}  // namespace

DBCOLUMNINFO MapColumn(const ColumnDescription& c) {
  const auto text = [&](DBTYPE type, bool isLong) {
    DBCOLUMNINFO info;
    info.wType = type;
    const bool bounded = !isLong || (IsBoundedCharacterTypeName(c.typeName) && c.columnSize > 0 &&
                                     c.columnSize < kSizeUnlimited);
    info.ulColumnSize = bounded ? Bounded(c.columnSize) : kSizeUnlimited;
    return info;
  };
  switch (c.sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
      return text(DBTYPE_STR, false);
    case SQL_LONGVARCHAR:
      return text(DBTYPE_STR, true);
    case SQL_WCHAR:
    case SQL_WVARCHAR:
      return text(DBTYPE_WSTR, false);
    case SQL_WLONGVARCHAR:
      return text(DBTYPE_WSTR, true);
    case SQL_BINARY:
    case SQL_VARBINARY:
      return Fixed(DBTYPE_BYTES, Bounded(c.columnSize));
    case SQL_LONGVARBINARY:
      return Fixed(DBTYPE_BYTES, kSizeUnlimited);
    case SQL_INTEGER:
      return Fixed(DBTYPE_I4, 4);
    case SQL_BIGINT:
      return Fixed(DBTYPE_I8, 8);
    case SQL_SMALLINT:
      return Fixed(DBTYPE_I2, 2);
    case SQL_TINYINT:
      return Fixed(DBTYPE_UI1, 1);
    case SQL_NUMERIC:
    case SQL_DECIMAL: {
      DBCOLUMNINFO info = Fixed(DBTYPE_NUMERIC, 19);
      info.bPrecision = static_cast<std::uint8_t>(std::min<SQLULEN>(c.columnSize, 255));
      info.bScale = static_cast<std::uint8_t>(std::clamp<int>(c.decimalDigits, 0, 255));
      return info;
    }
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
      return Fixed(DBTYPE_R8, 8);
    case SQL_TYPE_DATE:
    case SQL_DATE:
      return Fixed(DBTYPE_DBDATE, 6);
    case SQL_TYPE_TIME:
    case SQL_TIME:
      return Fixed(DBTYPE_DBTIME, 6);
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
      return Fixed(DBTYPE_DBTIMESTAMP, 16);
    case SQL_BIT:
      return Fixed(DBTYPE_BOOL, 2);
    case SQL_GUID:
      return Fixed(DBTYPE_GUID, 16);
    default:
      // Intervals and driver-specific types: the driver's text, as wide as it says.
      return text(DBTYPE_WSTR, c.columnSize == 0);
  }
}

ReadAs ReadAsFor(SQLSMALLINT sqlType) {
  switch (sqlType) {
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
      return ReadAs::Binary;
    default:
      return ReadAs::WideText;
  }
}

}  // namespace quillet::db::odbc
