#include "report/report_log.h"

#include <gtest/gtest.h>

namespace quillet::report {
namespace {

TEST(ReportLog, TimeIsMonthFirstWithMillisecondsAfterAColon) {
  EXPECT_EQ(FormatReportTime({2002, 4, 3, 9, 5, 7, 42}), "04.03.2002 09:05:07:042");
  EXPECT_EQ(FormatReportTime({1999, 12, 31, 23, 59, 59, 999}), "12.31.1999 23:59:59:999");
  const LocalTime now = CurrentLocalTime();
  EXPECT_TRUE(now.month >= 1 && now.month <= 12 && now.millisecond >= 0 && now.millisecond <= 999);
  EXPECT_EQ(FormatReportTime(now).size(), 23u);
}

TEST(ReportLog, NewestEntryIsRowZeroWithItsCellTexts) {
  ReportLog log;
  log.Add(kReportError, "a failure: with its reason", {2024, 2, 29, 13, 1, 2, 3});
  log.Add(kReportInformation, "a note", {2024, 2, 29, 13, 1, 2, 3});
  log.Add(7, "an unknown type", {2024, 2, 29, 13, 1, 2, 5});
  ASSERT_EQ(log.Size(), 3u);
  EXPECT_EQ(log.CellText(0, kColumnDescription), "an unknown type");
  EXPECT_EQ(log.CellText(0, kColumnType), "");
  EXPECT_EQ(log.CellText(1, kColumnType), "  Information:");
  EXPECT_EQ(log.CellText(2, kColumnType), "  Error:");
  EXPECT_EQ(log.CellText(2, kColumnTime), "02.29.2024 13:01:02:003");
  EXPECT_EQ(log.CellText(1, kColumnTime), log.CellText(2, kColumnTime));  // same millisecond
  EXPECT_EQ(log.CellText(2, kColumnDescription), "a failure: with its reason");
  // Outside the log, nothing.
  EXPECT_EQ(log.CellText(3, kColumnDescription), "");
  EXPECT_EQ(log.CellText(0, 3), "");
}

TEST(ReportLog, ALongDescriptionIsKeptWhole) {
  ReportLog log;
  const std::string text(100000, 'x');
  log.Add(kReportError, text);
  EXPECT_EQ(log.At(0).description, text);
}

}  // namespace
}  // namespace quillet::report
