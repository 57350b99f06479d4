#pragma once
// What a table element offers for its cells: the viewer plug-ins that accept a cell, and
// showing a cell with one of them. Other elements have none.

#include <string>

#include "resources/menu_model.h"

namespace quillet {

namespace plugins {
class Plugin;
}

class PluginHandOver {
 public:
  virtual ~PluginHandOver() = default;

  // Counts the element as a user of the plug-in manager (the first user creates it).
  virtual void AttachPlugins(const std::string& folder) = 0;
  // Counts it off (the last user destroys the manager).
  virtual void DetachPlugins() = 0;
  // Refills `menu` for cell (row in page, column from 1); leaves it alone when the cell cannot
  // be written for the plug-ins.
  virtual void FillCellMenu(shell::MenuModel& menu, int row, int column) = 0;
  // Shows the cell with plug-in `id` (53248 to 53504).
  virtual void RunPluginCommand(unsigned id, int row, int column) = 0;
  virtual int GetPluginCount() const = 0;
  // Internal plug-ins first, then modules; null beyond the count.
  virtual plugins::Plugin* GetPlugin(int index) const = 0;
};

}  // namespace quillet
