// Loading a table or query into the element: the pipeline that runs on the worker thread.

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <new>

#include "datasource/cmlib_exception.h"
#include "datasource/error_info.h"
#include "datasource/text_convert.h"
#include "elements/element_slots.h"
#include "elements/frame_services.h"
#include "elements/job_cancel.h"
#include "elements/provider_error.h"
#include "resources/string_table.h"
#include "tabledata/element_table.h"

namespace quillet {
namespace {

namespace steps {
constexpr unsigned kColumnInfo = 64510;
constexpr unsigned kAccessor = 64512;
constexpr unsigned kRedrawColumns = 64513;
constexpr unsigned kPrepareQuery = 64514;
constexpr unsigned kLoadData = 64515;
constexpr unsigned kRowCache = 64516;
constexpr unsigned kFillCache = 64517;
}  // namespace steps

}  // namespace

void xElement_Table::show_data(const ShowData* request) {
  if (!request) {
    ReportNullRequest("xElement_Table::show_data");
    return;
  }
  const std::string name = request->table.empty() ? ChosenName() : request->table;
  if (!name.empty()) SetName(name);
  if (request->reload) ReleaseData();
  if (!HasData())
    LoadData(*request);
  else if (request->redrawColumns)
    RedrawColumns();
}

void xElement_Table::RedrawColumns() {
  FrameServices& services = Services();
  const std::vector<ColumnInfo> columns = Columns();
  services.SetDataListRedraw(false);
  services.DeleteDataColumns();
  services.InsertDataColumn("", 0, -1);
  services.SetDataColumnWidth(0, 20);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    services.InsertDataColumn(columns[i].name, static_cast<int>(i + 1), -1);
    services.SetDataColumnWidth(static_cast<int>(i + 1), 100);
  }
  services.SetDataListRedraw(true);
  services.RedrawDataList();
}

void xElement_Table::ThrowIfStopped() const {
  if (Cancel()) Cancel()->ThrowIfRequested();
}

void xElement_Table::LoadData(const ShowData& request) {
  ReleaseData();
  FrameServices& services = Services();
  ProgressHandle progress = services.CreateProgressBar();
  bool loaded = false;
  try {
    std::lock_guard lock(dataLock_);
    services.ReportProgressText(progress, "", 1);
    RunLoad(request, progress);
    loaded = true;
  } catch (const cmlib::exception& e) {
    // A failure that comes from a stop is no error of the data; the load just ends.
    if (Cancel() && Cancel()->IsRequested())
      ReleaseData();
    else
      services.ReportError(e.text());
  } catch (const JobStopped&) {
    // Leave nothing half-loaded behind: the next request loads again from the start.
    ReleaseData();
  } catch (int) {
  } catch (...) {
    ReportUnknownError();
  }
  // The first page is in the cache: the list shows it while the rows are counted.
  if (loaded && !RowCountKnown()) StartCount();
  services.ReportProgressText(progress, "", 100);
  services.HideProgressBar(progress);
}

std::shared_ptr<db::IRowset> xElement_Table::ExecuteQuery(const std::string& query,
                                                          unsigned contextId) {
  SessionRef session = Session();
  if (!session) RaiseProviderError(contextId, db::E_UNEXPECTED);
  std::shared_ptr<db::ICommand> command;
  db::HRESULT hr = session->CreateCommand(&command);
  if (db::Succeeded(hr) && !command) hr = db::E_UNEXPECTED;
  if (db::Failed(hr)) RaiseProviderError(contextId, hr);
  hr = command->SetCommandText(db::DBGUID_DEFAULT, db::Utf8ToUtf16(query));
  if (db::Failed(hr)) RaiseProviderError(contextId, hr);
  std::shared_ptr<db::IRowset> rowset;
  {
    JobCancel::Watch watch(Cancel(), command);
    std::int64_t affected = 0;
    hr = command->Execute(&rowset, &affected);
  }
  ThrowIfStopped();
  if (db::Failed(hr)) RaiseProviderError(contextId, hr);
  // A statement without a result set has nothing to show.
  if (!rowset) RaiseProviderError(contextId, db::DB_E_NOTABLE);
  return rowset;
}

