#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "resources/application_paths.h"

namespace quillet::shell {
namespace {

TEST(ApplicationPaths, SplitsTheModulePath) {
  const ApplicationPaths paths = ApplicationPaths::ForModule("/opt/quillet/bin/quillet");
  EXPECT_EQ(paths.folder, "/opt/quillet/bin/");
  EXPECT_EQ(paths.fileName, "quillet");
  EXPECT_EQ(paths.pluginFolder, "/opt/quillet/bin/plugins/");
  EXPECT_FALSE(paths.computerName.empty());

  const ApplicationPaths current = ApplicationPaths::Current();
  EXPECT_EQ(current.fileName, "shell_tests");
  EXPECT_EQ(access((current.folder + current.fileName).c_str(), X_OK), 0);
}

TEST(ApplicationPaths, TempFolderFollowsTmpdirAndEndsWithSlash) {
  const char* saved = std::getenv("TMPDIR");
  const std::string previous = saved != nullptr ? saved : "";
  for (auto [tmpdir, folder] : {std::pair{"/var/tmp/quillet-test", "/var/tmp/quillet-test/"},
                                std::pair{"/var/tmp/", "/var/tmp/"}, std::pair{"", "/tmp/"}}) {
    setenv("TMPDIR", tmpdir, 1);
    EXPECT_EQ(ApplicationPaths::ForModule("/x/q").tempFolder, folder) << tmpdir;
  }
  saved != nullptr ? setenv("TMPDIR", previous.c_str(), 1) : unsetenv("TMPDIR");
}

}  // namespace
}  // namespace quillet::shell
