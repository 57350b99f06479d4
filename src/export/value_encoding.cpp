#include "export/value_encoding.h"

#include <cstdint>
#include <cstring>

namespace quillet::exporting {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr char kBase64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Bytes at p (`left` of them) that follow the pattern of one UTF-8 sequence, and whether they
// make a whole one. When they do not, they are the "maximal subpart" that one U+FFFD replaces,
// as Unicode recommends and as Python and browsers decode.
std::size_t ScanSequence(const unsigned char* p, std::size_t left, bool* whole) {
  const unsigned char c = p[0];
  *whole = c < 0x80;
  if (c < 0x80) return 1;
  std::size_t need = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    need = 1;
  } else if (c >= 0xE0 && c <= 0xEF) {
    need = 2;
    if (c == 0xE0) low = 0xA0;   // overlong below
    if (c == 0xED) high = 0x9F;  // surrogates above
  } else if (c >= 0xF0 && c <= 0xF4) {
    need = 3;
    if (c == 0xF0) low = 0x90;   // overlong below
    if (c == 0xF4) high = 0x8F;  // beyond U+10FFFF above
  } else {
    return 1;
  }
  std::size_t n = 1;
  while (n <= need && n < left && p[n] >= low && p[n] <= high) {
    low = 0x80;
    high = 0xBF;
    ++n;
  }
  *whole = n == need + 1;
  return n;
}

// Where the first byte that starts no valid sequence is; text.size() when there is none.
std::size_t FirstInvalid(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  std::size_t i = 0;
  while (i < size) {
    // Eight ASCII bytes at a time: most text is mostly ASCII.
    if (i + 8 <= size) {
      std::uint64_t word;
      std::memcpy(&word, p + i, 8);
      if ((word & 0x8080808080808080ull) == 0) {
        i += 8;
        continue;
      }
    }
    bool whole = false;
    const std::size_t n = ScanSequence(p + i, size - i, &whole);
    if (!whole) return i;
    i += n;
  }
  return size;
}

bool EqualsNoCase(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lower[i]) return false;
  }
  return true;
}

// Four digits for three bytes.
void EncodeGroup(char* to, const unsigned char* p) {
  to[0] = kBase64Digits[p[0] >> 2];
  to[1] = kBase64Digits[((p[0] & 0x03) << 4) | (p[1] >> 4)];
  to[2] = kBase64Digits[((p[1] & 0x0F) << 2) | (p[2] >> 6)];
  to[3] = kBase64Digits[p[2] & 0x3F];
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Appends `text` with every `quote` doubled, between two quotes.
void AppendQuoted(std::string& out, std::string_view text, char quote) {
  out += quote;
  std::size_t start = 0;
  for (std::size_t i = text.find(quote); i != std::string_view::npos; i = text.find(quote, i + 1)) {
    out.append(text.data() + start, i + 1 - start);
    out += quote;
    start = i + 1;
  }
  out.append(text.data() + start, text.size() - start);
  out += quote;
}

}  // namespace

std::string_view ValidUtf8(std::string_view text, std::string& scratch) {
  std::size_t bad = FirstInvalid(text);
  if (bad == text.size()) return text;
  scratch.assign(text.data(), bad);
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t i = bad;
  while (i < text.size()) {
    bool whole = false;
    const std::size_t n = ScanSequence(p + i, text.size() - i, &whole);
    if (whole)
      scratch.append(text.data() + i, n);
    else
      scratch += kReplacement;
    i += n;
  }
  return scratch;
}

void AppendHex(std::string& out, std::string_view bytes) {
  const std::size_t start = out.size();
  out.resize(start + 2 * bytes.size());
  char* to = out.data() + start;
  for (const char b : bytes) {
    const auto c = static_cast<unsigned char>(b);
    *to++ = kHexDigits[c >> 4];
    *to++ = kHexDigits[c & 0x0F];
  }
}

void Base64Stream::Add(std::string& out, std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t left = bytes.size();
  // Complete the group the last piece began.
  while (carried_ > 0 && left > 0) {
    carry_[carried_++] = *p++;
    --left;
    if (carried_ == 3) {
      out.resize(out.size() + 4);
      EncodeGroup(out.data() + out.size() - 4, carry_);
      carried_ = 0;
    }
  }
  const std::size_t groups = left / 3;
  const std::size_t start = out.size();
  out.resize(start + 4 * groups);
  char* to = out.data() + start;
  for (std::size_t g = 0; g < groups; ++g, p += 3, to += 4) EncodeGroup(to, p);
  left -= 3 * groups;
  while (left-- > 0) carry_[carried_++] = *p++;
}

void Base64Stream::Finish(std::string& out) {
  if (carried_ == 1) {
    out += kBase64Digits[carry_[0] >> 2];
    out += kBase64Digits[(carry_[0] & 0x03) << 4];
    out += "==";
  } else if (carried_ == 2) {
    out += kBase64Digits[carry_[0] >> 2];
    out += kBase64Digits[((carry_[0] & 0x03) << 4) | (carry_[1] >> 4)];
    out += kBase64Digits[(carry_[1] & 0x0F) << 2];
    out += '=';
  }
  carried_ = 0;
}

void AppendBase64(std::string& out, std::string_view bytes) {
  Base64Stream stream;
  stream.Add(out, bytes);
  stream.Finish(out);
}

void AppendJsonString(std::string& out, std::string_view text) {
  out += '"';
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c != '"' && c != '\\') continue;
    out.append(text.data() + start, i - start);
    start = i + 1;
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default: {
        const char escape[] = {'\\', 'u', '0', '0', kHexDigits[c >> 4], kHexDigits[c & 0x0F]};
        out.append(escape, sizeof escape);
      }
    }
  }
  out.append(text.data() + start, text.size() - start);
  out += '"';
}

bool IsJsonNumber(std::string_view text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  if (i < n && text[i] == '-') ++i;
  if (i >= n || !IsDigit(text[i])) return false;
  if (text[i] == '0') {
    ++i;
  } else {
    while (i < n && IsDigit(text[i])) ++i;
  }
  if (i < n && text[i] == '.') {
    ++i;
    if (i >= n || !IsDigit(text[i])) return false;
    while (i < n && IsDigit(text[i])) ++i;
  }
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    if (i >= n || !IsDigit(text[i])) return false;
    while (i < n && IsDigit(text[i])) ++i;
  }
  return i == n;
}

std::optional<bool> ReadBoolean(std::string_view text) {
  if (text == "1" || EqualsNoCase(text, "t") || EqualsNoCase(text, "true")) return true;
  if (text == "0" || EqualsNoCase(text, "f") || EqualsNoCase(text, "false")) return false;
  return std::nullopt;
}

void AppendSqlString(std::string& out, std::string_view text) {
  AppendQuoted(out, text, '\'');
}

void AppendSqlIdentifier(std::string& out, std::string_view name) {
  AppendQuoted(out, name, '"');
}

bool CsvNeedsQuotes(std::string_view text, std::string_view separator) {
  if (text.empty()) return false;
  if (text.front() == ' ' || text.back() == ' ') return true;
  if (separator.size() == 1) {
    const char s = separator[0];
    for (const char c : text) {
      if (c == s || c == '"' || c == '\n' || c == '\r') return true;
    }
    return false;
  }
  return text.find_first_of("\"\r\n") != std::string_view::npos ||
         text.find(separator) != std::string_view::npos;
}

void AppendCsvQuoted(std::string& out, std::string_view text) {
  AppendQuoted(out, text, '"');
}

}  // namespace quillet::exporting
