#pragma once
// Helpers shared by the UI tests: scripted answers for every dialog, the demo data's paths,
// waiting for a window's loading job, and screenshots.

#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

#include "resources/ui/dialog_hooks.h"

class QWidget;

namespace quillet::ui {
class MainWindow;
}

namespace quillet::uitest {

// Records every message box instead of showing it, answering with `answer`.
class MessageRecorder {
 public:
  explicit MessageRecorder(QMessageBox::StandardButton answer = QMessageBox::Ok);
  ~MessageRecorder();
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  const std::vector<ui::MessageRequest>& Boxes() const { return boxes_; }
  bool Saw(const QString& caption, const QString& text) const;
  void Clear() { boxes_.clear(); }

 private:
  std::vector<ui::MessageRequest> boxes_;
};

QString BuildDir();
QString DemoUdl();
QString DemoDb();
// The first column of the first row of `sql` on the database file, read straight from SQLite.
QString QueryText(const QString& path, const QString& sql);
// The ODBC connection string of the test server whose state folder `stateVariable` names
// (its conn.txt); empty without a server.
std::string ServerConnectString(const char* stateVariable);
// Writes the widget's picture under the build folder's screenshots/ and returns the path.
QString SaveScreenshot(QWidget* widget, const QString& name);

// Waits until the window's job has ended and its queued reports are shown.
bool WaitIdle(ui::MainWindow* window, int timeoutMs = 60000);
// Lets queued calls run.
void Settle(int ms = 50);

// Removes the test's settings store so every run starts from the defaults.
void ResetSettingsStore();

}  // namespace quillet::uitest
