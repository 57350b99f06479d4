#pragma once
// Which provider serves which "Provider=" name. The SQLite provider is the default (a string
// without "Provider=" opens SQLite); the ODBC provider answers to "MSDASQL" and "ODBC".
//
// Every provider offers one factory function. The factories are named here and listed in
// provider_registry.cpp, so linking the core always brings every provider in (a static
// registration object in a static library would be dropped by the linker).

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "datasource/init_string.h"
#include "datasource/provider_ops.h"

namespace quillet::db {

// Makes an uninitialized data source for the properties of an initialization string; the
// connection itself happens in IDBInitialize::Initialize, which reports failures through the
// error object. Returns nullptr only when the object cannot be made at all.
using DataSourceFactory = std::shared_ptr<IDBInitialize> (*)(const InitProperties& properties);

// Implemented in providers/sqlite/.
std::shared_ptr<IDBInitialize> CreateSqliteDataSource(const InitProperties& properties);
// Implemented in providers/odbc/.
std::shared_ptr<IDBInitialize> CreateOdbcDataSource(const InitProperties& properties);

// The provider used when a string names none.
inline constexpr std::string_view kDefaultProvider = "SQLite";

// Adds or replaces a provider name (compared without letter case). For tests and additions at
// run time; the built-in providers need no call.
void RegisterProvider(std::string name, DataSourceFactory factory);

// The factory for `name` (without letter case), or nullptr.
DataSourceFactory FindProvider(std::string_view name);

// The names offered to the user, built-in providers first.
std::vector<std::string> ProviderNames();

}  // namespace quillet::db
