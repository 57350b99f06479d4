#pragma once

#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "elements/show_data.h"

namespace quillet::shell {

// One place the window has shown: an element slot and what it needs to show its data again.
struct NavigationPoint {
  int slot = 0;                     // element slot 1..6
  std::string statusText;           // the element's status text at that time
  std::optional<ShowData> request;  // the element's last request, if it had one
  long long row = -1;               // the cursor's row in the element's rows, when it had one
};

// Back and forward lists of a window. Points are added by the loading job on the worker thread;
// the commands run on the window's thread.
class NavigationHistory {
 public:
  // Used when reading the limit fails.
  static constexpr int kFallbackMaxPoints = 100;

  NavigationHistory() = default;
  virtual ~NavigationHistory() = default;
  NavigationHistory(const NavigationHistory&) = delete;
  NavigationHistory& operator=(const NavigationHistory&) = delete;

  // Appends the place being left; the oldest points go beyond the limit. Forward is untouched.
  // `row` is the cursor's row in the rows of a table or query (-1 for none).
  void AddPoint(int slot, const std::string& statusText, std::optional<ShowData> request,
                long long row = -1);

  bool CanGoBack() const;
  bool CanGoForward() const;

  // Restores the newest back point and keeps it on the forward list.
  void GoBack();
  // Restores the newest forward point and drops it.
  void GoForward();

  // Empties both lists (the connection closes).
  void Clear();

  std::vector<NavigationPoint> BackPoints() const;     // oldest first
  std::vector<NavigationPoint> ForwardPoints() const;  // oldest first

 protected:
  // The most points the back list keeps. May throw; then 100 is used. Below 0 counts as 0.
  virtual int MaxPoints() = 0;
  // Shows the point's place again without adding a point.
  virtual void RestorePoint(const NavigationPoint& point) = 0;

 private:
  std::size_t Limit();

  // Lock order: back before forward.
  mutable std::mutex backMutex_;
  std::deque<NavigationPoint> back_;
  mutable std::mutex forwardMutex_;
  std::deque<NavigationPoint> forward_;
};

}  // namespace quillet::shell
