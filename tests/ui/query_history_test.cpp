// The SQL pane's query history in the window: queries executed on the demo database come back
// in the next run's drop-down, newest first; Ctrl+Up and Ctrl+Down step through them and back to
// the text being typed; Clear history empties the list and the store; closing the connection
// leaves the pane without a history.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>

#include "config/key_path.h"
#include "resources/command_ids.h"
#include "sqlwindow/history_key.h"
#include "sqlwindow/query_history.h"
#include "sqlwindow/ui/query_history_menu.h"
#include "sqlwindow/ui/sql_pane.h"
#include "window_fixture.h"

using namespace quillet;
using namespace quillet::ui;
using quillet::uitest::Execute;
using quillet::uitest::ShowTable;
using quillet::uitest::WaitIdle;

namespace {

const QString kFirst = QStringLiteral("select id, status\nfrom orders\nwhere id <= 3");
const QString kFailing = QStringLiteral("select id from no_such_table");
const QString kLong = QStringLiteral(
    "select id, order_date, status, total, comment from orders where status in ('new', 'paid') "
    "order by order_date desc");

// The entries of the drop-down as it shows them, without the separator and Clear history.
QList<QAction*> EntryActions(QMenu* menu) {
  QList<QAction*> entries;
  for (QAction* action : menu->actions()) {
    if (action->isSeparator()) break;
    entries << action;
  }
  return entries;
}

QStringList Texts(const QList<QAction*>& actions) {
  QStringList texts;
  for (QAction* action : actions) texts << action->text();
  return texts;
}

// The text a tool tip shows.
QString ToolTipText(const QAction* action) {
  QTextDocument document;
  document.setHtml(action->toolTip());
  return document.toPlainText()
      .replace(QChar::LineSeparator, QLatin1Char('\n'))
      .replace(QChar::Nbsp, QLatin1Char(' '));
}

QString EditorText(MainWindow* window) {
  return QString::fromStdString(window->Sql()->GetQueryText());
}

// The editor's text as the pane hands it on, one carriage return per line end.
QString AsExecuted(const QString& text) {
  return QString(text).replace(QLatin1Char('\n'), QLatin1Char('\r'));
}

void CtrlKey(MainWindow* window, Qt::Key key) {
  QTest::keyClick(window->SqlEditor(), key, Qt::ControlModifier);
}

}  // namespace

class QueryHistoryTest : public QObject {
  Q_OBJECT

 private:
  uitest::WindowFixture fx_;

  // The demo database with the orders table shown and the SQL pane open.
  MainWindow* DemoWithSqlPane() {
    MainWindow* window = fx_.StartDemo();
    if (window == nullptr || !ShowTable(window, "orders")) return nullptr;
    if (window->SqlDock()->isHidden()) window->OnCommand(cmd::kSqlWindow);
    return window;
  }

  // The window with the drop-down open under its button, as one picture.
  static QString SaveDropDownScreenshot(MainWindow* window, QMenu* menu) {
    QPushButton* button = window->Sql()->HistoryButton();
    QPixmap picture = window->grab();
    QPainter painter(&picture);
    painter.drawPixmap(button->mapTo(window, QPoint(0, button->height())), menu->grab());
    painter.end();
    const QString folder = uitest::BuildDir() + QStringLiteral("/screenshots");
    QDir().mkpath(folder);
    const QString path = folder + QStringLiteral("/history_dropdown.png");
    picture.save(path);
    return path;
  }

 private slots:
  void initTestCase() { uitest::ResetSettingsStore(); }
  void init() { fx_.Begin(); }
  void cleanup() { fx_.End(); }

