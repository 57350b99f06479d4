#pragma once
// The database tree pane: the database, its three folders and the tables and views inside them.
// Children are asked for only when an item is expanded; the element set decides what they are.

#include <QTreeWidget>

#include <functional>
#include <set>
#include <unordered_set>

#include "elements/element_tree.h"

namespace quillet::ui {

class DatabaseTree : public QTreeWidget, public ElementTree {
  Q_OBJECT
 public:
  // What the tree asks of its window.
  struct Handlers {
    // An item is expanding: true lets the tree ask for its children.
    std::function<bool(TreeItem)> expanding;
    // The children of an item: inserted through the ElementTree interface; the count, or -1
    // when the question cannot be answered now (a job runs) and must be asked again later.
    std::function<int(TreeItem)> children;
    // Double-click, Enter or a hot-tracked single click on the selected item.
    std::function<void()> activate;
  };

  explicit DatabaseTree(QWidget* parent = nullptr);
  void SetHandlers(Handlers handlers) { handlers_ = std::move(handlers); }

  // Tree options: buttons, lines, whole-row selection and hot tracking with one open branch.
  void ApplyTreeOptions(bool hasButtons, bool hasLines, bool fullRowSelect, bool trackSelect);

  // Asks again for the children that could not be given while a job ran.
  void RetryPendingChildren();

  // ElementTree.
  void DeleteAllItems() override;
  TreeItem InsertItem(TreeItem parent, const TreeItemSpec& entry) override;
  std::string GetItemText(TreeItem item) const override;
  TreeItem GetParentItem(TreeItem item) const override;
  bool HasChildItems(TreeItem item) const override;
  TreeItem GetSelectedItem() const override;

  static TreeItem Handle(QTreeWidgetItem* item) { return reinterpret_cast<TreeItem>(item); }
  static QTreeWidgetItem* Item(TreeItem handle) {
    return reinterpret_cast<QTreeWidgetItem*>(handle);
  }
  // The item with that text below `parent` (nullptr: top level), or nullptr.
  QTreeWidgetItem* FindChild(QTreeWidgetItem* parent, const QString& text) const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;

 private:
  void OnExpanded(QTreeWidgetItem* item);
  void FillChildren(QTreeWidgetItem* item);
  bool OwnsItem(TreeItem handle) const;

  Handlers handlers_;
  std::set<QTreeWidgetItem*> pending_;
  std::unordered_set<QTreeWidgetItem*> live_;
  bool trackSelect_ = false;
  bool fullRowSelect_ = false;
  bool hasLines_ = true;
  bool skipRelease_ = false;  // the release that ends a double-click
};

}  // namespace quillet::ui
