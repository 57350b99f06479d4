#include "tabledata/ui/virtual_list_model.h"

#include "elements/element.h"
#include "resources/ui/icons.h"

namespace quillet::ui {
namespace {

constexpr std::size_t kCellTextBytes = 1024;

}  // namespace

VirtualListModel::VirtualListModel(QObject* parent) : QAbstractTableModel(parent) {}

int VirtualListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : itemCount_;
}

int VirtualListModel::columnCount(const QModelIndex& parent) const {
  // The icon and list views show column 0 even before any column exists.
  return parent.isValid() ? 0 : std::max<int>(1, static_cast<int>(titles_.size()));
}

QString VirtualListModel::CellText(int row, int column) const {
  if (element_ == nullptr || !IsIdle() || row < 0 || row >= itemCount_) return {};
  if (!element_->HasData()) return {};
  return QString::fromStdString(element_->Text(row, column, kCellTextBytes));
}

QVariant VirtualListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  switch (role) {
    case Qt::DisplayRole:
      return CellText(index.row(), index.column());
    case Qt::DecorationRole: {
      if (index.column() != 0 || element_ == nullptr || !IsIdle() || !element_->HasData())
        return {};
      const QIcon icon = ItemImage(element_->GetItemImage(index.row(), 0));
      if (icon.isNull()) return {};
      return icon;
    }
    default:
      return {};
  }
}

QVariant VirtualListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::DisplayRole && section >= 0 && section < titles_.size()) return titles_[section];
  if (role == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

void VirtualListModel::SetItemCount(int count) {
  count = std::max(0, count);
  if (count > itemCount_) {
    beginInsertRows({}, itemCount_, count - 1);
    itemCount_ = count;
    endInsertRows();
  } else if (count < itemCount_) {
    beginRemoveRows({}, count, itemCount_ - 1);
    itemCount_ = count;
    endRemoveRows();
  }
}

void VirtualListModel::InsertColumn(const QString& title, int index) {
  index = std::clamp(index, 0, static_cast<int>(titles_.size()));
  // The first real column replaces the stand-in column 0 that an empty list reports.
  if (titles_.isEmpty()) {
    titles_.push_back(title);
    emit headerDataChanged(Qt::Horizontal, 0, 0);
    return;
  }
  beginInsertColumns({}, index, index);
  titles_.insert(index, title);
  endInsertColumns();
}

void VirtualListModel::DeleteColumns() {
  if (titles_.size() > 1) {
    beginRemoveColumns({}, 1, static_cast<int>(titles_.size()) - 1);
    titles_.erase(titles_.begin() + 1, titles_.end());
    endRemoveColumns();
  }
  titles_.clear();
  emit headerDataChanged(Qt::Horizontal, 0, 0);
}

void VirtualListModel::Redraw() {
  if (itemCount_ > 0) emit dataChanged(index(0, 0), index(itemCount_ - 1, columnCount() - 1));
}

}  // namespace quillet::ui
