#include "report/report_log.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <utility>

#include "resources/string_table.h"

namespace quillet::report {
namespace {

constexpr unsigned kStringErrorType = 57424;
constexpr unsigned kStringInformationType = 57425;
constexpr unsigned kStringEmptyLog = 57422;
constexpr unsigned kStringColumnType = 57423;
constexpr unsigned kStringColumnTime = 57426;
constexpr unsigned kStringColumnDescription = 57421;

}  // namespace

LocalTime CurrentLocalTime() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm parts{};
  localtime_r(&seconds, &parts);
  LocalTime t;
  t.year = parts.tm_year + 1900;
  t.month = parts.tm_mon + 1;
  t.day = parts.tm_mday;
  t.hour = parts.tm_hour;
  t.minute = parts.tm_min;
  t.second = parts.tm_sec;
  t.millisecond = static_cast<int>(millis < 0 ? millis + 1000 : millis);
  return t;
}

std::string FormatReportTime(const LocalTime& t) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%02i.%02i.%04i %02i:%02i:%02i:%03i", t.month, t.day, t.year,
                t.hour, t.minute, t.second, t.millisecond);
  return buffer;
}

std::string ReportTypeText(int type) {
  std::string text;
  if (type == kReportError) text += LoadResourceString(kStringErrorType);
  if (type == kReportInformation) text += LoadResourceString(kStringInformationType);
  return text;
}

int ReportColumnWidth(int column) {
  switch (column) {
    case kColumnType:
      return 70;
    case kColumnTime:
      return 145;
    case kColumnDescription:
      return 425;
    default:
      return 0;
  }
}

std::string ReportColumnTitle(int column) {
  switch (column) {
    case kColumnType:
      return LoadResourceString(kStringColumnType);
    case kColumnTime:
      return LoadResourceString(kStringColumnTime);
    case kColumnDescription:
      return LoadResourceString(kStringColumnDescription);
    default:
      return {};
  }
}

std::string ReportEmptyText() {
  return LoadResourceString(kStringEmptyLog);
}

const ReportEntry& ReportLog::Add(int type, std::string description) {
  return Add(type, std::move(description), CurrentLocalTime());
}

const ReportEntry& ReportLog::Add(int type, std::string description, const LocalTime& time) {
  entries_.push_front(ReportEntry{type, FormatReportTime(time), std::move(description)});
  return entries_.front();
}

std::string ReportLog::CellText(std::size_t row, int column) const {
  if (row >= entries_.size()) return {};
  const ReportEntry& e = entries_[row];
  switch (column) {
    case kColumnType:
      return ReportTypeText(e.type);
    case kColumnTime:
      return e.time;
    case kColumnDescription:
      return e.description;
    default:
      return {};
  }
}

}  // namespace quillet::report
