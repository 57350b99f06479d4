#pragma once
// The windows' side of the plug-ins: the active window as owner, message boxes through the
// program's dialog hooks, and the text viewer's dialog.

#include "plugins/plugin_ui.h"

namespace quillet::plugins::ui {

class QtPluginUi : public PluginUi {
 public:
  void* ActiveWindow() override;
  void ShowMessage(void* parent, const std::string& caption, const std::string& text,
                   MessageIcon icon) override;
  void ShowPlainText(void* parent, const std::string& text) override;
};

// Installs one process-wide instance (repeated calls change nothing).
void InstallQtPluginUi();

}  // namespace quillet::plugins::ui
