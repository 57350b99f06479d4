#include "datasource/providers/odbc/odbc_connect_string.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace quillet::db::odbc {
namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool Contains(std::string_view haystack, std::string_view needle) {
  return Lower(haystack).find(needle) != std::string::npos;
}

// Values a driver would misread unless they are written in braces. Only these get them: some
// drivers (SQLite's) take the braces of any other value as part of it.
bool NeedsBraces(std::string_view value) {
  if (value.empty()) return false;
  if (value.front() == '{') return true;
  if (IsInitBlank(value.front()) || IsInitBlank(value.back())) return true;
  return value.find(';') != std::string_view::npos;
}

// Properties of an initialization string that mean nothing to an ODBC driver.
constexpr std::array<std::string_view, 19> kInitOnlyKeys = {
    "Provider",         "Extended Properties",  "Persist Security Info", "Mode",
    "Prompt",           "Locale Identifier",    "OLE DB Services",       "Window Handle",
    "Location",         "Connect Timeout",      "General Timeout",       "Asynchronous Processing",
    "Bind Flags",       "Cache Authentication", "Encrypt Password",      "Mask Password",
    "Protection Level", "Impersonation Level",  "Integrated Security"};

struct KeyMapping {
  std::string_view initKey;
  std::string_view odbcKey;
};
constexpr std::array<KeyMapping, 4> kMappedKeys = {{{"Data Source", "DSN"},
                                                    {"User ID", "UID"},
                                                    {"Password", "PWD"},
                                                    {"Initial Catalog", "DATABASE"}}};

bool IsUnreservedUriChar(unsigned char c) {
  return std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
}

}  // namespace

std::optional<OdbcAttributes> OdbcAttributes::Parse(std::string_view text, std::string* error) {
  OdbcAttributes result;
  std::size_t i = 0;
  const auto fail = [&](std::string why) -> std::optional<OdbcAttributes> {
    if (error != nullptr) *error = std::move(why);
    return std::nullopt;
  };
  while (i < text.size()) {
    const std::size_t eq = text.find('=', i);
    const std::size_t semi = text.find(';', i);
    if (eq == std::string_view::npos || (semi != std::string_view::npos && semi < eq)) {
      const std::string_view piece = TrimInitBlanks(
          text.substr(i, semi == std::string_view::npos ? std::string_view::npos : semi - i));
      if (!piece.empty()) return fail(QuotePieceForError(piece) + " has no '='");
      if (semi == std::string_view::npos) break;
      i = semi + 1;
      continue;
    }
    const std::string key(TrimInitBlanks(text.substr(i, eq - i)));
    if (key.empty()) return fail("a value has no name");
    std::size_t v = eq + 1;
    while (v < text.size() && IsInitBlank(text[v])) ++v;
    std::string value;
    if (v < text.size() && text[v] == '{') {
      std::size_t p = v + 1;
      bool closed = false;
      while (p < text.size()) {
        if (text[p] == '}') {
          if (p + 1 < text.size() && text[p + 1] == '}') {
            value += '}';
            p += 2;
            continue;
          }
          closed = true;
          ++p;
          break;
        }
        value += text[p++];
      }
      if (!closed) return fail("the value of " + QuotePieceForError(key) + " has no closing '}'");
      const std::size_t end = text.find(';', p);
      if (!TrimInitBlanks(
               text.substr(p, end == std::string_view::npos ? std::string_view::npos : end - p))
               .empty()) {
        return fail("text follows the braces of " + QuotePieceForError(key));
      }
      i = end == std::string_view::npos ? text.size() : end + 1;
    } else {
      const std::size_t end = text.find(';', v);
      value = std::string(TrimInitBlanks(
          text.substr(v, end == std::string_view::npos ? std::string_view::npos : end - v)));
      i = end == std::string_view::npos ? text.size() : end + 1;
    }
    result.Set(key, value);
  }
  return result;
}

std::optional<std::string> OdbcAttributes::Get(std::string_view key) const {
  for (const auto& item : items_) {
    if (InitKeyEquals(item.key, key)) return item.value;
  }
  return std::nullopt;
}

void OdbcAttributes::Set(std::string_view key, std::string_view value) {
  for (auto& item : items_) {
    if (InitKeyEquals(item.key, key)) {
      item.value = std::string(value);
      return;
    }
  }
  items_.push_back({std::string(key), std::string(value)});
}

void OdbcAttributes::SetIfMissing(std::string_view key, std::string_view value) {
  if (!Has(key)) Set(key, value);
}

void OdbcAttributes::Remove(std::string_view key) {
  std::erase_if(items_, [&](const OdbcAttribute& item) { return InitKeyEquals(item.key, key); });
}

std::string OdbcAttributes::Compose() const {
  std::string out;
  for (const auto& item : items_) {
    out += item.key;
    out += '=';
    if (NeedsBraces(item.value)) {
      out += '{';
      for (char c : item.value) {
        out += c;
        if (c == '}') out += '}';
      }
      out += '}';
    } else {
      out += item.value;
    }
    out += ';';
  }
  return out;
}

