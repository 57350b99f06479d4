#pragma once
// Between the editor's document and the text the highlighter scans. The document counts
// positions in UTF-16 units and ends paragraphs with its own separators; the scan reads UTF-8
// bytes with one carriage return per line end.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sqlwindow/sql_colouring.h"

namespace quillet::sqlwindow {

struct NormalisedText;
NormalisedText NormaliseLineEnds(std::string_view utf8);

// Maps byte offsets of a text to positions in the document it came from, in UTF-16 units.
class Utf16PositionMap {
 public:
  Utf16PositionMap() = default;
  // For UTF-8 text taken from the document as it is. The text is expected to be valid UTF-8 (as
  // any editor's text converted to UTF-8 is); broken sequences give wrong positions, never a
  // position past the end.
  explicit Utf16PositionMap(std::string_view utf8);

  // An offset inside a multi-byte character maps to the position after that character; an
  // offset past the end maps to the end.
  std::size_t ToUtf16(std::size_t byte_offset) const;
  std::size_t ByteCount() const { return bytes_; }

 private:
  friend NormalisedText NormaliseLineEnds(std::string_view utf8);

  std::size_t bytes_ = 0;
  // Empty when every byte is one unit at its own offset (plain ASCII, nothing replaced).
  std::vector<std::uint32_t> units_;  // units_[k]: position of byte offset k, for k <= bytes_
};

struct NormalisedText {
  std::string text;            // every line end a single carriage return
  Utf16PositionMap positions;  // byte offset in text -> UTF-16 position in the original
};

// Turns "\r\n", "\n", the paragraph separator U+2029 and the line separator U+2028 into "\r",
// the line end the highlighter expects. A lone "\r" stays.
NormalisedText NormaliseLineEnds(std::string_view utf8);

// The same colouring with every position moved into the document's UTF-16 positions.
Colouring MapToUtf16(const Colouring& colouring, const Utf16PositionMap& map);

}  // namespace quillet::sqlwindow
