#pragma once
// Column information of an ODBC result in the consumer's terms.

#include <sql.h>

#include <string>
#include <string_view>

#include "datasource/provider_ops.h"

namespace quillet::db::odbc {

// How a column's values are read from the driver.
enum class ReadAs { WideText, Binary };

struct ColumnDescription {
  SQLSMALLINT sqlType = 0;
  SQLULEN columnSize = 0;
  SQLSMALLINT decimalDigits = 0;
  std::string typeName;  // the data source's own type name, when the driver gave one
};

// The DBTYPE, size, precision and scale for an ODBC column (name and ordinal left empty). Long
// types report kSizeUnlimited. Some drivers report bounded character columns as long ones
// (psqlODBC turns every varchar above its own limit into a long varchar); the data source's
// type name tells those apart from truly unbounded text.
DBCOLUMNINFO MapColumn(const ColumnDescription& column);

ReadAs ReadAsFor(SQLSMALLINT sqlType);

}  // namespace quillet::db::odbc
