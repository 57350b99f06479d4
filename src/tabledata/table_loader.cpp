// Loading a table or query into the element: the pipeline that runs on the worker thread.

#include <cerrno>
#include <climits>
#include <cstring>
#include <new>

#include "datasource/cmlib_exception.h"
#include "datasource/text_convert.h"
#include "elements/element_slots.h"
#include "elements/job_cancel.h"
#include "elements/provider_error.h"
#include "resources/string_table.h"
#include "shell/frame_services.h"
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
  try {
    std::lock_guard lock(dataLock_);
    services.ReportProgressText(progress, "", 1);
    RunLoad(request, progress);
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

void xElement_Table::RunLoad(const ShowData& request, ProgressHandle progress) {
  FrameServices& services = Services();

  // The query: the custom one, else the whole table.
  services.ReportStep(progress, steps::kPrepareQuery, 2);
  const std::string query = request.query.empty() ? TableQuery(GetName()) : request.query;
  SetLastQuery(query);

  // The query runs once: its rowset gives the columns and then the rows.
  services.ReportStep(progress, steps::kColumnInfo, 5);
  std::shared_ptr<db::IRowset> rowset = ExecuteQuery(query, ids::kContextColumns);
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

  JobCancel::Watch watch(Cancel(), rowset_);

  services.ReportStep(progress, steps::kLoadData, 45);
  const long long count = CountRows();
  ThrowIfStopped();

  // One page of cache.
  services.ReportStep(progress, steps::kRowCache, 50);
  try {
    cache_.assign(kDataCellSize * columnCount * kCachePageRows, 0);
  } catch (const std::bad_alloc&) {
    throw cmlib::exception(std::strerror(ENOMEM));
  }
  cacheRows_ = kCachePageRows;
  cacheColumns_ = columnCount;
  SetPageSize(kCachePageRows);
  {
    std::lock_guard lock(pageLock_);
    currentPage_ = 0;
  }

  // The first page.
  services.ReportStep(progress, steps::kFillCache, 55);
  const std::string fillText = LoadResourceString(steps::kFillCache);
  hr = rowset_->RestartPosition();
  if (db::Succeeded(hr)) hr = FetchRow(0);
  int k = 0;
  while (hr == db::S_OK) {
    StoreRow(k);
    ClearRowBuffer();
    services.ReportProgressText(progress, fillText + " [ row number " + std::to_string(k + 1) + "]",
                                80);
    if (++k >= kCachePageRows) break;
    ThrowIfStopped();
    hr = FetchRow(0);
  }
  ThrowIfStopped();
  if (db::Failed(hr)) RaiseProviderError(ids::kContextTableData, hr);

  SetRowCount(count > INT_MAX ? INT_MAX : static_cast<int>(count));
  services.ReportProgressText(progress, "", 95);
}

long long xElement_Table::CountRows() {
  ReleaseCurrentRow();
  // A provider may count by itself, as long as the number is the walk's.
  std::int64_t counted = 0;
  db::HRESULT hr = rowset_->CountRows(&counted);
  if (hr == db::S_OK) return counted;
  ThrowIfStopped();
  long long count = 0;
  if (db::Failed(rowset_->RestartPosition())) return 0;
  while (true) {
    ThrowIfStopped();
    std::size_t obtained = 0;
    db::HROW row = db::DB_NULL_HROW;
    if (rowset_->GetNextRows(0, 1, &obtained, &row) != db::S_OK) break;
    rowset_->ReleaseRows(1, &row);
    ++count;
  }
  return count;
}

}  // namespace quillet
