#include "elements/job_cancel.h"

namespace quillet {

void JobCancel::Request() {
  std::lock_guard lock(mutex_);
  requested_.store(true, std::memory_order_release);
  if (rowset_) rowset_->Cancel();
  if (command_) command_->Cancel();
}

void JobCancel::Reset() {
  std::lock_guard lock(mutex_);
  requested_.store(false, std::memory_order_release);
}

void JobCancel::Attach(std::shared_ptr<db::IRowset> rowset, std::shared_ptr<db::ICommand> command) {
  std::lock_guard lock(mutex_);
  rowset_ = std::move(rowset);
  command_ = std::move(command);
  if (requested_.load(std::memory_order_acquire)) {
    if (rowset_) rowset_->Cancel();
    if (command_) command_->Cancel();
  }
}

void JobCancel::Detach() {
  std::lock_guard lock(mutex_);
  rowset_.reset();
  command_.reset();
}

JobCancel::Watch::Watch(JobCancel* cancel, std::shared_ptr<db::IRowset> rowset) : cancel_(cancel) {
  if (cancel_) cancel_->Attach(std::move(rowset), nullptr);
}

JobCancel::Watch::Watch(JobCancel* cancel, std::shared_ptr<db::ICommand> command)
    : cancel_(cancel) {
  if (cancel_) cancel_->Attach(nullptr, std::move(command));
}

JobCancel::Watch::~Watch() {
  if (cancel_) cancel_->Detach();
}

}  // namespace quillet
