// The data list's cursor over pages of the row cache: keys at page edges, the row status, and
// what the mouse and Enter do with long values.

#include <gtest/gtest.h>

#include "unit/tabledata/frame_fixture.h"

namespace quillet::test {
namespace {

using Key = DataListModel::Key;

class DataListTest : public ::testing::Test {
 protected:
  DataListTest() : frame(PagingDatabase()) {}
  void Show(const std::string& table) {
    frame.ShowTable(table);
    ASSERT_TRUE(frame.services.errors.empty()) << frame.services.errors[0];
    items = frame.services.itemCount;
  }
  // A key as the view passes it: with the list's current item count.
  void Press(Key key) {
    list().OnKeyDown(key, items, 20, 3);
    items = frame.services.itemCount;
  }
  DataListModel& list() { return frame.dataList; }
  std::string Status() { return frame.services.panes[57392]; }

  FrameFixture frame;
  int items = 0;
};

TEST_F(DataListTest, DownAndUpTurnPagesOf250Rows) {
  Show("rows250");
  ASSERT_EQ(items, 100);
  list().SetCursor(99, 1);
  EXPECT_EQ(Status(), "Row 100 , Ln. 1           ");
  Press(Key::Down);  // page 1: rows 101..200, cursor stays on item 99
  EXPECT_EQ(frame.Table().GetCurrentPage(), 1);
  EXPECT_EQ(list().CurrentRow(), 99);
  EXPECT_EQ(items, 100);
  EXPECT_EQ(Status(), "Row 200 , Ln. 1           ");
  EXPECT_EQ(list().DisplayText(99, 1, true), "200");

  Press(Key::Down);  // page 2 holds 50 rows; the cursor is left at 99
  EXPECT_EQ(frame.Table().GetCurrentPage(), 2);
  EXPECT_EQ(items, 50);
  EXPECT_EQ(list().CurrentRow(), 99);

  list().SetCursor(0, 1);
  Press(Key::Up);  // back to page 1, row 101
  EXPECT_EQ(frame.Table().GetCurrentPage(), 1);
  EXPECT_EQ(list().CurrentRow(), 0);
  EXPECT_EQ(items, 100);
  EXPECT_EQ(Status(), "Row 101 , Ln. 1           ");

  Press(Key::Down);
  EXPECT_EQ(list().CurrentRow(), 1);
  EXPECT_EQ(Status(), "Row 102 , Ln. 1           ");
}

TEST_F(DataListTest, ShortTableHasNoPagesAndKeysStayInRange) {
  Show("rows60");
  list().SetCursor(59, 0);
  Press(Key::Down);
  EXPECT_EQ(list().CurrentRow(), 59);
  EXPECT_EQ(frame.Table().GetCurrentPage(), 0);
  EXPECT_EQ(items, 60);
  list().SetCursor(0, 0);
  Press(Key::Up);
  EXPECT_EQ(list().CurrentRow(), 0);
  EXPECT_EQ(Status(), "Row 1 , Ln. 0           ");

  list().SetCursor(5, 0);
  Press(Key::PageUp);
  EXPECT_EQ(list().CurrentRow(), 0);
  list().SetCursor(50, 0);
  Press(Key::PageDown);
  EXPECT_EQ(list().CurrentRow(), 59);
  Press(Key::Left);
  EXPECT_EQ(list().CurrentColumn(), 0);
  for (int i = 0; i < 3; ++i) Press(Key::Right);
  EXPECT_EQ(list().CurrentColumn(), 2);  // three columns: marker, id, label

  // No texts while a job runs.
  EXPECT_EQ(list().DisplayText(0, 2, true), "row 1");
  EXPECT_EQ(list().DisplayText(0, 2, false), "");
}

TEST_F(DataListTest, LongValuesOpenTheMenuFromTheCursorCellOnly) {
  Show("kinds");
  list().SetCursor(0, 1);  // the number 42
  EXPECT_FALSE(list().OnKeyDown(Key::Enter, items, 20, 10));
  list().SetCursor(0, 3);  // long_char: "(TEXT)"
  EXPECT_TRUE(list().OnKeyDown(Key::Enter, items, 20, 10));
  list().SetCursor(1, 4);  // null: "(NULL)"
  EXPECT_FALSE(list().OnKeyDown(Key::Enter, items, 20, 10));

  // The first press on the button of another cell only moves the cursor there.
  EXPECT_FALSE(list().OnButtonDown(true, true, 0, 5, true));
  EXPECT_EQ(list().CurrentColumn(), 5);
  EXPECT_TRUE(list().OnButtonDown(true, true, 0, 5, true));
  EXPECT_FALSE(list().OnButtonDown(true, true, 0, 5, false));
  // Other views move to column 0.
  list().OnButtonDown(true, false, 1, 5, true);
  EXPECT_EQ(list().CurrentRow(), 1);
  EXPECT_EQ(list().CurrentColumn(), 0);
}

}  // namespace
}  // namespace quillet::test
