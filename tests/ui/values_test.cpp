// What the data list shows of real text and of every common type: the demo database's TEXT
// columns (SQLite) and the PostgreSQL test server's table of every type, each with a
// screenshot to look at.

#include <QFile>
#include <QTest>

#include "tabledata/ui/data_list_view.h"
#include "window_fixture.h"

using namespace quillet;
using namespace quillet::ui;

namespace {

// The list's text of `row` under the column titled `title`.
QString Cell(MainWindow* window, int row, const QString& title) {
  return window->DataList()->Model()->CellText(row, uitest::FindColumn(window->DataList(), title));
}

}  // namespace

class ValuesTest : public QObject {
  Q_OBJECT

 private:
  uitest::WindowFixture fx_;

  // Widens the columns to their contents (up to a limit), as a user would drag them, and saves
  // the window.
  static void Screenshot(MainWindow* window, const QString& name) {
    window->resize(1400, 720);
    window->show();
    DataTableView* view = window->DataList()->ReportView();
    view->resizeColumnsToContents();
    for (int c = 1; c < view->model()->columnCount(); ++c) {
      view->setColumnWidth(c, std::min(view->columnWidth(c), 230));
    }
    uitest::Settle(300);
    uitest::SaveScreenshot(window, name);
  }

 private slots:
  void initTestCase() { uitest::ResetSettingsStore(); }
  void init() { fx_.Begin(); }
  void cleanup() { fx_.End(); }

  void sqliteTextColumnsShowTheirText() {
    MainWindow* window = fx_.StartDemo();
    QVERIFY(window != nullptr);
    QVERIFY(uitest::ShowTable(window, "documents"));
    // A TEXT column: short values as themselves, long ones behind their marker.
    QCOMPARE(Cell(window, 0, QStringLiteral("title")), QStringLiteral("Short note"));
    QVERIFY(Cell(window, 0, QStringLiteral("body")) != QStringLiteral("(TEXT)"));
    QCOMPARE(Cell(window, 1, QStringLiteral("body")), QStringLiteral("(TEXT)"));
    Screenshot(window, QStringLiteral("sqlite_text_columns.png"));
  }

  void postgresTypesShowAsPsqlPrintsThem() {
    const std::string connect = uitest::ServerConnectString("QUILLET_PG_STATE");
    QVERIFY2(!connect.empty(), "no PostgreSQL test server");
    MainWindow* window = fx_.Start({"-constr", "Provider=ODBC;" + connect});
    QVERIFY(window != nullptr);
    QVERIFY(uitest::ShowTable(window, "public.value_kinds"));
    // Every value cell by cell is the value fidelity test's; here the window shows them.
    QCOMPARE(Cell(window, 0, QStringLiteral("t")), QStringLiteral("Straße"));
    QCOMPARE(Cell(window, 0, QStringLiteral("by")), QStringLiteral("(BLOB)"));
    Screenshot(window, QStringLiteral("postgres_value_kinds.png"));
  }
};

QTEST_MAIN(ValuesTest)
#include "values_test.moc"
