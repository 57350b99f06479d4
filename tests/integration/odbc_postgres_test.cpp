// The ODBC provider with the PostgreSQL ODBC driver against the throwaway test server.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "datasource/init_string.h"
#include "datasource/text_convert.h"
#include "datasource/udl_file.h"
#include "odbc_test_support.h"

namespace quillet::db::testing {
namespace {

namespace fs = std::filesystem;

// A port nobody listens on: one the kernel just handed out and took back.
int ClosedPort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t size = sizeof addr;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &size);
  ::close(s);
  return ntohs(addr.sin_port);
}

class OdbcPostgresTest : public PgServerTest {
 protected:
  // Opens `initString`, expects a failure and returns its text.
  static std::string FailureText(const std::string& initString) {
    Opened opened;
    EXPECT_TRUE(Failed(OpenInitString(initString, &opened))) << initString;
    return TakeErrorText();
  }
};

TEST_F(OdbcPostgresTest, DataLinkFileWithMsdasqlAndExtendedProperties) {
  const fs::path udl =
      fs::temp_directory_path() / ("quillet-pg-" + std::to_string(::getpid()) + ".udl");
  const std::string init =
      "Provider=MSDASQL.1;Persist Security Info=True;User ID=" + env_["PG_USER"] +
      ";Password=" + env_["PG_PASSWORD"] +
      ";Extended Properties=\"DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=" +
      env_["PG_PORT"] + ";DATABASE=" + env_["PG_DATABASE"] + ";CommLog=0\"";
  std::string error;
  ASSERT_TRUE(WriteDataLinkFile(udl.string(), init, &error)) << error;
  Opened opened;
  const HRESULT hr = OpenDataLinkFile(udl.string(), &opened);
  fs::remove(udl);
  ASSERT_EQ(hr, S_OK) << TakeErrorText();
  const auto rows = Query(*opened.session, "select count(*) from big_table");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "100000");
}

TEST_F(OdbcPostgresTest, TablesAndViewsOfBothSchemas) {
  const auto tables = ListTables(Session(), "TABLE");
  const auto views = ListTables(Session(), "VIEW");
  using Name = std::pair<std::string, std::string>;
  for (const Name& expected :
       {Name{"public", "customers"}, Name{"public", "big_table"}, Name{"public", "order items"},
        Name{"sales", "orders"}, Name{"sales", "regions"}}) {
    EXPECT_NE(std::find(tables.begin(), tables.end(), expected), tables.end())
        << expected.first << "." << expected.second;
  }
  EXPECT_EQ(std::find(tables.begin(), tables.end(), Name{"public", "customer_names"}),
            tables.end());
  std::vector<Name> sortedViews = views;
  std::sort(sortedViews.begin(), sortedViews.end());
  EXPECT_EQ(sortedViews,
            (std::vector<Name>{{"public", "customer_names"}, {"sales", "order_totals"}}));

  // A name restriction is exact: '_' is not a wildcard.
  Restrictions restrictions(4);
  restrictions[2] = u"big_table";
  std::shared_ptr<IRowset> rowset;
  ASSERT_EQ(Session().GetSchemaRowset(DBSCHEMA_TABLES, restrictions, &rowset), S_OK);
  EXPECT_EQ(AllRowsAsText(*rowset).size(), 1u);
}

TEST_F(OdbcPostgresTest, ProceduresAreListedWithTheirKind) {
  std::shared_ptr<IRowset> rowset;
  ASSERT_EQ(Session().GetSchemaRowset(DBSCHEMA_PROCEDURES, Restrictions(4), &rowset), S_OK)
      << TakeErrorText();
  std::map<std::string, std::string> kinds;
  for (const auto& row : AllRowsAsText(*rowset)) {
    kinds[row[1].value_or("") + "." + row[2].value_or("")] = row[3].value_or("");
  }
  for (const char* name : {"public.add_numbers", "sales.order_count", "sales.touch_nothing"}) {
    ASSERT_EQ(kinds.count(name), 1u) << name;
    const std::string kind = kinds[name];
    EXPECT_TRUE(kind == "1" || kind == "2" || kind == "3") << name << ": " << kind;
  }
}

