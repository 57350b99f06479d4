#pragma once
// A viewer plug-in in a shared object. The five required exports must all be there, looked up
// in a fixed order; the optional ones may be missing.

#include <string>

#include "plugins/plugin.h"

namespace quillet::plugins {

class ModulePlugin : public Plugin {
 public:
  ModulePlugin() = default;
  ~ModulePlugin() override;
  ModulePlugin(const ModulePlugin&) = delete;
  ModulePlugin& operator=(const ModulePlugin&) = delete;

  // Loads the module at `path`, dropping whatever was loaded before. False (silently) when
  // the file cannot be loaded or lacks a required export.
  bool LoadPlugin(const std::string& path);
  void Unload();
  bool IsLoaded() const { return handle_ != nullptr; }
  const std::string& Path() const { return path_; }
  bool HasTestBLOB() const { return testBlob_ != nullptr; }
  bool HasDescription() const { return describeA_ != nullptr; }

  void GetModuleDescription(PluginDescription* description) override;
  bool HasAboutBox() const override { return aboutBox_ != nullptr; }
  void ShowAboutBox(void* parent) override;
  bool HasConfigurateWnd() const override { return configurate_ != nullptr; }
  void ShowConfigurateWnd(void* parent) override;
  const char* GetLastErrorText() override;
  bool ShowBLOB(void* parent, std::uint32_t reserved, BlobInfo* info) override;
  bool TestBLOB(BlobInfo* info) override;
  const char* GetMenuItemName() override;

 private:
  void* handle_ = nullptr;
  std::string path_;
  GetLastErrorTextAFn lastErrorA_ = nullptr;
  GetLastErrorTextWFn lastErrorW_ = nullptr;
  ShowBLOBFn showBlob_ = nullptr;
  GetMenuItemNameAFn menuNameA_ = nullptr;
  GetMenuItemNameWFn menuNameW_ = nullptr;
  TestBLOBFn testBlob_ = nullptr;
  GetModuleDescriptionAFn describeA_ = nullptr;
  GetModuleDescriptionWFn describeW_ = nullptr;
  ShowAboutBoxFn aboutBox_ = nullptr;
  ShowConfigurateWndFn configurate_ = nullptr;
};

}  // namespace quillet::plugins
