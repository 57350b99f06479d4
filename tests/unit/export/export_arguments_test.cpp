// The command line of the export: what it accepts, and the one line it gives for what it
// does not.

#include "export/export_arguments.h"

#include <gtest/gtest.h>

namespace quillet::exporting {
namespace {

std::vector<std::string> Words(std::initializer_list<const char*> words) {
  std::vector<std::string> all{"quillet"};
  all.insert(all.end(), words.begin(), words.end());
  return all;
}

TEST(ExportArguments, ReadsAWholeExport) {
  const ExportArguments a = ParseExportArguments(
      Words({"--export", "out.csv", "--format", "csv", "-udl", "db.udl", "--table", "Order Details",
             "--separator", "tab", "--null", "\\N"}));
  ASSERT_EQ(a.action, ExportArguments::Action::Export) << a.error;
  EXPECT_EQ(a.target, "out.csv");
  EXPECT_EQ(a.dataLink, "db.udl");
  EXPECT_EQ(a.source.kind, ExportSource::Kind::Table);
  EXPECT_EQ(a.source.text, "Order Details");
  EXPECT_EQ(a.options.separator, "\t");
  EXPECT_EQ(a.options.nullText, "\\N");

  // Values that look like options are values: "-" is standard output, a query may start
  // with a comment.
  const ExportArguments b =
      ParseExportArguments(Words({"--format", "sql", "--constr", "Provider=SQLite;Data Source=a.db",
                                  "--query", "-- all\nselect 1", "--export", "-"}));
  ASSERT_EQ(b.action, ExportArguments::Action::Export) << b.error;
  EXPECT_EQ(b.target, "-");
  EXPECT_EQ(b.connectionString, "Provider=SQLite;Data Source=a.db");
  EXPECT_EQ(b.source.text, "-- all\nselect 1");
  EXPECT_EQ(b.options.tableName, "query_result");

  const ExportArguments c = ParseExportArguments(Words(
      {"--export", "o.sql", "--format", "sql", "-udl", "x", "--table", "t", "--sql-table", "u"}));
  EXPECT_EQ(c.options.tableName, "u");
}

TEST(ExportArguments, OnlyAnExportRunsWithoutAWindow) {
  EXPECT_EQ(ParseExportArguments(Words({"--export", "x", "--help"})).action,
            ExportArguments::Action::Help);
  const char* window[] = {"quillet", "-udl", "a.udl", "-dontsavelayout", "-h", "-?"};
  EXPECT_FALSE(IsCommandLineRun(6, window));
  const char* exportRun[] = {"quillet", "--export", "-"};
  EXPECT_TRUE(IsCommandLineRun(3, exportRun));
  EXPECT_NE(UsageText().find("--export FILE|- --format csv|jsonl|sql"), std::string::npos);
}

struct BadLine {
  std::vector<std::string> words;
  const char* reason;  // a piece of the one-line reason
};

class BadExportArguments : public ::testing::TestWithParam<BadLine> {};

TEST_P(BadExportArguments, AreRefusedWithAReason) {
  const ExportArguments a = ParseExportArguments(GetParam().words);
  EXPECT_EQ(a.action, ExportArguments::Action::Invalid);
  EXPECT_NE(a.error.find(GetParam().reason), std::string::npos) << a.error;
  EXPECT_EQ(a.error.find('\n'), std::string::npos);
}

const std::vector<std::string> kBase{"quillet", "--export", "o", "--format", "csv", "-udl", "x"};

std::vector<std::string> With(std::vector<std::string> more) {
  std::vector<std::string> all = kBase;
  all.insert(all.end(), more.begin(), more.end());
  return all;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, BadExportArguments,
    ::testing::Values(
        BadLine{With({"--table", "t", "--bogus", "1"}), "unknown option --bogus"},
        BadLine{With({"--table"}), "--table needs a value"},
        BadLine{With({"--table", "t", "stray"}), "unexpected argument"},
        BadLine{With({"--table", "t", "--table", "u"}), "more than once"},
        BadLine{With({}), "either --table or --query"},
        BadLine{With({"--table", "t", "--query", "select 1"}), "either --table or --query"},
        BadLine{With({"--table", "t", "-constr", "Provider=SQLite"}), "either -udl or -constr"},
        BadLine{With({"--table", "t", "--separator", "ab"}), "one character"},
        BadLine{With({"--table", "t", "--separator", "\""}), "cannot be a quote"},
        BadLine{With({"--table", ""}), "--table needs a name"},
        BadLine{{"quillet", "--export", "o", "-udl", "x", "--table", "t"}, "--format is missing"},
        BadLine{{"quillet", "--format", "csv", "-udl", "x", "--table", "t"}, "--export"},
        BadLine{{"quillet", "--export", "o", "--format", "xml", "-udl", "x", "--table", "t"},
                "unknown format"},
        BadLine{{"quillet", "--export", "o", "--format", "jsonl", "-udl", "x", "--table", "t",
                 "--null", "N"},
                "csv only"},
        BadLine{{"quillet", "--export", "o", "--format", "csv", "-udl", "x", "--table", "t",
                 "--sql-table", "u"},
                "sql only"}));

}  // namespace
}  // namespace quillet::exporting
