// A database another program keeps writing to: showing and paging one of its tables must never
// keep that program out, in either journal mode, and a refresh shows what it wrote.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "unit/datasource/test_files.h"
#include "unit/tabledata/frame_fixture.h"

namespace quillet::test {
namespace {

// The sqlite3 shell as the other program: it waits up to two seconds for a lock, as an
// ordinary writer would. Returns what it printed, or "failed: ..." when it could not write.
std::string OtherProcess(const std::string& path, const std::string& sql) {
  const std::string command =
      "sqlite3 -cmd '.timeout 2000' '" + path + "' \"" + sql + "\" 2>&1; echo \"exit=$?\"";
  return db::testing::RunShell(command).output;
}

class LiveDatabase : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    path_ = folder_.File("live.db");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
    Exec(db, std::string("PRAGMA journal_mode=") + GetParam() + ";" + NumberedTable("log", 250));
    sqlite3_close(db);
  }
  db::testing::TempFolder folder_;
  std::string path_;
};

TEST_P(LiveDatabase, AWriterGetsThroughWhileATableIsShownAndPaged) {
  FrameFixture frame(path_);
  frame.ShowTable("log");
  xElement_Table& table = frame.Table();
  table.LoadPage(1);  // rows 101 to 200: the statement stands in the middle of the table
  ASSERT_EQ(table.Text(0, 1), "101");

  EXPECT_EQ(OtherProcess(path_, "insert into log values (1000, 'written meanwhile')"), "exit=0\n");
  // In WAL mode an open read would also keep the log from being written back to the file.
  if (std::string(GetParam()) == "WAL") {
    EXPECT_EQ(OtherProcess(path_, "pragma wal_checkpoint(truncate)"), "0|0|0\nexit=0\n");
  }
  // The page shown stays usable, and a refresh shows the new row.
  table.LoadPage(2);
  EXPECT_EQ(table.Text(0, 1), "201");
  auto refresh = std::make_unique<ShowData>();
  refresh->reload = true;
  frame.RunJob(kSlotTable, std::move(refresh));
  table.EnsureRowCount();
  EXPECT_EQ(table.GetRowCount(), 251);
  EXPECT_TRUE(frame.services.errors.empty()) << frame.services.errors.front();
}

INSTANTIATE_TEST_SUITE_P(JournalModes, LiveDatabase, ::testing::Values("DELETE", "WAL"));

}  // namespace
}  // namespace quillet::test
