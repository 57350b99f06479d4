#pragma once
// The report log: a time-stamped list of the errors and notes that did not stop the user's work.
// It lives in memory for the life of its window and only grows; the newest entry is row 0.

#include <cstddef>
#include <deque>
#include <string>

namespace quillet::report {

enum ReportType : int {
  kReportError = 0,
  kReportInformation = 1,
};

// A moment of local time, split the way the log prints it.
struct LocalTime {
  int year = 0;
  int month = 0;  // 1 to 12
  int day = 0;
  int hour = 0;  // 0 to 23
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

LocalTime CurrentLocalTime();

// "MM.DD.YYYY hh:mm:ss:mmm": month first, milliseconds after a colon.
std::string FormatReportTime(const LocalTime& time);

// The "Type" column's text: "  Error:" or "  Information:" (the blanks belong to the text);
// empty for any other type.
std::string ReportTypeText(int type);

struct ReportEntry {
  int type = kReportError;  // also the index of the entry's icon
  std::string time;
  std::string description;
};

// Column layout of the log's list, in order.
enum ReportColumn : int { kColumnType = 0, kColumnTime = 1, kColumnDescription = 2 };
constexpr int kReportColumnCount = 3;
int ReportColumnWidth(int column);          // 70, 145, 425
std::string ReportColumnTitle(int column);  // "Type", "Time", "Description"
std::string ReportEmptyText();              // shown while the log holds no entry

class ReportLog {
 public:
  // Adds an entry stamped with the current local time; returns it (row 0).
  const ReportEntry& Add(int type, std::string description);
  const ReportEntry& Add(int type, std::string description, const LocalTime& time);

  std::size_t Size() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }
  // Row 0 is the newest entry.
  const ReportEntry& At(std::size_t row) const { return entries_[row]; }
  // The text of one cell; empty outside the log.
  std::string CellText(std::size_t row, int column) const;

 private:
  std::deque<ReportEntry> entries_;
};

}  // namespace quillet::report
