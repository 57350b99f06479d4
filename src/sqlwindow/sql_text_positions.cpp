#include "sqlwindow/sql_text_positions.h"

#include <algorithm>

namespace quillet::sqlwindow {

namespace {

// UTF-16 units of the character a byte begins: continuation bytes add nothing, a four-byte
// sequence needs a surrogate pair. Counting at the first byte makes an offset inside a character
// map to the position after it.
unsigned UnitsOfByte(unsigned char byte) {
  if (byte < 0x80) return 1;
  if (byte < 0xC0) return 0;
  if (byte < 0xF0) return 1;
  return 2;
}

// U+2028 and U+2029 are E2 80 A8 and E2 80 A9 in UTF-8.
bool IsSeparatorAt(std::string_view text, std::size_t at) {
  return text.size() - at >= 3 && text[at] == '\xE2' && text[at + 1] == '\x80' &&
         (text[at + 2] == '\xA8' || text[at + 2] == '\xA9');
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

// The editor counts positions in int, so 32 bits hold any position it can have.
Utf16PositionMap::Utf16PositionMap(std::string_view utf8) : bytes_(utf8.size()) {
  if (IsAscii(utf8)) return;
  units_.reserve(utf8.size() + 1);
  std::uint32_t position = 0;
  for (char c : utf8) {
    units_.push_back(position);
    position += UnitsOfByte(static_cast<unsigned char>(c));
  }
  units_.push_back(position);
}

std::size_t Utf16PositionMap::ToUtf16(std::size_t byte_offset) const {
  byte_offset = std::min(byte_offset, bytes_);
  return units_.empty() ? byte_offset : units_[byte_offset];
}

NormalisedText NormaliseLineEnds(std::string_view utf8) {
  NormalisedText result;
  const bool needs_map = !IsAscii(utf8) || utf8.find("\r\n") != std::string_view::npos;
  result.text.reserve(utf8.size());
  if (needs_map) result.positions.units_.reserve(utf8.size() + 1);

  std::uint32_t position = 0;  // in the original, UTF-16 units
  for (std::size_t at = 0; at < utf8.size();) {
    if (needs_map) result.positions.units_.push_back(position);
    const char c = utf8[at];
    if (c == '\r' && at + 1 < utf8.size() && utf8[at + 1] == '\n') {
      result.text.push_back('\r');
      position += 2;
      at += 2;
    } else if (c == '\n') {
      result.text.push_back('\r');
      position += 1;
      at += 1;
    } else if (IsSeparatorAt(utf8, at)) {
      result.text.push_back('\r');
      position += 1;
      at += 3;
    } else {
      result.text.push_back(c);
      position += UnitsOfByte(static_cast<unsigned char>(c));
      at += 1;
    }
  }
  if (needs_map) result.positions.units_.push_back(position);
  result.positions.bytes_ = result.text.size();
  return result;
}

Colouring MapToUtf16(const Colouring& colouring, const Utf16PositionMap& map) {
  Colouring mapped = colouring;
  mapped.base_start = map.ToUtf16(colouring.base_start);
  mapped.base_end = map.ToUtf16(colouring.base_end);
  for (ColouredRange& range : mapped.ranges) {
    range.start = map.ToUtf16(range.start);
    range.end = map.ToUtf16(range.end);
  }
  return mapped;
}

}  // namespace quillet::sqlwindow
