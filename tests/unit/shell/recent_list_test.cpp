#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "config/key_path.h"
#include "config/registry_store.h"
#include "config/registry_values.h"
#include "datasource/recent_list.h"
#include "datasource/registry_text.h"

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
  config::RegKey ListKey() {
    config::RegKey key;
    EXPECT_EQ(store_.CreateKey(kListKey, &key), config::ERROR_SUCCESS);
    return key;
  }
  RecentList& Filled(RecentList& list, std::initializer_list<std::string> paths) {
    for (const std::string& path : paths) list.AddToList(path);
    return list;
  }

  config::RegistryStore store_{":memory:"};  // never the user's settings
  MenuModel menu_ = FileMenu();
};

TEST_F(RecentListTest, SamePathInOtherCaseMovesToTop) {
  RecentList list;
  list.AttachMenu(&menu_);
  Filled(list, {"/data/a.udl", "/data/b.udl", "/DATA/A.UDL"});

  EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/data/b.udl", "/DATA/A.UDL"}));
  EXPECT_EQ(Texts(menu_),
            (std::vector<std::string>{"Create new data &link (UDL file)...",
                                      "&Open data link (UDL file)...", "-", "&1 /DATA/A.UDL",
                                      "&2 /data/b.udl", "-", "E&xit"}));
  EXPECT_EQ(menu_.At(4).id, 57617u);
  EXPECT_TRUE(menu_.At(4).enabled);
  EXPECT_EQ(list.EntryForCommand(57616), "/DATA/A.UDL");
  EXPECT_EQ(list.EntryForCommand(57617), "/data/b.udl");
  EXPECT_EQ(list.EntryForCommand(57618), "");
  EXPECT_EQ(list.EntryForCommand(57615), "");
}

TEST_F(RecentListTest, FullListDropsTheOldestAndRefusesOverlongPaths) {
  RecentList list;
  Filled(list, {"/1.udl", "/2.udl", "/3.udl", "/4.udl", "/5.udl"});
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/2.udl", "/3.udl", "/4.udl", "/5.udl"}));
  // A lower maximum takes effect at the next addition, and the menu follows.
  list.AttachMenu(&menu_);
  list.SetMaximum(2);
  list.AddToList("/6.udl");
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/5.udl", "/6.udl"}));
  const std::vector<std::string> texts = Texts(menu_);
  EXPECT_EQ(std::vector<std::string>(texts.begin() + 3, texts.begin() + 6),
            (std::vector<std::string>{"&1 /6.udl", "&2 /5.udl", "-"}));

  // An entry holds at most 1023 bytes.
  RecentList paths;
  EXPECT_TRUE(paths.AddToList("/" + std::string(1022, 'p')));
  EXPECT_FALSE(paths.AddToList("/" + std::string(1023, 'p')));
  EXPECT_FALSE(paths.AddToList(""));
  EXPECT_EQ(paths.Entries().size(), 1u);
}

TEST_F(RecentListTest, MenuShowsShortenedPathsAndEmptyPlaceholder) {
  RecentList list;
  list.SetItemLengthLimit(40);
  list.AttachMenu(&menu_);
  list.UpdateMenu();
  ASSERT_EQ(menu_.Count(), 6u);
  EXPECT_EQ(menu_.At(3).text, "(empty)");
  EXPECT_FALSE(menu_.At(3).enabled);

  list.AddToList("/home/ann/projects/warehouse/stock.udl");  // 38 bytes: whole
  EXPECT_EQ(menu_.At(3).text, "&1 /home/ann/projects/warehouse/stock.udl");
  list.AddToList("/home/ann/projects/warehouse/archive/2003/spring/stock.udl");
  EXPECT_EQ(menu_.At(3).text, "&1 /home/ann/projects/warehou.../stock.udl");

  // Attaching another menu whose placeholder has its own text takes that text; re-attaching a
  // filled menu keeps it rather than taking an entry's text.
  MenuModel popup({{57616, "(nothing yet)", false, false}});
  list.AttachMenu(&popup);
  list.AttachMenu(&menu_);
  EXPECT_EQ(list.EmptyText(), "(nothing yet)");
}

TEST_F(RecentListTest, WriteThenReadKeepsOrderAndMaximum) {
  RecentList written;
  written.SetMaximum(5);
  ASSERT_TRUE(Filled(written, {"/a.udl", "/b.udl", "/c.udl"}).WriteToRegistry(kRootKey, store_));
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
  read.AttachMenu(&menu_);
  ASSERT_TRUE(read.ReadFromRegistry(kRootKey, store_));
  EXPECT_EQ(read.Maximum(), 5);
  EXPECT_EQ(read.Entries(), written.Entries());
  EXPECT_EQ(menu_.At(3).text, "&1 /c.udl");
}

TEST_F(RecentListTest, ShorterListRemovesEveryOlderValue) {
  RecentList big;
  big.SetMaximum(16);
  for (int i = 1; i <= 16; ++i) big.AddToList("/" + std::to_string(i) + ".udl");
  ASSERT_TRUE(big.WriteToRegistry(kRootKey, store_));
  RecentList small;
  small.SetMaximum(16);
  ASSERT_TRUE(Filled(small, {"/x.udl", "/y.udl", "/z.udl"}).WriteToRegistry(kRootKey, store_));

  config::RegKey key = ListKey();
  for (int i = 4; i <= 16; ++i) {
    EXPECT_EQ(key.QueryValue("Document" + std::to_string(i), nullptr, nullptr),
              config::ERROR_FILE_NOT_FOUND)
        << i;
  }
  RecentList read;
  ASSERT_TRUE(read.ReadFromRegistry(kRootKey, store_));
  EXPECT_EQ(read.Entries(), small.Entries());
}

TEST_F(RecentListTest, StoredCountIsHeldToTwoToSixteen) {
  for (auto [stored, expected] : {std::pair{40u, 16}, {1u, 2}, {0xFFFFFFFFu, 2}, {7u, 7}}) {
    config::RegKey key = ListKey();
    ASSERT_EQ(config::WriteDword(key, "DocumentCount", stored), config::ERROR_SUCCESS);
    RecentList list;
    ASSERT_TRUE(list.ReadFromRegistry(kRootKey, store_));
    EXPECT_EQ(list.Maximum(), expected) << stored;
  }
}

TEST_F(RecentListTest, MissingOrDamagedValuesLeaveListAsItWas) {
  RecentList list;
  list.AddToList("/kept.udl");
  EXPECT_FALSE(list.ReadFromRegistry(kRootKey, store_));  // no key at all
  config::RegKey key = ListKey();
  key.SetValue("DocumentCount", config::REG_DWORD, "\3", 2);
  EXPECT_FALSE(list.ReadFromRegistry(kRootKey, store_));
  EXPECT_EQ(list.Entries(), std::vector<std::string>{"/kept.udl"});
  EXPECT_EQ(list.Maximum(), 4);

  // A good count with gaps, a non-text value and an oversized value: only the good ones load.
  config::WriteDword(key, "DocumentCount", 4);
  WriteText(key, "Document1", "/one.udl");
  config::WriteDword(key, "Document2", 9);
  WriteText(key, "Document3", std::string(1500, 'z'));
  ASSERT_TRUE(list.ReadFromRegistry(kRootKey, store_));
  EXPECT_EQ(list.Entries(), std::vector<std::string>{"/one.udl"});
}

}  // namespace
}  // namespace quillet::shell
