#include "shell/navigation_history.h"

#include <utility>

namespace quillet::shell {

std::size_t NavigationHistory::Limit() {
  int limit = kFallbackMaxPoints;
  try {
    limit = MaxPoints();
  } catch (...) {
    limit = kFallbackMaxPoints;
  }
  return limit < 0 ? 0 : static_cast<std::size_t>(limit);
}

void NavigationHistory::AddPoint(int slot, const std::string& statusText,
                                 std::optional<ShowData> request, long long row) {
  std::lock_guard lock(backMutex_);
  back_.push_back(NavigationPoint{slot, statusText, std::move(request), row});
  const std::size_t limit = Limit();
  while (back_.size() > limit) back_.pop_front();
}

bool NavigationHistory::CanGoBack() const {
  std::lock_guard lock(backMutex_);
  return !back_.empty();
}

bool NavigationHistory::CanGoForward() const {
  std::lock_guard lock(forwardMutex_);
  return !forward_.empty();
}

// Restoring starts the worker, which first stops a running job; that job may be waiting for the
// back lock in AddPoint. So no list lock is held while a point is restored.
void NavigationHistory::GoBack() {
  NavigationPoint point;
  {
    std::lock_guard lock(backMutex_);
    if (back_.empty()) return;
    point = std::move(back_.back());
    back_.pop_back();
  }
  try {
    RestorePoint(point);
  } catch (...) {
    // The point stays reachable through Forward even when showing it failed.
  }
  std::lock_guard lock(forwardMutex_);
  forward_.push_back(std::move(point));
}

void NavigationHistory::GoForward() {
  NavigationPoint point;
  {
    std::lock_guard lock(forwardMutex_);
    if (forward_.empty()) return;
    point = std::move(forward_.back());
    forward_.pop_back();
  }
  try {
    RestorePoint(point);
  } catch (...) {
    // A failed restore still uses the point up.
  }
}

void NavigationHistory::Clear() {
  std::lock_guard backLock(backMutex_);
  std::lock_guard forwardLock(forwardMutex_);
  back_.clear();
  forward_.clear();
}

std::vector<NavigationPoint> NavigationHistory::BackPoints() const {
  std::lock_guard lock(backMutex_);
  return {back_.begin(), back_.end()};
}

std::vector<NavigationPoint> NavigationHistory::ForwardPoints() const {
  std::lock_guard lock(forwardMutex_);
  return {forward_.begin(), forward_.end()};
}

}  // namespace quillet::shell
