// Big tables in the window: the pager bar, Last Page, Go to Row, Back after a jump, Next after
// a jump, keys pressed while a page loads, and Stop during a jump, on the demo database's
// million-row table and on the PostgreSQL and MariaDB test servers' big tables.

#include <QAction>
#include <QPlainTextEdit>
#include <QTest>

#include "elements/text_format.h"
#include "report/ui/report_pane.h"
#include "resources/command_ids.h"
#include "shell/ui/status_bar.h"
#include "tabledata/ui/data_list_view.h"
#include "tabledata/ui/pager_bar.h"
#include "window_fixture.h"

using namespace quillet;
using namespace quillet::ui;

namespace {

Pager* ShownPager(MainWindow* window) {
  xElementSet& elements = window->Elements();
  xElement* element = elements.Element(elements.ListSlot());
  return element != nullptr ? element->GetPager() : nullptr;
}

QString StatusRow(MainWindow* window) {
  return window->Status()->PaneText(FrameStatusBar::kRowStatusPane);
}

}  // namespace

class PagingTest : public QObject {
  Q_OBJECT

 private:
  uitest::WindowFixture fx_;
  long long typedRow_ = 500'000;  // what the user types into Go to Row

  // The window with the table shown and its rows counted.
  MainWindow* Open(const std::string& connect, const QString& table) {
    MainWindow* window = connect.empty() ? fx_.StartDemo() : fx_.Start({"-constr", connect});
    if (window == nullptr || !uitest::ShowTable(window, table.toStdString())) return nullptr;
    QElapsedTimer timer;
    timer.start();
    while (!ShownPager(window)->RowCountKnown() && timer.elapsed() < 60000) QTest::qWait(10);
    uitest::Settle(100);
    return window;
  }

  static void Command(MainWindow* window, unsigned id) {
    window->UpdateUi();
    QVERIFY2(window->IsCommandEnabled(id), qPrintable(QString::number(id)));
    window->OnCommand(id);
    QVERIFY(uitest::WaitIdle(window));
    uitest::Settle(50);
  }

  // The id shown in the first column of a row of the page.
  static QString Id(MainWindow* window, int row) {
    return window->DataList()->Model()->CellText(row, 1);
  }

 private slots:
  void initTestCase() { uitest::ResetSettingsStore(); }
  void init() {
    fx_.Begin();
    SetNumberHandler([this](const NumberRequest&) { return std::optional<long long>(typedRow_); });
  }
  void cleanup() {
    SetNumberHandler({});
    fx_.End();
  }

  void jumpsBackAndNext_data() {
    QTest::addColumn<QString>("connect");
    QTest::addColumn<QString>("table");
    QTest::addColumn<long long>("rows");
    QTest::addColumn<long long>("firstId");  // the id of the first row
    QTest::newRow("sqlite") << QString() << QStringLiteral("events") << 1'000'000LL << 1LL;
    QTest::newRow("postgresql") << QString::fromStdString(
                                       "Provider=ODBC;" +
                                       uitest::ServerConnectString("QUILLET_PG_STATE"))
                                << QStringLiteral("public.big_table") << 100'000LL << 0LL;
    QTest::newRow("mariadb") << QString::fromStdString(
                                    "Provider=ODBC;" +
                                    uitest::ServerConnectString("QUILLET_MARIADB_STATE"))
                             << QStringLiteral("big_table") << 100'000LL << 0LL;
  }

