// Exports of real SQLite files through the SQLite provider: every tricky value read back by
// Python's parsers, the exact bytes of each format, stops, failures and the files they leave.

#include <sqlite3.h>
#include <unistd.h>

#include <atomic>
#include <limits>
#include <thread>

#include "datasource/cmlib_exception.h"
#include "elements/job_cancel.h"
#include "export/export_rows.h"
#include "unit/datasource/test_files.h"
#include "unit/export/export_test_support.h"

namespace quillet::exporting {
namespace {

using db::testing::ReadBytes;
using db::testing::RunSql;
using db::testing::TempFolder;
using db::testing::WriteBytes;
using testing::ConnectSqlite;
using testing::ExpectReadBack;
using testing::FolderNames;

// A value of every kind that trips a writer: quotes, separators, line breaks, NULL beside the
// empty text, non-ASCII and broken UTF-8, a text of 100,000 characters, blobs with zero bytes
// (one of 5 MB, read as a stream), a blob kept in a text column, extreme integers and reals.
void MakeTrickyTable(const std::string& path) {
  RunSql(path,
         "CREATE TABLE tricky (id INTEGER PRIMARY KEY, label TEXT, note VARCHAR(40), "
         "amount REAL, big INTEGER, flag BOOLEAN, data BLOB, anything)");
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  sqlite3_stmt* insert = nullptr;
  ASSERT_EQ(
      sqlite3_prepare_v2(db, "INSERT INTO tricky VALUES (?,?,?,?,?,?,?,?)", -1, &insert, nullptr),
      SQLITE_OK);
  std::string longText;
  while (longText.size() < 100000) longText += "Zoë 東京 🌸, \"quoted\"; line\r\n";
  longText.resize(100000);  // a cut that splits a character: mended on the way out
  std::string bigBlob(5 * 1024 * 1024, '\0');
  for (std::size_t i = 0; i < bigBlob.size(); ++i)
    bigBlob[i] = static_cast<char>((i * 7919) % 251 == 0 ? 0 : (i * 31) % 256);
  const std::string zeros("\0\xFF\0", 3);

  struct Value {
    enum { Null, Int, Real, Text, Blob } kind;
    sqlite3_int64 i = 0;
    double r = 0;
    std::string s = {};
  };
  const auto T = [](std::string s) { return Value{Value::Text, 0, 0, std::move(s)}; };
  const auto B = [](std::string s) { return Value{Value::Blob, 0, 0, std::move(s)}; };
  const auto I = [](sqlite3_int64 i) { return Value{Value::Int, i}; };
  const auto R = [](double r) { return Value{Value::Real, 0, r}; };
  const Value N{Value::Null};
  const std::vector<std::vector<Value>> rows = {
      {T("He said \"hi\", then left"), T("a;b\tc|d"), R(1.5), I(9223372036854775807LL), I(1),
       B(zeros), I(42)},
      {T("line1\r\nline2\nline3\r"), T(""), R(-0.1), I(-9223372036854775807LL - 1), I(0), B(""),
       T("text")},
      {N, N, N, N, N, N, N},
      {T("  leading and trailing  "), T("emoji 🚀 Zoë 東京 "), R(1e300), I(0), I(1), B(bigBlob),
       R(3.25)},
      {T(longText), T("(BLOB)"), R(1e-300), I(123), N, B("\x01\x02"), B("\xDE\xAD\xBE\xEF")},
      {B("\0\xFF"
         "A"),
       T("broken \xFF\xFE utf8 \xE2\x82"), R(0.30000000000000004), I(1), N, B(""), N},
      {T("tab\there, §, \\N"), T("\\N"), R(123456789012345680.0), I(2), I(0), N, T("")},
      {T("="), T("NULL"), R(std::numeric_limits<double>::infinity()), I(-1), I(1), B(zeros),
       R(-0.0)},
  };
  for (const auto& row : rows) {
    sqlite3_reset(insert);
    for (std::size_t c = 0; c < row.size(); ++c) {
      const Value& v = row[c];
      const int at = static_cast<int>(c) + 2;
      switch (v.kind) {
        case Value::Null:
          sqlite3_bind_null(insert, at);
          break;
        case Value::Int:
          sqlite3_bind_int64(insert, at, v.i);
          break;
        case Value::Real:
          sqlite3_bind_double(insert, at, v.r);
          break;
        case Value::Text:
          sqlite3_bind_text(insert, at, v.s.data(), static_cast<int>(v.s.size()), SQLITE_TRANSIENT);
          break;
        case Value::Blob:
          sqlite3_bind_blob(insert, at, v.s.data(), static_cast<int>(v.s.size()), SQLITE_TRANSIENT);
          break;
      }
    }
    ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE) << sqlite3_errmsg(db);
  }
  sqlite3_finalize(insert);
  sqlite3_close(db);
}

class SqliteExport : public ::testing::Test {
 protected:
  void SetUp() override {
    database_ = folder_.File("source.db");
    ASSERT_NO_FATAL_FAILURE(MakeTrickyTable(database_));
    connected_ = ConnectSqlite(database_);
    ASSERT_TRUE(connected_.session);
  }