std::shared_ptr<db::IRowset> xElement_Table::OpenRows(const ShowData& request,
                                                      const std::string& query,
                                                      unsigned contextId) {
  // The whole table, opened by name where the provider can: it orders the rows by the
  // table's key, so any page can be reached by key.
  if (request.query.empty()) {
    if (SessionRef session = Session()) {
      std::shared_ptr<db::IRowset> rowset;
      const db::HRESULT hr = session->OpenRowset(db::Utf8ToUtf16(GetName()), &rowset);
      if (hr != db::E_NOTIMPL) {
        ThrowIfStopped();
        if (db::Failed(hr)) RaiseProviderError(contextId, hr);
        if (rowset) return rowset;
      }
    }
  }
  return ExecuteQuery(query, contextId);
}

std::shared_ptr<db::IRowset> xElement_Table::OpenShownRowsAgain(unsigned contextId) {
  const std::string query = GetLastQuery();
  ShowData request;
  if (query != TableQuery(GetName())) request.query = query;
  return OpenRows(request, query, contextId);
}

void xElement_Table::RunLoad(const ShowData& request, ProgressHandle progress) {
  FrameServices& services = Services();

  // The query: the custom one, else the whole table.
  services.ReportStep(progress, steps::kPrepareQuery, 2);
  const std::string query = request.query.empty() ? TableQuery(GetName()) : request.query;
  SetLastQuery(query);

  // The query runs once: its rowset gives the columns and then the rows.
  services.ReportStep(progress, steps::kColumnInfo, 5);
  std::shared_ptr<db::IRowset> rowset = OpenRows(request, query, ids::kContextColumns);
  {
    std::vector<db::DBCOLUMNINFO> info;
    db::HRESULT hr = rowset->GetColumnInfo(&info);
    if (db::Failed(hr)) RaiseProviderError(ids::kContextColumns, hr);
    std::vector<ColumnInfo> columns(info.size());
    for (const db::DBCOLUMNINFO& c : info) {
      if (c.iOrdinal < 1 || c.iOrdinal > info.size()) continue;
      columns[c.iOrdinal - 1] = ColumnInfo{db::Utf16ToUtf8(c.name), c.wType, c.ulColumnSize};
    }
    std::lock_guard lock(columnsLock_);
    columns_ = std::move(columns);
  }
  ThrowIfStopped();
  const std::vector<ColumnInfo> columns = Columns();
  const std::size_t columnCount = columns.size();

  // The row buffer, one cell per column, and the bindings into it.
  services.ReportStep(progress, steps::kAccessor, 15);
  rowBuffer_.assign(kDataCellSize * columnCount, 0);
  for (std::size_t i = 0; i < columnCount; ++i)
    InitCell(DataCellRef(rowBuffer_.data() + i * kDataCellSize), columns[i]);
  services.ReportStep(progress, steps::kAccessor, 20);
  bindings_.clear();
  for (std::size_t i = 0; i < columnCount; ++i) bindings_.push_back(MakeBinding(i, columns[i]));

  services.ReportStep(progress, steps::kRedrawColumns, 25);
  if (request.redrawColumns) RedrawColumns();

  // The accessor on the rowset.
  services.ReportStep(progress, steps::kLoadData, 30);
  db::HACCESSOR accessor = db::DB_NULL_HACCESSOR;
  db::HRESULT hr = rowset->CreateAccessor(db::DBACCESSOR_ROWDATA, bindings_,
                                          kDataCellSize * columnCount, &accessor);
  if (db::Failed(hr)) RaiseProviderError(ids::kContextTableData, hr);
  rowset_ = rowset;
  accessor_ = accessor;
  nextRow_ = 0;

  JobCancel::Watch watch(Cancel(), rowset_);

  // One page of cache.
  services.ReportStep(progress, steps::kRowCache, 50);
  std::vector<std::uint8_t> cache;
  try {
    cache.assign(kDataCellSize * columnCount * kCachePageRows, 0);
  } catch (const std::bad_alloc&) {
    throw cmlib::exception(std::strerror(ENOMEM));
  }
  SetPageSize(kCachePageRows);

  // The first page; the rows are counted once it shows.
  services.ReportStep(progress, steps::kFillCache, 55);
  const std::string fillText = LoadResourceString(steps::kFillCache);
  hr = FetchRow(0);
  int k = 0;
  while (hr == db::S_OK) {
    StoreRow(cache, k);
    ClearRowBuffer();
    services.ReportProgressText(progress, fillText + " [ row number " + std::to_string(k + 1) + "]",
                                80);
    if (++k >= kCachePageRows) break;
    ThrowIfStopped();
    hr = FetchRow(0);
  }
  ThrowIfStopped();
  if (db::Failed(hr)) RaiseProviderError(ids::kContextTableData, hr);
  {
    std::lock_guard lock(cacheLock_);
    cache_.swap(cache);
    cellTypes_.clear();
    for (std::size_t i = 0; i < columnCount; ++i)
      cellTypes_.push_back(DataCellRef(rowBuffer_.data() + i * kDataCellSize).Type());
    cacheColumns_ = columnCount;
    cachedRows_ = k;
    currentPage_ = 0;
  }
  // A short first page is the whole result; a full one may go on.
  SetRowCount(k);
  countKnown_ = k < kCachePageRows;
  hasData_ = true;
  services.ReportProgressText(progress, "", 95);
}

