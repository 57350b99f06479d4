// The SQL window inside the main window, and the navigation and recent-file commands around it:
// Execute and what the list and the editor show after it, when the window and Execute are
// available, Back, Forward, Up and Refresh through their commands, and the recent data links in
// the File menu and the open button's drop-down.

#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

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

QColor ColourAt(QPlainTextEdit* editor, int position) {
  const QTextBlock block = editor->document()->findBlock(position);
  QColor colour;
  for (const QTextLayout::FormatRange& range : block.layout()->formats())
    if (position - block.position() >= range.start &&
        position - block.position() < range.start + range.length)
      colour = range.format.foreground().color();
  return colour;
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

  void executeReplacesTheRowsAndTheTextFollowsTheJob() {
    MainWindow* window = fx_.StartDemo();
    QVERIFY(window != nullptr);
    QVERIFY(ShowTable(window, "orders"));
    SqlPane* pane = window->Sql();
    // Showing a table leaves the query that produced its rows.
    QCOMPARE(pane->GetQueryText(), std::string("select * from orders"));
    QCOMPARE(Rows(window), 100);

    window->OnCommand(cmd::kSqlWindow);
    window->UpdateUi();
    QVERIFY(!window->SqlDock()->isHidden());
    QVERIFY(window->IsCommandChecked(cmd::kSqlWindow));
    QVERIFY(window->IsCommandEnabled(cmd::kExecuteSql));

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

    // A second statement is refused in one line, and the text stays as typed.
    const std::string twoStatements = "select 1; delete from orders";
    QVERIFY(Execute(window, QString::fromStdString(twoStatements)));
    QCOMPARE(window->Report()->Model()->rowCount(), 2);
    const std::string refusal = window->Report()->Model()->Log().At(0).description;
    QVERIFY2(refusal.find("more than one statement") != std::string::npos, refusal.c_str());
    QVERIFY(refusal.find('\n') == std::string::npos);
    QCOMPARE(pane->GetQueryText(), twoStatements);
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

  void sqlWindowOnlyWhereAQueryCanRun() {
    MainWindow* window = fx_.Start({});
    QVERIFY(window != nullptr);
    // The SQL window command enabled and checked, and Execute enabled.
    const auto states = [window] {
      window->UpdateUi();
      return QString::number(window->IsCommandEnabled(cmd::kSqlWindow)) +
             QString::number(window->IsCommandChecked(cmd::kSqlWindow)) +
             QString::number(window->IsCommandEnabled(cmd::kExecuteSql));
    };
    QCOMPARE(states(), QStringLiteral("000"));
    window->OnCommand(cmd::kExecuteSql);  // nothing to run it on
    QVERIFY(window->IsIdle());

    window->Open(uitest::DemoUdl().toStdString(), true);
    QVERIFY(WaitIdle(window));
    QCOMPARE(states(), QStringLiteral("000"));  // the database takes no query

    QVERIFY(ShowTable(window, "customers"));
    QCOMPARE(states(), QStringLiteral("100"));
    window->OnCommand(cmd::kSqlWindow);
    QCOMPARE(states(), QStringLiteral("111"));

    // A folder shown: the pane goes, and Execute with it.
    window->OnCommand(cmd::kUp);
    QVERIFY(WaitIdle(window));
    QCOMPARE(window->Elements().ListSlot(), kSlotTables);
    QCOMPARE(states(), QStringLiteral("000"));  // the idle-time update hides the pane
    QVERIFY(window->SqlDock()->isHidden());
    const int folderRows = Rows(window);
    window->OnCommand(cmd::kExecuteSql);
    QVERIFY(window->IsIdle());
    QCOMPARE(Rows(window), folderRows);

    // Back at the table the window can be shown again; it is not shown by itself.
    window->OnCommand(cmd::kBack);
    QVERIFY(WaitIdle(window));
    QCOMPARE(states(), QStringLiteral("100"));

    window->OnCommand(cmd::kSqlWindow);
    window->OnCommand(cmd::kCloseConnection);
    QCOMPARE(states(), QStringLiteral("000"));
    QCOMPARE(window->Sql()->GetQueryText(), std::string());
  }

  void backForwardUpAndRefreshThroughTheirCommands() {
    MainWindow* window = fx_.StartDemo();
    QVERIFY(window != nullptr);
    window->UpdateUi();
    QVERIFY(!window->IsCommandEnabled(cmd::kUp));  // on the database
    QVERIFY(!window->IsCommandEnabled(cmd::kBack));
    QVERIFY(ShowTable(window, "orders"));  // points for the database and the tables folder

    const auto go = [window](unsigned id) {
      window->UpdateUi();
      if (!window->IsCommandEnabled(id)) return false;
      window->OnCommand(id);
      return WaitIdle(window);
    };
    QVERIFY(go(cmd::kBack));
    QCOMPARE(window->Elements().ListSlot(), kSlotTables);
    QVERIFY(go(cmd::kBack));
    QCOMPARE(window->Elements().ListSlot(), kSlotDatabase);
    window->UpdateUi();
    QVERIFY(!window->IsCommandEnabled(cmd::kBack));
    QVERIFY(!window->IsCommandEnabled(cmd::kUp));
    // Forward first restores the newer point Back took: the place shown now.
    QVERIFY(go(cmd::kForward));
    QCOMPARE(window->Elements().ListSlot(), kSlotDatabase);
    QVERIFY(go(cmd::kForward));
    QCOMPARE(window->Elements().ListSlot(), kSlotTables);
    window->UpdateUi();
    QVERIFY(!window->IsCommandEnabled(cmd::kForward));

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
    QPlainTextEdit* editor = window->SqlEditor();
    QCOMPARE(ColourAt(editor, 0), QColor(0, 170, 0));
    const int select = editor->document()->findBlockByNumber(2).position();
    QCOMPARE(ColourAt(editor, select), QColor(0, 0, 255));
    window->show();
    uitest::Settle(300);
    uitest::SaveScreenshot(window, QStringLiteral("sql_window.png"));
  }
};

QTEST_MAIN(SqlWindowTest)
#include "sql_window_test.moc"
