#include "resources/application_paths.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace quillet::shell {
namespace {

std::string TempFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::string ComputerName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name) != 0) return "localhost";
  name[HOST_NAME_MAX] = '\0';  // a truncated name need not be terminated
  return name[0] != '\0' ? std::string(name) : std::string("localhost");
}

bool IsFolder(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// Where an install puts the modules and the tip file, seen from the executable's folder
// (QUILLET_MODULES_FROM_BIN and QUILLET_DATA_FROM_BIN, "../lib/quillet/" and
// "../share/quillet/" by default) comes from the build, which knows the install's layout.

}  // namespace

std::string CurrentModulePath() {
  // readlink does not say whether it truncated, so grow the buffer until the path fits.
  std::vector<char> buffer(2048);
  for (;;) {
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < buffer.size()) {
      return std::string(buffer.data(), static_cast<std::size_t>(length));
    }
    if (buffer.size() >= (1u << 20)) return {};
    buffer.resize(buffer.size() * 2);
  }
}

ApplicationPaths ApplicationPaths::ForModule(const std::string& modulePath) {
  ApplicationPaths paths;
  const std::size_t slash = modulePath.rfind('/');
  if (slash == std::string::npos) {
    paths.fileName = modulePath;
  } else {
    paths.folder = modulePath.substr(0, slash + 1);
    paths.fileName = modulePath.substr(slash + 1);
  }
  paths.folderCopy = paths.folder;
  paths.tempFolder = TempFolder();
  paths.moduleFolder = paths.folder;
  paths.dataFolder = paths.folder;
  const auto beside = [&paths](const char* relative) {
    return std::filesystem::path(paths.folder + relative).lexically_normal().string();
  };
  if (!paths.folder.empty() && IsFolder(beside(QUILLET_MODULES_FROM_BIN))) {
    paths.moduleFolder = beside(QUILLET_MODULES_FROM_BIN);
    paths.dataFolder = beside(QUILLET_DATA_FROM_BIN);
  }
  paths.pluginFolder = paths.moduleFolder + "plugins/";
  paths.computerName = ComputerName();
  return paths;
}

ApplicationPaths ApplicationPaths::Current() {
  return ForModule(CurrentModulePath());
}

}  // namespace quillet::shell
