// The settings store shared by processes: two writers at once, a writer killed in the middle of
// a group, and files that are damaged or not a store.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/option_groups.h"
#include "config/registry_store.h"
#include "config/registry_values.h"
#include "config_test_support.h"

namespace quillet::config {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string ValueText(const RegKey& key, const std::string& name) {
  Bytes data;
  if (key.QueryValue(name, nullptr, &data) != ERROR_SUCCESS) return "<missing>";
  return std::string(data.begin(), std::find(data.begin(), data.end(), 0));
}

int WaitForExit(pid_t pid) {
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Writes `groups` groups of `values` values into its own key and into a key both share.
[[noreturn]] void WriterChild(const std::string& file, int gate, int child, int groups,
                              int values) {
  char byte = 0;
  if (::read(gate, &byte, 1) < 0) ::_exit(10);  // returns 0 once the parent closes the pipe
  RegistryStore store(file);
  if (!store.IsPersistent()) ::_exit(2);
  for (int g = 0; g < groups; ++g) {
    RegistryStore::WriteGroup group(store);
    RegKey own, shared;
    if (store.CreateKey("Proc" + std::to_string(child), &own) != ERROR_SUCCESS ||
        store.CreateKey("Shared", &shared) != ERROR_SUCCESS) {
      ::_exit(3);
    }
    for (int v = 0; v < values; ++v) {
      const std::string text =
          std::to_string(child) + "-" + std::to_string(g) + "-" + std::to_string(v);
      if (own.SetValue(text, REG_SZ, text.c_str(), text.size() + 1) != ERROR_SUCCESS ||
          shared.SetValue(text, REG_SZ, text.c_str(), text.size() + 1) != ERROR_SUCCESS) {
        ::_exit(4);
      }
    }
  }
  ::_exit(0);
}

TEST(RegistryStoreProcesses, TwoProcessesWritingAtOnceLoseNothing) {
  testing::TempDir dir;
  const std::string file = dir.File("registry.db");  // created by whichever child comes first
  constexpr int kGroups = 20, kValues = 40;
  int gate[2];
  ASSERT_EQ(::pipe(gate), 0);
  pid_t children[2];
  for (int child = 0; child < 2; ++child) {
    children[child] = ::fork();
    ASSERT_GE(children[child], 0);
    if (children[child] == 0) {
      ::close(gate[1]);
      WriterChild(file, gate[0], child, kGroups, kValues);
    }
  }
  ::close(gate[0]);
  ::close(gate[1]);  // both children start now
  for (pid_t pid : children) EXPECT_EQ(WaitForExit(pid), 0);

  RegistryStore store(file);
  ASSERT_TRUE(store.IsPersistent());
  RegKey shared;
  ASSERT_EQ(store.OpenKey("Shared", &shared), ERROR_SUCCESS);
  for (int child = 0; child < 2; ++child) {
    RegKey own;
    ASSERT_EQ(store.OpenKey("Proc" + std::to_string(child), &own), ERROR_SUCCESS);
    int found = 0;
    for (int g = 0; g < kGroups; ++g) {
      for (int v = 0; v < kValues; ++v) {
        const std::string text =
            std::to_string(child) + "-" + std::to_string(g) + "-" + std::to_string(v);
        found += ValueText(own, text) == text && ValueText(shared, text) == text;
      }
    }
    EXPECT_EQ(found, kGroups * kValues) << "child " << child;
  }
}

TEST(RegistryStoreProcesses, WriterKilledMidGroupLeavesWholeGroups) {
  testing::TempDir dir;
  const std::string file = dir.File("registry.db");
  constexpr int kValues = 300;
  // Each round a child rewrites every value of "Killed" with the next generation, adds a key
  // for it and records it, one group per generation, until it is killed.
  for (int delayMs : {3, 17, 41}) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(ready[0]);
      RegistryStore store(file);
      if (!store.IsPersistent()) ::_exit(2);
      std::uint32_t generation = 0;
      RegKey key;
      if (store.CreateKey("Killed", &key) != ERROR_SUCCESS) ::_exit(3);
      ReadDword(key, "Generation", &generation);
      for (bool first = true;; first = false) {
        {
          RegistryStore::WriteGroup group(store);
          ++generation;
          const std::string text = std::to_string(generation);
          for (int v = 0; v < kValues; ++v) {
            key.SetValue("v" + std::to_string(v), REG_SZ, text.c_str(), text.size() + 1);
          }
          RegKey marker;
          key.CreateSubKey("Gen" + text, &marker);
          WriteDword(key, "Generation", generation);
        }
        if (first && ::write(ready[1], "r", 1) != 1) ::_exit(4);
      }
    }
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);  // one group is in; now somewhere in the next
    ::close(ready[0]);
    ::usleep(delayMs * 1000);
    ::kill(pid, SIGKILL);
    EXPECT_EQ(WaitForExit(pid), 128 + SIGKILL);