  ExportResult Export(const ExportSource& source, const ExportOptions& options,
                      const std::string& target, ExportProgress* progress = nullptr,
                      JobCancel* cancel = nullptr) {
    return RunExport(*connected_.session, source, options, target, progress, cancel);
  }

  // The message of the failure an export raises; empty when it raised none.
  std::string FailureOf(const ExportSource& source, const ExportOptions& options,
                        const std::string& target) {
    try {
      Export(source, options, target);
    } catch (const cmlib::exception& e) {
      return e.text();
    }
    return {};
  }

  TempFolder folder_;
  std::string database_;
  testing::Connected connected_;
};

ExportOptions Options(ExportFormat format) {
  ExportOptions options;
  options.format = format;
  options.tableName = "tricky";
  return options;
}

TEST_F(SqliteExport, EveryTrickyValueReadsBackInEveryFormat) {
  const std::string query = "SELECT * FROM tricky ORDER BY rowid";
  struct Case {
    ExportFormat format;
    std::string separator;
    std::optional<std::string> nullText;
  };
  const Case cases[] = {{ExportFormat::Csv, ",", std::nullopt},
                        {ExportFormat::Csv, ";", "\\N"},
                        {ExportFormat::Csv, "\t", "NULL"},
                        {ExportFormat::Csv, "§", std::nullopt},
                        {ExportFormat::JsonLines, ",", std::nullopt},
                        {ExportFormat::SqlInserts, ",", std::nullopt}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(FormatName(c.format)) + " separated by " + c.separator);
    ExportOptions options = Options(c.format);
    options.separator = c.separator;
    options.nullText = c.nullText;
    const std::string target = folder_.File("out");
    const ExportResult result = Export(ExportSource::Table("tricky"), options, target);
    EXPECT_EQ(result.outcome, ExportOutcome::Written);
    EXPECT_EQ(result.rows, 8);
    EXPECT_EQ(result.path, target);
    ExpectReadBack({"--format", FormatName(c.format), "--file", target, "--db", database_, "--sql",
                    query, "--separator", c.separator, "--null", c.nullText.value_or(""),
                    "--sql-table", "tricky", "--schema-table", "tricky"});
  }
  EXPECT_EQ(FolderNames(folder_.File("")), (std::vector<std::string>{"out", "source.db"}));
}

