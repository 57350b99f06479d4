// Values as the database prints them: a table of every common type is read through the table
// element's cell texts and compared, cell by cell, with what the database's own command-line
// client prints for the same query (sqlite3 -list, psql -A -t, mariadb -B -N). The only
// differences allowed are the texts the data list puts in place of a value, each listed below:
//   "(NULL)" where the client prints its text for NULL;
//   "(TEXT)" where the value is longer than a cell holds (511 bytes);
//   "(BLOB)" in the binary columns, and on SQLite for a blob in any column;
// and two of SQLite's own: the sqlite3 shell prints reals to 15 digits, which not every real
// reads back from (the cell shows the shortest text that does, and the shell's text is that
// value to 15 digits); and the SQLite ODBC driver gives a blob in a text column as its literal
// (X'41'), which no reader of its text can tell from a text that looks the same.

#include <sqlite3.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "elements/element_slots.h"
#include "elements/job_cancel.h"
#include "odbc_test_support.h"
#include "tabledata/element_table.h"
#include "unit/datasource/test_files.h"
#include "unit/elements/recording_services.h"

namespace quillet::test {
namespace {

using db::testing::kMariaDbState;
using db::testing::kPgState;
using db::testing::ReadServerEnv;
using db::testing::RunShellOutput;

constexpr const char* kQuery = "select * from value_kinds order by id";
constexpr std::size_t kInlineLimit = 511;

struct Provider {
  const char* name;
  std::string initString;
  std::string client;    // the command that prints the query's rows
  char separator;        // between the client's fields
  std::string nullText;  // what the client prints for NULL
  std::vector<std::string> binaryColumns;
};

std::vector<std::vector<std::string>> Split(const std::string& text, char separator,
                                            bool unescape) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (line[i] == separator) {
        fields.emplace_back();
      } else if (unescape && line[i] == '\\' && i + 1 < line.size()) {
        const char next = line[++i];
        fields.back() += next == 't' ? '\t' : next == 'n' ? '\n' : next == '0' ? '\0' : next;
      } else {
        fields.back() += line[i];
      }
    }
    rows.push_back(std::move(fields));
  }
  return rows;
}

// The SQLite table: dynamic typing lets a column hold any kind of value, so next to one value
// of each declared type come a text in an INTEGER column, a real in an untyped one and blobs
// in TEXT, INTEGER and untyped columns.
void MakeSqliteTable(const std::string& path) {
  db::testing::RunSql(path, R"sql(
    create table value_kinds (id integer primary key, t text, c clob, untyped, vc varchar(20),
      i integer, r real, num numeric(20, 6), b boolean, d date, bl blob);
    insert into value_kinds values
      (1, 'Straße', '日本語テキスト', 'plain', 'short', 9007199254740993, 3.141592653589793,
       12345678901234.123456, 1, '2024-02-29', x'0102'),
      (2, '', '', '', '', 'text in an integer column', 0.30000000000000004, -0.000001, 0, '', x''),
      (3, null, null, null, null, null, null, null, null, null, null),
      (4, printf('%.511c', 'a'), printf('%.509c', 'b') || 'é', 2.5, 'x', -9223372036854775808,
       -0.0, 1e300, 'yes', '9999-12-31', x'ff'),
      (5, printf('%.512c', 'a'), x'41', x'42', null, x'43', 1e-7, 100.0, null, null, null),
      (6, printf('%.510c', 'a') || 'é', null, 9223372036854775807, null, 1.0, 0.1, null, null,
       null, null);
  )sql");
}