  void jumpsBackAndNext() {
    QFETCH(QString, connect);
    QFETCH(QString, table);
    QFETCH(long long, rows);
    QFETCH(long long, firstId);
    MainWindow* window = Open(connect.toStdString(), table);
    QVERIFY(window != nullptr);
    const auto id = [firstId](long long row) { return QString::number(firstId + row - 1); };
    const auto rowsText = [rows](long long first) {
      return QStringLiteral("Rows %1\u2013%2 of %3")
          .arg(QString::fromStdString(FormatThousands(first)),
               QString::fromStdString(FormatThousands(first + 99)),
               QString::fromStdString(FormatThousands(rows)));
    };
    QVERIFY(window->PagingBar()->isVisible());
    // The count goes on after the first page shows; a loaded machine may take a while.
    QTRY_COMPARE_WITH_TIMEOUT(window->PagingBar()->RowsText(), rowsText(1), 30000);

    // Last Page: the last hundred rows, the cursor on the last one.
    Command(window, cmd::kLastPage);
    QCOMPARE(Id(window, 0), id(rows - 99));
    QCOMPARE(Id(window, 99), id(rows));
    QCOMPARE(window->PagingBar()->RowsText(), rowsText(rows - 99));
    QCOMPARE(window->CursorRowInRows(), rows - 1);

    // Go to Row: that row's page, the cursor on it.
    const long long target = rows / 2;
    typedRow_ = target;
    Command(window, cmd::kGoToRow);
    QCOMPARE(window->CursorRowInRows(), target - 1);
    QVERIFY2(StatusRow(window).startsWith(QStringLiteral("Row %1 ").arg(target)),
             qPrintable(StatusRow(window)));
    QCOMPARE(window->DataList()->Model()->CellText(window->DataList()->CursorRow(), 1), id(target));

    // Back returns to the page before the jump.
    Command(window, cmd::kBack);
    QCOMPARE(Id(window, 0), id(rows - 99));

    // Next after a jump shows the following page.
    Command(window, cmd::kGoToRow);
    Command(window, cmd::kNextPage);
    const long long next = (target - 1) / 100 * 100 + 101;
    QCOMPARE(Id(window, 0), id(next));
    QCOMPARE(window->PagingBar()->RowsText(), rowsText(next));

    // A row past the end is the last.
    typedRow_ = rows + 5;
    Command(window, cmd::kGoToRow);
    QCOMPARE(window->CursorRowInRows(), rows - 1);
    typedRow_ = target;
    Command(window, cmd::kGoToRow);
    Command(window, cmd::kNextPage);

    // Down on the last row three times while pages load: three pages on, none lost or doubled.
    window->DataList()->SetCursor(99, 1);
    for (int i = 0; i < 3; ++i) QTest::keyClick(window->DataList()->ReportView(), Qt::Key_Down);
    QVERIFY(uitest::WaitIdle(window));
    QTRY_VERIFY(!window->DataList()->Cursor().PageTurnPending());
    QVERIFY(uitest::WaitIdle(window));
    uitest::Settle(50);
    QCOMPARE(Id(window, 0), id(next + 300));
    QVERIFY(fx_.boxes->Boxes().empty());
    QCOMPARE(window->Report()->Model()->rowCount(), 0);
  }

  void stopDuringAJumpKeepsThePage() {
    MainWindow* window = fx_.StartDemo();
    QVERIFY(window != nullptr);
    QVERIFY(uitest::ShowTable(window, "events"));
    // A query without a key: a deep page is walked to, long enough to stop.
    QVERIFY(uitest::Execute(
        window, QStringLiteral("select id, printf('%.400c', level) as padded from events")));
    QCOMPARE(Id(window, 0), QStringLiteral("1"));
    window->JumpTo({PageJob::Target::Row, 999'000, 0});
    QVERIFY(!window->IsIdle());
    window->UpdateUi();
    QVERIFY(window->IsCommandEnabled(cmd::kStop));
    window->OnCommand(cmd::kStop);
    QVERIFY(uitest::WaitIdle(window));
    uitest::Settle(50);
    // The page shown before stays, and the list goes on.
    QCOMPARE(Id(window, 0), QStringLiteral("1"));
    Command(window, cmd::kNextPage);
    QCOMPARE(Id(window, 0), QStringLiteral("101"));
    QCOMPARE(window->Report()->Model()->rowCount(), 0);
  }

  void screenshotOfThePagerBar() {
    MainWindow* window = Open({}, QStringLiteral("events"));
    QVERIFY(window != nullptr);
    typedRow_ = 500'000;
    Command(window, cmd::kGoToRow);
    window->show();
    uitest::Settle(300);
    uitest::SaveScreenshot(window, QStringLiteral("pager_bar.png"));
  }
};

QTEST_MAIN(PagingTest)
#include "paging_test.moc"
