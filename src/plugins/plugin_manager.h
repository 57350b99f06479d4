#pragma once
// The process's viewer plug-ins: the internal text viewer and the modules found in the plug-ins
// folder, each under its menu command id. Table elements share one manager: the first one to
// attach creates it (and scans the folder), the last one to detach destroys it.

#include <map>
#include <memory>
#include <string>

#include "elements/frame_services.h"
#include "plugins/plugin.h"
#include "resources/menu_model.h"

namespace quillet::plugins {

class PluginUi;

class PluginManager {
 public:
  PluginManager() = default;
  ~PluginManager();
  PluginManager(const PluginManager&) = delete;
  PluginManager& operator=(const PluginManager&) = delete;

  // Use counting, serialised by one process-wide lock. Attach returns the manager; the first
  // user creates it with the internal viewer and the modules below `folder`.
  static PluginManager* Attach(const std::string& folder);
  static void Detach();
  // The manager while it exists, else null.
  static PluginManager* Instance();
  static int Users();

  unsigned AddInternal(std::unique_ptr<Plugin> plugin);
  unsigned AddModule(std::unique_ptr<Plugin> plugin);
  // Loads every file below `path` (recursively) whose name ends in ".blob"; files that are no
  // plug-in are skipped silently.
  void ScanFolder(const std::string& path);

  int Count() const { return static_cast<int>(internal_.size() + modules_.size()); }
  // Internal plug-ins first, then modules, each in id order.
  Plugin* At(int index) const;
  Plugin* Find(unsigned id) const;
  const std::map<unsigned, std::unique_ptr<Plugin>>& Internal() const { return internal_; }
  const std::map<unsigned, std::unique_ptr<Plugin>>& Modules() const { return modules_; }

  // Refills `menu` with one entry per plug-in that accepts `info`: internal ones, a separator,
  // modules; a grayed "(empty)" (id 1) when none does.
  void FillMenu(shell::MenuModel& menu, BlobInfo* info) const;
  // Shows `info` with plug-in `id`; a refusal with a reason shows that reason in a box.
  // False when there is no such plug-in.
  bool Run(unsigned id, BlobInfo* info, PluginUi* ui, FrameServices* fallback) const;

  // Unloads the internal plug-ins, then the modules.
  void UnloadAll();

 private:
  void ScanDirectory(const std::string& path, int depth);

  std::map<unsigned, std::unique_ptr<Plugin>> internal_;
  std::map<unsigned, std::unique_ptr<Plugin>> modules_;
  unsigned nextInternal_ = kFirstInternalId;
  unsigned nextModule_ = kFirstModuleId;
};

}  // namespace quillet::plugins
