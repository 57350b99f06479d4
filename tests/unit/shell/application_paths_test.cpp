#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "resources/application_paths.h"

namespace quillet::shell {
namespace {

TEST(ApplicationPaths, SplitsTheModulePath) {
  const ApplicationPaths paths = ApplicationPaths::ForModule("/opt/quillet/bin/quillet");
  EXPECT_EQ(paths.folder, "/opt/quillet/bin/");
  EXPECT_EQ(paths.fileName, "quillet");
  EXPECT_EQ(paths.pluginFolder, "/opt/quillet/bin/plugins/");
  EXPECT_EQ(paths.moduleFolder, "/opt/quillet/bin/");
  EXPECT_EQ(paths.dataFolder, "/opt/quillet/bin/");
  EXPECT_FALSE(paths.computerName.empty());

  const ApplicationPaths current = ApplicationPaths::Current();
  EXPECT_EQ(current.fileName, "shell_tests");
  EXPECT_EQ(access((current.folder + current.fileName).c_str(), X_OK), 0);
}

// An installed copy finds its modules and data from its own folder, wherever the prefix is;
// a build tree, with nothing installed beside it, keeps them beside the executable.
TEST(ApplicationPaths, AnInstalledCopyFindsItsModulesFromItsOwnFolder) {
  namespace fs = std::filesystem;
  std::string pattern = (fs::temp_directory_path() / "quillet-prefix-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const std::string prefix = pattern;
  fs::create_directories(prefix + "/bin");
  EXPECT_EQ(ApplicationPaths::ForModule(prefix + "/bin/quillet").pluginFolder,
            prefix + "/bin/plugins/");

  fs::create_directories(prefix + "/lib/quillet/plugins");
  const ApplicationPaths paths = ApplicationPaths::ForModule(prefix + "/bin/quillet");
  EXPECT_EQ(paths.folder, prefix + "/bin/");
  EXPECT_EQ(paths.moduleFolder, prefix + "/lib/quillet/");
  EXPECT_EQ(paths.pluginFolder, prefix + "/lib/quillet/plugins/");
  EXPECT_EQ(paths.dataFolder, prefix + "/share/quillet/");
  fs::remove_all(prefix);
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
