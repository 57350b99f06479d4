#pragma once
// Reads a fuzzer's input as a sequence of fields: numbers first, the rest as text.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace quillet::fuzz {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  // The next sizeof(T) bytes as a T; zero bytes once the input runs out.
  template <class T>
  T Take() {
    T value{};
    const std::size_t n = std::min(sizeof value, size_);
    if (n > 0) std::memcpy(&value, data_, n);
    data_ += n;
    size_ -= n;
    return value;
  }

  std::string_view Rest() const { return {reinterpret_cast<const char*>(data_), size_}; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

// Ends the run as a crash the fuzzer reports, with the input saved for a reproducer.
#define QUILLET_FUZZ_CHECK(condition)                                                    \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)

}  // namespace quillet::fuzz
