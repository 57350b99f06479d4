#pragma once

#include <span>
#include <string>
#include <string_view>

namespace quillet {

// The program's texts, addressed by id. An id that is not in the table gives an empty text.
// A command id gives the command's string: its prompt and its tooltip joined by a line feed.
std::string LoadResourceString(unsigned id);

// One command of the menus and toolbars: its menu text, shortcut text, and the two lines of its
// string (the status-bar prompt and the tooltip).
struct CommandInfo {
  unsigned id = 0;
  std::string_view menuText;  // empty for a toolbar-only command
  std::string_view shortcut;  // as the menu shows it ("Ctrl + D"); empty when none
  std::string_view prompt;
  std::string_view tooltip;
};

// The command with that id, or nullptr.
const CommandInfo* FindCommand(unsigned id);

// Every command with fixed texts, ordered by id. The recent-list entries (57616 to 57631) and the
// element commands (53248 to 53504) take their texts at run time and are not listed.
std::span<const CommandInfo> AllCommands();

}  // namespace quillet
