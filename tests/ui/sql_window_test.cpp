// The SQL window inside the main window, and the navigation and recent-file commands around it:
// Execute and what the list and the editor show after it, Back, Forward, Up and Refresh through
// their commands, and the recent data links in the File menu and the open button's drop-down.

#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include "report/ui/report_pane.h"
#include "resources/command_ids.h"
#include "sqlwindow/ui/sql_pane.h"
#include "tabledata/ui/data_list_view.h"
#include "window_fixture.h"

using namespace quillet;
using namespace quillet::ui;
using quillet::uitest::Execute;
using quillet::uitest::RecentTexts;
using quillet::uitest::ShowTable;
using quillet::uitest::WaitIdle;

namespace {

QAction* RecentAction(QMenu* menu, const QString& prefix) {
  for (QAction* action : uitest::RecentActions(menu))
    if (action->text().startsWith(prefix)) return action;
  return nullptr;
}

}  // namespace

class SqlWindowTest : public QObject {
  Q_OBJECT

 private:
  uitest::WindowFixture fx_;

  static int Rows(MainWindow* window) { return window->DataList()->Model()->rowCount(); }

 private slots:
  void initTestCase() {
    uitest::ResetSettingsStore();
    QVERIFY2(QFile::exists(uitest::DemoUdl()), "the demo data link is missing");
  }
  void init() { fx_.Begin(); }
  void cleanup() { fx_.End(); }

  // First, while the settings store holds no list yet. The list's own rules (letter case, the
  // placeholder, shortening) are its unit tests.
  void recentListInTheFileMenuAndTheOpenDropDown() {
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/qsXXXXXX"));
    QVERIFY(folder.isValid());
    const QString a = folder.filePath(QStringLiteral("a.udl"));
    const QString b = folder.filePath(QStringLiteral("b.udl"));
    for (const QString& path : {a, b}) QVERIFY(QFile::copy(uitest::DemoUdl(), path));
    MainWindow* window = fx_.Start({});
    QVERIFY(window != nullptr);
    for (const QString& path : {b, a}) {
      window->Open(path.toStdString(), true);
      QVERIFY(WaitIdle(window));
    }
    const QStringList entries{QStringLiteral("&1 ") + a, QStringLiteral("&2 ") + b};
    QCOMPARE(RecentTexts(window->FileMenu()), entries);
    QCOMPARE(RecentTexts(window->RecentDropDown()), entries);
    // Choosing entry 2 opens b.udl, which becomes entry 1.
    QAction* second = RecentAction(window->FileMenu(), QStringLiteral("&2 "));
    QVERIFY(second != nullptr);
    second->trigger();
    QVERIFY(WaitIdle(window));
    QCOMPARE(window->windowTitle(), QStringLiteral("Quillet - [") + b + QStringLiteral("]"));
    QCOMPARE(RecentTexts(window->FileMenu()),
             (QStringList{QStringLiteral("&1 ") + b, QStringLiteral("&2 ") + a}));
  }

  void aFolderShownHidesThePaneAndExecuteDoesNothing() {
    MainWindow* window = fx_.StartDemo();
    QVERIFY(window != nullptr);
    QVERIFY(ShowTable(window, "customers"));
    window->OnCommand(cmd::kSqlWindow);
    window->UpdateUi();
    QVERIFY(window->IsCommandEnabled(cmd::kExecuteSql));

    window->OnCommand(cmd::kUp);
    QVERIFY(WaitIdle(window));
    window->UpdateUi();  // the idle-time update hides the pane
    QVERIFY(window->SqlDock()->isHidden());
    QVERIFY(!window->IsCommandEnabled(cmd::kExecuteSql));
    const int folderRows = Rows(window);
    window->OnCommand(cmd::kExecuteSql);
    QVERIFY(window->IsIdle());
    QCOMPARE(Rows(window), folderRows);
  }

