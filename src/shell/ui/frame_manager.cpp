#include "shell/ui/frame_manager.h"

#include <QApplication>
#include <QPointer>

#include <algorithm>

#include "resources/ui/dialog_hooks.h"
#include "shell/command_line.h"
#include "shell/ui/main_window.h"

namespace quillet::ui {

FrameManager::FrameManager(std::vector<std::string> arguments, config::RegistryStore& store)
    : arguments_(std::move(arguments)), store_(store) {}

FrameManager::~FrameManager() {
  // Windows still open when the manager goes (tests) close with it.
  const std::vector<MainWindow*> open = windows_;
  for (MainWindow* window : open) delete window;
}

std::string FrameManager::CommandString(const std::vector<std::string>& arguments) {
  std::string command;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    if (i > 1) command += ' ';
    command += arguments[i];
  }
  return command;
}

MainWindow* FrameManager::AddWindow(const std::string& command) {
  return AddWindowWith([&](MainWindow* window) { return RunStartAction(window, command); });
}

MainWindow* FrameManager::AddWindowOpening(const std::string& text, bool isFile) {
  return AddWindowWith([&](MainWindow* window) {
    window->Open(text, isFile);
    return true;
  });
}

MainWindow* FrameManager::AddWindowWith(const std::function<bool(MainWindow*)>& startAction) {
  if (Count() >= kMaxWindows) {
    ShowMessageBox(nullptr, QStringLiteral("quillet"),
                   QStringLiteral("ERROR: Cannot create ANY MORE threads!!!"), BoxIcon::kNone);
    return nullptr;
  }
  auto* window = new MainWindow(this, store_);
  windows_.push_back(window);
  QPointer<MainWindow> guard(window);
  if (!startAction(window)) {
    // Cancelled or failed: the window closes without having been shown.
    if (!guard.isNull()) {
      window->close();
      if (!guard.isNull()) delete window;
    }
    return nullptr;
  }
  if (guard.isNull()) return nullptr;
  window->show();
  window->activateWindow();
  if (offerTips_) window->OfferTip(false);
  return guard.data();
}

bool FrameManager::RunStartAction(MainWindow* window, const std::string& command) {
  int handled = 0;
  switch (shell::ChooseStartAction(command)) {
    case shell::StartAction::kCreateDataLink:
      return window->Connection().CreateDataLink(0, 32792, nullptr, handled) == 0;
    case shell::StartAction::kCreateConnectionString:
      return window->Connection().CreateConnectionString(0, 32793, nullptr, handled) == 0;
    case shell::StartAction::kOpenDataLinkDialog:
      return window->Connection().OpenDataLinkDialog(0, 32795, nullptr, handled) == 0;
    case shell::StartAction::kParseCommandLine:
      shell::ParseCommandLine(*window, arguments_);
      return true;
  }
  return true;
}

void FrameManager::RequestWindow(unsigned commandId) {
  const std::string verb(shell::VerbForCommand(commandId));
  if (verb.empty()) {
    QApplication::beep();
    return;
  }
  QMetaObject::invokeMethod(
      this, [this, verb] { AddWindow(verb); }, Qt::QueuedConnection);
}

void FrameManager::WindowDestroyed(MainWindow* window) {
  windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
  if (!windows_.empty()) return;
  emit allWindowsClosed();
  if (quitWhenEmpty_)
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

}  // namespace quillet::ui
