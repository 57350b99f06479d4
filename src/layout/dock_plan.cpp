#include "layout/dock_plan.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <tuple>
#include <utility>

namespace quillet::layout {
namespace {

// Panes of one lane start within a few pixels of each other across the side.
constexpr int kLaneTolerance = 4;

constexpr DockSide kSides[] = {DockSide::kLeft, DockSide::kRight, DockSide::kTop,
                               DockSide::kBottom};

bool IsVerticalSide(DockSide side) {
  return side == DockSide::kLeft || side == DockSide::kRight;
}

}  // namespace

DockPlan PlanDocking(const std::array<std::optional<PanePlacement>, kPaneCount>& placements) {
  DockPlan plan;
  const auto at = [&](int pane) -> const PanePlacement& { return *placements[pane]; };

  std::vector<int> docked;
  for (int pane = 0; pane < kPaneCount; ++pane)
    if (placements[pane] && placements[pane]->isDocked && placements[pane]->side != DockSide::kNone)
      docked.push_back(pane);

  // Tab groups, each in tab order; a group of one is no group.
  std::map<std::pair<DockSide, int>, std::vector<int>> groups;
  for (int pane : docked)
    if (at(pane).tabGroup != 0) groups[{at(pane).side, at(pane).tabGroup}].push_back(pane);
  std::vector<bool> tabbedBehind(kPaneCount, false);
  for (auto& [key, members] : groups) {
    std::sort(members.begin(), members.end(), [&](int a, int b) {
      return std::pair(at(a).tabIndex, a) < std::pair(at(b).tabIndex, b);
    });
    for (std::size_t i = 1; i < members.size(); ++i) tabbedBehind[members[i]] = true;
  }

  for (DockSide side : kSides) {
    const bool vertical = IsVerticalSide(side);
    const auto across = [&](int pane) { return vertical ? at(pane).docked.x : at(pane).docked.y; };
    const auto along = [&](int pane) { return vertical ? at(pane).docked.y : at(pane).docked.x; };
    const auto acrossSize = [&](int pane) {
      return vertical ? at(pane).docked.width : at(pane).docked.height;
    };
    const auto alongSize = [&](int pane) {
      return vertical ? at(pane).docked.height : at(pane).docked.width;
    };

    std::vector<int> slots;
    for (int pane : docked)
      if (at(pane).side == side && !tabbedBehind[pane]) slots.push_back(pane);
    if (slots.empty()) continue;
    std::sort(slots.begin(), slots.end(), [&](int a, int b) {
      return std::tuple(across(a), along(a), a) < std::tuple(across(b), along(b), b);
    });
    std::vector<std::vector<int>> lanes;
    for (int pane : slots) {
      // In 64 bits: stored rectangles may lie anywhere, and the distance of two ints need not
      // fit in one.
      const std::int64_t distance =
          lanes.empty() ? 0 : std::int64_t{across(pane)} - across(lanes.back().front());
      if (lanes.empty() || std::abs(distance) > kLaneTolerance) lanes.emplace_back();
      lanes.back().push_back(pane);
    }
    for (auto& lane : lanes)
      std::sort(lane.begin(), lane.end(),
                [&](int a, int b) { return std::pair(along(a), a) < std::pair(along(b), b); });

    // Lanes first, beside each other; then each lane's panes one after another.
    plan.steps.push_back({DockStep::Kind::kAdd, lanes[0][0], -1, side});
    for (std::size_t i = 1; i < lanes.size(); ++i)
      plan.steps.push_back({DockStep::Kind::kSplitAcross, lanes[i][0], lanes[i - 1][0], side});
    for (const auto& lane : lanes)
      for (std::size_t i = 1; i < lane.size(); ++i)
        plan.steps.push_back({DockStep::Kind::kSplitAlong, lane[i], lane[i - 1], side});

    DockSizes widths{{}, {}, side, true};
    for (const auto& lane : lanes)
      if (acrossSize(lane[0]) > 0) {
        widths.panes.push_back(lane[0]);
        widths.sizes.push_back(acrossSize(lane[0]));
      }
    if (!widths.panes.empty()) plan.sizes.push_back(std::move(widths));
    for (const auto& lane : lanes) {
      if (lane.size() < 2) continue;
      DockSizes lengths{{}, {}, side, false};
      for (int pane : lane)
        if (alongSize(pane) > 0) {
          lengths.panes.push_back(pane);
          lengths.sizes.push_back(alongSize(pane));
        }
      if (lengths.panes.size() >= 2) plan.sizes.push_back(std::move(lengths));
    }
  }

  for (const auto& [key, members] : groups) {
    if (members.size() < 2) continue;
    int raised = members[0];
    for (std::size_t i = 1; i < members.size(); ++i) {
      plan.steps.push_back({DockStep::Kind::kTabify, members[i], members[0], key.first});
      if (at(members[i]).currentTab) raised = members[i];
    }
    plan.raised.push_back(raised);
  }
  return plan;
}

}  // namespace quillet::layout
