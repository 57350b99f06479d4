#include "datasource/rowset_base.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#include "datasource/error_info.h"
#include "datasource/text_convert.h"

namespace quillet::db {
namespace {

template <typename T>
void Put(std::uint8_t* data, std::size_t offset, T value) {
  std::memcpy(data + offset, &value, sizeof value);
}

bool IsVariableType(DBTYPE type) {
  return type == DBTYPE_STR || type == DBTYPE_WSTR || type == DBTYPE_BYTES;
}

// Bytes the value part of a binding takes in the consumer's buffer.
std::size_t ValuePartSize(const DBBINDING& b) {
  if ((b.wType & DBTYPE_BYREF) != 0 || b.wType == DBTYPE_IUNKNOWN) return sizeof(void*);
  switch (b.wType) {
    case DBTYPE_I1:
    case DBTYPE_UI1:
      return 1;
    case DBTYPE_I2:
    case DBTYPE_UI2:
    case DBTYPE_BOOL:
      return 2;
    case DBTYPE_I4:
    case DBTYPE_UI4:
    case DBTYPE_R4:
      return 4;
    case DBTYPE_I8:
    case DBTYPE_UI8:
    case DBTYPE_R8:
      return 8;
    case DBTYPE_GUID:
      return sizeof(Guid);
    default:
      return b.cbMaxLen;
  }
}

bool IsSupportedType(DBTYPE type) {
  const DBTYPE base = type & ~DBTYPE_BYREF;
  if ((type & DBTYPE_BYREF) != 0) return IsVariableType(base);
  switch (type) {
    case DBTYPE_STR:
    case DBTYPE_WSTR:
    case DBTYPE_BYTES:
    case DBTYPE_I1:
    case DBTYPE_UI1:
    case DBTYPE_I2:
    case DBTYPE_UI2:
    case DBTYPE_I4:
    case DBTYPE_UI4:
    case DBTYPE_I8:
    case DBTYPE_UI8:
    case DBTYPE_R4:
    case DBTYPE_R8:
    case DBTYPE_BOOL:
    case DBTYPE_GUID:
    case DBTYPE_IUNKNOWN:
      return true;
    default:
      return false;
  }
}

// Stores an integer into a fixed-size part after a range check.
template <typename T>
DBSTATUS PutInteger(std::uint8_t* data, std::size_t offset, std::int64_t v, bool writeValue) {
  if constexpr (std::is_unsigned_v<T>) {
    if (v < 0 || static_cast<std::uint64_t>(v) > std::numeric_limits<T>::max()) {
      return DBSTATUS_E_DATAOVERFLOW;
    }
  } else {
    if (v < std::numeric_limits<T>::min() || v > std::numeric_limits<T>::max()) {
      return DBSTATUS_E_DATAOVERFLOW;
    }
  }
  if (writeValue) Put(data, offset, static_cast<T>(v));
  return DBSTATUS_S_OK;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

HRESULT BufferStream::Read(void* pv, std::uint32_t cb, std::uint32_t* pcbRead) {
  if (pv == nullptr && cb > 0) return E_POINTER;
  const std::size_t n = std::min<std::size_t>(cb, bytes_.size() - position_);
  if (n > 0) std::memcpy(pv, bytes_.data() + position_, n);
  position_ += n;
  if (pcbRead != nullptr) *pcbRead = static_cast<std::uint32_t>(n);
  return S_OK;
}

// ---------------------------------------------------------------------------------------------

void RowsetBase::SetColumns(std::vector<DBCOLUMNINFO> columns) {
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (columns[i].iOrdinal == 0) columns[i].iOrdinal = i + 1;
  }
  columns_ = std::move(columns);
}

HRESULT RowsetBase::Fail(HRESULT code, const std::string& text) const {
  return RaiseError(code, text, ProviderName());
}

HRESULT RowsetBase::GetColumnInfo(std::vector<DBCOLUMNINFO>* columns) {
  if (columns == nullptr) return E_INVALIDARG;
  *columns = columns_;
  return S_OK;
}

HRESULT RowsetBase::ValidateBinding(const DBBINDING& b, std::size_t rowSize,
                                    std::string* why) const {
  if (b.iOrdinal == 0 || b.iOrdinal > columns_.size()) {
    *why = "column " + std::to_string(b.iOrdinal) + " does not exist (the result has " +
           std::to_string(columns_.size()) + " columns)";
    return DB_E_BADORDINAL;
  }
  if (b.dwPart == 0 || (b.dwPart & ~(DBPART_VALUE | DBPART_LENGTH | DBPART_STATUS)) != 0) {
    *why = "it asks for no known part";
    return DB_E_BADBINDINFO;
  }
  if (!IsSupportedType(b.wType)) {
    *why = "type " + std::to_string(b.wType) + " cannot be served";
    return DB_E_BADBINDINFO;
  }
  if (b.wType == DBTYPE_IUNKNOWN &&
      (b.pObject == nullptr || !(b.pObject->iid == IID_ISequentialStream))) {
    *why = "an object binding must ask for a sequential stream";
    return E_NOINTERFACE;
  }
  if (rowSize > 0) {
    const auto outside = [rowSize](std::size_t offset, std::size_t size) {
      return offset > rowSize || size > rowSize - offset;
    };
    if (((b.dwPart & DBPART_VALUE) != 0 && outside(b.obValue, ValuePartSize(b))) ||
        ((b.dwPart & DBPART_LENGTH) != 0 && outside(b.obLength, sizeof(std::uint32_t))) ||
        ((b.dwPart & DBPART_STATUS) != 0 && outside(b.obStatus, sizeof(DBSTATUS)))) {
      *why = "a part lies outside the row of " + std::to_string(rowSize) + " bytes";
      return DB_E_BADBINDINFO;
    }
  }
  // Parts of one binding that share bytes would overwrite each other (a pointer slot of a
  // 32-bit record layout is the usual cause).
  const auto overlaps = [](std::size_t a, std::size_t aSize, std::size_t c, std::size_t cSize) {
    return a < c + cSize && c < a + aSize;
  };
  const bool value = (b.dwPart & DBPART_VALUE) != 0;
  const bool length = (b.dwPart & DBPART_LENGTH) != 0;
  const bool status = (b.dwPart & DBPART_STATUS) != 0;
  const std::size_t valueSize = ValuePartSize(b);
  if ((value && length && overlaps(b.obValue, valueSize, b.obLength, 4)) ||
      (value && status && overlaps(b.obValue, valueSize, b.obStatus, 4)) ||
      (length && status && overlaps(b.obLength, 4, b.obStatus, 4))) {
    *why = "its value, length and status parts overlap";
    return DB_E_BADBINDINFO;
  }
  return S_OK;
}

HRESULT RowsetBase::CreateAccessor(std::uint32_t flags, const std::vector<DBBINDING>& bindings,
                                   std::size_t rowSize, HACCESSOR* accessor) {
  if (accessor == nullptr) return E_INVALIDARG;
  *accessor = DB_NULL_HACCESSOR;
  if ((flags & DBACCESSOR_ROWDATA) == 0) {
    return Fail(E_INVALIDARG, "The accessor is not a row accessor.");
  }
  Accessor made;
  made.bindings = bindings;
  for (std::size_t i = 0; i < bindings.size(); ++i) {
    std::string why;
    const HRESULT hr = ValidateBinding(bindings[i], rowSize, &why);
    if (Failed(hr)) {
      return Fail(DB_E_ERRORSOCCURRED,
                  "Binding " + std::to_string(i + 1) + " cannot be used: " + why + ".");
    }
    made.order.push_back(i);
  }
  std::stable_sort(made.order.begin(), made.order.end(), [&](std::size_t a, std::size_t b) {
    return bindings[a].iOrdinal < bindings[b].iOrdinal;
  });
  *accessor = nextAccessor_++;
  accessors_.emplace(*accessor, std::move(made));
  return S_OK;
}

HRESULT RowsetBase::ReleaseAccessor(HACCESSOR accessor) {
  return accessors_.erase(accessor) == 1 ? S_OK : DB_E_BADACCESSORHANDLE;
}

void RowsetBase::ForgetRow() {
  rowValues_.clear();
  byRefMemory_.clear();
}

HRESULT RowsetBase::RestartPosition() {
  if (currentRow_ != DB_NULL_HROW) return DB_E_ROWSNOTRELEASED;
  ForgetRow();
  onRow_ = false;
  atEnd_ = false;
  return DoRestart();
}

HRESULT RowsetBase::DoSkip(std::int64_t count, std::int64_t* skipped) {
  *skipped = 0;
  while (*skipped < count) {
    const HRESULT hr = DoNext();
    if (hr != S_OK) return Failed(hr) ? hr : S_OK;
    ++*skipped;
  }
  return S_OK;
}

HRESULT RowsetBase::GetNextRows(std::int64_t rowsOffset, std::size_t rowsRequested,
                                std::size_t* rowsObtained, HROW* row) {
  if (rowsObtained == nullptr || row == nullptr) return E_INVALIDARG;
  *rowsObtained = 0;
  *row = DB_NULL_HROW;
  if (currentRow_ != DB_NULL_HROW) return DB_E_ROWSNOTRELEASED;
  if (rowsOffset < 0) return DB_E_CANTSCROLLBACKWARDS;
  if (rowsRequested == 0) return S_OK;
  if (rowsRequested != 1) return E_INVALIDARG;  // one handle slot: one row at a time
  ForgetRow();
  onRow_ = false;
  if (atEnd_) return DB_S_ENDOFROWSET;
  if (rowsOffset > 0) {
    std::int64_t skipped = 0;
    const HRESULT hr = DoSkip(rowsOffset, &skipped);
    if (Failed(hr)) return hr;
    if (skipped < rowsOffset) {
      atEnd_ = true;
      return DB_S_ENDOFROWSET;
    }
  }
  const HRESULT hr = DoNext();
  if (Failed(hr)) return hr;
  if (hr != S_OK) {
    atEnd_ = true;
    return DB_S_ENDOFROWSET;
  }
  onRow_ = true;
  rowValues_.assign(columns_.size(), std::nullopt);
  currentRow_ = nextRow_++;
  *rowsObtained = 1;
  *row = currentRow_;
  return S_OK;
}

HRESULT RowsetBase::ReleaseRows(std::size_t count, const HROW* rows) {
  if (count > 0 && rows == nullptr) return E_INVALIDARG;
  std::size_t bad = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (rows[i] == DB_NULL_HROW) continue;
    if (rows[i] == currentRow_) {
      currentRow_ = DB_NULL_HROW;
    } else {
      ++bad;
    }
  }
  if (bad == 0) return S_OK;
  return bad == count ? DB_E_ERRORSOCCURRED : DB_S_ERRORSOCCURRED;
}

HRESULT RowsetBase::ValueOf(std::size_t ordinal, const CellValue** value) {
  auto& slot = rowValues_[ordinal - 1];
  if (!slot) {
    CellValue read;
    const HRESULT hr = DoReadValue(ordinal, &read);
    if (Failed(hr)) return hr;
    slot = std::move(read);
  }
  *value = &*slot;
  return S_OK;
}

HRESULT RowsetBase::OpenStream(std::size_t ordinal, const CellValue& value,
                               ISequentialStream** stream) {
  *stream = new BufferStream(ValueAsColumnBytes(value, columns_[ordinal - 1].wType));
  return S_OK;
}

HRESULT RowsetBase::GetData(HROW row, HACCESSOR accessor, void* data) {
  if (row == DB_NULL_HROW || row != currentRow_ || !onRow_) return DB_E_BADROWHANDLE;
  const auto found = accessors_.find(accessor);
  if (found == accessors_.end()) return DB_E_BADACCESSORHANDLE;
  if (data == nullptr) return E_INVALIDARG;
  byRefMemory_.clear();
  const Accessor& acc = found->second;
  std::size_t failed = 0;
  for (const std::size_t index : acc.order) {
    const DBBINDING& b = acc.bindings[index];
    const CellValue* value = nullptr;
    const HRESULT hr = ValueOf(b.iOrdinal, &value);
    if (Failed(hr)) return hr;
    const DBSTATUS status = WriteBinding(b, *value, static_cast<std::uint8_t*>(data));
    if (status != DBSTATUS_S_OK && status != DBSTATUS_S_ISNULL && status != DBSTATUS_S_TRUNCATED) {
      ++failed;
    }
  }
  if (failed == 0) return S_OK;
  return failed == acc.order.size() ? DB_E_ERRORSOCCURRED : DB_S_ERRORSOCCURRED;
}

DBSTATUS RowsetBase::WriteBinding(const DBBINDING& b, const CellValue& value, std::uint8_t* data) {
  const bool wantValue = (b.dwPart & DBPART_VALUE) != 0;
  std::uint32_t length = 0;
  DBSTATUS status = DBSTATUS_S_OK;
  const DBTYPE type = b.wType & ~DBTYPE_BYREF;
  const bool byRef = (b.wType & DBTYPE_BYREF) != 0;

  const auto clampLength = [](std::size_t n) {
    return static_cast<std::uint32_t>(std::min<std::size_t>(n, 0xFFFFFFFFu));
  };

  if (value.IsNull()) {
    status = DBSTATUS_S_ISNULL;
    // An empty value too, so a consumer that binds no status part never keeps the value of an
    // earlier row in its buffer.
    if (wantValue) {
      if (byRef || type == DBTYPE_IUNKNOWN) {
        Put(data, b.obValue, static_cast<const void*>(nullptr));
      } else if (type == DBTYPE_STR || type == DBTYPE_WSTR) {
        const std::size_t unit = type == DBTYPE_WSTR ? 2 : 1;
        if (b.cbMaxLen >= unit) std::memset(data + b.obValue, 0, unit);
      } else if (type != DBTYPE_BYTES) {
        std::memset(data + b.obValue, 0, ValuePartSize(b));
      }
    }
  } else if (type == DBTYPE_STR || type == DBTYPE_BYTES || type == DBTYPE_WSTR) {
    std::string bytes;
    std::size_t unit = 1;  // bytes per character unit
    // Binary data has no text to show: an engine that keeps a blob in a text column gives the
    // text the program shows for binary data, and the whole value through a stream.
    const bool binaryInTextColumn =
        value.kind == ValueKind::Bytes && type != DBTYPE_BYTES &&
        (columns_[b.iOrdinal - 1].wType & ~DBTYPE_BYREF) != DBTYPE_BYTES;
    const std::string text =
        binaryInTextColumn ? std::string(kBinaryValueText) : ValueAsText(value);
    if (type == DBTYPE_WSTR) {
      bytes = Utf16ToBytesLE(Utf8ToUtf16(text));
      unit = 2;
    } else {
      bytes = text;
    }
    length = clampLength(bytes.size());
    if (byRef) {
      if (type != DBTYPE_BYTES) bytes.append(unit, '\0');
      byRefMemory_.push_back(std::move(bytes));
      if (wantValue) Put(data, b.obValue, static_cast<const void*>(byRefMemory_.back().data()));
    } else if (type == DBTYPE_BYTES) {
      const std::size_t n = std::min(bytes.size(), b.cbMaxLen);
      if (wantValue && n > 0) std::memcpy(data + b.obValue, bytes.data(), n);
      if (n < bytes.size()) status = DBSTATUS_S_TRUNCATED;
    } else {
      // Room for the characters and a terminator of one unit.
      const std::size_t room = b.cbMaxLen >= unit ? (b.cbMaxLen - unit) / unit : 0;
      std::size_t cutBytes = 0;
      if (type == DBTYPE_STR) {
        cutBytes = Utf8CutLength(bytes, room);
      } else {
        const std::u16string wide = BytesLEToUtf16(bytes);
        cutBytes = 2 * Utf16CutLength(wide, room);
      }
      if (wantValue && b.cbMaxLen >= unit) {
        std::memcpy(data + b.obValue, bytes.data(), cutBytes);
        std::memset(data + b.obValue + cutBytes, 0, unit);
      }
      if (cutBytes < bytes.size()) status = DBSTATUS_S_TRUNCATED;
    }
  } else if (type == DBTYPE_IUNKNOWN) {
    ISequentialStream* stream = nullptr;
    const HRESULT hr = OpenStream(b.iOrdinal, value, &stream);
    if (Failed(hr) || stream == nullptr) {
      status = DBSTATUS_E_CANTCREATE;
    } else {
      length = sizeof(void*);
      if (wantValue) {
        Put(data, b.obValue, stream);
      } else {
        stream->Release();  // nobody would receive it
      }
    }
  } else if (type == DBTYPE_R8 || type == DBTYPE_R4) {
    const auto r = ValueAsReal(value);
    if (!r) {
      status = DBSTATUS_E_CANTCONVERTVALUE;
    } else if (type == DBTYPE_R8) {
      if (wantValue) Put(data, b.obValue, *r);
      length = 8;
    } else if (std::isfinite(*r) && std::abs(*r) > std::numeric_limits<float>::max()) {
      status = DBSTATUS_E_DATAOVERFLOW;
    } else {
      if (wantValue) Put(data, b.obValue, static_cast<float>(*r));
      length = 4;
    }
  } else if (type == DBTYPE_GUID) {
    const auto g = ValueAsGuid(value);
    if (!g) {
      status = DBSTATUS_E_CANTCONVERTVALUE;
    } else {
      if (wantValue) Put(data, b.obValue, *g);
      length = sizeof(Guid);
    }
  } else if (type == DBTYPE_BOOL) {
    const auto i = ValueAsInteger(value);
    if (!i) {
      status = DBSTATUS_E_CANTCONVERTVALUE;
    } else {
      if (wantValue) Put(data, b.obValue, static_cast<std::int16_t>(*i != 0 ? -1 : 0));
      length = 2;
    }
  } else {
    const auto i = ValueAsInteger(value);
    if (!i) {
      status = DBSTATUS_E_CANTCONVERTVALUE;
    } else {
      switch (type) {
        case DBTYPE_I1:
          status = PutInteger<std::int8_t>(data, b.obValue, *i, wantValue);
          break;
        case DBTYPE_UI1:
          status = PutInteger<std::uint8_t>(data, b.obValue, *i, wantValue);
          break;
        case DBTYPE_I2:
          status = PutInteger<std::int16_t>(data, b.obValue, *i, wantValue);
          break;
        case DBTYPE_UI2:
          status = PutInteger<std::uint16_t>(data, b.obValue, *i, wantValue);
          break;
        case DBTYPE_I4:
          status = PutInteger<std::int32_t>(data, b.obValue, *i, wantValue);
          break;
        case DBTYPE_UI4:
          status = PutInteger<std::uint32_t>(data, b.obValue, *i, wantValue);
          break;
        case DBTYPE_UI8:
          status = PutInteger<std::uint64_t>(data, b.obValue, *i, wantValue);
          break;
        default:
          status = PutInteger<std::int64_t>(data, b.obValue, *i, wantValue);
          break;
      }
      length = static_cast<std::uint32_t>(ValuePartSize(b));
    }
  }

  if (status != DBSTATUS_S_OK && status != DBSTATUS_S_TRUNCATED) length = 0;
  if ((b.dwPart & DBPART_LENGTH) != 0) Put(data, b.obLength, length);
  if ((b.dwPart & DBPART_STATUS) != 0) Put(data, b.obStatus, status);
  return status;
}

}  // namespace quillet::db
