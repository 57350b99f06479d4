#pragma once

#include <string>

namespace quillet {

// Page turning over the row cache of a table element; the data list drives it.
class Pager {
 public:
  virtual ~Pager() = default;
  virtual void SetPageSize(int rows) = 0;
  virtual int GetPageSize() const = 0;
  virtual int GetPageCount() const = 0;
  virtual int GetRowsInPage() const = 0;
  // Loads page `page` into the cache; throws cmlib::exception on a provider failure.
  virtual void LoadPage(int page) = 0;
  virtual int GetCurrentPage() const = 0;
};

// An element that can run a custom query offers one of these to the SQL window.
class QueryHolder {
 public:
  virtual ~QueryHolder() = default;
  virtual std::string GetLastQuery() const = 0;
  virtual void SetLastQuery(const std::string& query) = 0;
};

}  // namespace quillet
