#pragma once
// The worker's idle state: signalled whenever no job runs. The user-interface thread tests it
// without waiting before it reads element data.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace quillet {

class IdleState {
 public:
  bool IsIdle() const {
    std::lock_guard lock(mutex_);
    return idle_;
  }
  void Set() {
    {
      std::lock_guard lock(mutex_);
      idle_ = true;
    }
    changed_.notify_all();
  }
  void Reset() {
    std::lock_guard lock(mutex_);
    idle_ = false;
  }
  // Waits up to `timeout` for the idle state; true when it is signalled.
  bool WaitFor(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return idle_; });
  }

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool idle_ = true;
};

}  // namespace quillet
