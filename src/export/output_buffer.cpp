#include "export/output_buffer.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "datasource/cmlib_exception.h"

namespace quillet::exporting {

OutputBuffer::OutputBuffer(int fd, std::string name, std::size_t capacity)
    : fd_(fd), name_(std::move(name)), capacity_(capacity) {
  // A little over the capacity: the row that crosses it still fits without a reallocation.
  data_.reserve(capacity_ + capacity_ / 4);
}

void OutputBuffer::Flush() {
  const char* p = data_.data();
  std::size_t left = data_.size();
  while (left > 0) {
    const ssize_t n = ::write(fd_, p, left);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      const int error = n < 0 ? errno : EIO;
      data_.clear();
      throw cmlib::exception("Cannot write " + name_ + ": " + std::strerror(error));
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  data_.clear();
}

}  // namespace quillet::exporting
