#include "tabledata/ui/data_list_view.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QVBoxLayout>

#include "elements/element.h"
#include "plugins/plugin_hand_over.h"
#include "resources/string_table.h"
#include "resources/ui/scroll_bars.h"
#include "tabledata/data_list_model.h"
#include "tabledata/ui/data_cell_delegate.h"

namespace quillet::ui {
namespace {

constexpr unsigned kStringEmptyMenu = 63100;  // "(empty)"
constexpr int kMarkerColumnWidth = 20;
constexpr int kToolTipOffset = 15;
constexpr int kToolTipMaxWidth = 300;

// Items of the icon and list views take the whole cell of the view's grid, so a name has that
// room (two lines under a large icon) before it is cut.
class GridItemDelegate : public QStyledItemDelegate {
 public:
  explicit GridItemDelegate(QListView* view) : QStyledItemDelegate(view), view_(view) {}
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QSize grid = view_->gridSize();
    if (!grid.isValid()) return QStyledItemDelegate::sizeHint(option, index);
    return grid - QSize(4, 4);
  }

 private:
  QListView* view_;
};

bool IsNavigationKey(int key) {
  switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return true;
    default:
      return false;
  }
}

// Line feeds, carriage returns and tabs would break the tool tip's one-paragraph look.
QString FlattenDescription(QString text) {
  for (QChar& c : text)
    if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t'))
      c = QLatin1Char(' ');
  return text;
}

}  // namespace

DataTableView::DataTableView(DataListView* list) : QTableView(list), list_(list) {}

int DataTableView::RowsPerPage() const {
  const int rowHeight = std::max(1, verticalHeader()->defaultSectionSize());
  return std::max(1, viewport()->height() / rowHeight);
}

void DataTableView::keyPressEvent(QKeyEvent* event) {
  if (IsNavigationKey(event->key()) && list_->HandleKey(event->key(), event->modifiers())) {
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

void DataTableView::mousePressEvent(QMouseEvent* event) {
  list_->HandleReportPress(event->position().toPoint(), event->button());
  if (event->button() == Qt::LeftButton)
    list_->HandleToolTipClick(event->position().toPoint(), event->globalPosition().toPoint(),
                              event->buttons(), event->modifiers());
  setFocus(Qt::MouseFocusReason);
  event->accept();
}

void DataTableView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton)
    list_->HandleToolTipClick(event->position().toPoint(), event->globalPosition().toPoint(),
                              event->buttons() | Qt::LeftButton, event->modifiers());
  event->accept();
}

void DataTableView::mouseDoubleClickEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  if (index.isValid() && event->button() == Qt::LeftButton) emit list_->itemActivated(index.row());
  event->accept();
}

DataItemsView::DataItemsView(DataListView* list) : QListView(list), list_(list) {}

int DataItemsView::RowsPerPage() const {
  const QModelIndex first = model() != nullptr ? model()->index(0, 0) : QModelIndex();
  const int itemHeight = first.isValid() ? std::max(1, visualRect(first).height()) : 20;
  return std::max(1, viewport()->height() / itemHeight);
}

void DataItemsView::keyPressEvent(QKeyEvent* event) {
  if (IsNavigationKey(event->key()) && list_->HandleKey(event->key(), event->modifiers())) {
    event->accept();
    return;
  }
  QListView::keyPressEvent(event);
}

void DataItemsView::mousePressEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  // Outside the report view the cursor goes to the item and column 0.
  if (index.isValid()) list_->SetCursor(index.row(), 0);
  setFocus(Qt::MouseFocusReason);
  event->accept();
}

void DataItemsView::mouseDoubleClickEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  if (index.isValid() && event->button() == Qt::LeftButton) emit list_->itemActivated(index.row());
  event->accept();
}

