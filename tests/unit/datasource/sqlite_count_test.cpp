// Counting rows with the SQLite provider: a count of a big table can be stopped from another
// thread without disturbing the other rowsets of the session, and a count always agrees with
// a walk of the same rowset.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "provider_helpers.h"
#include "test_files.h"

namespace quillet::db {
namespace {

using testing::OpenConnection;
using testing::Opened;
using testing::RunQuery;
using testing::RunSql;
using testing::SqliteString;
using testing::TempFolder;
using testing::Walk;

constexpr std::int64_t kBigRows = 4000000;

class SqliteCount : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempFolder;
    // Small pages make the table's b-tree large, so counting it takes one long engine step.
    RunSql(Path(), R"sql(
PRAGMA page_size = 512;
CREATE TABLE big (x INTEGER);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 4000000)
  INSERT INTO big SELECT i FROM n;
)sql");
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static std::string Path() { return folder_->File("big.db"); }

  void SetUp() override {
    std::string error;
    ASSERT_EQ(OpenConnection(SqliteString(Path()), &db_, &error), S_OK) << error;
  }

  std::shared_ptr<IRowset> Query(const std::string& sql) {
    std::shared_ptr<IRowset> rowset;
    std::string error;
    EXPECT_EQ(RunQuery(*db_.session, sql, &rowset, &error), S_OK) << error;
    return rowset;
  }

  static inline TempFolder* folder_ = nullptr;
  Opened db_;
};

struct CancelCase {
  const char* name;
  const char* sql;
  std::int64_t rows;
};

class SqliteCountCancel : public SqliteCount, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(SqliteCountCancel, StopsTheCountAndLeavesOtherRowsetsReading) {
  // A rowset of the same session in the middle of its walk.
  auto other = Query("select x from big");
  ASSERT_NE(other, nullptr);
  std::size_t got = 0;
  HROW row = DB_NULL_HROW;
  ASSERT_EQ(other->GetNextRows(999, 1, &got, &row), S_OK);
  other->ReleaseRows(1, &row);

  auto counted = Query(GetParam().sql);
  ASSERT_NE(counted, nullptr);
  std::int64_t count = -1;
  ASSERT_EQ(counted->CountRows(&count), S_OK);  // also opens the counting connection
  EXPECT_EQ(count, GetParam().rows);

  std::atomic<bool> go{false};
  std::jthread canceller([&] {
    while (!go.load()) std::this_thread::yield();
    // Lands while the engine is counting (a plain table is counted in one step).
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    counted->Cancel();
  });
  go = true;
  EXPECT_EQ(counted->CountRows(&count), DB_E_CANCELED);
  canceller.join();

  // The cancel is used up: counting again gives the whole count.
  ASSERT_EQ(counted->CountRows(&count), S_OK);
  EXPECT_EQ(count, GetParam().rows);
  // The other rowset was never interrupted: it reads every row that is left, then the end.
  HRESULT end = S_OK;
  EXPECT_EQ(Walk(*other, &end), kBigRows - 1000);
  EXPECT_EQ(end, DB_S_ENDOFROWSET);
}

INSTANTIATE_TEST_SUITE_P(
    Queries, SqliteCountCancel,
    ::testing::Values(CancelCase{"WholeTable", "select * from big", kBigRows},
                      CancelCase{"Filtered", "select x from big where x % 4 = 0", kBigRows / 4}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(SqliteCount, FileReplacedUnderTheSessionIsWalkedNotCounted) {
  TempFolder other;
  const std::string small = other.File("small.db");
  RunSql(small, "CREATE TABLE people (name TEXT); INSERT INTO people VALUES ('only');");
  const std::string path = other.File("swap.db");
  RunSql(path, "CREATE TABLE people (name TEXT); INSERT INTO people VALUES ('a'), ('b');");
  Opened swapped;
  std::string error;
  ASSERT_EQ(OpenConnection(SqliteString(path), &swapped, &error), S_OK) << error;
  ASSERT_EQ(std::rename(small.c_str(), path.c_str()), 0);

  std::shared_ptr<IRowset> rowset;
  ASSERT_EQ(RunQuery(*swapped.session, "select * from people", &rowset, &error), S_OK) << error;
  std::int64_t count = -1;
  EXPECT_EQ(rowset->CountRows(&count), E_NOTIMPL);  // the caller walks the file the session reads
  EXPECT_EQ(Walk(*rowset), 2);
}

}  // namespace
}  // namespace quillet::db
