#include "shell/ui/startup.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMainWindow>

#include <cstdio>
#include <cstdlib>
#include <string>

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
  QApplication app(argc, argv);
  QApplication::setApplicationName("Quillet");
  QMainWindow window;
  window.setWindowTitle("Quillet - no connection");
  window.resize(900, 600);
  window.show();
  return QApplication::exec();
}

}  // namespace quillet::ui
