#include "datasource/read_rest.h"

#include <time.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace quillet::db {
namespace {

using Clock = std::chrono::steady_clock;

// The steady clock as the kernel last ticked it: a few milliseconds behind at worst, which a
// rest a second later cannot tell, and a fraction of the cost of a precise reading, which
// counts when it is taken after every row an export reads. Same epoch as steady_clock on Linux.
Clock::time_point CoarseNow() {
  timespec now{};
  if (clock_gettime(CLOCK_MONOTONIC_COARSE, &now) != 0) return Clock::now();
  return Clock::time_point(std::chrono::seconds(now.tv_sec) +
                           std::chrono::nanoseconds(now.tv_nsec));
}

// The thread that serves rest requests in the order they fall due.
class RestThread {
 public:
  ~RestThread() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

  void Schedule(std::weak_ptr<Restable> rowset, Clock::time_point due) {
    bool earliest = false;
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
      earliest = due_.empty() || due < due_.begin()->first;
      due_.emplace(due, std::move(rowset));
      if (!thread_.joinable()) thread_ = std::thread([this] { Serve(); });
    }
    // The thread wakes for the earliest time it knows of anyway; only an earlier one needs it.
    if (earliest) wake_.notify_all();
  }

 private:
  void Serve() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
      if (due_.empty()) {
        wake_.wait(lock);
        continue;
      }
      const Clock::time_point next = due_.begin()->first;
      if (Clock::now() < next) {
        wake_.wait_until(lock, next);
        continue;
      }
      std::vector<std::weak_ptr<Restable>> ready;
      while (!due_.empty() && due_.begin()->first <= Clock::now()) {
        ready.push_back(std::move(due_.begin()->second));
        due_.erase(due_.begin());
      }
      // Resting calls into an engine: never with the queue locked, so scheduling never waits.
      lock.unlock();
      for (auto& weak : ready) {
        if (auto rowset = weak.lock()) {
          if (auto again = rowset->Rest(Clock::now() - kReadRestDelay)) {
            lock.lock();
            due_.emplace(*again, std::move(weak));
            lock.unlock();
          }
        }
      }
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::multimap<Clock::time_point, std::weak_ptr<Restable>> due_;
  bool stopping_ = false;
  std::thread thread_;
};

RestThread& Thread() {
  static RestThread thread;
  return thread;
}

}  // namespace

namespace {
// The rowset whose Use this thread is inside, if any.
thread_local const RestingRead* tHeld = nullptr;
}  // namespace

RestingRead::Use::Use(RestingRead& owner, bool keepPlace) : owner_(owner) {
  if (tHeld == &owner) {
    nested_ = true;
    return;
  }
  lock_ = std::unique_lock(owner.mutex_);
  outer_ = tHeld;
  tHeld = &owner;
  if (owner_.rested_) {
    owner_.rested_ = false;
    if (keepPlace) ready_ = owner_.ReopenRead();
  }
}

RestingRead::Use::~Use() {
  if (nested_) return;
  tHeld = outer_;
  owner_.lastUse_ = CoarseNow();
  if (!owner_.restAsked_ && owner_.HoldsRead()) {
    owner_.restAsked_ = true;
    ScheduleRest(owner_.RestHandle(), owner_.lastUse_ + kReadRestDelay);
  }
}

std::optional<Clock::time_point> RestingRead::Rest(Clock::time_point idleSince) {
  std::unique_lock lock(mutex_, std::try_to_lock);
  if (!lock.owns_lock()) return Clock::now() + kReadRestDelay / 10;
  if (lastUse_ > idleSince) return lastUse_ + kReadRestDelay;
  if (ReadInUse()) return Clock::now() + kReadRestDelay;
  restAsked_ = false;
  if (HoldsRead()) {
    EndRead();
    rested_ = true;
  }
  return std::nullopt;
}

void ScheduleRest(std::weak_ptr<Restable> rowset, std::chrono::steady_clock::time_point due) {
  Thread().Schedule(std::move(rowset), due);
}

}  // namespace quillet::db
