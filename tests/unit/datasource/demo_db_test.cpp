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
using testing::ReadAt;
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
  EXPECT_EQ(Count("select * from customers"), 60);
  EXPECT_EQ(Count("select * from products"), 100);
  EXPECT_EQ(Count("select * from orders"), 250);
  EXPECT_EQ(Count("select * from returns"), 0);
  EXPECT_EQ(Count("select * from events"), 1000000);
  EXPECT_GT(Count("select * from [Order Details]"), 250);  // bracket quoting, as the pipeline asks
  EXPECT_EQ(Count("select * from customer_orders"), 60);
}

TEST_F(DemoDatabase, SchemaListsTablesViewsAndSystemTables) {
  std::int64_t tables = 0, views = 0;
  for (auto [type, count] : {std::pair{u"TABLE", &tables}, std::pair{u"VIEW", &views}}) {
    std::shared_ptr<IRowset> rowset;
    Restrictions r(4);
    r[3] = std::u16string(type);
    ASSERT_EQ(opened_.session->GetSchemaRowset(DBSCHEMA_TABLES, r, &rowset), S_OK);
    ASSERT_EQ(rowset->CountRows(count), S_OK);
  }
  EXPECT_EQ(tables, 9);
  EXPECT_EQ(views, 3);
}

TEST_F(DemoDatabase, PicturesArePngImages) {
  std::shared_ptr<IRowset> rowset;
  ASSERT_EQ(RunQuery(*opened_.session, "select image from pictures where id in (1, 2) order by id",
                     &rowset),
            S_OK);
  HACCESSOR accessor = 0;
  ASSERT_EQ(rowset->CreateAccessor(DBACCESSOR_ROWDATA,
                                   {testing::Bind(1, DBTYPE_BYTES, 512, 8, 0, 4)}, 520, &accessor),
            S_OK);
  for (int i = 0; i < 2; ++i) {
    std::size_t got = 0;
    HROW row = 0;
    ASSERT_EQ(rowset->GetNextRows(0, 1, &got, &row), S_OK);
    std::vector<std::uint8_t> buffer(520);
    ASSERT_EQ(rowset->GetData(row, accessor, buffer.data()), S_OK);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.data()) + 8, 8),
              "\x89PNG\r\n\x1A\n");
    EXPECT_GT(ReadAt<std::uint32_t>(buffer, 0), 100u);
    rowset->ReleaseRows(1, &row);
  }
}

}  // namespace
}  // namespace quillet::db
