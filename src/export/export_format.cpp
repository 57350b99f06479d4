#include "export/export_format.h"

#include "datasource/text_convert.h"

namespace quillet::exporting {

std::optional<ExportFormat> FormatFromName(std::string_view name) {
  if (name == "csv") return ExportFormat::Csv;
  if (name == "jsonl") return ExportFormat::JsonLines;
  if (name == "sql") return ExportFormat::SqlInserts;
  return std::nullopt;
}

const char* FormatName(ExportFormat format) {
  switch (format) {
    case ExportFormat::Csv:
      return "csv";
    case ExportFormat::JsonLines:
      return "jsonl";
    case ExportFormat::SqlInserts:
      return "sql";
  }
  return "";
}

std::string CheckOptions(const ExportOptions& options) {
  if (options.format == ExportFormat::Csv) {
    const std::string& s = options.separator;
    // One character: valid UTF-8 with no character boundary before its end.
    const bool oneCharacter =
        !s.empty() && db::IsValidUtf8(s) && db::Utf8CutLength(s, s.size() - 1) == 0;
    if (!oneCharacter) return "The separator must be one character.";
    if (s == "\"" || s == "\r" || s == "\n")
      return "The separator cannot be a quote, a carriage return or a line feed.";
    if (options.nullText && !db::IsValidUtf8(*options.nullText))
      return "The text for NULL is not valid UTF-8.";
  }
  if (options.format == ExportFormat::SqlInserts && options.tableName.empty())
    return "SQL statements need the name of the table they insert into.";
  if (options.progressRows < 1) return "Progress must be reported at least every row.";
  return {};
}

}  // namespace quillet::exporting
