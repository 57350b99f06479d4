// The main window as a user meets it: opening the demo database from the command line, walking
// to a table, the cell cursor and paging, errors in the report pane and the window limit.

#include <QDockWidget>
#include <QFileInfo>
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
using quillet::uitest::WaitForTreeItem;
using quillet::uitest::WaitIdle;

namespace {

QString PaneText(MainWindow* window, unsigned pane) {
  return window->Status()->PaneText(pane);
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
