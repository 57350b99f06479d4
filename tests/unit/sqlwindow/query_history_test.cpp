// The query history of a connection: what is kept and in which order, the key it is stored
// under (never holding a password), values the store gives back damaged, several windows on one
// connection, and a store that refuses writes.

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "config/key_path.h"
#include "config/registry_store.h"
#include "sqlwindow/history_key.h"
#include "sqlwindow/query_history.h"
#include "unit/config/config_test_support.h"

namespace quillet::sqlwindow {
namespace {

using Texts = std::vector<std::string>;

constexpr char kDemo[] = "/data/demo.udl";

// Every key path and value name in the store below `path`.
void CollectNames(const config::RegKey& key, Texts* names) {
  names->push_back(key.Path());
  std::string name;
  for (std::uint32_t i = 0; key.EnumValue(i, &name, nullptr, nullptr) == config::ERROR_SUCCESS; ++i)
    names->push_back(key.Path() + " : " + name);
  for (std::uint32_t i = 0; key.EnumKey(i, &name) == config::ERROR_SUCCESS; ++i) {
    config::RegKey sub;
    if (key.OpenSubKey(name, &sub) == config::ERROR_SUCCESS) CollectNames(sub, names);
  }
}

class QueryHistoryTest : public ::testing::Test {
 protected:
  Texts Stored(std::string_view displayName) {
    QueryHistory reader;
    reader.Load(store_, displayName);
    return reader.Entries();
  }

