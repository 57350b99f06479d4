#include "plugins/text_viewer_plugin.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "datasource/text_convert.h"
#include "plugins/plugin_ui.h"
#include "resources/string_table.h"

namespace quillet::plugins {
namespace {

constexpr unsigned kMenuText = 63000;
constexpr unsigned kUnsupportedType = 63001;
constexpr unsigned kName = 63002;
constexpr unsigned kVersion = 63003;
constexpr unsigned kCopyright = 63004;
constexpr unsigned kDescription = 63005;
constexpr unsigned kLanguages = 63006;
constexpr std::uint32_t kPiece = 4096;

// Copies a string into a field, cut so the field keeps its terminator and no UTF-8 sequence is
// split.
void CopyField(char* field, std::size_t size, unsigned id) {
  const std::string text = LoadResourceString(id);
  const std::size_t n = db::Utf8CutLength(text, size - 2 < text.size() ? size - 2 : text.size());
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

}  // namespace

TextViewerPlugin::TextViewerPlugin() : menuText_(LoadResourceString(kMenuText)) {}

void TextViewerPlugin::GetModuleDescription(PluginDescription* d) {
  if (d == nullptr) return;
  std::memset(d, 0, sizeof *d);
  // The name keeps one character less than its field: "Simple text viewer " with its blank.
  CopyField(d->name, sizeof d->name, kName);
  CopyField(d->version, sizeof d->version, kVersion);
  CopyField(d->copyright, sizeof d->copyright, kCopyright);
  CopyField(d->description, sizeof d->description, kDescription);
  CopyField(d->languages, sizeof d->languages, kLanguages);
}

const char* TextViewerPlugin::GetLastErrorText() {
  return lastError_.empty() ? nullptr : lastError_.c_str();
}

bool TextViewerPlugin::TestBLOB(BlobInfo* info) {
  lastError_.clear();
  return info != nullptr && (info->type == QUILLET_DBTYPE_STR || info->type == QUILLET_DBTYPE_WSTR);
}

std::string TextViewerPlugin::GatherText(QuilletStream* stream, std::uint32_t type) {
  if (stream == nullptr) return std::string();
  const bool wide = type == QUILLET_DBTYPE_WSTR;
  std::string bytes;
  if (stream->vtbl->Seek(stream, 0, QUILLET_SEEK_SET, nullptr) < 0) return std::string();
  std::vector<char> piece(kPiece);
  while (true) {
    std::fill(piece.begin(), piece.end(), '\0');
    std::uint32_t read = 0;
    const QuilletResult r = stream->vtbl->Read(stream, piece.data(), kPiece, &read);
    if (r < 0) break;
    // A piece counts up to its first terminator: one zero byte, or one zero UTF-16 unit.
    std::size_t n = 0;
    if (wide) {
      while (n + 1 < read && !(piece[n] == 0 && piece[n + 1] == 0)) n += 2;
      if (n + 1 >= read) n = read;
    } else {
      n = strnlen(piece.data(), read);
    }
    bytes.append(piece.data(), n);
    if (read < kPiece) break;
  }
  if (!wide) return bytes;
  // Convert once at the end so a character split between two pieces stays whole.
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  return db::Utf16ToUtf8(units);
}

bool TextViewerPlugin::ShowBLOB(void* parent, std::uint32_t, BlobInfo* info) {
  lastError_.clear();
  text_.clear();
  if (info == nullptr) return false;
  if (info->type != QUILLET_DBTYPE_STR && info->type != QUILLET_DBTYPE_WSTR) {
    lastError_ = LoadResourceString(kUnsupportedType) + " (" + std::to_string(info->type) + ")";
    return false;
  }
  text_ = GatherText(info->stream, info->type);
  if (PluginUi* ui = CurrentPluginUi()) ui->ShowPlainText(parent, text_);
  return true;
}

}  // namespace quillet::plugins
