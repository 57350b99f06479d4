#include "report/report_log.h"

#include <gtest/gtest.h>

namespace quillet::report {
namespace {

struct TimeCase {
  LocalTime time;
  const char* text;
};

class ReportTimeTest : public ::testing::TestWithParam<TimeCase> {};

TEST_P(ReportTimeTest, MonthFirstAndMillisecondsAfterAColon) {
  EXPECT_EQ(FormatReportTime(GetParam().time), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Times, ReportTimeTest,
    ::testing::Values(TimeCase{{2002, 4, 3, 9, 5, 7, 42}, "04.03.2002 09:05:07:042"},
                      TimeCase{{1999, 12, 31, 23, 59, 59, 999}, "12.31.1999 23:59:59:999"},
                      TimeCase{{2024, 1, 1, 0, 0, 0, 0}, "01.01.2024 00:00:00:000"}));

TEST(ReportLogTest, NewestEntryIsRowZero) {
  ReportLog log;
  EXPECT_TRUE(log.Empty());
  const LocalTime same{2024, 5, 6, 7, 8, 9, 10};
  log.Add(kReportError, "first", same);
  log.Add(kReportInformation, "second", same);
  ASSERT_EQ(log.Size(), 2u);
  EXPECT_EQ(log.At(0).description, "second");
  EXPECT_EQ(log.At(1).description, "first");
  // Two entries of the same millisecond show the same time.
  EXPECT_EQ(log.CellText(0, kColumnTime), log.CellText(1, kColumnTime));
}

TEST(ReportLogTest, CellTexts) {
  ReportLog log;
  log.Add(kReportError, "a failure: with its reason", {2024, 2, 29, 13, 1, 2, 3});
  log.Add(kReportInformation, "a note", {2024, 2, 29, 13, 1, 2, 4});
  log.Add(7, "an unknown type", {2024, 2, 29, 13, 1, 2, 5});
  EXPECT_EQ(log.CellText(2, kColumnType), "  Error:");
  EXPECT_EQ(log.CellText(1, kColumnType), "  Information:");
  EXPECT_EQ(log.CellText(0, kColumnType), "");
  EXPECT_EQ(log.CellText(2, kColumnTime), "02.29.2024 13:01:02:003");
  EXPECT_EQ(log.CellText(2, kColumnDescription), "a failure: with its reason");
  // Outside the log, nothing.
  EXPECT_EQ(log.CellText(3, kColumnDescription), "");
  EXPECT_EQ(log.CellText(0, 3), "");
}

TEST(ReportLogTest, ALongDescriptionIsKeptWhole) {
  ReportLog log;
  const std::string text(100000, 'x');
  log.Add(kReportError, text);
  EXPECT_EQ(log.At(0).description, text);
}

TEST(ReportLogTest, CurrentTimeIsAValidStamp) {
  const LocalTime now = CurrentLocalTime();
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_GE(now.millisecond, 0);
  EXPECT_LE(now.millisecond, 999);
  EXPECT_EQ(FormatReportTime(now).size(), 23u);
}

TEST(ReportLogTest, ColumnsAndEmptyText) {
  EXPECT_EQ(ReportColumnTitle(kColumnType), "Type");
  EXPECT_EQ(ReportColumnTitle(kColumnTime), "Time");
  EXPECT_EQ(ReportColumnTitle(kColumnDescription), "Description");
  EXPECT_EQ(ReportColumnWidth(kColumnType), 70);
  EXPECT_EQ(ReportColumnWidth(kColumnTime), 145);
  EXPECT_EQ(ReportColumnWidth(kColumnDescription), 425);
  EXPECT_EQ(ReportEmptyText(), "There are no items in report window");
}

}  // namespace
}  // namespace quillet::report
