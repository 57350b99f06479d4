#pragma once
// Which statements a session may run, before any reaches the driver. Every driver's server
// gets exactly one statement (whatever dialect reads the text), and each kind of driver is
// kept from the statements its read-only transaction does not cover.

#include <string>
#include <string_view>

#include "datasource/provider_ops.h"
#include "datasource/providers/odbc/odbc_connect_string.h"

namespace quillet::db::odbc {

struct Refusal {
  HRESULT code = S_OK;
  std::string reason;  // one line for the report log
  explicit operator bool() const { return Failed(code); }
};

// Refuses a text that is not one statement, and on
//   SQLite:     transaction control, ATTACH/DETACH, VACUUM, writes, pragmas that set something
//               and extension loading (the driver gives no authorizer to refuse them);
//   PostgreSQL: COPY (a superuser's COPY writes server files, transactions or not);
//   MariaDB:    locking reads and LOCK TABLES (locks held while the rows are shown keep
//               writers waiting) and server-wide settings.
Refusal RefuseStatement(DriverKind kind, std::string_view text);

}  // namespace quillet::db::odbc
