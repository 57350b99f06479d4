// The loading job on its thread: what the frame sees when a job ends, navigation points, a new
// job while one runs, and Stop in the middle of counting ten million rows.

#include <gtest/gtest.h>

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

  // Leaving the table keeps its query in the point; a negative code adds none.
  frame.RunJob(kSlotTables);
  ASSERT_EQ(frame.points.size(), 3u);
  EXPECT_EQ(frame.points[2].slot, kSlotTable);
  EXPECT_EQ(frame.points[2].statusText, "Table: rows250");
  EXPECT_EQ(frame.points[2].query, "select * from rows250");
  frame.RunJob(-kSlotDatabase);
  EXPECT_EQ(frame.points.size(), 3u);

  EXPECT_TRUE(frame.worker.IsIdle());
  EXPECT_TRUE(frame.services.quickViewEnabled);
  EXPECT_TRUE(frame.services.errors.empty());
}

TEST(WorkerJob, SecondJobWhileOneRunsReplacesIt) {
  FrameFixture frame(BigDatabase(10'000'000));
  frame.Table().SetName("big");
  frame.worker.SetJobCode(kSlotTable);
  frame.worker.Start();
  // A new selection while the first job counts: Start stops the old job first.
  frame.services.WaitUntil(
      [](const RecordingServices& s) { return s.HasStep("Loads data from table", 45); });
  frame.elements.SetListSlot(0);
  frame.elements.TableElement(kSlotView)->SetName("big");
  frame.worker.SetJobCode(-kSlotView);
  frame.worker.Start();  // returns only after the first job has ended
  frame.worker.Join();
  // The second job ran in full on the view element.
  EXPECT_EQ(frame.elements.TableElement(kSlotView)->GetRowCount(), 10'000'000);
  EXPECT_EQ(frame.elements.ListSlot(), kSlotView);
  EXPECT_EQ(frame.services.itemCount, 100);
  EXPECT_TRUE(frame.services.errors.empty());
  EXPECT_TRUE(frame.worker.IsIdle());
}

TEST(WorkerJob, StopDuringTheCountEndsTheJobInOrder) {
  FrameFixture frame(BigDatabase(10'000'000));
  frame.Table().SetName("big");
  frame.worker.SetJobCode(kSlotTable);
  frame.worker.Start();
  frame.services.WaitUntil(
      [](const RecordingServices& s) { return s.HasStep("Loads data from table", 45); });
  frame.worker.Stop();

  // The job ended on its own: idle again, nothing half-loaded, no error, the bar hidden.
  EXPECT_TRUE(frame.worker.IsIdle());
  EXPECT_EQ(frame.worker.LastExitCode(), 0);
  EXPECT_FALSE(frame.Table().HasData());
  EXPECT_EQ(frame.Table().GetRowCount(), 0);
  EXPECT_TRUE(frame.services.errors.empty()) << frame.services.errors[0];
  EXPECT_EQ(frame.services.hiddenBars, frame.services.progressBars);
  EXPECT_EQ(frame.services.itemCount, 0);

  // The next job runs normally, and the stopped element can load again.
  frame.RunJob(kSlotTables);
  EXPECT_EQ(frame.services.itemCount, 1);
  EXPECT_TRUE(frame.services.errors.empty());
  auto request = std::make_unique<ShowData>();
  request->query = "select * from big where id <= 150";
  frame.RunJob(kSlotTable, std::move(request));
  EXPECT_EQ(frame.Table().GetRowCount(), 150);
  EXPECT_EQ(frame.Table().Text(0, 1), "1");
}

}  // namespace
}  // namespace quillet::test
