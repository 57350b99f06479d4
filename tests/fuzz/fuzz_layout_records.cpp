// The stored layout: pane records of any bytes and band values of any number decode, plan their
// docking and encode again without a crash; a placement written and read back once stays as it is.

#include <array>
#include <optional>

#include "fuzz_input.h"
#include "layout/dock_plan.h"
#include "layout/layout_values.h"

using namespace quillet::layout;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quillet::fuzz::FuzzInput input(data, size);
  for (int band = 0; band < kBandCount; ++band) {
    const ToolBand decoded = DecodeBand(input.Take<std::uint32_t>());
    QUILLET_FUZZ_CHECK(DecodeBand(EncodeBand(decoded)) == decoded);
  }
  // A present-pane mask, then one record per pane; a short record stands for a value of the
  // wrong size.
  const auto present = input.Take<std::uint8_t>();
  std::array<std::optional<PanePlacement>, kPaneCount> placements;
  std::string_view rest = input.Rest();
  for (int pane = 0; pane < kPaneCount; ++pane) {
    const std::size_t take = std::min(rest.size(), kPaneRecordSize);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(rest.data());
    const auto record = PaneRecordFromBytes(std::span<const std::uint8_t>(bytes, take));
    rest.remove_prefix(take);
    if (!record) {
      QUILLET_FUZZ_CHECK(take != kPaneRecordSize);
      continue;
    }
    const PanePlacement placement = DecodePane(*record);
    // Written and read back once, a placement stays what it is (a docked pane of no known side
    // is written as docked on the left, so the first writing may settle its side).
    const PanePlacement settled = DecodePane(EncodePane(placement));
    QUILLET_FUZZ_CHECK(DecodePane(EncodePane(settled)) == settled);
    QUILLET_FUZZ_CHECK(WithLastKnown(*record, LastKnownOf(*record)) == *record);
    if ((present >> pane) & 1) placements[pane] = placement;
  }
  const DockPlan plan = PlanDocking(placements);
  for (const DockStep& step : plan.steps) {
    QUILLET_FUZZ_CHECK(step.pane >= 0 && step.pane < kPaneCount);
    QUILLET_FUZZ_CHECK(step.anchor >= -1 && step.anchor < kPaneCount);
  }
  for (const DockSizes& sizes : plan.sizes)
    QUILLET_FUZZ_CHECK(sizes.panes.size() == sizes.sizes.size());
  return 0;
}
