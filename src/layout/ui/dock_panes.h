#pragma once
// The window's side of pane placements: what a docked or floating pane's placement is now, and
// how a plan of docking calls and sizes is carried out on the window.

#include <QList>

#include <array>

#include "layout/dock_plan.h"
#include "layout/layout_values.h"

class QDockWidget;
class QMainWindow;
class QRect;

namespace quillet::ui {

using PaneDocks = std::array<QDockWidget*, layout::kPaneCount>;

// The pane's placement as the window shows it. `previous` gives the rectangle of the state it is
// not in (where it docked while it floats, where it floated while docked).
layout::PanePlacement CapturePane(QMainWindow& window, const PaneDocks& panes, int pane,
                                  const layout::PanePlacement& previous);

// Docks the planned panes as the plan says.
void DockPanes(QMainWindow& window, const PaneDocks& panes, const layout::DockPlan& plan);
// Gives the planned panes their sizes; hidden and floating panes are left out.
void SizePanes(QMainWindow& window, const PaneDocks& panes, const layout::DockPlan& plan);
// Lets the pane float at its stored rectangle (its size only, when that is on no screen), without
// taking the focus when it shows.
void FloatPane(QDockWidget* dock, const layout::PanePlacement& placement);

// Whether some part of the rectangle lies on a screen.
bool OnSomeScreen(const QRect& rect);

// Lays the window out at once, so its panes and bars have their current rectangles.
void Relayout(QMainWindow& window);

}  // namespace quillet::ui
