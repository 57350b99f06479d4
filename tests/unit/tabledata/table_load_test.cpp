// Loading tables through the real SQLite provider: counts, pages, the cache, the query text,
// the status texts, the cell texts of every kind, and the failures the report log receives.

#include <gtest/gtest.h>

#include "unit/tabledata/frame_fixture.h"

namespace quillet::test {
namespace {

class TableLoad : public ::testing::Test {
 protected:
  // Shows the table as a selection would and expects it to load without an error.
  xElement_Table& Show(const std::string& name) {
    frame.ShowTable(name);
    EXPECT_TRUE(frame.services.errors.empty()) << frame.services.errors[0];
    return frame.Table();
  }
  FrameFixture frame{PagingDatabase()};
};

struct SizeRow {
  const char* table;
  int rows;
  int itemCount;
  int pageCount;
  int rowsInPage;
};

class TableSize : public TableLoad, public ::testing::WithParamInterface<SizeRow> {};

TEST_P(TableSize, CountAndFirstPage) {
  const SizeRow& row = GetParam();
  xElement_Table& table = Show(row.table);
  EXPECT_EQ(table.GetRowCount(), row.rows);
  EXPECT_EQ(frame.services.itemCount, row.itemCount);
  EXPECT_EQ(table.GetPageCount(), row.pageCount);
  EXPECT_EQ(table.GetRowsInPage(), row.rowsInPage);
  EXPECT_EQ(frame.services.panes[57391],
            "Object(s): " + std::to_string(row.itemCount) + "             ");
  if (row.rows > 0) {
    EXPECT_EQ(table.Text(0, 2), "row 1");
    const int last = std::min(row.rows, 100) - 1;
    EXPECT_EQ(table.Text(last, 1), std::to_string(last + 1));
  }
  // Beyond the rows there is nothing, and no box.
  EXPECT_EQ(table.Text(row.rows, 1), "");
  EXPECT_TRUE(frame.services.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Tables, TableSize,
                         ::testing::Values(SizeRow{"rows250", 250, 100, 3, 100},
                                           SizeRow{"rows100", 100, 100, 1, 100},
                                           SizeRow{"rows60", 60, 60, 0, 0},
                                           SizeRow{"rows0", 0, 0, 0, 0}));

// Page turns themselves are the data list's tests; here the last page and beyond it.
TEST_F(TableLoad, PagesOf250Rows) {
  xElement_Table& table = Show("rows250");
  table.LoadPage(2);
  EXPECT_EQ(table.GetRowsInPage(), 50);
  EXPECT_EQ(table.Text(49, 1), "250");
  table.LoadPage(3);  // beyond the last page: nothing happens
  EXPECT_EQ(table.GetCurrentPage(), 2);
  table.LoadPage(0);
  EXPECT_EQ(table.Text(0, 1), "1");
  // A row beyond the cache is an internal error, answered with an empty text.
  EXPECT_EQ(table.Text(150, 1), "");
  EXPECT_EQ(frame.services.messages,
            std::vector<std::string>{"xElement_Table :: get_data|Упс!!!!!"});
}

TEST_F(TableLoad, ColumnsQueryAndStatusTexts) {
  EXPECT_EQ(Show("rows60").GetLastQuery(), "select * from rows60");
  EXPECT_EQ(frame.services.sqlText, "select * from rows60");
  // The marker column, then one per result column.
  std::vector<std::string> titles;
  for (const auto& column : frame.services.columns) titles.push_back(column.title);
  EXPECT_EQ(titles, (std::vector<std::string>{"", "id", "label"}));

  // The progress texts name each row as it is enumerated, and the bar ends full and hidden.
  const std::string enumerates = "Loads the data into the row cache and enumerates the data";
  EXPECT_TRUE(frame.services.HasStep(enumerates + " [ row number 1]", 80));
  EXPECT_TRUE(frame.services.HasStep(enumerates + " [ row number 60]", 80));
  EXPECT_EQ(frame.services.steps.back().position, 100);
  EXPECT_EQ(frame.services.hiddenBars, frame.services.progressBars);
  EXPECT_EQ(frame.services.panes[57393].rfind("Table: rows60", 0), 0u);
}

TEST_F(TableLoad, NameWithABlankIsBracketed) {
  EXPECT_EQ(xElement_Table::TableQuery("Orders"), "select * from Orders");
  xElement_Table& table = Show("order lines");
  EXPECT_EQ(table.GetRowCount(), 3);
  EXPECT_EQ(table.GetLastQuery(), "select * from [order lines]");
}

TEST_F(TableLoad, EveryKindOfCell) {
  xElement_Table& t = Show("kinds");
  ASSERT_EQ(t.GetRowCount(), 3);
  // num, short_text, long_char, memo, picture, small_bin, wide, wide_long, price
  const std::vector<std::string> texts = {"42",     "hello",  "(TEXT)", "memo text", "(BLOB)",
                                          "(BLOB)", "wide ü", "(TEXT)", "2.5"};
  const std::vector<std::string> descriptions = {"42",        "hello",       "a long one",
                                                 "memo text", "Binary data", "Binary data",
                                                 "wide ü",    "wide long",   "2.5"};
  for (int k = 1; k <= 9; ++k) {
    EXPECT_EQ(t.Text(0, k), texts[k - 1]) << "column " << k;
    EXPECT_EQ(t.Description(0, k), descriptions[k - 1]) << "column " << k;
    EXPECT_EQ(t.Text(1, k), "(NULL)") << "column " << k;
    EXPECT_EQ(t.Description(1, k), "(EMPTY)") << "column " << k;
  }
  EXPECT_EQ(t.Text(0, 0), "");  // the marker column

  // Values longer than their cells: never shown cut.
  EXPECT_EQ(t.Text(2, 2), "(TEXT)");  // 600 characters in a VARCHAR(300), cut at the limit
  EXPECT_EQ(t.CellStatus(2, 2), db::DBSTATUS_S_TRUNCATED);
  EXPECT_EQ(t.Description(2, 2), std::string(511, 'x'));
  EXPECT_EQ(t.Description(2, 3), std::string(513, 'y'));  // by reference: 513 bytes kept
  EXPECT_EQ(t.Text(2, 4), "(TEXT)");  // 900 characters of TEXT: inline, cut at the limit
  EXPECT_EQ(t.Description(2, 4), std::string(511, 'z'));
  EXPECT_EQ(t.Text(2, 5), "(BLOB)");
}

TEST_F(TableLoad, FailuresAreReportedWithTheColumnsContext) {
  frame.ShowTable("no_such_table");
  ASSERT_EQ(frame.services.errors.size(), 1u);
  EXPECT_EQ(frame.services.errors[0].rfind("Trying to receive the information about columns: ", 0),
            0u)
      << frame.services.errors[0];
  EXPECT_NE(frame.services.errors[0].find("no_such_table"), std::string::npos);
  EXPECT_FALSE(frame.Table().HasData());
  EXPECT_EQ(frame.services.itemCount, 0);
  EXPECT_TRUE(frame.worker.IsIdle());

  // A query of the user's that fails is reported the same way and stays in the SQL window.
  frame.RunQuery("select nonsense from rows60");
  EXPECT_EQ(frame.services.errors.size(), 2u);
  EXPECT_EQ(frame.services.sqlText, "select nonsense from rows60");
}

TEST_F(TableLoad, SameNameRedrawsOnlyAndAnotherNameReloads) {
  xElement_Table& table = Show("rows60");
  const int bars = frame.services.progressBars;
  Show("rows60");
  EXPECT_EQ(frame.services.progressBars, bars);  // no new load
  EXPECT_EQ(frame.services.columns.size(), 3u);
  EXPECT_EQ(Show("rows100").GetRowCount(), 100);

  // Refresh asks for the table again by name (in key order), without reloading.
  auto refresh = table.RequestRefresh();
  EXPECT_EQ(refresh->table, "rows100");
  EXPECT_EQ(refresh->query, "");
  EXPECT_TRUE(refresh->redrawColumns);
  EXPECT_FALSE(refresh->reload);

  // A query of the user's replaces the table query until the next selection.
  frame.RunQuery("select id from rows250 where id > 240");
  EXPECT_EQ(table.GetRowCount(), 10);
  EXPECT_EQ(table.Text(0, 1), "241");
  EXPECT_EQ(frame.services.columns.size(), 2u);
}

}  // namespace
}  // namespace quillet::test
