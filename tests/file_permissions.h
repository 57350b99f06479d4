#pragma once
// Makes file modes count for the test process even when it runs as root: while alive, the
// calling thread (and every thread it starts) lacks the capabilities that let root read and
// write past a file's mode. A process without them is unaffected.

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quillet::test {

class FileModesApply {
 public:
  FileModesApply() {
    header_.version = _LINUX_CAPABILITY_VERSION_3;
    header_.pid = 0;
    if (::syscall(SYS_capget, &header_, saved_) != 0) return;
    __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
    reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    dropped_ = ::syscall(SYS_capset, &header_, reduced) == 0;
  }
  ~FileModesApply() {
    if (dropped_) ::syscall(SYS_capset, &header_, saved_);
  }
  FileModesApply(const FileModesApply&) = delete;
  FileModesApply& operator=(const FileModesApply&) = delete;

 private:
  __user_cap_header_struct header_{};
  __user_cap_data_struct saved_[2]{};
  bool dropped_ = false;
};

}  // namespace quillet::test
