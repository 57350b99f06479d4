#pragma once
// Initialization strings: "Key=Value;Key2='quoted; value';". Keys compare without letter case;
// every key keeps its place and spelling, so a string read and written again keeps keys this
// program does not know.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::db {

struct InitProperty {
  std::string key;  // as written, blanks trimmed
  std::string value;
};

class InitProperties {
 public:
  // Parses a string. Values may be quoted with ' or " (a doubled quote inside stands for one);
  // blanks around keys and unquoted values are trimmed; empty pieces (";;") are skipped. A later
  // key of the same name replaces the earlier value. Fails (std::nullopt, `error` set to one
  // line) on an unterminated quote, text after a closing quote, or a piece without "=".
  static std::optional<InitProperties> Parse(std::string_view text, std::string* error = nullptr);

  // Value of `key` (any letter case), or std::nullopt.
  std::optional<std::string> Get(std::string_view key) const;
  // Value of `key`, or "" when missing.
  std::string GetOr(std::string_view key, std::string_view fallback = {}) const;
  // Replaces the value of an existing key (keeping its place) or appends it.
  void Set(std::string_view key, std::string_view value);
  void Remove(std::string_view key);

  const std::vector<InitProperty>& items() const { return items_; }
  bool empty() const { return items_.empty(); }

  // "Key=Value;" for every property. Values are quoted only when they need it (a ';', a quote,
  // or blanks at either end), so simple strings stay as users type them.
  std::string Compose() const;

 private:
  std::vector<InitProperty> items_;
};

// Quotes a value for an initialization string when it needs it.
std::string QuoteInitValue(std::string_view value);

// Key comparison of initialization strings (ASCII letters without case).
bool InitKeyEquals(std::string_view a, std::string_view b);

// The blanks trimmed around keys and unquoted values: space, tab, line feed, vertical tab, form
// feed and carriage return. The ODBC connection string parser trims the same set, so a key that
// survives one parser survives the other.
bool IsInitBlank(char c);
std::string_view TrimInitBlanks(std::string_view s);

// A piece of the parsed text for an error message: in double quotes, its control characters
// (line breaks among them) shown as spaces so the message stays one line.
std::string QuotePieceForError(std::string_view piece);

}  // namespace quillet::db
