// Drives an installed Quillet from inside its own process, as a user would. Loaded with
// LD_PRELOAD into the real program, it waits for the main window, closes the tip of the day,
// opens a table from the database tree, puts the cell cursor on a cell, opens the cell's menu
// with Enter, picks a viewer and looks at the viewer's window before closing it. Then it
// closes the window, so the program ends the way it ends for a user.
//
// Set by the environment (QUILLET_PROBE_...): TABLE, COLUMN, ROW (1-based), VIEWER (menu
// text), TITLE (the start of the viewer's window title), SHOTS (a folder for screenshots,
// optional), SQL (a query typed into the SQL window before the window screenshot, optional),
// PALETTE=dark (a dark desktop colour scheme). Every step says what it saw on standard error;
// a failed step ends the process with exit code 3.

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPalette>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>
#include <cstdlib>

namespace {

QString Setting(const char* name, const char* fallback = "") {
  const QByteArray value = qgetenv((QByteArray("QUILLET_PROBE_") + name).constData());
  return value.isEmpty() ? QString::fromUtf8(fallback) : QString::fromUtf8(value);
}

void Say(const QString& text) {
  std::fprintf(stderr, "probe: %s\n", qPrintable(text));
  std::fflush(stderr);
}

[[noreturn]] void Fail(const QString& text) {
  Say(QStringLiteral("FAILED: ") + text);
  std::_Exit(3);
}

void Shoot(QWidget* widget, const QString& name) {
  const QString folder = Setting("SHOTS");
  if (folder.isEmpty()) return;
  const QString path = folder + QLatin1Char('/') + name;
  if (!widget->grab().save(path)) Fail(QStringLiteral("cannot write ") + path);
  Say(QStringLiteral("screenshot ") + path);
}

template <class Widget>
Widget* Find(const std::function<bool(Widget*)>& test) {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (!top->isVisible()) continue;
    if (auto* self = qobject_cast<Widget*>(top); self != nullptr && test(self)) return self;
    for (Widget* child : top->findChildren<Widget*>())
      if (child->isVisible() && test(child)) return child;
  }
  return nullptr;
}

QTreeWidgetItem* WaitForChild(QTreeWidget* tree, QTreeWidgetItem* parent, const QString& text) {
  QTreeWidgetItem* found = nullptr;
  (void)QTest::qWaitFor(
      [&] {
        // Children come once the window is idle again; a busy window may not expand yet.
        if (parent != nullptr && !parent->isExpanded()) parent->setExpanded(true);
        const int count = parent != nullptr ? parent->childCount() : tree->topLevelItemCount();
        for (int i = 0; i < count && found == nullptr; ++i) {
          QTreeWidgetItem* item = parent != nullptr ? parent->child(i) : tree->topLevelItem(i);
          if (item->text(0) == text) found = item;
        }
        return found != nullptr;
      },
      20000);
  if (found == nullptr) {
    QStringList children;
    for (int i = 0; parent != nullptr && i < parent->childCount(); ++i)
      children << parent->child(i)->text(0);
    Fail(QStringLiteral("no \"%1\" in the database tree, only: %2")
             .arg(text, children.join(QStringLiteral(", "))));
  }
  return found;
}

void Activate(QTreeWidget* tree, QTreeWidgetItem* item) {
  tree->setCurrentItem(item);
  QTest::keyClick(tree, Qt::Key_Return);
}

// A fresh settings store offers the tip of the day: it must show a tip from the installed file.
void CloseTipOfTheDay() {
  QWidget* tip = nullptr;
  if (!QTest::qWaitFor(
          [&tip] {
            tip = QApplication::activeModalWidget();
            return tip != nullptr && tip->windowTitle() == QStringLiteral("Tip of the Day");
          },
          10000))
    Fail(QStringLiteral("the tip of the day did not show"));
  if (!QTest::qWaitForWindowExposed(tip)) Fail(QStringLiteral("the tip of the day is not exposed"));
  for (QLabel* label : tip->findChildren<QLabel*>())
    if (label->text().startsWith(QStringLiteral("No tips are available")))
      Fail(QStringLiteral("the tip of the day found no tip file"));
  Say(QStringLiteral("tip of the day shown with a tip"));
  Shoot(tip, QStringLiteral("tip_of_the_day.png"));
  qobject_cast<QDialog*>(tip)->reject();
}

