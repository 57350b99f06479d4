#pragma once
// The pieces every export format is written with: UTF-8 mending, hex and base64, and the
// quoting rules of CSV, JSON and SQL. Each appends to an output buffer, so a value is written
// without a copy of its own.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quillet::exporting {

// `text` when it is valid UTF-8; otherwise a copy in `scratch` in which U+FFFD stands for each
// piece that is no valid sequence (a stray continuation byte, a cut sequence, an overlong form,
// a surrogate), one for each maximal such piece as Unicode recommends.
std::string_view ValidUtf8(std::string_view text, std::string& scratch);

// Upper-case hex digits, two per byte.
void AppendHex(std::string& out, std::string_view bytes);

// Standard base64 (RFC 4648, with padding) of a value that arrives in pieces.
class Base64Stream {
 public:
  void Add(std::string& out, std::string_view bytes);
  // Writes the last one or two bytes and the padding.
  void Finish(std::string& out);

 private:
  unsigned char carry_[3] = {};
  std::size_t carried_ = 0;
};
void AppendBase64(std::string& out, std::string_view bytes);

// A JSON string, quotes included: '"', '\\' and every control character escaped. `text` must be
// valid UTF-8 (see ValidUtf8); it is otherwise copied as it is.
void AppendJsonString(std::string& out, std::string_view text);

// True for a JSON number: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?. Such a text is also a
// numeric literal of SQL.
bool IsJsonNumber(std::string_view text);

// true for "1", "t", "true"; false for "0", "f", "false" (without letter case); std::nullopt
// for anything else, which is then written as the text it is.
std::optional<bool> ReadBoolean(std::string_view text);

// 'text' with every quote doubled.
void AppendSqlString(std::string& out, std::string_view text);
// "name" with every double quote doubled.
void AppendSqlIdentifier(std::string& out, std::string_view name);

// True when a CSV field must be quoted: it holds a quote, CR, LF or `separator`, or starts or
// ends with a space.
bool CsvNeedsQuotes(std::string_view text, std::string_view separator);
// "text" with every quote doubled.
void AppendCsvQuoted(std::string& out, std::string_view text);

}  // namespace quillet::exporting
