// `quillet --export` as a user runs it: the built program as a process of its own, with no
// display in its environment. Exit statuses, the one line on standard error, the files it
// leaves (and does not), standard output for "-", and `quillet --help`.

#include <sys/wait.h>

#include <csignal>

#include "datasource/udl_file.h"
#include "unit/datasource/test_files.h"
#include "unit/export/export_test_support.h"

namespace quillet::exporting {
namespace {

using db::testing::ReadBytes;
using db::testing::RunSql;
using db::testing::TempFolder;
using db::testing::WriteBytes;
using testing::ExpectReadBack;
using testing::FolderNames;
using testing::ShellQuoted;

struct ProgramRun {
  int status = -1;
  std::string out;
  std::string err;
};

class ExportCommandLine : public ::testing::Test {
 protected:
  void SetUp() override {
    database_ = folder_.File("shop.db");
    RunSql(database_,
           "CREATE TABLE items (id INTEGER PRIMARY KEY, name TEXT, price REAL, picture BLOB);"
           "INSERT INTO items VALUES (1, 'Kettle, steel', 19.5, X'00FF'),"
           " (2, 'Mug \"Zoë\"', NULL, NULL), (3, '', 2.25, X'');"
           "CREATE TABLE lots (n INTEGER PRIMARY KEY);"
           "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 30000) "
           "INSERT INTO lots SELECT x FROM c;");
    connect_ = "-constr " + ShellQuoted("Provider=SQLite;Data Source=" + database_);
    out_ = folder_.File("out");
  }

  // Runs the program with `arguments` (already quoted as needed) and no display; `prefix` and
  // `suffix` go around it in the same shell (a limit, a trap, a signal).
  ProgramRun Quillet(const std::string& arguments, const std::string& prefix = "",
                     const std::string& suffix = "") {
    const std::string outFile = outputs_.File("stdout");
    const std::string errFile = outputs_.File("stderr");
    const std::string command = prefix + "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                                ShellQuoted(QUILLET_BINARY) + " " + arguments + " >" +
                                ShellQuoted(outFile) + " 2>" + ShellQuoted(errFile) + suffix;
    const int status = std::system(("sh -c " + ShellQuoted(command)).c_str());
    ProgramRun run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadBytes(outFile);
    run.err = ReadBytes(errFile);
    return run;
  }

  // The start of an export of the shop database to the file "out".
  std::string ToOut(const std::string& format) {
    return "--export " + ShellQuoted(out_) + " --format " + format + " " + connect_;
  }
  // One line on standard error naming the cause, nothing written, the folder as it was.
  void ExpectFailure(const ProgramRun& run, const std::string& cause) {
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.err.rfind("quillet: ", 0), 0u) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find(cause), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  }

  TempFolder folder_;
  TempFolder outputs_;
  std::string database_;
  std::string connect_;
  std::string out_;
};

TEST_F(ExportCommandLine, WritesEachFormatAndStandardOutput) {
  for (const char* format : {"csv", "jsonl", "sql"}) {
    SCOPED_TRACE(format);
    const ProgramRun run = Quillet(ToOut(format) + " --table items");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");  // no progress: standard error is no terminal here
    ExpectReadBack({"--format", format, "--file", out_, "--db", database_, "--sql",
                    "SELECT * FROM items ORDER BY rowid", "--sql-table", "items", "--schema-table",
                    "items"});
    const std::string file = ReadBytes(out_);
    const ProgramRun piped =
        Quillet("--export - --format " + std::string(format) + " " + connect_ + " --table items");
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out, file);
  }
  EXPECT_EQ(FolderNames(folder_.File("")), (std::vector<std::string>{"out", "shop.db"}));

  // A data link file opens the same way as in the window; a separator and a NULL text.
  std::string error;
  ASSERT_TRUE(db::WriteDataLinkFile(folder_.File("shop.udl"),
                                    "Provider=SQLite;Data Source=" + database_, &error))
      << error;
  const ProgramRun link = Quillet(
      "--export - --format csv -udl " + ShellQuoted(folder_.File("shop.udl")) +
      " --query 'select id, name, price from items order by id'" + " --separator ';' --null NULL");
  EXPECT_EQ(link.status, 0) << link.err;
  EXPECT_EQ(link.out,
            "id;name;price\r\n1;Kettle, steel;19.5\r\n2;\"Mug \"\"Zoë\"\"\";NULL\r\n3;;2.25\r\n");
}

TEST_F(ExportCommandLine, FailuresExitOneWithOneLineAndNoFile) {
  const std::string before = ReadBytes(database_);
  ExpectFailure(Quillet(ToOut("csv") + " --query 'delete from items'"),
                "The query could not be run");
  ExpectFailure(Quillet(ToOut("csv") + " --table missing_table"), "no such table: missing_table");
  ExpectFailure(Quillet("--export " + ShellQuoted(folder_.File("no/folder.csv")) +
                        " --format csv " + connect_ + " --table items"),
                "No such file or directory");
  ExpectFailure(Quillet("--export " + ShellQuoted(out_) + " --format csv -constr " +
                        ShellQuoted("Provider=SQLite;Data Source=" + folder_.File("none.db")) +
                        " --table items"),
                "Cannot connect: ");
  EXPECT_EQ(ReadBytes(database_), before);
  EXPECT_EQ(FolderNames(folder_.File("")), std::vector<std::string>{"shop.db"});

  // A write the system refuses midway (a file size limit) leaves the old file as it was.
  WriteBytes(out_, "old bytes");
  ExpectFailure(Quillet(ToOut("sql") + " --table lots", "trap '' XFSZ; ulimit -f 64; "),
                "File too large");
  EXPECT_EQ(ReadBytes(out_), "old bytes");
  EXPECT_EQ(FolderNames(folder_.File("")), (std::vector<std::string>{"out", "shop.db"}));
}

TEST_F(ExportCommandLine, ASignalStopsItWithoutAFile) {
  // Rows without end: only the signal ends the export.
  const ProgramRun run = Quillet(ToOut("csv") +
                                     " --query 'WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL "
                                     "SELECT x + 1 FROM c) SELECT x FROM c'",
                                 "", " & pid=$!; sleep 1; kill -TERM $pid; wait $pid");
  EXPECT_EQ(run.status, 128 + SIGTERM) << run.err;
  EXPECT_NE(run.err.find("stopped"), std::string::npos) << run.err;
  EXPECT_EQ(FolderNames(folder_.File("")), std::vector<std::string>{"shop.db"});
}

TEST_F(ExportCommandLine, BadCommandLinesExitTwoWithTheUsage) {
  for (const std::string& arguments :
       {ToOut("csv") + " --table items --bogus", ToOut("csv"), ToOut("xml") + " --table items",
        ToOut("csv") + " --table"}) {
    const ProgramRun run = Quillet(arguments);
    EXPECT_EQ(run.status, 2) << arguments;
    EXPECT_EQ(run.err.rfind("quillet: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find("Usage:"), std::string::npos) << run.err;
  }
  const ProgramRun help = Quillet("--help");
  EXPECT_EQ(help.status, 0) << help.err;
  EXPECT_NE(help.out.find("-dontsavelayout"), std::string::npos);
  EXPECT_NE(help.out.find("--export FILE|- --format csv|jsonl|sql"), std::string::npos);
  EXPECT_EQ(help.err, "");
  EXPECT_EQ(FolderNames(folder_.File("")), std::vector<std::string>{"shop.db"});
}

}  // namespace
}  // namespace quillet::exporting
