#include "shell/ui/startup.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/registry_store.h"
#include "shell/ui/frame_manager.h"

namespace quillet::ui {
namespace {

// Qt aborts when no platform plug-in can connect; say why before it gets the chance.
bool DisplayAvailable() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform != nullptr && *platform != '\0') return true;
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

}  // namespace

int RunApplication(int argc, char** argv) {
  if (!DisplayAvailable()) {
    std::fprintf(stderr,
                 "quillet: no display is available (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                 "Run Quillet inside a desktop session, or under xvfb-run for a virtual one.\n");
    return 2;
  }
  // The options are read from the arguments as the system handed them, before Qt takes its own.
  std::vector<std::string> arguments(argv, argv + argc);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quillet"));
  QApplication::setApplicationVersion(QStringLiteral("1.6"));
  // Windows may close unseen (a cancelled start); the manager decides when the process ends.
  QApplication::setQuitOnLastWindowClosed(false);

  FrameManager manager(arguments, config::RegistryStore::Default());
  manager.SetQuitWhenEmpty(true);
  manager.AddWindow(FrameManager::CommandString(arguments));
  if (manager.Count() == 0) return 0;
  return QApplication::exec();
}

}  // namespace quillet::ui
