#include "layout/ui/dock_panes.h"

#include <QDockWidget>
#include <QGuiApplication>
#include <QLayout>
#include <QMainWindow>
#include <QScreen>
#include <QTabBar>

#include <optional>

namespace quillet::ui {
namespace {

using layout::DockSide;
using layout::DockStep;

DockSide SideOf(Qt::DockWidgetArea area) {
  switch (area) {
    case Qt::LeftDockWidgetArea:
      return DockSide::kLeft;
    case Qt::RightDockWidgetArea:
      return DockSide::kRight;
    case Qt::TopDockWidgetArea:
      return DockSide::kTop;
    case Qt::BottomDockWidgetArea:
      return DockSide::kBottom;
    default:
      return DockSide::kNone;
  }
}

Qt::DockWidgetArea AreaOf(DockSide side) {
  switch (side) {
    case DockSide::kLeft:
      return Qt::LeftDockWidgetArea;
    case DockSide::kRight:
      return Qt::RightDockWidgetArea;
    case DockSide::kTop:
      return Qt::TopDockWidgetArea;
    case DockSide::kBottom:
      return Qt::BottomDockWidgetArea;
    default:
      return Qt::NoDockWidgetArea;
  }
}

// Panes follow each other down the left and right sides and across the top and bottom.
Qt::Orientation AlongSide(DockSide side) {
  return side == DockSide::kLeft || side == DockSide::kRight ? Qt::Vertical : Qt::Horizontal;
}
Qt::Orientation AcrossSide(DockSide side) {
  return AlongSide(side) == Qt::Vertical ? Qt::Horizontal : Qt::Vertical;
}

layout::Rect ToRect(const QRect& rect) {
  return {rect.x(), rect.y(), rect.width(), rect.height()};
}

int PaneOf(const PaneDocks& panes, quintptr id) {
  for (int pane = 0; pane < layout::kPaneCount; ++pane)
    if (reinterpret_cast<quintptr>(panes[pane]) == id) return pane;
  return -1;
}

struct TabGroup {
  std::vector<int> members;  // in tab order
  int current = 0;           // index in members
};

// Qt keeps the tabs of a group in a tab bar of the window, each tab's data naming its pane. A bar
// counts only when it holds exactly the pane and the panes tabbed with it: unused bars linger.
std::optional<TabGroup> FindTabGroup(QMainWindow& window, const PaneDocks& panes, int pane) {
  const QList<QDockWidget*> others = window.tabifiedDockWidgets(panes[pane]);
  if (others.isEmpty()) return std::nullopt;
  for (QTabBar* bar : window.findChildren<QTabBar*>(Qt::FindDirectChildrenOnly)) {
    if (bar->count() != others.size() + 1) continue;
    TabGroup group;
    for (int i = 0; i < bar->count(); ++i) {
      const int member = PaneOf(panes, bar->tabData(i).value<quintptr>());
      if (member < 0 || (member != pane && !others.contains(panes[member]))) break;
      if (i == bar->currentIndex()) group.current = static_cast<int>(group.members.size());
      group.members.push_back(member);
    }
    if (group.members.size() == static_cast<std::size_t>(bar->count())) return group;
  }
  // No bar to ask: the pane first, then the others as the window lists them.
  TabGroup group;
  group.members.push_back(pane);
  for (QDockWidget* dock : others) {
    const int member = PaneOf(panes, reinterpret_cast<quintptr>(dock));
    if (member < 0) return std::nullopt;
    // Tabs behind the shown one are moved out of sight rather than hidden.
    if (panes[pane]->visibleRegion().isEmpty() && !dock->visibleRegion().isEmpty())
      group.current = static_cast<int>(group.members.size());
    group.members.push_back(member);
  }
  return group;
}

}  // namespace

layout::PanePlacement CapturePane(QMainWindow& window, const PaneDocks& panes, int pane,
                                  const layout::PanePlacement& previous) {
  QDockWidget* dock = panes[pane];
  layout::PanePlacement placement = previous;
  const DockSide side = SideOf(window.dockWidgetArea(dock));
  if (side != DockSide::kNone) placement.side = side;
  placement.isDocked = !dock->isFloating();
  placement.shown = !dock->isHidden();
  placement.tabGroup = 0;
  placement.tabIndex = 0;
  placement.currentTab = false;
  if (!placement.isDocked) {
    placement.floating = ToRect(dock->geometry());
    return placement;
  }
  QDockWidget* shownTab = dock;
  if (const auto group = FindTabGroup(window, panes, pane)) {
    placement.tabGroup = group->members.front() + 1;
    for (std::size_t i = 0; i < group->members.size(); ++i)
      if (group->members[i] == pane) placement.tabIndex = static_cast<int>(i);
    placement.currentTab = group->members[group->current] == pane;
    // The tabs behind the shown one are out of sight: the group's place is the shown tab's.
    shownTab = panes[group->members[group->current]];
  }
  placement.docked = ToRect(shownTab->geometry());
  return placement;
}

void DockPanes(QMainWindow& window, const PaneDocks& panes, const layout::DockPlan& plan) {
  for (const DockStep& step : plan.steps) {
    QDockWidget* dock = panes[step.pane];
    QDockWidget* anchor = step.anchor >= 0 ? panes[step.anchor] : nullptr;
    const bool hidden = dock->isHidden();
    dock->setFloating(false);
    window.removeDockWidget(dock);
    switch (step.kind) {
      case DockStep::Kind::kAdd:
        window.addDockWidget(AreaOf(step.side), dock, AlongSide(step.side));
        break;
      case DockStep::Kind::kSplitAlong:
        window.splitDockWidget(anchor, dock, AlongSide(step.side));
        break;
      case DockStep::Kind::kSplitAcross:
        window.splitDockWidget(anchor, dock, AcrossSide(step.side));
        break;
      case DockStep::Kind::kTabify:
        window.tabifyDockWidget(anchor, dock);
        break;
    }
    dock->setHidden(hidden);
  }
}

void SizePanes(QMainWindow& window, const PaneDocks& panes, const layout::DockPlan& plan) {
  for (const layout::DockSizes& sizes : plan.sizes) {
    QList<QDockWidget*> docks;
    QList<int> pixels;
    for (std::size_t i = 0; i < sizes.panes.size(); ++i) {
      QDockWidget* dock = panes[sizes.panes[i]];
      if (dock->isHidden() || dock->isFloating()) continue;
      docks << dock;
      pixels << sizes.sizes[i];
    }
    if (docks.isEmpty()) continue;
    const Qt::Orientation along = AlongSide(sizes.side);
    window.resizeDocks(docks, pixels, sizes.across ? AcrossSide(sizes.side) : along);
  }
}

void FloatPane(QDockWidget* dock, const layout::PanePlacement& placement) {
  dock->setAttribute(Qt::WA_ShowWithoutActivating);
  dock->setFloating(true);
  const layout::Rect& r = placement.floating;
  if (r.IsEmpty()) return;
  const QRect rect(r.x, r.y, r.width, r.height);
  if (OnSomeScreen(rect))
    dock->setGeometry(rect);
  else
    dock->resize(rect.size());
}

bool OnSomeScreen(const QRect& rect) {
  for (const QScreen* screen : QGuiApplication::screens())
    if (screen->availableGeometry().intersects(rect)) return true;
  return false;
}

void Relayout(QMainWindow& window) {
  if (QLayout* layout = window.layout()) {
    layout->invalidate();
    layout->activate();
  }
}

}  // namespace quillet::ui
