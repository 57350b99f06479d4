// Loading tables through the real SQLite provider: counts, pages, the cache, the query text,
// the status texts, the cell texts of every kind, and the failures the report log receives.

#include <gtest/gtest.h>

#include "unit/tabledata/frame_fixture.h"

namespace quillet::test {
namespace {

struct SizeRow {
  const char* table;
  int rows;
  int itemCount;
  int pageCount;
  int rowsInPage;
};

class TableSizeTest : public ::testing::TestWithParam<SizeRow> {};

TEST_P(TableSizeTest, CountAndFirstPage) {
  const SizeRow& row = GetParam();
  FrameFixture frame(PagingDatabase());
  frame.ShowTable(row.table);
  ASSERT_TRUE(frame.services.errors.empty()) << frame.services.errors[0];
  xElement_Table& table = frame.Table();
  EXPECT_TRUE(table.HasData());
  EXPECT_EQ(table.GetRowCount(), row.rows);
  EXPECT_EQ(frame.services.itemCount, row.itemCount);
  EXPECT_EQ(table.GetPageSize(), 100);
  EXPECT_EQ(table.GetPageCount(), row.pageCount);
  EXPECT_EQ(table.GetRowsInPage(), row.rowsInPage);
  EXPECT_EQ(frame.services.panes[57391],
            "Object(s): " + std::to_string(row.itemCount) + "             ");
  if (row.rows > 0) {
    EXPECT_EQ(table.Text(0, 1), "1");
    EXPECT_EQ(table.Text(0, 2), "row 1");
    const int last = std::min(row.rows, 100) - 1;
    EXPECT_EQ(table.Text(last, 1), std::to_string(last + 1));
  }
  // Beyond the rows there is nothing, and no box.
  EXPECT_EQ(table.Text(row.rows, 1), "");
  EXPECT_TRUE(frame.services.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Tables, TableSizeTest,
                         ::testing::Values(SizeRow{"rows250", 250, 100, 3, 100},
                                           SizeRow{"rows100", 100, 100, 1, 100},
                                           SizeRow{"rows60", 60, 60, 0, 0},
                                           SizeRow{"rows0", 0, 0, 0, 0}));

TEST(TableLoad, PagesOf250Rows) {
  FrameFixture frame(PagingDatabase());
  frame.ShowTable("rows250");
  xElement_Table& table = frame.Table();
  table.LoadPage(1);
  EXPECT_EQ(table.GetCurrentPage(), 1);
  EXPECT_EQ(table.GetRowsInPage(), 100);
  EXPECT_EQ(table.Text(0, 1), "101");
  EXPECT_EQ(table.Text(99, 2), "row 200");
  table.LoadPage(2);
  EXPECT_EQ(table.GetRowsInPage(), 50);
  EXPECT_EQ(table.Text(0, 1), "201");
  EXPECT_EQ(table.Text(49, 1), "250");
  table.LoadPage(3);  // beyond the last page: nothing happens
  EXPECT_EQ(table.GetCurrentPage(), 2);
  table.LoadPage(0);
  EXPECT_EQ(table.Text(0, 1), "1");
  // A row beyond the cache is an internal error, answered with an empty text.
  EXPECT_EQ(table.Text(150, 1), "");
  ASSERT_EQ(frame.services.messages.size(), 1u);
  EXPECT_EQ(frame.services.messages[0], "xElement_Table :: get_data|Упс!!!!!");
}

TEST(TableLoad, ColumnsQueryAndStatusTexts) {
  FrameFixture frame(PagingDatabase());
  frame.ShowTable("rows60");
  xElement_Table& table = frame.Table();
  EXPECT_EQ(table.GetLastQuery(), "select * from rows60");
  EXPECT_EQ(frame.services.sqlText, "select * from rows60");

  // The marker column, then one per result column.
  ASSERT_EQ(frame.services.columns.size(), 3u);
  EXPECT_EQ(frame.services.columns[0].title, "");
  EXPECT_EQ(frame.services.columns[0].width, 20);
  EXPECT_EQ(frame.services.columns[1].title, "id");
  EXPECT_EQ(frame.services.columns[2].title, "label");
  EXPECT_EQ(frame.services.columns[2].width, 100);

  const std::vector<RecordingServices::Step> expected = {
      {"", 1},
      {"Prepares a query", 2},
      {"Loads the information about columns", 5},
      {"Creates an accessor", 15},
      {"Creates an accessor", 20},
      {"Redraws columns", 25},
      {"Loads data from table", 30},
      {"Loads data from table", 45},
      {"Creates a row cache", 50},
      {"Loads the data into the row cache and enumerates the data", 55},
      {"Loads the data into the row cache and enumerates the data [ row number 1]", 80}};
  const auto& steps = frame.services.steps;
  std::size_t at = 0;
  for (const auto& step : steps)
    if (at < expected.size() && step.text == expected[at].text &&
        step.position == expected[at].position)
      ++at;
  EXPECT_EQ(at, expected.size()) << "missing step: "
                                 << expected[std::min(at, expected.size() - 1)].text;
  EXPECT_TRUE(frame.services.HasStep(
      "Loads the data into the row cache and enumerates the data [ row number 60]", 80));
  ASSERT_GE(steps.size(), 2u);
  EXPECT_EQ(steps[steps.size() - 2].position, 95);
  EXPECT_EQ(steps.back().position, 100);
  EXPECT_EQ(frame.services.hiddenBars, frame.services.progressBars);
  EXPECT_EQ(frame.services.panes[57393].rfind("Table: rows60", 0), 0u);
}

TEST(TableLoad, NameWithABlankIsBracketed) {
  EXPECT_EQ(xElement_Table::TableQuery("order lines"), "select * from [order lines]");
  EXPECT_EQ(xElement_Table::TableQuery("Orders"), "select * from Orders");
  FrameFixture frame(PagingDatabase());
  frame.ShowTable("order lines");
  ASSERT_TRUE(frame.services.errors.empty()) << frame.services.errors[0];
  EXPECT_EQ(frame.Table().GetRowCount(), 3);
  EXPECT_EQ(frame.Table().GetLastQuery(), "select * from [order lines]");
}

TEST(TableLoad, EveryKindOfCell) {
  FrameFixture frame(PagingDatabase());
  frame.ShowTable("kinds");
  ASSERT_TRUE(frame.services.errors.empty()) << frame.services.errors[0];
  xElement_Table& t = frame.Table();
  ASSERT_EQ(t.GetRowCount(), 3);
  // num, short_text, long_char, memo, picture, small_bin, wide, wide_long, price
  const std::vector<std::string> first = {"42",     "hello",  "(TEXT)", "(TEXT)", "(BLOB)",
                                          "(BLOB)", "wide ü", "(TEXT)", "2.5"};
  for (std::size_t k = 0; k < first.size(); ++k)
    EXPECT_EQ(t.Text(0, static_cast<int>(k + 1)), first[k]) << "column " << k + 1;
  EXPECT_EQ(t.Text(0, 0), "");  // the marker column
  EXPECT_EQ(t.Text(0, 10), "");
  for (int k = 1; k <= 9; ++k) {
    EXPECT_EQ(t.Text(1, k), "(NULL)") << "column " << k;
    EXPECT_EQ(t.Description(1, k), "(EMPTY)") << "column " << k;
  }
  EXPECT_EQ(t.Description(0, 3), "a long one");
  EXPECT_EQ(t.Description(0, 4), "memo text");
  EXPECT_EQ(t.Description(0, 5), "Binary data");
  EXPECT_EQ(t.Description(0, 7), "wide ü");

  // Values longer than their cells: never shown cut.
  EXPECT_EQ(t.Text(2, 2), "(TEXT)");  // 600 characters in a VARCHAR(300)
  EXPECT_EQ(t.Description(2, 2), std::string(511, 'x'));
  EXPECT_EQ(t.Description(2, 3), std::string(513, 'y'));  // by reference: 513 bytes kept
  EXPECT_EQ(t.Description(2, 4), std::string(511, 'z'));
  EXPECT_EQ(t.Text(2, 5), "(BLOB)");
  EXPECT_EQ(t.CellStatus(2, 2), db::DBSTATUS_S_TRUNCATED);
}

TEST(TableLoad, MissingTableIsReportedWithTheColumnsContext) {
  FrameFixture frame(PagingDatabase());
  frame.ShowTable("no_such_table");
  ASSERT_EQ(frame.services.errors.size(), 1u);
  EXPECT_EQ(frame.services.errors[0].rfind("Trying to receive the information about columns: ", 0),
            0u)
      << frame.services.errors[0];
  EXPECT_NE(frame.services.errors[0].find("no_such_table"), std::string::npos);
  EXPECT_FALSE(frame.Table().HasData());
  EXPECT_EQ(frame.services.itemCount, 0);
  EXPECT_EQ(frame.services.steps.back().position, 100);
  EXPECT_TRUE(frame.worker.IsIdle());

  // A custom query that fails is reported the same way and stays in the SQL window.
  auto request = std::make_unique<ShowData>();
  request->query = "select nonsense from rows60";
  request->reload = true;
  frame.RunJob(kSlotTable, std::move(request));
  EXPECT_EQ(frame.services.errors.size(), 2u);
  EXPECT_EQ(frame.services.sqlText, "select nonsense from rows60");
}

TEST(TableLoad, SameNameRedrawsOnlyAndAnotherNameReloads) {
  FrameFixture frame(PagingDatabase());
  frame.ShowTable("rows60");
  xElement_Table& table = frame.Table();
  const int bars = frame.services.progressBars;
  frame.ShowTable("rows60");
  EXPECT_EQ(frame.services.progressBars, bars);  // no new load
  EXPECT_EQ(frame.services.columns.size(), 3u);
  table.SetName("rows100");
  EXPECT_FALSE(table.HasData());
  frame.RunJob(kSlotTable);
  EXPECT_EQ(table.GetRowCount(), 100);

  // Refresh asks for the last query again, without reloading.
  auto refresh = table.RequestRefresh();
  EXPECT_EQ(refresh->query, "select * from rows100");
  EXPECT_TRUE(refresh->redrawColumns);
  EXPECT_FALSE(refresh->reload);

  // A custom query replaces the table query until the next selection.
  auto request = std::make_unique<ShowData>();
  request->query = "select id from rows250 where id > 240";
  request->reload = true;
  frame.RunJob(kSlotTable, std::move(request));
  EXPECT_EQ(table.GetRowCount(), 10);
  EXPECT_EQ(table.Text(0, 1), "241");
  EXPECT_EQ(frame.services.columns.size(), 2u);
}

}  // namespace
}  // namespace quillet::test
