#pragma once
// The part of a rowset every provider shares: column information, accessors, row handles and
// GetData, which converts a provider's CellValue into the consumer's buffer by byte offset.
//
// A provider derives from RowsetBase and supplies the cursor: how to restart, step to the next
// row, skip rows and read one column of the current row. Values are read only for the columns a
// GetData call binds, once per row and in increasing column order (some engines can read a
// column only once, and only after the ones before it).

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "datasource/provider_ops.h"
#include "datasource/value.h"

namespace quillet::db {

// The text a binary value gives when a text binding asks for it.
inline constexpr const char* kBinaryValueText = "(BLOB)";

// A stream over a copy of a value's bytes. Providers whose engine can hand out long values in
// pieces may write their own ISequentialStream instead (see RowsetBase::OpenStream).
class BufferStream final : public ISequentialStream {
 public:
  explicit BufferStream(std::string bytes) : bytes_(std::move(bytes)) {}
  HRESULT Read(void* pv, std::uint32_t cb, std::uint32_t* pcbRead) override;

 private:
  std::string bytes_;
  std::size_t position_ = 0;
};

class RowsetBase : public IRowset {
 public:
  HRESULT GetColumnInfo(std::vector<DBCOLUMNINFO>* columns) override;
  HRESULT CreateAccessor(std::uint32_t flags, const std::vector<DBBINDING>& bindings,
                         std::size_t rowSize, HACCESSOR* accessor) override;
  HRESULT ReleaseAccessor(HACCESSOR accessor) override;
  HRESULT RestartPosition() override;
  HRESULT GetNextRows(std::int64_t rowsOffset, std::size_t rowsRequested, std::size_t* rowsObtained,
                      HROW* row) override;
  HRESULT GetData(HROW row, HACCESSOR accessor, void* data) override;
  HRESULT ReleaseRows(std::size_t count, const HROW* rows) override;

  // Source name put on error objects ("SQLite", "ODBC").
  virtual const char* ProviderName() const = 0;

 protected:
  RowsetBase() = default;
  explicit RowsetBase(std::vector<DBCOLUMNINFO> columns) : columns_(std::move(columns)) {}

  // Sets the column information (1-based ordinals are filled in when they are 0).
  void SetColumns(std::vector<DBCOLUMNINFO> columns);
  const std::vector<DBCOLUMNINFO>& columns() const { return columns_; }
  // True while the consumer holds a row handle (a restart or count must wait for its release).
  bool HoldsRow() const { return currentRow_ != DB_NULL_HROW; }

  // --- the cursor, supplied by the provider -------------------------------------------------
  // Back to before the first row.
  virtual HRESULT DoRestart() = 0;
  // To the next row: S_OK, DB_S_ENDOFROWSET at the end, or a failure (with an error object).
  virtual HRESULT DoNext() = 0;
  // Past `count` rows without reading their values; *skipped receives how many there were
  // (fewer at the end). The default steps with DoNext.
  virtual HRESULT DoSkip(std::int64_t count, std::int64_t* skipped);
  // Column `ordinal` (1-based) of the current row. Called at most once per column and row, in
  // increasing ordinal order within one GetData; only a later GetData on the same row that
  // binds an earlier, unread column goes back.
  virtual HRESULT DoReadValue(std::size_t ordinal, CellValue* value) = 0;
  // A stream over the whole value of column `ordinal` of the current row, in the column's own
  // form (ValueAsColumnBytes). The default copies the value read by DoReadValue.
  virtual HRESULT OpenStream(std::size_t ordinal, const CellValue& value,
                             ISequentialStream** stream);

 private:
  struct Accessor {
    std::vector<DBBINDING> bindings;
    std::vector<std::size_t> order;  // binding indexes by increasing ordinal
  };

  HRESULT ValueOf(std::size_t ordinal, const CellValue** value);
  DBSTATUS WriteBinding(const DBBINDING& binding, const CellValue& value, std::uint8_t* data);
  HRESULT ValidateBinding(const DBBINDING& binding, std::size_t rowSize, std::string* why) const;
  void ForgetRow();
  HRESULT Fail(HRESULT code, const std::string& text) const;

  std::vector<DBCOLUMNINFO> columns_;
  std::map<HACCESSOR, Accessor> accessors_;
  HACCESSOR nextAccessor_ = 1;

  HROW currentRow_ = DB_NULL_HROW;  // the one row handed out, or none
  HROW nextRow_ = 1;
  bool onRow_ = false;  // the cursor stands on a row whose values can be read
  bool atEnd_ = false;  // the end was reached; only RestartPosition moves on
  std::vector<std::optional<CellValue>> rowValues_;  // values read for the current row
  // Memory that by-reference bindings point into; kept until the next GetData or fetch. A deque
  // never moves its elements, so earlier pointers stay valid while later ones are added.
  std::deque<std::string> byRefMemory_;
};

}  // namespace quillet::db
