#pragma once
// What a window's layout needs of the window beyond the Qt main window itself: its panes, its
// commands, and the list it saves beside the layout.

#include <QAction>
#include <QMainWindow>

#include "config/registry_store.h"
#include "layout/ui/dock_panes.h"

namespace quillet::ui {

class LayoutHost {
 public:
  virtual ~LayoutHost() = default;

  virtual QMainWindow& LayoutWindow() = 0;
  // The four panes, in the order of the stored pane records.
  virtual PaneDocks LayoutPanes() const = 0;
  virtual QAction* Action(unsigned id) const = 0;
  virtual void OnCommand(unsigned id) = 0;
  // False for a window started with "-dontsavelayout".
  virtual bool SaveLayoutFlag() const = 0;
  // Written with the layout, and also when the layout itself is not saved.
  virtual void SaveRecentList(config::RegistryStore& store) = 0;
};

}  // namespace quillet::ui