class ValueFidelity : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    const std::string name = GetParam();
    if (name == "BuiltInSqlite" || name == "SqliteOdbc") {
      const std::string path = folder_.File("values.db");
      MakeSqliteTable(path);
      provider_ = {GetParam(),
                   name == "SqliteOdbc" ? "Provider=ODBC;Driver=SQLite3;Database=\"" + path + "\""
                                        : "Provider=SQLite;Data Source=" + path,
                   "sqlite3 -list -separator \"$(printf '\\037')\" '" + path + "' '" + kQuery + "'",
                   '\x1f',
                   "",
                   {"bl"}};
    } else if (name == "PostgreSql") {
      auto env = ReadServerEnv(kPgState);
      if (env.count("ODBC_CONNECT") == 0) GTEST_FAIL() << "no PostgreSQL test server";
      provider_ = {GetParam(),
                   "Provider=ODBC;" + env["ODBC_CONNECT"],
                   "PGPASSWORD='" + env["PG_PASSWORD"] +
                       "' psql -X -A -t -F \"$(printf '\\037')\" -h 127.0.0.1 -p " +
                       env["PG_PORT"] + " -U quillet -d quillet_test -c '" + kQuery + "'",
                   '\x1f',
                   "",
                   {"by"}};
    } else {
      auto env = ReadServerEnv(kMariaDbState);
      if (env.count("ODBC_CONNECT") == 0) GTEST_FAIL() << "no MariaDB test server";
      provider_ = {GetParam(),
                   "Provider=ODBC;" + env["ODBC_CONNECT"],
                   "mariadb -B -N -h 127.0.0.1 --protocol=tcp -P " + env["MY_PORT"] +
                       " -u quillet -p'" + env["MY_PASSWORD"] + "' quillet_test -e '" + kQuery +
                       "'",
                   '\t',
                   "NULL",
                   {"bl"}};
    }
    ASSERT_EQ(db::testing::OpenInitString(provider_.initString, &opened_), db::S_OK)
        << db::testing::TakeErrorText();
    session_ = opened_.session;
  }

  bool IsBinary(const std::string& column) const {
    return std::find(provider_.binaryColumns.begin(), provider_.binaryColumns.end(), column) !=
           provider_.binaryColumns.end();
  }
  bool IsSqlite() const { return provider_.initString.find("SQLite") != std::string::npos; }

  // Why the cell may differ from the client's text; empty when it may not.
  std::string Allowed(const std::string& column, const std::string& ours,
                      const std::string& client) const {
    if (ours == "(NULL)" && client == provider_.nullText) return "NULL";
    if (ours == "(TEXT)" && client.size() > kInlineLimit) return "longer than a cell";
    if (ours == "(BLOB)" && (IsBinary(column) || IsSqlite())) return "binary";
    if (provider_.name == std::string("SqliteOdbc") && ours.starts_with("X'") &&
        ours.ends_with("'")) {
      return "the driver's blob literal";
    }
    if (IsSqlite() && !ours.empty() && !client.empty()) {
      char* end = nullptr;
      const double value = std::strtod(ours.c_str(), &end);
      char shell[64];
      std::snprintf(shell, sizeof shell, "%.15g", value);
      if (*end == '\0' && std::strtod(shell, nullptr) == std::strtod(client.c_str(), nullptr)) {
        return "the shell's 15 digits";
      }
    }
    return {};
  }

  db::testing::TempFolder folder_;
  Provider provider_;
  db::testing::Opened opened_;
  SessionRef session_;
  RecordingServices services_;
  JobCancel cancel_;
};

TEST_P(ValueFidelity, CellsShowWhatTheDatabasesClientPrints) {
  xElement_Table table(ElementHost{&services_, &session_, &cancel_}, 57506, kSlotTable,
                       kSlotTables);
  table.SetName("value_kinds");
  ShowData request;
  request.query = kQuery;
  table.show_data(&request);
  ASSERT_TRUE(services_.errors.empty()) << services_.errors[0];

  const auto rows =
      Split(RunShellOutput(provider_.client), provider_.separator, provider_.separator == '\t');
  ASSERT_EQ(static_cast<int>(rows.size()), table.GetRowCount());
  const std::vector<ColumnInfo> columns = table.Columns();
  std::map<std::string, int> differences;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    ASSERT_EQ(rows[r].size(), columns.size()) << "row " << r;
    for (std::size_t c = 0; c < columns.size(); ++c) {
      const std::string ours = table.Text(static_cast<int>(r), static_cast<int>(c) + 1);
      const std::string& client = rows[r][c];
      if (ours == client) continue;
      const std::string why = Allowed(columns[c].name, ours, client);
      EXPECT_FALSE(why.empty()) << provider_.name << " row " << r + 1 << " column "
                                << columns[c].name << ": shows \"" << ours << "\", client prints \""
                                << client << "\"";
      ++differences[why];
    }
  }
  // Every kind of allowed difference occurs; nothing else does.
  EXPECT_EQ(differences.count("NULL"), 1u);
  EXPECT_EQ(differences.count("longer than a cell"), 1u);
  EXPECT_EQ(differences.count("binary"), 1u);
}

INSTANTIATE_TEST_SUITE_P(Providers, ValueFidelity,
                         ::testing::Values("BuiltInSqlite", "SqliteOdbc", "PostgreSql", "MariaDb"),
                         [](const auto& param) { return std::string(param.param); });

}  // namespace
}  // namespace quillet::test
