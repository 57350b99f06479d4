// The C viewer module built out of tree against the installed plug-in kit: the plug-in manager
// loads it, offers it for binary cells only, and its window shows the statistics of a real
// cell on an X display and closes when the window manager asks.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "plugins/blob_storage.h"
#include "plugins/module_plugin.h"
#include "plugins/plugin_manager.h"
#include "resources/menu_model.h"

// Last: Xlib's macros (None, Status, ...) would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

extern char** environ;

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

// A throwaway X server for the module's window, on a display number it picks itself.
class VirtualDisplay {
 public:
  VirtualDisplay() {
    int fds[2];
    if (pipe(fds) != 0) return;
    const std::string fd = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb",       "-displayfd", fd.c_str(), "-screen", "0",
                          "800x600x24", "-nolisten",  "tcp",      nullptr};
    if (posix_spawnp(&pid_, "Xvfb", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
      pid_ = 0;
    close(fds[1]);
    char number[16] = {};
    const ssize_t got = pid_ != 0 ? read(fds[0], number, sizeof number - 1) : 0;
    close(fds[0]);
    if (got > 0) name_ = ":" + std::to_string(std::atoi(number));
  }
  ~VirtualDisplay() {
    if (pid_ != 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  const std::string& Name() const { return name_; }

 private:
  pid_t pid_ = 0;
  std::string name_;
};

Window FindWindowNamed(Display* display, Window under, const char* name) {
  char* title = nullptr;
  if (XFetchName(display, under, &title) != 0 && title != nullptr) {
    const bool match = std::strcmp(title, name) == 0;
    XFree(title);
    if (match) return under;
  }
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  Window found = 0;
  if (XQueryTree(display, under, &root, &parent, &children, &count) != 0) {
    for (unsigned i = 0; i < count && found == 0; ++i)
      found = FindWindowNamed(display, children[i], name);
    if (children != nullptr) XFree(children);
  }
  return found;
}

// Writes the window's picture among the build's screenshots (a binary PPM: no image library
// is linked here).
void SavePortablePixmap(XImage* image, const char* name) {
  const char* build = std::getenv("QUILLET_BUILD_DIR");
  if (build == nullptr) return;
  std::ofstream out(std::string(build) + "/screenshots/" + name, std::ios::binary);
  out << "P6\n" << image->width << ' ' << image->height << "\n255\n";
  for (int y = 0; y < image->height; ++y)
    for (int x = 0; x < image->width; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      const char rgb[3] = {static_cast<char>((pixel >> 16) & 0xFF),
                           static_cast<char>((pixel >> 8) & 0xFF), static_cast<char>(pixel & 0xFF)};
      out.write(rgb, 3);
    }
}

TEST(PluginKit, TheWindowShowsTextAndClosesWhenAsked) {
  VirtualDisplay server;
  if (server.Name().empty()) GTEST_SKIP() << "Xvfb is not available";
  setenv("DISPLAY", server.Name().c_str(), 1);
  ModulePlugin plugin;
  ASSERT_TRUE(plugin.LoadPlugin(kModuleFolder + "byte_stats.blob"));
  Cell binary(std::string(4000, 'a') + std::string(96, '\0'), QUILLET_DBTYPE_BYTES);
  // ShowBLOB returns when its window closes; this thread plays the window manager meanwhile.
  auto shown =
      std::async(std::launch::async, [&] { return plugin.ShowBLOB(nullptr, 0, binary.Info()); });

  Display* display = XOpenDisplay(server.Name().c_str());
  ASSERT_NE(display, nullptr);
  Window window = 0;
  for (int i = 0; i < 200 && window == 0; ++i) {
    window = FindWindowNamed(display, DefaultRootWindow(display), "Byte statistics");
    if (window == 0) std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  ASSERT_NE(window, 0u) << "the module opened no window";
  // Once drawn, some of its pixels are the text's black; the last look is kept as a picture.
  bool inked = false;
  for (int attempt = 0; attempt < 100 && !inked; ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    XWindowAttributes attributes;
    XGetWindowAttributes(display, window, &attributes);
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) continue;
    for (int y = 0; y < image->height && !inked; ++y)
      for (int x = 0; x < image->width && !inked; ++x) inked = XGetPixel(image, x, y) == 0;
    if (inked) SavePortablePixmap(image, "byte_stats_viewer.ppm");
    XDestroyImage(image);
  }
  EXPECT_TRUE(inked);

  XEvent close{};
  close.xclient.type = ClientMessage;
  close.xclient.window = window;
  close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  close.xclient.format = 32;
  close.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  XSendEvent(display, window, False, NoEventMask, &close);
  XFlush(display);
  ASSERT_EQ(shown.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_TRUE(shown.get());
  XCloseDisplay(display);
}

}  // namespace
}  // namespace quillet::plugins
