// A layout in the settings store: what a save writes, and what a restore reads back from values
// that are missing, short or of another type.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/option_groups.h"
#include "config/registry_values.h"
#include "layout/layout_store.h"

namespace quillet::layout {
namespace {

const std::string kVersion = "Software\\Halvane\\brantel\\quillet\\1.6";

config::RegKey Key(config::RegistryStore& store, const std::string& path) {
  config::RegKey key;
  store.CreateKey(path, &key);
  return key;
}

StoredLayout Sample() {
  StoredLayout layout;
  layout.rect = {-20, 30, 880, 670};
  layout.bands = {{0, false, 1100}, {2, true, 400}, {1, false, 600}};
  PanePlacement sql;
  sql.side = DockSide::kTop;
  sql.isDocked = true;
  layout.panes[kSqlPane] = EncodePane(sql);
  return layout;
}

TEST(LayoutStore, WhatIsWrittenReadsBackAndAMaximisedWindowKeepsItsRectangle) {
  config::RegistryStore store(":memory:");
  config::SettingsPage view = config::MakeViewGroup();
  view.SetValue(config::option::kIsLockRebarCtrl, 1);
  WriteLayout(store, view, Sample());
  StoredLayout maximised = Sample();
  maximised.maximised = true;
  maximised.rect = {-4, -4, 1924, 1084};
  WriteLayout(store, view, maximised);

  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  ASSERT_EQ(Key(store, kVersion).QueryValue("FirstStart", &type, &data), config::ERROR_SUCCESS);
  EXPECT_EQ(data.size(), 125u);
  EXPECT_EQ(data[0], '0');
  ASSERT_EQ(Key(store, kVersion + "\\view").QueryValue("60161", &type, &data),
            config::ERROR_SUCCESS);
  EXPECT_EQ(type, config::REG_DWORD);
  EXPECT_EQ(data, (std::vector<std::uint8_t>{0x90, 0x01, 0x01, 0x02}));

  config::SettingsPage restored = config::MakeViewGroup();
  const StoredLayout layout = ReadLayout(store, restored);
  EXPECT_EQ(restored.Value(config::option::kFirstStart), 0);
  EXPECT_EQ(restored.Value(config::option::kIsLockRebarCtrl), 1);
  EXPECT_TRUE(layout.maximised);
  EXPECT_EQ(layout.rect, Sample().rect);
  EXPECT_EQ(layout.bands, Sample().bands);
  EXPECT_EQ(layout.panes, Sample().panes);
}

TEST(LayoutStore, MissingShortOrForeignValuesKeepTheirDefaults) {
  config::RegistryStore store(":memory:");
  config::SettingsPage view = config::MakeViewGroup();
  EXPECT_EQ(ReadLayout(store, view).rect, (WindowRect{0, 0, 400, 400}));

  WriteLayout(store, view, Sample());
  config::RegKey key = Key(store, kVersion + "\\view");
  const std::uint64_t wide = 9;
  config::WriteDword(key, "IsFullWnd", 2);  // maximised only when exactly 1
  key.SetValue("left", config::REG_SZ, "12", 3);
  key.SetValue("top", config::REG_DWORD, "\5\0", 2);
  key.SetValue("right", config::REG_QWORD, &wide, sizeof wide);
  config::WriteDword(key, "bottom", 777);
  const std::vector<std::uint8_t> record(60, 0);
  key.SetValue("report", config::REG_BINARY, record.data(), 59);
  key.SetValue("dataquickview", config::REG_BINARY, std::vector<std::uint8_t>(61, 0));
  key.SetValue("datatree", config::REG_SZ, record);
  key.SetValue("60161", config::REG_SZ, "1", 2);  // ends the bands: 60162 is not read

  const StoredLayout layout = ReadLayout(store, view);
  EXPECT_FALSE(layout.maximised);
  EXPECT_EQ(layout.rect, (WindowRect{0, 0, 400, 777}));
  EXPECT_EQ(layout.bands, std::vector<ToolBand>{Sample().bands[0]});
  EXPECT_FALSE(layout.panes[kReportPane] || layout.panes[kQuickViewPane] ||
               layout.panes[kTreePane]);
  EXPECT_TRUE(layout.panes[kSqlPane]);
}

}  // namespace
}  // namespace quillet::layout
