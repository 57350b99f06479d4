// The stored forms of a layout: a band's 32-bit value, a pane's 60-byte placement record, and
// the docking calls that put stored panes back (tabs are left to the window test).

#include <gtest/gtest.h>

#include <vector>

#include "layout/dock_plan.h"
#include "layout/layout_values.h"

namespace quillet::layout {
namespace {

struct BandCase {
  ToolBand band;
  std::uint32_t value;
};

class BandValue : public ::testing::TestWithParam<BandCase> {};

TEST_P(BandValue, EncodesAndDecodes) {
  EXPECT_EQ(EncodeBand(GetParam().band), GetParam().value);
  EXPECT_EQ(DecodeBand(GetParam().value), GetParam().band);
}

INSTANTIATE_TEST_SUITE_P(Bands, BandValue,
                         ::testing::Values(BandCase{{0, false, 0}, 0x00000000},
                                           BandCase{{1, true, 1100}, 0x0101044C},
                                           BandCase{{255, true, 0xFFFF}, 0xFF01FFFF}));

TEST(BandValueEdges, WidthKeepsItsLowBitsAndAnyRowByteStartsARow) {
  EXPECT_EQ(EncodeBand({1, false, 0x12345}), 0x01002345u);
  EXPECT_EQ(DecodeBand(0x02FE0010), (ToolBand{2, true, 16}));
}

std::uint32_t WordAt(const PaneRecord& record, std::size_t offset) {
  return std::uint32_t{record[offset]} | std::uint32_t{record[offset + 1]} << 8 |
         std::uint32_t{record[offset + 2]} << 16 | std::uint32_t{record[offset + 3]} << 24;
}

PanePlacement Placement(DockSide side, Rect docked, bool isDocked) {
  PanePlacement placement;
  placement.side = side;
  placement.docked = docked;
  placement.floating = {-300, 200, 260, 180};  // on a screen left of the first
  placement.isDocked = isDocked;
  placement.shown = true;
  return placement;
}

TEST(PaneRecord, RoundTripsWithPlacementFirstAndTheDockedWordAt56) {
  PanePlacement tabbed = Placement(DockSide::kRight, {900, 60, 200, 300}, true);
  tabbed.tabGroup = 3;
  tabbed.tabIndex = 1;
  tabbed.currentTab = true;
  const PanePlacement floating = Placement(DockSide::kLeft, {0, 60, 230, 400}, false);
  for (const PanePlacement& placement : {tabbed, floating, PanePlacement{}})
    EXPECT_EQ(DecodePane(EncodePane(placement)), placement);

  const PaneRecord record = EncodePane(floating);
  EXPECT_EQ(WordAt(record, 0), 1u);                                 // left
  EXPECT_EQ(WordAt(record, 20), static_cast<std::uint32_t>(-300));  // floating x
  EXPECT_EQ(WordAt(record, 32), 180u);  // floating height ends the last known placement
  EXPECT_EQ(WordAt(record, 36), 1u);    // shown
  EXPECT_EQ(WordAt(record, 56), 0u);
  EXPECT_EQ(WordAt(EncodePane(tabbed), 56), 2u);
  // A docked pane whose side is unknown is still marked docked.
  EXPECT_NE(WordAt(EncodePane(Placement(DockSide::kNone, {}, true)), 56), 0u);
}

TEST(PaneRecord, OnlySixtyBytesMakeARecordAndTheLastKnownPartIsItsFirst36) {
  for (std::size_t size : {0u, 36u, 59u, 61u})
    EXPECT_FALSE(PaneRecordFromBytes(std::vector<std::uint8_t>(size, 1))) << size;
  ASSERT_TRUE(PaneRecordFromBytes(std::vector<std::uint8_t>(60, 7)));

  const PanePlacement floating = Placement(DockSide::kLeft, {0, 60, 230, 400}, false);
  PanePlacement hidden;
  const PanePlacement merged =
      DecodePane(WithLastKnown(EncodePane(hidden), LastKnownOf(EncodePane(floating))));
  EXPECT_EQ(merged.floating, floating.floating);
  EXPECT_EQ(merged.docked, floating.docked);
  EXPECT_FALSE(merged.shown);  // the state stays the pane's own
}

TEST(DockPlan, LanesGoBesideEachOtherThenFillAlongTheSide) {
  using Kind = DockStep::Kind;
  std::array<std::optional<PanePlacement>, kPaneCount> panes;
  panes[kReportPane] = Placement(DockSide::kBottom, {600, 500, 500, 150}, true);
  panes[kQuickViewPane] = Placement(DockSide::kLeft, {0, 60, 230, 90}, true);
  panes[kTreePane] = Placement(DockSide::kLeft, {2, 150, 230, 250}, true);
  panes[kSqlPane] = Placement(DockSide::kBottom, {0, 400, 1100, 100}, true);
  const DockPlan plan = PlanDocking(panes);
  EXPECT_EQ(plan.steps, (std::vector<DockStep>{
                            {Kind::kAdd, kQuickViewPane, -1, DockSide::kLeft},
                            {Kind::kSplitAlong, kTreePane, kQuickViewPane, DockSide::kLeft},
                            {Kind::kAdd, kSqlPane, -1, DockSide::kBottom},
                            {Kind::kSplitAcross, kReportPane, kSqlPane, DockSide::kBottom},
                        }));
  EXPECT_EQ(plan.sizes, (std::vector<DockSizes>{
                            {{kQuickViewPane}, {230}, DockSide::kLeft, true},
                            {{kQuickViewPane, kTreePane}, {90, 250}, DockSide::kLeft, false},
                            {{kSqlPane, kReportPane}, {100, 150}, DockSide::kBottom, true},
                        }));
}

}  // namespace
}  // namespace quillet::layout
