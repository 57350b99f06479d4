// The main window as a user meets it: opening the demo database from the command line, walking
// to a table, the cell cursor and paging, the cell menu, command states during a load, titles,
// errors in the report pane, the window limit and closing during a load.

#include <QDockWidget>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include <memory>

#include "config/registry_store.h"
#include "report/ui/report_pane.h"
#include "shell/ui/command_ids.h"
#include "shell/ui/database_tree.h"
#include "shell/ui/frame_manager.h"
#include "shell/ui/main_window.h"
#include "shell/ui/status_bar.h"
#include "tabledata/ui/data_list_view.h"
#include "ui_test_support.h"

using namespace quillet;
using namespace quillet::ui;
using quillet::uitest::WaitIdle;

namespace {

QString PaneText(MainWindow* window, unsigned pane) {
  return window->Status()->PaneText(pane);
}

// The tree item of `text` below the item `parent` (nullptr: the root level), waiting for the
// tree to be filled.
QTreeWidgetItem* WaitForTreeItem(DatabaseTree* tree, QTreeWidgetItem* parent, const QString& text) {
  for (int i = 0; i < 500; ++i) {
    if (QTreeWidgetItem* item = tree->FindChild(parent, text)) return item;
    QTest::qWait(10);
  }
  return nullptr;
}

void Activate(DatabaseTree* tree, QTreeWidgetItem* item) {
  tree->setCurrentItem(item);
  QTest::keyClick(tree, Qt::Key_Return);
}

int FindRow(DataListView* list, int column, const QString& text) {
  for (int row = 0; row < list->Model()->rowCount(); ++row)
    if (list->Model()->CellText(row, column) == text) return row;
  return -1;
}

int FindColumn(DataListView* list, const QString& title) {
  for (int c = 0; c < list->Model()->columnCount(); ++c)
    if (list->Model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString() == title) return c;
  return -1;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<FrameManager> manager_;
  std::unique_ptr<uitest::MessageRecorder> boxes_;

  MainWindow* OpenDemo() {
    const std::vector<std::string> args{"quillet", "-udl", uitest::DemoUdl().toStdString()};
    manager_ = std::make_unique<FrameManager>(args, config::RegistryStore::Default());
    manager_->SetOfferTips(false);
    MainWindow* window = manager_->AddWindow(FrameManager::CommandString(args));
    if (window != nullptr) {
      window->resize(1100, 720);
      WaitIdle(window);
    }
    return window;
  }

  // Opens the demo and walks the tree to a table ("orders" has 250 rows).
  MainWindow* OpenTable(const QString& name) {
    MainWindow* window = OpenDemo();
    if (window == nullptr) return nullptr;
    DatabaseTree* tree = window->Tree();
    QTreeWidgetItem* root = WaitForTreeItem(tree, nullptr, QStringLiteral("Data Base"));
    if (root == nullptr) return nullptr;
    QTreeWidgetItem* tables = WaitForTreeItem(tree, root, QStringLiteral("Tables"));
    if (tables == nullptr) return nullptr;
    Activate(tree, tables);
    WaitIdle(window);
    tables->setExpanded(true);
    QTreeWidgetItem* table = WaitForTreeItem(tree, tables, name);
    if (table == nullptr) return nullptr;
    Activate(tree, table);
    WaitIdle(window);
    return window;
  }

 private slots:
  void initTestCase() {
    uitest::ResetSettingsStore();
    QVERIFY2(QFileInfo::exists(uitest::DemoUdl()), "the demo data link is missing");
  }

  void init() { boxes_ = std::make_unique<uitest::MessageRecorder>(); }

  void cleanup() {
    manager_.reset();
    boxes_.reset();
  }

  void opensFromTheCommandLineAndShowsTheFolders() {
    MainWindow* window = OpenDemo();
    QVERIFY(window != nullptr);
    QVERIFY(window->IsConnected());
    QCOMPARE(window->windowTitle(),
             QStringLiteral("Quillet - [") + uitest::DemoUdl() + QStringLiteral("]"));
    DataListView* list = window->DataList();
    QCOMPARE(list->Model()->rowCount(), 3);
    QCOMPARE(list->Model()->CellText(0, 0), QStringLiteral("Tables"));
    QCOMPARE(list->Model()->CellText(1, 0), QStringLiteral("Store Procedures"));
    QCOMPARE(list->Model()->CellText(2, 0), QStringLiteral("Table views"));
    QCOMPARE(PaneText(window, FrameStatusBar::kObjectCountPane), QStringLiteral("Object(s): 3"));
    // The root shows its three folders; the procedures folder offers no children.
    QTreeWidgetItem* root = WaitForTreeItem(window->Tree(), nullptr, QStringLiteral("Data Base"));
    QVERIFY(root != nullptr);
    QTRY_COMPARE(root->childCount(), 3);
    QVERIFY(boxes_->Boxes().empty());
    // The file is the newest entry of the recent list in the File menu.
    emit window->FileMenu()->aboutToShow();
    QStringList entries;
    for (QAction* action : window->FileMenu()->actions())
      if (action->property("recent").toBool()) entries << action->text();
    QVERIFY(!entries.isEmpty());
    QVERIFY2(entries.first().startsWith(QStringLiteral("&1 ")) &&
                 entries.first().endsWith(QStringLiteral("demo.udl")),
             qPrintable(entries.join(QLatin1Char('|'))));
  }

  void tableRowsCursorAndPaging() {
    MainWindow* window = OpenTable(QStringLiteral("orders"));
    QVERIFY(window != nullptr);
    DataListView* list = window->DataList();
    QCOMPARE(list->Model()->rowCount(), 100);
    QCOMPARE(PaneText(window, FrameStatusBar::kObjectCountPane), QStringLiteral("Object(s): 100"));
    // Column 0 is the empty, fixed marker column; the table's columns follow.
    QCOMPARE(list->Model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QString());
    QCOMPARE(list->ReportView()->columnWidth(0), 20);
    QCOMPARE(list->ReportView()->horizontalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    QVERIFY(FindColumn(list, QStringLiteral("comment")) > 0);
    QCOMPARE(list->Model()->CellText(0, 1), QStringLiteral("1"));
    QCOMPARE(list->Model()->CellText(99, 1), QStringLiteral("100"));

    DataTableView* view = list->ReportView();
    const QRect first = view->visualRect(list->Model()->index(0, 1));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                      first.center() + QPoint(20, 0));
    uitest::Settle();
    QCOMPARE(PaneText(window, FrameStatusBar::kRowStatusPane), QStringLiteral("Row 1 , Ln. 1"));
    // By default a plain click shows no description; a Shift click does.
    QCOMPARE(list->LastToolTip(), QString());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      first.center() + QPoint(20, 0));
    QVERIFY2(list->LastToolTip().startsWith(QStringLiteral("Table: orders\n")),
             qPrintable(list->LastToolTip()));

    // Down on the last item of a page loads the next page and keeps the cursor on item 99.
    list->SetCursor(99, 1);
    QTest::keyClick(view, Qt::Key_Down);
    uitest::Settle();
    QCOMPARE(PaneText(window, FrameStatusBar::kRowStatusPane), QStringLiteral("Row 200 , Ln. 1"));
    QCOMPARE(list->Model()->CellText(0, 1), QStringLiteral("101"));
    QCOMPARE(list->Model()->rowCount(), 100);
    // The last page holds 50 rows; the cursor stays at 99 beyond it.
    QTest::keyClick(view, Qt::Key_Down);
    uitest::Settle();
    QCOMPARE(list->Model()->rowCount(), 50);
    QCOMPARE(list->Model()->CellText(0, 1), QStringLiteral("201"));
    QCOMPARE(PaneText(window, FrameStatusBar::kRowStatusPane), QStringLiteral("Row 300 , Ln. 1"));
    // Up on item 0 turns back a page and keeps item 0.
    list->SetCursor(0, 1);
    QTest::keyClick(view, Qt::Key_Up);
    uitest::Settle();
    QCOMPARE(list->Model()->CellText(0, 1), QStringLiteral("101"));
    QCOMPARE(PaneText(window, FrameStatusBar::kRowStatusPane), QStringLiteral("Row 101 , Ln. 1"));
    // Left and Right move the column and stop at the ends.
    QTest::keyClick(view, Qt::Key_Left);
    QTest::keyClick(view, Qt::Key_Left);
    QCOMPARE(list->CursorColumn(), 0);
    for (int i = 0; i < 30; ++i) QTest::keyClick(view, Qt::Key_Right);
    QCOMPARE(list->CursorColumn(), list->Model()->columnCount() - 1);
    QVERIFY(boxes_->Boxes().empty());
  }

