#include "tabledata/ui/data_cell_delegate.h"

#include <QPainter>

#include "tabledata/ui/cell_colors.h"
#include "tabledata/ui/data_list_view.h"

namespace quillet::ui {
namespace {

// The triangle is laid out for a 17-pixel row; taller rows keep it centred.
constexpr int kTriangleRowHeight = 17;

void DrawDropDownTriangle(QPainter* painter, const QRect& cell, const QColor& color) {
  const int left = cell.left();
  const int top = cell.top() + std::max(0, (cell.height() - kTriangleRowHeight) / 2);
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing, false);
  painter->setPen(QPen(color, 1));
  painter->drawLine(left + 7, top + 7, left + 13, top + 7);
  painter->drawLine(left + 8, top + 8, left + 12, top + 8);
  painter->drawLine(left + 9, top + 9, left + 11, top + 9);
  painter->drawPoint(left + 10, top + 10);
  painter->restore();
}

}  // namespace

bool IsLongDataText(const QString& text) {
  return text == QLatin1String("(BLOB)") || text == QLatin1String("(TEXT)");
}

DataCellDelegate::DataCellDelegate(DataListView* list) : QStyledItemDelegate(list), list_(list) {}

void DataCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  if (index.model()->rowCount() == 0) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  const CellRole role = RoleOfCell(index.row(), index.column(), list_->CursorRow(),
                                   list_->CursorColumn(), list_->FullRowCursor());
  const CellColors colors = ColorsFor(role, option.palette);
  const QString text = index.data(Qt::DisplayRole).toString();

  if (!IsLongDataText(text)) {
    painter->fillRect(option.rect, colors.background);
    QStyleOptionViewItem plain(option);
    // The list paints no highlight of its own: the cursor colours carry it.
    plain.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
    plain.backgroundBrush = Qt::NoBrush;
    plain.palette.setColor(QPalette::Text, colors.text);
    plain.palette.setColor(QPalette::WindowText, colors.text);
    QStyledItemDelegate::paint(painter, plain, index);
    return;
  }

  const QRect cell = option.rect;
  painter->save();
  painter->fillRect(cell, colors.background);
  painter->setPen(colors.text);
  painter->setFont(option.font);
  QRect textArea = cell.adjusted(kLongDataTextIndent, 0, 0, 0);
  const QString shown = option.fontMetrics.elidedText(text, Qt::ElideRight, textArea.width());
  painter->drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
  painter->restore();
  DrawDropDownTriangle(painter, cell, colors.text);
}

}  // namespace quillet::ui
