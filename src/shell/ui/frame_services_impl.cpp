// The services the window offers its elements, loading job and connection. The worker calls
// them from its own thread: those calls are queued to the window's thread, in order, and never
// wait for it. Calls made on the window's thread act at once.
#include <QDockWidget>
#include <QThread>

#include "report/report_log.h"
#include "report/ui/report_pane.h"
#include "resources/string_table.h"
#include "resources/ui/dialog_hooks.h"
#include "shell/ui/main_window.h"
#include "shell/ui/quick_view_bar.h"
#include "shell/ui/status_bar.h"
#include "sqlwindow/ui/sql_pane.h"
#include "tabledata/ui/data_list_view.h"
#include "tabledata/worker_thread.h"

namespace quillet::ui {
namespace {

BoxIcon ToBoxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Error:
      return BoxIcon::kError;
    case MessageIcon::Information:
      return BoxIcon::kInformation;
    case MessageIcon::Exclamation:
      return BoxIcon::kWarning;
    case MessageIcon::None:
      break;
  }
  return BoxIcon::kNone;
}

}  // namespace

template <typename Work>
void MainWindow::OnGuiThread(Work&& work) {
  if (QThread::currentThread() == thread()) {
    work();
    return;
  }
  // Bound to this window: a call still queued when the window goes is dropped with it. So is a
  // call of a job that was stopped for something else to be shown.
  const unsigned job = WorkerThread::ThisThreadJob();
  QMetaObject::invokeMethod(
      this,
      [this, job, work = std::forward<Work>(work)]() mutable {
        if (job != 0 && worker_ && !worker_->IsOwnedJob(job)) return;
        work();
      },
      Qt::QueuedConnection);
}

ProgressHandle MainWindow::CreateProgressBar() {
  const ProgressHandle handle = nextProgress_.fetch_add(1);
  OnGuiThread([this, handle] { status_->ShowProgressBar(handle); });
  return handle;
}

void MainWindow::ReportStep(ProgressHandle progress, unsigned stringId, int position) {
  ReportProgressText(progress, stringId == 0 ? std::string() : LoadResourceString(stringId),
                     position);
}

void MainWindow::ReportProgressText(ProgressHandle progress, const std::string& text,
                                    int position) {
  OnGuiThread([this, progress, text, position] {
    status_->SetMessageText(QString::fromStdString(text));
    status_->SetProgress(progress, position);
  });
}

void MainWindow::HideProgressBar(ProgressHandle progress) {
  OnGuiThread([this, progress] { status_->HideProgressBar(progress); });
}

void MainWindow::InsertDataColumn(const std::string& title, int index, int subItem) {
  (void)subItem;  // the list's sub-items always follow its columns
  OnGuiThread(
      [this, title, index] { dataList_->InsertColumn(QString::fromStdString(title), index); });
}

void MainWindow::SetDataColumnWidth(int index, int width) {
  OnGuiThread([this, index, width] { dataList_->SetColumnWidth(index, width); });
}

void MainWindow::DeleteDataColumns() {
  OnGuiThread([this] { dataList_->DeleteColumns(); });
}

void MainWindow::ReportError(const std::string& text) {
  OnGuiThread([this, text] {
    report_->AddEntry(report::kReportError, text);
    if (reportDock_->isHidden()) reportDock_->show();
  });
}

void MainWindow::ReportInformation(const std::string& text) {
  OnGuiThread([this, text] { report_->AddEntry(report::kReportInformation, text); });
}

void MainWindow::SetDataListItemCount(int count) {
  // The element was handed to the list before the count was sent: take both together.
  OnGuiThread([this, count] {
    xElement* element = listCursor_->Element();
    if (element != nullptr && !element->HasListSettings()) dataList_->SetViewStyle(1);
    dataList_->ShowElement(element, count);
  });
}

void MainWindow::SetDataListRedraw(bool on) {
  OnGuiThread([this, on] { dataList_->setUpdatesEnabled(on); });
}

void MainWindow::PagerChanged() {
  OnGuiThread([this] {
    UpdatePager();
    UpdateUi();
  });
}

void MainWindow::PageShown(int itemCount, int cursorRow) {
  OnGuiThread([this, itemCount, cursorRow] { OnPageShown(itemCount, cursorRow); });
}

void MainWindow::JobEnded() {
  OnGuiThread([this] { OnJobEnded(); });
}

void MainWindow::RedrawDataList() {
  OnGuiThread([this] { dataList_->Redraw(); });
}

void MainWindow::SetDataListStyle(std::uint32_t viewStyle, std::uint32_t extendedStyle) {
  // Rows of a table or query are cells in columns: the elements that show them keep no list
  // settings of their own (their style would read as icons), so they always get the report,
  // with the looks of the data list options alone.
  const xElement* element = elements_->Element(jobSlot_.load());
  if (element != nullptr && !element->HasListSettings()) {
    viewStyle = 1;
    extendedStyle = 0;
  }
  OnGuiThread([this, viewStyle, extendedStyle] {
    dataList_->SetExtendedStyle(extendedStyle);
    dataList_->SetViewStyle(viewStyle);
  });
}

void MainWindow::SetStatusPaneText(unsigned paneId, const std::string& text) {
  OnGuiThread([this, paneId, text] {
    status_->SetPaneText(paneId, QString::fromStdString(text).trimmed());
  });
}

void MainWindow::EnableQuickViewBar(bool enable) {
  // A job disables the bar once its thread has taken the busy state: from then on the worker's
  // own state is the truth.
  OnGuiThread([this, enable] {
    if (!enable) jobStarting_ = false;
    quickView_->setEnabled(enable);
  });
}

void MainWindow::SetSqlText(const std::string& text) {
  // The last query of the element shown replaces the text.
  OnGuiThread([this, text] {
    sqlPane_->ClearQueryText();
    if (!text.empty()) sqlPane_->AppendQueryText(text);
  });
}

void MainWindow::ShowMessage(const std::string& caption, const std::string& text,
                             MessageIcon icon) {
  OnGuiThread([this, caption, text, icon] {
    ShowMessageBox(this, QString::fromStdString(caption), QString::fromStdString(text),
                   ToBoxIcon(icon));
  });
}

}  // namespace quillet::ui
