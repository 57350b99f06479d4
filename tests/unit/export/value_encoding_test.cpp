// The building blocks of the formats: UTF-8 mending as Python and browsers decode, JSON and
// CSV quoting, numbers that may stay unquoted, and base64 that comes out the same whatever
// pieces a long value arrives in.

#include "export/value_encoding.h"

#include <gtest/gtest.h>

#include "export/export_format.h"

namespace quillet::exporting {
namespace {

const std::string kFffd = "\xEF\xBF\xBD";

TEST(ValidUtf8, KeepsValidTextAndReplacesEachBrokenPieceOnce) {
  std::string scratch;
  const std::string valid = "plain, Zoë, 東京, 🚀";
  EXPECT_EQ(ValidUtf8(valid, scratch).data(), valid.data());  // no copy

  const struct {
    std::string in, out;
  } cases[] = {
      {"a\xFF"
       "b",
       "a" + kFffd + "b"},
      {"cut \xE2\x82", "cut " + kFffd},                            // one for the cut sequence
      {"\xF0\x9F\x98x", kFffd + "x"},                              // a cut emoji
      {"\xC0\xAF", kFffd + kFffd},                                 // overlong
      {"\xED\xA0\x80", kFffd + kFffd + kFffd},                     // a surrogate
      {"\xF4\x90\x80\x80", kFffd + kFffd + kFffd + kFffd},         // above U+10FFFF
      {"\x80\x80 ok", kFffd + kFffd + " ok"},                      // stray continuations
      {std::string("nul\0kept", 8), std::string("nul\0kept", 8)},  // NUL is valid
  };
  for (const auto& c : cases) EXPECT_EQ(ValidUtf8(c.in, scratch), c.out) << c.in;
}

TEST(JsonString, EscapesQuotesBackslashesAndControlCharacters) {
  const char raw[] = "q\"b\\n\n\r\t\b\f\x01\x1F\x7F 🚀\0";
  std::string out;
  AppendJsonString(out, std::string(raw, sizeof raw - 1));
  EXPECT_EQ(out, "\"q\\\"b\\\\n\\n\\r\\t\\b\\f\\u0001\\u001F\x7F 🚀\\u0000\"");
}

TEST(JsonNumber, AcceptsOnlyJsonsGrammar) {
  for (const char* yes : {"0", "-0", "12", "-12.5", "1e+20", "1E-7", "0.25", "9223372036854775807",
                          "18446744073709551615", "123456789012345678901234567890.5"})
    EXPECT_TRUE(IsJsonNumber(yes)) << yes;
  for (const char* no : {"", "-", "+1", "01", ".5", "5.", "1e", "1e+", "Inf", "-Inf", "NaN",
                         "Infinity", "0x10", " 1", "1 ", "1,5", "12abc"})
    EXPECT_FALSE(IsJsonNumber(no)) << no;
}

TEST(CsvQuoting, QuotesOnlyWhatAReaderWouldMisread) {
  for (const char* plain : {"plain text", "a;b", "tab\there"})
    EXPECT_FALSE(CsvNeedsQuotes(plain, ",")) << plain;
  for (const char* quoted : {"a,b", "say \"x\"", "two\nlines", "cr\r", " lead", "trail "})
    EXPECT_TRUE(CsvNeedsQuotes(quoted, ",")) << quoted;
  EXPECT_TRUE(CsvNeedsQuotes("a;b", ";"));
  EXPECT_TRUE(CsvNeedsQuotes("a§b", "§"));
  // The first byte of a separator of two bytes is not the separator.
  EXPECT_FALSE(
      CsvNeedsQuotes("a\xC2"
                     "b",
                     "§"));
}

TEST(Base64, MatchesTheStandardVectorsInAnyPieces) {
  const struct {
    std::string in, out;
  } vectors[] = {{"", ""},
                 {"f", "Zg=="},
                 {"fo", "Zm8="},
                 {"foo", "Zm9v"},
                 {"foob", "Zm9vYg=="},
                 {"fooba", "Zm9vYmE="},
                 {"foobar", "Zm9vYmFy"},
                 {std::string("\0\xFF\xFE", 3), "AP/+"}};
  for (const auto& v : vectors) {
    // Every way of cutting the value in three pieces gives the same text.
    for (std::size_t a = 0; a <= v.in.size(); ++a) {
      for (std::size_t b = a; b <= v.in.size(); ++b) {
        std::string out;
        Base64Stream stream;
        stream.Add(out, v.in.substr(0, a));
        stream.Add(out, v.in.substr(a, b - a));
        stream.Add(out, v.in.substr(b));
        stream.Finish(out);
        EXPECT_EQ(out, v.out) << v.in << " cut at " << a << ", " << b;
      }
    }
  }
  std::string hex;
  AppendHex(hex, std::string("\0\x01\xAB\xFF", 4));
  EXPECT_EQ(hex, "0001ABFF");
}

TEST(Options, RefuseWhatNoFileCouldHold) {
  ExportOptions o;
  EXPECT_EQ(CheckOptions(o), "");
  for (const char* bad : {"", ";;", "\"", "\n", "\r", "\xFF"}) {
    o.separator = bad;
    EXPECT_NE(CheckOptions(o), "") << bad;
  }
  for (const char* good : {";", "\t", "|", "§", "→"}) {
    o.separator = good;
    EXPECT_EQ(CheckOptions(o), "") << good;
  }
  o.format = ExportFormat::SqlInserts;
  EXPECT_NE(CheckOptions(o), "");
  o.tableName = "t";
  EXPECT_EQ(CheckOptions(o), "");
}

}  // namespace
}  // namespace quillet::exporting
