#include "shell/ui/database_tree.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <utility>

#include "resources/ui/icons.h"

namespace quillet::ui {

DatabaseTree::DatabaseTree(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setDragEnabled(false);
  setUniformRowHeights(true);
  setIconSize(QSize(16, 16));
  setExpandsOnDoubleClick(false);  // a double-click activates the item
  connect(this, &QTreeWidget::itemExpanded, this, &DatabaseTree::OnExpanded);
  ApplyTreeOptions(true, true, false, false);
}

void DatabaseTree::ApplyTreeOptions(bool hasButtons, bool hasLines, bool fullRowSelect,
                                    bool trackSelect) {
  setRootIsDecorated(hasButtons);
  setItemsExpandable(true);
  // The lines are drawn in drawBranches; they want a little more room than the indentation.
  hasLines_ = hasLines;
  setIndentation(hasLines ? 20 : 16);
  fullRowSelect_ = fullRowSelect && !hasLines;
  setAllColumnsShowFocus(fullRowSelect_);
  trackSelect_ = trackSelect;
  setMouseTracking(trackSelect);
  viewport()->setAttribute(Qt::WA_Hover, trackSelect);
  setStyleSheet(hasButtons ? QString() : QStringLiteral("QTreeView::branch { image: none; }"));
  viewport()->update();
}

void DatabaseTree::DeleteAllItems() {
  pending_.clear();
  live_.clear();
  clear();
}

TreeItem DatabaseTree::InsertItem(TreeItem parent, const TreeItemSpec& entry) {
  QTreeWidgetItem* parentItem = parent != 0 && OwnsItem(parent) ? Item(parent) : nullptr;
  if (parent != 0 && parentItem == nullptr) return 0;
  auto* item = parentItem != nullptr ? new QTreeWidgetItem(parentItem) : new QTreeWidgetItem(this);
  live_.insert(item);
  item->setText(0, QString::fromStdString(entry.text));
  item->setIcon(0, ItemImage(entry.image));
  item->setChildIndicatorPolicy(entry.hasChildren
                                    ? QTreeWidgetItem::ShowIndicator
                                    : QTreeWidgetItem::DontShowIndicatorWhenChildless);
  if (entry.boldExpanded) {
    QFont bold = item->font(0);
    bold.setBold(true);
    item->setFont(0, bold);
    // Expanded from the start; its children are asked for once the tree is back in control.
    QTimer::singleShot(0, this, [this, handle = Handle(item)] {
      if (OwnsItem(handle)) Item(handle)->setExpanded(true);
    });
  }
  return Handle(item);
}

std::string DatabaseTree::GetItemText(TreeItem item) const {
  return OwnsItem(item) ? Item(item)->text(0).toStdString() : std::string();
}

TreeItem DatabaseTree::GetParentItem(TreeItem item) const {
  return OwnsItem(item) ? Handle(Item(item)->parent()) : 0;
}

bool DatabaseTree::HasChildItems(TreeItem item) const {
  return OwnsItem(item) && Item(item)->childCount() > 0;
}

TreeItem DatabaseTree::GetSelectedItem() const {
  const QList<QTreeWidgetItem*> selected = selectedItems();
  if (!selected.isEmpty()) return Handle(selected.first());
  return Handle(currentItem());
}

bool DatabaseTree::OwnsItem(TreeItem handle) const {
  // A handle is only used while it still names one of our items.
  return handle != 0 && live_.count(Item(handle)) > 0;
}

QTreeWidgetItem* DatabaseTree::FindChild(QTreeWidgetItem* parent, const QString& text) const {
  const int count = parent != nullptr ? parent->childCount() : topLevelItemCount();
  for (int i = 0; i < count; ++i) {
    QTreeWidgetItem* item = parent != nullptr ? parent->child(i) : topLevelItem(i);
    if (item->text(0) == text) return item;
  }
  return nullptr;
}

void DatabaseTree::OnExpanded(QTreeWidgetItem* item) {
  if (trackSelect_) {
    // Hot tracking keeps one branch open: close the siblings.
    QTreeWidgetItem* parent = item->parent();
    const int count = parent != nullptr ? parent->childCount() : topLevelItemCount();
    for (int i = 0; i < count; ++i) {
      QTreeWidgetItem* sibling = parent != nullptr ? parent->child(i) : topLevelItem(i);
      if (sibling != item && sibling->isExpanded()) sibling->setExpanded(false);
    }
  }
  if (item->childCount() > 0) return;
  if (handlers_.expanding && item->parent() != nullptr && !handlers_.expanding(Handle(item))) {
    // Not now (no connection or a job runs): let a later expansion ask again.
    item->setExpanded(false);
    return;
  }
  FillChildren(item);
}

void DatabaseTree::FillChildren(QTreeWidgetItem* item) {
  if (!handlers_.children) return;
  const int count = handlers_.children(Handle(item));
  if (count < 0) {
    pending_.insert(item);
    return;
  }
  pending_.erase(item);
  if (count == 0) item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

void DatabaseTree::RetryPendingChildren() {
  const std::set<QTreeWidgetItem*> waiting = std::move(pending_);
  pending_.clear();
  for (QTreeWidgetItem* item : waiting) {
    if (!OwnsItem(Handle(item)) || item->childCount() > 0 || !item->isExpanded()) continue;
    FillChildren(item);
  }
}

void DatabaseTree::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && handlers_.activate) {
    handlers_.activate();
    event->accept();
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

void DatabaseTree::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeWidgetItem* item = itemAt(event->position().toPoint());
  if (item != nullptr && event->button() == Qt::LeftButton) {
    setCurrentItem(item);
    // With hot tracking the first click of the two has activated the item already.
    if (trackSelect_) {
      skipRelease_ = true;
    } else if (handlers_.activate) {
      handlers_.activate();
    }
    event->accept();
    return;
  }
  QTreeWidget::mouseDoubleClickEvent(event);
}

void DatabaseTree::mouseReleaseEvent(QMouseEvent* event) {
  QTreeWidget::mouseReleaseEvent(event);
  if (std::exchange(skipRelease_, false)) return;
  // With hot tracking a single click on an item's label activates it, as a double-click would;
  // a click on its expand arrow only expands it.
  const QPoint at = event->position().toPoint();
  QTreeWidgetItem* item = itemAt(at);
  if (trackSelect_ && event->button() == Qt::LeftButton && handlers_.activate && item != nullptr &&
      visualItemRect(item).contains(at))
    handlers_.activate();
}

void DatabaseTree::drawBranches(QPainter* painter, const QRect& rect,
                                const QModelIndex& index) const {
  QTreeWidget::drawBranches(painter, rect, index);
  if (!hasLines_) return;
  // Dotted lines from each item to its parent's column, and on through the columns of the
  // ancestors that have more children below; a gap is left around an expand arrow.
  const int indent = indentation();
  const int mid = rect.center().y();
  const bool arrow = rootIsDecorated() || index.parent().isValid();
  const bool hasChildren = model()->hasChildren(index);
  int x = rect.right() - indent + 1 + indent / 2;
  painter->save();
  QPen pen(palette().color(QPalette::Mid));
  pen.setStyle(Qt::DotLine);
  painter->setPen(pen);
  const int gap = hasChildren && arrow ? 5 : 0;
  if (arrow) {
    const bool more = index.sibling(index.row() + 1, 0).isValid();
    painter->drawLine(x + gap, mid, rect.right(), mid);
    if (index.parent().isValid() || index.row() > 0) painter->drawLine(x, rect.top(), x, mid - gap);
    if (more) painter->drawLine(x, mid + gap, x, rect.bottom());
  }
  for (QModelIndex ancestor = index.parent(); ancestor.isValid(); ancestor = ancestor.parent()) {
    x -= indent;
    if (x < rect.left()) break;
    if (ancestor.sibling(ancestor.row() + 1, 0).isValid()) {
      painter->drawLine(x, rect.top(), x, rect.bottom());
    }
  }
  painter->restore();
}

}  // namespace quillet::ui
