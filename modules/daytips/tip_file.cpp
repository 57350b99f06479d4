#include "tip_file.h"

#include <fstream>
#include <sstream>

namespace quillet::daytips {
namespace {

std::string_view Trim(std::string_view line) {
  const auto first = line.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = line.find_last_not_of(" \t\r");
  return line.substr(first, last - first + 1);
}

}  // namespace

std::vector<std::string> ParseTips(std::string_view text) {
  std::vector<std::string> tips;
  std::string current;
  const auto flush = [&] {
    if (!current.empty()) tips.push_back(std::move(current));
    current.clear();
  };
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::string_view line = Trim(text.substr(start, end - start));
    if (line.empty()) {
      flush();
    } else if (line.front() != '#') {
      if (!current.empty()) current += ' ';
      current += line;
    }
    start = end + 1;
  }
  flush();
  return tips;
}

std::vector<std::string> LoadTipFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream content;
  content << in.rdbuf();
  return ParseTips(content.str());
}

}  // namespace quillet::daytips
