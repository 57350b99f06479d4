#include "shell/ui/startup.h"

#include <QApplication>
#include <QFile>
#include <QIcon>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "config/key_path.h"
#include "config/option_groups.h"
#include "config/registry_store.h"
#include "export/export_arguments.h"
#include "export/export_command.h"
#include "shell/info_options.h"
#include "shell/single_instance.h"
#include "shell/ui/frame_manager.h"
#include "shell/ui/instance_channel.h"

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

// Hands this start's request to the process that holds the instance lock. True when this start
// ends here; false when that process went away meanwhile and this one took its place.
bool DeferToFirstInstance(shell::SingleInstance& instance,
                          const std::vector<std::string>& arguments) {
  std::error_code error;
  const std::string workingFolder = std::filesystem::current_path(error).string();
  const shell::InstanceRequest request = shell::RequestFromArguments(arguments, workingFolder);
  switch (instance.Defer(request, std::chrono::seconds(10))) {
    case shell::SingleInstance::DeferResult::kBecameFirst:
      return false;
    case shell::SingleInstance::DeferResult::kUnanswered:
      std::fprintf(stderr, "quillet: the Quillet running on this desktop did not answer.\n");
      return true;
    case shell::SingleInstance::DeferResult::kDelivered:
      return true;
  }
  return true;
}

}  // namespace

int RunApplication(int argc, char** argv) {
  // An export runs without a window: no display, no other Quillet involved.
  if (exporting::IsCommandLineRun(argc, argv))
    return exporting::RunExportCommand(argc, argv, stdout, stderr);

  // The options are read from the arguments as the system handed them, before Qt takes its own.
  std::vector<std::string> arguments(argv, argv + argc);
  if (const shell::InfoOption info = shell::FindInfoOption(arguments);
      info != shell::InfoOption::kNone) {
    const std::string text =
        info == shell::InfoOption::kHelp ? shell::HelpText() : shell::VersionText();
    std::fputs(text.c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  config::RegistryStore& store = config::RegistryStore::Default();

  // A start on a desktop where Quillet already runs ends before any platform set-up.
  shell::SingleInstance instance = shell::SingleInstance::ForThisDesktop();
  const bool single =
      config::ReadSingleInstance(
          store,
          config::KeyPath(config::kGeneralKeyFormat, config::kVersionMajor, config::kVersionMinor),
          1) != 0;
  if (instance.IsAnotherInstanceRunning() && single && DeferToFirstInstance(instance, arguments))
    return 0;

  if (!DisplayAvailable()) {
    std::fprintf(stderr,
                 "quillet: no display is available (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                 "Run Quillet inside a desktop session, or under xvfb-run for a virtual one.\n");
    return 2;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quillet"));
  QApplication::setApplicationVersion(QStringLiteral("1.6"));
  // Desktops match the windows to quillet.desktop, and so to its name and icon; the icon is
  // also carried for window managers that ask the window itself.
  QGuiApplication::setDesktopFileName(QStringLiteral("quillet"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quillet.svg")));
  // Windows may close unseen (a cancelled start); the manager decides when the process ends.
  QApplication::setQuitOnLastWindowClosed(false);

  FrameManager manager(arguments, store);
  manager.SetQuitWhenEmpty(true);
  // The lock holder serves later starts whether or not the option is on here: the option is
  // the later start's to read.
  InstanceChannel channel(manager);
  if (instance.HoldsLock() &&
      !channel.Listen(QFile::decodeName(QByteArray::fromStdString(instance.SocketPath())))) {
    instance.Release();
  }
  manager.AddWindow(FrameManager::CommandString(arguments));
  channel.NoteFirstWindow();
  if (manager.Count() == 0) return 0;
  return QApplication::exec();
}

}  // namespace quillet::ui