  void queriesComeBackInTheNextRunNewestFirst() {
    {
      MainWindow* window = DemoWithSqlPane();
      QVERIFY(window != nullptr);
      QVERIFY(window->Sql()->History().Entries().empty());
      QVERIFY(Execute(window, kFirst));
      QVERIFY(Execute(window, kFailing));  // fails, and is kept all the same
      QVERIFY(Execute(window, kLong));
      QVERIFY(Execute(window, kLong + QStringLiteral("  \n")));  // the same again
      QCOMPARE(window->Sql()->History().Size(), std::size_t{3});
      window->close();
      uitest::Settle();
      fx_.End();
      fx_.Begin();
    }

    MainWindow* window = DemoWithSqlPane();
    QVERIFY(window != nullptr);
    window->show();
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
    SqlPane* pane = window->Sql();
    QVERIFY(pane->HistoryButton()->isEnabled());

    QMenu* menu = pane->HistoryMenu();
    QCOMPARE(pane->HistoryButton()->menu(), menu);
    menu->popup(pane->HistoryButton()->mapToGlobal(QPoint(0, pane->HistoryButton()->height())));
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    const QList<QAction*> entries = EntryActions(menu);
    const QStringList texts = Texts(entries);
    QCOMPARE(texts.size(), 3);
    // The long one is cut with an ellipsis; a query of several lines shows on one.
    QVERIFY2(texts[0].endsWith(QChar(0x2026)) && kLong.startsWith(texts[0].chopped(1)),
             qPrintable(texts[0]));
    QCOMPARE(texts[1], kFailing);
    QCOMPARE(texts[2], QStringLiteral("select id, status from orders where id <= 3"));
    // Whole as the tool tip, line breaks and all.
    QCOMPARE(ToolTipText(entries[0]), kLong);
    QCOMPARE(ToolTipText(entries[2]), kFirst);
    QAction* clear = menu->findChild<QAction*>(QStringLiteral("clearSqlHistory"));
    QVERIFY(clear != nullptr && clear->isEnabled() && menu->actions().last() == clear);
    const QString shot = SaveDropDownScreenshot(window, menu);
    QVERIFY(!QImage(shot).isNull());

    // Choosing an entry puts it into the editor; an undo brings back the text it replaced.
    entries[2]->trigger();
    menu->hide();
    QCOMPARE(EditorText(window), AsExecuted(kFirst));
    window->SqlEditor()->undo();
    QCOMPARE(EditorText(window), QStringLiteral("select * from orders"));

    // Ctrl+Up and Ctrl+Down step (the steps themselves are the history's unit tests); an entry
    // the user edits becomes their own text, which stepping comes back to.
    window->SqlEditor()->setFocus();
    CtrlKey(window, Qt::Key_Up);
    QTest::keyClicks(window->SqlEditor(), QStringLiteral(" limit 5"));
    CtrlKey(window, Qt::Key_Up);
    QCOMPARE(EditorText(window), kLong);
    CtrlKey(window, Qt::Key_Down);
    QCOMPARE(EditorText(window), kLong + QStringLiteral(" limit 5"));

    // Clear history empties the drop-down and the store; the editor keeps its text.
    menu->popup(pane->HistoryButton()->mapToGlobal(QPoint(0, pane->HistoryButton()->height())));
    clear = menu->findChild<QAction*>(QStringLiteral("clearSqlHistory"));  // the menu was refilled
    clear->trigger();
    menu->hide();
    QCOMPARE(EditorText(window), kLong + QStringLiteral(" limit 5"));
    emit menu->aboutToShow();
    QCOMPARE(Texts(EntryActions(menu)), QStringList{QStringLiteral("(empty)")});
    QVERIFY(!menu->findChild<QAction*>(QStringLiteral("clearSqlHistory"))->isEnabled());
    config::RegKey key;
    QCOMPARE(config::RegistryStore::Default().OpenKey(
                 sqlwindow::HistoryKeyPath(uitest::DemoUdl().toStdString()), &key),
             config::ERROR_FILE_NOT_FOUND);
    CtrlKey(window, Qt::Key_Up);
    QCOMPARE(EditorText(window), kLong + QStringLiteral(" limit 5"));

    // Closed, the connection takes its history along; the button has nothing to offer.
    QVERIFY(Execute(window, kFailing));
    QCOMPARE(pane->History().Size(), std::size_t{1});
    window->OnCommand(cmd::kCloseConnection);
    QVERIFY(WaitIdle(window));
    QVERIFY(!window->IsConnected());
    QVERIFY(pane->History().Entries().empty());
    QVERIFY(!pane->HistoryButton()->isEnabled());
  }
};

QTEST_MAIN(QueryHistoryTest)
#include "query_history_test.moc"
