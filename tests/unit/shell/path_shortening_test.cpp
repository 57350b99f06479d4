#include <gtest/gtest.h>

#include <string>

#include "shell/path_shortening.h"

namespace quillet::shell {
namespace {

struct ShortenCase {
  const char* name;
  std::string path;
  int limit;
  std::string expected;
};

class ShortenPathCases : public ::testing::TestWithParam<ShortenCase> {};

TEST_P(ShortenPathCases, GivesExpectedText) {
  const std::string result = ShortenPath(GetParam().path, GetParam().limit);
  EXPECT_EQ(result, GetParam().expected);
  if (GetParam().limit != -1) {
    EXPECT_LT(result.size(), static_cast<std::size_t>(GetParam().limit));
  }
}

const std::string k38 = "/home/ann/projects/warehouse/stock.udl";  // 38 bytes
const std::string kLong = "/home/ann/projects/warehouse/archive/2003/spring/stock.udl";

INSTANTIATE_TEST_SUITE_P(
    Cases, ShortenPathCases,
    ::testing::Values(
        ShortenCase{"ThirtyEightBytesShownWhole", k38, 40, k38},
        ShortenCase{"NoLimit", kLong, -1, kLong},
        // keep = 40 - 4 - 9 = 27: 26 bytes of the path, "...", the separator, the name.
        ShortenCase{"LongPathKeepsFileName", kLong, 40, "/home/ann/projects/warehou.../stock.udl"},
        ShortenCase{"WindowsSeparator", "C:\\Data\\Links\\Customers\\Europe\\North\\orders.udl", 30,
                    "C:\\Data\\Links\\C...\\orders.udl"},
        ShortenCase{"NoSeparatorCutsTheWhole", std::string(50, 'a'), 20,
                    std::string(16, 'a') + "..."},
        ShortenCase{"NameTooLongForLimit", "/srv/" + std::string(40, 'n') + ".udl", 20,
                    ".../" + std::string(12, 'n') + "..."},
        ShortenCase{"TinyLimitIsDotsAndSeparator", kLong, 6, ".../."},
        ShortenCase{"TrailingSlashNameKept", "/var/lib/quillet/connections/some/place/", 30,
                    "/var/lib/quillet/co.../place/"}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST(ShortenPath, NeverSplitsAMultiByteCharacter) {
  // A cut after 26 bytes would fall between the two bytes of the first "\xC3\xA9" (byte 25).
  const std::string folder = "/home/ann/" + std::string(15, 'x');
  const std::string path = folder + "\xC3\xA9\xC3\xA9/more/stock.udl";
  EXPECT_EQ(ShortenPath(path, 40), folder + ".../stock.udl");
  EXPECT_EQ(Utf8Prefix("a\xC3\xA9", 2), "a");
  EXPECT_EQ(Utf8Prefix("a\xC3\xA9", 3), "a\xC3\xA9");
  EXPECT_EQ(Utf8Prefix("\xE2\x82\xAC", 2), "");
}

}  // namespace
}  // namespace quillet::shell
