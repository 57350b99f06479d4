#pragma once

#include <chrono>
#include <string>

namespace quillet {

// Page turning over the row cache of a table element; the data list drives it, through jobs of
// the loading thread. The first page shows before the rows are counted: the count goes on in
// the background, and until it ends the element's row count is the rows known so far.
class Pager {
 public:
  virtual ~Pager() = default;
  virtual void SetPageSize(int rows) = 0;
  virtual int GetPageSize() const = 0;
  virtual int GetPageCount() const = 0;
  virtual int GetRowsInPage() const = 0;
  // Loads page `page` into the cache; throws cmlib::exception on a provider failure and
  // JobStopped when the job is stopped (the page shown before stays).
  virtual void LoadPage(int page) = 0;
  virtual int GetCurrentPage() const = 0;

  // False while the rows are still being counted.
  virtual bool RowCountKnown() const { return true; }
  // The rows the cache holds now (the list's item count while a page is shown).
  virtual int CachedRows() const { return GetRowsInPage(); }
  // Waits until the rows are counted, counting them now when no count runs; throws JobStopped
  // when the job is stopped meanwhile. Runs on the loading thread.
  virtual void EnsureRowCount() {}
  // A count or another background walk of the rows is running. StopCount asks it to end and
  // returns at once; CountEnded waits at most `wait` for its thread and says whether it is over.
  virtual bool CountRunning() const { return false; }
  virtual void StopCount() {}
  virtual bool CountEnded(std::chrono::milliseconds wait) {
    (void)wait;
    return true;
  }
};

// An element that can run a custom query offers one of these to the SQL window.
class QueryHolder {
 public:
  virtual ~QueryHolder() = default;
  virtual std::string GetLastQuery() const = 0;
  virtual void SetLastQuery(const std::string& query) = 0;
};

}  // namespace quillet
