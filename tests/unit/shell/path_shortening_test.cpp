#include <gtest/gtest.h>

#include <string>

#include "datasource/path_shortening.h"

namespace quillet::shell {
namespace {

TEST(ShortenPath, KeepsTheFileNameAndStaysBelowTheLimit) {
  const std::string k38 = "/home/ann/projects/warehouse/stock.udl";  // 38 bytes
  const std::string kLong = "/home/ann/projects/warehouse/archive/2003/spring/stock.udl";
  const struct {
    std::string path;
    int limit;
    std::string expected;
  } cases[] = {
      {k38, 40, k38},
      {kLong, -1, kLong},  // no limit
      // keep = 40 - 4 - 9 = 27: 26 bytes of the path, "...", the separator, the name.
      {kLong, 40, "/home/ann/projects/warehou.../stock.udl"},
      {"C:\\Data\\Links\\Customers\\Europe\\North\\orders.udl", 30,
       "C:\\Data\\Links\\C...\\orders.udl"},
      {std::string(50, 'a'), 20, std::string(16, 'a') + "..."},  // no separator: cut the whole
      {"/srv/" + std::string(40, 'n') + ".udl", 20, ".../" + std::string(12, 'n') + "..."},
      {kLong, 6, ".../."},
      {"/var/lib/quillet/connections/some/place/", 30, "/var/lib/quillet/co.../place/"},
      // A cut after 26 bytes would fall inside the first two-byte character (byte 25).
      {"/home/ann/" + std::string(15, 'x') + "\xC3\xA9\xC3\xA9/more/stock.udl", 40,
       "/home/ann/" + std::string(15, 'x') + ".../stock.udl"},
  };
  for (const auto& c : cases) {
    const std::string result = ShortenPath(c.path, c.limit);
    EXPECT_EQ(result, c.expected) << c.path << " / " << c.limit;
    if (c.limit != -1) {
      EXPECT_LT(result.size(), static_cast<std::size_t>(c.limit)) << c.path;
    }
  }
  EXPECT_EQ(Utf8Prefix("a\xC3\xA9", 2), "a");
  EXPECT_EQ(Utf8Prefix("\xE2\x82\xAC", 2), "");
}

}  // namespace
}  // namespace quillet::shell
