#include "plugins/plugin_manager.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "plugins/module_plugin.h"
#include "plugins/plugin_ui.h"
#include "plugins/text_viewer_plugin.h"
#include "resources/string_table.h"

namespace quillet::plugins {
namespace {

constexpr unsigned kEmptyText = 63100;  // "(empty)"
constexpr unsigned kEmptyId = 1;
constexpr unsigned kErrorCaption = 60000;
// Folders nested deeper than this are not searched (a guard against links that loop).
constexpr int kMaxDepth = 32;

std::mutex managerLock;
PluginManager* instance = nullptr;
int users = 0;

bool IsModuleName(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  return dot != std::string::npos && name.compare(dot, std::string::npos, ".blob") == 0;
}

}  // namespace

PluginManager::~PluginManager() {
  UnloadAll();
}

PluginManager* PluginManager::Attach(const std::string& folder) {
  std::lock_guard lock(managerLock);
  if (instance == nullptr) {
    auto manager = std::make_unique<PluginManager>();
    manager->AddInternal(std::make_unique<TextViewerPlugin>());
    manager->ScanFolder(folder);
    instance = manager.release();
  }
  ++users;
  return instance;
}

void PluginManager::Detach() {
  std::lock_guard lock(managerLock);
  if (users == 0) return;
  if (--users == 0) {
    delete instance;
    instance = nullptr;
  }
}

PluginManager* PluginManager::Instance() {
  std::lock_guard lock(managerLock);
  return instance;
}

int PluginManager::Users() {
  std::lock_guard lock(managerLock);
  return users;
}

unsigned PluginManager::AddInternal(std::unique_ptr<Plugin> plugin) {
  const unsigned id = nextInternal_++;
  internal_[id] = std::move(plugin);
  return id;
}

unsigned PluginManager::AddModule(std::unique_ptr<Plugin> plugin) {
  if (nextModule_ > kLastPluginId) return 0;  // no command id left for it
  const unsigned id = nextModule_++;
  modules_[id] = std::move(plugin);
  return id;
}

void PluginManager::ScanFolder(const std::string& path) {
  if (path.empty()) return;
  ScanDirectory(path.back() == '/' ? path : path + "/", 0);
}

void PluginManager::ScanDirectory(const std::string& path, int depth) {
  if (depth > kMaxDepth) return;
  DIR* dir = ::opendir(path.c_str());
  if (dir == nullptr) return;
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  // Ids follow the names' order, so they are the same on every start.
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    const std::string full = path + name;
    struct stat st {};
    if (::lstat(full.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      ScanDirectory(full + "/", depth + 1);
    } else if (IsModuleName(name)) {
      auto plugin = std::make_unique<ModulePlugin>();
      if (plugin->LoadPlugin(full)) AddModule(std::move(plugin));
    }
  }
}

Plugin* PluginManager::At(int index) const {
  if (index < 0) return nullptr;
  const int internalCount = static_cast<int>(internal_.size());
  if (index < internalCount) {
    auto it = internal_.find(kFirstInternalId + static_cast<unsigned>(index));
    return it != internal_.end() ? it->second.get() : nullptr;
  }
  auto it = modules_.find(kFirstModuleId + static_cast<unsigned>(index - internalCount));
  return it != modules_.end() ? it->second.get() : nullptr;
}

Plugin* PluginManager::Find(unsigned id) const {
  if (id < kFirstInternalId || id > kLastPluginId) return nullptr;
  if (auto it = internal_.find(id); it != internal_.end()) return it->second.get();
  if (auto it = modules_.find(id); it != modules_.end()) return it->second.get();
  return nullptr;
}

void PluginManager::FillMenu(shell::MenuModel& menu, BlobInfo* info) const {
  while (menu.Count() > 0) menu.RemoveAt(0);
  const auto addEmpty = [&menu] {
    menu.Insert(menu.Count(), shell::MenuItem{kEmptyId, LoadResourceString(kEmptyText), false});
  };
  if (internal_.empty() && modules_.empty()) {
    addEmpty();
    return;
  }
  const auto addAccepting = [&](const std::map<unsigned, std::unique_ptr<Plugin>>& plugins) {
    for (const auto& [id, plugin] : plugins) {
      if (!plugin->TestBLOB(info)) continue;
      const char* text = plugin->GetMenuItemName();
      menu.Insert(menu.Count(), shell::MenuItem{id, text != nullptr ? text : "", true});
    }
  };
  addAccepting(internal_);
  if (!modules_.empty()) {
    const std::size_t before = menu.Count();
    if (before > 0) menu.Insert(before, shell::MenuItem{0, "", true, true});
    addAccepting(modules_);
    // No module took it: the separator would stand alone at the end.
    if (before > 0 && menu.Count() == before + 1) menu.RemoveAt(before);
  }
  if (menu.Count() == 0) addEmpty();
}

bool PluginManager::Run(unsigned id, BlobInfo* info, PluginUi* ui, FrameServices* fallback) const {
  Plugin* plugin = Find(id);
  if (plugin == nullptr) return false;
  void* parent = ui != nullptr ? ui->ActiveWindow() : nullptr;
  if (plugin->ShowBLOB(parent, 0, info)) return true;
  const char* reason = plugin->GetLastErrorText();
  if (reason == nullptr) return true;
  const std::string text = reason;  // copied before anything else can run in the module
  const std::string caption = LoadResourceString(kErrorCaption);
  if (ui != nullptr)
    ui->ShowMessage(parent, caption, text, MessageIcon::Exclamation);
  else if (fallback != nullptr)
    fallback->ShowMessage(caption, text, MessageIcon::Exclamation);
  return true;
}

void PluginManager::UnloadAll() {
  internal_.clear();
  modules_.clear();
  nextInternal_ = kFirstInternalId;
  nextModule_ = kFirstModuleId;
}

}  // namespace quillet::plugins