    testing::StderrCapture capture(dir.File("stderr.txt"));
    RegistryStore store(file);
    EXPECT_EQ(capture.Text(), "");
    ASSERT_TRUE(store.IsPersistent());
    RegKey key;
    ASSERT_EQ(store.OpenKey("Killed", &key), ERROR_SUCCESS);
    std::uint32_t generation = 0;
    ASSERT_EQ(ReadDword(key, "Generation", &generation), ERROR_SUCCESS);
    const std::string text = std::to_string(generation);
    int matching = 0;
    for (int v = 0; v < kValues; ++v) matching += ValueText(key, "v" + std::to_string(v)) == text;
    EXPECT_EQ(matching, kValues) << "generation " << generation;
    std::uint32_t markers = 0;
    std::string name;
    while (key.EnumKey(markers, &name) == ERROR_SUCCESS) ++markers;
    EXPECT_EQ(markers, generation);
  }
}

// Opens `file` as the store and checks the fallback: one line on standard error naming the
// file, the defaults in effect, writes kept in memory, and the file's bytes unchanged.
void ExpectFallbackLeavesFileAlone(const testing::TempDir& dir, const std::string& file) {
  const std::string before = testing::ReadFileBytes(file);
  ASSERT_FALSE(before.empty());
  std::string message;
  {
    testing::StderrCapture capture(dir.File("stderr.txt"));
    RegistryStore store(file);
    message = capture.Text();
    EXPECT_FALSE(store.IsPersistent());
    PageSet pages;
    BuildPageSet(pages, store);
    EXPECT_EQ(pages.GetPage(kPageGeneral).Value(option::kMaxBackupPoints), 20);
    pages.GetPage(kPageGeneral).SetValue(option::kMaxBackupPoints, 7);
    SaveConfiguration(pages, store);
    PageSet again;
    BuildPageSet(again, store);
    EXPECT_EQ(again.GetPage(kPageGeneral).Value(option::kMaxBackupPoints), 7);
  }
  EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
  EXPECT_NE(message.find(file), std::string::npos) << message;
  EXPECT_NE(message.find("default settings"), std::string::npos) << message;
  EXPECT_NE(message.find("untouched"), std::string::npos) << message;
  EXPECT_EQ(testing::ReadFileBytes(file), before);
}

TEST(RegistryStoreDamage, GarbageBytesAreLeftAlone) {
  testing::TempDir dir;
  const std::string file = dir.File("registry.db");
  std::string garbage;
  for (int i = 0; i < 5000; ++i) garbage += static_cast<char>((i * 7919 + 13) % 251);
  testing::WriteFileBytes(file, garbage);
  ExpectFallbackLeavesFileAlone(dir, file);
}

TEST(RegistryStoreDamage, SqliteHeaderFollowedByGarbageIsLeftAlone) {
  testing::TempDir dir;
  const std::string file = dir.File("registry.db");
  std::string bytes("SQLite format 3\0", 16);
  for (int i = 0; i < 8192; ++i) bytes += static_cast<char>((i * 31 + 5) % 256);
  testing::WriteFileBytes(file, bytes);
  ExpectFallbackLeavesFileAlone(dir, file);
}

TEST(RegistryStoreDamage, AnotherProgramsDatabaseIsLeftAlone) {
  testing::TempDir dir;
  const std::string file = dir.File("registry.db");
  // The other program keeps its database open in WAL mode with rows not yet checkpointed, so
  // a careless close on our side would fold them into the file.
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other,
                         "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;"
                         "CREATE TABLE people(name TEXT); INSERT INTO people VALUES('ada');",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  ExpectFallbackLeavesFileAlone(dir, file);
  sqlite3_close(other);
}

TEST(RegistryStoreDamage, TruncatedStoreIsLeftAlone) {
  testing::TempDir dir;
  const std::string file = dir.File("registry.db");
  {
    RegistryStore store(file);
    RegistryStore::WriteGroup group(store);
    RegKey key;
    ASSERT_EQ(store.CreateKey("Filler", &key), ERROR_SUCCESS);
    for (int i = 0; i < 400; ++i) {
      key.SetValue("value" + std::to_string(i), REG_BINARY, Bytes(200, static_cast<uint8_t>(i)));
    }
  }
  std::string bytes = testing::ReadFileBytes(file);
  ASSERT_GT(bytes.size(), 8 * 4096u);
  bytes.resize(bytes.size() / 2);
  testing::WriteFileBytes(file, bytes);
  ExpectFallbackLeavesFileAlone(dir, file);
}

}  // namespace
}  // namespace quillet::config
