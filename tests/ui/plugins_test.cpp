// Viewer plug-ins as a user meets them: the cell menu of a long text, the program's own text
// viewer with the whole value, the sample image and hex viewers from the plug-ins folder, and
// the Plug-ins dialog.

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "plugins/plugin_manager.h"
#include "plugins/plugin_ui.h"
#include "plugins/ui/modal_runner.h"
#include "plugins/ui/plugins_dialog.h"
#include "plugins/ui/text_viewer_dialog.h"
#include "resources/command_ids.h"
#include "window_fixture.h"

using namespace quillet;
using namespace quillet::ui;
using quillet::uitest::FindColumn;
using quillet::uitest::WaitIdle;

namespace {

// The viewers' part of a cell menu: what comes before the window's own commands.
QStringList MenuTexts(QMenu* menu) {
  QStringList texts;
  for (QAction* action : menu->actions()) {
    if (action->isSeparator()) break;
    texts << (action->isEnabled() ? QString() : QStringLiteral("gray ")) + action->text();
  }
  return texts;
}

QAction* MenuAction(QMenu* menu, const QString& text) {
  for (QAction* action : menu->actions())
    if (action->text() == text) return action;
  return nullptr;
}

}  // namespace

class PluginsTest : public QObject {
  Q_OBJECT

 private:
  uitest::WindowFixture fx_;

  MainWindow* OpenTable(const QString& name) { return uitest::OpenTableFromTree(fx_, name); }

  // Opens the cursor cell's menu with Enter, as the user would.
  QMenu* OpenCellMenu(DataListView* list, int row, int column) {
    list->SetCursor(row, column);
    QTest::keyClick(list->ReportView(), Qt::Key_Return);
    if (!QTest::qWaitFor([list] { return list->CellMenu()->isVisible(); }, 5000)) return nullptr;
    return list->CellMenu();
  }

 private slots:
  void initTestCase() {
    uitest::ResetSettingsStore();
    QVERIFY2(QFileInfo::exists(uitest::DemoUdl()), "the demo data link is missing");
  }

  void init() { fx_.Begin(); }

  void cleanup() {
    plugins::ui::SetModalRunner({});
    fx_.End();
    plugins::SetPluginFolder("");
    QVERIFY(plugins::PluginManager::Instance() == nullptr);
  }

  void textViewerShowsTheWholeLongText() {
    plugins::SetPluginFolder("/nonexistent/plugins/");
    MainWindow* window = OpenTable(QStringLiteral("documents"));
    QVERIFY(window != nullptr);
    DataListView* list = window->DataList();
    const int body = FindColumn(list, QStringLiteral("body"));
    QVERIFY(body > 0);
    QCOMPARE(list->Model()->CellText(1, body), QStringLiteral("(TEXT)"));

    QMenu* menu = OpenCellMenu(list, 1, body);
    QVERIFY(menu != nullptr);
    QCOMPARE(MenuTexts(menu), QStringList{QStringLiteral("Show as a simple text")});

    QString shown;
    QString title;
    bool readOnly = false;
    int narrowest = 0;
    plugins::ui::SetModalRunner([&](QDialog& dialog) -> int {
      auto* viewer = qobject_cast<plugins::ui::TextViewerDialog*>(&dialog);
      if (viewer == nullptr) return 0;
      title = viewer->windowTitle();
      shown = viewer->TextBox()->toPlainText();
      readOnly = viewer->TextBox()->isReadOnly();
      viewer->show();
      if (!QTest::qWaitForWindowExposed(viewer)) return 0;
      viewer->TextBox()->moveCursor(QTextCursor::Start);
      uitest::SaveScreenshot(viewer, QStringLiteral("text_viewer.png"));
      // It resizes, but not below its first size.
      viewer->resize(200, 100);
      narrowest = viewer->width();
      viewer->CloseButton()->click();
      return dialog.result();
    });
    MenuAction(menu, QStringLiteral("Show as a simple text"))->trigger();
    menu->hide();
    QCOMPARE(title, QStringLiteral("Showing data as plain text"));
    QVERIFY(readOnly);
    QVERIFY(narrowest >= 500);
    const QString expected = uitest::QueryText(
        uitest::DemoDb(), QStringLiteral("select body from documents where id = 2"));
    QCOMPARE(shown, expected);
    QVERIFY(fx_.boxes->Boxes().empty());
  }

