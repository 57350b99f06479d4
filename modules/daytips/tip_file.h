#pragma once
// The tip file: plain UTF-8 text, one tip per paragraph. Paragraphs are separated by empty lines;
// the lines of one paragraph are joined with blanks; lines starting with '#' are comments.

#include <string>
#include <string_view>
#include <vector>

namespace quillet::daytips {

std::vector<std::string> ParseTips(std::string_view text);

// Reads and parses a file; an unreadable file gives no tips.
std::vector<std::string> LoadTipFile(const std::string& path);

}  // namespace quillet::daytips
