// Exports from the PostgreSQL test server through the ODBC provider, read back by Python and
// compared with what psql prints for the same rows; a refused write; a stop that interrupts a
// statement the server is still running.

#include <chrono>
#include <thread>

#include "datasource/cmlib_exception.h"
#include "elements/job_cancel.h"
#include "export/export_rows.h"
#include "odbc_test_support.h"
#include "unit/datasource/test_files.h"
#include "unit/export/export_test_support.h"

namespace quillet::exporting {
namespace {

using db::testing::PgServerTest;
using db::testing::TempFolder;
using testing::ExpectReadBack;
using testing::ShellQuoted;

constexpr const char* kNullMark = "<NULL>";

class PostgresExport : public PgServerTest {
 protected:
  // psql's CSV of `sql` in a file, NULL printed as kNullMark.
  std::string Reference(const std::string& sql) {
    const std::string path = folder_.File("reference.csv");
    const db::testing::ShellRun run = db::testing::RunShell(
        "PGPASSWORD=" + ShellQuoted(env_["PG_PASSWORD"]) +
        " psql -X --csv -P null=" + ShellQuoted(kNullMark) + " -h 127.0.0.1 -p " + env_["PG_PORT"] +
        " -U quillet -d quillet_test -c " + ShellQuoted(sql) + " > " + ShellQuoted(path) + " 2>&1");
    EXPECT_EQ(run.status, 0) << run.output;
    return path;
  }

  void ExportAndCompare(const ExportSource& source, const std::string& referenceSql,
                        const std::string& binaryColumns = "") {
    const std::string reference = Reference(referenceSql);
    for (const ExportFormat format :
         {ExportFormat::Csv, ExportFormat::JsonLines, ExportFormat::SqlInserts}) {
      SCOPED_TRACE(source.text + " as " + FormatName(format));
      ExportOptions options;
      options.format = format;
      options.tableName = "copy";
      const std::string target = folder_.File(std::string("out.") + FormatName(format));
      const ExportResult result = RunExport(Session(), source, options, target);
      EXPECT_EQ(result.outcome, ExportOutcome::Written);
      ExpectReadBack({"--format", FormatName(format), "--file", target, "--reference-csv",
                      reference, "--reference-null", kNullMark, "--binary-columns", binaryColumns,
                      "--sql-table", "copy"});
    }
  }

  TempFolder folder_;
};

TEST_F(PostgresExport, EveryKindOfValueMatchesPsql) {
  // The table by name (the provider has no table rowset: "select * from" runs), bytea read
  // as a stream, the 100,000-character text whole.
  ExportAndCompare(ExportSource::Table("binding_kinds"),
                   "select id, short_text, medium_text, long_text, "
                   "upper(encode(data, 'hex')) as data, amount, small, big, ratio, flag, day, "
                   "moment, stamp, uid from binding_kinds order by id",
                   "data");
  // Each value in its JSON kind, as the column's type says.
  const std::string jsonl = db::testing::ReadBytes(folder_.File("out.jsonl"));
  for (const char* member :
       {"\"flag\":true", "\"flag\":false", "\"amount\":1234.50", "\"big\":9007199254740993",
        "\"ratio\":0.25", "\"small\":-7", "\"data\":\"AAECA/8=\"", "\"day\":\"2024-02-29\""})
    EXPECT_NE(jsonl.find(member), std::string::npos) << member << " in " << jsonl.substr(0, 300);
  ExportAndCompare(ExportSource::Table("long_values"), "select * from long_values order by id");
  ExportAndCompare(ExportSource::Table("order items"), "select * from \"order items\" order by id");
  ExportAndCompare(ExportSource::Table("sales.orders"), "select * from sales.orders order by id");
  ExportAndCompare(ExportSource::Query("select * from big_table order by id"),
                   "select * from big_table order by id");
}

TEST_F(PostgresExport, TheServerRefusesAWriteAndTheStopEndsALongStatement) {
  const std::string target = folder_.File("out.csv");
  ExportOptions options;
  try {
    RunExport(Session(), ExportSource::Query("delete from public.customers"), options, target);
    ADD_FAILURE() << "the delete was not refused";
  } catch (const cmlib::exception& e) {
    EXPECT_NE(e.text().find("read-only transaction"), std::string::npos) << e.text();
  }
  EXPECT_EQ(db::testing::ReadBytes(Reference("select count(*) as n from public.customers")),
            "n\n3\n");

  // Without the interruption the server would sleep for an hour.
  JobCancel cancel;
  std::thread stopper([&cancel] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    cancel.Request();
  });
  const ExportResult result = RunExport(Session(), ExportSource::Query("select pg_sleep(3600)"),
                                        options, target, nullptr, &cancel);
  stopper.join();
  EXPECT_EQ(result.outcome, ExportOutcome::Stopped);
  EXPECT_EQ(testing::FolderNames(folder_.File("")), std::vector<std::string>{"reference.csv"});
}

}  // namespace
}  // namespace quillet::exporting
