#pragma once
// The element that shows the rows of one table or view (slots 5 and 6), or of a custom query.
// It loads on the worker thread: the query, its columns, the bindings into fixed-size cells,
// a row count and the first page of rows into a cache of 100 rows; the data list draws its
// cells from that cache and turns pages through the pager.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "elements/element.h"
#include "shell/frame_services.h"
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

  // QueryHolder
  std::string GetLastQuery() const override;
  void SetLastQuery(const std::string& query) override;

  void SetRowCount(int count);
  // The table or view name; another name drops the data loaded for the old one.
  void SetName(const std::string& name);
  std::string GetName() const;
  // The whole-table query for a name: "[name]" when it holds a blank.
  static std::string TableQuery(const std::string& name);

  std::vector<ColumnInfo> Columns() const;
  // Status of a cached cell (row in page, column from 1); the plug-in side uses it to treat a
  // value cut at the inline limit like long data.
  db::DBSTATUS CellStatus(int row, int column) const;

  void SetPluginHandOver(PluginHandOver* handOver) { pluginHandOver_ = handOver; }
  // The data lock, for a reader that needs several cells or the row buffer to stay put.
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
  std::shared_ptr<db::IRowset> ExecuteQuery(const std::string& query, unsigned contextId);
  long long CountRows();
  // Release the current row, fetch one row after `skip` rows, read it into the row buffer.
  db::HRESULT FetchRow(long long skip);
  void ReleaseCurrentRow();
  void StoreRow(int cacheRow);
  void ClearRowBuffer();
  void ThrowIfStopped() const;

  mutable std::recursive_mutex dataLock_;
  std::shared_ptr<db::IRowset> rowset_;
  db::HACCESSOR accessor_ = db::DB_NULL_HACCESSOR;
  db::HROW row_ = db::DB_NULL_HROW;
  std::vector<db::DBBINDING> bindings_;
  std::vector<std::uint8_t> rowBuffer_;
  std::vector<std::uint8_t> cache_;
  int cacheRows_ = 0;
  std::size_t cacheColumns_ = 0;

  mutable std::mutex pageSizeLock_;
  int pageSize_ = 0;
  mutable std::mutex pageLock_;
  int currentPage_ = 0;
  mutable std::mutex rowCountLock_;
  int rowCount_ = 0;
  mutable std::mutex columnsLock_;
  std::vector<ColumnInfo> columns_;
  mutable std::mutex queryLock_;
  std::string lastQuery_;
  mutable std::mutex tableNameLock_;
  std::string tableName_;

  PluginHandOver* pluginHandOver_ = nullptr;
  // The element's own hand-over (with its storage file); made with the element.
  std::unique_ptr<PluginHandOver> ownHandOver_;
};

}  // namespace quillet
