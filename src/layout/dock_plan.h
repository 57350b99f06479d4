#pragma once
// How docked panes go back into their sides: the order of the docking calls that rebuilds each
// side's lanes (columns on the left and right, rows at the top and bottom) and tab groups from
// the panes' stored rectangles, and the sizes to give them once the window has its size.

#include <array>
#include <optional>
#include <vector>

#include "layout/layout_values.h"

namespace quillet::layout {

struct DockStep {
  enum class Kind {
    kAdd,          // put `pane` on `side`, after what is there
    kSplitAlong,   // put `pane` after `anchor` in the anchor's lane
    kSplitAcross,  // start a new lane with `pane`, beside the lane of `anchor`
    kTabify,       // add `pane` to the tab group of `anchor`
  };
  Kind kind = Kind::kAdd;
  int pane = 0;
  int anchor = -1;
  DockSide side = DockSide::kNone;
  bool operator==(const DockStep&) const = default;
};

// Sizes for one resize call: across the side (widths on the left and right) or along it.
struct DockSizes {
  std::vector<int> panes;
  std::vector<int> sizes;
  DockSide side = DockSide::kNone;
  bool across = true;
  bool operator==(const DockSizes&) const = default;
};

struct DockPlan {
  std::vector<DockStep> steps;
  std::vector<DockSizes> sizes;
  std::vector<int> raised;  // the shown tab of every tab group
};

// Panes are indexed by Pane; only docked placements with a known side take part. Panes on a side
// fall into lanes by where they start across it and are ordered along it; tabs follow the group
// head (the member with the lowest tab index) in tab order.
DockPlan PlanDocking(const std::array<std::optional<PanePlacement>, kPaneCount>& placements);

}  // namespace quillet::layout
