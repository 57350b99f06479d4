// The program started several times as separate processes, as a desktop starts it: a later start
// on the same display brings the first window forward or hands over its data link file and ends;
// with the option off every start keeps its own window; a killed first process blocks nobody;
// another display never defers. Each process runs offscreen with the test's own settings store
// and runtime folder, and reports what it does through QUILLET_INSTANCE_TRACE.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <sys/prctl.h>

#include <csignal>
#include <cstdint>
#include <deque>
#include <memory>

#include "config/key_path.h"
#include "config/option_groups.h"
#include "config/registry_store.h"
#include "shell/ui/instance_channel.h"

using namespace quillet;

namespace {

constexpr int kPatienceMs = 10000;
const QString kNoConnection = QStringLiteral("Quillet - no connection");
// What the processes report, one line each.
const QString kServing = QStringLiteral("serving ");
const QString kActive = QStringLiteral("active ");
const QString kRaised = QStringLiteral("raised ");

struct Run {
  std::unique_ptr<QProcess> process;
  QStringList lines;
  QByteArray partial;
};

}  // namespace

class SingleInstanceTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    folder_ = std::make_unique<QTemporaryDir>();
    QVERIFY(folder_->isValid());
    QVERIFY(QDir(folder_->path()).mkpath(QStringLiteral("run")));
    QFile::setPermissions(folder_->filePath(QStringLiteral("run")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    SetOption(true);
  }

  void cleanup() {
    for (Run& run : runs_) {
      if (run.process->state() != QProcess::NotRunning) {
        run.process->kill();
        run.process->waitForFinished(5000);
      }
      if (QTest::currentTestFailed())
        qWarning().noquote() << run.process->arguments() << run.lines
                             << run.process->readAllStandardError();
    }
    runs_.clear();
    folder_.reset();
  }

  void laterStartBringsFirstWindowForwardOrHandsOverItsFile() {
    Run& first = Start({});
    QVERIFY(WaitFor(first, kServing) >= 0);
    QVERIFY(WaitFor(first, kActive + kNoConnection) >= 0);

    // A relative path, from a folder the first process does not run in.
    const QString sub = folder_->filePath(QStringLiteral("sub"));
    QVERIFY(QDir().mkpath(sub));
    QVERIFY(QFile::copy(qEnvironmentVariable("QUILLET_BUILD_DIR") + "/demo/demo.udl",
                        sub + "/handed.udl"));
    Run& handing = Start({QStringLiteral("-udl"), QStringLiteral("handed.udl")}, ":71", sub);
    QVERIFY(EndedWithZero(handing));
    const QString title =
        QStringLiteral("Quillet - [%1/handed.udl]").arg(QFileInfo(sub).canonicalFilePath());
    const int opened = WaitFor(first, QStringLiteral("opened ") + title);
    QVERIFY(opened >= 0);
    QVERIFY(WaitFor(first, kActive + title, opened) >= 0);

    Run& plain = Start({});
    QVERIFY(EndedWithZero(plain));
    const int raised = WaitFor(first, kRaised + kNoConnection, opened);
    QVERIFY(raised >= 0);
    QVERIFY(WaitFor(first, kActive + kNoConnection, raised) >= 0);

    QVERIFY(handing.lines.isEmpty() && plain.lines.isEmpty());  // neither showed anything
    QCOMPARE(first.process->state(), QProcess::Running);
  }

  void optionOffKeepsEveryWindowYetTheFirstStillServes() {
    SetOption(false);
    Run& first = Start({});
    QVERIFY(WaitFor(first, kServing) >= 0);
    Run& second = Start({});
    QVERIFY(WaitFor(second, kActive + kNoConnection) >= 0);
    QTest::qWait(300);
    QCOMPARE(first.process->state(), QProcess::Running);
    QCOMPARE(second.process->state(), QProcess::Running);
    QVERIFY(!second.lines.join('\n').contains(kServing));

    // Switched on since: the next start defers to the lock's holder, the first process.
    SetOption(true);
    QVERIFY(EndedWithZero(Start({})));
    QVERIFY(WaitFor(first, kRaised + kNoConnection) >= 0);
    QVERIFY(!second.lines.join('\n').contains(kRaised));
  }

  void killedFirstProcessBlocksNoStart() {
    Run& first = Start({});
    QVERIFY(WaitFor(first, kServing) >= 0);
    first.process->kill();  // SIGKILL: lock file and socket file stay behind
    QVERIFY(first.process->waitForFinished(kPatienceMs));

    Run& next = Start({});
    QVERIFY(WaitFor(next, kServing) >= 0);
    QVERIFY(WaitFor(next, kActive + kNoConnection) >= 0);
    QVERIFY(EndedWithZero(Start({})));
    QVERIFY(WaitFor(next, kRaised + kNoConnection) >= 0);
  }

  void bringToFrontRestoresAMinimisedWindow() {
    QWidget first, other;
    first.show();
    other.show();
    first.showMinimized();
    other.activateWindow();
    QTRY_VERIFY(other.isActiveWindow());
    ui::BringToFront(&first);
    QTRY_VERIFY(first.isActiveWindow());
    QVERIFY(!first.isMinimized());
  }

 private:
  void SetOption(bool on) {
    config::RegistryStore store(folder_->filePath(QStringLiteral("registry.db")).toStdString());
    config::WriteSingleInstance(
        store,
        config::KeyPath(config::kGeneralKeyFormat, config::kVersionMajor, config::kVersionMinor),
        on ? 1 : 0);
    // The tip's dialog would stand in front of every window.
    config::RegKey version;
    const std::uint32_t off = 0;
    QCOMPARE(store.CreateKey(config::VersionKeyPath(), &version), config::ERROR_SUCCESS);
    version.SetValue("ShowTipOfTheDay", config::REG_DWORD, &off, sizeof off);
  }

  Run& Start(const QStringList& arguments, const QString& display = QStringLiteral(":71"),
             const QString& workingFolder = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QUILLET_REGISTRY"),
                       folder_->filePath(QStringLiteral("registry.db")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder_->filePath(QStringLiteral("run")));
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("QUILLET_INSTANCE_TRACE"), QStringLiteral("1"));
    Run& run = runs_.emplace_back();
    run.process = std::make_unique<QProcess>();
    run.process->setProcessEnvironment(environment);
    // Should the test itself be killed (a timeout), its processes go with it.
    run.process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    run.process->setWorkingDirectory(workingFolder.isEmpty() ? folder_->path() : workingFolder);
    run.process->start(QStringLiteral(QUILLET_BINARY), arguments);
    return run;
  }

  static void ReadLines(Run& run) {
    run.partial += run.process->readAllStandardOutput();
    for (qsizetype end; (end = run.partial.indexOf('\n')) >= 0; run.partial.remove(0, end + 1))
      run.lines << QString::fromLocal8Bit(run.partial.left(end));
  }

  // The index of the first line from `from` on that starts with `start`, waiting for it; -1.
  static int WaitFor(Run& run, const QString& start, int from = 0) {
    QElapsedTimer timer;
    timer.start();
    while (true) {
      const bool over =
          timer.elapsed() > kPatienceMs || run.process->state() == QProcess::NotRunning;
      ReadLines(run);
      for (int i = from; i < run.lines.size(); ++i)
        if (run.lines[i].startsWith(start)) return i;
      if (over) return -1;
      run.process->waitForReadyRead(50);
    }
  }

  static bool EndedWithZero(Run& run) {
    const bool ended = run.process->waitForFinished(kPatienceMs);
    ReadLines(run);
    return ended && run.process->exitStatus() == QProcess::NormalExit &&
           run.process->exitCode() == 0;
  }

  std::unique_ptr<QTemporaryDir> folder_;
  std::deque<Run> runs_;  // references to its runs stay valid as it grows
};

QTEST_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
