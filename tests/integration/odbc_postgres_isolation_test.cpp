// Rowsets of one PostgreSQL session that must not disturb each other: the driver runs its
// cursors inside a transaction, and a failing statement aborts that transaction with every
// cursor in it. A rowset that lost its cursor would report the end of rows instead of an error.

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "odbc_test_support.h"

namespace quillet::db::testing {
namespace {

constexpr std::int64_t kBigTableRows = 100000;

class OdbcPostgresIsolationTest : public PgServerTest {
 protected:
  // Fetches `rows` rows one at a time and checks they carry the ids first, first + 1, ...
  static void ExpectIds(IRowset& rowset, std::int64_t first, std::int64_t rows) {
    for (std::int64_t i = 0; i < rows; ++i) {
      const auto row = NextRowAsText(rowset);
      ASSERT_TRUE(row) << "row " << first + i;
      ASSERT_EQ((*row)[0], std::to_string(first + i));
    }
  }

  // Backends connected to the test database, this query's own included.
  std::int64_t Backends() {
    const auto rows = Query(
        Session(), "select count(*) from pg_stat_activity where datname = current_database()");
    return rows.empty() ? -1 : std::stoll(rows[0][0].value_or("-1"));
  }
};

// Statements that fail on the server in different ways while another rowset is open.
class FailingStatementTest : public OdbcPostgresIsolationTest,
                             public ::testing::WithParamInterface<const char*> {};

TEST_P(FailingStatementTest, OpenRowsetKeepsEveryRemainingRow) {
  std::shared_ptr<IRowset> a;
  ASSERT_EQ(RunSql(Session(), "select id from big_table order by id", &a), S_OK) << TakeErrorText();
  ExpectIds(*a, 0, 250);  // past the driver's first block of fetched rows

  std::shared_ptr<IRowset> b;
  const HRESULT failed = RunSql(Session(), GetParam(), &b);
  if (Succeeded(failed) && b) {
    HRESULT end = S_OK;
    Walk(*b, &end);
    EXPECT_TRUE(Failed(end)) << GetParam();
  } else {
    EXPECT_TRUE(Failed(failed)) << GetParam();
  }
  TakeErrorText();

  HRESULT end = S_OK;
  EXPECT_EQ(Walk(*a, &end), kBigTableRows - 250);
  EXPECT_EQ(end, DB_S_ENDOFROWSET) << TakeErrorText();
}

INSTANTIATE_TEST_SUITE_P(Statements, FailingStatementTest,
                         ::testing::Values("select * from no_such_table", "selec id form big_table",
                                           "select 1 / (id - 5) from big_table order by id",
                                           "delete from customers"));

TEST_F(OdbcPostgresIsolationTest, ReleasedRowsetsGiveTheirConnectionsBack) {
  const std::int64_t before = Backends();
  ASSERT_GT(before, 0);
  {
    std::vector<std::shared_ptr<IRowset>> open(3);
    for (auto& rowset : open) {
      ASSERT_EQ(RunSql(Session(), "select id from big_table", &rowset), S_OK);
      ASSERT_TRUE(NextRowAsText(*rowset));
    }
    EXPECT_EQ(Backends(), before + 3);
  }
  // A backend leaves the activity view a moment after its client disconnected.
  std::int64_t after = Backends();
  for (int i = 0; i < 100 && after != before; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    after = Backends();
  }
  EXPECT_EQ(after, before);
}

TEST_F(OdbcPostgresIsolationTest, CancelFromAnotherThreadStopsARunningCommand) {
  std::shared_ptr<ICommand> command;
  ASSERT_EQ(Session().CreateCommand(&command), S_OK);
  ASSERT_EQ(command->SetCommandText(DBGUID_DEFAULT, u"select pg_sleep(120)"), S_OK);
  auto running = std::async(std::launch::async, [&] {
    std::shared_ptr<IRowset> rowset;
    const HRESULT hr = command->Execute(&rowset, nullptr);
    TakeErrorText();
    return hr;
  });
  // Cancel whether the command is still connecting or already running on the server.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  command->Cancel();
  EXPECT_EQ(running.get(), DB_E_CANCELED);
  // The command runs again once the cancel was taken.
  ASSERT_EQ(command->SetCommandText(DBGUID_DEFAULT, u"select 42"), S_OK);
  std::shared_ptr<IRowset> rowset;
  ASSERT_EQ(command->Execute(&rowset, nullptr), S_OK) << TakeErrorText();
  const auto row = NextRowAsText(*rowset);
  ASSERT_TRUE(row);
  EXPECT_EQ((*row)[0], "42");
}

TEST_F(OdbcPostgresIsolationTest, EveryCommandRunsInAReadOnlyTransaction) {
  // Checked while another rowset is open, so the answer comes from a connection of its own.
  std::shared_ptr<IRowset> open;
  ASSERT_EQ(RunSql(Session(), "select id from big_table", &open), S_OK);
  ASSERT_TRUE(NextRowAsText(*open));
  const auto rows = Query(Session(),
                          "select current_setting('transaction_read_only'), "
                          "current_setting('default_transaction_read_only')");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], (TextRow{"on", "on"}));
}

}  // namespace
}  // namespace quillet::db::testing
