#pragma once
// What the plug-in side needs from the windows: the active window as the owner of a plug-in's
// window, message boxes and the text viewer's dialog. The UI installs an implementation; tests
// install their own. Without one, owners are null, messages go nowhere and the text viewer
// only gathers its text.

#include <string>

#include "elements/frame_services.h"

namespace quillet::plugins {

class PluginUi {
 public:
  virtual ~PluginUi() = default;
  // The window to own a plug-in's window (a QWidget* on the UI side), or null.
  virtual void* ActiveWindow() = 0;
  virtual void ShowMessage(void* parent, const std::string& caption, const std::string& text,
                           MessageIcon icon) = 0;
  // The text viewer's dialog, modal; returns when it is closed.
  virtual void ShowPlainText(void* parent, const std::string& text) = 0;
};

// The installed implementation (null for none). Not owned.
void SetPluginUi(PluginUi* ui);
PluginUi* CurrentPluginUi();

// The folder scanned for modules when the plug-in manager is created: the program's plugins/
// folder unless set.
void SetPluginFolder(const std::string& folder);
std::string PluginFolder();

}  // namespace quillet::plugins