std::optional<OdbcAttributes> MapInitProperties(const InitProperties& properties,
                                                std::string* error) {
  OdbcAttributes result;
  if (auto extended = properties.Get("Extended Properties"); extended && !extended->empty()) {
    std::string why;
    auto base = OdbcAttributes::Parse(*extended, &why);
    if (!base) {
      if (error != nullptr) *error = "The extended properties are not an ODBC string: " + why + ".";
      return std::nullopt;
    }
    result = std::move(*base);
  }
  for (const auto& item : properties.items()) {
    const auto initOnly =
        std::find_if(kInitOnlyKeys.begin(), kInitOnlyKeys.end(),
                     [&](std::string_view k) { return InitKeyEquals(k, item.key); });
    if (initOnly != kInitOnlyKeys.end()) continue;
    const auto mapped =
        std::find_if(kMappedKeys.begin(), kMappedKeys.end(),
                     [&](const KeyMapping& m) { return InitKeyEquals(m.initKey, item.key); });
    if (mapped != kMappedKeys.end()) {
      // An empty field of the data link dialog means "not given", not "empty".
      if (!item.value.empty()) result.Set(mapped->odbcKey, item.value);
      continue;
    }
    // The plain form keeps ODBC's braces, which the initialization string does not know.
    std::string value = item.value;
    if (value.size() >= 2 && value.front() == '{' && value.back() == '}') {
      std::string inner;
      for (std::size_t i = 1; i + 1 < value.size(); ++i) {
        inner += value[i];
        if (value[i] == '}' && value[i + 1] == '}') ++i;
      }
      value = std::move(inner);
    }
    result.Set(item.key, value);
  }
  if (!result.Has("DSN") && !result.Has("DRIVER") && !result.Has("FILEDSN")) {
    if (error != nullptr) {
      *error = "The connection string names neither an ODBC data source nor a driver.";
    }
    return std::nullopt;
  }
  return result;
}

DriverKind GuessDriverKind(const OdbcAttributes& attributes) {
  const std::string driver = attributes.Get("DRIVER").value_or("");
  if (Contains(driver, "postgres") || Contains(driver, "psqlodbc")) return DriverKind::PostgreSql;
  if (Contains(driver, "sqlite3")) return DriverKind::Sqlite3;
  if (Contains(driver, "mariadb") || Contains(driver, "maodbc") || Contains(driver, "mysql")) {
    return DriverKind::MariaDb;
  }
  return DriverKind::Other;
}

DriverKind DriverKindFromLibrary(std::string_view libraryName) {
  if (Contains(libraryName, "psqlodbc")) return DriverKind::PostgreSql;
  if (Contains(libraryName, "sqlite3odbc")) return DriverKind::Sqlite3;
  if (Contains(libraryName, "maodbc") || Contains(libraryName, "myodbc")) {
    return DriverKind::MariaDb;
  }
  return DriverKind::Other;
}

void ApplyDriverOptions(DriverKind kind, OdbcAttributes* attributes) {
  switch (kind) {
    case DriverKind::PostgreSql:
      // The driver's read-only mode only looks at a statement's first word (it lets
      // "select 1; commit" through) and refuses the cursor statements the provider needs; the
      // server's read-only transactions are what keeps a session from writing.
      attributes->Set("ReadOnly", "0");
      attributes->Set("UseDeclareFetch", "0");
      attributes->Set("UseServerSidePrepare", "1");
      // Rollback on error is the transaction's, not one savepoint per statement.
      attributes->Set("Protocol", "7.4-1");
      break;
    case DriverKind::MariaDb:
      // Without it a server that takes the connection and never greets it holds the login
      // for ever.
      attributes->SetIfMissing("CONN_TIMEOUT", std::to_string(kLoginTimeoutSeconds));
      break;
    case DriverKind::Sqlite3:
      if (auto database = attributes->Get("Database"); database && !database->empty()) {
        attributes->Set("Database", SqliteReadOnlyUri(*database));
      }
      break;
    case DriverKind::Other:
      break;
  }
}

std::string SqliteReadOnlyUri(std::string_view database) {
  if (database == ":memory:") return std::string(database);
  if (database.starts_with("file:")) {
    const std::size_t q = database.find('?');
    std::string uri(database.substr(0, q));
    std::string query;
    if (q != std::string_view::npos) {
      std::string_view rest = database.substr(q + 1);
      while (!rest.empty()) {
        const std::size_t amp = rest.find('&');
        const std::string_view param = rest.substr(0, amp);
        if (!param.starts_with("mode=") && !param.empty()) {
          query += std::string(param) + "&";
        }
        if (amp == std::string_view::npos) break;
        rest.remove_prefix(amp + 1);
      }
    }
    return uri + "?" + query + "mode=ro";
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file:";
  for (const char ch : database) {
    const auto c = static_cast<unsigned char>(ch);
    if (IsUnreservedUriChar(c)) {
      uri += ch;
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    }
  }
  return uri + "?mode=ro";
}

}  // namespace quillet::db::odbc
