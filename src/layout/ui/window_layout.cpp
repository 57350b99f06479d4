#include "layout/ui/window_layout.h"

#include <QAction>
#include <QDockWidget>
#include <QStatusBar>
#include <QToolBar>

#include "config/key_path.h"
#include "config/option_groups.h"
#include "layout/layout_store.h"
#include "layout/ui/tool_bands.h"
#include "resources/command_ids.h"

namespace quillet::ui {

using layout::kPaneCount;
using layout::PanePlacement;
using layout::PaneRecord;
namespace option = config::option;

namespace {

// A rectangle without area, or larger than any window may be, is no rectangle.
bool IsUsable(const layout::WindowRect& rect) {
  const std::int64_t width = std::int64_t{rect.right} - rect.left;
  const std::int64_t height = std::int64_t{rect.bottom} - rect.top;
  return width > 0 && height > 0 && width <= QWIDGETSIZE_MAX && height <= QWIDGETSIZE_MAX;
}

}  // namespace

WindowLayout::WindowLayout(LayoutHost& host, config::RegistryStore& store)
    : host_(host),
      window_(host.LayoutWindow()),
      store_(store),
      view_(config::MakeViewGroup()),
      panes_(host.LayoutPanes()) {
  // A pane closed by the user still has its rectangle at that moment; later it may not.
  for (int pane = 0; pane < kPaneCount; ++pane)
    connect(panes_[pane], &QDockWidget::visibilityChanged, this, [this, pane](bool visible) {
      if (!visible && shown_ && panes_[pane]->isHidden()) RememberPlacement(pane);
    });
}

void WindowLayout::RestoreLayout() {
  const BandBars bars = FindBandBars(window_);
  // The bands form one set of rows at the top: nothing else could be stored for them.
  for (QToolBar* bar : bars)
    if (bar != nullptr) {
      bar->setAllowedAreas(Qt::TopToolBarArea);
      bar->setFloatable(false);
    }

  const layout::StoredLayout stored = layout::ReadLayout(store_, view_);
  layout::WindowRect rect = stored.rect;
  if (!IsUsable(rect)) rect = layout::WindowRect{};
  const QRect geometry(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  // A window stored on a screen that is gone comes back to the corner.
  window_.move(OnSomeScreen(geometry) ? geometry.topLeft() : QPoint(0, 0));
  window_.resize(geometry.size());
  if (stored.maximised) window_.setWindowState(window_.windowState() | Qt::WindowMaximized);

  RestoreBands(window_, bars, stored.bands);
  RestorePanes(stored.panes);
  ApplyViewGroup();
}

void WindowLayout::RestorePanes(const std::array<std::optional<PaneRecord>, kPaneCount>& records) {
  std::array<std::optional<PanePlacement>, kPaneCount> docked;
  for (int pane = 0; pane < kPaneCount; ++pane) {
    if (!records[pane]) continue;
    panesRestored_ = true;
    lastKnown_[pane] = layout::LastKnownOf(*records[pane]);
    const PanePlacement placement = layout::DecodePane(*records[pane]);
    QDockWidget* dock = panes_[pane];
    if (!placement.isDocked) {
      FloatPane(dock, placement);
    } else if (placement.side != layout::DockSide::kNone) {
      docked[pane] = placement;
    }
    dock->setVisible(placement.shown);
  }
  restoredPlan_ = layout::PlanDocking(docked);
  DockPanes(window_, panes_, restoredPlan_);
}

void WindowLayout::ApplyViewGroup() {
  const BandBars bars = FindBandBars(window_);
  const auto apply = [this](unsigned command, QWidget* widget, const char* name) {
    const bool on = view_.Value(name, 1) != 0;
    if (QAction* action = host_.Action(command)) action->setChecked(on);
    if (widget != nullptr) widget->setVisible(on);
  };
  apply(cmd::kStandardButtons, bars[1], option::kIsStandardTBVisible);
  apply(cmd::kDatabaseButtons, bars[2], option::kIsDBTBVisible);
  apply(cmd::kStatusBar, window_.statusBar(), option::kIsStatusBarVisible);
  // The lock command flips the lock; it runs only when the bars are not yet as stored.
  const bool lock = view_.Value(option::kIsLockRebarCtrl, 0) != 0;
  if (bars[0] != nullptr && lock == bars[0]->isMovable()) host_.OnCommand(cmd::kLockToolBars);
}

void WindowLayout::TakeViewGroup() {
  const BandBars bars = FindBandBars(window_);
  const auto shown = [](const QWidget* widget) { return widget != nullptr && !widget->isHidden(); };
  view_.SetValue(option::kIsStandardTBVisible, shown(bars[1]) ? 1 : 0);
  view_.SetValue(option::kIsDBTBVisible, shown(bars[2]) ? 1 : 0);
  view_.SetValue(option::kIsStatusBarVisible, shown(window_.statusBar()) ? 1 : 0);
  view_.SetValue(option::kIsLockRebarCtrl, bars[0] != nullptr && !bars[0]->isMovable() ? 1 : 0);
}

void WindowLayout::SaveLayout() {
  // A window that closes unseen (a cancelled start) has no layout of its own to keep.
  if (host_.SaveLayoutFlag() && window_.isVisible()) {
    layout::StoredLayout stored;
    TakeViewGroup();
    stored.maximised = window_.isMaximized();
    const QRect rect(window_.pos(), window_.size());
    stored.rect = {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
    stored.bands = CaptureBands(window_, FindBandBars(window_));
    for (int pane : {layout::kReportPane, layout::kQuickViewPane, layout::kTreePane})
      stored.panes[pane] = RecordOf(pane, !panes_[pane]->isHidden());

    // The SQL pane is measured while shown and then hidden again; its record keeps it hidden.
    QDockWidget* sql = panes_[layout::kSqlPane];
    const bool hidden = sql->isHidden();
    if (hidden) {
      sql->show();
      Relayout(window_);
    }
    stored.panes[layout::kSqlPane] = RecordOf(layout::kSqlPane, !hidden);
    if (hidden) {
      sql->hide();
      Relayout(window_);
    }
    layout::WriteLayout(store_, view_, stored);
  }
  host_.SaveRecentList(store_);
}

bool WindowLayout::WantsDefaultArrangement() const {
  return view_.Value(option::kFirstStart, 1) == 1 || !panesRestored_;
}

void WindowLayout::AfterFirstShow() {
  shown_ = true;
  if (!panesRestored_) return;
  SizePanes(window_, panes_, restoredPlan_);
  // A tab group has its tab bar only once the window is laid out.
  for (int pane : restoredPlan_.raised) panes_[pane]->raise();
}

PanePlacement WindowLayout::Previous(int pane) const {
  if (!lastKnown_[pane]) return {};
  return layout::DecodePane(layout::WithLastKnown(PaneRecord{}, *lastKnown_[pane]));
}

PaneRecord WindowLayout::RecordOf(int pane, bool shown) {
  PanePlacement placement = CapturePane(window_, panes_, pane, Previous(pane));
  placement.shown = shown;
  const PaneRecord record = layout::EncodePane(placement);
  // Until the window has shown, and while a pane is hidden, Qt's rectangles are stale.
  if ((!shown_ || panes_[pane]->isHidden()) && lastKnown_[pane])
    return layout::WithLastKnown(record, *lastKnown_[pane]);
  lastKnown_[pane] = layout::LastKnownOf(record);
  return record;
}

void WindowLayout::RememberPlacement(int pane) {
  lastKnown_[pane] =
      layout::LastKnownOf(layout::EncodePane(CapturePane(window_, panes_, pane, Previous(pane))));
}

}  // namespace quillet::ui
