#pragma once
// The stored form of a window's layout: the names of its values, the 32-bit value of a toolbar
// band and the 60-byte placement record of a pane.
//
// Pane placement record (all words little-endian, 32 bits):
//   0  side the pane docks on: 1 left, 2 right, 4 top, 8 bottom, 0 not known
//   4  docked rectangle x, y, width, height in the window's coordinates (bytes 4 to 19)
//  20  floating rectangle x, y, width, height in screen coordinates (bytes 20 to 35)
//      -- bytes 0 to 35 are the pane's last known placement --
//  36  state: bit 0 the pane is shown, bit 1 it is the shown tab of its tab group
//  40  tab group: number of the group's first pane (1 to 4, in kPaneNames order), 0 untabbed
//  44  index of the pane among the tabs of its group
//  48  record format, kPaneRecordFormat
//  52  zero
//  56  the side while the pane is docked, 0 while it floats

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace quillet::layout {

// Value names in the view key.
namespace value {
inline constexpr char kIsFullWnd[] = "IsFullWnd";
inline constexpr char kLeft[] = "left";
inline constexpr char kTop[] = "top";
inline constexpr char kRight[] = "right";
inline constexpr char kBottom[] = "bottom";
}  // namespace value

// The three toolbar bands: the menu band, the standard buttons and the database buttons. A band's
// value is named by its id in decimal.
inline constexpr unsigned kFirstBandId = 60160;
inline constexpr int kBandCount = 3;

// The four panes, in the order they are saved.
enum Pane : int { kReportPane = 0, kQuickViewPane, kTreePane, kSqlPane, kPaneCount };
inline constexpr std::array<const char*, kPaneCount> kPaneNames = {"report", "dataquickview",
                                                                   "datatree", "sqledt"};

inline constexpr std::size_t kPaneRecordSize = 60;
inline constexpr std::size_t kLastKnownSize = 36;
inline constexpr std::size_t kDockedWordOffset = 56;
inline constexpr std::uint32_t kPaneRecordFormat = 1;

using PaneRecord = std::array<std::uint8_t, kPaneRecordSize>;
using LastKnownPlacement = std::array<std::uint8_t, kLastKnownSize>;

// The window's rectangle; a store without one gives 400 by 400 at the top left corner.
struct WindowRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 400;
  std::int32_t bottom = 400;
  bool operator==(const WindowRect&) const = default;
};

struct ToolBand {
  unsigned position = 0;  // index in the row of bands, counted across rows
  bool newRow = false;    // the band starts a row of its own
  unsigned width = 0;     // pixels
  bool operator==(const ToolBand&) const = default;
};

// position << 24 | new row << 16 | width & 0xFFFF. A position above 255 keeps its low byte.
std::uint32_t EncodeBand(const ToolBand& band);
// Any non-zero new-row byte starts a row.
ToolBand DecodeBand(std::uint32_t value);

enum class DockSide : std::uint32_t { kNone = 0, kLeft = 1, kRight = 2, kTop = 4, kBottom = 8 };
// The side a stored word names; kNone for any other number.
DockSide SideFromWord(std::uint32_t word);

struct Rect {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool IsEmpty() const { return width <= 0 || height <= 0; }
  bool operator==(const Rect&) const = default;
};

struct PanePlacement {
  DockSide side = DockSide::kNone;  // where it docks, also while it floats
  Rect docked;                      // window coordinates, when last docked
  Rect floating;                    // screen coordinates, when last floating
  bool shown = false;
  bool currentTab = false;
  int tabGroup = 0;  // 1-based pane number of the group's first pane; 0 when not tabbed
  int tabIndex = 0;
  bool isDocked = false;
  bool operator==(const PanePlacement&) const = default;
};

PaneRecord EncodePane(const PanePlacement& placement);
PanePlacement DecodePane(const PaneRecord& record);

// A record from stored bytes: only exactly kPaneRecordSize bytes make one.
std::optional<PaneRecord> PaneRecordFromBytes(std::span<const std::uint8_t> bytes);

LastKnownPlacement LastKnownOf(const PaneRecord& record);
// The record with its first bytes replaced by a last known placement.
PaneRecord WithLastKnown(PaneRecord record, const LastKnownPlacement& lastKnown);

}  // namespace quillet::layout
