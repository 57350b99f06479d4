// Page turning and the row store: moving rows from the provider through the row buffer into
// the row cache.

#include <climits>

#include "datasource/cmlib_exception.h"
#include "elements/element_slots.h"
#include "elements/job_cancel.h"
#include "elements/provider_error.h"
#include "tabledata/element_table.h"

namespace quillet {

void xElement_Table::ReleaseCurrentRow() {
  if (rowset_ && row_ != db::DB_NULL_HROW) rowset_->ReleaseRows(1, &row_);
  row_ = db::DB_NULL_HROW;
}

db::HRESULT xElement_Table::FetchRow(long long skip) {
  ReleaseCurrentRow();
  std::size_t obtained = 0;
  db::HROW row = db::DB_NULL_HROW;
  const long long from = nextRow_;
  nextRow_ = -1;  // until the fetch says where the rowset stands
  db::HRESULT hr = rowset_->GetNextRows(skip, 1, &obtained, &row);
  if (hr != db::S_OK) return hr;
  row_ = row;
  if (from >= 0) nextRow_ = from + skip + 1;
  db::HRESULT got = rowset_->GetData(row_, accessor_, rowBuffer_.data());
  if (db::Failed(got)) {
    ReleaseCurrentRow();
    return got;
  }
  return db::S_OK;
}

db::HRESULT xElement_Table::FetchRowAt(long long first) {
  // Forward from where the rowset stands (the next page after the one just read costs one page
  // of rows); anything behind it from the start, which a provider skips by key or by its
  // cursor where it can.
  if (nextRow_ >= 0 && first >= nextRow_) return FetchRow(first - nextRow_);
  ReleaseCurrentRow();
  const db::HRESULT hr = rowset_->RestartPosition();
  if (db::Failed(hr)) return hr;
  nextRow_ = 0;
  return FetchRow(first);
}

void xElement_Table::StoreRow(std::vector<std::uint8_t>& cache, int cacheRow) {
  const std::size_t columns = rowBuffer_.size() / kDataCellSize;
  for (std::size_t i = 0; i < columns; ++i) {
    DataCellRef cell(rowBuffer_.data() + i * kDataCellSize);
    if (cell.Type() & db::DBTYPE_BYREF) CopyByRefValue(cell);
  }
  const std::size_t rowBytes = kDataCellSize * columns;
  if (rowBytes == 0) return;
  std::memcpy(cache.data() + rowBytes * static_cast<std::size_t>(cacheRow), rowBuffer_.data(),
              rowBytes);
}

void xElement_Table::ClearRowBuffer() {
  for (std::size_t i = 0; i < rowBuffer_.size() / kDataCellSize; ++i)
    ClearCell(DataCellRef(rowBuffer_.data() + i * kDataCellSize));
}

int xElement_Table::ReadPage(long long first, std::vector<std::uint8_t>& cache) {
  const int pageSize = std::min(GetPageSize(), kCachePageRows);
  db::HRESULT hr = FetchRowAt(first);
  int k = 0;
  while (hr == db::S_OK && k < pageSize) {
    StoreRow(cache, k);
    ClearRowBuffer();
    if (++k >= pageSize) break;
    ThrowIfStopped();
    hr = FetchRow(0);
  }
  if (db::Failed(hr)) RaiseProviderError(ids::kContextField, hr);
  return k;
}

void xElement_Table::LoadPage(int page) {
  // The rowset is this job's; the list keeps reading the old page until the new one is
  // complete and the two change places.
  std::lock_guard lock(dataLock_);
  if (!rowset_ || page < 0 || page == GetCurrentPage()) return;
  if (RowCountKnown() && page >= GetPageCount()) return;
  JobCancel::Watch watch(Cancel(), rowset_);
  const long long first = static_cast<long long>(GetPageSize()) * page;
  // The page before last is read over: every row read is stored whole, and no row past those
  // read is ever shown, so it needs no clearing (a fresh one would cost more than the rows).
  std::vector<std::uint8_t> cache = std::move(spareCache_);
  cache.resize(kDataCellSize * (rowBuffer_.size() / kDataCellSize) * kCachePageRows);
  const int rows = ReadPage(first, cache);
  ThrowIfStopped();
  // A page that ends the rows tells how many there are, before any count does.
  if (!RowCountKnown()) {
    if (rows < GetPageSize()) {
      SetCounted(first + rows);
    } else if (first + rows > GetRowCount()) {
      SetRowCount(first + rows > INT_MAX ? INT_MAX : static_cast<int>(first + rows));
    }
  }
  if (rows == 0) return;  // past the end: the page shown stays
  {
    std::lock_guard cacheLock(cacheLock_);
    cache_.swap(cache);
    cachedRows_ = rows;
    currentPage_ = page;
  }
  spareCache_ = std::move(cache);
}

std::unique_lock<std::recursive_mutex> xElement_Table::FetchRowAgain(long long row) {
  std::unique_lock lock(dataLock_);
  if (!rowset_) RaiseProviderError(ids::kContextField, db::E_UNEXPECTED);
  const db::HRESULT hr = FetchRowAt(row);
  if (db::Failed(hr)) RaiseProviderError(ids::kContextField, hr);
  if (hr != db::S_OK) RaiseProviderError(ids::kContextField, db::DB_E_BADROWHANDLE);
  return lock;
}

DataCellRef xElement_Table::RowBufferCell(std::size_t index) {
  return DataCellRef(rowBuffer_.data() + index * kDataCellSize);
}

}  // namespace quillet
