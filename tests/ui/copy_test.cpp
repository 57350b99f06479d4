// Copying from the data list with the keys a user presses: a number cell, a long text read again
// whole, and a row with its header.

#include <QApplication>
#include <QClipboard>
#include <QTest>

#include "tabledata/ui/data_list_view.h"
#include "tabledata/ui/virtual_list_model.h"
#include "window_fixture.h"

using namespace quillet;
using namespace quillet::ui;
using quillet::uitest::FindColumn;
using quillet::uitest::WaitIdle;

namespace {

// Presses Ctrl+C (with Shift for the row) on the list and returns the clipboard's text.
QString CopyWithKeys(DataListView* list, int row, int column, bool wholeRow = false) {
  QApplication::clipboard()->clear();
  list->SetCursor(row, column);
  QTest::keyClick(list->ReportView(), Qt::Key_C,
                  wholeRow ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier);
  return QApplication::clipboard()->text();
}

}  // namespace

class CopyTest : public QObject {
  Q_OBJECT

 private:
  uitest::WindowFixture fx_;

  MainWindow* Show(const std::string& source, const std::string& table) {
    MainWindow* window = fx_.Start({"-constr", "Provider=SQLite;Data Source=" + source});
    if (window == nullptr || !uitest::ShowTable(window, table)) return nullptr;
    window->show();
    if (!QTest::qWaitForWindowExposed(window)) return nullptr;
    window->DataList()->ReportView()->setFocus();
    return window;
  }

 private slots:
  void initTestCase() { uitest::ResetSettingsStore(); }
  void init() { fx_.Begin(); }
  void cleanup() { fx_.End(); }

  void cellsAndRowsOfTheDemo() {
    MainWindow* window = Show(uitest::DemoDb().toStdString(), "documents");
    QVERIFY(window != nullptr);
    DataListView* list = window->DataList();
    const int id = FindColumn(list, QStringLiteral("id"));
    const int body = FindColumn(list, QStringLiteral("body"));
    QVERIFY(id > 0 && body > 0);

    // A number as shown.
    QCOMPARE(CopyWithKeys(list, 1, id), list->Model()->CellText(1, id));
    // A long text the list shows as "(TEXT)": the whole value.
    QCOMPARE(list->Model()->CellText(1, body), QStringLiteral("(TEXT)"));
    const QString whole = uitest::QueryText(
        uitest::DemoDb(), QStringLiteral("select body from documents where id = %1")
                              .arg(list->Model()->CellText(1, id)));
    QVERIFY(whole.size() > 512);
    QCOMPARE(CopyWithKeys(list, 1, body), whole);

    // A row: the header line, then the values separated by tabs; a value with a tab, line break
    // or quote is quoted.
    const QStringList lines = CopyWithKeys(list, 0, id, true).split(QLatin1Char('\n'));
    QVERIFY(lines.size() >= 2);
    QVERIFY(lines[0].startsWith(QStringLiteral("id\t")));
    QCOMPARE(lines[0].split(QLatin1Char('\t')).size(), list->Model()->columnCount() - 1);
    QVERIFY(lines[1].startsWith(list->Model()->CellText(0, id) + QLatin1Char('\t')));
    QVERIFY(fx_.boxes->Boxes().empty());
  }
};

QTEST_MAIN(CopyTest)
#include "copy_test.moc"
