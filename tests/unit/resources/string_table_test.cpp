#include <gtest/gtest.h>

#include <set>
#include <string>

#include "resources/string_table.h"

namespace quillet {
namespace {

struct StringCase {
  unsigned id;
  const char* text;
};

class StringTableText : public ::testing::TestWithParam<StringCase> {};

// Texts whose exact bytes matter: blanks at either end size status panes and pad report columns.
TEST_P(StringTableText, LoadsExactText) {
  EXPECT_EQ(LoadResourceString(GetParam().id), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Strings, StringTableText,
    ::testing::Values(StringCase{1, "Quillet"}, StringCase{57000, " - no connection"},
                      StringCase{57002, " - ["}, StringCase{57345, "Ready"},
                      StringCase{57391, "Object(s): %i             "},
                      StringCase{57392, "Row %i , Ln. %i           "},
                      StringCase{57424, "  Error:"}, StringCase{57425, "  Information:"},
                      StringCase{60000, "Quillet: Error message"},
                      StringCase{60003, "Please enter an integer value between %i and %i"},
                      StringCase{60016,
                                 "Program can't load the \"daytips.so\" library. Please, "
                                 "reinstall this software."},
                      StringCase{62000, "Create a new Microsoft UDL-File"},
                      StringCase{64501, "Receives the elements count and enumerates elements: "},
                      StringCase{64514, "Prepares a query"}));

TEST(StringTable, MissingIdsGiveEmptyText) {
  for (unsigned id : {0u, 2u, 57346u, 60005u, 64511u, 64518u, 99999u, 4294967295u}) {
    EXPECT_EQ(LoadResourceString(id), "") << id;
  }
}

TEST(StringTable, StatusPaneStringsCarryTheirPadding) {
  // The pane is as wide as its string; without the blanks a count of several digits is cut off.
  for (unsigned id : {57391u, 57392u, 57393u}) {
    const std::string text = LoadResourceString(id);
    ASSERT_FALSE(text.empty()) << id;
    EXPECT_GE(text.size() - text.find_last_not_of(' ') - 1, 10u) << id;
  }
}

TEST(CommandTable, CommandStringIsPromptAndTooltip) {
  EXPECT_EQ(LoadResourceString(32801), "Go back\nGo back (Alt+Left Arrow)");
  EXPECT_EQ(LoadResourceString(33794),
            "Activate/deactivate standard buttons toolbar\n"
            "Activate/deactivate standart buttons toolbar");
  const CommandInfo* open = FindCommand(32795);
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(open->menuText, "&Open data link (UDL file)...");
  EXPECT_EQ(open->shortcut, "Ctrl + O");
  EXPECT_EQ(FindCommand(32781)->menuText, "");  // toolbar only
}

TEST(CommandTable, EveryCommandIsFoundByIdAndHasAPrompt) {
  std::set<unsigned> ids;
  for (const CommandInfo& command : AllCommands()) {
    EXPECT_TRUE(ids.insert(command.id).second) << "duplicate " << command.id;
    EXPECT_EQ(FindCommand(command.id), &command) << command.id;
    EXPECT_FALSE(command.prompt.empty()) << command.id;
    EXPECT_FALSE(command.tooltip.empty()) << command.id;
    EXPECT_EQ(command.prompt.find('\n'), std::string_view::npos) << command.id;
  }
  // Every command the frame's menus and toolbars carry.
  for (unsigned id :
       {32781u, 32782u, 32788u, 32789u, 32790u, 32791u, 32792u, 32793u, 32795u, 32796u, 32801u,
        32802u, 32803u, 32804u, 32805u, 32806u, 32807u, 32809u, 32810u, 32811u, 32812u, 32813u,
        32814u, 32818u, 32822u, 32823u, 32824u, 32826u, 32828u, 32830u, 33794u, 33797u}) {
    EXPECT_NE(FindCommand(id), nullptr) << id;
  }
  EXPECT_EQ(ids.size(), 32u);
}

TEST(CommandTable, AboutPromptNamesTheVersionAndRangesAreNotCommands) {
  EXPECT_NE(FindCommand(32807)->prompt.find("1.6"), std::string_view::npos);
  for (unsigned id : {0u, 32794u, 53248u, 57616u, 57631u}) EXPECT_EQ(FindCommand(id), nullptr);
}

}  // namespace
}  // namespace quillet
