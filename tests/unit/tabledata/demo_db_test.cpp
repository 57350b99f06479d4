// The demo database through the element model: exact row counts and pages, a table whose name
// holds a blank, and the folders that list them.

#include <gtest/gtest.h>

#include "unit/tabledata/frame_fixture.h"

namespace quillet::test {
namespace {

TEST(DemoDatabase, CountsAndPages) {
  FrameFixture frame(std::getenv("QUILLET_DEMO_DB") ? std::getenv("QUILLET_DEMO_DB") : "");
  const struct {
    const char* table;
    int rows;
    int pageCount;
  } tables[] = {{"customers", 60, 0},
                {"products", 100, 1},
                {"orders", 250, 3},
                {"events", 1'000'000, 10'000}};
  for (const auto& t : tables) {
    frame.ShowTable(t.table);
    ASSERT_TRUE(frame.services.errors.empty()) << frame.services.errors[0];
    EXPECT_EQ(frame.Table().GetRowCount(), t.rows) << t.table;
    EXPECT_EQ(frame.Table().GetPageCount(), t.pageCount) << t.table;
    EXPECT_EQ(frame.services.itemCount, std::min(t.rows, 100)) << t.table;
  }
  // The last page of the million-row table holds its last rows.
  frame.Table().LoadPage(9'999);
  EXPECT_EQ(frame.Table().GetRowsInPage(), 100);
  EXPECT_EQ(frame.Table().Text(99, 1), "1000000");

  frame.RunJob(kSlotTables);
  xElement& folder = *frame.elements.Element(kSlotTables);
  bool found = false;
  for (int i = 0; i < folder.GetRowCount(); ++i) found |= folder.Text(i, 0) == "Order Details";
  EXPECT_TRUE(found);
  frame.RunJob(kSlotViews);
  EXPECT_GE(frame.elements.Element(kSlotViews)->GetRowCount(), 3);
  frame.ShowTable("Order Details");
  ASSERT_TRUE(frame.services.errors.empty()) << frame.services.errors[0];
  EXPECT_EQ(frame.Table().GetLastQuery(), "select * from [Order Details]");
  EXPECT_GT(frame.Table().GetRowCount(), 0);
}

}  // namespace
}  // namespace quillet::test
