#pragma once
// Temporary folders, whole-file reads (the data source tests' own) and stderr capture for the
// settings tests.

#include "unit/datasource/test_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <utility>

namespace quillet::config::testing {

using TempDir = db::testing::TempFolder;
using db::testing::ReadBytes;
using db::testing::WriteBytes;

// Sends standard error to a file while alive; Text() restores it and returns what was written.
class StderrCapture {
 public:
  explicit StderrCapture(std::string file) : file_(std::move(file)) {
    std::fflush(stderr);
    saved_ = ::dup(2);
    int fd = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, 2);
    ::close(fd);
  }
  ~StderrCapture() { Text(); }

  std::string Text() {
    if (saved_ >= 0) {
      std::fflush(stderr);
      ::dup2(saved_, 2);
      ::close(saved_);
      saved_ = -1;
    }
    return ReadBytes(file_);
  }

 private:
  std::string file_;
  int saved_ = -1;
};

}  // namespace quillet::config::testing
