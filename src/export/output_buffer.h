#pragma once
// The bytes of an export on their way to a file descriptor: gathered in one large buffer and
// written with write(2) in big pieces, so a row costs no system call of its own.

#include <cstddef>
#include <string>

namespace quillet::exporting {

class OutputBuffer {
 public:
  static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 20;

  // `fd` stays the caller's to close; `name` says in an error text what was being written.
  OutputBuffer(int fd, std::string name, std::size_t capacity = kDefaultCapacity);

  // The writers append here directly.
  std::string& Data() { return data_; }
  void FlushIfFull() {
    if (data_.size() >= capacity_) Flush();
  }
  // Writes out what is gathered; raises cmlib::exception with the system's reason.
  void Flush();

 private:
  int fd_;
  std::string name_;
  std::size_t capacity_;
  std::string data_;
};

}  // namespace quillet::exporting
