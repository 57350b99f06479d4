// The demo database through the element model: the million-row table's count and last page, a
// table whose name holds a blank, and the folders that list them.

#include <gtest/gtest.h>

#include "unit/tabledata/frame_fixture.h"

namespace quillet::test {
namespace {

TEST(DemoDatabase, CountsAndPages) {
  FrameFixture frame(std::getenv("QUILLET_DEMO_DB") ? std::getenv("QUILLET_DEMO_DB") : "");
  // Small tables' pages are the table-load suite's; here the million rows of the demo.
  frame.ShowTable("events");
  ASSERT_TRUE(frame.services.errors.empty()) << frame.services.errors[0];
  EXPECT_EQ(frame.Table().GetRowCount(), 1'000'000);
  EXPECT_EQ(frame.Table().GetPageCount(), 10'000);
  EXPECT_EQ(frame.services.itemCount, 100);
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
