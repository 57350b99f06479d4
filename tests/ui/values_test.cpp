// What the data list shows of real text and of every common type: the demo database's TEXT
// columns (SQLite) and the PostgreSQL test server's table of every type, each with a
// screenshot to look at.

#include <QFile>
#include <QTest>

#include <map>

#include "tabledata/ui/data_list_view.h"
#include "window_fixture.h"

using namespace quillet;
using namespace quillet::ui;

namespace {

// The list's text of `row` under the column titled `title`.
QString Cell(MainWindow* window, int row, const QString& title) {
  VirtualListModel* model = window->DataList()->Model();
  for (int c = 0; c < model->columnCount(); ++c) {
    if (model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString() == title) {
      return model->CellText(row, c);
    }
  }
  return QStringLiteral("<no column %1>").arg(title);
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
    const std::map<QString, QString> first = {
        {QStringLiteral("t"), QStringLiteral("Straße")},
        {QStringLiteral("bi"), QStringLiteral("9007199254740993")},
        {QStringLiteral("f8"), QStringLiteral("3.141592653589793")},
        {QStringLiteral("num"), QStringLiteral("12345678901234.123456")},
        {QStringLiteral("tz"), QStringLiteral("2024-02-29 12:14:15.5+00")},
        {QStringLiteral("u"), QStringLiteral("a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11")},
        {QStringLiteral("b"), QStringLiteral("t")},
        {QStringLiteral("by"), QStringLiteral("(BLOB)")}};
    for (const auto& [title, text] : first) QCOMPARE(Cell(window, 0, title), text);
    Screenshot(window, QStringLiteral("postgres_value_kinds.png"));
  }
};

QTEST_MAIN(ValuesTest)
#include "values_test.moc"
