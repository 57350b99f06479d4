#include "plugins/plugin_ui.h"

#include <atomic>
#include <mutex>

#include "resources/application_paths.h"

namespace quillet::plugins {
namespace {

std::atomic<PluginUi*> installedUi{nullptr};
std::mutex folderLock;
std::string folderOverride;

}  // namespace

void SetPluginUi(PluginUi* ui) {
  installedUi = ui;
}

PluginUi* CurrentPluginUi() {
  return installedUi;
}

void SetPluginFolder(const std::string& folder) {
  std::lock_guard lock(folderLock);
  folderOverride = folder;
}

std::string PluginFolder() {
  {
    std::lock_guard lock(folderLock);
    if (!folderOverride.empty()) return folderOverride;
  }
  return shell::ApplicationPaths::Current().pluginFolder;
}

}  // namespace quillet::plugins
