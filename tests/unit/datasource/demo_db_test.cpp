// The demo database as a user opens it: through its data link file, with the tables and row
// counts it promises.

#include <gtest/gtest.h>

#include <filesystem>

#include "datasource/udl_file.h"
#include "provider_helpers.h"
#include "test_files.h"

namespace quillet::db {
namespace {

using testing::OpenConnection;
using testing::Opened;
using testing::RunQuery;

class DemoDatabase : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string db = testing::DemoDatabase();
    ASSERT_FALSE(db.empty()) << "QUILLET_DEMO_DIR is not set";
    const std::string udl = std::filesystem::path(db).replace_extension(".udl").string();
    std::string init, error;
    ASSERT_TRUE(ReadDataLinkFile(udl, &init, &error)) << error;
    ASSERT_EQ(OpenConnection(init, &opened_, &error), S_OK) << error;
  }

  std::int64_t Count(const std::string& sql) {
    std::shared_ptr<IRowset> rowset;
    std::string error;
    EXPECT_EQ(RunQuery(*opened_.session, sql, &rowset, &error), S_OK) << error;
    std::int64_t count = -1;
    if (rowset) {
      EXPECT_EQ(rowset->CountRows(&count), S_OK);
    }
    return count;
  }

  Opened opened_;
};

TEST_F(DemoDatabase, TablesHoldTheirPromisedRowCounts) {
  for (auto [table, rows] :
       {std::pair{"customers", 60}, std::pair{"products", 100}, std::pair{"orders", 250},
        std::pair{"returns", 0}, std::pair{"events", 1000000}, std::pair{"customer_orders", 60}})
    EXPECT_EQ(Count(std::string("select * from ") + table), rows) << table;
  EXPECT_GT(Count("select * from [Order Details]"), 250);  // bracket quoting, as the pipeline asks
}

}  // namespace
}  // namespace quillet::db
