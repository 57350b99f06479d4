#include "layout/layout_values.h"

#include <algorithm>

namespace quillet::layout {
namespace {

constexpr std::uint32_t kShownBit = 1;
constexpr std::uint32_t kCurrentTabBit = 2;

void PutWord(PaneRecord& record, std::size_t offset, std::uint32_t word) {
  for (std::size_t i = 0; i < 4; ++i)
    record[offset + i] = static_cast<std::uint8_t>(word >> (8 * i));
}

std::uint32_t GetWord(const PaneRecord& record, std::size_t offset) {
  std::uint32_t word = 0;
  for (std::size_t i = 0; i < 4; ++i) word |= std::uint32_t{record[offset + i]} << (8 * i);
  return word;
}

void PutRect(PaneRecord& record, std::size_t offset, const Rect& rect) {
  PutWord(record, offset, static_cast<std::uint32_t>(rect.x));
  PutWord(record, offset + 4, static_cast<std::uint32_t>(rect.y));
  PutWord(record, offset + 8, static_cast<std::uint32_t>(rect.width));
  PutWord(record, offset + 12, static_cast<std::uint32_t>(rect.height));
}

Rect GetRect(const PaneRecord& record, std::size_t offset) {
  return {static_cast<std::int32_t>(GetWord(record, offset)),
          static_cast<std::int32_t>(GetWord(record, offset + 4)),
          static_cast<std::int32_t>(GetWord(record, offset + 8)),
          static_cast<std::int32_t>(GetWord(record, offset + 12))};
}

}  // namespace

std::uint32_t EncodeBand(const ToolBand& band) {
  return (std::uint32_t{band.position & 0xFF} << 24) | (band.newRow ? 1u << 16 : 0u) |
         (band.width & 0xFFFF);
}

ToolBand DecodeBand(std::uint32_t value) {
  return {value >> 24, ((value >> 16) & 0xFF) != 0, value & 0xFFFF};
}

DockSide SideFromWord(std::uint32_t word) {
  switch (word) {
    case 1:
    case 2:
    case 4:
    case 8:
      return static_cast<DockSide>(word);
    default:
      return DockSide::kNone;
  }
}

PaneRecord EncodePane(const PanePlacement& placement) {
  PaneRecord record{};
  PutWord(record, 0, static_cast<std::uint32_t>(placement.side));
  PutRect(record, 4, placement.docked);
  PutRect(record, 20, placement.floating);
  PutWord(record, 36,
          (placement.shown ? kShownBit : 0) | (placement.currentTab ? kCurrentTabBit : 0));
  PutWord(record, 40, static_cast<std::uint32_t>(placement.tabGroup));
  PutWord(record, 44, static_cast<std::uint32_t>(placement.tabIndex));
  PutWord(record, 48, kPaneRecordFormat);
  // A docked pane needs a side to name; one that does not know its side still counts as docked.
  std::uint32_t docked = 0;
  if (placement.isDocked)
    docked = placement.side != DockSide::kNone ? static_cast<std::uint32_t>(placement.side) : 1;
  PutWord(record, kDockedWordOffset, docked);
  return record;
}

PanePlacement DecodePane(const PaneRecord& record) {
  PanePlacement placement;
  placement.side = SideFromWord(GetWord(record, 0));
  placement.docked = GetRect(record, 4);
  placement.floating = GetRect(record, 20);
  const std::uint32_t state = GetWord(record, 36);
  placement.shown = (state & kShownBit) != 0;
  placement.currentTab = (state & kCurrentTabBit) != 0;
  const std::uint32_t group = GetWord(record, 40);
  placement.tabGroup = group <= kPaneCount ? static_cast<int>(group) : 0;
  placement.tabIndex = static_cast<int>(std::min<std::uint32_t>(GetWord(record, 44), kPaneCount));
  const std::uint32_t docked = GetWord(record, kDockedWordOffset);
  placement.isDocked = docked != 0;
  // The side it is docked on wins over a side the record does not know.
  if (placement.isDocked && placement.side == DockSide::kNone)
    placement.side = SideFromWord(docked);
  return placement;
}

std::optional<PaneRecord> PaneRecordFromBytes(std::span<const std::uint8_t> bytes) {
  if (bytes.size() != kPaneRecordSize) return std::nullopt;
  PaneRecord record;
  std::copy(bytes.begin(), bytes.end(), record.begin());
  return record;
}

LastKnownPlacement LastKnownOf(const PaneRecord& record) {
  LastKnownPlacement lastKnown;
  std::copy_n(record.begin(), kLastKnownSize, lastKnown.begin());
  return lastKnown;
}

PaneRecord WithLastKnown(PaneRecord record, const LastKnownPlacement& lastKnown) {
  std::copy(lastKnown.begin(), lastKnown.end(), record.begin());
  return record;
}

}  // namespace quillet::layout