TEST_F(OdbcPostgresTest, SelectStarCoversEveryBindingKind) {
  std::shared_ptr<IRowset> rowset;
  ASSERT_EQ(RunSql(Session(), "select * from binding_kinds order by id", &rowset), S_OK)
      << TakeErrorText();
  CellRow cells;
  ASSERT_EQ(cells.Bind(*rowset), S_OK) << TakeErrorText();
  ASSERT_EQ(cells.columns.size(), 14u);
  // short text inline, varchar(1000) by reference, text inline up to the cell's limit, bytea as
  // long data, numbers as text.
  const auto& columns = cells.columns;
  EXPECT_EQ(cells.bindings[1].wType, columns[1].wType);
  EXPECT_EQ(columns[2].ulColumnSize, 1000u);
  EXPECT_NE(cells.bindings[2].wType & DBTYPE_BYREF, 0);
  EXPECT_EQ(columns[3].ulColumnSize, kInlineTextSize);
  EXPECT_EQ(columns[4].wType, DBTYPE_BYTES);
  EXPECT_EQ(columns[4].ulColumnSize, kSizeUnlimited);
  for (auto [column, type] :
       {std::pair{0, DBTYPE_I4}, std::pair{5, DBTYPE_NUMERIC}, std::pair{7, DBTYPE_I8},
        std::pair{10, DBTYPE_DBDATE}, std::pair{12, DBTYPE_DBTIMESTAMP}})
    EXPECT_EQ(columns[column].wType, type) << column;

  std::size_t obtained = 0;
  HROW row = DB_NULL_HROW;
  ASSERT_EQ(rowset->GetNextRows(0, 1, &obtained, &row), S_OK);
  ASSERT_TRUE(Succeeded(rowset->GetData(row, cells.accessor, cells.buffer.data())))
      << TakeErrorText();
  // Text columns arrive in their own form: UTF-16 bytes for wide ones.
  const auto text = [&](std::size_t c, const std::string& utf8) {
    return columns[c].wType == DBTYPE_WSTR ? Utf16ToBytesLE(Utf8ToUtf16(utf8)) : utf8;
  };
  EXPECT_EQ(cells.Value(0), "1");
  EXPECT_EQ(cells.Value(1), text(1, "short"));
  EXPECT_EQ(cells.Value(2), text(2, std::string(700, 'm')));
  EXPECT_EQ(cells.Cell(3).Status(), DBSTATUS_S_TRUNCATED);
  EXPECT_EQ(cells.Value(3), text(3, std::string(columns[3].wType == DBTYPE_WSTR ? 255 : 511, 'L')));
  EXPECT_EQ(cells.Value(4), std::string("\x00\x01\x02\x03\xff", 5));
  EXPECT_EQ(cells.Cell(4).Length(), 5u);
  EXPECT_EQ(cells.Value(5), "1234.50");
  EXPECT_EQ(cells.Value(7), "9007199254740993");
  EXPECT_EQ(cells.Value(10), "2024-02-29");
  EXPECT_TRUE(InitKeyEquals(cells.Value(13), "a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11"))
      << cells.Value(13);
  ASSERT_EQ(rowset->ReleaseRows(1, &row), S_OK);

  ASSERT_EQ(rowset->GetNextRows(0, 1, &obtained, &row), S_OK);
  ASSERT_TRUE(Succeeded(rowset->GetData(row, cells.accessor, cells.buffer.data())));
  for (std::size_t c = 1; c < columns.size(); ++c) {
    EXPECT_EQ(cells.Cell(c).Status(), DBSTATUS_S_ISNULL) << "column " << c + 1;
  }
  ASSERT_EQ(rowset->ReleaseRows(1, &row), S_OK);
}

TEST_F(OdbcPostgresTest, SkipReachesTheLastOfManyRowsAndTheEndFollows) {
  ExpectBigTableSkips(Session());
}

TEST_F(OdbcPostgresTest, HundredThousandCharactersArriveWholeThroughTheStream) {
  ExpectLongValueWhole(Session());
  // A stream of a null value is no stream: the status says null.
  std::shared_ptr<IRowset> rowset;
  ASSERT_EQ(RunSql(Session(), "select body from long_values where id = 2", &rowset), S_OK);
  EXPECT_EQ(NextStreamValue(*rowset), std::nullopt);
}

TEST_F(OdbcPostgresTest, ConnectionFailuresGiveOneReadableLine) {
  std::string wrong = connect_;
  const std::size_t pwd = wrong.find("Pwd=") + 4;
  wrong.replace(pwd, wrong.find(';', pwd) - pwd, "definitely-wrong");
  const std::string password = FailureText(wrong);
  EXPECT_NE(password.find("password"), std::string::npos) << password;

  std::string down = connect_;
  const std::size_t port = down.find("Port=") + 5;
  down.replace(port, down.find(';', port) - port, std::to_string(ClosedPort()));
  const std::string refused = FailureText(down);
  EXPECT_FALSE(refused.empty());

  for (const std::string& text : {password, refused}) {
    EXPECT_EQ(text.find('\n'), std::string::npos) << text;
    EXPECT_EQ(text.find("[unixODBC]"), std::string::npos) << text;
  }
}

TEST_F(OdbcPostgresTest, SyntaxErrorIsAnErrorInTheCommand) {
  std::shared_ptr<IRowset> rowset;
  const HRESULT hr = RunSql(Session(), "selec * form customers", &rowset);
  EXPECT_EQ(hr, DB_E_ERRORSINCOMMAND);
  EXPECT_EQ(rowset, nullptr);
  const std::string text = TakeErrorText();
  EXPECT_NE(text.find("syntax error"), std::string::npos) << text;
  EXPECT_EQ(text.find('\n'), std::string::npos) << text;
  // The session goes on working.
  EXPECT_EQ(Query(Session(), "select count(*) from customers").at(0).at(0), "3");
}

TEST_F(OdbcPostgresTest, CancelStopsACountAndTheRowsetRecovers) {
  std::shared_ptr<IRowset> rowset;
  ASSERT_EQ(RunSql(Session(), "select id from big_table order by id", &rowset), S_OK);
  rowset->Cancel();
  std::int64_t count = 0;
  EXPECT_EQ(rowset->CountRows(&count), DB_E_CANCELED) << TakeErrorText();
  ASSERT_EQ(rowset->RestartPosition(), S_OK) << TakeErrorText();
  auto row = NextRowAsText(*rowset, 10);
  ASSERT_TRUE(row);
  EXPECT_EQ((*row)[0], "10");
}

}  // namespace
}  // namespace quillet::db::testing
