#pragma once
// The frame's plug-in commands: the Plug-ins dialog and the cell menu's entries.

namespace quillet::ui {

class MainWindow;

// Command 32818: the Plug-ins dialog over the window.
void ShowPluginsDialog(MainWindow& frame);
// Commands 53248 to 53504 while a connection is open: the list element's plug-in shows the
// cursor cell.
void RunElementCommand(MainWindow& frame, unsigned id);

}  // namespace quillet::ui
