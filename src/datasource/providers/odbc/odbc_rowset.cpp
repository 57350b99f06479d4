#include "datasource/providers/odbc/odbc_rowset.h"

#include <sqlext.h>

#include <algorithm>
#include <cstring>

#include "datasource/error_info.h"
#include "datasource/providers/odbc/odbc_diag.h"
#include "datasource/providers/odbc/odbc_read.h"

namespace quillet::db::odbc {
namespace {

// Rows stepped over between two looks at the cancel flag.
constexpr std::int64_t kCancelCheckRows = 512;

template <typename T>
void Put(void* data, std::size_t offset, T value) {
  std::memcpy(static_cast<std::uint8_t*>(data) + offset, &value, sizeof value);
}

}  // namespace

OdbcRowset::OdbcRowset(std::shared_ptr<Statement> statement, std::vector<DBCOLUMNINFO> columns,
                       std::vector<SQLSMALLINT> sqlTypes, bool scrollable, std::u16string text)
    : statement_(std::move(statement)),
      sqlTypes_(std::move(sqlTypes)),
      scrollable_(scrollable),
      text_(std::move(text)) {
  SetColumns(std::move(columns));
}

OdbcRowset::~OdbcRowset() {
  // A stream handed out earlier must not read whatever the statement holds from now on.
  NewRow();
  SQLCloseCursor(stmt());
}

HRESULT OdbcRowset::CheckCancel() {
  if (canceled_.exchange(false)) {
    return RaiseError(DB_E_CANCELED, "The operation was canceled.", kProviderName);
  }
  return S_OK;
}

void OdbcRowset::Cancel() {
  canceled_ = true;
  disturbed_ = true;
  SQLCancel(stmt());
}

HRESULT OdbcRowset::Reexecute() {
  SQLFreeStmt(stmt(), SQL_CLOSE);
  std::u16string copy = text_;
  const SQLRETURN r = SQLExecDirectW(stmt(), reinterpret_cast<SQLWCHAR*>(copy.data()),
                                     static_cast<SQLINTEGER>(copy.size()));
  position_ = 0;
  if (!SQL_SUCCEEDED(r) && r != SQL_NO_DATA) {
    return RaiseOdbcError(SQL_HANDLE_STMT, stmt(), E_FAIL, "The query could not be run again.");
  }
  return S_OK;
}

HRESULT OdbcRowset::DoRestart() {
  NewRow();
  // A cancel may have closed the cursor in the driver: only running it again is sure.
  if (disturbed_.exchange(false)) return Reexecute();
  if (position_ == 0) return S_OK;  // known to stand before the first row
  if (scrollable_) {
    const SQLRETURN r = SQLFetchScroll(stmt(), SQL_FETCH_ABSOLUTE, 0);
    if (SQL_SUCCEEDED(r) || r == SQL_NO_DATA) {
      position_ = 0;
      return S_OK;
    }
    // A cursor that lost its way (a cancel closes some) is opened again.
  }
  return Reexecute();
}

HRESULT OdbcRowset::DoNext() {
  if (const HRESULT hr = CheckCancel(); Failed(hr)) return hr;
  NewRow();
  const SQLRETURN r = scrollable_ ? SQLFetchScroll(stmt(), SQL_FETCH_NEXT, 0) : SQLFetch(stmt());
  if (r == SQL_NO_DATA) return DB_S_ENDOFROWSET;
  if (!SQL_SUCCEEDED(r)) {
    return RaiseOdbcError(SQL_HANDLE_STMT, stmt(), E_FAIL, "The next row could not be fetched.");
  }
  if (position_ != kPositionUnknown) ++position_;
  return S_OK;
}

HRESULT OdbcRowset::StepOver(std::int64_t count, std::int64_t* stepped) {
  *stepped = 0;
  // Fetching without moving values into buffers where the driver allows it.
  SQLSetStmtAttr(stmt(), SQL_ATTR_RETRIEVE_DATA, reinterpret_cast<SQLPOINTER>(SQL_RD_OFF), 0);
  HRESULT result = S_OK;
  while (*stepped < count) {
    if (*stepped % kCancelCheckRows == 0) {
      if (result = CheckCancel(); Failed(result)) break;
    }
    const SQLRETURN r = SQLFetch(stmt());
    if (r == SQL_NO_DATA) break;
    if (!SQL_SUCCEEDED(r)) {
      result = RaiseOdbcError(SQL_HANDLE_STMT, stmt(), E_FAIL, "Rows could not be stepped over.");
      break;
    }
    ++*stepped;
    if (position_ != kPositionUnknown) ++position_;
  }
  SQLSetStmtAttr(stmt(), SQL_ATTR_RETRIEVE_DATA, reinterpret_cast<SQLPOINTER>(SQL_RD_ON), 0);
  return result;
}

HRESULT OdbcRowset::DoSkip(std::int64_t count, std::int64_t* skipped) {
  *skipped = 0;
  if (const HRESULT hr = CheckCancel(); Failed(hr)) return hr;
  NewRow();
  if (!scrollable_) return StepOver(count, skipped);
  SQLRETURN r = SQLFetchScroll(stmt(), SQL_FETCH_RELATIVE, static_cast<SQLLEN>(count));
  if (SQL_SUCCEEDED(r)) {
    if (position_ != kPositionUnknown) position_ += count;
    *skipped = count;
    return S_OK;
  }
  if (r != SQL_NO_DATA) {
    return RaiseOdbcError(SQL_HANDLE_STMT, stmt(), E_FAIL, "Rows could not be skipped.");
  }
  // Past the end. The base only needs to know the skip fell short; where the cursor stands
  // now is left for the next restart to settle.
  *skipped = count - 1;
  position_ = kPositionUnknown;
  return S_OK;
}

HRESULT OdbcRowset::DoReadValue(std::size_t ordinal, CellValue* value) {
  if (const HRESULT hr = CheckCancel(); Failed(hr)) return hr;
  return ReadColumnValue(stmt(), ordinal, sqlTypes_[ordinal - 1], value);
}

HRESULT OdbcRowset::CountRows(std::int64_t* count) {
  if (count == nullptr) return E_INVALIDARG;
  *count = 0;
  if (const HRESULT hr = RestartPosition(); Failed(hr)) return hr;
  HRESULT hr = CheckCancel();
  bool walk = true;
  if (Succeeded(hr) && scrollable_) {
    const SQLRETURN r = SQLFetchScroll(stmt(), SQL_FETCH_LAST, 0);
    position_ = kPositionUnknown;
    if (SQL_SUCCEEDED(r)) {
      SQLLEN last = 0;
      if (SQL_SUCCEEDED(SQLGetStmtAttr(stmt(), SQL_ATTR_ROW_NUMBER, &last, 0, nullptr)) &&
          last > 0) {
        *count = static_cast<std::int64_t>(last);
        walk = false;
      }
    } else if (r == SQL_NO_DATA) {
      walk = false;  // no rows at all
    } else {
      hr = RaiseOdbcError(SQL_HANDLE_STMT, stmt(), E_FAIL, "The rows could not be counted.");
    }
    // A driver that does not know the last row's number is walked like a forward cursor.
    if (Succeeded(hr) && walk) hr = RestartPosition();
  }
  if (Succeeded(hr) && walk) {
    std::int64_t stepped = 0;
    hr = StepOver(INT64_MAX, &stepped);
    *count = stepped;
  }
  const HRESULT restart = RestartPosition();
  if (Failed(hr)) return hr;
  return Failed(restart) ? restart : S_OK;
}

HRESULT OdbcRowset::CreateAccessor(std::uint32_t flags, const std::vector<DBBINDING>& bindings,
                                   std::size_t rowSize, HACCESSOR* accessor) {
  // The base checks every binding, stream ones included, before anything is kept.
  HACCESSOR probe = DB_NULL_HACCESSOR;
  if (const HRESULT hr = RowsetBase::CreateAccessor(flags, bindings, rowSize, &probe); Failed(hr)) {
    if (accessor != nullptr) *accessor = DB_NULL_HACCESSOR;
    return hr;
  }
  std::vector<DBBINDING> streams;
  std::vector<DBBINDING> others;
  for (const auto& b : bindings) (b.wType == DBTYPE_IUNKNOWN ? streams : others).push_back(b);
  if (streams.empty()) {
    *accessor = probe;
    return S_OK;
  }
  RowsetBase::ReleaseAccessor(probe);
  const HRESULT hr = RowsetBase::CreateAccessor(flags, others, rowSize, accessor);
  if (Failed(hr)) return hr;
  std::sort(streams.begin(), streams.end(),
            [](const DBBINDING& a, const DBBINDING& b) { return a.iOrdinal < b.iOrdinal; });
  plainCounts_[*accessor] = others.size();
  streamBindings_[*accessor] = std::move(streams);
  return S_OK;
}

bool OdbcRowset::HasPlainBindings(HACCESSOR accessor) const {
  const auto found = plainCounts_.find(accessor);
  return found != plainCounts_.end() && found->second > 0;
}

HRESULT OdbcRowset::ReleaseAccessor(HACCESSOR accessor) {
  streamBindings_.erase(accessor);
  plainCounts_.erase(accessor);
  return RowsetBase::ReleaseAccessor(accessor);
}

HRESULT OdbcRowset::GetData(HROW row, HACCESSOR accessor, void* data) {
  // The base checks the row and the accessor and writes the other bindings.
  const HRESULT hr = RowsetBase::GetData(row, accessor, data);
  const auto found = streamBindings_.find(accessor);
  if (Failed(hr) || found == streamBindings_.end()) return hr;
  std::size_t failed = 0;
  for (const DBBINDING& b : found->second) {
    ISequentialStream* stream = nullptr;
    const HRESULT opened =
        OdbcValueStream::Open(statement_, clock_, b.iOrdinal, ReadAsFor(sqlTypes_[b.iOrdinal - 1]),
                              columns()[b.iOrdinal - 1].wType, &stream);
    if (Failed(opened) && opened == DB_E_CANCELED) return opened;
    DBSTATUS status = DBSTATUS_S_OK;
    std::uint32_t length = 0;
    if (Failed(opened)) {
      status = DBSTATUS_E_CANTCREATE;
      ++failed;
    } else if (opened == S_FALSE) {
      status = DBSTATUS_S_ISNULL;
    } else {
      length = sizeof(void*);
      if ((b.dwPart & DBPART_VALUE) != 0) {
        Put(data, b.obValue, stream);
      } else {
        stream->Release();
      }
    }
    if ((b.dwPart & DBPART_LENGTH) != 0) Put(data, b.obLength, length);
    if ((b.dwPart & DBPART_STATUS) != 0) Put(data, b.obStatus, status);
  }
  if (failed == 0) return hr;
  return hr == S_OK && failed == found->second.size() && !HasPlainBindings(accessor)
             ? DB_E_ERRORSOCCURRED
             : DB_S_ERRORSOCCURRED;
}

}  // namespace quillet::db::odbc
