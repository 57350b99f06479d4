#pragma once
// Diagnostics of the driver manager and the driver as one line of text and a result code.

#include <sql.h>

#include <string>
#include <string_view>

#include "datasource/provider_ops.h"

namespace quillet::db::odbc {

inline constexpr std::string_view kProviderName = "ODBC";

struct Diagnostic {
  std::string sqlState;  // of the first error record ("" when there is none)
  std::string text;      // one line; empty when the handle holds no record
};

// The records of a handle after a call failed: errors before warnings, repeated texts once.
Diagnostic ReadDiagnostic(SQLSMALLINT handleType, SQLHANDLE handle);

// One message as a user reads it: the "[vendor][component]" prefixes of the driver manager and
// driver dropped, line breaks and the separators some drivers add at line ends folded into
// "; ", blanks trimmed.
std::string CleanDiagnosticMessage(std::string_view message);

// The result code for an SQLSTATE, `fallback` for the states without a closer code.
HRESULT CodeForSqlState(std::string_view sqlState, HRESULT fallback);

// Stores an error object from the handle's records and returns the code. `what` is used as
// the text when the driver left no record.
HRESULT RaiseOdbcError(SQLSMALLINT handleType, SQLHANDLE handle, HRESULT fallback,
                       std::string_view what);

}  // namespace quillet::db::odbc
