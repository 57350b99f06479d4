#include "sqlwindow/history_key.h"

#include <cstdint>

#include "config/key_path.h"

namespace quillet::sqlwindow {
namespace {

// Key names on the platform's registry hold at most 255 characters; keep well below that.
constexpr std::size_t kMaxKeyNameBytes = 200;
// What a cut name keeps before its hash.
constexpr std::size_t kKeptBytes = 160;

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool IsPasswordKey(std::string_view key) {
  while (!key.empty() && IsBlank(key.front())) key.remove_prefix(1);
  while (!key.empty() && IsBlank(key.back())) key.remove_suffix(1);
  std::string lower;
  for (char c : key) lower += LowerAscii(c);
  return lower == "pwd" || lower == "passwd" || lower.ends_with("password");
}

// Where the value that starts at `pos` ends: after its quoted or braced part (a doubled closing
// character stands for itself), at the next ';' or the end. An unclosed quote runs to the end,
// so a broken string loses more rather than showing a secret.
std::size_t ValueEnd(std::string_view text, std::size_t pos) {
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'' || text[pos] == '{')) {
    const char close = text[pos] == '{' ? '}' : text[pos];
    for (++pos; pos < text.size(); ++pos) {
      if (text[pos] != close) continue;
      if (pos + 1 < text.size() && text[pos + 1] == close) {
        ++pos;
        continue;
      }
      ++pos;
      break;
    }
  }
  const std::size_t semicolon = text.find(';', pos);
  return semicolon == std::string_view::npos ? text.size() : semicolon;
}

// FNV-1a over the name with ASCII letters lowered: the store compares key names without case,
// so names that differ only in case share a key either way.
std::uint64_t NameHash(std::string_view text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (char c : text) {
    hash ^= static_cast<unsigned char>(LowerAscii(c));
    hash *= 1099511628211ull;
  }
  return hash;
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

std::string WithoutPasswords(std::string_view text) {
  std::string result;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t stop = text.find_first_of("=;", pos);
    if (stop == std::string_view::npos) {
      result.append(text.substr(pos));
      break;
    }
    if (text[stop] == ';') {  // a piece without a value
      result.append(text.substr(pos, stop + 1 - pos));
      pos = stop + 1;
      continue;
    }
    const std::size_t end = ValueEnd(text, stop + 1);
    const std::size_t next = end < text.size() ? end + 1 : end;  // with its ';'
    if (!IsPasswordKey(text.substr(pos, stop - pos))) result.append(text.substr(pos, next - pos));
    pos = next;
  }
  return result;
}

std::string HistoryKeyName(std::string_view displayName) {
  const std::string clean = WithoutPasswords(displayName);
  // No display name escapes to a lone '%', so it names the history of a connection without one.
  if (clean.empty()) return "%";
  std::string name;
  for (char c : clean) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\' || c == '%' || byte < 0x20 || byte == 0x7f) {
      name += '%';
      name += kHexDigits[byte >> 4];
      name += kHexDigits[byte & 15];
    } else {
      name += c;
    }
  }
  if (name.size() <= kMaxKeyNameBytes) return name;

  // The cut neither splits an escape nor a UTF-8 sequence.
  std::size_t cut = kKeptBytes;
  if (name[cut - 1] == '%') {
    cut -= 1;
  } else if (name[cut - 2] == '%') {
    cut -= 2;
  }
  while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
  name.resize(cut);
  name += '~';
  const std::uint64_t hash = NameHash(clean);
  for (int shift = 60; shift >= 0; shift -= 4) name += kHexDigits[(hash >> shift) & 15];
  return name;
}

std::string HistoryKeyPath(std::string_view displayName) {
  return std::string(config::kRootKeyPath) + "\\" + kQueryHistoryKeyName + "\\" +
         HistoryKeyName(displayName);
}

}  // namespace quillet::sqlwindow
