#include "datasource/udl_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "datasource/init_string.h"
#include "datasource/text_convert.h"

namespace quillet::db {
namespace {

constexpr std::size_t kMaxFileBytes = 1 << 20;
constexpr std::string_view kComment = "; Everything after this line is an OLE DB initstring";

// The file's text as UTF-8, whatever form it was written in.
std::string DecodeFileText(std::string_view bytes) {
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    return Utf16ToUtf8(BytesLEToUtf16(bytes.substr(2)));
  }
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
    return std::string(bytes.substr(3));
  // UTF-16LE without a mark: every second byte of ASCII text is zero.
  if (bytes.size() >= 4 && bytes[0] != '\0' && bytes[1] == '\0' && bytes[3] == '\0') {
    return Utf16ToUtf8(BytesLEToUtf16(bytes));
  }
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return Cp1252ToUtf8(bytes);
}

std::string_view TrimLine(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    lines.push_back(TrimLine(text.substr(start, end - start)));
    start = end + 1;
  }
  return lines;
}

bool IsOledbSection(std::string_view line) {
  return InitKeyEquals(line, "[oledb]");
}

}  // namespace

bool ParseDataLinkBytes(std::string_view bytes, std::string* initString, std::string* error) {
  const std::string text = DecodeFileText(bytes);
  const auto lines = SplitLines(text);
  std::size_t i = 0;
  while (i < lines.size() && !IsOledbSection(lines[i])) ++i;
  if (i == lines.size()) {
    if (error != nullptr) *error = "it has no [oledb] section";
    return false;
  }
  initString->clear();
  for (++i; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (!line.empty() && line.front() == '[') break;  // the next section
    if (line.empty() || line.front() == ';') continue;
    *initString = std::string(line);
    break;
  }
  return true;
}

bool ReadDataLinkFile(const std::string& path, std::string* initString, std::string* error) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    const int code = errno;
    if (error != nullptr) *error = "Cannot open \"" + path + "\": " + std::strerror(code);
    return false;
  }
  // A data link file is a few hundred bytes; reading far more only costs memory.
  std::string bytes(kMaxFileBytes + 1, '\0');
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    if (error != nullptr) *error = "Cannot read \"" + path + "\"";
    return false;
  }
  if (bytes.size() > kMaxFileBytes) {
    if (error != nullptr) *error = "\"" + path + "\" is too large to be a data link file";
    return false;
  }
  std::string why;
  if (!ParseDataLinkBytes(bytes, initString, &why)) {
    if (error != nullptr) *error = "\"" + path + "\" is not a data link file: " + why;
    return false;
  }
  return true;
}

std::string DataLinkFileBytes(std::string_view initString) {
  std::string text = "[oledb]\r\n";
  text += kComment;
  text += "\r\n";
  text += initString;
  text += "\r\n";
  return "\xFF\xFE" + Utf16ToBytesLE(Utf8ToUtf16(text));
}

bool WriteDataLinkFile(const std::string& path, std::string_view initString, std::string* error) {
  const std::string bytes = DataLinkFileBytes(initString);
  const std::string temporary = path + ".writing";
  const auto fail = [&](const std::string& what) {
    const int code = errno;
    if (error != nullptr) *error = what + " \"" + path + "\": " + std::strerror(code);
    std::remove(temporary.c_str());
    return false;
  };
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) return fail("Cannot create");
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0 || !written) return fail("Cannot write");
  if (std::rename(temporary.c_str(), path.c_str()) != 0) return fail("Cannot replace");
  return true;
}

std::string DataLinkProviderName(const std::string& path) {
  std::string initString;
  if (!ReadDataLinkFile(path, &initString, nullptr)) return {};
  const auto properties = InitProperties::Parse(initString);
  if (!properties) return {};
  return properties->GetOr("Provider");
}

}  // namespace quillet::db
