// From the editor's document to the scan text and back: line ends become carriage returns and
// byte offsets map onto the document's UTF-16 positions.

#include "sqlwindow/sql_text_positions.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "sqlwindow/sql_highlighter.h"

namespace quillet::sqlwindow {
namespace {

struct LineEndCase {
  const char* name;
  std::string document;
  std::string scan_text;
  // byte offset in the scan text -> UTF-16 position in the document
  std::vector<std::pair<std::size_t, std::size_t>> positions;
};

class LineEnds : public testing::TestWithParam<LineEndCase> {};

TEST_P(LineEnds, BecomeCarriageReturnsWithPositionsKept) {
  const LineEndCase& c = GetParam();
  const NormalisedText normalised = NormaliseLineEnds(c.document);
  EXPECT_EQ(normalised.text, c.scan_text);
  EXPECT_EQ(normalised.positions.ByteCount(), c.scan_text.size());
  for (const auto& [offset, position] : c.positions) {
    EXPECT_EQ(normalised.positions.ToUtf16(offset), position) << "byte offset " << offset;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Documents, LineEnds,
    testing::Values(
        LineEndCase{"Empty", "", "", {{0, 0}, {5, 0}}},
        LineEndCase{"LineFeed", "a\nb", "a\rb", {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
        LineEndCase{"CarriageReturnStays", "a\rb", "a\rb", {{2, 2}}},
        LineEndCase{"CarriageReturnLineFeed", "a\r\nb", "a\rb", {{1, 1}, {2, 3}, {3, 4}}},
        LineEndCase{"BlankLines", "\r\n\r\n", "\r\r", {{0, 0}, {1, 2}, {2, 4}}},
        LineEndCase{"ParagraphSeparator",
                    "a\xE2\x80\xA9"
                    "b",
                    "a\rb",
                    {{2, 2}, {3, 3}}},
        LineEndCase{"LineSeparator",
                    "a\xE2\x80\xA8"
                    "b",
                    "a\rb",
                    {{2, 2}, {3, 3}}},
        LineEndCase{"TwoByteCharacter",
                    "\xC3\xA9x\n",
                    "\xC3\xA9x\r",
                    {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 3}}},
        LineEndCase{
            "SurrogatePair", "\xF0\x9F\x98\x80x", "\xF0\x9F\x98\x80x", {{0, 0}, {4, 2}, {5, 3}}},
        LineEndCase{"PastTheEnd", "ab\r\n", "ab\r", {{3, 4}, {99, 4}}}),
    [](const testing::TestParamInfo<LineEndCase>& param_info) {
      return std::string(param_info.param.name);
    });

TEST(Utf16Positions, ColouringOfAnEditorsTextLandsOnItsCharacters) {
  // The document as the editor gives it: e-acute, a keyword, a paragraph end, an emoji.
  const std::string document = "\xC3\xA9 select\n\xF0\x9F\x98\x80 from 'x' -- \xC3\xA9";
  const NormalisedText scan = NormaliseLineEnds(document);
  const SqlHighlighter highlighter;
  const Colouring colouring = MapToUtf16(highlighter.Colour(scan.text, 0, -1), scan.positions);

  // UTF-16: e-acute 0, blank 1, select 2-7, line end 8, emoji 9-10, blank 11, from 12-15,
  // blank 16, 'x' 17-19, blank 20, hyphens 21-22, blank 23, e-acute 24; 25 units in all.
  EXPECT_TRUE(colouring.base_applied);
  EXPECT_EQ(colouring.base_start, 0u);
  EXPECT_EQ(colouring.base_end, 25u);
  const std::vector<ColouredRange> expected = {
      {2, 8, FormatKind::Keyword, kKeywordColour},
      {12, 16, FormatKind::Keyword, kKeywordColour},
      {17, 20, FormatKind::String, kStringColour},
  };
  EXPECT_EQ(colouring.ranges, expected);
}

}  // namespace
}  // namespace quillet::sqlwindow
