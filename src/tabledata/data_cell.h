#pragma once
// The fixed-size record that carries one column's value of one row in the row buffer and the
// row cache. Bindings point into it by byte offset, so its layout is fixed; the pointer slot is
// pointer-sized, which makes the record larger than on a 32-bit build. Fields that are not
// naturally aligned are read and written with memcpy.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "datasource/provider_ops.h"

namespace quillet {

constexpr std::size_t kCellMaxLenOffset = 0;    // 4 bytes: bound maximum length
constexpr std::size_t kCellTypeOffset = 4;      // 2 bytes: the cell type
constexpr std::size_t kCellLongFlagOffset = 6;  // 1 byte: long data
constexpr std::size_t kCellValueOffset = 7;     // the inline value buffer
constexpr std::size_t kCellInlineSize = 517;
constexpr std::size_t kCellPointerOffset = kCellValueOffset + kCellInlineSize;  // 524
constexpr std::size_t kCellLengthOffset = kCellPointerOffset + sizeof(void*);
constexpr std::size_t kCellStatusOffset = kCellLengthOffset + 4;
constexpr std::size_t kDataCellSize = kCellStatusOffset + 4;

// Byte limits on values.
constexpr std::uint32_t kInlineValueMax = 512;    // bound length of inline and long cells
constexpr std::size_t kByRefCopyMax = 513;        // bytes of a by-reference value kept in the cache
constexpr std::size_t kClearedInlineBytes = 514;  // bytes cleared after each stored row
constexpr std::uint32_t kLongDataMaxLen = 4;      // the max length field of a long-data cell

constexpr db::DBTYPE kLongDataType = db::DBTYPE_IUNKNOWN;

// A view of one cell inside a buffer.
class DataCellRef {
 public:
  explicit DataCellRef(std::uint8_t* base) : p_(base) {}

  std::uint32_t MaxLen() const { return Get<std::uint32_t>(kCellMaxLenOffset); }
  void SetMaxLen(std::uint32_t v) { Set(kCellMaxLenOffset, v); }
  db::DBTYPE Type() const { return Get<db::DBTYPE>(kCellTypeOffset); }
  void SetType(db::DBTYPE v) { Set(kCellTypeOffset, v); }
  bool IsLong() const { return p_[kCellLongFlagOffset] != 0; }
  void SetLong(bool v) { p_[kCellLongFlagOffset] = v ? 1 : 0; }
  std::uint8_t* Value() const { return p_ + kCellValueOffset; }
  const void* Pointer() const { return Get<const void*>(kCellPointerOffset); }
  void SetPointer(const void* v) { Set(kCellPointerOffset, v); }
  std::uint32_t Length() const { return Get<std::uint32_t>(kCellLengthOffset); }
  void SetLength(std::uint32_t v) { Set(kCellLengthOffset, v); }
  db::DBSTATUS Status() const { return Get<db::DBSTATUS>(kCellStatusOffset); }
  void SetStatus(db::DBSTATUS v) { Set(kCellStatusOffset, v); }

 private:
  template <class T>
  T Get(std::size_t offset) const {
    T v;
    std::memcpy(&v, p_ + offset, sizeof v);
    return v;
  }
  template <class T>
  void Set(std::size_t offset, T v) {
    std::memcpy(p_ + offset, &v, sizeof v);
  }
  std::uint8_t* p_;
};

// One result column as the provider describes it.
struct ColumnInfo {
  std::string name;
  db::DBTYPE type = db::DBTYPE_EMPTY;
  std::uint32_t size = 0;
};

// The binding rules: which cell type and maximum length a column gets.
struct CellBinding {
  db::DBTYPE cellType = db::DBTYPE_STR;
  std::uint32_t maxLen = kInlineValueMax;
  bool IsLong() const { return cellType == kLongDataType; }
  bool IsByRef() const { return (cellType & db::DBTYPE_BYREF) != 0; }
};
CellBinding ChooseCellBinding(const ColumnInfo& column);

// Initialises a cell of the row buffer from its column.
void InitCell(DataCellRef cell, const ColumnInfo& column);
// The accessor binding of column `index` (0-based) whose cell starts at index × kDataCellSize.
db::DBBINDING MakeBinding(std::size_t index, const ColumnInfo& column);

// The store step for a by-reference cell: "(EMPTY)", then (unless null) at most 513 bytes of
// the provider's value, cut at a character boundary and terminated.
void CopyByRefValue(DataCellRef cell);
// After each stored row: zero the first 514 bytes of the inline buffer and the pointer slot.
void ClearCell(DataCellRef cell);

}  // namespace quillet
