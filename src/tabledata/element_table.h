#pragma once
// The element that shows the rows of one table or view (slots 5 and 6), or of a custom query.
// It loads on the worker thread: the query, its columns, the bindings into fixed-size cells and
// the first page of rows into a cache of 100 rows, which the data list draws from. The rows are
// counted afterwards, in the background. Page turns are jobs of the worker too: a page is read
// into a spare cache while the list goes on showing the old one, and the two change places at
// once, so the window never waits for a provider.

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "elements/element.h"
#include "elements/frame_services.h"
#include "tabledata/data_cell.h"

namespace quillet {

constexpr int kCachePageRows = 100;

class xElement_Table : public xElement, public Pager, public QueryHolder {
 public:
  xElement_Table(const ElementHost& host, unsigned nameId, int ownSlot, int parentSlot);
  ~xElement_Table() override;

  // xElement
  void show_data(const ShowData* request) override;
  std::unique_ptr<ShowData> RequestRefresh() override;
  void ReleaseData() override;
  bool HasData() const override;
  // The rows counted, or while the count runs the rows known so far.
  int GetRowCount() const override;
  char* get_data(int row, int column, char* buffer, std::size_t size) override;
  char* GetCellDescription(int row, int column, char* buffer, std::size_t size) override;
  std::string GetDisplayName() const override;
  Pager* GetPager() override { return this; }
  PluginHandOver* GetPluginHandOver() override { return pluginHandOver_; }
  QueryHolder* GetSqlTarget() override { return this; }

  // Pager
  void SetPageSize(int rows) override;
  int GetPageSize() const override;
  int GetPageCount() const override;
  int GetRowsInPage() const override;
  void LoadPage(int page) override;
  int GetCurrentPage() const override;
  bool RowCountKnown() const override { return countKnown_.load(); }
  int CachedRows() const override;
  void EnsureRowCount() override;
  bool CountRunning() const override;
  void StopCount() override;
  bool CountEnded(std::chrono::milliseconds wait) override;

  // QueryHolder
  std::string GetLastQuery() const override;
  void SetLastQuery(const std::string& query) override;

  void SetRowCount(int count);
  // The table or view name; another name drops the data loaded for the old one.
  void SetName(const std::string& name);
  // The table or view the next job shows, when its request names none. The name shown changes
  // only then, so the place being left is still known when the job begins.
  void ChooseName(const std::string& name);
  std::string ChosenName() const;
  std::string GetName() const;
  // The whole-table query for a name: "[name]" when it holds a blank.
  static std::string TableQuery(const std::string& name);

  std::vector<ColumnInfo> Columns() const;
  // The rows shown, opened again on their own the way the list opened them (the whole table by
  // name, in key order; a query as typed), for reading a value whole or exporting every row.
  // A failure is raised with the context string `contextId`.
  std::shared_ptr<db::IRowset> OpenShownRowsAgain(unsigned contextId);
  // Status of a cached cell (row in page, column from 1); the plug-in side uses it to treat a
  // value cut at the inline limit like long data.
  db::DBSTATUS CellStatus(int row, int column) const;

  void SetPluginHandOver(PluginHandOver* handOver) { pluginHandOver_ = handOver; }
  // The data lock: held while the rowset and the row buffer are used (a load, a page, a
  // re-fetch). Readers of the cache take a lock of their own, held only for a moment.
  std::unique_lock<std::recursive_mutex> LockData() const {
    return std::unique_lock<std::recursive_mutex>(dataLock_);
  }

  // Fetches absolute row `row` again into the row buffer under the data lock, for a reader
  // that needs a value whole (viewer hand-over). Throws cmlib::exception (context 60009).
  // The returned lock keeps the row buffer stable until it is dropped.
  std::unique_lock<std::recursive_mutex> FetchRowAgain(long long row);
  // The row buffer's cell of column `index` (0-based); valid while the data lock is held.
  DataCellRef RowBufferCell(std::size_t index);
  // Re-executes the last query for a reader of long values; valid while the data lock is held.
  SessionRef CurrentSession() const { return Session(); }

 private:
  void RedrawColumns();
  void LoadData(const ShowData& request);
  void RunLoad(const ShowData& request, ProgressHandle progress);
  std::shared_ptr<db::IRowset> OpenRows(const ShowData& request, const std::string& query,
                                        unsigned contextId);
  std::shared_ptr<db::IRowset> ExecuteQuery(const std::string& query, unsigned contextId);
  // Release the current row, fetch one row after `skip` rows, read it into the row buffer.
  db::HRESULT FetchRow(long long skip);
  // Fetches absolute row `first` (0-based), going on from where the rowset stands when it can.
  db::HRESULT FetchRowAt(long long first);
  // Reads up to a page of rows from absolute row `first` into `cache`; the rows read.
  int ReadPage(long long first, std::vector<std::uint8_t>& cache);
  void ReleaseCurrentRow();
  void StoreRow(std::vector<std::uint8_t>& cache, int cacheRow);
  void ClearRowBuffer();
  void ThrowIfStopped() const;
  // The count (and a keyed table's position index) on a thread of its own.
  void StartCount();
  void CountInBackground(std::shared_ptr<db::IRowset> rowset);
  long long WalkToCount();
  void SetCounted(long long count);
  // Waits for the count's thread, stopped or not.
  void JoinCount();

  // The rowset, its accessor and current row, the bindings and the row buffer.
  mutable std::recursive_mutex dataLock_;
  std::shared_ptr<db::IRowset> rowset_;
  std::atomic<bool> hasData_{false};
  db::HACCESSOR accessor_ = db::DB_NULL_HACCESSOR;
  db::HROW row_ = db::DB_NULL_HROW;
  // The absolute row the rowset's next fetch gives; -1 when only a restart says.
  long long nextRow_ = -1;
  std::vector<db::DBBINDING> bindings_;
  std::vector<std::uint8_t> rowBuffer_;
  // The page the list showed before the current one, for the next page to be read into.
  std::vector<std::uint8_t> spareCache_;

  // The page of rows the list shows: cells, their types, how many rows and which page.
  mutable std::mutex cacheLock_;
  std::vector<std::uint8_t> cache_;
  std::vector<db::DBTYPE> cellTypes_;
  std::size_t cacheColumns_ = 0;
  int cachedRows_ = 0;
  int currentPage_ = 0;

  mutable std::mutex pageSizeLock_;
  int pageSize_ = 0;
  mutable std::mutex rowCountLock_;
  int rowCount_ = 0;
  std::atomic<bool> countKnown_{true};
  mutable std::mutex columnsLock_;
  std::vector<ColumnInfo> columns_;
  mutable std::mutex queryLock_;
  std::string lastQuery_;
  mutable std::mutex tableNameLock_;
  std::string tableName_;
  std::string chosenName_;

  // The background count: its thread, whether the count is wanted, whether the thread runs.
  mutable std::mutex countLock_;
  std::condition_variable countDone_;
  std::thread countThread_;
  bool counting_ = false;
  bool countThreadRunning_ = false;

  PluginHandOver* pluginHandOver_ = nullptr;
  // The element's own hand-over (with its storage file); made with the element.
  std::unique_ptr<PluginHandOver> ownHandOver_;
};

}  // namespace quillet
