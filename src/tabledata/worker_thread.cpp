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

}  // namespace

WorkerThread::WorkerThread(xElementSet& elements, FrameServices& services, DataListModel& dataList,
                           JobCancel& cancel)
    : elements_(elements), services_(services), dataList_(dataList), cancel_(cancel) {}

WorkerThread::~WorkerThread() {
  Stop();
}

void WorkerThread::Start() {
  Stop();
  try {
    thread_ = std::thread([this] {
      try {
        exitCode_ = Run();
      } catch (...) {
        exitCode_ = -1;
      }
    });
  } catch (const std::system_error& e) {
    throw cmlib::exception(std::string("Error during create thread: ") +
                           std::strerror(e.code().value()));
  }
}

void WorkerThread::Stop() {
  cancel_.Request();
  if (thread_.joinable()) thread_.join();
  cancel_.Reset();
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
  {
    std::lock_guard lock(jobLock_);
    pageJob = std::exchange(pageJob_, std::nullopt);
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
  const int previous = addPoint ? elements_.ListSlot() : 0;
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

  if (previous >= 1 && addPoint_) {
    xElement* before = elements_.Element(previous);
    addPoint_(previous, before->GetDisplayName(), before->RequestRefresh());
  }
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
