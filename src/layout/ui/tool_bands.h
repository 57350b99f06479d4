#pragma once
// The window's toolbars as the bands of one row set at the top: their order, which of them
// start a row, and their widths.

#include <array>
#include <vector>

#include "layout/layout_values.h"

class QMainWindow;
class QToolBar;

namespace quillet::ui {

// The bars of bands 60160, 60161 and 60162, found by their object names (null when missing).
using BandBars = std::array<QToolBar*, layout::kBandCount>;
BandBars FindBandBars(QMainWindow& window);

// The bands as the window holds them now, in id order. Hidden bars keep their place among the
// others, so they are shown for the moment it takes to measure.
std::vector<layout::ToolBand> CaptureBands(QMainWindow& window, const BandBars& bars);

// Moves each stored band to its position (as far as there are places) and starts a row where it
// says so; bands without a stored value keep their place and their rows. Qt's tool bar layout
// gives each bar its own width, so stored widths are not applied.
void RestoreBands(QMainWindow& window, const BandBars& bars,
                  const std::vector<layout::ToolBand>& stored);

}  // namespace quillet::ui
