#include "datasource/providers/odbc/odbc_rowset_base.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <cstring>

#include "datasource/error_info.h"
#include "datasource/providers/odbc/odbc_diag.h"
#include "datasource/providers/odbc/odbc_read.h"
#include "datasource/providers/odbc/odbc_types.h"
#include "datasource/text_convert.h"

namespace quillet::db::odbc {
namespace {

template <typename T>
void Put(void* data, std::size_t offset, T value) {
  std::memcpy(static_cast<std::uint8_t*>(data) + offset, &value, sizeof value);
}

}  // namespace

HRESULT DescribeColumns(SQLHSTMT stmt, DriverKind kind, std::vector<DBCOLUMNINFO>* columns,
                        std::vector<ColumnReading>* readings) {
  SQLSMALLINT count = 0;
  if (!SQL_SUCCEEDED(SQLNumResultCols(stmt, &count))) {
    return RaiseOdbcError(SQL_HANDLE_STMT, stmt, E_FAIL, "The result could not be read.");
  }
  for (SQLSMALLINT i = 1; i <= count; ++i) {
    std::u16string name(256, u'\0');
    SQLSMALLINT nameLength = 0;
    ColumnDescription c;
    SQLSMALLINT nullable = 0;
    SQLRETURN r = SQLDescribeColW(stmt, static_cast<SQLUSMALLINT>(i),
                                  reinterpret_cast<SQLWCHAR*>(name.data()),
                                  static_cast<SQLSMALLINT>(name.size()), &nameLength, &c.sqlType,
                                  &c.columnSize, &c.decimalDigits, &nullable);
    if (SQL_SUCCEEDED(r) && nameLength >= static_cast<SQLSMALLINT>(name.size())) {
      name.assign(static_cast<std::size_t>(nameLength) + 1, u'\0');
      r = SQLDescribeColW(stmt, static_cast<SQLUSMALLINT>(i),
                          reinterpret_cast<SQLWCHAR*>(name.data()),
                          static_cast<SQLSMALLINT>(name.size()), &nameLength, &c.sqlType,
                          &c.columnSize, &c.decimalDigits, &nullable);
    }
    if (!SQL_SUCCEEDED(r)) {
      return RaiseOdbcError(SQL_HANDLE_STMT, stmt, E_FAIL,
                            "The columns of the result could not be described.");
    }
    name.resize(std::min<std::size_t>(
        static_cast<std::size_t>(std::max<SQLSMALLINT>(nameLength, 0)), name.size()));
    std::u16string typeName(128, u'\0');
    SQLSMALLINT typeNameBytes = 0;
    if (SQL_SUCCEEDED(SQLColAttributeW(
            stmt, static_cast<SQLUSMALLINT>(i), SQL_DESC_TYPE_NAME, typeName.data(),
            static_cast<SQLSMALLINT>(typeName.size() * 2), &typeNameBytes, nullptr))) {
      typeName.resize(std::min<std::size_t>(
          static_cast<std::size_t>(std::max<SQLSMALLINT>(typeNameBytes, 0)) / 2, typeName.size()));
      c.typeName = Utf16ToUtf8(typeName);
    }
    SQLLEN isUnsigned = SQL_FALSE;
    if (SQL_SUCCEEDED(SQLColAttributeW(stmt, static_cast<SQLUSMALLINT>(i), SQL_DESC_UNSIGNED,
                                       nullptr, 0, nullptr, &isUnsigned))) {
      c.isUnsigned = isUnsigned == SQL_TRUE;
    }
    DBCOLUMNINFO info = MapColumn(c);
    info.name = name;
    info.iOrdinal = static_cast<std::size_t>(i);
    columns->push_back(std::move(info));
    readings->push_back({c.sqlType, RepairFor(kind, c.typeName)});
  }
  return S_OK;
}

OdbcRowsetBase::OdbcRowsetBase(std::shared_ptr<Connection> connection,
                               std::vector<DBCOLUMNINFO> columns,
                               std::vector<ColumnReading> readings)
    : connection_(std::move(connection)), readings_(std::move(readings)) {
  SetColumns(std::move(columns));
}

HRESULT OdbcRowsetBase::CheckCancel() {
  if (canceled_.exchange(false)) {
    return RaiseError(DB_E_CANCELED, "The operation was canceled.", kProviderName);
  }
  return S_OK;
}

void OdbcRowsetBase::Cancel() {
  // The flag first: a call that starts just after it looks at the flag before it runs.
  canceled_ = true;
  running_.Cancel();
}

HRESULT OdbcRowsetBase::DoReadValue(std::size_t ordinal, CellValue* value) {
  Use use(*this);
  if (Failed(use.Ready())) return use.Ready();
  if (const HRESULT hr = CheckCancel(); Failed(hr)) return hr;
  const ColumnReading& reading = Reading(ordinal);
  const HRESULT hr = ReadColumnValue(RowStatement()->handle(), ordinal, reading.sqlType, value);
  if (hr == S_OK && value->kind == ValueKind::Text && reading.repair != TextRepair::None) {
    value->data = RepairText(reading.repair, std::move(value->data), connection_->ZoneSuffix());
  }
  return hr;
}

HRESULT OdbcRowsetBase::CreateAccessor(std::uint32_t flags, const std::vector<DBBINDING>& bindings,
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

bool OdbcRowsetBase::HasPlainBindings(HACCESSOR accessor) const {
  const auto found = plainCounts_.find(accessor);
  return found != plainCounts_.end() && found->second > 0;
}

HRESULT OdbcRowsetBase::ReleaseAccessor(HACCESSOR accessor) {
  streamBindings_.erase(accessor);
  plainCounts_.erase(accessor);
  return RowsetBase::ReleaseAccessor(accessor);
}

HRESULT OdbcRowsetBase::GetData(HROW row, HACCESSOR accessor, void* data) {
  // The base checks the row and the accessor and writes the other bindings.
  const HRESULT hr = RowsetBase::GetData(row, accessor, data);
  const auto found = streamBindings_.find(accessor);
  if (Failed(hr) || found == streamBindings_.end()) return hr;
  Use use(*this);
  if (Failed(use.Ready())) return use.Ready();
  std::size_t failed = 0;
  for (const DBBINDING& b : found->second) {
    ISequentialStream* stream = nullptr;
    const HRESULT opened = OdbcValueStream::Open(RowStatement(), clock_, b.iOrdinal,
                                                 ReadAsFor(Reading(b.iOrdinal).sqlType),
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
