// Starting and stopping the window's loading job. The window's thread never waits long for a
// job: a stop that the provider does not honour at once leaves the job ending on its own, the
// window usable and saying that it is stopping, and whatever needs the job gone waits for it.
#include <chrono>
#include <utility>

#include "datasource/cmlib_exception.h"
#include "elements/element_slots.h"
#include "resources/command_ids.h"
#include "resources/string_table.h"
#include "shell/ui/main_window.h"
#include "shell/ui/quick_view_bar.h"
#include "shell/ui/status_bar.h"

namespace quillet::ui {

void MainWindow::StartJob(int code, std::unique_ptr<ShowData> request) {
  // A job that has been started but not yet begun would take this code and request as its own
  // and then be stopped with them, so the new job would find nothing to do. Stop it first. A
  // request it left untaken is not this job's: every job gets its own, or none.
  if (!StopJob(true)) {
    // The newest job asked for runs once the stopping one has ended.
    queuedJobCode_ = code;
    queuedJobRequest_ = std::move(request);
    return;
  }
  worker_->SetJobCode(code);
  worker_->SetPendingRequest(std::move(request));
  jobStarting_ = true;
  jobSlot_.store(code < 0 ? -code : code);
  try {
    worker_->Start();
  } catch (const cmlib::exception& e) {
    jobStarting_ = false;
    ReportError(e.text());
  }
  UpdateUi();
}

bool MainWindow::StopJob(bool disown) {
  if (disown) {
    worker_->DisownJobs();
    cleanUpAfterStop_ = true;
  }
  if (!worker_->Stop(kStopWait)) {
    stopping_ = true;
    status_->SetMessageText(QString::fromStdString(LoadResourceString(ids::kStoppingText)));
    UpdateUi();
    return false;
  }
  if (std::exchange(cleanUpAfterStop_, false)) ForgetDisownedJob();
  return true;
}

bool MainWindow::StopEverything() {
  if (!StopJob(true)) return false;
  Pager* pager = elements_->Element(kSlotTable)->GetPager();
  if (pager == nullptr) return true;
  pager->StopCount();
  if (pager->CountEnded(kStopWait)) return true;
  stopping_ = true;
  status_->SetMessageText(QString::fromStdString(LoadResourceString(ids::kStoppingText)));
  UpdateUi();
  return false;
}

void MainWindow::ForgetDisownedJob() {
  // What the job would have undone itself, had its calls not been dropped.
  pendingPage_.reset();
  listCursor_->CancelPageTurn();
  status_->HideAnyProgressBar();
  status_->SetMessageText({});
  quickView_->setEnabled(true);
}

void MainWindow::AfterStopping() {
  // Runs when any job's thread ends (and at idle time while stopping): only a job that was
  // still ending when it was stopped left work waiting.
  if (!stopping_ || !worker_->Stop(std::chrono::milliseconds(0))) return;
  if (closeAfterStop_ || closeConnectionAfterStop_) {
    Pager* pager = elements_->Element(kSlotTable)->GetPager();
    if (pager != nullptr && !pager->CountEnded(std::chrono::milliseconds(0))) return;
  }
  stopping_ = false;
  status_->SetMessageText({});
  if (std::exchange(cleanUpAfterStop_, false)) ForgetDisownedJob();
  if (closeAfterStop_) {
    close();
    return;
  }
  if (std::exchange(closeConnectionAfterStop_, false)) OnCommand(cmd::kCloseConnection);
  if (queuedJobCode_) {
    const int code = *std::exchange(queuedJobCode_, std::nullopt);
    StartJob(code, std::move(queuedJobRequest_));
  }
  UpdateUi();
}

}  // namespace quillet::ui
