// Initialization strings: parsing with quotes, composing, and keeping unknown keys.

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "datasource/init_string.h"

namespace quillet::db {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs PairsOf(const InitProperties& p) {
  Pairs out;
  for (const auto& item : p.items()) out.emplace_back(item.key, item.value);
  return out;
}

struct ParseCase {
  const char* text;
  Pairs expected;
};

class InitStringParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(InitStringParse, Reads) {
  std::string error;
  const auto parsed = InitProperties::Parse(GetParam().text, &error);
  ASSERT_TRUE(parsed) << error;
  EXPECT_EQ(PairsOf(*parsed), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InitStringParse,
    ::testing::Values(
        ParseCase{"Provider=SQLite;Data Source=/tmp/a.db",
                  {{"Provider", "SQLite"}, {"Data Source", "/tmp/a.db"}}},
        ParseCase{"  Provider = SQLite ;; ; Data Source = a b  ;",
                  {{"Provider", "SQLite"}, {"Data Source", "a b"}}},
        ParseCase{"Data Source=\"x;y.db\";Password='it''s';Extended=\"say \"\"hi\"\"\"",
                  {{"Data Source", "x;y.db"}, {"Password", "it's"}, {"Extended", "say \"hi\""}}},
        ParseCase{"A=' padded ' ;B=\"\";C=", {{"A", " padded "}, {"B", ""}, {"C", ""}}},
        ParseCase{"Mixed='a\"b';Other=\"c'd\"", {{"Mixed", "a\"b"}, {"Other", "c'd"}}},
        ParseCase{"provider=one;PROVIDER=two", {{"provider", "two"}}},
        ParseCase{"Url=http://h/p?a=b;Next=1", {{"Url", "http://h/p?a=b"}, {"Next", "1"}}},
        ParseCase{"", {}}, ParseCase{" ; ;", {}}));

TEST(InitString, RejectsBrokenInputWithOneLine) {
  for (const char* text : {"Data Source='unterminated", "A=\"x\"y;B=1", "JustAWord;A=1", "=value",
                           "Just\r\nA\nWord;A=1", "Da\nta='unterminated", "K\ney=\"x\"\ry"}) {
    std::string error;
    EXPECT_FALSE(InitProperties::Parse(text, &error)) << text;
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find_first_of("\r\n"), std::string::npos) << error;
  }
}

TEST(InitString, KeysIgnoreCaseAndKeepTheirPlace) {
  auto p = InitProperties::Parse("Provider=SQLite;Custom Thing=42;Data Source=a.db");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->Get("data source"), "a.db");
  EXPECT_EQ(p->Get("CUSTOM THING"), "42");
  EXPECT_FALSE(p->Get("Missing"));
  p->Set("DATA SOURCE", "b.db");
  p->Set("Added", "x");
  EXPECT_EQ(p->Compose(), "Provider=SQLite;Custom Thing=42;Data Source=b.db;Added=x;");
  p->Remove("custom thing");
  EXPECT_EQ(p->Compose(), "Provider=SQLite;Data Source=b.db;Added=x;");
}

}  // namespace
}  // namespace quillet::db
