// Text conversion at the provider boundary and the text form of values.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "datasource/text_convert.h"
#include "datasource/value.h"

namespace quillet::db {
namespace {

struct CutCase {
  const char* text;
  std::size_t maxBytes;
  std::size_t expected;
};

class Utf8Cut : public ::testing::TestWithParam<CutCase> {};

TEST_P(Utf8Cut, NeverSplitsACharacter) {
  const auto& c = GetParam();
  const std::string text = c.text;
  const std::size_t cut = Utf8CutLength(text, c.maxBytes);
  EXPECT_EQ(cut, c.expected);
  EXPECT_TRUE(IsValidUtf8(text.substr(0, cut)) || !IsValidUtf8(text));
}

INSTANTIATE_TEST_SUITE_P(Cases, Utf8Cut,
                         ::testing::Values(CutCase{"Zo\xC3\xAB", 3, 2},
                                           CutCase{"\xF0\x9F\x98\x80"
                                                   "a",
                                                   3, 0},
                                           CutCase{"", 0, 0},
                                           CutCase{"a\xE6\x9D", 3,
                                                   3}));  // a broken tail counts byte by byte

TEST(TextConvert, MalformedInputBecomesReplacementCharacters) {
  // A stray continuation byte, an overlong '/', a surrogate encoded in UTF-8, a cut sequence.
  EXPECT_EQ(Utf8ToUtf16("a\x80"
                        "b"),
            u"a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80x"), u"\uFFFD\uFFFD\uFFFDx");
  EXPECT_EQ(Utf8ToUtf16("ok\xE6\x9D"), u"ok\uFFFD\uFFFD");
  // Unpaired surrogates from the wide side.
  const char16_t lone[] = {u'a', 0xD83D, u'b', 0xDE00, 0};
  EXPECT_EQ(Utf16ToUtf8(lone),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
}

TEST(TextConvert, Windows1252HighBytes) {
  EXPECT_EQ(Cp1252ToUtf8("\x80 caf\xE9 \x9F"), "\xE2\x82\xAC caf\xC3\xA9 \xC5\xB8");
  EXPECT_EQ(Cp1252ToUtf8("\x81"), "\xEF\xBF\xBD");
}

TEST(ValueText, RealsReadBackExactly) {
  for (double v : {0.1, 1.0 / 3.0, 2.5e-10, -1e300, 9007199254740993.0, 123456789.125}) {
    const std::string text = FormatReal(v);
    EXPECT_EQ(std::strtod(text.c_str(), nullptr), v) << text;
  }
  EXPECT_EQ(FormatReal(0.1), "0.1");
  EXPECT_EQ(FormatReal(3.0), "3.0");
  EXPECT_EQ(FormatReal(1e20), "1e+20");
  EXPECT_EQ(FormatReal(-2.5), "-2.5");
  EXPECT_EQ(FormatReal(std::nan("")), "NaN");
}

TEST(ValueText, EnginePrintedFormWins) {
  EXPECT_EQ(ValueAsText(CellValue::Real(1e20, "1.0e+20")), "1.0e+20");
  EXPECT_EQ(ValueAsText(CellValue::Integer(-42)), "-42");
  EXPECT_EQ(ValueAsText(CellValue::Null()), "");
}

TEST(ValueConvert, NumbersFromTextAndRanges) {
  EXPECT_EQ(ValueAsInteger(CellValue::Text(" 12 ")), 12);
  EXPECT_EQ(ValueAsInteger(CellValue::Text("1e3")), 1000);
  EXPECT_FALSE(ValueAsInteger(CellValue::Text("12abc")));
  EXPECT_FALSE(ValueAsInteger(CellValue::Text("1.5")));
  EXPECT_FALSE(ValueAsInteger(CellValue::Real(1e19)));
  EXPECT_FALSE(ValueAsInteger(CellValue::Bytes("\x01")));
  EXPECT_EQ(ValueAsReal(CellValue::Text("2.5")), 2.5);
}

TEST(ValueConvert, GuidFromTextAndBytes) {
  const auto fromText = ValueAsGuid(CellValue::Text("{0C733A30-2A1C-11CE-ADE5-00AA0044773D}"));
  ASSERT_TRUE(fromText);
  EXPECT_EQ(*fromText, IID_ISequentialStream);
  EXPECT_EQ(FormatGuid(*fromText), "{0C733A30-2A1C-11CE-ADE5-00AA0044773D}");
  const std::string bytes("\x30\x3A\x73\x0C\x1C\x2A\xCE\x11\xAD\xE5\x00\xAA\x00\x44\x77\x3D", 16);
  EXPECT_EQ(ValueAsGuid(CellValue::Bytes(bytes)), IID_ISequentialStream);
  EXPECT_FALSE(ValueAsGuid(CellValue::Text("{0C733A30-2A1C-11CE-ADE5-00AA0044773}")));
}

}  // namespace
}  // namespace quillet::db
