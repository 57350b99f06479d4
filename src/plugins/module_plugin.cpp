#include "plugins/module_plugin.h"

#include <dlfcn.h>

#include <cstring>

namespace quillet::plugins {
namespace {

template <class Fn>
Fn Lookup(void* handle, const char* name) {
  // dlsym hands out an object pointer; the module's export is a function of this type.
  return reinterpret_cast<Fn>(::dlsym(handle, name));
}

}  // namespace

void ResetDescription(PluginDescription* description) {
  std::memset(description, 0, sizeof *description);
  std::strcpy(description->name, "<Unknown>");
}

ModulePlugin::~ModulePlugin() {
  Unload();
}

void ModulePlugin::Unload() {
  if (handle_ != nullptr) ::dlclose(handle_);
  handle_ = nullptr;
  path_.clear();
  lastErrorA_ = nullptr;
  lastErrorW_ = nullptr;
  showBlob_ = nullptr;
  menuNameA_ = nullptr;
  menuNameW_ = nullptr;
  testBlob_ = nullptr;
  describeA_ = nullptr;
  describeW_ = nullptr;
  aboutBox_ = nullptr;
  configurate_ = nullptr;
}

bool ModulePlugin::LoadPlugin(const std::string& path) {
  Unload();
  // Local symbols: two modules may export the same names without meeting each other.
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return false;
  handle_ = handle;
  path_ = path;

  // The required set, in its order: the first one missing ends the load.
  bool complete = (lastErrorA_ = Lookup<GetLastErrorTextAFn>(handle, "GetLastErrorTextA")) &&
                  (lastErrorW_ = Lookup<GetLastErrorTextWFn>(handle, "GetLastErrorTextW")) &&
                  (showBlob_ = Lookup<ShowBLOBFn>(handle, "ShowBLOB")) &&
                  (menuNameA_ = Lookup<GetMenuItemNameAFn>(handle, "GetMenuItemNameA")) &&
                  (menuNameW_ = Lookup<GetMenuItemNameWFn>(handle, "GetMenuItemNameW"));
  if (!complete) {
    Unload();
    return false;
  }
  testBlob_ = Lookup<TestBLOBFn>(handle, "TestBLOB");
  describeA_ = Lookup<GetModuleDescriptionAFn>(handle, "GetModuleDescriptionA");
  describeW_ = Lookup<GetModuleDescriptionWFn>(handle, "GetModuleDescriptionW");
  aboutBox_ = Lookup<ShowAboutBoxFn>(handle, "ShowAboutBox");
  configurate_ = Lookup<ShowConfigurateWndFn>(handle, "ShowConfigurateWnd");
  return true;
}

void ModulePlugin::GetModuleDescription(PluginDescription* description) {
  if (description == nullptr) return;
  ResetDescription(description);
  if (describeA_ == nullptr) return;
  try {
    describeA_(description);
  } catch (...) {
  }
  // A module that forgot a terminator must not make the program read past a field.
  description->name[sizeof description->name - 1] = '\0';
  description->version[sizeof description->version - 1] = '\0';
  description->copyright[sizeof description->copyright - 1] = '\0';
  description->description[sizeof description->description - 1] = '\0';
  description->languages[sizeof description->languages - 1] = '\0';
}

void ModulePlugin::ShowAboutBox(void* parent) {
  if (aboutBox_ == nullptr) return;
  try {
    aboutBox_(parent);
  } catch (...) {
  }
}

void ModulePlugin::ShowConfigurateWnd(void* parent) {
  if (configurate_ == nullptr) return;
  try {
    configurate_(parent);
  } catch (...) {
  }
}

const char* ModulePlugin::GetLastErrorText() {
  if (lastErrorA_ == nullptr) return nullptr;
  try {
    return lastErrorA_();
  } catch (...) {
    return nullptr;
  }
}

bool ModulePlugin::ShowBLOB(void* parent, std::uint32_t reserved, BlobInfo* info) {
  if (showBlob_ == nullptr) return false;
  try {
    return showBlob_(parent, reserved, info) != 0;
  } catch (...) {
    return false;
  }
}

bool ModulePlugin::TestBLOB(BlobInfo* info) {
  if (testBlob_ == nullptr) return true;
  try {
    return testBlob_(info) != 0;
  } catch (...) {
    return true;
  }
}

const char* ModulePlugin::GetMenuItemName() {
  if (menuNameA_ == nullptr) return nullptr;
  try {
    return menuNameA_();
  } catch (...) {
    return nullptr;
  }
}

}  // namespace quillet::plugins
