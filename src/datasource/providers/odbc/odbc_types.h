#pragma once
// Column information of an ODBC result in the consumer's terms.

#include <sql.h>

#include <string>
#include <string_view>

#include "datasource/provider_ops.h"
#include "datasource/providers/odbc/odbc_connect_string.h"

namespace quillet::db::odbc {

// How a column's values are read from the driver.
enum class ReadAs { WideText, Binary };

struct ColumnDescription {
  SQLSMALLINT sqlType = 0;
  SQLULEN columnSize = 0;
  SQLSMALLINT decimalDigits = 0;
  std::string typeName;  // the data source's own type name, when the driver gave one
  bool isUnsigned = false;
};

// The DBTYPE, size, precision and scale for an ODBC column (name and ordinal left empty). Long
// binary reports kSizeUnlimited; long text is an inline string of kInlineTextSize. Some drivers
// report bounded character columns as long ones (psqlODBC turns every varchar above its own
// limit into a long varchar); the data source's type name tells those apart from truly
// unbounded text.
DBCOLUMNINFO MapColumn(const ColumnDescription& column);

ReadAs ReadAsFor(SQLSMALLINT sqlType);

// How a driver's text for a column is mended to read as the server's own client prints it:
// psqlODBC turns a boolean into "1"/"0", writes a uuid in capitals and drops the zone of a
// timestamp with time zone.
enum class TextRepair { None, BoolLetter, LowerCase, ZoneSuffix };
TextRepair RepairFor(DriverKind kind, const std::string& typeName);
// `zoneSuffix` is the session time zone's offset as the server writes it ("+00"); without one
// a zone cannot be given back.
std::string RepairText(TextRepair repair, std::string text, const std::string& zoneSuffix);

// How the values of one result column are read.
struct ColumnReading {
  SQLSMALLINT sqlType = 0;
  TextRepair repair = TextRepair::None;
};

}  // namespace quillet::db::odbc