QTableView* OpenTable(QMainWindow* window, const QString& table, const QString& column, int row,
                      int* columnIndex) {
  auto* tree = window->findChild<QTreeWidget*>();
  if (tree == nullptr) Fail(QStringLiteral("no database tree"));
  QTreeWidgetItem* root = WaitForChild(tree, nullptr, QStringLiteral("Data Base"));
  QTreeWidgetItem* tables = WaitForChild(tree, root, QStringLiteral("Tables"));
  Activate(tree, tables);
  Activate(tree, WaitForChild(tree, tables, table));
  // The list shows the table once the status bar names it and counts as many objects as the
  // list has rows; until then the list may still hold the table list with new columns.
  const auto shown = [window, &table](QAbstractItemModel* model) {
    bool named = false, counted = false;
    for (QLabel* pane : window->statusBar()->findChildren<QLabel*>()) {
      named |= pane->text() == QStringLiteral("Table: ") + table;
      counted |= pane->text() == QStringLiteral("Object(s): %1").arg(model->rowCount());
    }
    return named && counted;
  };
  QTableView* view = nullptr;
  (void)QTest::qWaitFor(
      [&] {
        view = Find<QTableView>([&](QTableView* candidate) {
          QAbstractItemModel* model = candidate->model();
          if (model == nullptr || model->rowCount() < row || !shown(model)) return false;
          for (int c = 0; c < model->columnCount(); ++c)
            if (model->headerData(c, Qt::Horizontal).toString() == column) {
              *columnIndex = c;
              return true;
            }
          return false;
        });
        return view != nullptr;
      },
      20000);
  if (view == nullptr)
    Fail(QStringLiteral("table %1 with a column %2 did not show").arg(table, column));
  Say(QStringLiteral("table %1 shows %2 rows").arg(table).arg(view->model()->rowCount()));
  return view;
}

void OpenCellWithViewer(QTableView* view, int row, int column, const QString& viewer,
                        const QString& title) {
  const QModelIndex cell = view->model()->index(row - 1, column);
  view->scrollTo(cell);
  QMenu* menu = nullptr;
  const auto menuOpen = [&menu] {
    return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr;
  };
  // A window still busy with the table may let the first Enter pass; a user presses it again.
  for (int attempt = 0; attempt < 3 && menu == nullptr; ++attempt) {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(cell).center());
    QTest::keyClick(view, Qt::Key_Return);
    (void)QTest::qWaitFor(menuOpen, 3000);
  }
  if (menu == nullptr) Fail(QStringLiteral("Enter on the cell opened no menu"));
  QAction* item = nullptr;
  QStringList offered;
  for (QAction* action : menu->actions()) {
    offered << action->text();
    if (action->text() == viewer) item = action;
  }
  Say(QStringLiteral("cell menu: ") + offered.join(QStringLiteral(" | ")));
  if (item == nullptr) Fail(QStringLiteral("the cell menu has no \"%1\"").arg(viewer));

  // The viewer runs its own modal loop: look at it from inside that loop, then close it.
  QString seen;
  QTimer::singleShot(0, [&seen] {
    QWidget* dialog = nullptr;
    if (!QTest::qWaitFor(
            [&dialog] { return (dialog = QApplication::activeModalWidget()) != nullptr; }, 10000))
      return;
    if (!QTest::qWaitForWindowExposed(dialog)) return;
    QTest::qWait(100);
    seen = dialog->windowTitle();
    Shoot(dialog, QStringLiteral("viewer.png"));
    dialog->close();
  });
  menu->hide();
  item->trigger();
  if (!seen.startsWith(title)) Fail(QStringLiteral("the viewer's window was \"%1\"").arg(seen));
  Say(QStringLiteral("viewer window \"%1\" shown and closed").arg(seen));
}

