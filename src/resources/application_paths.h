#pragma once

#include <string>

namespace quillet::shell {

// Where the program lives and works. Folders end with '/'.
struct ApplicationPaths {
  std::string folder;        // the executable's folder
  std::string fileName;      // the executable's file name
  std::string folderCopy;    // a second copy of folder
  std::string tempFolder;    // $TMPDIR, else /tmp/
  std::string moduleFolder;  // the tip module's folder: folder, or the installed module folder
  std::string dataFolder;    // the tip file's folder: folder, or the installed data folder
  std::string pluginFolder;  // moduleFolder + "plugins/"
  std::string computerName;  // the host name, "localhost" when it cannot be had

  // The paths of the running program.
  static ApplicationPaths Current();
  // The same built from a given executable path (what Current uses once it knows the path).
  // A build keeps its modules and tip file beside the executable; an installed copy keeps
  // them in the module and data folders that the install put at fixed places from bin/.
  static ApplicationPaths ForModule(const std::string& modulePath);
};

// The running executable's full path, or the empty text when the system does not tell.
std::string CurrentModulePath();

}  // namespace quillet::shell
