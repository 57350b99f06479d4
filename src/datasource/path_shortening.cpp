#include "datasource/path_shortening.h"

namespace quillet::shell {
namespace {

bool IsSlash(char c) {
  return c == '/' || c == '\\';
}

bool IsContinuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u;
}

// The file name starts after the last '/', '\' or ':' that is followed by something other than
// a slash; npos when there is none and the whole path is the name.
std::size_t FileNameStart(std::string_view path) {
  for (std::size_t i = path.size(); i-- > 0;) {
    const char c = path[i];
    if ((IsSlash(c) || c == ':') && i + 1 < path.size() && !IsSlash(path[i + 1])) return i + 1;
  }
  return std::string_view::npos;
}

}  // namespace

std::string_view Utf8Prefix(std::string_view text, std::size_t maxBytes) {
  if (maxBytes >= text.size()) return text;
  std::size_t length = maxBytes;
  while (length > 0 && IsContinuationByte(text[length])) --length;
  return text.substr(0, length);
}

std::string ShortenPath(std::string_view path, int limit) {
  if (limit == -1) return std::string(path);
  const std::size_t max = limit < 6 ? 6 : static_cast<std::size_t>(limit);
  if (path.size() + 1 < max) return std::string(path);

  char separator = '\\';
  if (auto last = path.find_last_of("/\\"); last != std::string_view::npos) {
    separator = path[last];
  }

  const std::size_t nameStart = FileNameStart(path);
  if (nameStart == std::string_view::npos) {
    return std::string(Utf8Prefix(path, max - 4)) + "...";
  }
  const std::string_view name = path.substr(nameStart);

  if (max < 7) {
    std::string dots(max - 1, '.');
    dots[3] = separator;
    return dots;
  }

  const std::size_t keep = max - 4 > name.size() ? max - 4 - name.size() : 0;
  std::string result;
  if (keep > 1) result = Utf8Prefix(path, keep - 1);
  result += "...";
  result += separator;
  if (max > 4 + name.size()) {
    result += name;
  } else {
    // The name alone is too long: show its start.
    result.resize(4);
    result += Utf8Prefix(name, max - 8);
    result += "...";
  }
  return result;
}

}  // namespace quillet::shell
