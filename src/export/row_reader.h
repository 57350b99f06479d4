#pragma once
// The reading side of an export: every row of a rowset, value by value, handed to a RowWriter.
//
// Values are bound by reference, so a text or binary value of any length arrives whole (no cut
// at a cell's inline limit); a long binary column (the table loader's long-data rule) is bound
// as a stream instead and passed on in pieces, so a value of many megabytes is never held
// whole by the export. The columns are read in their order, one accessor per run of plain
// columns and one per streamed column, so a driver that serves columns only in increasing
// order is served that way. Memory stays that of one row, whatever the number of rows.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "datasource/provider_ops.h"
#include "export/row_writer.h"

namespace quillet::exporting {

class RowReader {
 public:
  // Reads the rowset's columns and makes its accessors; raises cmlib::exception with the
  // provider's reason when it cannot.
  explicit RowReader(db::IRowset& rowset);
  ~RowReader();
  RowReader(const RowReader&) = delete;
  RowReader& operator=(const RowReader&) = delete;

  const std::vector<ExportColumn>& Columns() const { return columns_; }

  // Fetches the next row and writes it: false at the end of the rows. Raises cmlib::exception
  // when a row or value cannot be read, and JobStopped when `stopped` says so between the
  // pieces of a long value.
  bool Next(RowWriter& writer, const std::function<bool()>& stopped);

 private:
  struct Segment {
    bool stream = false;
    db::HACCESSOR accessor = db::DB_NULL_HACCESSOR;
    std::vector<std::size_t> columns;  // 0-based, increasing
  };

  void MakeAccessors(const std::vector<db::DBCOLUMNINFO>& info);
  void GetData(db::HACCESSOR accessor);
  void WritePlain(const Segment& segment, RowWriter& writer);
  void WriteStream(std::size_t column, RowWriter& writer, const std::function<bool()>& stopped);
  // Whether a value whose text came as the marker a provider gives for a blob in a text column
  // is such a blob; its bytes go to `bytes` then.
  bool BlobInTextColumn(std::size_t column, std::string* bytes);
  [[noreturn]] void FailValue(std::size_t column, db::DBSTATUS status) const;
  void ReleaseRow();

  db::IRowset& rowset_;
  std::vector<ExportColumn> columns_;
  std::vector<Segment> segments_;
  std::vector<db::HACCESSOR> blobCheck_;  // per column, made when first needed
  std::vector<std::uint8_t> buffer_;      // 16 bytes per column, and 16 for the blob check
  db::HROW row_ = db::DB_NULL_HROW;
  long long rowNumber_ = 0;
  std::string piece_;
};

}  // namespace quillet::exporting
