#pragma once

#include <string>
#include <string_view>

namespace quillet {

// The program's texts, addressed by id. An id that is not in the table gives an empty text.
std::string LoadResourceString(unsigned id);

// One command of the menus and toolbars: its menu text, shortcut text, and the two lines of its
// string (the status-bar prompt and the tooltip).
struct CommandInfo {
  unsigned id = 0;
  std::string_view menuText;
  std::string_view shortcut;
  std::string_view prompt;
  std::string_view tooltip;
};

// The command with that id, or nullptr.
const CommandInfo* FindCommand(unsigned id);

}  // namespace quillet