TEST_F(SqliteExport, EachFormatWritesTheseExactBytes) {
  RunSql(database_,
         "CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, price REAL, ok BOOLEAN, data BLOB);"
         "INSERT INTO t VALUES (1, 'O''Brien says \"hi\", ok', 2.5, 1, X'00FF');"
         "INSERT INTO t VALUES (2, '', NULL, 0, X'');"
         "INSERT INTO t VALUES (3, NULL, -0.125, NULL, NULL);"
         "INSERT INTO t VALUES (4, 'tab\tand' || char(1), 1e20, 't', X'41');");
  const std::string target = folder_.File("t.out");
  const auto exported = [&](ExportOptions options) {
    options.tableName = "t";
    Export(ExportSource::Table("t"), options, target);
    return ReadBytes(target);
  };
  // NULL is the empty field, so the empty text and the empty blob are "".
  EXPECT_EQ(exported(Options(ExportFormat::Csv)),
            "id,name,price,ok,data\r\n"
            "1,\"O'Brien says \"\"hi\"\", ok\",2.5,1,00FF\r\n"
            "2,\"\",,0,\"\"\r\n"
            "3,,-0.125,,\r\n"
            "4,tab\tand\x01,1.0e+20,t,41\r\n");
  ExportOptions chosen = Options(ExportFormat::Csv);
  chosen.separator = ";";
  chosen.nullText = "NULL";
  EXPECT_EQ(exported(chosen),
            "id;name;price;ok;data\r\n"
            "1;\"O'Brien says \"\"hi\"\", ok\";2.5;1;00FF\r\n"
            "2;;NULL;0;\r\n"
            "3;NULL;-0.125;NULL;NULL\r\n"
            "4;tab\tand\x01;1.0e+20;t;41\r\n");
  EXPECT_EQ(exported(Options(ExportFormat::JsonLines)),
            "{\"id\":1,\"name\":\"O'Brien says \\\"hi\\\", ok\",\"price\":2.5,\"ok\":true,"
            "\"data\":\"AP8=\"}\n"
            "{\"id\":2,\"name\":\"\",\"price\":null,\"ok\":false,\"data\":\"\"}\n"
            "{\"id\":3,\"name\":null,\"price\":-0.125,\"ok\":null,\"data\":null}\n"
            "{\"id\":4,\"name\":\"tab\\tand\\u0001\",\"price\":1.0e+20,\"ok\":true,"
            "\"data\":\"QQ==\"}\n");
  const std::string insert = "INSERT INTO \"t\" (\"id\", \"name\", \"price\", \"ok\", \"data\") ";
  EXPECT_EQ(exported(Options(ExportFormat::SqlInserts)),
            insert + "VALUES (1, 'O''Brien says \"hi\", ok', 2.5, TRUE, X'00FF');\n" + insert +
                "VALUES (2, '', NULL, FALSE, X'');\n" + insert +
                "VALUES (3, NULL, -0.125, NULL, NULL);\n" + insert +
                "VALUES (4, 'tab\tand\x01', 1.0e+20, TRUE, X'41');\n");
}

TEST_F(SqliteExport, AQueryAndItsColumnNames) {
  // Repeated and empty names get names of their own; expressions have no declared type, so
  // their numbers are written as the texts they print as.
  const std::string target = folder_.File("q.jsonl");
  const ExportResult result = Export(
      ExportSource::Query("select id, id, label is null as \"\", length(note) as n from tricky "
                          "where id <= 2 order by id"),
      Options(ExportFormat::JsonLines), target);
  EXPECT_EQ(result.rows, 2);
  EXPECT_EQ(ReadBytes(target),
            "{\"id\":1,\"id_2\":1,\"column_3\":\"0\",\"n\":\"7\"}\n"
            "{\"id\":2,\"id_2\":2,\"column_3\":\"0\",\"n\":\"0\"}\n");

  const std::string query = "select label, data, amount * 2 as twice from tricky where id > 3";
  for (const ExportFormat format :
       {ExportFormat::Csv, ExportFormat::JsonLines, ExportFormat::SqlInserts}) {
    ExportOptions options = Options(format);
    options.tableName = "query_result";
    Export(ExportSource::Query(query), options, target);
    ExpectReadBack({"--format", FormatName(format), "--file", target, "--db", database_, "--sql",
                    query, "--sql-table", "query_result"});
  }
}

// Stops once `stopAt` rows are written.
class StopAt final : public ExportProgress {
 public:
  explicit StopAt(long long stopAt) : stopAt_(stopAt) {}
  bool StopRequested() const override { return written_ >= stopAt_; }
  void RowsWritten(long long rows) override { written_ = rows; }
  long long written_ = 0;

 private:
  long long stopAt_;
};

