#pragma once
// What an export writes: the three file formats and the choices that shape them.
//
//   Csv        RFC 4180: UTF-8, a header line of column names, CRLF after every line. A field
//              is quoted when it holds the separator, a quote, CR or LF, or starts or ends with a
//              space; quotes inside are doubled. Binary values are plain hex digits.
//   JsonLines  one JSON object per line ("\n"), keyed by column name. NULL is null; numbers of
//              numeric columns are JSON numbers, and a value such a column holds that has no
//              JSON number form (Infinity, NaN, a text in an SQLite integer column) is written
//              as the JSON string of its text; booleans of boolean columns are true/false;
//              binary values are base64 strings.
//   SqlInserts one `INSERT INTO "table" ("col", ...) VALUES (...);` per line: identifiers in
//              double quotes, texts in single quotes (quotes doubled), NULL, numbers unquoted,
//              booleans TRUE/FALSE, binary values X'hex'.
//
// In every format text is written as valid UTF-8: a byte that is not part of a valid sequence
// becomes U+FFFD. Column names that repeat get "_2", "_3", ... and an empty name becomes
// "column_N", so each column has its own key in every format.

#include <optional>
#include <string>
#include <string_view>

namespace quillet::exporting {

enum class ExportFormat { Csv, JsonLines, SqlInserts };

// "csv", "jsonl" and "sql"; std::nullopt for any other name.
std::optional<ExportFormat> FormatFromName(std::string_view name);
const char* FormatName(ExportFormat format);

struct ExportOptions {
  ExportFormat format = ExportFormat::Csv;
  // CSV: the field separator, one character (UTF-8); not a quote, CR or LF.
  std::string separator = ",";
  // CSV: the text written for NULL. Without one NULL is an empty field, and an empty text is
  // then written as "" so the two stay apart. A text equal to the chosen one is quoted, the way
  // PostgreSQL's CSV reader tells it from NULL.
  std::optional<std::string> nullText;
  // SQL: the table the statements insert into (required for that format).
  std::string tableName;
  // Rows between two ExportProgress::RowsWritten calls.
  long long progressRows = 10000;
};

// Empty when the options can be used; otherwise one line that says what is wrong.
std::string CheckOptions(const ExportOptions& options);

}  // namespace quillet::exporting
