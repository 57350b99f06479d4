#include "datasource/init_string.h"

#include <algorithm>

namespace quillet::db {
namespace {

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool IsInitBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view TrimInitBlanks(std::string_view s) {
  while (!s.empty() && IsInitBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsInitBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string QuotePieceForError(std::string_view piece) {
  std::string out = "\"";
  for (const char c : piece) {
    const auto byte = static_cast<unsigned char>(c);
    out.push_back(byte < 0x20 || byte == 0x7F ? ' ' : c);
  }
  out.push_back('"');
  return out;
}

bool InitKeyEquals(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

std::optional<InitProperties> InitProperties::Parse(std::string_view text, std::string* error) {
  InitProperties result;
  const auto fail = [error](std::string why) -> std::optional<InitProperties> {
    if (error != nullptr) *error = std::move(why);
    return std::nullopt;
  };
  std::size_t pos = 0;
  while (pos < text.size()) {
    // Key: up to '=' (or the end of the piece, which is an error unless the piece is blank).
    const std::size_t keyEnd = text.find_first_of("=;", pos);
    if (keyEnd == std::string_view::npos || text[keyEnd] == ';') {
      const std::size_t pieceEnd = keyEnd == std::string_view::npos ? text.size() : keyEnd;
      const std::string_view piece = TrimInitBlanks(text.substr(pos, pieceEnd - pos));
      if (!piece.empty()) return fail(QuotePieceForError(piece) + " has no value (no '=')");
      pos = pieceEnd + 1;
      continue;
    }
    const std::string_view key = TrimInitBlanks(text.substr(pos, keyEnd - pos));
    if (key.empty())
      return fail("a value at position " + std::to_string(keyEnd + 1) + " has no key");
    pos = keyEnd + 1;
    while (pos < text.size() && IsInitBlank(text[pos])) ++pos;

    std::string value;
    if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'')) {
      const char quote = text[pos++];
      bool closed = false;
      while (pos < text.size()) {
        if (text[pos] == quote) {
          if (pos + 1 < text.size() && text[pos + 1] == quote) {
            value.push_back(quote);
            pos += 2;
            continue;
          }
          ++pos;
          closed = true;
          break;
        }
        value.push_back(text[pos++]);
      }
      if (!closed) return fail("the value of " + QuotePieceForError(key) + " has no closing quote");
      while (pos < text.size() && IsInitBlank(text[pos])) ++pos;
      if (pos < text.size() && text[pos] != ';') {
        return fail("unexpected text after the quoted value of " + QuotePieceForError(key));
      }
    } else {
      const std::size_t end = std::min(text.find(';', pos), text.size());
      value = std::string(TrimInitBlanks(text.substr(pos, end - pos)));
      pos = end;
    }
    ++pos;  // past ';' (or past the end)
    result.Set(key, value);
  }
  return result;
}

std::optional<std::string> InitProperties::Get(std::string_view key) const {
  for (const auto& item : items_) {
    if (InitKeyEquals(item.key, key)) return item.value;
  }
  return std::nullopt;
}

std::string InitProperties::GetOr(std::string_view key, std::string_view fallback) const {
  auto value = Get(key);
  return value ? *value : std::string(fallback);
}

void InitProperties::Set(std::string_view key, std::string_view value) {
  for (auto& item : items_) {
    if (InitKeyEquals(item.key, key)) {
      item.value = std::string(value);
      return;
    }
  }
  items_.push_back({std::string(key), std::string(value)});
}

void InitProperties::Remove(std::string_view key) {
  std::erase_if(items_, [key](const InitProperty& item) { return InitKeyEquals(item.key, key); });
}

std::string QuoteInitValue(std::string_view value) {
  const bool needs = value.find_first_of(";\"'") != std::string_view::npos ||
                     (!value.empty() && (IsInitBlank(value.front()) || IsInitBlank(value.back())));
  if (!needs) return std::string(value);
  // Prefer the quote that does not occur, so the value reads as typed.
  const char quote =
      value.find('"') != std::string_view::npos && value.find('\'') == std::string_view::npos ? '\''
                                                                                              : '"';
  std::string out(1, quote);
  for (char c : value) {
    out.push_back(c);
    if (c == quote) out.push_back(quote);
  }
  out.push_back(quote);
  return out;
}

std::string InitProperties::Compose() const {
  std::string out;
  for (const auto& item : items_) {
    out += item.key;
    out += '=';
    out += QuoteInitValue(item.value);
    out += ';';
  }
  return out;
}

}  // namespace quillet::db
