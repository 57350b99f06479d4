// Page turning and the row store: moving rows from the provider through the row buffer into
// the row cache.

#include "datasource/cmlib_exception.h"
#include "elements/element_slots.h"
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
  db::HRESULT hr = rowset_->GetNextRows(skip, 1, &obtained, &row);
  if (hr != db::S_OK) return hr;
  row_ = row;
  db::HRESULT got = rowset_->GetData(row_, accessor_, rowBuffer_.data());
  if (db::Failed(got)) {
    ReleaseCurrentRow();
    return got;
  }
  return db::S_OK;
}

void xElement_Table::StoreRow(int cacheRow) {
  for (std::size_t i = 0; i < cacheColumns_; ++i) {
    DataCellRef cell(rowBuffer_.data() + i * kDataCellSize);
    if (cell.Type() & db::DBTYPE_BYREF) CopyByRefValue(cell);
  }
  const std::size_t rowBytes = kDataCellSize * cacheColumns_;
  if (rowBytes == 0) return;
  std::memcpy(cache_.data() + rowBytes * static_cast<std::size_t>(cacheRow), rowBuffer_.data(),
              rowBytes);
}

void xElement_Table::ClearRowBuffer() {
  for (std::size_t i = 0; i < rowBuffer_.size() / kDataCellSize; ++i)
    ClearCell(DataCellRef(rowBuffer_.data() + i * kDataCellSize));
}

void xElement_Table::LoadPage(int page) {
  // Paging rewrites the row buffer and the cache, so it excludes readers of cells.
  std::lock_guard lock(dataLock_);
  if (!rowset_ || page == GetCurrentPage() || page < 0 || page >= GetPageCount()) return;
  {
    std::lock_guard pageLock(pageLock_);
    currentPage_ = page;
  }
  const long long first = static_cast<long long>(GetPageSize()) * page;

  ReleaseCurrentRow();
  db::HRESULT hr = rowset_->RestartPosition();
  if (db::Failed(hr)) RaiseProviderError(ids::kContextField, hr);
  hr = FetchRow(0);
  if (db::Failed(hr)) RaiseProviderError(ids::kContextField, hr);
  if (first > 0 && hr == db::S_OK) {
    ClearRowBuffer();
    hr = FetchRow(first - 1);
    if (db::Failed(hr)) {
      ReleaseCurrentRow();
      RaiseProviderError(ids::kContextField, hr);
    }
  }
  const int pageSize = GetPageSize();
  int k = 0;
  while (hr == db::S_OK && k < pageSize && k < cacheRows_) {
    StoreRow(k);
    ClearRowBuffer();
    if (++k >= pageSize) break;
    hr = FetchRow(0);
  }
  if (db::Failed(hr)) RaiseProviderError(ids::kContextField, hr);
}

std::unique_lock<std::recursive_mutex> xElement_Table::FetchRowAgain(long long row) {
  std::unique_lock lock(dataLock_);
  if (!rowset_) RaiseProviderError(ids::kContextField, db::E_UNEXPECTED);
  ReleaseCurrentRow();
  db::HRESULT hr = rowset_->RestartPosition();
  if (db::Succeeded(hr)) hr = FetchRow(0);
  if (db::Succeeded(hr) && hr == db::S_OK && row > 0) {
    ClearRowBuffer();
    hr = FetchRow(row - 1);
  }
  if (db::Failed(hr)) RaiseProviderError(ids::kContextField, hr);
  if (hr != db::S_OK) RaiseProviderError(ids::kContextField, db::DB_E_BADROWHANDLE);
  return lock;
}

DataCellRef xElement_Table::RowBufferCell(std::size_t index) {
  return DataCellRef(rowBuffer_.data() + index * kDataCellSize);
}

}  // namespace quillet
