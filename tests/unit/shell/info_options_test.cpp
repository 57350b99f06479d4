#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/info_options.h"

namespace quillet::shell {
namespace {

TEST(InfoOptions, OnlyTheTwoLongOptionsAreTakenAndTheFirstWins) {
  struct Case {
    std::vector<std::string> arguments;
    InfoOption expected;
  };
  const Case cases[] = {
      {{"quillet"}, InfoOption::kNone},
      {{"quillet", "--help"}, InfoOption::kHelp},
      {{"quillet", "-udl", "a.udl", "--version"}, InfoOption::kVersion},
      {{"quillet", "--version", "--help"}, InfoOption::kVersion},
      // The program's own spellings keep doing nothing, and the program name is no option.
      {{"quillet", "-help", "-h", "-?", "-version"}, InfoOption::kNone},
      {{"--help"}, InfoOption::kNone},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const auto& a : c.arguments) joined += a + ' ';
    EXPECT_EQ(FindInfoOption(c.arguments), c.expected) << joined;
  }
}

}  // namespace
}  // namespace quillet::shell
