#include "export/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "datasource/cmlib_exception.h"

namespace quillet::exporting {
namespace {

// Bytes of the target's name kept in the temporary name: room for the dot and the suffix.
constexpr std::size_t kNameKept = 200;
// ".<name>.XXXXXX.part": hidden, unique, and plainly not the finished file.
constexpr char kTempSuffix[] = ".part";

// The process's umask without changing it (umask(2) would, for every thread at once).
mode_t CurrentUmask() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("Umask:", 0) == 0)
      return static_cast<mode_t>(std::strtol(line.c_str() + 6, nullptr, 8));
  }
  return 022;
}

// The path a write to `target` reaches: through a symbolic link to the file it names.
std::string ResolveTarget(const std::string& target) {
  struct stat st {};
  if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return target;
  std::string path = target;
  // A chain of links, followed as open(2) would, up to its own limit.
  for (int hops = 0; hops < 40 && ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode); ++hops) {
    std::vector<char> buffer(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (n < 0) break;
    std::string next(buffer.data(), static_cast<std::size_t>(n));
    if (next.empty() || next[0] != '/') {
      const std::size_t slash = path.rfind('/');
      if (slash != std::string::npos) next = path.substr(0, slash + 1) + next;
    }
    path = std::move(next);
  }
  return path;
}

}  // namespace

AtomicFile::AtomicFile(const std::string& target) : target_(ResolveTarget(target)) {
  struct stat existing {};
  const bool exists = ::stat(target_.c_str(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode)) Fail("write", EISDIR);

  const std::size_t slash = target_.rfind('/');
  folder_ = slash == std::string::npos ? "." : slash == 0 ? "/" : target_.substr(0, slash);
  std::string base = slash == std::string::npos ? target_ : target_.substr(slash + 1);
  if (base.empty()) Fail("write", EISDIR);
  if (base.size() > kNameKept) base.resize(kNameKept);
  std::string pattern =
      (slash == std::string::npos ? std::string() : target_.substr(0, slash + 1)) + "." + base +
      ".XXXXXX" + kTempSuffix;
  fd_ = ::mkostemps(pattern.data(), static_cast<int>(sizeof kTempSuffix - 1), O_CLOEXEC);
  if (fd_ < 0) Fail("write", errno);
  tempPath_ = pattern;
  const mode_t mode = exists ? (existing.st_mode & 07777) : (0666 & ~CurrentUmask());
  if (::fchmod(fd_, mode) != 0) {
    const int error = errno;
    Discard();
    Fail("write", error);
  }
}

AtomicFile::~AtomicFile() {
  Discard();
}

void AtomicFile::Discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!committed_ && !tempPath_.empty()) {
    ::unlink(tempPath_.c_str());
    tempPath_.clear();
  }
}

void AtomicFile::Commit() {
  if (fd_ < 0) Fail("write", EBADF);
  int error = 0;
  if (::fsync(fd_) != 0) error = errno;
  if (::close(fd_) != 0 && error == 0) error = errno;
  fd_ = -1;
  if (error != 0) {
    Discard();
    Fail("write", error);
  }
  if (::rename(tempPath_.c_str(), target_.c_str()) != 0) {
    error = errno;
    Discard();
    Fail("replace", error);
  }
  committed_ = true;
  // The rename itself is only durable once the folder is; a failure here loses nothing.
  const int folder = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
}

void AtomicFile::Fail(const std::string& what, int error) {
  throw cmlib::exception("Cannot " + what + " " + target_ + ": " + std::strerror(error));
}

}  // namespace quillet::exporting
