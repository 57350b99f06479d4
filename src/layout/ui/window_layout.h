#pragma once
// A main window's layout across runs: restored once when the window is built, saved when it
// closes and on "Save the Configuration". It covers the window's rectangle and maximised state,
// the toolbar bands, the view group (toolbars and status bar shown, bars locked, first start)
// and where the four panes are.

#include <QObject>

#include <array>
#include <optional>

#include "config/registry_store.h"
#include "config/settings_page.h"
#include "layout/dock_plan.h"
#include "layout/layout_values.h"
#include "layout/ui/dock_panes.h"
#include "layout/ui/layout_host.h"

namespace quillet::ui {

// A QObject only so that its connections to the panes end with it.
class WindowLayout : public QObject {
 public:
  WindowLayout(LayoutHost& host, config::RegistryStore& store);

  // Once, after the window's panes, toolbars and status bar exist and before it shows.
  void RestoreLayout();
  // Writes the layout unless the window was started with "-dontsavelayout"; the recent list is
  // written either way.
  void SaveLayout();

  // The built-in arrangement applies while nothing was ever saved or no pane record could be used.
  bool WantsDefaultArrangement() const;
  // Once the window has shown and has its size: the panes' restored sizes.
  void AfterFirstShow();

  const config::SettingsPage& ViewGroup() const { return view_; }

 private:
  void RestorePanes(
      const std::array<std::optional<layout::PaneRecord>, layout::kPaneCount>& records);
  void ApplyViewGroup();
  void TakeViewGroup();
  // The pane's record now, shown or not as `shown` says; a hidden pane, or any pane of a window
  // that never showed, keeps its last known placement.
  layout::PaneRecord RecordOf(int pane, bool shown);
  void RememberPlacement(int pane);
  layout::PanePlacement Previous(int pane) const;

  LayoutHost& host_;
  QMainWindow& window_;
  config::RegistryStore& store_;
  config::SettingsPage view_;
  PaneDocks panes_{};
  std::array<std::optional<layout::LastKnownPlacement>, layout::kPaneCount> lastKnown_;
  layout::DockPlan restoredPlan_;
  bool panesRestored_ = false;
  bool shown_ = false;
};

}  // namespace quillet::ui
