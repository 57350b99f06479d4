#pragma once
// Cooperative stopping of a loading job. The job checks the flag between rows; Request() also
// interrupts the provider call that is running at that moment, so a long count or fetch ends
// promptly instead of the thread having to be killed.

#include <atomic>
#include <memory>
#include <mutex>

#include "datasource/provider_ops.h"

namespace quillet {

// Thrown inside a job when a stop was asked for; caught where the job's work began.
struct JobStopped {};

class JobCancel {
 public:
  bool IsRequested() const { return requested_.load(std::memory_order_acquire); }
  // Throws JobStopped when a stop was asked for.
  void ThrowIfRequested() const {
    if (IsRequested()) throw JobStopped{};
  }

  // Sets the flag and interrupts the provider object that is being watched.
  void Request();
  // Clears the flag for the next job.
  void Reset();

  // While alive, a Request() also cancels this rowset or command. When the flag is already set
  // the object is cancelled at once, so a stop that arrives just before the call still lands.
  class Watch {
   public:
    Watch(JobCancel* cancel, std::shared_ptr<db::IRowset> rowset);
    Watch(JobCancel* cancel, std::shared_ptr<db::ICommand> command);
    ~Watch();
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;

   private:
    JobCancel* cancel_;
  };

 private:
  void Attach(std::shared_ptr<db::IRowset> rowset, std::shared_ptr<db::ICommand> command);
  void Detach();

  std::atomic<bool> requested_{false};
  std::mutex mutex_;
  std::shared_ptr<db::IRowset> rowset_;
  std::shared_ptr<db::ICommand> command_;
};

}  // namespace quillet
