#include <gtest/gtest.h>

#include <set>
#include <string>

#include "resources/string_table.h"

namespace quillet {
namespace {

// Texts with blanks at their ends are checked where they are shown (titles, report columns).
TEST(StringTable, MissingIdsGiveEmptyText) {
  for (unsigned id : {0u, 2u, 57346u, 60005u, 64511u, 64518u, 99999u, 4294967295u})
    EXPECT_EQ(LoadResourceString(id), "") << id;
}

TEST(StringTable, StatusPaneStringsCarryTheirPadding) {
  // The pane is as wide as its string; without the blanks a count of several digits is cut off.
  for (unsigned id : {57391u, 57392u, 57393u}) {
    const std::string text = LoadResourceString(id);
    ASSERT_FALSE(text.empty()) << id;
    EXPECT_GE(text.size() - text.find_last_not_of(' ') - 1, 10u) << id;
  }
}

TEST(CommandTable, EveryFrameCommandHasOnePromptAndATooltip) {
  std::set<unsigned> ids;
  for (const CommandInfo& command : AllCommands()) {
    EXPECT_TRUE(ids.insert(command.id).second) << "duplicate " << command.id;
    EXPECT_EQ(FindCommand(command.id), &command) << command.id;
    EXPECT_FALSE(command.prompt.empty()) << command.id;
    EXPECT_FALSE(command.tooltip.empty()) << command.id;
    EXPECT_EQ(command.prompt.find('\n'), std::string_view::npos) << command.id;
  }
  // Nothing from the id ranges.
  for (unsigned id : {0u, 32794u, 53248u, 57616u, 57631u}) EXPECT_EQ(FindCommand(id), nullptr);
}

}  // namespace
}  // namespace quillet
