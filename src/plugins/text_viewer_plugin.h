#pragma once
// The program's own viewer: shows a text value of any length in a plain-text dialog. It takes
// UTF-8 (129) and UTF-16 (130) text only.

#include <string>

#include "plugins/plugin.h"

namespace quillet::plugins {

class TextViewerPlugin : public Plugin {
 public:
  TextViewerPlugin();

  void GetModuleDescription(PluginDescription* description) override;
  bool HasAboutBox() const override { return false; }
  void ShowAboutBox(void*) override {}
  bool HasConfigurateWnd() const override { return false; }
  void ShowConfigurateWnd(void*) override {}
  const char* GetLastErrorText() override;
  bool ShowBLOB(void* parent, std::uint32_t reserved, BlobInfo* info) override;
  bool TestBLOB(BlobInfo* info) override;
  const char* GetMenuItemName() override { return menuText_.c_str(); }

  // The text gathered by the last ShowBLOB.
  const std::string& Text() const { return text_; }

  // Reads the whole stream from its start as text of `type` (129 or 130), in pieces of
  // 4096 bytes; each piece counts up to its first terminator. A read error ends the text.
  static std::string GatherText(QuilletStream* stream, std::uint32_t type);

 private:
  std::string menuText_;
  std::string lastError_;
  std::string text_;
};

}  // namespace quillet::plugins
