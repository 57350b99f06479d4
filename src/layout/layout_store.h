#pragma once
// Reading and writing a window's layout values in the view key, together with the view group
// (the toolbar, status bar and lock values, and "FirstStart" in the version key).

#include <array>
#include <optional>
#include <vector>

#include "config/registry_store.h"
#include "config/settings_page.h"
#include "layout/layout_values.h"

namespace quillet::layout {

struct StoredLayout {
  bool maximised = false;  // "IsFullWnd" is 1
  WindowRect rect;         // the rectangle while not maximised
  // bands[i] is the band with id kFirstBandId + i. A read ends at the first band without a value.
  std::vector<ToolBand> bands;
  std::array<std::optional<PaneRecord>, kPaneCount> panes;
};

// Reads the view group, then the window, the first `bandCount` bands and the pane records. A
// value that is missing, of another type or another size keeps its default: 32-bit values must
// be REG_DWORD of 4 bytes, pane records REG_BINARY of exactly 60 bytes. Nothing is reported.
StoredLayout ReadLayout(config::RegistryStore& store, config::SettingsPage& view,
                        int bandCount = kBandCount);

// Sets "FirstStart" to 0 and writes the view group, then "IsFullWnd", the rectangle (left as it
// was while maximised), every band given and every pane record given; one transaction.
void WriteLayout(config::RegistryStore& store, config::SettingsPage& view,
                 const StoredLayout& layout);

}  // namespace quillet::layout
