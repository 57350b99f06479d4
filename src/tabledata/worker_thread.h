#pragma once
// The frame's loading thread: one job at a time shows one element slot, reports through the
// frame's services and hands the result to the data list. Stopping is cooperative: the job is
// asked to end (and its provider call interrupted) and then joined, so no thread is killed and
// no lock is left held. The frame waits for that only briefly: a provider that keeps a call
// going after the interruption leaves the job ending on its own, and the ended callback says
// when it has.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "elements/job_cancel.h"
#include "elements/show_data.h"
#include "tabledata/idle_state.h"

namespace quillet {

class DataListModel;
class FrameServices;
class xElementSet;

// A page of the list slot's element to show: a page by number, the page of an absolute row,
// or the last page (once the rows are counted). The cursor goes to `cursorRow` in the page
// (-1 leaves it; for a row, the row's place in its page).
struct PageJob {
  enum class Target { Page, Row, Last };
  Target target = Target::Page;
  long long value = 0;
  int cursorRow = -1;
};

class WorkerThread {
 public:
  // Adds a navigation point for the place that was shown before: the slot, its status text, the
  // request its element gives to show it again, and the absolute row of the cursor in its rows
  // (-1 without paging).
  using AddPointFn = std::function<void(int slot, const std::string& statusText,
                                        std::unique_ptr<ShowData>, long long row)>;

  WorkerThread(xElementSet& elements, FrameServices& services, DataListModel& dataList,
               JobCancel& cancel);
  virtual ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Starts a thread that runs the job; a previous job is stopped first, waiting as long as it
  // takes (the frame stops it beforehand with a bound). Throws cmlib::exception when no thread
  // can be made.
  void Start();
  // Asks the running job to end and waits for its thread at most `wait`. True when no job
  // thread is left, so the next job may start; false while the job is still ending: it goes
  // on being asked to stop, and the ended callback runs once it has.
  bool Stop(std::chrono::milliseconds wait);
  // Stops the running job, waiting as long as it takes.
  void Stop();
  // A job asked to stop that has not ended yet.
  bool IsStopping() const;
  // Called on the job's thread as its very last step, however the job ended.
  void SetEndedCallback(std::function<void()> ended) { ended_ = std::move(ended); }

  // Whatever the running job still sends to the frame is no longer wanted (what it shows is
  // being replaced or closed): the frame drops the calls of this and every earlier job.
  void DisownJobs();
  // The job the calling thread runs; 0 on any other thread.
  static unsigned ThisThreadJob();
  // Whether calls made by job `job` are still wanted.
  bool IsOwnedJob(unsigned job) const { return job > disownedThrough_.load(); }
  // Waits for the running job to end by itself.
  void Join();
  // The job body; returns 0.
  virtual int Run();

  // Slot to show (1..6), negated when the job must not add a navigation point; 0 for none.
  void SetJobCode(int code);
  int JobCode() const;
  void SetPendingRequest(std::unique_ptr<ShowData> request);
  // Makes the next job a page job. A page job keeps the list readable: it leaves the idle state
  // alone and is busy through IsPaging instead.
  void SetPageJob(PageJob job);
  bool IsPaging() const { return paging_.load(); }
  // Makes the next job a task of its own (an export): like a page job it leaves the list
  // readable, and keeps the worker busy until it ends. The task reports through the frame's
  // services itself; whatever it throws is caught.
  void SetTaskJob(std::function<void()> task);
  void SetAddPoint(AddPointFn addPoint) { addPoint_ = std::move(addPoint); }

  bool IsIdle() const { return idle_.IsIdle(); }
  // A thread exists and its job has not ended.
  bool IsBusy() const;
  const IdleState& Idle() const { return idle_; }
  // Exit code of the last thread: Run's result, or -1 when an exception left it.
  int LastExitCode() const { return exitCode_; }

 private:
  void ShowSlot(int slot, bool addPoint, std::unique_ptr<ShowData> request);
  void Finish(int shownSlot);
  void RunPage(const PageJob& job);

  xElementSet& elements_;
  FrameServices& services_;
  DataListModel& dataList_;
  JobCancel& cancel_;
  IdleState idle_;
  AddPointFn addPoint_;

  mutable std::mutex jobLock_;
  int jobCode_ = 0;
  std::unique_ptr<ShowData> pending_;
  std::optional<PageJob> pageJob_;
  std::function<void()> taskJob_;
  std::atomic<bool> paging_{false};  // a page or task job is on its way or running

  std::thread thread_;
  int exitCode_ = 0;
  std::function<void()> ended_;
  mutable std::mutex endLock_;
  std::condition_variable endChanged_;
  bool running_ = false;   // the thread has not ended its job yet
  bool stopping_ = false;  // a stop did not see it end
  unsigned lastJob_ = 0;
  std::atomic<unsigned> disownedThrough_{0};
};

}  // namespace quillet
