#pragma once
// What one colouring pass asks of the editor: reset a range to the base format, then apply the
// coloured ranges in order. Positions are offsets into the text the pass was given; every range
// is half-open, [start, end).

#include <cstddef>
#include <vector>

#include "sqlwindow/char_format.h"

namespace quillet::sqlwindow {

enum class FormatKind { Base, Comment, String, Keyword };

struct ColouredRange {
  std::size_t start = 0;
  std::size_t end = 0;
  FormatKind kind = FormatKind::Base;
  Rgb colour;

  friend bool operator==(const ColouredRange&, const ColouredRange&) = default;
};

struct Colouring {
  // False when there was nothing to colour (an empty range): the editor is left as it is.
  bool base_applied = false;
  std::size_t base_start = 0;
  std::size_t base_end = 0;
  std::vector<ColouredRange> ranges;  // in text order, never overlapping
};

}  // namespace quillet::sqlwindow
