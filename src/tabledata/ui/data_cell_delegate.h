#pragma once
// Paints the data list's report view: every cell in the colours of the cursor rule, and "(BLOB)"
// and "(TEXT)" cells with the small drop-down triangle that opens the viewer menu.

#include <QStyledItemDelegate>

namespace quillet::ui {

class DataListView;

// The texts of cells whose value is long data that a viewer can show.
bool IsLongDataText(const QString& text);

// Width of the area at a long-data cell's left that opens its menu when clicked.
constexpr int kDropDownHotWidth = 22;
// Where a long-data cell's text starts, right of the triangle.
constexpr int kLongDataTextIndent = 24;

class DataCellDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  explicit DataCellDelegate(DataListView* list);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

 private:
  DataListView* list_;
};

}  // namespace quillet::ui
