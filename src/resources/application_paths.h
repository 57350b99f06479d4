#pragma once

#include <string>

namespace quillet::shell {

// Where the program lives and works. Folders end with '/'.
struct ApplicationPaths {
  std::string folder;        // the executable's folder
  std::string fileName;      // the executable's file name
  std::string folderCopy;    // a second copy of folder
  std::string tempFolder;    // $TMPDIR, else /tmp/
  std::string pluginFolder;  // folder + "plugins/"
  std::string computerName;  // the host name, "localhost" when it cannot be had

  // The paths of the running program.
  static ApplicationPaths Current();
  // The same built from a given executable path (what Current uses once it knows the path).
  static ApplicationPaths ForModule(const std::string& modulePath);
};

// The running executable's full path, or the empty text when the system does not tell.
std::string CurrentModulePath();

}  // namespace quillet::shell
