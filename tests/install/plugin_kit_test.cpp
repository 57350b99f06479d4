// The C viewer module built out of tree against the installed plug-in kit: the plug-in manager
// loads it and offers it for binary cells only.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "plugins/blob_storage.h"
#include "plugins/module_plugin.h"
#include "plugins/plugin_manager.h"
#include "resources/menu_model.h"

namespace quillet::plugins {
namespace {

const std::string kModuleFolder = std::getenv("QUILLET_KIT_MODULE_DIR") != nullptr
                                      ? std::getenv("QUILLET_KIT_MODULE_DIR")
                                      : "/nonexistent/";

// A cell's value as the program hands it to plug-ins: a stream positioned at its end.
class Cell {
 public:
  Cell(const std::string& bytes, std::uint32_t type) {
    stream_ = storage_.CreateStream(kBlobStreamName);
    std::uint32_t written = 0;
    if (stream_ != nullptr && !bytes.empty())
      stream_->vtbl->Write(stream_, bytes.data(), static_cast<std::uint32_t>(bytes.size()),
                           &written);
    info_ = BlobInfo{stream_, type};
  }
  ~Cell() {
    if (stream_ != nullptr) stream_->vtbl->Release(stream_);
  }
  BlobInfo* Info() { return &info_; }

 private:
  BlobStorage storage_;
  QuilletStream* stream_ = nullptr;
  BlobInfo info_{};
};

std::vector<std::string> MenuTexts(const shell::MenuModel& menu) {
  std::vector<std::string> texts;
  for (const auto& item : menu.Items()) texts.push_back(item.text);
  return texts;
}

TEST(PluginKit, TheManagerLoadsTheCModuleAndOffersItForBinaryCellsOnly) {
  PluginManager manager;
  manager.ScanFolder(kModuleFolder);
  ASSERT_EQ(manager.Modules().size(), 1u) << "no module in " << kModuleFolder;
  Plugin* plugin = manager.Modules().begin()->second.get();
  EXPECT_STREQ(plugin->GetMenuItemName(), "Show byte statistics");
  PluginDescription description;
  plugin->GetModuleDescription(&description);
  EXPECT_STREQ(description.name, "Byte statistics");
  EXPECT_STREQ(description.version, "1.0");
  EXPECT_NE(std::string(description.description).find("Written in C"), std::string::npos);

  Cell binary(std::string("\x89PNG\r\n\x1a\n\0\0", 10), QUILLET_DBTYPE_BYTES);
  Cell empty("", QUILLET_DBTYPE_BYTES);
  Cell text("plain words", QUILLET_DBTYPE_STR);
  shell::MenuModel menu;
  manager.FillMenu(menu, binary.Info());
  const auto offered = MenuTexts(menu);
  EXPECT_NE(std::find(offered.begin(), offered.end(), "Show byte statistics"), offered.end());
  for (Cell* refused : {&empty, &text}) {
    manager.FillMenu(menu, refused->Info());
    const auto texts = MenuTexts(menu);
    EXPECT_EQ(std::find(texts.begin(), texts.end(), "Show byte statistics"), texts.end());
  }
}

TEST(PluginKit, WithoutADisplayTheModuleSaysWhyItShowedNothing) {
  ModulePlugin plugin;
  ASSERT_TRUE(plugin.LoadPlugin(kModuleFolder + "byte_stats.blob"));
  const std::string saved = std::getenv("DISPLAY") != nullptr ? std::getenv("DISPLAY") : "";
  unsetenv("DISPLAY");
  Cell binary("abc", QUILLET_DBTYPE_BYTES);
  EXPECT_FALSE(plugin.ShowBLOB(nullptr, 0, binary.Info()));
  EXPECT_NE(std::string(plugin.GetLastErrorText()).find("X11 display"), std::string::npos);
  if (!saved.empty()) setenv("DISPLAY", saved.c_str(), 1);
}

}  // namespace
}  // namespace quillet::plugins
