// The demo database through the element model: exact row counts and pages, a table whose name
// holds a blank, and the folders that list them.

#include <gtest/gtest.h>

#include "unit/tabledata/frame_fixture.h"

namespace quillet::test {
namespace {

std::string DemoPath() {
  const char* path = std::getenv("QUILLET_DEMO_DB");
  return path ? path : "";
}

struct DemoRow {
  const char* table;
  int rows;
  int pageCount;
};

class DemoTableTest : public ::testing::TestWithParam<DemoRow> {};

TEST_P(DemoTableTest, CountsAndPages) {
  FrameFixture frame(DemoPath());
  const DemoRow& row = GetParam();
  frame.ShowTable(row.table);
  ASSERT_TRUE(frame.services.errors.empty()) << frame.services.errors[0];
  EXPECT_EQ(frame.Table().GetRowCount(), row.rows);
  EXPECT_EQ(frame.Table().GetPageCount(), row.pageCount);
  EXPECT_EQ(frame.services.itemCount, std::min(row.rows, 100));
}

INSTANTIATE_TEST_SUITE_P(Demo, DemoTableTest,
                         ::testing::Values(DemoRow{"customers", 60, 0}, DemoRow{"products", 100, 1},
                                           DemoRow{"orders", 250, 3},
                                           DemoRow{"events", 1'000'000, 10'000}));

TEST(DemoDatabase, FoldersAndTheTableWithABlank) {
  FrameFixture frame(DemoPath());
  frame.RunJob(kSlotTables);
  xElement& tables = *frame.elements.Element(kSlotTables);
  bool found = false;
  for (int i = 0; i < tables.GetRowCount(); ++i) found |= tables.Text(i, 0) == "Order Details";
  EXPECT_TRUE(found);
  frame.RunJob(kSlotViews);
  EXPECT_GE(frame.elements.Element(kSlotViews)->GetRowCount(), 3);

  frame.ShowTable("Order Details");
  ASSERT_TRUE(frame.services.errors.empty()) << frame.services.errors[0];
  EXPECT_EQ(frame.Table().GetLastQuery(), "select * from [Order Details]");
  EXPECT_GT(frame.Table().GetRowCount(), 0);
  // The last page of the million-row table holds its last rows.
  frame.ShowTable("events");
  frame.Table().LoadPage(9'999);
  EXPECT_EQ(frame.Table().GetRowsInPage(), 100);
  EXPECT_EQ(frame.Table().Text(99, 1), "1000000");
}

}  // namespace
}  // namespace quillet::test
