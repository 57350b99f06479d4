#pragma once
// One 32-bit option with a lock of its own, so a worker thread may read an option while the
// properties dialog writes it.

#include <cstdint>
#include <mutex>

namespace quillet::config {

class OptionValue {
 public:
  explicit OptionValue(std::int32_t value = 0) : value_(value) {}
  OptionValue(const OptionValue&) = delete;
  OptionValue& operator=(const OptionValue&) = delete;

  std::int32_t Get() const {
    std::lock_guard lock(mutex_);
    return value_;
  }
  void Set(std::int32_t value) {
    std::lock_guard lock(mutex_);
    value_ = value;
  }

 private:
  mutable std::mutex mutex_;
  std::int32_t value_;
};

}  // namespace quillet::config
