#include "tabledata/data_cell.h"

#include <algorithm>

#include "datasource/text_convert.h"

namespace quillet {
namespace {

bool IsLongSize(std::uint32_t s) {
  return s == 0x7FFFFFFF || s == 0x3FFFFFFF || s == 0x1FFFFFFE || s == 0;
}

bool IsTextOrBytes(db::DBTYPE t) {
  return t == db::DBTYPE_STR || t == db::DBTYPE_BYTES || t == db::DBTYPE_WSTR;
}

// Cut of UTF-16 bytes: whole code units, and never between the halves of a surrogate pair.
std::size_t Utf16CutLength(const std::uint8_t* bytes, std::size_t size, std::size_t limit) {
  std::size_t n = std::min(size, limit) & ~std::size_t{1};
  if (n < size && n >= 2) {
    char16_t last;
    std::memcpy(&last, bytes + n - 2, 2);
    if (last >= 0xD800 && last <= 0xDBFF) n -= 2;
  }
  return n;
}

}  // namespace

CellBinding ChooseCellBinding(const ColumnInfo& column) {
  const db::DBTYPE t = column.type;
  const std::uint32_t s = column.size;
  if (IsLongSize(s) && IsTextOrBytes(t)) return {kLongDataType, kLongDataMaxLen};
  if (t == db::DBTYPE_IUNKNOWN || t == db::DBTYPE_IDISPATCH)
    return {kLongDataType, kLongDataMaxLen};
  if (s > kInlineValueMax && (t == db::DBTYPE_STR || t == db::DBTYPE_BYTES))
    return {static_cast<db::DBTYPE>(t | db::DBTYPE_BYREF), s};
  if (s > kInlineValueMax / 2 && t == db::DBTYPE_WSTR)
    return {static_cast<db::DBTYPE>(db::DBTYPE_WSTR | db::DBTYPE_BYREF), 2 * s};
  if (t == db::DBTYPE_WSTR) return {db::DBTYPE_WSTR, kInlineValueMax};
  if (t == db::DBTYPE_BYTES) return {db::DBTYPE_BYTES, kInlineValueMax};
  return {db::DBTYPE_STR, kInlineValueMax};
}

void InitCell(DataCellRef cell, const ColumnInfo& column) {
  CellBinding binding = ChooseCellBinding(column);
  cell.SetType(binding.cellType);
  cell.SetMaxLen(binding.maxLen);
  cell.SetLong(binding.IsLong());
}

db::DBBINDING MakeBinding(std::size_t index, const ColumnInfo& column) {
  CellBinding cell = ChooseCellBinding(column);
  const std::size_t base = index * kDataCellSize;
  db::DBBINDING b;
  b.iOrdinal = index + 1;
  b.obLength = base + kCellLengthOffset;
  b.obStatus = base + kCellStatusOffset;
  b.dwPart = db::DBPART_VALUE | db::DBPART_LENGTH | db::DBPART_STATUS;
  b.eParamIO = db::DBPARAMIO_NOTPARAM;
  b.bPrecision = 0;
  b.bScale = 0;
  if (cell.IsLong()) {
    // Long data: its first bytes, with the column's own type, into the inline buffer.
    b.wType = column.type;
    b.cbMaxLen = kInlineValueMax;
    b.obValue = base + kCellValueOffset;
    b.dwMemOwner = db::DBMEMOWNER_CLIENTOWNED;
  } else if (cell.IsByRef()) {
    b.wType = cell.cellType;
    b.cbMaxLen = cell.maxLen;
    b.obValue = base + kCellPointerOffset;
    b.dwMemOwner = db::DBMEMOWNER_PROVIDEROWNED;
  } else {
    b.wType = cell.cellType;
    b.cbMaxLen = cell.maxLen;
    b.obValue = base + kCellValueOffset;
    b.dwMemOwner = db::DBMEMOWNER_CLIENTOWNED;
  }
  return b;
}

void CopyByRefValue(DataCellRef cell) {
  std::uint8_t* value = cell.Value();
  static constexpr char kEmpty[] = "(EMPTY)";
  std::memcpy(value, kEmpty, sizeof kEmpty);
  if (cell.Status() == db::DBSTATUS_S_ISNULL) return;
  const auto* source = static_cast<const std::uint8_t*>(cell.Pointer());
  if (!source) return;
  // Never read past the value the provider gave, whatever the bound maximum says.
  std::size_t available = std::min<std::size_t>(cell.Length(), cell.MaxLen());
  const db::DBTYPE base = cell.Type() & ~db::DBTYPE_BYREF;
  std::size_t n;
  if (base == db::DBTYPE_WSTR) {
    n = Utf16CutLength(source, available, kByRefCopyMax);
  } else if (base == db::DBTYPE_STR) {
    n = db::Utf8CutLength(std::string_view(reinterpret_cast<const char*>(source), available),
                          kByRefCopyMax);
  } else {
    n = std::min(available, kByRefCopyMax);
  }
  std::memcpy(value, source, n);
  // Terminate (two zero bytes cover wide text); the inline buffer has room past 513 bytes.
  value[n] = 0;
  value[n + 1] = 0;
}

void ClearCell(DataCellRef cell) {
  std::memset(cell.Value(), 0, kClearedInlineBytes);
  cell.SetPointer(nullptr);
}

}  // namespace quillet
