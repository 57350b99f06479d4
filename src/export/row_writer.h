#pragma once
// The format side of an export: a writer turns the values of each row into the bytes of its
// format and appends them to the output buffer. The reading side (row_reader.h) calls it.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "export/export_format.h"

namespace quillet::exporting {

class OutputBuffer;

// How a column's values are written, chosen from the column's type.
enum class ColumnKind { Text, Number, Boolean, Binary };

struct ExportColumn {
  std::string name;  // unique among the columns (see export_format.h)
  ColumnKind kind = ColumnKind::Text;
};

class RowWriter {
 public:
  virtual ~RowWriter() = default;

  // Once, before the first row (the CSV header).
  virtual void Begin(const std::vector<ExportColumn>& columns) = 0;

  // A row: BeginRow, then for every column in order exactly one of Null, Value or the three
  // binary-piece calls, then EndRow.
  virtual void BeginRow() = 0;
  virtual void Null() = 0;
  // A whole value: the text of the value (UTF-8), or its bytes when `binary` is true. Binary
  // values can turn up in any column (SQLite keeps a blob in any column).
  virtual void Value(std::string_view data, bool binary) = 0;
  // A binary value read in pieces, so a long one is never held whole.
  virtual void BeginBinary() = 0;
  virtual void BinaryPiece(std::string_view bytes) = 0;
  virtual void EndBinary() = 0;
  // Ends the row; the buffer is written out here when it is full.
  virtual void EndRow() = 0;
};

// The writer of `options.format`, appending to `out`.
std::unique_ptr<RowWriter> MakeRowWriter(const ExportOptions& options, OutputBuffer& out);

std::unique_ptr<RowWriter> MakeCsvWriter(const ExportOptions& options, OutputBuffer& out);
std::unique_ptr<RowWriter> MakeJsonLinesWriter(OutputBuffer& out);
std::unique_ptr<RowWriter> MakeSqlInsertWriter(const ExportOptions& options, OutputBuffer& out);

}  // namespace quillet::exporting
