// The demo database exported whole, table by table and through queries, in every format, and
// read back by Python's csv and json modules and by SQLite running the INSERT statements.

#include <cstdlib>

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

  void ExportAndReadBack(const ExportSource& source, ExportFormat format,
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
  }

  db::testing::TempFolder folder_;
  testing::Connected connected_;
};

TEST_F(DemoExport, EveryTableInEveryFormat) {
  for (const char* table : {"customers", "products", "orders", "Order Details", "returns",
                            "pictures", "documents", "all_types"}) {
    for (const ExportFormat format :
         {ExportFormat::Csv, ExportFormat::JsonLines, ExportFormat::SqlInserts}) {
      ExportAndReadBack(ExportSource::Table(table), format,
                        "SELECT * FROM " + Quoted(table) + " ORDER BY rowid", table);
    }
  }
  // Views have no key; their rows come in the order the engine gives them.
  for (const char* view : {"customer_orders", "Product Sales"}) {
    ExportAndReadBack(ExportSource::Table(view), ExportFormat::JsonLines,
                      "SELECT * FROM " + Quoted(view), "");
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
