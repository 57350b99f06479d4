#include "tabledata/data_list_model.h"

#include <algorithm>

#include "datasource/cmlib_exception.h"
#include "elements/element.h"
#include "elements/element_slots.h"
#include "elements/frame_services.h"
#include "elements/text_format.h"
#include "resources/string_table.h"
#include "tabledata/cell_format.h"
#include "tabledata/idle_state.h"

namespace quillet {

void DataListModel::SetElement(xElement* element) {
  std::lock_guard lock(lock_);
  element_ = element;
  // A page on its way belonged to what was shown before.
  turnPending_ = false;
  waitingKeys_.clear();
}

void DataListModel::BeginPageTurn() {
  std::lock_guard lock(lock_);
  turnPending_ = true;
}

bool DataListModel::PageTurnPending() const {
  std::lock_guard lock(lock_);
  return turnPending_;
}

void DataListModel::CancelPageTurn() {
  std::lock_guard lock(lock_);
  turnPending_ = false;
  waitingKeys_.clear();
}

void DataListModel::PageShown(int itemCount, int cursorRow) {
  std::deque<WaitingKey> keys;
  {
    std::lock_guard lock(lock_);
    turnPending_ = false;
    if (cursorRow >= 0) row_ = cursorRow;
    keys.swap(waitingKeys_);
  }
  ReportRowStatus();
  // The keys that waited, in order, until one turns the page again; the rest wait for that.
  while (!keys.empty()) {
    const WaitingKey key = keys.front();
    keys.pop_front();
    OnKeyDown(key.key, itemCount, key.rowsPerPage, key.columnCount);
    std::lock_guard lock(lock_);
    if (turnPending_) {
      waitingKeys_.insert(waitingKeys_.begin(), keys.begin(), keys.end());
      return;
    }
  }
}

xElement* DataListModel::Element() const {
  std::lock_guard lock(lock_);
  return element_;
}

int DataListModel::CurrentRow() const {
  std::lock_guard lock(lock_);
  return row_;
}

int DataListModel::CurrentColumn() const {
  std::lock_guard lock(lock_);
  return column_;
}

void DataListModel::SetCursor(int row, int column) {
  {
    std::lock_guard lock(lock_);
    row_ = row;
    column_ = column;
  }
  ReportRowStatus();
}

std::string DataListModel::DisplayText(int item, int column, bool idle) const {
  if (!idle) return std::string();
  std::lock_guard lock(lock_);
  if (!element_ || !element_->HasData()) return std::string();
  return element_->Text(item, column, 1024);
}

bool DataListModel::CursorOnLongValue() const {
  std::lock_guard lock(lock_);
  if (!element_ || !element_->HasData()) return false;
  return IsLongValueText(element_->Text(row_, column_, 1024));
}

bool DataListModel::OnKeyDown(Key key, int itemCount, int rowsPerPage, int columnCount) {
  std::unique_lock lock(lock_);
  if (turnPending_) {
    waitingKeys_.push_back({key, rowsPerPage, columnCount});
    return false;
  }
  switch (key) {
    case Key::Enter:
      lock.unlock();
      return CursorOnLongValue();
    case Key::PageUp:
      row_ = std::max(0, row_ - rowsPerPage);
      break;
    case Key::PageDown:
      row_ = std::max(0, std::min(itemCount - 1, row_ + rowsPerPage));
      break;
    case Key::Left:
      column_ = std::max(0, column_ - 1);
      break;
    case Key::Right:
      column_ = std::max(0, std::min(columnCount - 1, column_ + 1));
      break;
    case Key::Up:
      if (row_ <= 0) {
        row_ = 0;
        TurnPage(-1, 0);
      } else {
        --row_;
      }
      break;
    case Key::Down:
      if (row_ >= itemCount - 1) {
        // On the last item: the next page, with the cursor on the old page's last row.
        row_ = std::max(0, itemCount - 1);
        TurnPage(+1, row_);
      } else {
        ++row_;
      }
      break;
  }
  lock.unlock();
  ReportRowStatus();
  return false;
}

bool DataListModel::OnButtonDown(bool left, bool reportView, int item, int subItem, bool inButton) {
  if (item < 0) return false;
  bool openMenu = false;
  {
    std::lock_guard lock(lock_);
    if (reportView) {
      if (subItem < 0) return false;
      if (left && inButton && item == row_ && subItem == column_) openMenu = CursorOnLongValue();
      row_ = item;
      column_ = subItem;
    } else {
      row_ = item;
      column_ = 0;
    }
  }
  ReportRowStatus();
  return openMenu;
}

bool DataListModel::TurnPage(int delta, int cursorRow) {
  if (idle_ && !idle_->IsIdle()) return false;
  std::lock_guard lock(lock_);
  Pager* pager = element_ ? element_->GetPager() : nullptr;
  if (!pager) return false;
  const int page = pager->GetCurrentPage() + delta;
  if (delta > 0 && page >= pager->GetPageCount()) return false;
  if (delta < 0 && page < 0) return false;
  if (requester_) {
    turnPending_ = true;
    requester_(page, cursorRow);
    return true;
  }
  services_.SetDataListRedraw(false);
  bool turned = true;
  try {
    pager->LoadPage(page);
  } catch (const cmlib::exception& e) {
    services_.ReportError(e.text());
    turned = false;
  }
  services_.SetDataListItemCount(pager->GetRowsInPage());
  services_.SetDataListRedraw(true);
  services_.RedrawDataList();
  return turned;
}

void DataListModel::NextPage() {
  const int row = CurrentRow();
  TurnPage(+1, row);
}
void DataListModel::PreviousPage() {
  TurnPage(-1, 0);
}

std::string DataListModel::RowStatusText() const {
  std::lock_guard lock(lock_);
  long long row = row_ + 1;
  if (Pager* pager = element_ ? element_->GetPager() : nullptr)
    row += static_cast<long long>(pager->GetCurrentPage()) * pager->GetPageSize();
  return FormatNumbers(LoadResourceString(ids::kRowStatusPane), {row, column_});
}

void DataListModel::ReportRowStatus() const {
  services_.SetStatusPaneText(ids::kRowStatusPane, RowStatusText());
}

}  // namespace quillet
