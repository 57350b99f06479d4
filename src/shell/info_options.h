#pragma once

#include <string>
#include <vector>

namespace quillet::shell {

// "--help" and "--version", as every Linux program answers them: printed to standard output,
// then the start ends with success, before any window, lock or display is needed. The
// program's own options keep their meaning; "-?", "-help" and "-h" still do nothing.
enum class InfoOption { kNone, kHelp, kVersion };

// The first of the two among the arguments (the program name first), else kNone.
InfoOption FindInfoOption(const std::vector<std::string>& arguments);

// The texts printed for them, each ending with a line feed.
std::string HelpText();
std::string VersionText();

}  // namespace quillet::shell
