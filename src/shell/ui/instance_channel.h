#pragma once
// The first process's end of the single-instance socket: a later start on this desktop asks it
// to bring its first window forward, or to open in a new window the data link file or the
// connection string that start was given. Every process has one; only the lock's holder listens.
//
// With QUILLET_INSTANCE_TRACE set, every step is written to standard output as one line
// ("serving <socket>", "raised <title>", "opened <title>", "active <title>"), for tests that
// drive the program as separate processes.

#include <QLocalServer>
#include <QObject>
#include <QPointer>

#include <string>

namespace quillet::shell {
struct InstanceRequest;
}

namespace quillet::ui {

class FrameManager;
class MainWindow;

// Restores the window when minimised, raises it and asks for the focus. `activationToken`, when
// given, is the launcher's permission to take the focus on Wayland.
void BringToFront(QWidget* window, const std::string& activationToken = {});

class InstanceChannel : public QObject {
  Q_OBJECT
 public:
  explicit InstanceChannel(FrameManager& manager, QObject* parent = nullptr);

  // Serves at `socketPath`. Only the holder of the instance lock calls this, so a socket file
  // already there was left by a process that died and is removed first.
  bool Listen(const QString& socketPath);
  // Takes the process's first window as the one a later start brings forward; it stays that
  // window, and once it has closed nothing is brought forward.
  void NoteFirstWindow();
  void Handle(const shell::InstanceRequest& request);

 private:
  void Accept();

  FrameManager& manager_;
  QLocalServer server_;
  QPointer<MainWindow> first_;
  bool firstNoted_ = false;
};

}  // namespace quillet::ui
