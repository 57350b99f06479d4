// Option groups: the pages a frame builds, their defaults, where they live in the store, the
// exchange modes and the writes of a save.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "config/key_path.h"
#include "config/option_groups.h"
#include "config/registry_values.h"
#include "config_test_support.h"

namespace quillet::config {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Values = std::map<std::string, std::int32_t>;

constexpr char kGeneral[] = "Software\\Halvane\\brantel\\quillet\\1.6\\Properties\\General";
constexpr char kAppearance[] = "Software\\Halvane\\brantel\\quillet\\1.6\\Properties\\Appearance";
constexpr char kVersion[] = "Software\\Halvane\\brantel\\quillet\\1.6";

Values PageValues(const SettingsPage& page) {
  Values values;
  for (const auto& option : page.Options()) values[std::string(option.Name())] = option.value.Get();
  return values;
}

bool KeyExists(RegistryStore& store, const std::string& path) {
  RegKey key;
  return store.OpenKey(path, &key) == ERROR_SUCCESS;
}

std::size_t ValueCount(RegistryStore& store, const std::string& path) {
  RegKey key;
  if (store.OpenKey(path, &key) != ERROR_SUCCESS) return 0;
  std::size_t count = 0;
  while (key.EnumValue(static_cast<std::uint32_t>(count), nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS) {
    ++count;
  }
  return count;
}

TEST(KeyPath, BuildsBelowTheRootKey) {
  EXPECT_EQ(VersionKeyPath(), kVersion);
  EXPECT_EQ(KeyPath("\\%i.%i\\view\\xElement#%i", kVersionMajor, kVersionMinor, 2),
            std::string(kVersion) + "\\view\\xElement#2");
  EXPECT_EQ(KeyPath("\\Recent Document List"),
            std::string(kRootKeyPath) + "\\Recent Document List");
  // The expansion is cut at 1023 bytes, never inside a UTF-8 sequence.
  const std::string longName = std::string(1022, 'a') + "\xC3\xA9";
  EXPECT_EQ(KeyPath("%s", longName.c_str()), std::string(kRootKeyPath) + std::string(1022, 'a'));
}

TEST(OptionGroups, EmptyStoreGivesTheDefaultsAndCreatesTheGroupKeys) {
  testing::TempDir dir;
  RegistryStore store(dir.File("registry.db"));
  PageSet pages;
  BuildPageSet(pages, store);

  std::vector<unsigned> ids;
  std::vector<std::string> titles;
  for (const auto& [id, page] : pages) {
    ids.push_back(id);
    titles.push_back(page.Title());
  }
  EXPECT_EQ(ids, (std::vector<unsigned>{57371, 57372, 57373, 57374, 57375}));
  EXPECT_EQ(titles, (std::vector<std::string>{"General", "Appearance", "Data List", "Data Tree",
                                              "Report Window"}));

  EXPECT_EQ(PageValues(pages.GetPage(kPageGeneral)), (Values{{"GoDirectlyToTableFldr", 0},
                                                             {"RecentListMaxEnteries", 4},
                                                             {"SingleInstance", 1},
                                                             {"MaxBackupPoints", 20}}));
  EXPECT_TRUE(pages.GetPage(kPageAppearance).Options().empty());
  EXPECT_EQ(PageValues(pages.GetPage(kPageDataList)), (Values{{"UseIndividualProp", 1},
                                                              {"IsShowGrid", 1},
                                                              {"IsFullRowSel", 1},
                                                              {"IsFlatSB", 0},
                                                              {"ShowTT1", 0},
                                                              {"ShowTT2", 1}}));
  EXPECT_EQ(
      PageValues(pages.GetPage(kPageDataTree)),
      (Values{{"IsHasButtons", 1}, {"IsHasLines", 1}, {"IsFullRowSel", 0}, {"IsTrackSelect", 0}}));
  EXPECT_EQ(PageValues(pages.GetPage(kPageReportWindow)),
            (Values{{"IsShowGrid", 1}, {"IsFullRowSel", 1}, {"IsFlatSB", 0}}));

  // Reading created the four keys and wrote nothing; the view key waits for the layout.
  for (const char* sub : {"\\ListWnd", "\\TreeWnd", "\\ReportWnd"}) {
    EXPECT_TRUE(KeyExists(store, std::string(kAppearance) + sub)) << sub;
    EXPECT_EQ(ValueCount(store, std::string(kAppearance) + sub), 0u) << sub;
  }
  EXPECT_TRUE(KeyExists(store, kGeneral));
  EXPECT_EQ(ValueCount(store, kGeneral), 0u);
  EXPECT_FALSE(KeyExists(store, std::string(kVersion) + "\\view"));
}

TEST(OptionGroups, StoredValuesOverrideTheDefaults) {
  RegistryStore store(":memory:");
  RegKey general, tree;
  ASSERT_EQ(store.CreateKey(kGeneral, &general), ERROR_SUCCESS);
  ASSERT_EQ(store.CreateKey(std::string(kAppearance) + "\\TreeWnd", &tree), ERROR_SUCCESS);
  general.SetValue("MaxBackupPoints", REG_SZ, " 42abc", 7);
  WriteDword(general, "SingleInstance", 0);
  tree.SetValue("IsHasLines", REG_SZ, "abc", 4);
  WriteOptionNumber(tree, "IsTrackSelect", 1);

  PageSet pages;
  BuildPageSet(pages, store);
  EXPECT_EQ(pages.GetPage(kPageGeneral).Value(option::kMaxBackupPoints), 42);
  EXPECT_EQ(pages.GetPage(kPageGeneral).Value(option::kSingleInstance), 0);
  EXPECT_EQ(pages.GetPage(kPageGeneral).Value(option::kRecentListMaxEnteries), 4);
  EXPECT_EQ(pages.GetPage(kPageDataTree).Value(option::kIsHasLines), 0);
  EXPECT_EQ(pages.GetPage(kPageDataTree).Value(option::kIsTrackSelect), 1);
  EXPECT_EQ(pages.GetPage(kPageDataTree).Value(option::kIsHasButtons), 1);
}

TEST(OptionGroups, SaveWritesEveryGroupEvenUnchanged) {
  RegistryStore store(":memory:");
  PageSet pages;
  BuildPageSet(pages, store);
  SaveConfiguration(pages, store);

  RegKey general;
  ASSERT_EQ(store.OpenKey(kGeneral, &general), ERROR_SUCCESS);
  std::uint32_t type = 0;
  Bytes data;
  ASSERT_EQ(general.QueryValue("MaxBackupPoints", &type, &data), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  Bytes twenty(125, 0);
  twenty[0] = '2';
  twenty[1] = '0';
  EXPECT_EQ(data, twenty);
  ASSERT_EQ(general.QueryValue("SingleInstance", &type, &data), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(data, (Bytes{1, 0, 0, 0}));

  EXPECT_EQ(ValueCount(store, kGeneral), 4u);
  EXPECT_EQ(ValueCount(store, kAppearance), 0u);
  EXPECT_EQ(ValueCount(store, std::string(kAppearance) + "\\ListWnd"), 6u);
  EXPECT_EQ(ValueCount(store, std::string(kAppearance) + "\\TreeWnd"), 4u);
  EXPECT_EQ(ValueCount(store, std::string(kAppearance) + "\\ReportWnd"), 3u);
  // Every option number has the fixed data size.
  RegKey list;
  ASSERT_EQ(store.OpenKey(std::string(kAppearance) + "\\ListWnd", &list), ERROR_SUCCESS);
  std::string name;
  for (std::uint32_t i = 0; list.EnumValue(i, &name, &type, &data) == ERROR_SUCCESS; ++i) {
    EXPECT_EQ(type, REG_SZ) << name;
    EXPECT_EQ(data.size(), 125u) << name;
  }

  // A changed value is what the next frame reads.
  pages.GetPage(kPageDataList).SetValue(option::kShowTT1, 1);
  pages.GetPage(kPageDataList).SaveToRegistry(store);
  PageSet next;
  BuildPageSet(next, store);
  EXPECT_EQ(next.GetPage(kPageDataList).Value(option::kShowTT1), 1);
}

TEST(OptionGroups, ExchangeModes) {
  RegistryStore store(":memory:");
  SettingsPage report(kPageReportWindow, &kReportWndGroup);
  report.SetValue(option::kIsFlatSB, 1);
  report.SetValue(option::kIsShowGrid, 0);

  // An unknown mode touches neither the values nor the store.
  EXPECT_EQ(ExchangeReportWnd(3, report, store), -1);
  EXPECT_EQ(ExchangeReportWnd(-1, report, store), -1);
  EXPECT_EQ(report.Value(option::kIsFlatSB), 1);
  EXPECT_FALSE(KeyExists(store, std::string(kAppearance) + "\\ReportWnd"));

  EXPECT_EQ(ExchangeReportWnd(kExchangeWrite, report, store), ERROR_SUCCESS);
  EXPECT_EQ(ExchangeReportWnd(kExchangeDefaults, report, store), ERROR_SUCCESS);
  EXPECT_EQ(report.Value(option::kIsFlatSB), 0);
  EXPECT_EQ(report.Value(option::kIsShowGrid), 1);
  EXPECT_EQ(ExchangeReportWnd(kExchangeRead, report, store), ERROR_SUCCESS);
  EXPECT_EQ(report.Value(option::kIsFlatSB), 1);
  EXPECT_EQ(report.Value(option::kIsShowGrid), 0);

  // A routine given another group's page refuses it.
  EXPECT_EQ(ExchangeTreeWnd(kExchangeRead, report, store), ERROR_INVALID_PARAMETER);
  SettingsPage empty;
  EXPECT_EQ(empty.SaveToRegistry(store), ERROR_SUCCESS);
}

TEST(OptionGroups, ViewGroupSpansTheVersionKeyAndTheViewKey) {
  RegistryStore store(":memory:");
  SettingsPage view = MakeViewGroup();
  EXPECT_EQ(PageValues(view), (Values{{"FirstStart", 1},
                                      {"IsStandardTBVisible", 1},
                                      {"IsDBTBVisible", 1},
                                      {"IsStatusBarVisible", 1},
                                      {"IsLockRebarCtrl", 0}}));
  view.SetValue(option::kFirstStart, 0);
  view.SetValue(option::kIsLockRebarCtrl, 1);
  ASSERT_EQ(ExchangeView(kExchangeWrite, view, store), ERROR_SUCCESS);
  EXPECT_EQ(ValueCount(store, kVersion), 1u);
  EXPECT_EQ(ValueCount(store, std::string(kVersion) + "\\view"), 4u);

  SettingsPage restored = MakeViewGroup();
  ASSERT_EQ(ExchangeView(kExchangeRead, restored, store), ERROR_SUCCESS);
  EXPECT_EQ(restored.Value(option::kFirstStart), 0);
  EXPECT_EQ(restored.Value(option::kIsLockRebarCtrl), 1);
}

TEST(OptionGroups, SingleInstanceIsAFourByteValue) {
  RegistryStore store(":memory:");
  EXPECT_EQ(ReadSingleInstance(store, kGeneral, 1), 1u);
  EXPECT_TRUE(KeyExists(store, kGeneral));  // opened by creating it
  EXPECT_EQ(WriteSingleInstance(store, kGeneral, 0), ERROR_SUCCESS);
  EXPECT_EQ(ReadSingleInstance(store, kGeneral, 1), 0u);
  RegKey key;
  ASSERT_EQ(store.OpenKey(kGeneral, &key), ERROR_SUCCESS);
  key.SetValue("SingleInstance", REG_SZ, "0", 2);  // not 4 bytes: the default
  EXPECT_EQ(ReadSingleInstance(store, kGeneral, 1), 1u);
}

TEST(PageSet, UnknownIdGetsAnEmptyEntryAndPagesFindOptionsByName) {
  PageSet pages;
  SettingsPage& list = pages.AddPage(kPageDataList, &kListWndGroup);
  EXPECT_FALSE(list.IsModified());
  list.SetModified();
  EXPECT_TRUE(pages.GetPage(kPageDataList).IsModified());
  EXPECT_TRUE(list.SetValue(option::kShowTT2, 0));
  EXPECT_FALSE(list.SetValue("NoSuchOption", 1));
  EXPECT_EQ(list.Value("NoSuchOption", -7), -7);
  ASSERT_NE(list.FindOption(option::kShowTT2), nullptr);
  EXPECT_EQ(list.FindOption(option::kShowTT2)->Get(), 0);

  EXPECT_EQ(pages.FindPage(12345), nullptr);
  SettingsPage& missing = pages.GetPage(12345);
  EXPECT_TRUE(missing.Options().empty());
  EXPECT_TRUE(missing.Title().empty());
  EXPECT_EQ(pages.size(), 2u);
}

}  // namespace
}  // namespace quillet::config
