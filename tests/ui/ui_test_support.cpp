#include "ui_test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QWidget>

#include <cstdlib>
#include <fstream>

#include "shell/ui/main_window.h"
#include "unit/datasource/test_files.h"

namespace quillet::uitest {

MessageRecorder::MessageRecorder(QMessageBox::StandardButton answer) {
  ui::SetMessageHandler([this, answer](const ui::MessageRequest& request) {
    boxes_.push_back(request);
    return answer;
  });
}

MessageRecorder::~MessageRecorder() {
  ui::SetMessageHandler({});
}

bool MessageRecorder::Saw(const QString& caption, const QString& text) const {
  for (const auto& box : boxes_)
    if (box.caption == caption && box.text.contains(text)) return true;
  return false;
}

QString BuildDir() {
  return QString::fromLocal8Bit(qgetenv("QUILLET_BUILD_DIR"));
}
QString DemoUdl() {
  return BuildDir() + QStringLiteral("/demo/demo.udl");
}
QString DemoDb() {
  return BuildDir() + QStringLiteral("/demo/demo.db");
}

QString QueryText(const QString& path, const QString& sql) {
  return QString::fromStdString(
      db::testing::QueryValue(path.toStdString(), sql.toStdString()).value_or(""));
}

std::string ServerConnectString(const char* stateVariable) {
  const char* state = std::getenv(stateVariable);
  std::ifstream in(std::string(state != nullptr ? state : "") + "/conn.txt");
  std::string line;
  std::getline(in, line);
  return line;
}

QString SaveScreenshot(QWidget* widget, const QString& name) {
  const QString folder = BuildDir() + QStringLiteral("/screenshots");
  QDir().mkpath(folder);
  const QString path = folder + QLatin1Char('/') + name;
  widget->grab().save(path);
  return path;
}

bool WaitIdle(ui::MainWindow* window, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  // A job may not have begun its work yet; give queued calls a turn first.
  Settle(20);
  while (!window->IsIdle()) {
    if (timer.elapsed() > timeoutMs) return false;
    QTest::qWait(10);
  }
  Settle(50);
  return true;
}

void Settle(int ms) {
  QCoreApplication::processEvents();
  QTest::qWait(ms);
  QCoreApplication::processEvents();
}

void ResetSettingsStore() {
  const QByteArray path = qgetenv("QUILLET_REGISTRY");
  if (!path.isEmpty()) QFile::remove(QString::fromLocal8Bit(path));
}

}  // namespace quillet::uitest
