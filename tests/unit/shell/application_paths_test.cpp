#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "shell/application_paths.h"

namespace quillet::shell {
namespace {

TEST(ApplicationPaths, SplitsTheModulePath) {
  const ApplicationPaths paths = ApplicationPaths::ForModule("/opt/quillet/bin/quillet");
  EXPECT_EQ(paths.folder, "/opt/quillet/bin/");
  EXPECT_EQ(paths.fileName, "quillet");
  EXPECT_EQ(paths.folderCopy, paths.folder);
  EXPECT_EQ(paths.pluginFolder, "/opt/quillet/bin/plugins/");
  EXPECT_FALSE(paths.computerName.empty());
}

TEST(ApplicationPaths, CurrentNamesThisExecutable) {
  const ApplicationPaths paths = ApplicationPaths::Current();
  ASSERT_FALSE(paths.folder.empty());
  EXPECT_EQ(paths.folder.front(), '/');
  EXPECT_EQ(paths.folder.back(), '/');
  EXPECT_EQ(paths.fileName, "shell_tests");
  EXPECT_EQ(access((paths.folder + paths.fileName).c_str(), X_OK), 0);
}

TEST(ApplicationPaths, TempFolderFollowsTmpdirAndEndsWithSlash) {
  const char* saved = std::getenv("TMPDIR");
  const std::string previous = saved != nullptr ? saved : "";

  setenv("TMPDIR", "/var/tmp/quillet-test", 1);
  EXPECT_EQ(ApplicationPaths::ForModule("/x/q").tempFolder, "/var/tmp/quillet-test/");
  setenv("TMPDIR", "/var/tmp/", 1);
  EXPECT_EQ(ApplicationPaths::ForModule("/x/q").tempFolder, "/var/tmp/");
  setenv("TMPDIR", "", 1);
  EXPECT_EQ(ApplicationPaths::ForModule("/x/q").tempFolder, "/tmp/");

  if (saved != nullptr) {
    setenv("TMPDIR", previous.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
}

}  // namespace
}  // namespace quillet::shell
