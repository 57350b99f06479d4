#pragma once
// Keeps the process's main windows: at most 63 of them, all on the one GUI thread. A window that
// already holds a connection asks here for a new window when the user creates or opens another
// one; the process ends when the last window has closed.

#include <QObject>

#include <functional>
#include <string>
#include <vector>

namespace quillet::config {
class RegistryStore;
}

namespace quillet::ui {

class MainWindow;

class FrameManager : public QObject {
  Q_OBJECT
 public:
  static constexpr int kMaxWindows = 63;

  // `arguments` is the process's argument vector (the program first); only the first window
  // carries out its options.
  FrameManager(std::vector<std::string> arguments, config::RegistryStore& store);
  ~FrameManager() override;

  // Builds a window and carries out its start action: a verb ("-newudl", "-newcstr",
  // "-openudl") or else the process's options. Returns the shown window, or nullptr when the
  // limit was reached or the start action was cancelled (that window closes unseen).
  MainWindow* AddWindow(const std::string& command);
  // A window that opens a data link file (isFile) or a connection string handed over by a later
  // start of the program, as "-openudl" opens the file its dialog returns.
  MainWindow* AddWindowOpening(const std::string& text, bool isFile);

  // A window's request for a new window for command 32792, 32793 or 32795. It is carried out
  // once the requesting command has returned, as a posted request would be.
  void RequestWindow(unsigned commandId);

  int Count() const { return static_cast<int>(windows_.size()); }
  const std::vector<MainWindow*>& Windows() const { return windows_; }

  // Tests leave out the tip of the day; a real run offers it after every window shows.
  void SetOfferTips(bool on) { offerTips_ = on; }
  // End the application's event loop when the last window has gone.
  void SetQuitWhenEmpty(bool on) { quitWhenEmpty_ = on; }

  // Called by a window as it is destroyed.
  void WindowDestroyed(MainWindow* window);

  // The process command string: the arguments after the program, joined by blanks.
  static std::string CommandString(const std::vector<std::string>& arguments);

 signals:
  void allWindowsClosed();

 private:
  MainWindow* AddWindowWith(const std::function<bool(MainWindow*)>& startAction);
  bool RunStartAction(MainWindow* window, const std::string& command);

  std::vector<std::string> arguments_;
  config::RegistryStore& store_;
  std::vector<MainWindow*> windows_;
  bool offerTips_ = true;
  bool quitWhenEmpty_ = false;
};

}  // namespace quillet::ui
