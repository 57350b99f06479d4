// The settings store where it cannot write: a folder without write permission, and a disk that
// fills up (a file size limit stands in for it). The program starts with the defaults or keeps
// what it read, says so once, and the file on disk stays whole.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "config/option_groups.h"
#include "config/registry_store.h"
#include "config_test_support.h"
#include "file_permissions.h"

namespace quillet::config {
namespace {

using Bytes = std::vector<std::uint8_t>;

int Lines(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

int MaxBackupPoints(RegistryStore& store) {
  PageSet pages;
  BuildPageSet(pages, store);
  return pages.GetPage(kPageGeneral).Value(option::kMaxBackupPoints);
}

void SaveMaxBackupPoints(RegistryStore& store, int value) {
  PageSet pages;
  BuildPageSet(pages, store);
  pages.GetPage(kPageGeneral).SetValue(option::kMaxBackupPoints, value);
  SaveConfiguration(pages, store);
}

// A folder the user may read but not write, with or without a store made there before.
TEST(RegistryStoreFaults, FolderWithoutWritePermissionGivesTheDefaultsOnce) {
  for (const bool existing : {false, true}) {
    SCOPED_TRACE(existing ? "store made before" : "no store yet");
    testing::TempDir dir;
    const std::string folder = dir.File("quillet");
    const std::string file = folder + "/registry.db";
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    if (existing) {
      RegistryStore store(file);
      ASSERT_TRUE(store.IsPersistent());
      SaveMaxBackupPoints(store, 7);
    }
    const std::string before = db::testing::ReadBytes(file);
    ASSERT_EQ(::chmod(folder.c_str(), 0500), 0);
    std::string message;
    {
      test::FileModesApply modes;
      testing::StderrCapture capture(dir.File("stderr.txt"));
      RegistryStore store(file);
      EXPECT_EQ(MaxBackupPoints(store), 20);
      // Changing a setting works for this run and says nothing more.
      SaveMaxBackupPoints(store, 9);
      EXPECT_EQ(MaxBackupPoints(store), 9);
      SaveMaxBackupPoints(store, 10);
      message = capture.Text();
    }
    ::chmod(folder.c_str(), 0700);
    EXPECT_EQ(Lines(message), 1) << message;
    EXPECT_NE(message.find(file), std::string::npos) << message;
    EXPECT_EQ(message.find("damaged"), std::string::npos) << message;
    EXPECT_EQ(db::testing::ReadBytes(file), before);
    EXPECT_FALSE(std::filesystem::exists(file + "-wal"));
  }
}

// Writes into a store until the file size limit stops them, in a child process so the limit
// stays there. The child's exit code: 0 when some write failed and was said exactly once.
int FillUntilFull(const std::string& file, const std::string& stderrFile, rlim_t limit) {
  ::signal(SIGXFSZ, SIG_IGN);
  const rlimit size{limit, limit};
  if (::setrlimit(RLIMIT_FSIZE, &size) != 0) return 10;
  std::string message;
  bool failed = false;
  {
    testing::StderrCapture capture(stderrFile);
    RegistryStore store(file);
    if (!store.IsPersistent()) return 11;
    if (MaxBackupPoints(store) != 7) return 12;
    RegKey key;
    if (store.CreateKey("Filler", &key) != ERROR_SUCCESS) return 13;
    for (int i = 0; i < 64; ++i) {
      if (key.SetValue("big" + std::to_string(i), REG_BINARY, Bytes(64 * 1024, 0x5A)) !=
          ERROR_SUCCESS) {
        failed = true;
      }
    }
    // Settings saved on a full disk fail the same way and add nothing to what was said.
    SaveMaxBackupPoints(store, 8);
    message = capture.Text();
  }
  if (!failed) return 14;
  return Lines(message) == 1 && message.find(file) != std::string::npos ? 0 : 15;
}

TEST(RegistryStoreFaults, FullDiskFailsWritesOnceAndKeepsTheFileWhole) {
  testing::TempDir dir;
  const std::string file = dir.File("registry.db");
  {
    RegistryStore store(file);
    SaveMaxBackupPoints(store, 7);
  }
  const auto limit = static_cast<rlim_t>(std::filesystem::file_size(file) + 128 * 1024);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(FillUntilFull(file, dir.File("stderr.txt"), limit));
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0) << db::testing::ReadBytes(dir.File("stderr.txt"));

  // With room again, the store opens as it was (its opening checks the file and says nothing),
  // every write before the limit kept.
  testing::StderrCapture capture(dir.File("stderr-after.txt"));
  RegistryStore store(file);
  EXPECT_TRUE(store.IsPersistent());
  // The save after the filler may have found room or not; either way it landed whole.
  const int points = MaxBackupPoints(store);
  EXPECT_TRUE(points == 7 || points == 8) << points;
  RegKey key;
  ASSERT_EQ(store.OpenKey("Filler", &key), ERROR_SUCCESS);
  Bytes data;
  ASSERT_EQ(key.QueryValue("big0", nullptr, &data), ERROR_SUCCESS);
  EXPECT_EQ(data, Bytes(64 * 1024, 0x5A));
  EXPECT_EQ(capture.Text(), "");
}

// No room to make a store at all: the defaults, one line that says so, and nothing called
// damaged.
TEST(RegistryStoreFaults, NoRoomForANewStoreGivesTheDefaults) {
  testing::TempDir dir;
  const std::string file = dir.File("registry.db");
  // Standard error goes through a pipe: no file may grow under this limit.
  int errors[2];
  ASSERT_EQ(::pipe(errors), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(errors[0]);
    ::dup2(errors[1], 2);
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit none{0, 0};
    if (::setrlimit(RLIMIT_FSIZE, &none) != 0) ::_exit(10);
    RegistryStore store(file);
    const bool defaults = !store.IsPersistent() && MaxBackupPoints(store) == 20;
    SaveMaxBackupPoints(store, 9);
    ::_exit(defaults && MaxBackupPoints(store) == 9 ? 0 : 11);
  }
  ::close(errors[1]);
  std::string message;
  char buffer[512];
  for (ssize_t n; (n = ::read(errors[0], buffer, sizeof buffer)) > 0;) message.append(buffer, n);
  ::close(errors[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(Lines(message), 1) << message;
  EXPECT_NE(message.find("cannot open"), std::string::npos) << message;
  EXPECT_EQ(message.find("damaged"), std::string::npos) << message;
}

}  // namespace
}  // namespace quillet::config