  config::RegistryStore store_{":memory:"};  // never the user's settings
};

TEST_F(QueryHistoryTest, KeepsTheNewest200NewestFirstAcrossRuns) {
  QueryHistory history;
  history.Load(store_, kDemo);
  for (int i = 1; i <= 205; ++i) EXPECT_TRUE(history.Record("select " + std::to_string(i)));

  ASSERT_EQ(history.Size(), QueryHistory::kMaxEntries);
  EXPECT_EQ(history.Entries().front(), "select 205");
  EXPECT_EQ(history.Entries().back(), "select 6");  // 1 to 5 were dropped, oldest first
  EXPECT_EQ(Stored(kDemo), history.Entries());
}

TEST_F(QueryHistoryTest, KeepsARepeatOnceAndTheTextAsTyped) {
  QueryHistory history;
  history.Load(store_, kDemo);
  history.Record("  select *\rfrom t\t");
  history.Record("  select *\rfrom t  \r");  // the same but for trailing blanks
  history.Record("select 1");
  history.Record("  select *\rfrom t\t");  // not in a row: kept again
  history.Record("   \r\t");               // nothing to keep
  history.Record(std::string("select '\0'", 10));

  const Texts expected{"  select *\rfrom t\t", "select 1", "  select *\rfrom t\t"};
  EXPECT_EQ(history.Entries(), expected);
  EXPECT_EQ(Stored(kDemo), expected);
  EXPECT_FALSE(history.Add(std::string(QueryHistory::kMaxQueryBytes + 1, 'x')));
  EXPECT_TRUE(history.Add(std::string(QueryHistory::kMaxQueryBytes, 'x')));
}

TEST_F(QueryHistoryTest, EachConnectionHasItsOwn) {
  QueryHistory history;
  history.Load(store_, kDemo);
  history.Record("select 1");
  history.Load(store_, "/data/other.udl");
  EXPECT_TRUE(history.Entries().empty());
  history.Record("select 2");
  history.Unload();
  EXPECT_TRUE(history.Entries().empty());

  EXPECT_EQ(Stored(kDemo), Texts{"select 1"});
  EXPECT_EQ(Stored("/data/other.udl"), Texts{"select 2"});
  EXPECT_TRUE(Stored("connection string").empty());
}

TEST_F(QueryHistoryTest, WindowsOnOneConnectionKeepEachOthersQueries) {
  QueryHistory first;
  QueryHistory second;
  first.Load(store_, kDemo);
  second.Load(store_, kDemo);
  first.Record("select 1");
  second.Record("select 2");
  first.Record("select 3");
  EXPECT_EQ(Stored(kDemo), (Texts{"select 3", "select 2", "select 1"}));

  // Cleared in one window, the entries do not come back through the other.
  second.Clear();
  first.Record("select 4");
  EXPECT_EQ(Stored(kDemo), Texts{"select 4"});
}

TEST_F(QueryHistoryTest, SkipsDamagedValuesAndRewritesThemWhole) {
  config::RegKey key;
  ASSERT_EQ(store_.CreateKey(HistoryKeyPath(kDemo), &key), config::ERROR_SUCCESS);
  const std::uint32_t number = 7;
  const auto text = [](const std::string& s) {
    std::vector<std::uint8_t> bytes(s.begin(), s.end());
    bytes.push_back(0);
    return bytes;
  };
  key.SetValue("Query1", config::REG_DWORD, &number, sizeof number);
  key.SetValue("Query2", config::REG_SZ, text("select 2"));
  key.SetValue("Query3", config::REG_BINARY, text("select 3"));
  key.SetValue("Query4", config::REG_SZ, text(std::string(QueryHistory::kMaxQueryBytes + 1, 'x')));
  key.SetValue("Query5", config::REG_SZ, text(""));
  key.SetValue("Query7", config::REG_SZ, {});  // no terminating zero, no text
  key.SetValue("Query8", config::REG_SZ, std::vector<std::uint8_t>{'s', 'e', 'l'});
  key.SetValue("Query201", config::REG_SZ, text("select 201"));  // past the limit

  QueryHistory history;
  history.Load(store_, kDemo);
  EXPECT_EQ(history.Entries(), (Texts{"select 2", "sel"}));

  history.Record("select 9");
  Texts names;
  CollectNames(key, &names);
  EXPECT_EQ(names, (Texts{key.Path(), key.Path() + " : Query1", key.Path() + " : Query2",
                          key.Path() + " : Query201", key.Path() + " : Query3"}));
  EXPECT_EQ(Stored(kDemo), (Texts{"select 9", "select 2", "sel"}));
}

TEST_F(QueryHistoryTest, StepsOlderAndNewerWithinTheEntries) {
  QueryHistory history;
  const int typed = QueryHistory::kTyped;
  EXPECT_EQ(history.Older(typed), typed);  // nothing to step to
  for (const char* query : {"select 1", "select 2", "select 3"}) history.Add(query);

  int position = typed;
  Texts seen;
  for (int i = 0; i < 4; ++i) {
    position = history.Older(position);
    seen.push_back(history.Entries()[static_cast<std::size_t>(position)]);
  }
  EXPECT_EQ(seen, (Texts{"select 3", "select 2", "select 1", "select 1"}));
  position = history.Newer(history.Newer(position));
  EXPECT_EQ(position, 0);
  EXPECT_EQ(history.Newer(position), typed);
  EXPECT_EQ(history.Newer(typed), typed);
}

// The header's write version above 2 makes SQLite open the file read only, even for root.
void MakeReadOnly(const std::string& file) {
  std::fstream bytes(file, std::ios::in | std::ios::out | std::ios::binary);
  bytes.seekp(18);
  bytes.put(3);
}

TEST_F(QueryHistoryTest, AStoreThatRefusesWritesLeavesTheHistoryInMemory) {
  config::testing::TempDir dir;
  const std::string file = dir.File("registry.db");
  {
    config::RegistryStore store(file);
    QueryHistory history;
    history.Load(store, kDemo);
    history.Record("select 1");
  }
  MakeReadOnly(file);
  const std::string before = config::testing::ReadBytes(file);

  config::RegistryStore store(file);
  QueryHistory history;
  history.Load(store, kDemo);
  EXPECT_EQ(history.Entries(), Texts{"select 1"});
  EXPECT_FALSE(history.Record("select 2"));
  // Later queries are not lost to the stored list read back before each write.
  history.Record("select 3");
  EXPECT_EQ(history.Entries(), (Texts{"select 3", "select 2", "select 1"}));
  EXPECT_FALSE(history.Clear());
  EXPECT_TRUE(history.Entries().empty());
  history.Record("select 4");
  EXPECT_EQ(history.Entries(), Texts{"select 4"});
  EXPECT_EQ(config::testing::ReadBytes(file), before);
}

TEST_F(QueryHistoryTest, NoPasswordReachesTheStore) {
  const std::string name =
      "Provider=MSDASQL;Driver={PostgreSQL Unicode};Server=db;UID=bob;PWD={s3cr;et}}x};"
      "Password='pa''ss;word';Jet OLEDB:Database Password=hunter2;Extended Properties=\"a=b\"";
  QueryHistory history;
  history.Load(store_, name);
  history.Record("select 1");
  EXPECT_EQ(Stored(name), Texts{"select 1"});

  config::RegKey root;
  ASSERT_EQ(store_.OpenKey(config::kRootKeyPath, &root), config::ERROR_SUCCESS);
  Texts names;
  CollectNames(root, &names);
  ASSERT_GT(names.size(), 2u);
  for (const std::string& stored : names) {
    for (const char* secret : {"s3cr", "et}", "pa'", "ss;word", "hunter2"})
      EXPECT_EQ(stored.find(secret), std::string::npos) << stored;
  }
  EXPECT_NE(history.KeyPath().find("UID=bob"), std::string::npos);
  EXPECT_NE(history.KeyPath().find("Extended Properties=\"a=b\""), std::string::npos);
}

TEST(HistoryKey, TakesOutEveryKindOfPassword) {
  const struct {
    const char* text;
    const char* expected;
  } cases[] = {
      {"/home/me/demo.udl", "/home/me/demo.udl"},
      {"connection string", "connection string"},
      {"User ID=bob;Password=secret;Data Source=x", "User ID=bob;Data Source=x"},
      {"uid=bob; pwd = secret ;dsn=pg", "uid=bob;dsn=pg"},
      {"Password=\"a;\"\"b\";X=1", "X=1"},
      {"Password='a;b", ""},  // unclosed: the rest goes with it
      {"Passwd=abc", ""},
      {"Password Hint=abc;", "Password Hint=abc;"},
      {"/tmp/my;odd=file.udl", "/tmp/my;odd=file.udl"},
  };
  for (const auto& c : cases) EXPECT_EQ(WithoutPasswords(c.text), c.expected) << c.text;
}

TEST(HistoryKey, NamesOneKeyForAnyDisplayName) {
  EXPECT_EQ(HistoryKeyName("C:\\data\\50%.udl"), "C:%5Cdata%5C50%25.udl");
  EXPECT_EQ(HistoryKeyName("a\nb"), "a%0Ab");
  EXPECT_EQ(HistoryKeyName(""), "%");
  EXPECT_EQ(HistoryKeyPath("x"), std::string(config::kRootKeyPath) + "\\Query History\\x");

  // Long names are cut, neither in an escape nor in a character, and stay distinct.
  const std::string stem = "/" + std::string(157, 'a');
  const std::string first = HistoryKeyName(stem + "\\\xC3\xA9" + std::string(100, 'b') + "1");
  const std::string second = HistoryKeyName(stem + "\\\xC3\xA9" + std::string(100, 'b') + "2");
  EXPECT_NE(first, second);
  EXPECT_EQ(first.substr(0, 159), stem + "~");
  EXPECT_LE(first.size(), 200u);
  EXPECT_EQ(
      HistoryKeyName(std::string(159, 'a') + "\xC3\xA9" + std::string(100, 'b')).substr(159, 1),
      "~");
}

}  // namespace
}  // namespace quillet::sqlwindow
