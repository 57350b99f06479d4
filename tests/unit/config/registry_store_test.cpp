// The settings store within one process: keys and typed values with their exact bytes, names
// without letter case, the enumeration order, groups as transactions, threads.

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

std::vector<std::string> SubkeyNames(const RegKey& key) {
  std::vector<std::string> names;
  std::string name;
  for (std::uint32_t i = 0; key.EnumKey(i, &name) == ERROR_SUCCESS; ++i) names.push_back(name);
  return names;
}

std::vector<std::string> ValueNames(const RegKey& key) {
  std::vector<std::string> names;
  std::string name;
  for (std::uint32_t i = 0; key.EnumValue(i, &name, nullptr, nullptr) == ERROR_SUCCESS; ++i) {
    names.push_back(name);
  }
  return names;
}

TEST(RegistryStore, KeepsTypesAndExactBytesAcrossReopening) {
  testing::TempDir dir;
  const std::string file = dir.File("nested/folders/registry.db");
  const Bytes withZeros = {'a', 0, 'b', 0, 0, 0xff};
  {
    RegistryStore store(file);
    ASSERT_TRUE(store.IsPersistent());
    RegKey key;
    ASSERT_EQ(store.CreateKey("Software\\Test\\Deep", &key), ERROR_SUCCESS);
    EXPECT_EQ(key.Path(), "Software\\Test\\Deep");
    EXPECT_EQ(key.SetValue("Binary", REG_BINARY, withZeros), ERROR_SUCCESS);
    EXPECT_EQ(key.SetValue("Empty", REG_NONE, Bytes{}), ERROR_SUCCESS);
    EXPECT_EQ(key.SetValue("", REG_SZ, "default", 8), ERROR_SUCCESS);
    EXPECT_EQ(key.SetValue("Odd", 0x1234, Bytes{1, 2}), ERROR_SUCCESS);
  }
  RegistryStore reopened(file);
  ASSERT_TRUE(reopened.IsPersistent());
  RegKey key;
  ASSERT_EQ(reopened.OpenKey("Software\\Test\\Deep", &key), ERROR_SUCCESS);
  std::uint32_t type = 0;
  Bytes data;
  ASSERT_EQ(key.QueryValue("Binary", &type, &data), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_EQ(data, withZeros);
  ASSERT_EQ(key.QueryValue("Empty", &type, &data), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_NONE);
  EXPECT_TRUE(data.empty());
  ASSERT_EQ(key.QueryValue("", &type, &data), ERROR_SUCCESS);
  EXPECT_EQ(data, (Bytes{'d', 'e', 'f', 'a', 'u', 'l', 't', 0}));
  ASSERT_EQ(key.QueryValue("Odd", &type, &data), ERROR_SUCCESS);
  EXPECT_EQ(type, 0x1234u);
}

TEST(RegistryStore, NamesCompareWithoutLetterCaseAndKeepTheirFirstSpelling) {
  RegistryStore store(":memory:");
  RegKey key;
  ASSERT_EQ(store.CreateKey("Software\\MixedCase", &key), ERROR_SUCCESS);
  ASSERT_EQ(key.SetValue("ValueName", REG_SZ, "1", 2), ERROR_SUCCESS);
  ASSERT_EQ(key.SetValue("VALUENAME", REG_SZ, "2", 2), ERROR_SUCCESS);

  RegKey again;
  ASSERT_EQ(store.OpenKey("SOFTWARE\\mixedcase", &again), ERROR_SUCCESS);
  Bytes data;
  ASSERT_EQ(again.QueryValue("valuename", nullptr, &data), ERROR_SUCCESS);
  EXPECT_EQ(data, (Bytes{'2', 0}));
  EXPECT_EQ(ValueNames(again), std::vector<std::string>{"ValueName"});

  RegKey software;
  ASSERT_EQ(store.OpenKey("software", &software), ERROR_SUCCESS);
  EXPECT_EQ(SubkeyNames(software), std::vector<std::string>{"MixedCase"});
  // Outer and doubled separators name the same key.
  ASSERT_EQ(store.OpenKey("\\Software\\\\MixedCase\\", &again), ERROR_SUCCESS);
  EXPECT_EQ(again.QueryValue("ValueName", nullptr, nullptr), ERROR_SUCCESS);
}

TEST(RegistryStore, EnumeratesInUpperCasedByteOrder) {
  RegistryStore store(":memory:");
  RegKey key;
  ASSERT_EQ(store.CreateKey("Order", &key), ERROR_SUCCESS);
  // Upper-cased: "_X" (0x5F) sorts after every letter, although '_' < 'a' in plain bytes.
  for (const char* name : {"_x", "a", "B", "Zed", "c", "ab", "A1"}) {
    RegKey sub;
    ASSERT_EQ(key.CreateSubKey(name, &sub), ERROR_SUCCESS);
    ASSERT_EQ(key.SetValue(name, REG_DWORD, "\0\0\0\0", 4), ERROR_SUCCESS);
  }
  const std::vector<std::string> expected = {"a", "A1", "ab", "B", "c", "Zed", "_x"};
  EXPECT_EQ(SubkeyNames(key), expected);
  EXPECT_EQ(ValueNames(key), expected);
}

TEST(RegistryStore, ReportsMissingItemsSizeLimitsAndClosedKeys) {
  RegistryStore store(":memory:");
  RegKey key;
  EXPECT_EQ(store.OpenKey("Nowhere", &key), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(key.IsOpen());
  EXPECT_EQ(key.QueryValue("x", nullptr, nullptr), ERROR_INVALID_HANDLE);

  ASSERT_EQ(store.CreateKey("Limits", &key), ERROR_SUCCESS);
  EXPECT_EQ(key.QueryValue("missing", nullptr, nullptr), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key.DeleteValue("missing"), ERROR_FILE_NOT_FOUND);
  std::string name;
  EXPECT_EQ(key.EnumKey(0, &name), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(key.EnumValue(0, &name, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

  ASSERT_EQ(key.SetValue("Big", REG_SZ, Bytes(502, 'x')), ERROR_SUCCESS);
  ASSERT_EQ(key.SetValue("Short", REG_SZ, Bytes(3, 'y')), ERROR_SUCCESS);
  std::uint32_t type = 0;
  Bytes data = {1};
  EXPECT_EQ(key.QueryValue("Big", &type, &data, 501), ERROR_MORE_DATA);
  EXPECT_TRUE(data.empty());
  EXPECT_EQ(key.QueryValue("Big", &type, &data, 502), ERROR_SUCCESS);
  EXPECT_EQ(data.size(), 502u);

  std::uint32_t maxName = 0, maxData = 0;
  ASSERT_EQ(key.QueryInfo(&maxName, &maxData), ERROR_SUCCESS);
  EXPECT_EQ(maxName, 5u);
  EXPECT_EQ(maxData, 502u);

  EXPECT_EQ(key.DeleteValue("BIG"), ERROR_SUCCESS);
  EXPECT_EQ(key.QueryValue("Big", nullptr, nullptr), ERROR_FILE_NOT_FOUND);
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
  EXPECT_EQ(store.DeleteKeyTree("Tree\\Parent"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(store.DeleteKeyTree(""), ERROR_ACCESS_DENIED);

  // The handle still held must not write into the void nor bring the key back.
  RegKey again;
  EXPECT_EQ(parent.SetValue("late", REG_BINARY, Bytes{1}), ERROR_KEY_DELETED);
  EXPECT_EQ(parent.CreateSubKey("Late", &again), ERROR_KEY_DELETED);
  EXPECT_EQ(parent.EnumKey(0, nullptr), ERROR_KEY_DELETED);
  RegKey tree;
  ASSERT_EQ(store.OpenKey("Tree", &tree), ERROR_SUCCESS);
  EXPECT_TRUE(SubkeyNames(tree).empty());
}

TEST(RegistryStore, WriteGroupIsOneTransactionAndNests) {
  testing::TempDir dir;
  const std::string file = dir.File("registry.db");
  RegistryStore writer(file);
  RegistryStore reader(file);  // a second connection, as another process would have
  RegKey key;
  ASSERT_EQ(writer.CreateKey("Group", &key), ERROR_SUCCESS);
  RegKey seen;
  ASSERT_EQ(reader.OpenKey("Group", &seen), ERROR_SUCCESS);
  {
    RegistryStore::WriteGroup outer(writer);
    ASSERT_EQ(key.SetValue("a", REG_BINARY, Bytes{1}), ERROR_SUCCESS);
    {
      RegistryStore::WriteGroup inner(writer);
      ASSERT_EQ(key.SetValue("b", REG_BINARY, Bytes{2}), ERROR_SUCCESS);
    }
    RegKey created;
    ASSERT_EQ(key.CreateSubKey("Sub", &created), ERROR_SUCCESS);
    // Nothing is visible outside until the outermost group ends.
    EXPECT_EQ(seen.QueryValue("a", nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(seen.QueryValue("b", nullptr, nullptr), ERROR_FILE_NOT_FOUND);
  }
  EXPECT_EQ(seen.QueryValue("a", nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(seen.QueryValue("b", nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(SubkeyNames(seen), std::vector<std::string>{"Sub"});
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
  // Reads from this thread run between the groups.
  for (int i = 0; i < 50; ++i) {
    RegKey key;
    if (store.OpenKey("Threads", &key) == ERROR_SUCCESS) SubkeyNames(key);
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) {
    RegKey key;
    ASSERT_EQ(store.OpenKey("Threads\\T" + std::to_string(t), &key), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(key).size(), static_cast<std::size_t>(kGroups * kValues));
  }
}

TEST(RegistryStore, DefaultPathFollowsTheEnvironment) {
  const char* saved = std::getenv("QUILLET_REGISTRY");
  const std::string savedRegistry = saved != nullptr ? saved : "";
  const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
  const std::string savedXdgValue = savedXdg != nullptr ? savedXdg : "";

  ::setenv("QUILLET_REGISTRY", "/tmp/named.db", 1);
  EXPECT_EQ(RegistryStore::DefaultPath(), "/tmp/named.db");
  ::unsetenv("QUILLET_REGISTRY");
  ::setenv("XDG_CONFIG_HOME", "/tmp/xdg", 1);
  EXPECT_EQ(RegistryStore::DefaultPath(), "/tmp/xdg/quillet/registry.db");
  ::setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    EXPECT_EQ(RegistryStore::DefaultPath(), std::string(home) + "/.config/quillet/registry.db");
  }

  if (saved != nullptr) ::setenv("QUILLET_REGISTRY", savedRegistry.c_str(), 1);
  if (savedXdg != nullptr) {
    ::setenv("XDG_CONFIG_HOME", savedXdgValue.c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
}

TEST(RegistryStore, FileThatCannotBeOpenedFallsBackToMemory) {
  testing::TempDir dir;
  testing::WriteFileBytes(dir.File("plain"), "x");
  const std::string file = dir.File("plain/registry.db");  // below a file: cannot exist
  testing::StderrCapture capture(dir.File("stderr.txt"));
  RegistryStore store(file);
  const std::string message = capture.Text();
  EXPECT_FALSE(store.IsPersistent());
  EXPECT_NE(message.find(file), std::string::npos) << message;
  EXPECT_NE(message.find("default settings"), std::string::npos) << message;
  RegKey key;
  ASSERT_EQ(store.CreateKey("Still\\Works", &key), ERROR_SUCCESS);
  EXPECT_EQ(key.SetValue("v", REG_BINARY, Bytes{7}), ERROR_SUCCESS);
}

}  // namespace
}  // namespace quillet::config
