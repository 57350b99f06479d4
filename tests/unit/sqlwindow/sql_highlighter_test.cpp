// The highlighter's colouring, drawn as one mask letter per byte of the text:
// '-' left alone, '.' base format, 'k' keyword, 's' string, 'c' comment.

#include "sqlwindow/sql_highlighter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace quillet::sqlwindow {
namespace {

char MaskLetter(FormatKind kind) {
  switch (kind) {
    case FormatKind::Keyword:
      return 'k';
    case FormatKind::String:
      return 's';
    case FormatKind::Comment:
      return 'c';
    case FormatKind::Base:
      break;
  }
  return '.';
}

// Draws the colouring and checks what a mask cannot show: ranges in order, inside the reset
// range, not overlapping, each in its kind's colour.
std::string Mask(const Colouring& colouring, std::size_t text_size) {
  std::string mask(text_size, '-');
  if (!colouring.base_applied) {
    EXPECT_TRUE(colouring.ranges.empty());
    return mask;
  }
  EXPECT_LE(colouring.base_end, text_size);
  std::fill(mask.begin() + colouring.base_start, mask.begin() + colouring.base_end, '.');
  std::size_t previous_end = colouring.base_start;
  for (const ColouredRange& range : colouring.ranges) {
    EXPECT_LE(previous_end, range.start);
    EXPECT_LT(range.start, range.end);
    EXPECT_LE(range.end, colouring.base_end);
    previous_end = range.end;
    const Rgb expected = range.kind == FormatKind::Keyword  ? kKeywordColour
                         : range.kind == FormatKind::String ? kStringColour
                                                            : kCommentColour;
    EXPECT_EQ(range.colour, expected);
    std::fill(mask.begin() + range.start, mask.begin() + std::min(range.end, text_size),
              MaskLetter(range.kind));
  }
  return mask;
}

struct ColourCase {
  const char* name;
  std::string text;
  std::ptrdiff_t first;
  std::ptrdiff_t last;
  std::string mask;
};

void PrintTo(const ColourCase& c, std::ostream* out) {
  *out << c.name;
}

class SqlColouring : public testing::TestWithParam<ColourCase> {};

TEST_P(SqlColouring, ColoursTheRangeAsTheMaskShows) {
  const ColourCase& c = GetParam();
  ASSERT_EQ(c.mask.size(), c.text.size()) << "the case's mask must cover every byte";
  const SqlHighlighter highlighter;
  EXPECT_EQ(Mask(highlighter.Colour(c.text, c.first, c.last), c.text.size()), c.mask)
      << "text: " << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, SqlColouring,
    testing::Values(
        // Keywords and their delimiters.
        ColourCase{"Query", "select * from t where a like 'x%'", 0, -1,
                   "kkkkkk...kkkk...kkkkk...kkkk.ssss"},
        ColourCase{"CommaIsNoDelimiter", "select,from", 0, -1, "..........."},
        ColourCase{"FirstAndLastWord", "from t order by", 0, -1, "kkkk...kkkkk.kk"},
        ColourCase{"TabSemicolonBrackets", "select\tfrom;[set]{by}", 0, -1,
                   "kkkkkk.kkkk..kkk..kk."},
        ColourCase{"OperatorsAreNoDelimiters", "a=select t.from -by", 0, -1, "..................."},
        ColourCase{"LineFeedIsNoDelimiter", "select\nfrom", 0, -1, "..........."},
        ColourCase{"CarriageReturnIsADelimiter", "select\rfrom", 0, -1, "kkkkkk.kkkk"},
        ColourCase{"NotAKeyword", "and or not null join", 0, -1, "...................."},
        // Strings.
        ColourCase{"KeywordInsideString", "'select' from", 0, -1, "ssssssss.kkkk"},
        ColourCase{"DoubleQuotedCannotHoldAQuote", "\"a\"b\" from", 0, -1, "sss.ssssss"},
        ColourCase{"UnclosedDoubleQuoted", "select \"from t", 0, -1, "kkkkkk.sssssss"},
        ColourCase{"UnclosedSingleQuoted", "select 'from", 0, -1, "kkkkkk.sssss"},
        ColourCase{"BackslashQuoteThenLetterEndsString", "'it\\'s' from", 0, -1, "sssss.ssssss"},
        ColourCase{"BackslashQuoteThenQuoteStaysOpen", "'a\\'' from", 0, -1, "sssss.kkkk"},
        ColourCase{"WordRightAfterStringIsNotAKeyword", "'x'from", 0, -1, "sss...."},
        // Comments.
        ColourCase{"TwoHyphensAreNoComment", "-- select --from", 0, -1, "...kkkkkk......."},
        ColourCase{"LineCommentTakesItsLineEnd", "// select\rfrom", 0, -1, "cccccccccckkkk"},
        ColourCase{"UnclosedLineComment", "select // from", 0, -1, "kkkkkk.ccccccc"},
        ColourCase{"BackslashTwoBeforeLineEndContinues", "// a\\b\rfrom", 0, -1, "ccccccccccc"},
        ColourCase{"BackslashJustBeforeLineEndEnds", "// a\\\rfrom", 0, -1, "cccccckkkk"},
        ColourCase{"BlockComment", "/* select */ from", 0, -1, "cccccccccccc.kkkk"},
        ColourCase{"SlashStarSlashDoesNotClose", "/*/ from */ set", 0, -1, "ccccccccccc.kkk"},
        ColourCase{"WordRightAfterCommentIsNotAKeyword", "/**/from", 0, -1, "cccc...."},
        ColourCase{"UnclosedBlockComment", "select /* from", 0, -1, "kkkkkk.ccccccc"},
        ColourCase{"LoneSlash", "a / select", 0, -1, "....kkkkkk"},
        // Ranges.
        ColourCase{"InnerRange", "ab select from t", 3, 13, "---kkkkkk.kkkk--"},
        ColourCase{"RangeStartingInsideAWord", "xselect from", 1, 11, "-kkkkkk.kkkk"},
        ColourCase{"RangeEndEndsAWord", "select from", 0, 5, "kkkkkk-----"},
        ColourCase{"RangeCuttingAWord", "select", 0, 3, "....--"},
        ColourCase{"StringUnclosedWithinRange", "'abc' x", 0, 2, "sss----"},
        ColourCase{"RangeBeyondTheText", "select", 10, 20, "------"},
        ColourCase{"EmptyRange", "select", 3, 2, "------"}, ColourCase{"EmptyText", "", 0, -1, ""},
        // Bytes of multi-byte characters are positions of their own and no delimiters.
        ColourCase{"MultiByteBeforeKeyword", "\xC3\xA9 select", 0, -1, "...kkkkkk"},
        ColourCase{"MultiByteGluedToKeyword", "\xC3\xA9select", 0, -1, "........"},
        ColourCase{"MultiByteInString", "'\xE2\x82\xAC' from", 0, -1, "sssss.kkkk"},
        ColourCase{"RangeAfterMultiByte", "\xC3\xA9 from", 2, 6, "--.kkkk"}),
    [](const testing::TestParamInfo<ColourCase>& param_info) {
      return std::string(param_info.param.name);
    });

TEST(SqlHighlighterSetUp, AddedWordsReplaceTheirColourAndStartMatching) {
  SqlHighlighter highlighter;
  const Rgb red{255, 0, 0};
  highlighter.AddKeywords(",join,,select,", red);
  EXPECT_EQ(highlighter.Keywords().size(), 48u);

  const Colouring colouring = highlighter.Colour("select a join b from c", 0, -1);
  ASSERT_EQ(colouring.ranges.size(), 3u);
  EXPECT_EQ(colouring.ranges[0], (ColouredRange{0, 6, FormatKind::Keyword, red}));
  EXPECT_EQ(colouring.ranges[1], (ColouredRange{9, 13, FormatKind::Keyword, red}));
  EXPECT_EQ(colouring.ranges[2], (ColouredRange{16, 20, FormatKind::Keyword, kKeywordColour}));
  EXPECT_EQ(highlighter.FormatOf(colouring.ranges[0]).colour, red);
}

}  // namespace
}  // namespace quillet::sqlwindow
