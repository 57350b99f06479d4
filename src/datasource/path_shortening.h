#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillet::shell {

// The longest prefix of `text` of at most `maxBytes` bytes that does not split a UTF-8 sequence.
std::string_view Utf8Prefix(std::string_view text, std::size_t maxBytes);

// Shortens a path for a menu item to fewer than `limit` bytes, keeping its file name where it
// fits: "/home/ann/.../report.udl" style. A limit of -1 leaves the path as it is; other limits
// below 6 are taken as 6.
std::string ShortenPath(std::string_view path, int limit);

}  // namespace quillet::shell
