// Option groups: the defaults a frame starts from, where they live in the store, the exchange
// modes and the writes of a save.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "config/key_path.h"
#include "config/option_groups.h"
#include "config/registry_values.h"

namespace quillet::config {
namespace {

using Values = std::map<std::string, std::int32_t>;

const std::string kVersion = "Software\\Halvane\\brantel\\quillet\\1.6";
const std::string kGeneral = kVersion + "\\Properties\\General";
const std::string kAppearance = kVersion + "\\Properties\\Appearance";

Values PageValues(const SettingsPage& page) {
  Values values;
  for (const auto& option : page.Options()) values[std::string(option.Name())] = option.value.Get();
  return values;
}

// The number of values in the key, or -1 when the key does not exist.
int ValueCount(RegistryStore& store, const std::string& path) {
  RegKey key;
  if (store.OpenKey(path, &key) != ERROR_SUCCESS) return -1;
  int count = 0;
  while (key.EnumValue(count, nullptr, nullptr, nullptr) == ERROR_SUCCESS) ++count;
  return count;
}

TEST(KeyPath, ExpansionIsCutWithoutSplittingACharacter) {
  EXPECT_EQ(VersionKeyPath(), kVersion);
  const std::string longName = std::string(1022, 'a') + "\xC3\xA9";  // cut at 1023 bytes
  EXPECT_EQ(KeyPath("%s", longName.c_str()), std::string(kRootKeyPath) + std::string(1022, 'a'));
}

TEST(OptionGroups, EmptyStoreCreatesTheGroupKeysAndWritesNothing) {
  RegistryStore store(":memory:");
  PageSet pages;
  BuildPageSet(pages, store);
  // The pages' titles are the properties dialog test's, their default values the fresh export
  // file's (registry_export_test).
  // Reading created the four Properties keys and wrote nothing; the view key waits for the
  // layout.
  for (const std::string& key : {kGeneral, kAppearance + "\\ListWnd", kAppearance + "\\TreeWnd",
                                 kAppearance + "\\ReportWnd"})
    EXPECT_EQ(ValueCount(store, key), 0) << key;
  EXPECT_EQ(ValueCount(store, kVersion + "\\view"), -1);
}

TEST(OptionGroups, StoredValuesOverrideTheDefaults) {
  RegistryStore store(":memory:");
  RegKey general, tree;
  ASSERT_EQ(store.CreateKey(kGeneral, &general), ERROR_SUCCESS);
  ASSERT_EQ(store.CreateKey(kAppearance + "\\TreeWnd", &tree), ERROR_SUCCESS);
  general.SetValue("MaxBackupPoints", REG_SZ, " 42abc", 7);
  WriteDword(general, "SingleInstance", 0);
  tree.SetValue("IsHasLines", REG_SZ, "abc", 4);
  WriteOptionNumber(tree, "IsTrackSelect", 1);

  PageSet pages;
  BuildPageSet(pages, store);
  EXPECT_EQ(PageValues(pages.GetPage(kPageGeneral)), (Values{{"GoDirectlyToTableFldr", 0},
                                                             {"RecentListMaxEnteries", 4},
                                                             {"SingleInstance", 0},
                                                             {"MaxBackupPoints", 42}}));
  EXPECT_EQ(
      PageValues(pages.GetPage(kPageDataTree)),
      (Values{{"IsHasButtons", 1}, {"IsHasLines", 0}, {"IsFullRowSel", 0}, {"IsTrackSelect", 1}}));
}

TEST(OptionGroups, ExchangeModes) {
  RegistryStore store(":memory:");
  SettingsPage report(kPageReportWindow, &kReportWndGroup);
  report.SetValue(option::kIsFlatSB, 1);

  // An unknown mode touches neither the values nor the store.
  EXPECT_EQ(ExchangeReportWnd(3, report, store), -1);
  EXPECT_EQ(report.Value(option::kIsFlatSB), 1);
  EXPECT_EQ(ValueCount(store, kAppearance + "\\ReportWnd"), -1);

  EXPECT_EQ(ExchangeReportWnd(kExchangeWrite, report, store), ERROR_SUCCESS);
  EXPECT_EQ(ExchangeReportWnd(kExchangeDefaults, report, store), ERROR_SUCCESS);
  EXPECT_EQ(report.Value(option::kIsFlatSB), 0);
  EXPECT_EQ(ExchangeReportWnd(kExchangeRead, report, store), ERROR_SUCCESS);
  EXPECT_EQ(report.Value(option::kIsFlatSB), 1);
  // A routine given another group's page refuses it.
  EXPECT_EQ(ExchangeTreeWnd(kExchangeRead, report, store), ERROR_INVALID_PARAMETER);

  // The view group spans the version key and the view key.
  SettingsPage view = MakeViewGroup();
  view.SetValue(option::kFirstStart, 0);
  ASSERT_EQ(ExchangeView(kExchangeWrite, view, store), ERROR_SUCCESS);
  EXPECT_EQ(ValueCount(store, kVersion), 1);
  EXPECT_EQ(ValueCount(store, kVersion + "\\view"), 4);
  SettingsPage restored = MakeViewGroup();
  ASSERT_EQ(ExchangeView(kExchangeRead, restored, store), ERROR_SUCCESS);
  EXPECT_EQ(restored.Value(option::kFirstStart), 0);
}

TEST(OptionGroups, SingleInstanceOfAnotherSizeGivesTheDefault) {
  RegistryStore store(":memory:");
  EXPECT_EQ(ReadSingleInstance(store, kGeneral, 1), 1u);
  EXPECT_EQ(WriteSingleInstance(store, kGeneral, 0), ERROR_SUCCESS);
  EXPECT_EQ(ReadSingleInstance(store, kGeneral, 1), 0u);
  RegKey key;
  ASSERT_EQ(store.OpenKey(kGeneral, &key), ERROR_SUCCESS);
  key.SetValue("SingleInstance", REG_SZ, "0", 2);
  EXPECT_EQ(ReadSingleInstance(store, kGeneral, 1), 1u);
}

}  // namespace
}  // namespace quillet::config