void TypeQuery(QMainWindow* window, const QString& sql) {
  QAction* toggle = window->findChild<QAction*>(QStringLiteral("command32814"));
  if (toggle == nullptr) Fail(QStringLiteral("no SQL window command"));
  toggle->trigger();
  QPlainTextEdit* editor = nullptr;
  (void)QTest::qWaitFor(
      [&editor] {
        return (editor = Find<QPlainTextEdit>(
                    [](QPlainTextEdit* e) { return !e->isReadOnly(); })) != nullptr;
      },
      5000);
  if (editor == nullptr) Fail(QStringLiteral("the SQL window did not open"));
  editor->setFocus();
  editor->selectAll();
  QTest::keyClicks(editor, sql);
  QTest::qWait(300);
}

QPalette DarkPalette() {
  QPalette dark;
  dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
  dark.setColor(QPalette::WindowText, QColor(0xe6, 0xe6, 0xe6));
  dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
  dark.setColor(QPalette::AlternateBase, QColor(0x26, 0x26, 0x26));
  dark.setColor(QPalette::Text, QColor(0xe6, 0xe6, 0xe6));
  dark.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
  dark.setColor(QPalette::ButtonText, QColor(0xe6, 0xe6, 0xe6));
  dark.setColor(QPalette::Highlight, QColor(0x3d, 0x7a, 0xd6));
  dark.setColor(QPalette::HighlightedText, Qt::white);
  dark.setColor(QPalette::ToolTipBase, QColor(0x35, 0x35, 0x35));
  dark.setColor(QPalette::ToolTipText, QColor(0xe6, 0xe6, 0xe6));
  dark.setColor(QPalette::PlaceholderText, QColor(0x90, 0x90, 0x90));
  dark.setColor(QPalette::Link, QColor(0x6f, 0xa3, 0xea));
  dark.setColor(QPalette::Mid, QColor(0x50, 0x50, 0x50));
  dark.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x18));
  dark.setColor(QPalette::Light, QColor(0x48, 0x48, 0x48));
  for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    dark.setColor(QPalette::Disabled, role, QColor(0x80, 0x80, 0x80));
  return dark;
}

void Run() {
  // Nothing here may hang a test run.
  auto* watchdog = new QTimer(qApp);
  QObject::connect(watchdog, &QTimer::timeout, [] { Fail(QStringLiteral("gave up after 60 s")); });
  watchdog->start(60000);

  CloseTipOfTheDay();
  if (QApplication::windowIcon().availableSizes().isEmpty() &&
      QApplication::windowIcon().pixmap(64).isNull())
    Fail(QStringLiteral("the program has no window icon"));
  QMainWindow* window = nullptr;
  if (!QTest::qWaitFor(
          [&window] {
            return (window = Find<QMainWindow>([](QMainWindow*) { return true; })) != nullptr;
          },
          20000))
    Fail(QStringLiteral("no main window"));
  window->resize(1100, 720);
  if (!QTest::qWaitForWindowExposed(window)) Fail(QStringLiteral("the main window is not exposed"));

  const int row = Setting("ROW", "1").toInt();
  int column = -1;
  QTableView* view = OpenTable(window, Setting("TABLE"), Setting("COLUMN"), row, &column);
  OpenCellWithViewer(view, row, column, Setting("VIEWER"), Setting("TITLE"));
  if (!Setting("SQL").isEmpty()) TypeQuery(window, Setting("SQL"));
  QTest::qWait(200);
  Shoot(window, QStringLiteral("window.png"));

  Say(QStringLiteral("ok"));
  for (QWidget* top : QApplication::topLevelWidgets())
    if (qobject_cast<QMainWindow*>(top) != nullptr) top->close();
}

void StartProbe() {
  if (Setting("PALETTE") == QStringLiteral("dark")) QApplication::setPalette(DarkPalette());
  QTimer::singleShot(0, &Run);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(StartProbe)
