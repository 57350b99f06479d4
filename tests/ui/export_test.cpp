// Export Rows from the window: the dialog filled in as a user would, the job with its progress
// and report line, and Stop in the middle of a big table, which leaves the old file as it was.

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "export/ui/export_dialog.h"
#include "report/report_log.h"
#include "report/ui/report_pane.h"
#include "resources/command_ids.h"
#include "window_fixture.h"

using namespace quillet;
using namespace quillet::ui;
using quillet::uitest::WaitIdle;

namespace {

QString NewestReport(MainWindow* window) {
  ReportModel* model = window->Report()->Model();
  if (model->rowCount() == 0) return {};
  return model->data(model->index(0, 2), Qt::DisplayRole).toString();
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class ExportTest : public QObject {
  Q_OBJECT

 private:
  uitest::WindowFixture fx_;

 private slots:
  void initTestCase() { uitest::ResetSettingsStore(); }
  void init() { fx_.Begin(); }
  void cleanup() {
    SetDialogRunner({});
    fx_.End();
  }

  void aTableToCsvFromTheFileMenu() {
    MainWindow* window = fx_.StartDemo();
    QVERIFY(window != nullptr);
    QVERIFY(uitest::ShowTable(window, "orders"));
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("orders.csv"));
    bool shown = false;
    SetDialogRunner([&](QDialog& dialog) {
      auto* exportDialog = qobject_cast<ExportDialog*>(&dialog);
      if (exportDialog == nullptr) return int{QDialog::Rejected};
      exportDialog->FileEdit()->setText(target);
      exportDialog->SeparatorBox()->setCurrentIndex(1);  // semicolon
      exportDialog->show();
      shown = QTest::qWaitForWindowExposed(exportDialog);
      uitest::SaveScreenshot(exportDialog, QStringLiteral("export_dialog.png"));
      exportDialog->Buttons()->button(QDialogButtonBox::Ok)->click();
      return exportDialog->result();
    });
    window->UpdateUi();
    QVERIFY(window->IsCommandEnabled(cmd::kExportRows));
    window->Action(cmd::kExportRows)->trigger();
    QVERIFY(shown);
    QVERIFY(WaitIdle(window));
    // Every row, not only the 100 of the page shown, with the header line.
    const QList<QByteArray> lines = ReadAll(target).split('\n');
    QCOMPARE(lines.size(), 252);  // 250 rows, the header and the end of the last line
    QVERIFY(lines[0].startsWith("id;customer_id;order_date"));
    QCOMPARE(NewestReport(window),
             QStringLiteral("Exported 250 rows to %1").arg(QDir(target).canonicalPath()));
    QVERIFY(fx_.boxes->Boxes().empty());
  }

  void stopInTheMiddleLeavesTheOldFile() {
    MainWindow* window = fx_.StartDemo();
    QVERIFY(window != nullptr);
    QVERIFY(uitest::ShowTable(window, "events"));  // a million rows
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("events.jsonl"));
    {
      QFile old(target);
      QVERIFY(old.open(QIODevice::WriteOnly));
      old.write("the old bytes\n");
    }
    SetDialogRunner([&](QDialog& dialog) {
      auto* exportDialog = qobject_cast<ExportDialog*>(&dialog);
      exportDialog->FileEdit()->setText(target);
      exportDialog->FormatBox()->setCurrentIndex(1);  // JSON Lines
      return int{QDialog::Accepted};
    });
    window->OnCommand(cmd::kExportRows);
    // Stop once the temporary file beside the target has taken some of the rows.
    const auto written = [&folder, &target] {
      qint64 size = 0;
      for (const QFileInfo& file : QDir(folder.path()).entryInfoList(QDir::Files | QDir::Hidden))
        if (file.filePath() != target) size = std::max(size, file.size());
      return size;
    };
    QTRY_VERIFY_WITH_TIMEOUT(written() > 4 * 1024 * 1024, 30000);
    window->UpdateUi();
    QVERIFY(window->IsCommandEnabled(cmd::kStop));
    window->OnCommand(cmd::kStop);
    QVERIFY(WaitIdle(window));
    QCOMPARE(ReadAll(target), QByteArray("the old bytes\n"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files),
             QStringList{QStringLiteral("events.jsonl")});
    QCOMPARE(NewestReport(window), QStringLiteral("The export was stopped; no file was written."));
  }
};

QTEST_MAIN(ExportTest)
#include "export_test.moc"
