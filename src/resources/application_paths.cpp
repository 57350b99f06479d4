#include "resources/application_paths.h"

#include <limits.h>
#include <unistd.h>

#include <cstdlib>
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
  paths.pluginFolder = paths.folder + "plugins/";
  paths.computerName = ComputerName();
  return paths;
}

ApplicationPaths ApplicationPaths::Current() {
  return ForModule(CurrentModulePath());
}

}  // namespace quillet::shell
