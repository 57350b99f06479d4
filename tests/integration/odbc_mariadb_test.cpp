// The ODBC provider with the MariaDB ODBC driver against the throwaway test server.

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "datasource/text_convert.h"
#include "odbc_test_support.h"

namespace quillet::db::testing {
namespace {

class OdbcMariaDbTest : public MariaDbServerTest {
 protected:
  // The tables schema of the test database for a name or type restriction. MariaDB has no
  // schemas: its databases are the catalogues.
  std::multiset<std::string> Names(const std::string& name, const std::string& type) {
    Restrictions restrictions(4);
    restrictions[0] = Utf8ToUtf16(env_["MY_DATABASE"]);
    if (!name.empty()) restrictions[2] = Utf8ToUtf16(name);
    if (!type.empty()) restrictions[3] = Utf8ToUtf16(type);
    std::shared_ptr<IRowset> rowset;
    EXPECT_EQ(Session().GetSchemaRowset(DBSCHEMA_TABLES, restrictions, &rowset), S_OK)
        << TakeErrorText();
    std::multiset<std::string> names;
    if (!rowset) return names;
    for (const auto& row : AllRowsAsText(*rowset)) {
      EXPECT_EQ(row[0], env_["MY_DATABASE"]);
      names.insert(row[2].value_or(""));
    }
    return names;
  }
};

TEST_F(OdbcMariaDbTest, CatalogueListsTablesViewsAndRoutines) {
  const auto tables = Names("", "TABLE");
  for (const char* name : {"customers", "big_table", "order items", "orders", "audit"}) {
    EXPECT_EQ(tables.count(name), 1u) << name;
  }
  EXPECT_EQ(tables.count("customer_names"), 0u);
  EXPECT_EQ(Names("", "VIEW"), (std::multiset<std::string>{"customer_names", "order_totals"}));
  // A name restriction is exact: the '_' would match the blank of "order items" as a pattern.
  EXPECT_EQ(Names("order_items", ""), std::multiset<std::string>{});
  EXPECT_EQ(Names("order items", ""), std::multiset<std::string>{"order items"});

  std::shared_ptr<IRowset> rowset;
  ASSERT_EQ(Session().GetSchemaRowset(DBSCHEMA_PROCEDURES, Restrictions(4), &rowset), S_OK)
      << TakeErrorText();
  std::map<std::string, std::string> kinds;
  for (const auto& row : AllRowsAsText(*rowset)) kinds[row[2].value_or("")] = row[3].value_or("");
  EXPECT_EQ(kinds, (std::map<std::string, std::string>{
                       {"add_numbers", "3"}, {"bump_audit", "3"}, {"record_visit", "2"}}));
}

TEST_F(OdbcMariaDbTest, SelectStarReadsEveryCustomerWithNonAsciiTextIntact) {
  EXPECT_EQ(
      Query(Session(), "select * from customers order by id"),
      (std::vector<TextRow>{
          {"1", "Ada", "London"}, {"2", "Grace", "Arlington"}, {"3", "Björn", std::nullopt}}));
}

TEST_F(OdbcMariaDbTest, SkipReachesTheLastOfManyRowsAndTheEndFollows) {
  ExpectBigTableSkips(Session());
}

TEST_F(OdbcMariaDbTest, HundredThousandCharactersArriveWholeThroughTheStream) {
  ExpectLongValueWhole(Session());
}

TEST_F(OdbcMariaDbTest, SignedTinyintReadsInItsReportedType) {
  std::shared_ptr<IRowset> rowset;
  ASSERT_EQ(RunSql(Session(), "select tiny from binding_kinds order by id", &rowset), S_OK)
      << TakeErrorText();
  std::vector<DBCOLUMNINFO> columns;
  ASSERT_EQ(rowset->GetColumnInfo(&columns), S_OK);
  // MariaDB's tinyint (and so its boolean) is signed, which the driver says through
  // SQL_DESC_UNSIGNED; a one-byte unsigned type could not hold -128.
  ASSERT_EQ(columns[0].wType, DBTYPE_I1);
  DBBINDING b;
  b.iOrdinal = 1;
  b.obValue = 0;
  b.obStatus = 8;
  b.dwPart = DBPART_VALUE | DBPART_STATUS;
  b.wType = columns[0].wType;
  b.cbMaxLen = 8;
  HACCESSOR accessor = DB_NULL_HACCESSOR;
  ASSERT_EQ(rowset->CreateAccessor(DBACCESSOR_ROWDATA, {b}, 16, &accessor), S_OK);
  std::size_t obtained = 0;
  HROW row = DB_NULL_HROW;
  ASSERT_EQ(rowset->GetNextRows(0, 1, &obtained, &row), S_OK);
  std::uint8_t buffer[16] = {};
  ASSERT_EQ(rowset->GetData(row, accessor, buffer), S_OK) << TakeErrorText();
  const auto read = [&]<typename T>(T value) {
    std::memcpy(&value, buffer, sizeof value);
    return static_cast<std::int64_t>(value);
  };
  switch (columns[0].wType) {
    case DBTYPE_I1:
      EXPECT_EQ(read(std::int8_t{}), -128);
      break;
    case DBTYPE_I2:
      EXPECT_EQ(read(std::int16_t{}), -128);
      break;
    case DBTYPE_I4:
      EXPECT_EQ(read(std::int32_t{}), -128);
      break;
    default:
      EXPECT_EQ(read(std::int64_t{}), -128) << columns[0].wType;
  }
  rowset->ReleaseRows(1, &row);
}

}  // namespace
}  // namespace quillet::db::testing
