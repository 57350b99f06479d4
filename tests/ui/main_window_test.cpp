// The main window as a user meets it: opening the demo database from the command line, walking
// to a table, the cell cursor and paging, the cell menu, command states during a load, titles,
// errors in the report pane, the window limit and closing during a load.

#include <QDockWidget>
#include <QFileInfo>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include "report/ui/report_pane.h"
#include "resources/command_ids.h"
#include "shell/ui/database_tree.h"
#include "shell/ui/status_bar.h"
#include "tabledata/ui/data_list_view.h"
#include "window_fixture.h"

using namespace quillet;
using namespace quillet::ui;
using quillet::uitest::FindColumn;
using quillet::uitest::WaitForTreeItem;
using quillet::uitest::WaitIdle;

namespace {

QString PaneText(MainWindow* window, unsigned pane) {
  return window->Status()->PaneText(pane);
}

int FindRow(DataListView* list, int column, const QString& text) {
  for (int row = 0; row < list->Model()->rowCount(); ++row)
    if (list->Model()->CellText(row, column) == text) return row;
  return -1;
}

const QString kDemoTitle = QStringLiteral("Quillet - [%1]");

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  uitest::WindowFixture fx_;

  // Opens the demo and walks the tree to a table ("orders" has 250 rows).
  MainWindow* OpenTable(const QString& name) { return uitest::OpenTableFromTree(fx_, name); }

 private slots:
  void initTestCase() {
    uitest::ResetSettingsStore();
    QVERIFY2(QFileInfo::exists(uitest::DemoUdl()), "the demo data link is missing");
  }
  void init() { fx_.Begin(); }
  void cleanup() { fx_.End(); }

  void opensFromTheCommandLineAndShowsTheFolders() {
    MainWindow* window = fx_.StartDemo();
    QVERIFY(window != nullptr);
    QVERIFY(window->IsConnected());
    QCOMPARE(window->windowTitle(), kDemoTitle.arg(uitest::DemoUdl()));
    DataListView* list = window->DataList();
    QCOMPARE(list->Model()->rowCount(), 3);
    QCOMPARE(list->Model()->CellText(1, 0), QStringLiteral("Store Procedures"));
    QCOMPARE(PaneText(window, FrameStatusBar::kObjectCountPane), QStringLiteral("Object(s): 3"));
    QTreeWidgetItem* root = WaitForTreeItem(window->Tree(), nullptr, QStringLiteral("Data Base"));
    QVERIFY(root != nullptr);
    QTRY_COMPARE(root->childCount(), 3);
    QVERIFY(fx_.boxes->Boxes().empty());
  }