void xElement_Table::StartCount() {
  std::thread previous;
  {
    std::lock_guard lock(countLock_);
    if (counting_ || !rowset_) return;
    previous = std::move(countThread_);
  }
  // A stopped count's thread ends before the next one begins (only the loading thread starts
  // counts, so nothing starts one meanwhile).
  if (previous.joinable()) previous.join();
  std::lock_guard lock(countLock_);
  counting_ = true;
  countThreadRunning_ = true;
  countThread_ = std::thread([this, rowset = rowset_] { CountInBackground(rowset); });
}

void xElement_Table::CountInBackground(std::shared_ptr<db::IRowset> rowset) {
  try {
    std::int64_t counted = 0;
    const db::HRESULT hr = rowset->CountRows(&counted);
    if (hr == db::S_OK) {
      SetCounted(counted);
    } else if (hr == db::E_NOTIMPL) {
      // The provider cannot count on the side: the rows are walked, the rowset kept meanwhile.
      SetCounted(WalkToCount());
    } else if (hr != db::DB_E_CANCELED) {
      RaiseProviderError(ids::kContextTableData, hr);
    }
    // Then what lets a jump reach any page at once (a keyed table's index); quietly without.
    if (RowCountKnown()) rowset->BuildPositionIndex();
  } catch (const cmlib::exception& e) {
    Services().ReportError(e.text());
  } catch (...) {
  }
  db::ClearErrorInfo();
  {
    std::lock_guard lock(countLock_);
    counting_ = false;
    countThreadRunning_ = false;
  }
  countDone_.notify_all();
  Services().PagerChanged();
}

long long xElement_Table::WalkToCount() {
  std::lock_guard lock(dataLock_);
  if (!rowset_) return 0;
  ReleaseCurrentRow();
  nextRow_ = -1;
  if (db::Failed(rowset_->RestartPosition())) return 0;
  long long count = 0;
  while (true) {
    std::size_t obtained = 0;
    db::HROW row = db::DB_NULL_HROW;
    if (rowset_->GetNextRows(0, 1, &obtained, &row) != db::S_OK) break;
    rowset_->ReleaseRows(1, &row);
    ++count;
    if (count % 1024 == 0 && !CountRunning()) break;
  }
  return count;
}

void xElement_Table::SetCounted(long long count) {
  SetRowCount(count > INT_MAX ? INT_MAX : static_cast<int>(count));
  countKnown_ = true;
}

bool xElement_Table::CountRunning() const {
  std::lock_guard lock(countLock_);
  return counting_;
}

void xElement_Table::StopCount() {
  std::lock_guard lock(countLock_);
  if (!counting_) return;
  counting_ = false;  // a walk looks at this between rows
  if (rowset_) rowset_->CancelCount();
}

bool xElement_Table::CountEnded(std::chrono::milliseconds wait) {
  std::unique_lock lock(countLock_);
  return countDone_.wait_for(lock, wait, [this] { return !countThreadRunning_; });
}

void xElement_Table::JoinCount() {
  std::thread thread;
  {
    std::lock_guard lock(countLock_);
    thread = std::move(countThread_);
  }
  if (thread.joinable()) thread.join();
}

void xElement_Table::EnsureRowCount() {
  while (!RowCountKnown()) {
    if (!CountRunning()) StartCount();
    std::unique_lock lock(countLock_);
    countDone_.wait_for(lock, std::chrono::milliseconds(50), [this] { return !counting_; });
    lock.unlock();
    if (Cancel() && Cancel()->IsRequested()) {
      StopCount();
      ThrowIfStopped();
    }
    // A count that ended without a number (it failed and said so) is not tried again.
    if (!CountRunning() && !RowCountKnown()) throw JobStopped{};
  }
}

}  // namespace quillet
