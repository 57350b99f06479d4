// The loading job on its thread: what the frame sees when a job ends, navigation points, the
// first page of ten million rows before their count, page jobs, and Stop during a count and
// during a page.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "unit/tabledata/frame_fixture.h"

namespace quillet::test {
namespace {

TEST(WorkerJob, ShowsAFolderThenATableAndAddsPoints) {
  FrameFixture frame(PagingDatabase());
  frame.elements.Element(kSlotTables)->SetListViewStyle(1);
  frame.RunJob(kSlotDatabase);
  EXPECT_EQ(frame.elements.ListSlot(), kSlotDatabase);
  EXPECT_EQ(frame.services.itemCount, 3);
  EXPECT_TRUE(frame.points.empty());  // nothing was shown before

  frame.RunJob(kSlotTables);
  EXPECT_EQ(frame.elements.ListSlot(), kSlotTables);
  EXPECT_EQ(frame.services.viewStyle, 1u);
  EXPECT_EQ(frame.services.itemCount, 6);
  EXPECT_EQ(frame.services.panes[57393].rfind("Tables", 0), 0u);
  EXPECT_EQ(frame.dataList.Element(), frame.elements.Element(kSlotTables));
  ASSERT_EQ(frame.points.size(), 1u);
  EXPECT_EQ(frame.points[0].slot, kSlotDatabase);
  EXPECT_EQ(frame.points[0].statusText, "Data Base");
  EXPECT_EQ(frame.points[0].query, "<none>");

  frame.ShowTable("rows250");
  ASSERT_EQ(frame.points.size(), 2u);
  EXPECT_EQ(frame.points[1].slot, kSlotTables);

  // Another table straight after it (the same element): the point is the table left, with the
  // cursor's row in its rows.
  frame.dataList.SetCursor(7, 1);
  frame.ShowTable("rows60");
  ASSERT_EQ(frame.points.size(), 3u);
  EXPECT_EQ(frame.points[2].slot, kSlotTable);
  EXPECT_EQ(frame.points[2].statusText, "Table: rows250");
  EXPECT_EQ(frame.points[2].table, "rows250");
  EXPECT_EQ(frame.points[2].query, "");  // the whole table, opened by name again
  EXPECT_EQ(frame.points[2].row, 7);

  // Leaving a query keeps it in the point; a negative code adds none.
  frame.RunQuery("select id from rows60 where id > 50");
  frame.RunJob(kSlotTables);
  ASSERT_EQ(frame.points.size(), 5u);
  EXPECT_EQ(frame.points[4].statusText, "Table: rows60");
  EXPECT_EQ(frame.points[4].query, "select id from rows60 where id > 50");
  frame.RunJob(-kSlotDatabase);
  EXPECT_EQ(frame.points.size(), 5u);

  EXPECT_TRUE(frame.worker.IsIdle());
  EXPECT_TRUE(frame.services.quickViewEnabled);
  EXPECT_TRUE(frame.services.errors.empty());
}

TEST(WorkerJob, TheFirstPageShowsBeforeTheRowsAreCounted) {
  FrameFixture frame(BigDatabase(10'000'000));
  frame.Table().SetName("big");
  frame.RunJob(kSlotTable);
  // The job ended with the first page in the list; the count may still run.
  xElement_Table& table = frame.Table();
  EXPECT_TRUE(frame.worker.IsIdle());
  EXPECT_EQ(frame.services.itemCount, 100);
  EXPECT_EQ(table.Text(99, 1), "100");
  EXPECT_GE(table.GetRowCount(), 100);
  EXPECT_EQ(table.RowCountKnown(), table.GetRowCount() == 10'000'000);
  table.EnsureRowCount();
  EXPECT_EQ(table.GetRowCount(), 10'000'000);
  EXPECT_EQ(table.GetPageCount(), 100'000);
  EXPECT_TRUE(frame.services.errors.empty());
}

TEST(WorkerJob, StopEndsTheCountAndTheLastPageCountsAgain) {
  FrameFixture frame(BigDatabase(10'000'000));
  frame.Table().SetName("big");
  frame.RunJob(kSlotTable);
  xElement_Table& table = frame.Table();
  table.StopCount();
  EXPECT_FALSE(table.CountRunning());
  EXPECT_TRUE(table.HasData());
  // Until a count ends, the rows known are those read, and the list goes on working.
  if (!table.RowCountKnown()) {
    EXPECT_EQ(table.GetRowCount(), 100);
  }
  frame.RunPage({PageJob::Target::Page, 1, 0});
  EXPECT_EQ(table.Text(0, 1), "101");
  EXPECT_EQ(frame.services.shownPage, (std::pair<int, int>{100, 0}));
  // The last page waits for a count of its own.
  frame.RunPage({PageJob::Target::Last, 0, -1});
  EXPECT_TRUE(table.RowCountKnown());
  EXPECT_EQ(table.GetCurrentPage(), 99'999);
  EXPECT_EQ(table.Text(99, 1), "10000000");
  EXPECT_EQ(frame.services.shownPage, (std::pair<int, int>{100, 99}));
  EXPECT_TRUE(frame.services.errors.empty());
}

TEST(WorkerJob, StopDuringAPageJobKeepsThePageShown) {
  FrameFixture frame(BigDatabase(10'000'000));
  auto request = std::make_unique<ShowData>();
  // A query: no key to seek by, so a deep page is a long walk that a stop cuts short.
  request->query = "select * from big where id % 2 = 0";
  request->reload = true;
  frame.RunJob(kSlotTable, std::move(request));
  xElement_Table& table = frame.Table();
  frame.worker.SetPageJob({PageJob::Target::Page, 40'000, 0});
  frame.worker.Start();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  frame.worker.Stop();
  EXPECT_FALSE(frame.worker.IsBusy());
  EXPECT_EQ(table.GetCurrentPage(), 0);
  EXPECT_EQ(table.Text(0, 1), "2");
  EXPECT_EQ(frame.services.shownPage, (std::pair<int, int>{100, -1}));
  EXPECT_TRUE(frame.services.errors.empty()) << frame.services.errors[0];
  // The next turn goes on normally.
  frame.RunPage({PageJob::Target::Page, 1, 0});
  EXPECT_EQ(table.Text(0, 1), "202");
}

}  // namespace
}  // namespace quillet::test
