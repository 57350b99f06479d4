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
  // psqlODBC hands a boolean over as text by default (its BoolsAsChar option); the values are
  // read as that text, but the column is still a boolean, which an export writes as one.
  if (c.typeName == "bool") return Fixed(DBTYPE_BOOL, 2);
  // Long or unsized text is kept inline up to the cell's limit, unless it is a bounded
  // character column that the driver calls long (its own bound decides then, as for any
  // varchar).
  const auto text = [&](DBTYPE type, bool isLong) {
    DBCOLUMNINFO info;
    const bool sized = c.columnSize > 0 && c.columnSize < kSizeUnlimited;
    const bool bounded = sized && (!isLong || IsBoundedCharacterTypeName(c.typeName));
    info.wType = bounded ? type : DBTYPE_STR;
    info.ulColumnSize = bounded ? Bounded(c.columnSize) : kInlineTextSize;
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
      return c.isUnsigned ? Fixed(DBTYPE_UI1, 1) : Fixed(DBTYPE_I1, 1);
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

TextRepair RepairFor(DriverKind kind, const std::string& typeName) {
  if (kind != DriverKind::PostgreSql) return TextRepair::None;
  if (typeName == "bool") return TextRepair::BoolLetter;
  if (typeName == "uuid") return TextRepair::LowerCase;
  if (typeName == "timestamptz") return TextRepair::ZoneSuffix;
  return TextRepair::None;
}

std::string RepairText(TextRepair repair, std::string text, const std::string& zoneSuffix) {
  switch (repair) {
    case TextRepair::None:
      break;
    case TextRepair::BoolLetter:
      if (text == "1") return "t";
      if (text == "0") return "f";
      break;
    case TextRepair::LowerCase:
      for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      break;
    case TextRepair::ZoneSuffix:
      // "infinity" has no zone; a value that has one already keeps it.
      if (!text.empty() && std::isdigit(static_cast<unsigned char>(text.back())) &&
          text.find_first_of("+", 10) == std::string::npos) {
        text += zoneSuffix;
      }
      break;
  }
  return text;
}

}  // namespace quillet::db::odbc
