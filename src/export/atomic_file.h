#pragma once
// A file that appears whole or not at all. The bytes go to a temporary file beside the target
// (same folder, so the final rename never crosses file systems); Commit makes them durable and
// renames the file over the target in one step. Until then the target keeps its old bytes, and
// a file that is never committed is removed, so a stopped or failed export leaves nothing.

#include <string>

namespace quillet::exporting {

class AtomicFile {
 public:
  // Creates the temporary file. A target that is a symbolic link is written where the link
  // points; a target that exists keeps its permission bits, a new one gets 0666 less the
  // umask. Raises cmlib::exception ("Cannot write <target>: <reason>") when the folder does not
  // take a new file or the target is a folder.
  explicit AtomicFile(const std::string& target);
  // Removes the temporary file unless it was committed.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  int fd() const { return fd_; }
  // The file written meanwhile, and the file it becomes.
  const std::string& TempPath() const { return tempPath_; }
  const std::string& Target() const { return target_; }

  // fsync, close, rename over the target, then fsync the folder so the rename lasts too.
  // Raises cmlib::exception with the system's reason; the temporary file is gone then.
  void Commit();
  // Closes and removes the temporary file now (also done by the destructor).
  void Discard();

 private:
  [[noreturn]] void Fail(const std::string& what, int error);

  std::string target_;
  std::string folder_;
  std::string tempPath_;
  int fd_ = -1;
  bool committed_ = false;
};

}  // namespace quillet::exporting
