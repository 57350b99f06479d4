#include "config/registry_export.h"

#include <string_view>
#include <vector>

#include "config/key_path.h"

namespace quillet::config {
namespace {

constexpr char kLineBreak[] = "\r\n";
constexpr char kHexDigits[] = "0123456789abcdef";

// Of the predefined root keys the store holds only the current user's hive; the others
// ("HKEY_CLASSES_ROOT", "HKEY_LOCAL_MACHINE", ...) name no key here, like an unknown name.
constexpr std::string_view kCurrentUser = "HKEY_CURRENT_USER";

void Write(std::FILE* file, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), file);
}

// Every byte as "%02x,"; after the bytes with index 21, 42, 63, ... a backslash and a line
// break, so the first line carries 22 bytes and each further line 21.
void AppendByteList(std::string& out, const std::uint8_t* data, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    out += kHexDigits[data[i] >> 4];
    out += kHexDigits[data[i] & 0x0f];
    out += ',';
    if (i > 0 && i % 21 == 0) {
      out += '\\';
      out += kLineBreak;
    }
  }
  out += kLineBreak;
}

// Writes one line (or several, for long binary data) per value of `key`.
void WriteValues(const RegKey& key, std::FILE* file) {
  std::string name;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  for (std::uint32_t index = 0; key.EnumValue(index, &name, &type, &data) == ERROR_SUCCESS;
       ++index) {
    std::string line = name.empty() ? std::string("@ = ") : "\"" + name + "\" = ";
    line += FormatValueData(type, data.data(), data.size());
    Write(file, line);
  }
}

}  // namespace

std::string FormatValueData(std::uint32_t type, const std::uint8_t* data, std::size_t count) {
  std::string out;
  if (type == REG_SZ) {
    std::size_t length = 0;
    while (length < count && data[length] != 0) ++length;
    out += '"';
    out.append(reinterpret_cast<const char*>(data), length);
    out += '"';
    out += kLineBreak;
  } else if (type == REG_DWORD) {
    // Missing bytes of a short value count as zero.
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4 && i < count; ++i) value |= std::uint32_t{data[i]} << (8 * i);
    char text[32];
    std::snprintf(text, sizeof text, "dword:%08x", value);
    out += text;
    out += kLineBreak;
  } else {
    // REG_BINARY is "hex:"; every other type, including those the format has no text for
    // (0, 5, 6 and above 10), is "hex(N):" so that its line ends like every other.
    out += type == REG_BINARY ? std::string("hex:") : "hex(" + std::to_string(type) + "):";
    AppendByteList(out, data, count);
  }
  return out;
}

void WriteKeyValues(const RegKey& parent, const std::string& name, std::FILE* file,
                    const std::string& fullName) {
  RegKey key;
  if (parent.OpenSubKey(name, &key) != ERROR_SUCCESS) return;
  // The maxima would size fixed buffers; here they only tell that the values can be read.
  std::uint32_t maxName = 0, maxData = 0;
  if (key.QueryInfo(&maxName, &maxData) != ERROR_SUCCESS) return;
  Write(file, std::string(kLineBreak) + "[" + fullName + "]" + kLineBreak);
  WriteValues(key, file);
}

bool ExportRegistry(RegistryStore& store, const std::string& rootName, const std::string& keyPath,
                    const std::string& fileName, ExportMessageSink& messages) {
  std::string fullName = keyPath.empty() ? rootName : rootName + "\\" + keyPath;

  std::FILE* file = std::fopen(fileName.c_str(), "wb");
  if (file == nullptr) {
    messages.ShowExportMessage("Error while creating the file", "Registry export");
    return false;
  }

  RegKey top;
  if (rootName == kCurrentUser) store.OpenKey(keyPath, &top);

  Write(file, std::string("REGEDIT4") + kLineBreak + kLineBreak);
  Write(file, "[" + fullName + "]" + kLineBreak);
  std::uint32_t maxName = 0, maxData = 0;
  if (top.QueryInfo(&maxName, &maxData) == ERROR_SUCCESS) WriteValues(top, file);

  // Depth first with an explicit stack: each level remembers its key and the index of the
  // subkey it is visiting; the full name grows and shrinks with the walk.
  struct Level {
    RegKey key;
    std::uint32_t next = 0;
    std::size_t nameLength = 0;  // of fullName at this level
  };
  std::vector<Level> stack;
  stack.push_back({top, 0, fullName.size()});
  while (!stack.empty()) {
    Level& level = stack.back();
    std::string subName;
    RegResult rc = level.key.EnumKey(level.next, &subName);
    if (rc != ERROR_SUCCESS) {
      if (rc == ERROR_INVALID_HANDLE || rc == ERROR_KEY_DELETED) {
        Write(file, std::string(kLineBreak) + "Error" + kLineBreak);
      }
      stack.pop_back();
      if (!stack.empty()) {
        ++stack.back().next;
        fullName.resize(stack.back().nameLength);
      }
      continue;
    }
    fullName += "\\" + subName;
    WriteKeyValues(level.key, subName, file, fullName);
    RegKey child;
    level.key.OpenSubKey(subName, &child);  // on failure `child` stays closed: "Error" above
    stack.push_back({child, 0, fullName.size()});
  }

  const bool written = std::ferror(file) == 0;
  return std::fclose(file) == 0 && written;
}

bool ExportConfigurationFile(RegistryStore& store, const std::string& fileName,
                             ExportMessageSink& messages) {
  return ExportRegistry(store, std::string(kCurrentUser), VersionKeyPath(), fileName, messages);
}

}  // namespace quillet::config
