// The highlighter scan over any bytes and any range: ranges stay in order inside the coloured
// part of the text, and a range reaching past the text colours as one cut at its end.

#include <cstddef>
#include <limits>

#include "fuzz_input.h"
#include "sqlwindow/sql_highlighter.h"

namespace {

using quillet::sqlwindow::Colouring;
using quillet::sqlwindow::SqlHighlighter;

const SqlHighlighter& Highlighter() {
  static const SqlHighlighter highlighter;
  return highlighter;
}

void CheckShape(const Colouring& colouring, std::size_t textSize) {
  if (!colouring.base_applied) {
    QUILLET_FUZZ_CHECK(colouring.ranges.empty());
    return;
  }
  QUILLET_FUZZ_CHECK(colouring.base_start < colouring.base_end);
  QUILLET_FUZZ_CHECK(colouring.base_end <= textSize);
  std::size_t previousEnd = colouring.base_start;
  for (const auto& range : colouring.ranges) {
    QUILLET_FUZZ_CHECK(previousEnd <= range.start);
    QUILLET_FUZZ_CHECK(range.start < range.end);
    QUILLET_FUZZ_CHECK(range.end <= colouring.base_end);
    previousEnd = range.end;
  }
}

bool SameColouring(const Colouring& a, const Colouring& b) {
  return a.base_applied == b.base_applied && a.base_start == b.base_start &&
         a.base_end == b.base_end && a.ranges == b.ranges;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quillet::fuzz::FuzzInput input(data, size);
  const auto first = input.Take<std::ptrdiff_t>();
  const auto last = input.Take<std::ptrdiff_t>();
  const std::string_view text = input.Rest();
  const auto textSize = static_cast<std::ptrdiff_t>(text.size());
  const SqlHighlighter& highlighter = Highlighter();

  const Colouring colouring = highlighter.Colour(text, first, last);
  CheckShape(colouring, text.size());
  if (last < 0 || last >= textSize) {
    QUILLET_FUZZ_CHECK(SameColouring(colouring, highlighter.Colour(text, first, -1)));
  }
  CheckShape(highlighter.Colour(text, 0, std::numeric_limits<std::ptrdiff_t>::max()), text.size());
  CheckShape(highlighter.Colour(text, std::numeric_limits<std::ptrdiff_t>::min(), last),
             text.size());

  // Every range inside a short text.
  if (text.size() <= 24) {
    for (std::ptrdiff_t from = 0; from < textSize; ++from) {
      for (std::ptrdiff_t to = from; to < textSize; ++to) {
        const Colouring part = highlighter.Colour(text, from, to);
        CheckShape(part, text.size());
        QUILLET_FUZZ_CHECK(part.base_start == static_cast<std::size_t>(from));
        QUILLET_FUZZ_CHECK(part.base_end == static_cast<std::size_t>(to + 1));
      }
    }
  }
  return 0;
}
