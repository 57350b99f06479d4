// The settings store shared by processes: two writers at once, a writer killed in the middle of
// a group, and files that are damaged or not a store.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
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

std::string Label(int child, int group, int value) {
  return std::to_string(child) + "-" + std::to_string(group) + "-" + std::to_string(value);
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
    if (children[child] != 0) continue;
    // The child writes groups into its own key and into a key both share.
    ::close(gate[1]);
    char byte = 0;
    if (::read(gate[0], &byte, 1) < 0) ::_exit(10);  // returns once the parent closes the pipe
    RegistryStore store(file);
    if (!store.IsPersistent()) ::_exit(2);
    for (int g = 0; g < kGroups; ++g) {
      RegistryStore::WriteGroup group(store);
      RegKey own, shared;
      if (store.CreateKey("Proc" + std::to_string(child), &own) != ERROR_SUCCESS ||
          store.CreateKey("Shared", &shared) != ERROR_SUCCESS)
        ::_exit(3);
      for (int v = 0; v < kValues; ++v) {
        const std::string text = Label(child, g, v);
        if (own.SetValue(text, REG_SZ, text.c_str(), text.size() + 1) != ERROR_SUCCESS ||
            shared.SetValue(text, REG_SZ, text.c_str(), text.size() + 1) != ERROR_SUCCESS)
          ::_exit(4);
      }
    }
    ::_exit(0);
  }
  ::close(gate[0]);
  ::close(gate[1]);  // both children start now
  for (pid_t pid : children) EXPECT_EQ(WaitForExit(pid), 0);

  RegistryStore store(file);
  ASSERT_TRUE(store.IsPersistent());
  RegKey shared, own;
  ASSERT_EQ(store.OpenKey("Shared", &shared), ERROR_SUCCESS);
  for (int child = 0; child < 2; ++child) {
    ASSERT_EQ(store.OpenKey("Proc" + std::to_string(child), &own), ERROR_SUCCESS);
    int found = 0;
    for (int g = 0; g < kGroups; ++g)
      for (int v = 0; v < kValues; ++v)
        found += ValueText(own, Label(child, g, v)) == Label(child, g, v) &&
                 ValueText(shared, Label(child, g, v)) == Label(child, g, v);
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

// Damaged stores, each made by a function that may keep a handle open until the check ends.
struct DamageCase {
  const char* name;
  std::shared_ptr<void> (*make)(const std::string& file);
};

std::string Noise(std::size_t count, int step) {
  std::string bytes;
  for (std::size_t i = 0; i < count; ++i) bytes += static_cast<char>((i * step + 13) % 251);
  return bytes;
}

const DamageCase kDamageCases[] = {
    {"GarbageBytes",
     [](const std::string& file) -> std::shared_ptr<void> {
       testing::WriteBytes(file, Noise(5000, 7919));
       return nullptr;
     }},
    {"SqliteHeaderFollowedByGarbage",
     [](const std::string& file) -> std::shared_ptr<void> {
       testing::WriteBytes(file, std::string("SQLite format 3\0", 16) + Noise(8192, 31));
       return nullptr;
     }},
    // The other program keeps its database open in WAL mode with rows not yet checkpointed, so
    // a careless close on our side would fold them into the file.
    {"AnotherProgramsDatabase",
     [](const std::string& file) -> std::shared_ptr<void> {
       sqlite3* other = nullptr;
       sqlite3_open(file.c_str(), &other);
       sqlite3_exec(other,
                    "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;"
                    "CREATE TABLE people(name TEXT); INSERT INTO people VALUES('ada');",
                    nullptr, nullptr, nullptr);
       return std::shared_ptr<void>(other,
                                    [](void* db) { sqlite3_close(static_cast<sqlite3*>(db)); });
     }},
    {"TruncatedStore",
     [](const std::string& file) -> std::shared_ptr<void> {
       {
         RegistryStore store(file);
         RegistryStore::WriteGroup group(store);
         RegKey key;
         store.CreateKey("Filler", &key);
         for (int i = 0; i < 400; ++i)
           key.SetValue("value" + std::to_string(i), REG_BINARY, Bytes(200, std::uint8_t(i)));
       }
       std::string bytes = testing::ReadBytes(file);
       bytes.resize(bytes.size() / 2);  // well into the pages of the values
       testing::WriteBytes(file, bytes);
       return nullptr;
     }},
};

class RegistryStoreDamage : public ::testing::TestWithParam<DamageCase> {};

// The fallback: one line on standard error naming the file, the defaults in effect, writes
// kept in memory, and the file's bytes unchanged.
TEST_P(RegistryStoreDamage, FileIsLeftAloneAndTheDefaultsApply) {
  testing::TempDir dir;
  const std::string file = dir.File("registry.db");
  const std::shared_ptr<void> keep = GetParam().make(file);
  const std::string before = testing::ReadBytes(file);
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
  EXPECT_EQ(testing::ReadBytes(file), before);
}

INSTANTIATE_TEST_SUITE_P(Files, RegistryStoreDamage, ::testing::ValuesIn(kDamageCases),
                         [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

}  // namespace
}  // namespace quillet::config
