// The window's commands and start actions beyond the first walk: view styles, panes, Up, the
// quick view bar, the tree's lazy folders, the start verbs with their dialogs, start-up options
// and reports arriving from another thread.

#include <QDockWidget>
#include <QFile>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <thread>

#include "datasource/udl_file.h"
#include "datasource/ui/data_link_dialog.h"
#include "report/ui/report_pane.h"
#include "resources/command_ids.h"
#include "shell/ui/database_tree.h"
#include "shell/ui/quick_view_bar.h"
#include "tabledata/ui/data_list_view.h"
#include "window_fixture.h"

using namespace quillet;
using namespace quillet::ui;
using quillet::uitest::WaitIdle;

class FrameCommandsTest : public QObject {
  Q_OBJECT

 private:
  uitest::WindowFixture fx_;

  static std::string DemoSqlite() {
    return "Provider=SQLite;Data Source=" + uitest::DemoDb().toStdString();
  }

 private slots:
  void initTestCase() { uitest::ResetSettingsStore(); }
  void init() { fx_.Begin(); }
  void cleanup() {
    fx_.End();
    SetDataLinkDialogHandler({});
    SetFileHandler({});
  }

  void listStyleCommandsFollowTheShownElement() {
    MainWindow* window = fx_.StartDemo();
    QVERIFY(window != nullptr);
    DataListView* list = window->DataList();
    for (auto [command, style] :
         {std::pair{cmd::kStyleReport, 1u}, std::pair{cmd::kStyleList, 3u}}) {
      window->UpdateUi();
      QVERIFY(window->IsCommandEnabled(command));
      window->OnCommand(command);
      QVERIFY(WaitIdle(window));
      QCOMPARE(list->ViewStyle(), style);
      window->UpdateUi();
      QVERIFY(window->IsCommandChecked(command));
      QVERIFY(!window->IsCommandChecked(cmd::kStyleIcons));
    }

    // Table rows have no list settings: their styles are off and they show as a report.
    QVERIFY(uitest::ShowTable(window, "customers"));
    window->UpdateUi();
    QVERIFY(!window->IsCommandEnabled(cmd::kStyleIcons));
    QCOMPARE(list->ViewStyle(), 1u);
    QCOMPARE(list->Model()->rowCount(), 60);
  }

  void iconViewsGiveNamesTheirRoom() {
    MainWindow* window = fx_.StartDemo();
    QVERIFY(window != nullptr);
    window->Elements().ActivateListItem("Tables", true);
    window->StartJob(kSlotTables);
    QVERIFY(WaitIdle(window));
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    DataListView* list = window->DataList();
    QListView* items = list->ItemsView();
    for (unsigned command : {cmd::kStyleIcons, cmd::kStyleList}) {
      window->UpdateUi();
      window->OnCommand(command);
      QVERIFY(WaitIdle(window));
      // Every name fits its item whole: on two lines under a large icon, on one beside a small.
      const bool icons = command == cmd::kStyleIcons;
      for (int row = 0; row < list->Model()->rowCount(); ++row) {
        const QString name = list->Model()->CellText(row, 0);
        const QRect item = items->visualRect(list->Model()->index(row, 0));
        const int room = icons ? 2 * (item.width() - 8) : item.width() - 16 - 12;
        QVERIFY2(items->fontMetrics().horizontalAdvance(name) <= room, qPrintable(name));
      }
    }
    window->OnCommand(cmd::kStyleIcons);
    QVERIFY(WaitIdle(window));
    uitest::SaveScreenshot(window, QStringLiteral("icon_view.png"));
  }

  void upGoesToTheParentAndQuickViewToAFolder() {
    MainWindow* window = fx_.StartDemo();
    QVERIFY(window != nullptr);
    window->QuickView()->Button(2)->click();  // table views
    QVERIFY(WaitIdle(window));
    QCOMPARE(window->Elements().ListSlot(), kSlotViews);
    window->UpdateUi();
    QVERIFY(window->IsCommandEnabled(cmd::kUp));
    window->OnCommand(cmd::kUp);
    QVERIFY(WaitIdle(window));
    QCOMPARE(window->Elements().ListSlot(), kSlotDatabase);
    QCOMPARE(window->DataList()->Model()->rowCount(), 3);
  }

