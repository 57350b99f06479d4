#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "config/key_path.h"
#include "config/registry_store.h"
#include "config/registry_values.h"
#include "shell/recent_list.h"
#include "shell/registry_text.h"
#include "test_store.h"

namespace quillet::shell {
namespace {

const std::string kRootKey = config::kRootKeyPath;
const std::string kListKey = kRootKey + "\\Recent Document List";

// The File menu as the resource builds it, with its disabled placeholder.
MenuModel FileMenu() {
  return MenuModel({{32792, "Create new data &link (UDL file)...", true, false},
                    {32795, "&Open data link (UDL file)...", true, false},
                    {0, "", true, true},
                    {57616, "(empty)", false, false},
                    {0, "", true, true},
                    {32806, "E&xit", true, false}});
}

std::vector<std::string> Texts(const MenuModel& menu) {
  std::vector<std::string> texts;
  for (const MenuItem& item : menu.Items()) texts.push_back(item.separator ? "-" : item.text);
  return texts;
}

class RecentListTest : public ::testing::Test {
 protected:
  config::RegistryStore& store() { return scratch_.get(); }

  config::RegKey ListKey() {
    config::RegKey key;
    EXPECT_EQ(store().CreateKey(kListKey, &key), config::ERROR_SUCCESS);
    return key;
  }

