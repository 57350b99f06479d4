// Paging the list's rows: page jobs and their ending, the paging commands with their enabling,
// the pager bar, and the navigation points of jumps.
#include <QAction>

#include <algorithm>
#include <chrono>
#include <climits>

#include "datasource/cmlib_exception.h"

#include "elements/element_slots.h"
#include "elements/text_format.h"
#include "resources/command_ids.h"
#include "resources/string_table.h"
#include "resources/ui/dialog_hooks.h"
#include "shell/ui/main_window.h"
#include "tabledata/ui/data_list_view.h"
#include "tabledata/ui/pager_bar.h"

namespace quillet::ui {
namespace {

// The pager of the element the list shows, when it holds rows.
Pager* ShownPager(xElementSet& elements) {
  xElement* element = elements.Element(elements.ListSlot());
  if (element == nullptr || !element->HasData()) return nullptr;
  return element->GetPager();
}

}  // namespace

long long MainWindow::CursorRowInRows() const {
  Pager* pager = ShownPager(*elements_);
  if (pager == nullptr) return -1;
  return static_cast<long long>(pager->GetCurrentPage()) * pager->GetPageSize() +
         listCursor_->CurrentRow();
}

void MainWindow::RequestPage(PageJob job) {
  // The element's data belongs to a loading job until it ends.
  if (!IsConnected() || jobStarting_ || !worker_->Idle().IsIdle() ||
      ShownPager(*elements_) == nullptr) {
    listCursor_->PageShown(-1, -1);
    return;
  }
  listCursor_->BeginPageTurn();
  if (worker_->IsPaging()) {
    pendingPage_ = job;
    return;
  }
  // The last job's thread is idle already; this only joins it.
  if (!worker_->Stop(kStopWait)) {
    listCursor_->PageShown(-1, -1);
    return;
  }
  worker_->SetPageJob(job);
  try {
    worker_->Start();
  } catch (const cmlib::exception& e) {
    ReportError(e.text());
    PageShown(-1, -1);
  }
  UpdateUi();
}

void MainWindow::JumpTo(PageJob job) {
  const int slot = elements_->ListSlot();
  xElement* element = elements_->Element(slot);
  if (element == nullptr || ShownPager(*elements_) == nullptr) return;
  std::optional<ShowData> request;
  if (auto refresh = element->RequestRefresh()) request = *refresh;
  history_.AddPoint(slot, element->GetDisplayName(), std::move(request), CursorRowInRows());
  RequestPage(job);
}

void MainWindow::OnPageShown(int itemCount, int cursorRow) {
  {
    if (pendingPage_) {
      // The newest page asked for meanwhile goes next; the keys wait for it.
      const PageJob next = *std::exchange(pendingPage_, std::nullopt);
      if (worker_->Stop(kStopWait)) {
        worker_->SetPageJob(next);
        try {
          worker_->Start();
          return;
        } catch (const cmlib::exception& e) {
          ReportError(e.text());
        }
      }
    }
    dataList_->PageShown(itemCount, cursorRow);
    UpdatePager();
    UpdateUi();
  }
}

void MainWindow::OnJobEnded() {
  UpdatePager();
  // A restored point of a table comes back to its row once the table is loaded again.
  if (pendingRow_ >= 0) {
    const long long row = std::exchange(pendingRow_, -1);
    RequestPage({PageJob::Target::Row, row, 0});
  }
}

void MainWindow::UpdatePager() {
  xElement* element = elements_->Element(elements_->ListSlot());
  Pager* pager = ShownPager(*elements_);
  const bool show = IsConnected() && pager != nullptr && dataList_->ViewStyle() == kStyleReport;
  pagerBar_->setVisible(show);
  if (!show) return;
  const int size = std::max(1, pager->GetPageSize());
  const long long total = element->GetRowCount();
  const bool known = pager->RowCountKnown();
  const long long pages = known ? std::max<long long>(1, (total + size - 1) / size) : -1;
  const int page = pager->GetCurrentPage();
  pagerBar_->ShowPage(page, pages, static_cast<long long>(page) * size, pager->CachedRows(), total);
  pagerBar_->SetTurnable(!known || pages > 1);
}

void MainWindow::EnablePagingCommands(bool connected, bool idle) {
  Pager* pager = connected ? ShownPager(*elements_) : nullptr;
  const bool can = idle && pager != nullptr;
  const bool known = can && pager->RowCountKnown();
  const int page = can ? pager->GetCurrentPage() : 0;
  const int size = can ? std::max(1, pager->GetPageSize()) : 1;
  const long long total = can ? elements_->Element(elements_->ListSlot())->GetRowCount() : 0;
  const long long last = known ? std::max<long long>(0, (total - 1) / size) : -1;
  const bool more = can && (!known || page < last);
  SetEnabled(cmd::kFirstPage, can && page > 0);
  SetEnabled(cmd::kPreviousPage, can && page > 0);
  SetEnabled(cmd::kNextPage, more);
  SetEnabled(cmd::kLastPage, more);
  SetEnabled(cmd::kGoToRow, can && total > 0);
}

void MainWindow::GoToRowCommand() {
  Pager* pager = ShownPager(*elements_);
  if (pager == nullptr) return;
  xElement* element = elements_->Element(elements_->ListSlot());
  const bool known = pager->RowCountKnown();
  const long long total = element->GetRowCount();
  NumberRequest request;
  request.owner = this;
  request.title = QString::fromStdString(LoadResourceString(ids::kGoToRowTitle));
  request.prompt = QString::fromStdString(FormatText(LoadResourceString(ids::kGoToRowPrompt),
                                                     known ? FormatThousands(total) : "\u2026"));
  request.value = CursorRowInRows() + 1;
  request.maximum = known ? std::max<long long>(1, total) : INT_MAX;
  const std::optional<long long> row = AskNumber(request);
  if (!row) return;
  // A row past the end of rows still being counted is found when its page comes back short.
  JumpTo({PageJob::Target::Row, *row - 1, 0});
}

bool MainWindow::RoutePagingCommand(unsigned id) {
  Pager* pager = ShownPager(*elements_);
  switch (id) {
    case cmd::kGoToRow:
      GoToRowCommand();
      return true;
    case cmd::kFirstPage:
      JumpTo({PageJob::Target::Row, 0, 0});
      return true;
    case cmd::kLastPage:
      JumpTo({PageJob::Target::Last, 0, -1});
      return true;
    case cmd::kPreviousPage:
      if (pager != nullptr && pager->GetCurrentPage() > 0)
        RequestPage({PageJob::Target::Page, pager->GetCurrentPage() - 1, 0});
      return true;
    case cmd::kNextPage:
      if (pager != nullptr) RequestPage({PageJob::Target::Page, pager->GetCurrentPage() + 1, 0});
      return true;
    default:
      return false;
  }
}

}  // namespace quillet::ui
