// The demo database exported whole, table by table and through queries, in every format, and
// read back by Python's csv and json modules and by SQLite running the INSERT statements.

#include <cstdlib>
#include <map>

#include "export/export_rows.h"
#include "unit/datasource/test_files.h"
#include "unit/export/export_test_support.h"

namespace quillet::exporting {
namespace {

using testing::ExpectReadBack;

std::string DemoDatabase() {
  const char* path = std::getenv("QUILLET_DEMO_DB");
  return path != nullptr ? path : "";
}

std::string Quoted(const std::string& name) {
  return "\"" + name + "\"";
}

class DemoExport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(DemoDatabase().empty()) << "QUILLET_DEMO_DB is not set";
    connected_ = testing::ConnectSqlite(DemoDatabase());
    ASSERT_TRUE(connected_.session);
  }

  // Exports, reads the file back and gives the rows written.
  long long ExportAndReadBack(const ExportSource& source, ExportFormat format,
                              const std::string& referenceSql, const std::string& schemaTable) {
    SCOPED_TRACE(source.text + " as " + FormatName(format));
    ExportOptions options;
    options.format = format;
    options.tableName = schemaTable.empty() ? "query_result" : schemaTable;
    const std::string target = folder_.File(std::string("out.") + FormatName(format));
    const ExportResult result =
        RunExport(*connected_.session, source, options, target, nullptr, nullptr);
    EXPECT_EQ(result.outcome, ExportOutcome::Written);
    ExpectReadBack({"--format", FormatName(format), "--file", target, "--db", DemoDatabase(),
                    "--sql", referenceSql, "--sql-table", options.tableName, "--schema-table",
                    schemaTable});
    return result.rows;
  }

  db::testing::TempFolder folder_;
  testing::Connected connected_;
};

// Every table and view, with the rows the demo promises where it promises a number.
TEST_F(DemoExport, EveryTableInEveryFormat) {
  const std::map<std::string, long long> promised = {{"customers", 60},
                                                     {"products", 100},
                                                     {"orders", 250},
                                                     {"returns", 0},
                                                     {"customer_orders", 60}};
  for (const char* table : {"customers", "products", "orders", "Order Details", "returns",
                            "pictures", "documents", "all_types"}) {
    for (const ExportFormat format :
         {ExportFormat::Csv, ExportFormat::JsonLines, ExportFormat::SqlInserts}) {
      const long long rows =
          ExportAndReadBack(ExportSource::Table(table), format,
                            "SELECT * FROM " + Quoted(table) + " ORDER BY rowid", table);
      if (promised.count(table) != 0) {
        EXPECT_EQ(rows, promised.at(table)) << table;
      }
    }
  }
  // Views have no key; their rows come in the order the engine gives them.
  for (const char* view : {"customer_orders", "Product Sales"}) {
    const long long rows = ExportAndReadBack(ExportSource::Table(view), ExportFormat::JsonLines,
                                             "SELECT * FROM " + Quoted(view), "");
    if (promised.count(view) != 0) {
      EXPECT_EQ(rows, promised.at(view)) << view;
    }
  }
}

TEST_F(DemoExport, TheMillionRowTableWhole) {
  ExportAndReadBack(ExportSource::Table("events"), ExportFormat::Csv,
                    "SELECT * FROM events ORDER BY rowid", "events");
}

TEST_F(DemoExport, AQueryInEveryFormat) {
  const std::string query =
      "select o.id, c.name, c.city, o.total, o.comment, o.shipped is null as open "
      "from orders o join customers c on c.id = o.customer_id where o.total > 100 order by o.id";
  for (const ExportFormat format :
       {ExportFormat::Csv, ExportFormat::JsonLines, ExportFormat::SqlInserts})
    ExportAndReadBack(ExportSource::Query(query), format, query, "");
}

}  // namespace
}  // namespace quillet::exporting