  testing_support::ScratchStore scratch_;
};

TEST_F(RecentListTest, SamePathInOtherCaseMovesToTop) {
  RecentList list;
  MenuModel menu = FileMenu();
  list.AttachMenu(&menu);
  list.AddToList("/data/a.udl");
  list.AddToList("/data/b.udl");
  list.AddToList("/DATA/A.UDL");

  EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/data/b.udl", "/DATA/A.UDL"}));
  EXPECT_EQ(Texts(menu), (std::vector<std::string>{
                             "Create new data &link (UDL file)...", "&Open data link (UDL file)...",
                             "-", "&1 /DATA/A.UDL", "&2 /data/b.udl", "-", "E&xit"}));
  EXPECT_EQ(menu.At(3).id, 57616u);
  EXPECT_EQ(menu.At(4).id, 57617u);
  EXPECT_TRUE(menu.At(4).enabled);
  EXPECT_EQ(list.EntryForCommand(57616), "/DATA/A.UDL");
  EXPECT_EQ(list.EntryForCommand(57617), "/data/b.udl");
  EXPECT_EQ(list.EntryForCommand(57618), "");
  EXPECT_EQ(list.EntryForCommand(57615), "");
}

TEST_F(RecentListTest, FullListDropsTheOldest) {
  RecentList list;
  for (const char* path : {"/1.udl", "/2.udl", "/3.udl", "/4.udl", "/5.udl"}) list.AddToList(path);
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/2.udl", "/3.udl", "/4.udl", "/5.udl"}));

  // A lower maximum takes effect at the next addition, and the menu follows.
  MenuModel menu = FileMenu();
  list.AttachMenu(&menu);
  list.SetMaximum(2);
  list.AddToList("/6.udl");
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/5.udl", "/6.udl"}));
  EXPECT_EQ(Texts(menu)[3], "&1 /6.udl");
  EXPECT_EQ(Texts(menu)[4], "&2 /5.udl");
  EXPECT_EQ(Texts(menu)[5], "-");
}

TEST_F(RecentListTest, RefusesPathsLongerThanAnEntryHolds) {
  RecentList list;
  EXPECT_TRUE(list.AddToList("/" + std::string(1022, 'p')));
  EXPECT_FALSE(list.AddToList("/" + std::string(1023, 'p')));
  EXPECT_FALSE(list.AddToList(""));
  EXPECT_EQ(list.Entries().size(), 1u);
}

TEST_F(RecentListTest, MenuShowsShortenedPathsAndEmptyPlaceholder) {
  RecentList list;
  list.SetItemLengthLimit(40);
  MenuModel menu = FileMenu();
  list.AttachMenu(&menu);
  list.UpdateMenu();
  ASSERT_EQ(menu.Count(), 6u);
  EXPECT_EQ(menu.At(3).text, "(empty)");
  EXPECT_FALSE(menu.At(3).enabled);

  list.AddToList("/home/ann/projects/warehouse/archive/2003/spring/stock.udl");
  EXPECT_EQ(menu.At(3).text, "&1 /home/ann/projects/warehou.../stock.udl");

  // Attaching another menu whose placeholder has its own text takes that text; re-attaching a
  // filled menu keeps it rather than taking an entry's text.
  MenuModel popup({{57616, "(nothing yet)", false, false}});
  list.AttachMenu(&popup);
  list.AttachMenu(&menu);
  EXPECT_EQ(list.EmptyText(), "(nothing yet)");
}

TEST_F(RecentListTest, WriteThenReadKeepsOrderAndMaximum) {
  RecentList written;
  written.SetMaximum(5);
  for (const char* path : {"/a.udl", "/b.udl", "/c.udl"}) written.AddToList(path);
  ASSERT_TRUE(written.WriteToRegistry(kRootKey, store()));

  config::RegKey key = ListKey();
  std::uint32_t count = 0;
  EXPECT_EQ(config::ReadDword(key, "DocumentCount", &count), config::ERROR_SUCCESS);
  EXPECT_EQ(count, 5u);
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  ASSERT_EQ(key.QueryValue("Document1", &type, &data), config::ERROR_SUCCESS);
  EXPECT_EQ(type, config::REG_SZ);
  EXPECT_EQ(data, (std::vector<std::uint8_t>{'/', 'c', '.', 'u', 'd', 'l', 0}));

  RecentList read;
  MenuModel menu = FileMenu();
  read.AttachMenu(&menu);
  ASSERT_TRUE(read.ReadFromRegistry(kRootKey, store()));
  EXPECT_EQ(read.Maximum(), 5);
  EXPECT_EQ(read.Entries(), written.Entries());
  EXPECT_EQ(menu.At(3).text, "&1 /c.udl");
}

TEST_F(RecentListTest, ShorterListRemovesEveryOlderValue) {
  RecentList big;
  big.SetMaximum(16);
  for (int i = 1; i <= 16; ++i) big.AddToList("/" + std::to_string(i) + ".udl");
  ASSERT_TRUE(big.WriteToRegistry(kRootKey, store()));

  RecentList small;
  small.SetMaximum(16);
  for (const char* path : {"/x.udl", "/y.udl", "/z.udl"}) small.AddToList(path);
  ASSERT_TRUE(small.WriteToRegistry(kRootKey, store()));

  config::RegKey key = ListKey();
  for (int i = 4; i <= 16; ++i) {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    EXPECT_EQ(key.QueryValue("Document" + std::to_string(i), &type, &data),
              config::ERROR_FILE_NOT_FOUND)
        << i;
  }
  RecentList read;
  ASSERT_TRUE(read.ReadFromRegistry(kRootKey, store()));
  EXPECT_EQ(read.Entries(), small.Entries());
}

TEST_F(RecentListTest, StoredCountIsHeldToTwoToSixteen) {
  const std::vector<std::pair<std::uint32_t, int>> cases = {
      {40, 16}, {1, 2}, {0xFFFFFFFFu, 2}, {7, 7}};
  for (auto [stored, expected] : cases) {
    config::RegKey key = ListKey();
    ASSERT_EQ(config::WriteDword(key, "DocumentCount", stored), config::ERROR_SUCCESS);
    RecentList list;
    ASSERT_TRUE(list.ReadFromRegistry(kRootKey, store()));
    EXPECT_EQ(list.Maximum(), expected) << stored;
  }
}

TEST_F(RecentListTest, MissingOrDamagedValuesLeaveListAsItWas) {
  RecentList list;
  list.AddToList("/kept.udl");
  EXPECT_FALSE(list.ReadFromRegistry(kRootKey, store()));  // no key at all
  EXPECT_EQ(list.Entries(), std::vector<std::string>{"/kept.udl"});
  EXPECT_EQ(list.Maximum(), 4);

  config::RegKey key = ListKey();
  const std::uint8_t shortCount[2] = {3, 0};
  key.SetValue("DocumentCount", config::REG_DWORD, shortCount, sizeof shortCount);
  EXPECT_FALSE(list.ReadFromRegistry(kRootKey, store()));
  EXPECT_EQ(list.Entries().size(), 1u);

  // A good count with gaps, a non-text value and an oversized value: only the good ones load.
  config::WriteDword(key, "DocumentCount", 4);
  WriteText(key, "Document1", "/one.udl");
  config::WriteDword(key, "Document2", 9);
  WriteText(key, "Document3", std::string(1500, 'z'));
  ASSERT_TRUE(list.ReadFromRegistry(kRootKey, store()));
  EXPECT_EQ(list.Entries(), std::vector<std::string>{"/one.udl"});
}

}  // namespace
}  // namespace quillet::shell