DataListView::DataListView(DataListModel& cursor, QWidget* parent)
    : QWidget(parent), cursor_(cursor) {
  model_ = new VirtualListModel(this);
  stack_ = new QStackedWidget(this);
  table_ = new DataTableView(this);
  items_ = new DataItemsView(this);
  cellMenu_ = new QMenu(this);

  table_->setModel(model_);
  table_->setItemDelegate(new DataCellDelegate(this));
  table_->setSelectionMode(QAbstractItemView::NoSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setWordWrap(false);
  table_->setTabKeyNavigation(false);
  table_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 5);
  table_->horizontalHeader()->setSectionsClickable(false);  // a header click never sorts
  table_->horizontalHeader()->setHighlightSections(false);
  table_->horizontalHeader()->setStretchLastSection(false);
  table_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  table_->horizontalHeader()->setMinimumSectionSize(kMarkerColumnWidth);

  items_->setModel(model_);
  items_->setModelColumn(0);
  items_->setSelectionMode(QAbstractItemView::SingleSelection);
  items_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  items_->setUniformItemSizes(true);
  items_->setItemDelegate(new GridItemDelegate(items_));

  stack_->addWidget(table_);
  stack_->addWidget(items_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(stack_);
  setFocusProxy(table_);
  SetViewStyle(kStyleReport);
}

QAbstractItemView* DataListView::CurrentView() const {
  return style_ == kStyleReport ? static_cast<QAbstractItemView*>(table_) : items_;
}

void DataListView::SetViewStyle(unsigned style) {
  style_ = style <= kStyleList ? style : kStyleReport;
  switch (style_) {
    case kStyleReport:
      stack_->setCurrentWidget(table_);
      setFocusProxy(table_);
      break;
    case kStyleIcons:
      items_->setViewMode(QListView::IconMode);
      // Room for names of two lines under the icon, as file managers give them.
      items_->setIconSize(QSize(32, 32));
      items_->setGridSize(QSize(128, 32 + 2 * items_->fontMetrics().lineSpacing() + 16));
      items_->setTextElideMode(Qt::ElideMiddle);
      items_->setFlow(QListView::LeftToRight);
      items_->setWrapping(true);
      items_->setResizeMode(QListView::Adjust);
      items_->setWordWrap(true);
      stack_->setCurrentWidget(items_);
      setFocusProxy(items_);
      break;
    case kStyleSmallIcons:
    case kStyleList:
      items_->setViewMode(QListView::ListMode);
      items_->setIconSize(QSize(16, 16));
      FitListGrid();
      items_->setFlow(style_ == kStyleSmallIcons ? QListView::LeftToRight : QListView::TopToBottom);
      items_->setWrapping(true);
      items_->setResizeMode(QListView::Adjust);
      items_->setWordWrap(false);
      stack_->setCurrentWidget(items_);
      setFocusProxy(items_);
      break;
  }
  SyncCurrentIndex();
}

void DataListView::InsertColumn(const QString& title, int index) {
  model_->InsertColumn(title, index);
  const int actual = std::clamp(index, 0, model_->columnCount() - 1);
  // Until the loader sets a width, a column is as wide as its title plus 15 pixels.
  table_->setColumnWidth(actual, table_->fontMetrics().horizontalAdvance(title) + 15);
  ApplyMarkerColumn();
}

void DataListView::SetColumnWidth(int index, int width) {
  if (index < 0 || index >= model_->columnCount()) return;
  table_->setColumnWidth(index, width);
  // Table data puts an empty marker column first: it keeps its width.
  if (index == 0)
    markerColumn_ = width == kMarkerColumnWidth &&
                    model_->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString().isEmpty();
  ApplyMarkerColumn();
}

void DataListView::ApplyMarkerColumn() {
  table_->horizontalHeader()->setSectionResizeMode(
      0, markerColumn_ ? QHeaderView::Fixed : QHeaderView::Interactive);
  if (markerColumn_) table_->setColumnWidth(0, kMarkerColumnWidth);
}

void DataListView::DeleteColumns() {
  model_->DeleteColumns();
  markerColumn_ = false;
  ApplyMarkerColumn();
}

void DataListView::SetItemCount(int count) {
  model_->SetItemCount(count);
  if (style_ == kStyleSmallIcons || style_ == kStyleList) FitListGrid();
  SyncCurrentIndex();
}

void DataListView::FitListGrid() {
  // Every item gets the room of the longest name (items are laid out alike, which keeps a long
  // list fast); a name longer than a third of the view is cut in its middle.
  const int cap = std::max(120, width() / 3);
  int widest = 0;
  const int rows = std::min(model_->rowCount(), 5000);
  for (int row = 0; row < rows && widest < cap; ++row) {
    widest = std::max(widest, items_->fontMetrics().horizontalAdvance(model_->CellText(row, 0)));
  }
  items_->setTextElideMode(Qt::ElideMiddle);
  items_->setGridSize(
      QSize(std::min(widest, cap) + items_->iconSize().width() + 24,
            std::max(items_->iconSize().height(), items_->fontMetrics().lineSpacing()) + 6));
}

void DataListView::Redraw() {
  model_->Redraw();
  if (style_ != kStyleReport) items_->doItemsLayout();
  CurrentView()->viewport()->update();
}

void DataListView::SetFullRowCursor(bool on) {
  fullRow_ = on;
  table_->viewport()->update();
}

void DataListView::SetShowGrid(bool on) {
  showGrid_ = on;
  ApplyLooks();
}

void DataListView::SetFlatScrollBars(bool on) {
  flatScrollBars_ = on;
  ApplyLooks();
}

void DataListView::SetExtendedStyle(std::uint32_t style) {
  extendedStyle_ = style;
  ApplyLooks();
}

void DataListView::ApplyLooks() {
  table_->setShowGrid(showGrid_ || (extendedStyle_ & kExGridLines) != 0);
  const bool flat = flatScrollBars_ || (extendedStyle_ & kExFlatScrollBars) != 0;
  ::quillet::ui::SetFlatScrollBars(table_, flat);
  ::quillet::ui::SetFlatScrollBars(items_, flat);
  table_->viewport()->update();
}

void DataListView::SetToolTipOptions(bool onPlainClick, bool onShiftClick) {
  tipOnClick_ = onPlainClick;
  tipOnShiftClick_ = onShiftClick;
}

int DataListView::CursorRow() const {
  return cursor_.CurrentRow();
}
int DataListView::CursorColumn() const {
  return cursor_.CurrentColumn();
}

void DataListView::SetCursor(int row, int column) {
  cursor_.SetCursor(row, column);
  SyncCurrentIndex();
  table_->viewport()->update();
  ReportCursor();
}

void DataListView::ShowElement(xElement* element, int count) {
  model_->SetElement(element);
  SetItemCount(count);
}

void DataListView::PageShown(int count, int cursorRow) {
  if (count >= 0) model_->SetItemCount(count);
  cursor_.PageShown(count >= 0 ? count : model_->rowCount(), cursorRow);
  SyncCurrentIndex();
  Redraw();
  ReportCursor();
}

void DataListView::SyncCurrentIndex() {
  const QModelIndex index =
      model_->index(cursor_.CurrentRow(), style_ == kStyleReport ? cursor_.CurrentColumn() : 0);
  QAbstractItemView* view = CurrentView();
  if (!index.isValid()) return;
  if (view->selectionModel() != nullptr)
    view->selectionModel()->setCurrentIndex(index, style_ == kStyleReport
                                                       ? QItemSelectionModel::NoUpdate
                                                       : QItemSelectionModel::ClearAndSelect);
  view->scrollTo(index);
}

void DataListView::ReportCursor() {
  emit cursorChanged(cursor_.CurrentRow(), cursor_.CurrentColumn());
}

int DataListView::RowsPerVisiblePage() const {
  return style_ == kStyleReport ? table_->RowsPerPage() : items_->RowsPerPage();
}

bool DataListView::HandleKey(int key, Qt::KeyboardModifiers modifiers) {
  (void)modifiers;
  DataListModel::Key coreKey;
  switch (key) {
    case Qt::Key_Up:
      coreKey = DataListModel::Key::Up;
      break;
    case Qt::Key_Down:
      coreKey = DataListModel::Key::Down;
      break;
    case Qt::Key_PageUp:
      coreKey = DataListModel::Key::PageUp;
      break;
    case Qt::Key_PageDown:
      coreKey = DataListModel::Key::PageDown;
      break;
    case Qt::Key_Left:
      coreKey = DataListModel::Key::Left;
      break;
    case Qt::Key_Right:
      coreKey = DataListModel::Key::Right;
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      coreKey = DataListModel::Key::Enter;
      break;
    default:
      return false;
  }
  // Page turning needs the element's data: never while a job owns it.
  if (!model_->IsIdle()) return true;
  const int row = cursor_.CurrentRow();
  const bool openMenu =
      cursor_.OnKeyDown(coreKey, model_->rowCount(), RowsPerVisiblePage(), model_->columnCount());
  if (coreKey == DataListModel::Key::Enter) {
    if (openMenu) OpenCellMenu();
    if (row >= 0 && row < model_->rowCount()) emit itemActivated(row);
    return true;
  }
  SyncCurrentIndex();
  table_->viewport()->update();
  ReportCursor();
  return true;
}

void DataListView::HandleReportPress(const QPoint& viewportPos, Qt::MouseButton button) {
  const QModelIndex index = table_->indexAt(viewportPos);
  if (!index.isValid() || (button != Qt::LeftButton && button != Qt::RightButton)) {
    table_->viewport()->update();
    return;
  }
  const QRect cell = table_->visualRect(index);
  const bool inButton = viewportPos.x() - cell.left() < kDropDownHotWidth;
  const bool openMenu =
      model_->IsIdle() &&
      cursor_.OnButtonDown(button == Qt::LeftButton, true, index.row(), index.column(), inButton);
  if (!model_->IsIdle()) cursor_.SetCursor(index.row(), index.column());
  SyncCurrentIndex();
  table_->viewport()->update();
  ReportCursor();
  if (openMenu) OpenCellMenu();
}

void DataListView::HandleToolTipClick(const QPoint& viewportPos, const QPoint& globalPos,
                                      Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  const bool shift = modifiers.testFlag(Qt::ShiftModifier);
  const bool plainLeft = buttons == Qt::LeftButton && modifiers == Qt::NoModifier;
  const bool wanted =
      (plainLeft && tipOnClick_) || (buttons.testFlag(Qt::LeftButton) && shift && tipOnShiftClick_);
  if (!wanted) return;
  if (!table_->viewport()->rect().contains(viewportPos)) {
    QToolTip::hideText();
    return;
  }
  const QModelIndex index = table_->indexAt(viewportPos);
  xElement* element = model_->Element();
  if (!index.isValid() || element == nullptr || !model_->IsIdle() || !element->HasData()) return;
  const QString description = FlattenDescription(
      QString::fromStdString(element->Description(index.row(), index.column(), 1024)));
  if (description.isEmpty()) return;
  const QString title = QString::fromStdString(element->GetDisplayName()).toHtmlEscaped();
  lastToolTip_ =
      QString::fromStdString(element->GetDisplayName()) + QLatin1Char('\n') + description;
  // At most 300 pixels wide: a longer description wraps.
  const bool wide = table_->fontMetrics().horizontalAdvance(description) + 24 > kToolTipMaxWidth;
  const QString html =
      QStringLiteral(
          "<table%1><tr><td><img src=':/icons/report_information.svg' "
          "width='16' height='16'></td><td><b>%2</b></td></tr><tr><td></td><td>%3</td>"
          "</tr></table>")
          .arg(wide ? QStringLiteral(" width='%1'").arg(kToolTipMaxWidth) : QString())
          .arg(title, description.toHtmlEscaped());
  // It stays up as long as the platform's list tips do: ten thousand double-click times, kept to
  // the 16 bits the delay has there.
  const int stay = (QApplication::doubleClickInterval() * 10000) & 0xFFFF;
  QToolTip::showText(globalPos + QPoint(kToolTipOffset, kToolTipOffset), html, table_,
                     QRect(viewportPos - QPoint(1, 1), viewportPos + QPoint(1, 1)), stay);
}

void DataListView::SetListActions(const QList<QAction*>& actions) {
  listActions_ = actions;
  addActions(actions);
  setContextMenuPolicy(Qt::ActionsContextMenu);
}

void DataListView::OpenCellMenu() {
  if (menuFiller_) {
    cellMenu_->clear();
    if (!menuFiller_(cellMenu_, cursor_.CurrentRow(), cursor_.CurrentColumn()) ||
        cellMenu_->isEmpty()) {
      cellMenu_->clear();
      QAction* empty =
          cellMenu_->addAction(QString::fromStdString(LoadResourceString(kStringEmptyMenu)));
      empty->setEnabled(false);
    }
  } else {
    xElement* element = model_->Element();
    PluginHandOver* handOver = element != nullptr ? element->GetPluginHandOver() : nullptr;
    if (handOver == nullptr) return;
    handOver->FillCellMenu(cellMenuModel_, cursor_.CurrentRow(), cursor_.CurrentColumn());
    cellMenu_->clear();
    for (const shell::MenuItem& item : cellMenuModel_.Items()) {
      if (item.separator) {
        cellMenu_->addSeparator();
        continue;
      }
      QAction* action = cellMenu_->addAction(QString::fromStdString(item.text));
      action->setEnabled(item.enabled);
      const unsigned id = item.id;
      connect(action, &QAction::triggered, this, [this, id] { emit cellMenuCommand(id); });
    }
    if (cellMenu_->isEmpty()) return;
  }
  if (!listActions_.isEmpty()) {
    cellMenu_->addSeparator();
    cellMenu_->addActions(listActions_);
  }
  QPoint anchor;
  if (style_ == kStyleReport) {
    const QRect cell =
        table_->visualRect(model_->index(cursor_.CurrentRow(), cursor_.CurrentColumn()));
    anchor = table_->viewport()->mapToGlobal(QPoint(std::max(0, cell.left()), cell.bottom()));
  } else {
    anchor = items_->viewport()->mapToGlobal(
        items_->visualRect(model_->index(cursor_.CurrentRow(), 0)).bottomLeft());
  }
  cellMenu_->popup(anchor);
}

}  // namespace quillet::ui
