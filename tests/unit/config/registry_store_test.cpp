// The settings store within one process: names without letter case, size limits, deleted keys,
// groups as transactions, threads and the file's location. (The export file checks the
// enumeration order and the exact bytes of every type.)

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "config/registry_store.h"
#include "config_test_support.h"

namespace quillet::config {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Names = std::vector<std::string>;

Names SubkeyNames(const RegKey& key) {
  Names names;
  std::string name;
  for (std::uint32_t i = 0; key.EnumKey(i, &name) == ERROR_SUCCESS; ++i) names.push_back(name);
  return names;
}

Names ValueNames(const RegKey& key) {
  Names names;
  std::string name;
  for (std::uint32_t i = 0; key.EnumValue(i, &name, nullptr, nullptr) == ERROR_SUCCESS; ++i)
    names.push_back(name);
  return names;
}

TEST(RegistryStore, NamesCompareWithoutLetterCaseAndKeepTheirFirstSpelling) {
  RegistryStore store(":memory:");
  RegKey key, again, software;
  ASSERT_EQ(store.CreateKey("Software\\MixedCase", &key), ERROR_SUCCESS);
  key.SetValue("ValueName", REG_SZ, "1", 2);
  key.SetValue("VALUENAME", REG_SZ, "2", 2);

  ASSERT_EQ(store.OpenKey("SOFTWARE\\mixedcase", &again), ERROR_SUCCESS);
  Bytes data;
  ASSERT_EQ(again.QueryValue("valuename", nullptr, &data), ERROR_SUCCESS);
  EXPECT_EQ(data, (Bytes{'2', 0}));
  EXPECT_EQ(ValueNames(again), Names{"ValueName"});
  ASSERT_EQ(store.OpenKey("software", &software), ERROR_SUCCESS);
  EXPECT_EQ(SubkeyNames(software), Names{"MixedCase"});
  // Outer and doubled separators name the same key.
  ASSERT_EQ(store.OpenKey("\\Software\\\\MixedCase\\", &again), ERROR_SUCCESS);
  EXPECT_EQ(again.QueryValue("ValueName", nullptr, nullptr), ERROR_SUCCESS);
}

TEST(RegistryStore, ReportsMissingItemsSizeLimitsAndClosedKeys) {
  RegistryStore store(":memory:");
  RegKey key;
  EXPECT_EQ(store.OpenKey("Nowhere", &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key.QueryValue("x", nullptr, nullptr), ERROR_INVALID_HANDLE);
  ASSERT_EQ(store.CreateKey("Limits", &key), ERROR_SUCCESS);
  EXPECT_EQ(key.QueryValue("missing", nullptr, nullptr), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(key.SetValue("Big", REG_SZ, Bytes(502, 'x')), ERROR_SUCCESS);
  Bytes data = {1};
  EXPECT_EQ(key.QueryValue("Big", nullptr, &data, 501), ERROR_MORE_DATA);
  EXPECT_TRUE(data.empty());
  std::uint32_t maxName = 0, maxData = 0;
  ASSERT_EQ(key.QueryInfo(&maxName, &maxData), ERROR_SUCCESS);
  EXPECT_EQ(maxData, 502u);
  key.Close();
  EXPECT_EQ(key.SetValue("x", REG_SZ, Bytes{}), ERROR_INVALID_HANDLE);
}

TEST(RegistryStore, DeletedTreeLeavesNoOrphansBehindOpenKeys) {
  RegistryStore store(":memory:");
  RegKey parent, child;
  ASSERT_EQ(store.CreateKey("Tree\\Parent", &parent), ERROR_SUCCESS);
  ASSERT_EQ(parent.CreateSubKey("Child\\Grandchild", &child), ERROR_SUCCESS);
  ASSERT_EQ(child.SetValue("v", REG_BINARY, Bytes{1}), ERROR_SUCCESS);

  EXPECT_EQ(store.DeleteKeyTree("tree\\PARENT"), ERROR_SUCCESS);
  EXPECT_EQ(store.OpenKey("Tree\\Parent\\Child", &child), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(store.DeleteKeyTree(""), ERROR_ACCESS_DENIED);
  // The handle still held must not write into the void nor bring the key back.
  EXPECT_EQ(parent.SetValue("late", REG_BINARY, Bytes{1}), ERROR_KEY_DELETED);
  EXPECT_EQ(parent.CreateSubKey("Late", &child), ERROR_KEY_DELETED);
  RegKey tree;
  ASSERT_EQ(store.OpenKey("Tree", &tree), ERROR_SUCCESS);
  EXPECT_TRUE(SubkeyNames(tree).empty());
}

TEST(RegistryStore, WriteGroupIsOneTransactionAndNests) {
  testing::TempDir dir;
  RegistryStore writer(dir.File("registry.db"));
  RegistryStore reader(dir.File("registry.db"));  // a second connection, as another process's
  RegKey key, seen;
  ASSERT_EQ(writer.CreateKey("Group", &key), ERROR_SUCCESS);
  ASSERT_EQ(reader.OpenKey("Group", &seen), ERROR_SUCCESS);
  {
    RegistryStore::WriteGroup outer(writer);
    key.SetValue("a", REG_BINARY, Bytes{1});
    {
      RegistryStore::WriteGroup inner(writer);
      key.SetValue("b", REG_BINARY, Bytes{2});
    }
    RegKey created;
    ASSERT_EQ(key.CreateSubKey("Sub", &created), ERROR_SUCCESS);
    // Nothing is visible outside until the outermost group ends.
    EXPECT_TRUE(ValueNames(seen).empty());
  }
  EXPECT_EQ(ValueNames(seen), (Names{"a", "b"}));
  EXPECT_EQ(SubkeyNames(seen), Names{"Sub"});
}

TEST(RegistryStore, SeveralThreadsShareOneStore) {
  testing::TempDir dir;
  RegistryStore store(dir.File("registry.db"));
  constexpr int kThreads = 4, kGroups = 25, kValues = 8;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&store, t] {
      for (int g = 0; g < kGroups; ++g) {
        RegistryStore::WriteGroup group(store);
        RegKey key;
        if (store.CreateKey("Threads\\T" + std::to_string(t), &key) != ERROR_SUCCESS) return;
        for (int v = 0; v < kValues; ++v) {
          const std::string name = std::to_string(g) + "." + std::to_string(v);
          key.SetValue(name, REG_SZ, name.c_str(), name.size() + 1);
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) {
    RegKey key;
    ASSERT_EQ(store.OpenKey("Threads\\T" + std::to_string(t), &key), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(key).size(), static_cast<std::size_t>(kGroups * kValues));
  }
}

TEST(RegistryStore, DefaultPathFollowsTheEnvironment) {
  const char* registry = std::getenv("QUILLET_REGISTRY");
  const std::string saved = registry != nullptr ? registry : "";
  ::setenv("QUILLET_REGISTRY", "/tmp/named.db", 1);
  EXPECT_EQ(RegistryStore::DefaultPath(), "/tmp/named.db");
  ::unsetenv("QUILLET_REGISTRY");
  if (std::getenv("XDG_CONFIG_HOME") == nullptr) {
    ::setenv("XDG_CONFIG_HOME", "/tmp/xdg", 1);
    EXPECT_EQ(RegistryStore::DefaultPath(), "/tmp/xdg/quillet/registry.db");
    ::unsetenv("XDG_CONFIG_HOME");
  }
  if (registry != nullptr) ::setenv("QUILLET_REGISTRY", saved.c_str(), 1);
}

}  // namespace
}  // namespace quillet::config