  void imageViewerShowsADemoPicture() {
    plugins::SetPluginFolder((uitest::BuildDir() + QStringLiteral("/bin/plugins/")).toStdString());
    MainWindow* window = OpenTable(QStringLiteral("pictures"));
    QVERIFY(window != nullptr);
    DataListView* list = window->DataList();
    const int image = FindColumn(list, QStringLiteral("image"));
    QVERIFY(image > 0);

    // Bytes that are no picture get the hex viewer only.
    QMenu* menu = OpenCellMenu(list, 2, image);
    QVERIFY(menu != nullptr);
    QCOMPARE(MenuTexts(menu), QStringList{QStringLiteral("Show as hex")});
    menu->hide();

    menu = OpenCellMenu(list, 1, image);
    QVERIFY(menu != nullptr);
    QCOMPARE(MenuTexts(menu),
             (QStringList{QStringLiteral("Show as hex"), QStringLiteral("Show as an image")}));

    // The module runs its own modal dialog: look at it from inside its loop, then close it.
    QString title;
    QTimer::singleShot(0, this, [&title] {
      QWidget* dialog = nullptr;
      if (!QTest::qWaitFor(
              [&dialog] { return (dialog = QApplication::activeModalWidget()) != nullptr; }, 5000))
        return;
      if (!QTest::qWaitForWindowExposed(dialog)) return;
      QTest::qWait(50);
      title = dialog->windowTitle();
      uitest::SaveScreenshot(dialog, QStringLiteral("image_viewer.png"));
      qobject_cast<QDialog*>(dialog)->accept();
    });
    MenuAction(menu, QStringLiteral("Show as an image"))->trigger();
    menu->hide();
    QCOMPARE(title, QStringLiteral("Image viewer - 16 x 16 pixels"));
    QVERIFY(fx_.boxes->Boxes().empty());
  }

  void pluginsDialogListsWhatEachElementLoaded() {
    plugins::SetPluginFolder((uitest::BuildDir() + QStringLiteral("/bin/plugins/")).toStdString());
    MainWindow* window = OpenTable(QStringLiteral("pictures"));
    QVERIFY(window != nullptr);
    QStringList tableChildren;
    QStringList databaseChildren;
    bool buttonsOff = false;
    plugins::ui::SetModalRunner([&](QDialog& dialog) -> int {
      auto* plugins = qobject_cast<plugins::ui::PluginsDialog*>(&dialog);
      if (plugins == nullptr) return 0;
      QTreeWidget* tree = plugins->Tree();
      for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* root = tree->topLevelItem(i);
        QStringList* children = root->text(0).startsWith(QStringLiteral("Table:")) ? &tableChildren
                                : root->text(0) == QStringLiteral("Data Base") ? &databaseChildren
                                                                               : nullptr;
        for (int c = 0; children != nullptr && c < root->childCount(); ++c)
          *children << root->child(c)->text(0);
      }
      buttonsOff =
          !plugins->ConfigurateButton()->isEnabled() && !plugins->AboutButton()->isEnabled();
      plugins->show();
      if (QTest::qWaitForWindowExposed(plugins))
        uitest::SaveScreenshot(plugins, QStringLiteral("plugins_dialog.png"));
      plugins->accept();
      return 1;
    });
    // Opened from the Options menu, as a user reaches it.
    QAction* item = nullptr;
    for (QAction* menu : window->Menus()->actions())
      if (menu->text() == QStringLiteral("&Options"))
        for (QAction* action : menu->menu()->actions())
          if (action->objectName() == QStringLiteral("command%1").arg(cmd::kPlugins)) item = action;
    QVERIFY(item != nullptr);
    QVERIFY(item->isEnabled());
    item->trigger();
    QCOMPARE(tableChildren,
             (QStringList{QStringLiteral("Simple text viewer "), QStringLiteral("Hex viewer"),
                          QStringLiteral("Image viewer")}));
    QCOMPARE(databaseChildren, QStringList{QStringLiteral("(empty)")});
    QVERIFY(buttonsOff);
  }
};

QTEST_MAIN(PluginsTest)
#include "plugins_test.moc"
