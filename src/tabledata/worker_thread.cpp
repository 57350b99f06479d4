#include "tabledata/worker_thread.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <utility>

#include "datasource/cmlib_exception.h"
#include "elements/element.h"
#include "elements/element_set.h"
#include "elements/element_slots.h"
#include "elements/frame_services.h"
#include "elements/text_format.h"
#include "resources/string_table.h"
#include "tabledata/data_list_model.h"

namespace quillet {
namespace {

// Sets the idle state again however the job ends.
class IdleOnExit {
 public:
  explicit IdleOnExit(IdleState& idle) : idle_(idle) {}
  ~IdleOnExit() { idle_.Set(); }
  IdleOnExit(const IdleOnExit&) = delete;
  IdleOnExit& operator=(const IdleOnExit&) = delete;

 private:
  IdleState& idle_;
};

// The job the thread runs, for the frame to tell a stopped job's late calls from current ones.
thread_local unsigned tlsJob = 0;

}  // namespace

WorkerThread::WorkerThread(xElementSet& elements, FrameServices& services, DataListModel& dataList,
                           JobCancel& cancel)
    : elements_(elements), services_(services), dataList_(dataList), cancel_(cancel) {}

WorkerThread::~WorkerThread() {
  Stop();
}

void WorkerThread::Start() {
  Stop();
  const unsigned job = ++lastJob_;
  {
    std::lock_guard lock(endLock_);
    running_ = true;
  }
  try {
    thread_ = std::thread([this, job] {
      tlsJob = job;
      try {
        exitCode_ = Run();
      } catch (...) {
        exitCode_ = -1;
      }
      {
        std::lock_guard lock(endLock_);
        running_ = false;
      }
      endChanged_.notify_all();
      if (ended_) ended_();
    });
  } catch (const std::system_error& e) {
    {
      std::lock_guard lock(endLock_);
      running_ = false;
    }
    throw cmlib::exception(std::string("Error during create thread: ") +
                           std::strerror(e.code().value()));
  }
}

bool WorkerThread::Stop(std::chrono::milliseconds wait) {
  cancel_.Request();
  if (thread_.joinable()) {
    std::unique_lock lock(endLock_);
    if (!endChanged_.wait_for(lock, wait, [this] { return !running_; })) {
      stopping_ = true;
      return false;
    }
    lock.unlock();
    thread_.join();
  }
  std::lock_guard lock(endLock_);
  stopping_ = false;
  cancel_.Reset();
  return true;
}

void WorkerThread::Stop() {
  cancel_.Request();
  if (thread_.joinable()) thread_.join();
  std::lock_guard lock(endLock_);
  stopping_ = false;
  cancel_.Reset();
}

bool WorkerThread::IsStopping() const {
  std::lock_guard lock(endLock_);
  return stopping_ && running_;
}

void WorkerThread::DisownJobs() {
  disownedThrough_ = lastJob_;
}

unsigned WorkerThread::ThisThreadJob() {
  return tlsJob;
}

void WorkerThread::Join() {
  if (thread_.joinable()) thread_.join();
}

bool WorkerThread::IsBusy() const {
  return (thread_.joinable() && !idle_.IsIdle()) || paging_.load();
}

void WorkerThread::SetPageJob(PageJob job) {
  std::lock_guard lock(jobLock_);
  pageJob_ = job;
  paging_ = true;
}

void WorkerThread::SetTaskJob(std::function<void()> task) {
  std::lock_guard lock(jobLock_);
  taskJob_ = std::move(task);
  paging_ = true;
}

void WorkerThread::SetJobCode(int code) {
  std::lock_guard lock(jobLock_);
  jobCode_ = code;
}

int WorkerThread::JobCode() const {
  std::lock_guard lock(jobLock_);
  return jobCode_;
}

void WorkerThread::SetPendingRequest(std::unique_ptr<ShowData> request) {
  std::lock_guard lock(jobLock_);
  pending_ = std::move(request);
}

int WorkerThread::Run() {
  std::optional<PageJob> pageJob;
  std::function<void()> task;
  {
    std::lock_guard lock(jobLock_);
    pageJob = std::exchange(pageJob_, std::nullopt);
    task = std::exchange(taskJob_, nullptr);
  }
  if (task) {
    try {
      task();
    } catch (...) {
    }
    paging_ = false;
    services_.JobEnded();
    return 0;
  }
  if (pageJob) {
    RunPage(*pageJob);
    paging_ = false;
    return 0;
  }
  // Another job may still be finishing its last steps.
  while (!idle_.WaitFor(std::chrono::milliseconds(500)))
    if (cancel_.IsRequested()) return 0;
  idle_.Reset();
  IdleOnExit idleOnExit(idle_);
  services_.EnableQuickViewBar(false);

  // The job takes its code and request at once, so a selection made while it runs (which
  // writes the next code and request, then stops this job) is left for the next job.
  int code = 0;
  std::unique_ptr<ShowData> request;
  {
    std::lock_guard lock(jobLock_);
    code = std::exchange(jobCode_, 0);
    request = std::move(pending_);
  }
  const int slot = code < 0 ? -code : code;
  int shown = 0;
  if (slot >= 1 && slot <= 6) {
    ShowSlot(slot, code > 0, std::move(request));
    shown = slot;
  }
  Finish(shown);
  return 0;
}

void WorkerThread::ShowSlot(int slot, bool addPoint, std::unique_ptr<ShowData> request) {
  // The place being left, taken before the element shows something else: a table shown after
  // another is the same element.
  const int previous = addPoint && addPoint_ ? elements_.ListSlot() : 0;
  std::string leftText;
  std::unique_ptr<ShowData> leftRequest;
  long long leftRow = -1;
  if (previous >= 1) {
    xElement* before = elements_.Element(previous);
    leftText = before->GetDisplayName();
    leftRequest = before->RequestRefresh();
    if (Pager* pager = before->GetPager(); pager != nullptr && dataList_.Element() == before)
      leftRow = static_cast<long long>(pager->GetCurrentPage()) * pager->GetPageSize() +
                dataList_.CurrentRow();
  }

  ListSettings style = elements_.EffectiveListSettings(slot);
  services_.SetDataListStyle(style.viewStyle, style.extendedStyle);

  if (!request) request = std::make_unique<ShowData>();

  xElement* element = elements_.Element(slot);
  try {
    element->show_data(request.get());
  } catch (const cmlib::exception& e) {
    services_.ReportError(e.text());
  } catch (const JobStopped&) {
  } catch (...) {
    services_.ShowMessage(LoadResourceString(60000), LoadResourceString(60004), MessageIcon::Error);
  }
  request.reset();

  if (previous >= 1) addPoint_(previous, leftText, std::move(leftRequest), leftRow);
}

void WorkerThread::Finish(int shownSlot) {
  if (shownSlot > 0) {
    xElement* element = elements_.Element(shownSlot);
    dataList_.SetElement(element);
    elements_.SetListSlot(shownSlot);
    services_.SetStatusPaneText(57393,
                                FormatText(LoadResourceString(57393), element->GetDisplayName()));
    int count = element->GetRowCount();
    if (Pager* pager = element->GetPager()) count = std::min(count, pager->GetPageSize());
    services_.SetDataListItemCount(count);
    services_.SetStatusPaneText(57391, FormatNumbers(LoadResourceString(57391), {count}));
    QueryHolder* holder = element->GetSqlTarget();
    services_.SetSqlText(holder ? holder->GetLastQuery() : std::string());
  }
  idle_.Set();
  services_.EnableQuickViewBar(true);
  services_.RedrawDataList();
  services_.JobEnded();
}

void WorkerThread::RunPage(const PageJob& job) {
  xElement* element = elements_.Element(elements_.ListSlot());
  Pager* pager = element != nullptr && element->HasData() ? element->GetPager() : nullptr;
  if (pager == nullptr) {
    services_.PageShown(-1, -1);
    return;
  }
  int cursorRow = job.cursorRow;
  bool shown = false;
  const ProgressHandle progress = services_.CreateProgressBar();
  try {
    const int size = std::max(1, pager->GetPageSize());
    long long page = job.value;
    if (job.target == PageJob::Target::Row) {
      page = job.value / size;
      cursorRow = static_cast<int>(job.value % size);
    } else if (job.target == PageJob::Target::Last) {
      services_.ReportProgressText(progress, LoadResourceString(ids::kCountingRowsText), 10);
      pager->EnsureRowCount();
      page = std::max(0, pager->GetPageCount() - 1);
    }
    page = std::clamp<long long>(page, 0, INT_MAX);
    services_.ReportProgressText(
        progress, FormatText(LoadResourceString(ids::kLoadingPageText), FormatThousands(page + 1)),
        50);
    pager->LoadPage(static_cast<int>(page));
    // Past the end of rows that were still being counted the page shown stays.
    shown = pager->GetCurrentPage() == page;
    if (!shown) cursorRow = -1;
  } catch (const cmlib::exception& e) {
    // A failure that comes from a stop is no error of the data.
    if (!cancel_.IsRequested()) services_.ReportError(e.text());
    cursorRow = -1;
  } catch (const JobStopped&) {
    cursorRow = -1;
  } catch (...) {
    cursorRow = -1;
    services_.ShowMessage(LoadResourceString(60000), LoadResourceString(60004), MessageIcon::Error);
  }
  if (shown && job.target == PageJob::Target::Last) cursorRow = pager->CachedRows() - 1;
  services_.ReportProgressText(progress, "", 100);
  services_.HideProgressBar(progress);
  services_.PageShown(pager->CachedRows(), cursorRow);
}

}  // namespace quillet
