#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "shell/navigation_history.h"

namespace quillet::shell {
namespace {

// A history whose frame side records what was restored.
class TestHistory : public NavigationHistory {
 public:
  std::function<int()> maxPoints = [] { return 20; };
  std::function<void(const NavigationPoint&)> onRestore;
  std::vector<int> restored;

 protected:
  int MaxPoints() override { return maxPoints(); }
  void RestorePoint(const NavigationPoint& point) override {
    restored.push_back(point.slot);
    if (onRestore) onRestore(point);
  }
};

std::vector<int> Slots(const std::vector<NavigationPoint>& points) {
  std::vector<int> slots;
  for (const auto& point : points) slots.push_back(point.slot);
  return slots;
}

TEST(NavigationHistory, LimitZeroKeepsBackListEmpty) {
  TestHistory history;
  history.maxPoints = [] { return 0; };
  history.AddPoint(1, "Data Base", std::nullopt);
  EXPECT_FALSE(history.CanGoBack());
  history.GoBack();  // nothing to restore
  EXPECT_TRUE(history.restored.empty());
}

TEST(NavigationHistory, KeepsTheNewestPointsUpToTheLimit) {
  TestHistory history;
  for (int i = 1; i <= 25; ++i) history.AddPoint(i, "place " + std::to_string(i), std::nullopt);
  const auto back = history.BackPoints();
  ASSERT_EQ(back.size(), 20u);
  EXPECT_EQ(back.front().slot, 6);
  EXPECT_EQ(back.back().slot, 25);
  EXPECT_EQ(back.back().statusText, "place 25");

  // A limit that cannot be read is taken as 100.
  history.maxPoints = []() -> int { throw std::runtime_error("settings unavailable"); };
  for (int i = 0; i < 150; ++i) history.AddPoint(1, "", std::nullopt);
  EXPECT_EQ(history.BackPoints().size(), 100u);
}

TEST(NavigationHistory, BackBackForwardRestoresInOrder) {
  TestHistory history;
  history.AddPoint(1, "Data Base", std::nullopt);
  history.AddPoint(2, "Tables", ShowData{"select * from t", "", false, false});
  history.AddPoint(5, "Table: t", std::nullopt);

  history.GoBack();
  history.GoBack();
  EXPECT_EQ(history.restored, (std::vector<int>{5, 2}));
  EXPECT_EQ(Slots(history.ForwardPoints()), (std::vector<int>{5, 2}));
  EXPECT_EQ(Slots(history.BackPoints()), std::vector<int>{1});
  ASSERT_TRUE(history.ForwardPoints().back().request.has_value());
  EXPECT_EQ(history.ForwardPoints().back().request->query, "select * from t");

  history.GoForward();
  EXPECT_EQ(history.restored.back(), 2);
  EXPECT_EQ(Slots(history.ForwardPoints()), std::vector<int>{5});
  history.GoForward();
  EXPECT_EQ(history.restored.back(), 5);
  EXPECT_FALSE(history.CanGoForward());
  EXPECT_EQ(Slots(history.BackPoints()), std::vector<int>{1});  // Forward never adds back points
}

TEST(NavigationHistory, NewPointAfterBackLeavesForwardAloneAndFailedRestoreLosesNothing) {
  TestHistory history;
  history.AddPoint(1, "", std::nullopt);
  history.AddPoint(2, "", std::nullopt);
  history.GoBack();
  history.AddPoint(4, "", std::nullopt);
  EXPECT_EQ(Slots(history.ForwardPoints()), std::vector<int>{2});
  EXPECT_EQ(Slots(history.BackPoints()), (std::vector<int>{1, 4}));

  history.onRestore = [](const NavigationPoint&) { throw std::runtime_error("worker failed"); };
  history.GoBack();
  EXPECT_EQ(Slots(history.ForwardPoints()), (std::vector<int>{2, 4}));
  history.GoForward();
  history.GoForward();
  EXPECT_FALSE(history.CanGoForward());
  history.Clear();
  EXPECT_FALSE(history.CanGoBack());
}

TEST(NavigationHistory, RestoreMayWaitForAJobThatAddsAPoint) {
  // Restoring starts the worker, which waits for the running job; that job's last act may be
  // adding a point from its own thread. Holding a list lock across the restore would hang here.
  TestHistory history;
  history.onRestore = [&](const NavigationPoint&) {
    std::thread job([&] { history.AddPoint(6, "View: v", std::nullopt); });
    job.join();
  };
  history.AddPoint(1, "", std::nullopt);
  history.GoBack();
  EXPECT_EQ(Slots(history.BackPoints()), std::vector<int>{6});
  history.onRestore = [&](const NavigationPoint&) {
    std::thread job([&] { EXPECT_FALSE(history.CanGoForward()); });
    job.join();
  };
  history.GoForward();
}

}  // namespace
}  // namespace quillet::shell