  void paneTogglesAndReportVisibility() {
    MainWindow* window = fx_.Start({"-hide_report", "-hide_dbqbar"});
    QVERIFY(window != nullptr);
    QVERIFY(window->ReportDock()->isHidden());
    QVERIFY(window->QuickViewDock()->isHidden());
    QVERIFY(!window->TreeDock()->isHidden());
    window->UpdateUi();
    QVERIFY(!window->IsCommandChecked(cmd::kReportWindow));
    QVERIFY(window->IsCommandChecked(cmd::kDatabaseTree));

    // A note leaves the hidden pane hidden; an error shows it.
    window->ReportInformation("a note");
    QVERIFY(window->ReportDock()->isHidden());
    window->ReportError("a failure");
    QVERIFY(!window->ReportDock()->isHidden());
    QCOMPARE(window->Report()->Model()->rowCount(), 2);
  }

  void reportsFromAnotherThreadArriveInOrder() {
    MainWindow* window = fx_.Start({});
    QVERIFY(window != nullptr);
    std::thread worker([window] {
      for (int i = 0; i < 200; ++i) window->ReportInformation("note " + std::to_string(i));
    });
    worker.join();  // the calls never waited for the window's thread
    QCOMPARE(window->Report()->Model()->rowCount(), 0);
    QTRY_COMPARE(window->Report()->Model()->rowCount(), 200);
    const auto& log = window->Report()->Model()->Log();
    for (int i = 0; i < 200; ++i)
      QCOMPARE(log.At(static_cast<std::size_t>(199 - i)).description, "note " + std::to_string(i));
  }

  void newConnectionStringVerb() {
    SetDataLinkDialogHandler([this](const std::string&) { return DemoSqlite(); });
    MainWindow* window = fx_.Start({"-newcstr"});
    QVERIFY(window != nullptr);
    QVERIFY(window->IsConnected());
    QCOMPARE(window->windowTitle(), QStringLiteral("Quillet - [connection string]"));
    QCOMPARE(window->DataList()->Model()->rowCount(), 3);

    // Cancelled, the window closes unseen and nothing else changes.
    SetDataLinkDialogHandler([](const std::string&) { return std::nullopt; });
    QVERIFY(fx_.manager->AddWindow("-newcstr") == nullptr);
    QTRY_COMPARE(fx_.manager->Count(), 1);
    QVERIFY(fx_.boxes->Boxes().empty());
  }

  void newDataLinkVerbWritesAndOpensTheFile() {
    QTemporaryDir folder;
    const QString path = folder.path() + QStringLiteral("/made.udl");
    SetFileHandler([path](const FileRequest& request) { return request.save ? path : QString(); });
    SetDataLinkDialogHandler([this](const std::string& initial) {
      return initial.empty() ? std::optional<std::string>(DemoSqlite()) : std::nullopt;
    });
    MainWindow* window = fx_.Start({"-newudl"});
    QVERIFY(window != nullptr);
    QVERIFY(window->IsConnected());
    QCOMPARE(window->windowTitle(), QStringLiteral("Quillet - [") + path + QStringLiteral("]"));
    std::string stored;
    std::string error;
    QVERIFY(db::ReadDataLinkFile(path.toStdString(), &stored, &error));
    QVERIFY2(stored.find(uitest::DemoDb().toStdString()) != std::string::npos, stored.c_str());
  }

  void openVerbCancelledClosesTheWindow() {
    SetFileHandler([](const FileRequest&) { return QString(); });
    QVERIFY(fx_.Manager()->AddWindow("-openudl") == nullptr);
    QTRY_COMPARE(fx_.manager->Count(), 0);
  }
};

QTEST_MAIN(FrameCommandsTest)
#include "frame_commands_test.moc"
