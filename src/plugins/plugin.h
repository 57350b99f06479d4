#pragma once
// What every viewer plug-in offers the manager: a module found on disk or the program's own
// text viewer. Calls into a module never let an exception through; each operation says what it
// gives when the module's call fails.

#include <cstdint>

#include "plugins/include/quillet_plugin.h"

namespace quillet::plugins {

// The menu commands of plug-ins: internal ones from 53248, modules from 53265, all up to 53504.
constexpr unsigned kFirstInternalId = 53248;
constexpr unsigned kFirstModuleId = 53265;
constexpr unsigned kLastPluginId = 53504;

class Plugin {
 public:
  virtual ~Plugin() = default;

  // Zeroes the record and fills it; "<Unknown>" as the name when the plug-in says nothing.
  virtual void GetModuleDescription(PluginDescription* description) = 0;
  virtual bool HasAboutBox() const = 0;
  virtual void ShowAboutBox(void* parent) = 0;
  virtual bool HasConfigurateWnd() const = 0;
  virtual void ShowConfigurateWnd(void* parent) = 0;
  // Null when there is none (or the call failed).
  virtual const char* GetLastErrorText() = 0;
  // Shows the data; true when it was shown.
  virtual bool ShowBLOB(void* parent, std::uint32_t reserved, BlobInfo* info) = 0;
  // True when the plug-in can show the data.
  virtual bool TestBLOB(BlobInfo* info) = 0;
  // The text of the plug-in's entry in the cell menu; may be null.
  virtual const char* GetMenuItemName() = 0;
};

// Zeroes a description record and writes "<Unknown>" into its name.
void ResetDescription(PluginDescription* description);

}  // namespace quillet::plugins
