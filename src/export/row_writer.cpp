#include "export/row_writer.h"

namespace quillet::exporting {

std::unique_ptr<RowWriter> MakeRowWriter(const ExportOptions& options, OutputBuffer& out) {
  switch (options.format) {
    case ExportFormat::Csv:
      return MakeCsvWriter(options, out);
    case ExportFormat::JsonLines:
      return MakeJsonLinesWriter(out);
    case ExportFormat::SqlInserts:
      return MakeSqlInsertWriter(options, out);
  }
  return nullptr;
}

}  // namespace quillet::exporting
