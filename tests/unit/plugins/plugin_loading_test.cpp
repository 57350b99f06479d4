// Loading viewer modules, the manager's ids and folder scan, the per-cell menu and carrying out
// a plug-in command, against real shared objects built for the tests.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "plugins/module_plugin.h"
#include "plugins/plugin_manager.h"
#include "plugins/text_viewer_plugin.h"
#include "unit/plugins/plugin_test_support.h"

namespace quillet::plugins {
namespace {

using test::TempFolder;

TEST(ModulePlugin, OnlyTheRequiredExportsLoadWithDefaults) {
  ModulePlugin plugin;
  ASSERT_TRUE(plugin.LoadPlugin(TempFolder::ModuleFile("minimal")));
  PluginDescription d;
  std::memset(&d, 'x', sizeof d);
  plugin.GetModuleDescription(&d);
  EXPECT_STREQ(d.name, "<Unknown>");
  EXPECT_STREQ(d.version, "");
  EXPECT_STREQ(d.languages, "");
  EXPECT_FALSE(plugin.HasAboutBox());
  EXPECT_FALSE(plugin.HasConfigurateWnd());
  BlobInfo info{nullptr, QUILLET_DBTYPE_BYTES};
  EXPECT_TRUE(plugin.TestBLOB(&info));  // no TestBLOB: it takes everything
  EXPECT_STREQ(plugin.GetMenuItemName(), "Minimal viewer");
}

TEST(ModulePlugin, RefusesFilesThatAreNoCompletePlugin) {
  TempFolder folder;
  ModulePlugin plugin;
  // A required export the host never calls is still required.
  EXPECT_FALSE(plugin.LoadPlugin(TempFolder::ModuleFile("no_menu_w")));
  EXPECT_FALSE(plugin.IsLoaded());
  std::ofstream(folder.Path() + "junk.blob") << "not a shared object";
  EXPECT_FALSE(plugin.LoadPlugin(folder.Path() + "junk.blob"));
  EXPECT_FALSE(plugin.LoadPlugin(folder.Path() + "missing.blob"));
  // A failed load leaves nothing of an earlier one behind.
  ASSERT_TRUE(plugin.LoadPlugin(TempFolder::ModuleFile("accept_all")));
  EXPECT_FALSE(plugin.LoadPlugin(TempFolder::ModuleFile("no_menu_w")));
  EXPECT_EQ(plugin.GetMenuItemName(), nullptr);
  EXPECT_TRUE(plugin.Path().empty());
}

TEST(ModulePlugin, DescriptionFieldsStayTerminatedAndOptionalsAreSeen) {
  ModulePlugin plugin;
  ASSERT_TRUE(plugin.LoadPlugin(TempFolder::ModuleFile("accept_all")));
  PluginDescription d;
  plugin.GetModuleDescription(&d);
  EXPECT_STREQ(d.name, "Accept-all");
  EXPECT_EQ(std::string(d.version), std::string(10, '9'));  // the module wrote no terminator
  EXPECT_TRUE(plugin.HasAboutBox());
  EXPECT_TRUE(plugin.HasConfigurateWnd());
}

TEST(ModulePlugin, ExceptionsFromTheModuleGiveTheFixedResults) {
  const std::string path = TempFolder::ModuleFile("accept_all");
  ModulePlugin plugin;
  ASSERT_TRUE(plugin.LoadPlugin(path));
  test::FakeModule fake(path);
  fake.SetBehaviour(2, false, true);
  BlobInfo info{nullptr, QUILLET_DBTYPE_BYTES};
  EXPECT_FALSE(plugin.ShowBLOB(nullptr, 0, &info));
  EXPECT_TRUE(plugin.TestBLOB(&info));
  EXPECT_EQ(plugin.GetLastErrorText(), nullptr);
  EXPECT_EQ(plugin.GetMenuItemName(), nullptr);
  fake.SetBehaviour(0, false, false);
}

// Folder layouts and which module files the scan takes.
struct ScanCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> files;  // variant, relative path
  std::vector<std::string> loaded;                         // relative paths, in id order
};

class ScanFolderTest : public testing::TestWithParam<ScanCase> {};

TEST_P(ScanFolderTest, LoadsExactlyTheModules) {
  TempFolder folder;
  for (const auto& [variant, relative] : GetParam().files) folder.AddModule(variant, relative);
  PluginManager manager;
  manager.ScanFolder(folder.Path());
  std::vector<std::string> loaded;
  for (const auto& [id, plugin] : manager.Modules())
    loaded.push_back(static_cast<ModulePlugin&>(*plugin).Path().substr(folder.Path().size()));
  EXPECT_EQ(loaded, GetParam().loaded);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ScanFolderTest,
    testing::Values(
        ScanCase{"capitals", {{"minimal", "UPPER.BLOB"}, {"minimal", "mixed.Blob"}}, {}},
        ScanCase{"two_dots", {{"minimal", "a.b.blob"}}, {"a.b.blob"}},
        ScanCase{"not_last_part", {{"minimal", "viewer.blob.bak"}, {"minimal", "blob"}}, {}},
        ScanCase{
            "sub_folders",
            {{"minimal", "one/a.blob"}, {"accept_all", "one/two/b.blob"}, {"minimal", "c.blob"}},
            {"c.blob", "one/a.blob", "one/two/b.blob"}},
        ScanCase{
            "incomplete_skipped", {{"no_menu_w", "a.blob"}, {"minimal", "b.blob"}}, {"b.blob"}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(PluginManager, IdsAndIndexOrder) {
  TempFolder folder;
  folder.AddModule("minimal", "a.blob");
  folder.AddModule("accept_all", "b.blob");
  PluginManager* manager = PluginManager::Attach(folder.Path());
  ASSERT_NE(manager, nullptr);
  EXPECT_NE(dynamic_cast<TextViewerPlugin*>(manager->Find(53248)), nullptr);
  EXPECT_STREQ(manager->Find(53265)->GetMenuItemName(), "Minimal viewer");
  EXPECT_STREQ(manager->Find(53266)->GetMenuItemName(), "Accept-all viewer");
  EXPECT_EQ(manager->Find(53249), nullptr);
  EXPECT_EQ(manager->Find(53267), nullptr);
  EXPECT_EQ(manager->Find(53505), nullptr);
  EXPECT_EQ(manager->Count(), 3);
  EXPECT_EQ(manager->At(0), manager->Find(53248));
  EXPECT_EQ(manager->At(2), manager->Find(53266));
  EXPECT_EQ(manager->At(3), nullptr);
  EXPECT_EQ(manager->At(-1), nullptr);
  PluginManager::Detach();
}

TEST(PluginManager, FirstUserCreatesAndLastUserDestroys) {
  TempFolder first;
  first.AddModule("minimal", "a.blob");
  TempFolder second;
  PluginManager* manager = PluginManager::Attach(first.Path());
  // A later user shares the manager: the folder is scanned once.
  EXPECT_EQ(PluginManager::Attach(second.Path()), manager);
  EXPECT_EQ(PluginManager::Users(), 2);
  PluginManager::Detach();
  EXPECT_EQ(PluginManager::Instance(), manager);
  EXPECT_EQ(manager->Modules().size(), 1u);
  PluginManager::Detach();
  EXPECT_EQ(PluginManager::Instance(), nullptr);
  PluginManager::Detach();  // one too many changes nothing
  EXPECT_EQ(PluginManager::Users(), 0);
  // The next first user scans again.
  manager = PluginManager::Attach(second.Path());
  EXPECT_TRUE(manager->Modules().empty());
  PluginManager::Detach();
}

std::vector<std::string> Describe(const shell::MenuModel& menu) {
  std::vector<std::string> items;
  for (const shell::MenuItem& item : menu.Items())
    items.push_back(item.separator
                        ? "---"
                        : std::to_string(item.id) + (item.enabled ? " " : " gray ") + item.text);
  return items;
}

// Which entries a cell of each type gets, with the modules present.
struct MenuCase {
  const char* name;
  std::vector<std::string> modules;  // variants, loaded in this order
  std::uint32_t type;
  std::vector<std::string> expected;
};

class CellMenuTest : public testing::TestWithParam<MenuCase> {};

TEST_P(CellMenuTest, ListsThePluginsThatAccept) {
  TempFolder folder;
  int n = 0;
  for (const std::string& variant : GetParam().modules)
    folder.AddModule(variant, std::to_string(n++) + ".blob");
  PluginManager* manager = PluginManager::Attach(folder.Path());
  shell::MenuModel menu({{7, "stale"}});
  BlobInfo info{nullptr, GetParam().type};
  manager->FillMenu(menu, &info);
  EXPECT_EQ(Describe(menu), GetParam().expected);
  PluginManager::Detach();
}

INSTANTIATE_TEST_SUITE_P(
    Cells, CellMenuTest,
    testing::Values(MenuCase{"text_without_modules", {}, 129, {"53248 Show as a simple text"}},
                    MenuCase{"wide_text_without_modules", {}, 130, {"53248 Show as a simple text"}},
                    MenuCase{"binary_without_modules", {}, 128, {"1 gray (empty)"}},
                    MenuCase{
                        "binary_with_accept_all", {"accept_all"}, 128, {"53265 Accept-all viewer"}},
                    MenuCase{"text_with_two_modules",
                             {"minimal", "accept_all"},
                             129,
                             {"53248 Show as a simple text", "---", "53265 Minimal viewer",
                              "53266 Accept-all viewer"}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(PluginManager, EmptyManagerOffersTheGrayEntryOnly) {
  PluginManager manager;
  shell::MenuModel menu;
  BlobInfo info{nullptr, 129};
  manager.FillMenu(menu, &info);
  EXPECT_EQ(Describe(menu), std::vector<std::string>{"1 gray (empty)"});
}

// A refusing plug-in: its reason, if any, in an exclamation box titled "Quillet: Error message".
struct RefusalCase {
  const char* name;
  int errorMode;
  std::vector<std::string> boxes;
};

class RefusalTest : public testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalTest, ShowsTheReasonOnlyWhenThereIsOne) {
  TempFolder folder;
  const std::string path = folder.AddModule("minimal", "a.blob");
  PluginManager* manager = PluginManager::Attach(folder.Path());
  test::FakeModule fake(path);
  fake.SetBehaviour(GetParam().errorMode, true, false);
  test::RecordingPluginUi ui;
  BlobStorage storage;
  BlobInfo info{storage.CreateStream(kBlobStreamName), 128};
  WriteAll(info.stream, "bytes", 5);
  EXPECT_TRUE(manager->Run(53265, &info, &ui, nullptr));
  EXPECT_EQ(fake.Shown(), "bytes");  // the module got the stream and read it from the start
  std::vector<std::string> boxes;
  for (const auto& box : ui.boxes) {
    EXPECT_EQ(box.icon, MessageIcon::Exclamation);
    boxes.push_back(box.caption + "|" + box.text);
  }
  EXPECT_EQ(boxes, GetParam().boxes);
  EXPECT_FALSE(manager->Run(53400, &info, &ui, nullptr));  // no such plug-in
  info.stream->vtbl->Release(info.stream);
  fake.SetBehaviour(0, false, false);
  PluginManager::Detach();
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, RefusalTest,
    testing::Values(RefusalCase{"null", 0, {}},
                    RefusalCase{"empty", 1, {"Quillet: Error message|"}},
                    RefusalCase{"text", 2, {"Quillet: Error message|Cannot show this"}}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace quillet::plugins