  void executeReplacesTheRowsAndTheTextFollowsTheJob() {
    MainWindow* window = fx_.StartDemo();
    QVERIFY(window != nullptr);
    QVERIFY(ShowTable(window, "orders"));
    SqlPane* pane = window->Sql();
    // Showing a table leaves the query that produced its rows.
    QCOMPARE(pane->GetQueryText(), std::string("select * from orders"));
    QCOMPARE(Rows(window), 100);

    window->OnCommand(cmd::kSqlWindow);

    // F5 in the editor runs the query.
    window->show();
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
    window->SqlEditor()->setPlainText(
        QStringLiteral("select id, status from orders where id <= 5"));
    window->SqlEditor()->setFocus();
    QTest::keyClick(window->SqlEditor(), Qt::Key_F5);
    QVERIFY(WaitIdle(window));
    QCOMPARE(Rows(window), 5);
    QCOMPARE(window->DataList()->Model()->columnCount(), 3);  // the marker column and two
    QCOMPARE(window->DataList()->Model()->CellText(4, 1), QStringLiteral("5"));
    QCOMPARE(pane->GetQueryText(), std::string("select id, status from orders where id <= 5"));

    // An empty window shows the whole table and then holds its query.
    pane->ClearQueryText();
    window->OnCommand(cmd::kExecuteSql);
    QVERIFY(WaitIdle(window));
    QCOMPARE(Rows(window), 100);
    QCOMPARE(window->DataList()->Model()->columnCount(), 8);
    QCOMPARE(pane->GetQueryText(), std::string("select * from orders"));

    // A failing query lands in the report log; its text stays for the user to mend.
    window->ReportDock()->hide();
    QVERIFY(Execute(window, QStringLiteral("select id from no_such_table")));
    QVERIFY(!window->ReportDock()->isHidden());
    QCOMPARE(window->Report()->Model()->rowCount(), 1);
    QVERIFY(QString::fromStdString(window->Report()->Model()->Log().At(0).description)
                .contains(QStringLiteral("no_such_table")));
    QCOMPARE(pane->GetQueryText(), std::string("select id from no_such_table"));

    QVERIFY(fx_.boxes->Boxes().empty());
  }

  void aSecondExecuteStopsTheFirst() {
    MainWindow* window = fx_.StartDemo();
    QVERIFY(window != nullptr);
    QVERIFY(ShowTable(window, "orders"));
    window->OnCommand(cmd::kSqlWindow);
    // The million-row table takes a while to count. The second query wins whether the first job
    // has begun its work or not.
    for (int delay : {0, 5, 40}) {
      Execute(window, QStringLiteral("select * from events"), false);
      QTest::qWait(delay);
      QVERIFY(Execute(window, QStringLiteral("select id from orders where id <= 2")));
      QCOMPARE(Rows(window), 2);
      QCOMPARE(window->Sql()->GetQueryText(), std::string("select id from orders where id <= 2"));
    }
    QCOMPARE(window->Report()->Model()->rowCount(), 0);
  }

  void backForwardUpAndRefreshThroughTheirCommands() {
    MainWindow* window = fx_.StartDemo();
    QVERIFY(window != nullptr);
    QVERIFY(ShowTable(window, "orders"));  // points for the database and the tables folder

    const auto go = [window](unsigned id) {
      window->UpdateUi();
      if (!window->IsCommandEnabled(id)) return false;
      window->OnCommand(id);
      return WaitIdle(window);
    };
    // The order of the points is the navigation history's unit tests; here the commands.
    QVERIFY(go(cmd::kBack));
    QVERIFY(go(cmd::kBack));
    QCOMPARE(window->Elements().ListSlot(), kSlotDatabase);
    QVERIFY(go(cmd::kForward));
    QVERIFY(go(cmd::kForward));
    QCOMPARE(window->Elements().ListSlot(), kSlotTables);

    // Refresh adds a point for the slot it shows: Back then shows that slot again.
    const int folderRows = Rows(window);
    QVERIFY(!go(cmd::kBack));  // nothing was added by Forward
    QVERIFY(go(cmd::kRefresh));
    QVERIFY(go(cmd::kBack));
    QCOMPARE(window->Elements().ListSlot(), kSlotTables);
    QCOMPARE(Rows(window), folderRows);

    // Back to a table shows the query it showed, not the whole table.
    QVERIFY(ShowTable(window, "orders"));
    window->OnCommand(cmd::kSqlWindow);
    QVERIFY(Execute(window, QStringLiteral("select id from orders where id <= 7")));
    QCOMPARE(Rows(window), 7);
    QVERIFY(go(cmd::kUp));
    QCOMPARE(window->Elements().ListSlot(), kSlotTables);
    QVERIFY(go(cmd::kBack));
    QCOMPARE(window->Elements().ListSlot(), kSlotTable);
    QCOMPARE(Rows(window), 7);
    QCOMPARE(window->Sql()->GetQueryText(), std::string("select id from orders where id <= 7"));
    QVERIFY(fx_.boxes->Boxes().empty());
  }

  void screenshotOfAColouredQueryAndItsRows() {
    MainWindow* window = fx_.StartDemo();
    QVERIFY(window != nullptr);
    QVERIFY(ShowTable(window, "orders"));
    window->OnCommand(cmd::kSqlWindow);
    QVERIFY(Execute(window, QStringLiteral("/* new and paid orders,\n   newest first */\n"
                                           "select id, order_date, \"status\", total from orders\n"
                                           "where status in ('new', 'paid') and comment like '%'\n"
                                           "order by order_date desc /* newest */")));
    QVERIFY(Rows(window) > 0);
    QCOMPARE(window->Report()->Model()->rowCount(), 0);
    window->show();
    uitest::Settle(300);
    uitest::SaveScreenshot(window, QStringLiteral("sql_window.png"));
  }
};

QTEST_MAIN(SqlWindowTest)
#include "sql_window_test.moc"
