#pragma once
// Starting the program as its command line does, walking a window to a table, and reading the
// recent-file entries of a menu, for the window tests.

#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTest>
#include <QTreeWidgetItem>

#include <memory>
#include <string>
#include <vector>

#include "config/registry_store.h"
#include "elements/element_slots.h"
#include "resources/command_ids.h"
#include "shell/ui/database_tree.h"
#include "shell/ui/frame_manager.h"
#include "shell/ui/main_window.h"
#include "tabledata/ui/data_list_view.h"
#include "ui_test_support.h"

namespace quillet::uitest {

// One test's frame manager and recorded message boxes: Begin() in init(), End() in cleanup().
struct WindowFixture {
  std::unique_ptr<ui::FrameManager> manager;
  std::unique_ptr<MessageRecorder> boxes;

  void Begin() { boxes = std::make_unique<MessageRecorder>(); }
  void End() {
    manager.reset();
    boxes.reset();
  }

  // A manager started with `args` (after the program name) and no window yet.
  ui::FrameManager* Manager(std::vector<std::string> args = {}) {
    args.insert(args.begin(), "quillet");
    manager = std::make_unique<ui::FrameManager>(args, config::RegistryStore::Default());
    manager->SetOfferTips(false);
    return manager.get();
  }

  // The first window of a manager started with `args`, once its loading job has ended.
  ui::MainWindow* Start(std::vector<std::string> args) {
    Manager(args);
    args.insert(args.begin(), "quillet");
    ui::MainWindow* window = manager->AddWindow(ui::FrameManager::CommandString(args));
    if (window != nullptr) {
      window->resize(1100, 720);
      WaitIdle(window);
    }
    return window;
  }
  ui::MainWindow* StartDemo() { return Start({"-udl", DemoUdl().toStdString()}); }
};

// Walks from the database to a table as a double-click in the list would.
inline bool ShowTable(ui::MainWindow* window, const std::string& name) {
  if (!window->Elements().ActivateListItem("Tables", true)) return false;
  window->StartJob(kSlotTables);
  if (!WaitIdle(window)) return false;
  if (!window->Elements().ActivateListItem(name, true)) return false;
  window->StartJob(kSlotTable);
  return WaitIdle(window);
}

// The tree item of `text` below `parent` (nullptr: the root level), waiting for the tree.
inline QTreeWidgetItem* WaitForTreeItem(ui::DatabaseTree* tree, QTreeWidgetItem* parent,
                                        const QString& text) {
  for (int i = 0; i < 500; ++i) {
    if (QTreeWidgetItem* item = tree->FindChild(parent, text)) return item;
    QTest::qWait(10);
  }
  return nullptr;
}

// Enter on the table `name` under the tree's Tables folder (expanded first, and entered too
// when `enterFolder`), as a user would, then the job it started.
inline bool ShowTableFromTree(ui::MainWindow* window, const QString& name,
                              bool enterFolder = false) {
  ui::DatabaseTree* tree = window->Tree();
  const auto enter = [window, tree](QTreeWidgetItem* item) {
    if (item == nullptr) return false;
    tree->setCurrentItem(item);
    QTest::keyClick(tree, Qt::Key_Return);
    return WaitIdle(window);
  };
  QTreeWidgetItem* root = WaitForTreeItem(tree, nullptr, QStringLiteral("Data Base"));
  if (root == nullptr) return false;
  root->setExpanded(true);
  QTreeWidgetItem* tables = WaitForTreeItem(tree, root, QStringLiteral("Tables"));
  if (tables == nullptr || (enterFolder && !enter(tables))) return false;
  tables->setExpanded(true);
  return enter(WaitForTreeItem(tree, tables, name));
}

// Opens the demo and walks its tree to a table, the Tables folder entered on the way.
inline ui::MainWindow* OpenTableFromTree(WindowFixture& fx, const QString& name) {
  ui::MainWindow* window = fx.StartDemo();
  return window != nullptr && ShowTableFromTree(window, name, true) ? window : nullptr;
}

// Runs `query` from the SQL pane as the Execute command does; waits for the job unless told not to.
inline bool Execute(ui::MainWindow* window, const QString& query, bool wait = true) {
  window->SqlEditor()->setPlainText(query);
  window->UpdateUi();
  window->OnCommand(ui::cmd::kExecuteSql);
  return !wait || WaitIdle(window);
}

// The list's column titled `title`; -1 without one.
inline int FindColumn(ui::DataListView* list, const QString& title) {
  for (int c = 0; c < list->Model()->columnCount(); ++c)
    if (list->Model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString() == title) return c;
  return -1;
}

// The recent-file actions of a menu, as it shows them.
inline QList<QAction*> RecentActions(QMenu* menu) {
  emit menu->aboutToShow();
  QList<QAction*> recent;
  for (QAction* action : menu->actions())
    if (action->property("recent").toBool()) recent << action;
  return recent;
}

inline QStringList RecentTexts(QMenu* menu) {
  QStringList texts;
  for (QAction* action : RecentActions(menu)) texts << action->text();
  return texts;
}

}  // namespace quillet::uitest