  void tableRowsCursorAndPaging() {
    MainWindow* window = OpenTable(QStringLiteral("orders"));
    QVERIFY(window != nullptr);
    DataListView* list = window->DataList();
    QCOMPARE(list->Model()->rowCount(), 100);
    QCOMPARE(PaneText(window, FrameStatusBar::kObjectCountPane), QStringLiteral("Object(s): 100"));
    QCOMPARE(list->Model()->CellText(0, 1), QStringLiteral("1"));
    QCOMPARE(list->Model()->CellText(99, 1), QStringLiteral("100"));

    DataTableView* view = list->ReportView();
    const QPoint first = view->visualRect(list->Model()->index(0, 1)).center() + QPoint(20, 0);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, first);
    uitest::Settle();
    QCOMPARE(PaneText(window, FrameStatusBar::kRowStatusPane), QStringLiteral("Row 1 , Ln. 1"));
    // By default a plain click shows no description; a Shift click does.
    QCOMPARE(list->LastToolTip(), QString());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ShiftModifier, first);
    QVERIFY2(list->LastToolTip().startsWith(QStringLiteral("Table: orders\n")),
             qPrintable(list->LastToolTip()));

    // The view hands its keys to the list: Down on the last item loads the next page (the page
    // turns themselves are the data list's unit tests).
    list->SetCursor(99, 1);
    QTest::keyClick(view, Qt::Key_Down);
    uitest::Settle();
    QCOMPARE(list->Model()->CellText(0, 1), QStringLiteral("101"));
    QCOMPARE(PaneText(window, FrameStatusBar::kRowStatusPane), QStringLiteral("Row 200 , Ln. 1"));
    QVERIFY(fx_.boxes->Boxes().empty());
  }

  void cellMenuOpensOnLongText() {
    MainWindow* window = OpenTable(QStringLiteral("products"));
    QVERIFY(window != nullptr);
    DataListView* list = window->DataList();
    QMenu* menu = list->CellMenu();
    const int notes = FindColumn(list, QStringLiteral("description"));
    QVERIFY(notes > 0);
    const int row = FindRow(list, notes, QStringLiteral("(TEXT)"));
    QVERIFY2(row >= 0, "no long text in the first page of products");

    // Enter on the cell opens the menu with the viewers that take the value.
    list->SetCursor(row, notes);
    DataTableView* view = list->ReportView();
    QTest::keyClick(view, Qt::Key_Return);
    QTRY_VERIFY(menu->isVisible());
    QVERIFY(!menu->actions().isEmpty());
    QVERIFY(menu->actions().first()->isEnabled());
    menu->hide();

    const int photo = FindColumn(list, QStringLiteral("photo"));
    QVERIFY(photo > 0);
    list->SetCursor(row, photo);
    QTest::keyClick(view, Qt::Key_Return);
    QTRY_VERIFY(menu->isVisible());
    // No viewer takes a picture here: "(empty)", grayed, above the window's copy commands.
    QVERIFY(menu->actions().size() > 2);
    QCOMPARE(menu->actions().first()->text(), QStringLiteral("(empty)"));
    QVERIFY(!menu->actions().first()->isEnabled());
    QVERIFY(menu->actions()[1]->isSeparator());
    QVERIFY(menu->actions()[2]->text().startsWith(QStringLiteral("&Copy")));
    menu->hide();

    // A click on the drop-down opens the menu only once the cell is the cursor cell, and a
    // click right of the button area does not.
    view->scrollTo(list->Model()->index(row, notes));
    const QRect cell = view->visualRect(list->Model()->index(row, notes));
    const QPoint button = cell.topLeft() + QPoint(10, cell.height() / 2);
    for (auto [point, opens] : {std::pair{button, false}, std::pair{button, true},
                                std::pair{button + QPoint(40, 0), false}}) {
      QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, point);
      uitest::Settle();
      QTRY_COMPARE(menu->isVisible(), opens);
      menu->hide();
    }
  }

  void commandStatesWhileAJobRunsAndAfter() {
    MainWindow* window = fx_.StartDemo();
    QVERIFY(window != nullptr);
    // New, Open, Back and Stop, in that order.
    const auto states = [window] {
      window->UpdateUi();
      QString s;
      for (unsigned id : {cmd::kNewDataLink, cmd::kOpenDataLink, cmd::kBack, cmd::kStop})
        s += window->IsCommandEnabled(id) ? QLatin1Char('1') : QLatin1Char('0');
      return s;
    };
    QCOMPARE(states(), QStringLiteral("1100"));
    QVERIFY(!window->IsCommandEnabled(cmd::kUp));  // the database is shown

    // The million-row table takes a while to count: the window stays responsive meanwhile.
    window->Elements().ActivateListItem("Tables", true);
    window->StartJob(kSlotTables);
    QVERIFY(WaitIdle(window));
    window->Elements().ActivateListItem("events", true);
    window->StartJob(kSlotTable);
    QCOMPARE(states(), QStringLiteral("0001"));
    QVERIFY(!window->IsIdle());
    // The list shows nothing of the element while the job owns its data.
    QCOMPARE(window->DataList()->Model()->CellText(0, 0), QString());

    window->OnCommand(cmd::kStop);
    QVERIFY(WaitIdle(window, 10000));
    QCOMPARE(states(), QStringLiteral("1110"));  // Back: the tables folder was left

    window->OnCommand(cmd::kBack);
    QVERIFY(WaitIdle(window));
    QCOMPARE(window->Elements().ListSlot(), kSlotTables);
    QVERIFY(fx_.boxes->Boxes().empty());
  }

  void titleForms() {
    MainWindow* plain = fx_.Manager()->AddWindow(std::string());
    QVERIFY(plain != nullptr);
    QCOMPARE(plain->windowTitle(), QStringLiteral("Quillet - no connection"));

    plain->Open("Provider=SQLite;Data Source=" + uitest::DemoDb().toStdString(), false);
    QVERIFY(WaitIdle(plain));
    QCOMPARE(plain->windowTitle(), QStringLiteral("Quillet - [connection string]"));

    plain->OnCommand(cmd::kCloseConnection);
    QCOMPARE(plain->windowTitle(), QStringLiteral("Quillet - no connection"));
    QVERIFY(!plain->IsConnected());
    QCOMPARE(plain->DataList()->Model()->rowCount(), 0);
    QCOMPARE(plain->Tree()->topLevelItemCount(), 0);

    plain->Open(uitest::DemoUdl().toStdString(), true);
    QVERIFY(WaitIdle(plain));
    QCOMPARE(plain->windowTitle(), kDemoTitle.arg(uitest::DemoUdl()));
  }

  void providerErrorLandsInTheReportPane() {
    MainWindow* window = OpenTable(QStringLiteral("orders"));
    QVERIFY(window != nullptr);
    window->ReportDock()->hide();
    window->OnCommand(cmd::kSqlWindow);
    QVERIFY(uitest::Execute(window, QStringLiteral("select * from no_such_table")));

    // The report pane opened with the one error (its text and the window going on are the SQL
    // window test's).
    QVERIFY(!window->ReportDock()->isHidden());
    QCOMPARE(window->Report()->Model()->rowCount(), 1);

    // The picture a user sees: a table open, the tree expanded, one error in the report.
    window->OnCommand(cmd::kSqlWindow);
    window->OnCommand(cmd::kRefresh);
    QVERIFY(WaitIdle(window));
    QCOMPARE(window->DataList()->Model()->rowCount(), 100);
    window->DataList()->SetCursor(2, 3);
    window->show();
    uitest::Settle(200);
    uitest::SaveScreenshot(window, QStringLiteral("main_window.png"));
  }

  void aSixtyFourthWindowIsRefused() {
    FrameManager* manager = fx_.Manager();
    for (int i = 0; i < 63; ++i) QVERIFY(manager->AddWindow(std::string()) != nullptr);
    QVERIFY(fx_.boxes->Boxes().empty());
    QVERIFY(manager->AddWindow(std::string()) == nullptr);
    QCOMPARE(manager->Count(), 63);
    QCOMPARE(fx_.boxes->Boxes().size(), std::size_t{1});
    QCOMPARE(fx_.boxes->Boxes()[0].text,
             QStringLiteral("ERROR: Cannot create ANY MORE threads!!!"));

    // Closing one window frees a place; the manager says when the last has gone.
    QSignalSpy allClosed(manager, &FrameManager::allWindowsClosed);
    manager->Windows().front()->close();
    QTRY_COMPARE(manager->Count(), 62);
    QVERIFY(manager->AddWindow(std::string()) != nullptr);
    const std::vector<MainWindow*> open = manager->Windows();
    for (MainWindow* window : open) window->close();
    QTRY_COMPARE(manager->Count(), 0);
    QCOMPARE(allClosed.count(), 1);
  }

  void aConnectedWindowOpensNewConnectionsInANewWindow() {
    MainWindow* window = fx_.StartDemo();
    QVERIFY(window != nullptr);
    // The new window asks for a file; cancelling it closes that window unseen.
    int asked = 0;
    SetFileHandler([&asked](const FileRequest&) {
      ++asked;
      return QString();
    });
    window->OnCommand(cmd::kOpenDataLink);
    QTRY_COMPARE(asked, 1);
    SetFileHandler({});
    QTRY_COMPARE(fx_.manager->Count(), 1);
    QVERIFY(window->IsConnected());
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