TEST_F(SqliteExport, AStopHalfwayLeavesNoFileAndTheOldOneAsItWas) {
  RunSql(database_,
         "CREATE TABLE numbers (n INTEGER PRIMARY KEY, label TEXT);"
         "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 20000) "
         "INSERT INTO numbers SELECT x, 'row ' || x FROM c;");
  ExportOptions options = Options(ExportFormat::Csv);
  options.progressRows = 100;
  StopAt stop(10000);
  const ExportResult stopped =
      Export(ExportSource::Table("numbers"), options, folder_.File("new.csv"), &stop);
  EXPECT_EQ(stopped.outcome, ExportOutcome::Stopped);
  EXPECT_EQ(stopped.rows, 10000);
  EXPECT_EQ(stopped.path, "");
  EXPECT_EQ(FolderNames(folder_.File("")), std::vector<std::string>{"source.db"});

  WriteBytes(folder_.File("old.csv"), "old bytes");
  StopAt again(10000);
  EXPECT_EQ(
      Export(ExportSource::Table("numbers"), options, folder_.File("old.csv"), &again).outcome,
      ExportOutcome::Stopped);
  EXPECT_EQ(ReadBytes(folder_.File("old.csv")), "old bytes");
  EXPECT_EQ(FolderNames(folder_.File("")), (std::vector<std::string>{"old.csv", "source.db"}));

  // Done to the end, the export replaces it.
  StopAt never(1'000'000);
  const ExportResult written =
      Export(ExportSource::Table("numbers"), options, folder_.File("old.csv"), &never);
  EXPECT_EQ(written.outcome, ExportOutcome::Written);
  EXPECT_EQ(written.rows, 20000);
  EXPECT_EQ(never.written_, 20000);
  EXPECT_EQ(ReadBytes(folder_.File("old.csv")).substr(0, 22), "n,label\r\n1,row 1\r\n2,ro");
}

TEST_F(SqliteExport, ACancelInterruptsAQueryThatIsStillRunning) {
  // Without the interruption this query would run for hours before its first row.
  const ExportSource endless = ExportSource::Query(
      "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 1000000000000) "
      "SELECT x FROM c WHERE x = 0");
  JobCancel cancel;
  std::thread stopper([&cancel] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    cancel.Request();
  });
  const ExportResult result =
      Export(endless, Options(ExportFormat::Csv), folder_.File("never.csv"), nullptr, &cancel);
  stopper.join();
  EXPECT_EQ(result.outcome, ExportOutcome::Stopped);
  EXPECT_EQ(FolderNames(folder_.File("")), std::vector<std::string>{"source.db"});
}

TEST_F(SqliteExport, FailuresNameTheirCauseAndLeaveTheTargetAlone) {
  const std::string target = folder_.File("keep.csv");
  WriteBytes(target, "old bytes");
  const std::string before = ReadBytes(database_);

  // A query that fails after thousands of rows have been written.
  EXPECT_NE(FailureOf(ExportSource::Query(
                          "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c "
                          "WHERE x < 5000) SELECT x, CASE WHEN x < 4000 THEN x "
                          "ELSE abs(-9223372036854775807 - 1) END FROM c"),
                      Options(ExportFormat::Csv), target)
                .find("integer overflow"),
            std::string::npos);
  EXPECT_NE(FailureOf(ExportSource::Table("no_such_table"), Options(ExportFormat::Csv), target)
                .find("no such table: no_such_table"),
            std::string::npos);
  // Writes and second statements are refused by the provider, as for any command.
  for (const char* write : {"delete from tricky", "update tricky set big = 0",
                            "select 1; delete from tricky", "drop table tricky"}) {
    const std::string failure =
        FailureOf(ExportSource::Query(write), Options(ExportFormat::Csv), target);
    EXPECT_EQ(failure.rfind("The query could not be run: ", 0), 0u) << write << ": " << failure;
  }
  EXPECT_EQ(ReadBytes(target), "old bytes");
  EXPECT_EQ(ReadBytes(database_), before);
  EXPECT_EQ(FolderNames(folder_.File("")), (std::vector<std::string>{"keep.csv", "source.db"}));

  // Targets that cannot be written fail before anything is read.
  EXPECT_EQ(FailureOf(ExportSource::Table("tricky"), Options(ExportFormat::Csv),
                      folder_.File("missing/out.csv")),
            "Cannot write " + folder_.File("missing/out.csv") + ": No such file or directory");
  EXPECT_EQ(FailureOf(ExportSource::Table("tricky"), Options(ExportFormat::Csv), folder_.File("")),
            "Cannot write " + folder_.File("") + ": Is a directory");
  ExportOptions unnamed;
  unnamed.format = ExportFormat::SqlInserts;
  EXPECT_EQ(FailureOf(ExportSource::Table("tricky"), unnamed, target),
            "SQL statements need the name of the table they insert into.");
}

}  // namespace
}  // namespace quillet::exporting
