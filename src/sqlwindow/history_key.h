#pragma once
// The settings key that holds a connection's query history. It is named after the connection's
// display name, which may be a connection string: passwords are taken out first, so no secret
// ever becomes part of a key name, and the rest is escaped so that any name makes one key.

#include <string>
#include <string_view>

namespace quillet::sqlwindow {

// The key below the program's root key that holds one key per connection.
inline constexpr char kQueryHistoryKeyName[] = "Query History";

// `text` without its "Key=Value;" pieces whose key names a password ("Password", "PWD",
// "Jet OLEDB:Database Password", ...), quoted and braced values included. Everything else stays
// as it was.
std::string WithoutPasswords(std::string_view text);

// The key name of a connection's history: the display name without passwords, with '\\', '%'
// and control characters written as %XX. A name longer than the platform's key names would be
// is cut and ends in a hash of the whole (password-free) name, so it stays distinct.
std::string HistoryKeyName(std::string_view displayName);

// The full key path: root\Query History\<HistoryKeyName>.
std::string HistoryKeyPath(std::string_view displayName);

}  // namespace quillet::sqlwindow
