#pragma once
// ODBC connection strings: reading them, writing them, and making one from the properties of
// an initialization string for the ODBC provider.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "datasource/init_string.h"

namespace quillet::db::odbc {

struct OdbcAttribute {
  std::string key;
  std::string value;  // without the braces a value may be written in
};

// An ODBC connection string as an ordered list of attributes. Keys compare without letter case.
class OdbcAttributes {
 public:
  // "KEY=value;KEY2={va;lue}": a value in braces may hold ';' and '=' ("}}" stands for '}').
  // Fails (std::nullopt, `error` set to one line) on a piece without '=' or an unclosed brace.
  static std::optional<OdbcAttributes> Parse(std::string_view text, std::string* error = nullptr);

  std::optional<std::string> Get(std::string_view key) const;
  bool Has(std::string_view key) const { return Get(key).has_value(); }
  // Replaces the value of an existing key (keeping its place) or appends it.
  void Set(std::string_view key, std::string_view value);
  void SetIfMissing(std::string_view key, std::string_view value);
  void Remove(std::string_view key);

  // "KEY=value;" pieces; a value that needs it is written in braces.
  std::string Compose() const;

  const std::vector<OdbcAttribute>& items() const { return items_; }

 private:
  std::vector<OdbcAttribute> items_;
};

// The ODBC connection string for the properties of an initialization string that names the
// ODBC provider ("Provider=MSDASQL" or "Provider=ODBC"). "Extended Properties" is the base
// string; "Data Source", "User ID", "Password" and "Initial Catalog" become DSN, UID, PWD and
// DATABASE; properties that only the initialization string knows are dropped; any other key is
// an ODBC attribute already and is passed on. Fails (std::nullopt, `error` set) when the
// extended properties are not a valid ODBC string or nothing names a driver or data source.
std::optional<OdbcAttributes> MapInitProperties(const InitProperties& properties,
                                                std::string* error);

// How long a connection attempt may take before the driver gives up (seconds).
inline constexpr int kLoginTimeoutSeconds = 20;

// The drivers whose read-only and cursor options the provider knows.
enum class DriverKind { Other, PostgreSql, MariaDb, Sqlite3 };

// A guess from the "Driver" attribute (a registered driver name or a library path).
DriverKind GuessDriverKind(const OdbcAttributes& attributes);
// What the driver manager reports as the driver's library name (SQL_DRIVER_NAME).
DriverKind DriverKindFromLibrary(std::string_view libraryName);

// Adds the options the provider's way of working needs: for PostgreSQL server-side prepared
// statements (so the server parses a user's text as one statement) without the driver's own
// cursors or per-statement savepoints (the provider declares its cursors itself), for MariaDB
// the login timeout as its own option (it does not apply the ODBC attribute to the login's
// first answer), for SQLite a read-only open of the database file.
void ApplyDriverOptions(DriverKind kind, OdbcAttributes* attributes);

// A file name as a read-only SQLite URI ("file:/a%20b.db?mode=ro"); a value that is a URI
// already gets its mode replaced.
std::string SqliteReadOnlyUri(std::string_view database);

}  // namespace quillet::db::odbc