  void cellMenuOpensOnLongText() {
    MainWindow* window = OpenTable(QStringLiteral("products"));
    QVERIFY(window != nullptr);
    DataListView* list = window->DataList();
    const int notes = FindColumn(list, QStringLiteral("description"));
    QVERIFY(notes > 0);
    const int row = FindRow(list, notes, QStringLiteral("(TEXT)"));
    QVERIFY2(row >= 0, "no long text in the first page of products");

    // Enter on the cell opens the menu; without viewer plug-ins it holds a grayed "(empty)".
    list->SetCursor(row, notes);
    DataTableView* view = list->ReportView();
    QTest::keyClick(view, Qt::Key_Return);
    QTRY_VERIFY(list->CellMenu()->isVisible());
    QCOMPARE(list->CellMenu()->actions().size(), 1);
    QCOMPARE(list->CellMenu()->actions().first()->text(), QStringLiteral("(empty)"));
    QVERIFY(!list->CellMenu()->actions().first()->isEnabled());
    list->CellMenu()->hide();

    // Enter on a number cell opens nothing.
    list->SetCursor(row, 1);
    QTest::keyClick(view, Qt::Key_Return);
    uitest::Settle();
    QVERIFY(!list->CellMenu()->isVisible());

    // A click on the drop-down opens the menu only once the cell is the cursor cell.
    view->scrollTo(list->Model()->index(row, notes));
    const QRect cell = view->visualRect(list->Model()->index(row, notes));
    const QPoint button = cell.topLeft() + QPoint(10, cell.height() / 2);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, button);
    uitest::Settle();
    QVERIFY(!list->CellMenu()->isVisible());
    QCOMPARE(list->CursorColumn(), notes);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, button);
    QTRY_VERIFY(list->CellMenu()->isVisible());
    list->CellMenu()->hide();
    // A click right of the button area does not.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, button + QPoint(40, 0));
    uitest::Settle();
    QVERIFY(!list->CellMenu()->isVisible());
  }

  void commandStatesWhileAJobRunsAndAfter() {
    MainWindow* window = OpenDemo();
    QVERIFY(window != nullptr);
    window->UpdateUi();
    QVERIFY(window->IsCommandEnabled(cmd::kNewDataLink));
    QVERIFY(window->IsCommandEnabled(cmd::kOpenDataLink));
    QVERIFY(!window->IsCommandEnabled(cmd::kStop));
    QVERIFY(!window->IsCommandEnabled(cmd::kBack));
    QVERIFY(!window->IsCommandEnabled(cmd::kUp));  // the database is shown

    // The million-row table takes a while to count: the window stays responsive meanwhile.
    window->Elements().ActivateListItem("Tables", true);
    window->StartJob(kSlotTables);
    QVERIFY(WaitIdle(window));
    const int events = FindRow(window->DataList(), 0, QStringLiteral("events"));
    QVERIFY(events >= 0);
    window->Elements().ActivateListItem("events", true);
    window->StartJob(kSlotTable);
    window->UpdateUi();
    QVERIFY(!window->IsIdle());
    QVERIFY(!window->IsCommandEnabled(cmd::kNewDataLink));
    QVERIFY(!window->IsCommandEnabled(cmd::kOpenDataLink));
    QVERIFY(!window->IsCommandEnabled(cmd::kBack));
    QVERIFY(window->IsCommandEnabled(cmd::kStop));
    // The list shows nothing of the element while the job owns its data.
    QCOMPARE(window->DataList()->Model()->CellText(0, 0), QString());

    window->OnCommand(cmd::kStop);
    QVERIFY(WaitIdle(window, 10000));
    window->UpdateUi();
    QVERIFY(window->IsCommandEnabled(cmd::kNewDataLink));
    QVERIFY(window->IsCommandEnabled(cmd::kOpenDataLink));
    QVERIFY(window->IsCommandEnabled(cmd::kBack));  // the tables folder was left
    QVERIFY(!window->IsCommandEnabled(cmd::kStop));

    // Back shows the folder again.
    window->OnCommand(cmd::kBack);
    QVERIFY(WaitIdle(window));
    QCOMPARE(window->Elements().ListSlot(), kSlotTables);
    QVERIFY(boxes_->Boxes().empty());
  }

  void titleForms() {
    manager_ = std::make_unique<FrameManager>(std::vector<std::string>{"quillet"},
                                              config::RegistryStore::Default());
    manager_->SetOfferTips(false);
    MainWindow* plain = manager_->AddWindow(std::string());
    QVERIFY(plain != nullptr);
    QCOMPARE(plain->windowTitle(), QStringLiteral("Quillet - no connection"));

    // A connection string's connection is named "connection string".
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
    QCOMPARE(plain->windowTitle(),
             QStringLiteral("Quillet - [") + uitest::DemoUdl() + QStringLiteral("]"));
  }

  void providerErrorLandsInTheReportPane() {
    MainWindow* window = OpenTable(QStringLiteral("orders"));
    QVERIFY(window != nullptr);
    window->ReportDock()->hide();
    QCOMPARE(window->Report()->Model()->rowCount(), 0);

    window->OnCommand(cmd::kSqlWindow);
    QVERIFY(!window->SqlDock()->isHidden());
    window->SqlEditor()->setPlainText(QStringLiteral("select * from no_such_table"));
    window->UpdateUi();
    QVERIFY(window->IsCommandEnabled(cmd::kExecuteSql));
    window->OnCommand(cmd::kExecuteSql);
    QVERIFY(WaitIdle(window));

    QVERIFY(!window->ReportDock()->isHidden());
    QCOMPARE(window->Report()->Model()->rowCount(), 1);
    const auto& entry = window->Report()->Model()->Log().At(0);
    QCOMPARE(entry.type, 0);
    QVERIFY2(QString::fromStdString(entry.description).contains(QStringLiteral("no_such_table")),
             entry.description.c_str());
    QCOMPARE(window->Report()
                 ->Model()
                 ->data(window->Report()->Model()->index(0, 0), Qt::DisplayRole)
                 .toString(),
             QStringLiteral("  Error:"));
    // The window goes on working: the table can be shown again.
    window->SqlEditor()->setPlainText(QStringLiteral("select id, status from orders where id < 5"));
    window->OnCommand(cmd::kExecuteSql);
    QVERIFY(WaitIdle(window));
    QCOMPARE(window->DataList()->Model()->rowCount(), 4);
    QVERIFY(boxes_->Boxes().empty());

    // The picture a user sees: a table open, the tree expanded, one error in the report.
    window->OnCommand(cmd::kSqlWindow);
    // Refresh shows the table itself again, not the query.
    window->OnCommand(cmd::kRefresh);
    QVERIFY(WaitIdle(window));
    QCOMPARE(window->DataList()->Model()->rowCount(), 100);
    QCOMPARE(window->DataList()->ViewStyle(), 1u);  // table rows always show as a report
    window->DataList()->SetCursor(2, 3);
    window->show();
    uitest::Settle(200);
    uitest::SaveScreenshot(window, QStringLiteral("main_window.png"));
  }

  void aBrokenDataLinkReportsAndKeepsTheConnection() {
    MainWindow* window = OpenDemo();
    QVERIFY(window != nullptr);
    boxes_->Clear();
    window->Open("/nonexistent/broken.udl", true);
    QVERIFY(window->IsConnected());
    QCOMPARE(window->windowTitle(),
             QStringLiteral("Quillet - [") + uitest::DemoUdl() + QStringLiteral("]"));
    QCOMPARE(boxes_->Boxes().size(), std::size_t{1});
    QVERIFY(boxes_->Boxes()[0].text.startsWith(
        QStringLiteral("The new connection has been interrupted")));
  }

  void aSixtyFourthWindowIsRefused() {
    manager_ = std::make_unique<FrameManager>(std::vector<std::string>{"quillet"},
                                              config::RegistryStore::Default());
    manager_->SetOfferTips(false);
    for (int i = 0; i < FrameManager::kMaxWindows; ++i)
      QVERIFY(manager_->AddWindow(std::string()) != nullptr);
    QCOMPARE(manager_->Count(), 63);
    QVERIFY(boxes_->Boxes().empty());
    QVERIFY(manager_->AddWindow(std::string()) == nullptr);
    QCOMPARE(manager_->Count(), 63);
    QCOMPARE(boxes_->Boxes().size(), std::size_t{1});
    QCOMPARE(boxes_->Boxes()[0].caption, QStringLiteral("quillet"));
    QCOMPARE(boxes_->Boxes()[0].text, QStringLiteral("ERROR: Cannot create ANY MORE threads!!!"));
    QVERIFY(boxes_->Boxes()[0].owner == nullptr);

    // Closing one window frees a place; the manager says when the last has gone.
    QSignalSpy allClosed(manager_.get(), &FrameManager::allWindowsClosed);
    manager_->Windows().front()->close();
    QTRY_COMPARE(manager_->Count(), 62);
    QVERIFY(manager_->AddWindow(std::string()) != nullptr);
    const std::vector<MainWindow*> open = manager_->Windows();
    for (MainWindow* window : open) window->close();
    QTRY_COMPARE(manager_->Count(), 0);
    QCOMPARE(allClosed.count(), 1);
  }

  void aConnectedWindowOpensNewConnectionsInANewWindow() {
    MainWindow* window = OpenDemo();
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
    QTRY_COMPARE(manager_->Count(), 1);
    QVERIFY(window->IsConnected());
  }

  void closingDuringALoadEndsCleanly() {
    MainWindow* window = OpenDemo();
    QVERIFY(window != nullptr);
    window->Elements().ActivateListItem("Tables", true);
    window->StartJob(kSlotTables);
    QVERIFY(WaitIdle(window));
    window->Elements().ActivateListItem("events", true);
    window->StartJob(kSlotTable);
    QTest::qWait(30);
    QSignalSpy allClosed(manager_.get(), &FrameManager::allWindowsClosed);
    window->close();
    QTRY_COMPARE(manager_->Count(), 0);
    QCOMPARE(allClosed.count(), 1);
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
