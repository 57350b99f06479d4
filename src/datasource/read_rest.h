#pragma once
// Letting go of an engine's read while the user is only looking. A rowset that has stepped a
// statement (SQLite) or opened a cursor in a transaction (a server) holds a read open in the
// engine: in SQLite that keeps other processes from writing, or keeps a WAL file from being
// checkpointed; on a server it holds locks that keep other sessions from changing the table's
// definition. Such a rowset asks for a rest once it has been left alone for a moment; resting
// ends the read but keeps the rowset's place, and its next use opens the read again there.

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>

#include "datasource/provider_ops.h"

namespace quillet::db {

// How long a rowset may sit unused before its read is ended. Short enough that a writer with
// an ordinary busy timeout gets through, long enough that page turns in a row go on from where
// the last one stopped.
inline constexpr std::chrono::milliseconds kReadRestDelay{1000};

class Restable {
 public:
  virtual ~Restable() = default;
  // Called on the rest thread when a rest that was asked for is due. Ends the read when the
  // rowset has not been used since `idleSince`; otherwise (in use, or used since) returns the
  // time at which to ask again.
  virtual std::optional<std::chrono::steady_clock::time_point> Rest(
      std::chrono::steady_clock::time_point idleSince) = 0;
};

// The bookkeeping every resting rowset shares: a lock between the rowset's user and the rest
// thread, the time of the last use, and whether a rest is asked for. The rowset says how it holds
// a read, how it ends one and how it opens it again at its place.
class RestingRead : public Restable {
 public:
  std::optional<std::chrono::steady_clock::time_point> Rest(
      std::chrono::steady_clock::time_point idleSince) final;

 protected:
  // For one call that needs the engine's read: opens it again after a rest, and asks for the
  // next rest once the call is over. A Use within another of the same rowset on the same thread
  // (each value of a row read under the row's) does nothing.
  class Use {
   public:
    // `keepPlace` false: the call moves the rowset back to its start, so a rest is forgotten
    // instead of undone.
    explicit Use(RestingRead& owner, bool keepPlace = true);
    ~Use();
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;
    // The result of opening the read again (S_OK when it was open).
    HRESULT Ready() const { return ready_; }

   private:
    RestingRead& owner_;
    std::unique_lock<std::mutex> lock_;
    const RestingRead* outer_ = nullptr;  // the rowset this thread held before, if any
    bool nested_ = false;
    HRESULT ready_ = S_OK;
  };

  // All these run with the lock held.
  virtual bool HoldsRead() const = 0;
  // Something handed out still reads through the open read (a stream over a long value).
  virtual bool ReadInUse() const { return false; }
  // Ends the read, keeping what is needed to find the place again.
  virtual void EndRead() = 0;
  virtual HRESULT ReopenRead() = 0;
  // The rowset as the rest thread holds it (it may be gone by the time a rest is due).
  virtual std::weak_ptr<Restable> RestHandle() = 0;

 private:
  std::mutex mutex_;
  std::chrono::steady_clock::time_point lastUse_;
  bool restAsked_ = false;
  bool rested_ = false;
};

// Asks for `rowset`'s Rest at `due` (one process-wide thread serves every request). A rowset
// that is gone by then is skipped.
void ScheduleRest(std::weak_ptr<Restable> rowset, std::chrono::steady_clock::time_point due);

}  // namespace quillet::db
