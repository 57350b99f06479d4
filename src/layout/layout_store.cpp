#include "layout/layout_store.h"

#include <string>

#include "config/key_path.h"
#include "config/option_groups.h"
#include "config/registry_values.h"

namespace quillet::layout {
namespace {

using config::ERROR_SUCCESS;
using config::RegKey;

std::string ViewKeyPath() {
  return config::KeyPath(config::kViewKeyFormat, config::kVersionMajor, config::kVersionMinor);
}

std::optional<std::uint32_t> ReadDwordValue(const RegKey& key, const std::string& name) {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  if (key.QueryValue(name, &type, &data, 4) != ERROR_SUCCESS) return std::nullopt;
  if (type != config::REG_DWORD || data.size() != 4) return std::nullopt;
  return std::uint32_t{data[0]} | std::uint32_t{data[1]} << 8 | std::uint32_t{data[2]} << 16 |
         std::uint32_t{data[3]} << 24;
}

void ReadInt(const RegKey& key, const char* name, std::int32_t& value) {
  if (auto word = ReadDwordValue(key, name)) value = static_cast<std::int32_t>(*word);
}

std::optional<PaneRecord> ReadPaneRecord(const RegKey& key, const char* name) {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  if (key.QueryValue(name, &type, &data, kPaneRecordSize) != ERROR_SUCCESS) return std::nullopt;
  if (type != config::REG_BINARY) return std::nullopt;
  return PaneRecordFromBytes(data);
}

}  // namespace

StoredLayout ReadLayout(config::RegistryStore& store, config::SettingsPage& view, int bandCount) {
  StoredLayout layout;
  config::ExchangeView(config::kExchangeRead, view, store);

  RegKey key;
  if (store.CreateKey(ViewKeyPath(), &key) != ERROR_SUCCESS) return layout;
  std::int32_t full = 0;
  ReadInt(key, value::kIsFullWnd, full);
  layout.maximised = full == 1;
  ReadInt(key, value::kLeft, layout.rect.left);
  ReadInt(key, value::kTop, layout.rect.top);
  ReadInt(key, value::kRight, layout.rect.right);
  ReadInt(key, value::kBottom, layout.rect.bottom);

  for (int i = 0; i < bandCount; ++i) {
    const auto word = ReadDwordValue(key, std::to_string(kFirstBandId + i));
    if (!word) break;
    layout.bands.push_back(DecodeBand(*word));
  }
  for (int pane = 0; pane < kPaneCount; ++pane)
    layout.panes[pane] = ReadPaneRecord(key, kPaneNames[pane]);
  return layout;
}

void WriteLayout(config::RegistryStore& store, config::SettingsPage& view,
                 const StoredLayout& layout) {
  config::RegistryStore::WriteGroup writes(store);
  view.SetValue(config::option::kFirstStart, 0);
  config::ExchangeView(config::kExchangeWrite, view, store);

  RegKey key;
  if (store.CreateKey(ViewKeyPath(), &key) != ERROR_SUCCESS) return;
  config::WriteDword(key, value::kIsFullWnd, layout.maximised ? 1 : 0);
  if (!layout.maximised) {
    config::WriteDword(key, value::kLeft, static_cast<std::uint32_t>(layout.rect.left));
    config::WriteDword(key, value::kTop, static_cast<std::uint32_t>(layout.rect.top));
    config::WriteDword(key, value::kRight, static_cast<std::uint32_t>(layout.rect.right));
    config::WriteDword(key, value::kBottom, static_cast<std::uint32_t>(layout.rect.bottom));
  }
  for (std::size_t i = 0; i < layout.bands.size(); ++i)
    config::WriteDword(key, std::to_string(kFirstBandId + i), EncodeBand(layout.bands[i]));
  for (int pane = 0; pane < kPaneCount; ++pane)
    if (const auto& record = layout.panes[pane])
      key.SetValue(kPaneNames[pane], config::REG_BINARY, record->data(), record->size());
}

}  // namespace quillet::layout
