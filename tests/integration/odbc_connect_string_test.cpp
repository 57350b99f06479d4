// The ODBC provider's pieces that need no driver: connection strings, diagnostics, type mapping.

#include <gtest/gtest.h>
#include <sqlext.h>
#include <sqlucode.h>

#include "datasource/init_string.h"
#include "datasource/providers/odbc/odbc_connect_string.h"
#include "datasource/providers/odbc/odbc_diag.h"
#include "datasource/providers/odbc/odbc_types.h"

namespace quillet::db::odbc {
namespace {

// --- ODBC connection strings ------------------------------------------------------------------

TEST(OdbcAttributesTest, BracedValuesKeepSeparatorsAndRoundTrip) {
  const auto parsed =
      OdbcAttributes::Parse("DRIVER={PostgreSQL Unicode};PWD={a;b=c}}d}; Port = 5432 ;;");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->Get("driver"), "PostgreSQL Unicode");
  EXPECT_EQ(parsed->Get("Pwd"), "a;b=c}d");
  EXPECT_EQ(parsed->Get("PORT"), "5432");
  const auto again = OdbcAttributes::Parse(parsed->Compose());
  ASSERT_TRUE(again);
  EXPECT_EQ(again->Get("PWD"), "a;b=c}d");
  EXPECT_EQ(again->Get("DRIVER"), "PostgreSQL Unicode");
}

TEST(OdbcAttributesTest, BrokenStringsAreRefusedWithAReason) {
  for (const char* text : {"DRIVER={unclosed", "PWD={x}y;", "JustAWord", "=value",
                           "Just\r\nA\nWord", "DRI\nVER={unclosed", "P\rWD={x}\ny;"}) {
    std::string error;
    EXPECT_FALSE(OdbcAttributes::Parse(text, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
    EXPECT_EQ(error.find_first_of("\r\n"), std::string::npos) << error;
  }
}

// Both parsers trim the same blanks: a key the initialization string keeps must be a key the
// composed ODBC string still holds, whatever blank byte surrounds it.
TEST(OdbcAttributesTest, BlanksTrimmedByTheInitStringAreTrimmedHereToo) {
  for (const char* text : {"Driver=x;\f=1", "Driver=x;\vKey\f=\v1\f", "Driver=x; K = {\t}"}) {
    const auto properties = InitProperties::Parse(text);
    if (!properties) continue;  // refused by the first parser: nothing reaches the second
    std::string error;
    const auto mapped = MapInitProperties(*properties, &error);
    ASSERT_TRUE(mapped) << error;
    const auto again = OdbcAttributes::Parse(mapped->Compose(), &error);
    ASSERT_TRUE(again) << error << " in " << mapped->Compose();
    EXPECT_EQ(again->items().size(), mapped->items().size());
  }
  const auto spaced = OdbcAttributes::Parse("Key=\v\f{a;b}\t;Other=\f2\v");
  ASSERT_TRUE(spaced);
  EXPECT_EQ(spaced->Get("Key"), "a;b");
  EXPECT_EQ(spaced->Get("Other"), "2");
}

struct MappingCase {
  const char* initString;
  std::vector<std::pair<const char*, const char*>> expected;  // value nullptr: key absent
};

class MapInitPropertiesTest : public ::testing::TestWithParam<MappingCase> {};

TEST_P(MapInitPropertiesTest, MapsTheDataLinkKeys) {
  const auto properties = InitProperties::Parse(GetParam().initString);
  ASSERT_TRUE(properties);
  std::string error;
  const auto mapped = MapInitProperties(*properties, &error);
  ASSERT_TRUE(mapped) << error;
  for (const auto& [key, value] : GetParam().expected) {
    if (value == nullptr) {
      EXPECT_FALSE(mapped->Has(key)) << key;
    } else {
      EXPECT_EQ(mapped->Get(key).value_or("<missing>"), value) << key;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MapInitPropertiesTest,
    ::testing::Values(
        // What the data link dialog writes for the OLE DB provider for ODBC drivers.
        MappingCase{"Provider=MSDASQL.1;Persist Security Info=False;User ID=anna;Password=s;"
                    "Data Source=sales;Initial Catalog=shop;Mode=Read",
                    {{"DSN", "sales"},
                     {"UID", "anna"},
                     {"PWD", "s"},
                     {"DATABASE", "shop"},
                     {"Provider", nullptr},
                     {"Mode", nullptr},
                     {"Persist Security Info", nullptr}}},
        MappingCase{"Provider=MSDASQL;Extended Properties=\"DRIVER={PostgreSQL Unicode};"
                    "SERVER=db;PORT=5433;DATABASE=x\";User ID=bob",
                    {{"DRIVER", "PostgreSQL Unicode"},
                     {"SERVER", "db"},
                     {"PORT", "5433"},
                     {"UID", "bob"},
                     {"Extended Properties", nullptr}}},
        // An explicit field wins over the same key inside the extended properties.
        MappingCase{"Provider=MSDASQL;Extended Properties='DSN=a;UID=old';User ID=new",
                    {{"DSN", "a"}, {"UID", "new"}}},
        // Empty dialog fields are "not given".
        MappingCase{"Provider=MSDASQL;Data Source=a;User ID=;Password=",
                    {{"DSN", "a"}, {"UID", nullptr}, {"PWD", nullptr}}},
        // The plain form: the ODBC string itself after the provider's name.
        MappingCase{"Provider=ODBC;Driver={SQLite3};Database=/tmp/a b.db;Timeout=5",
                    {{"Driver", "SQLite3"}, {"Database", "/tmp/a b.db"}, {"Timeout", "5"}}}));

TEST(MapInitPropertiesTest, NothingToConnectToIsAnError) {
  const auto properties = InitProperties::Parse("Provider=MSDASQL;User ID=x");
  ASSERT_TRUE(properties);
  std::string error;
  EXPECT_FALSE(MapInitProperties(*properties, &error));
  EXPECT_NE(error.find("neither"), std::string::npos) << error;

  const auto broken = InitProperties::Parse("Provider=MSDASQL;Extended Properties='DSN={x'");
  ASSERT_TRUE(broken);
  EXPECT_FALSE(MapInitProperties(*broken, &error));
  EXPECT_NE(error.find("extended properties"), std::string::npos) << error;
}

TEST(DriverOptionsTest, PostgreSqlAlwaysGetsServerSidePreparedStatements) {
  // A user's string cannot bring back the driver's own cursors, which would send the text by
  // the simple protocol, where the server runs every statement it holds.
  auto attributes = OdbcAttributes::Parse(
      "Driver={PostgreSQL Unicode};UseDeclareFetch=1;UseServerSidePrepare=0;Fetch=500");
  ASSERT_TRUE(attributes);
  const DriverKind kind = GuessDriverKind(*attributes);
  EXPECT_EQ(kind, DriverKind::PostgreSql);
  ApplyDriverOptions(kind, &*attributes);
  EXPECT_EQ(attributes->Get("UseDeclareFetch"), "0");
  EXPECT_EQ(attributes->Get("UseServerSidePrepare"), "1");
  EXPECT_EQ(GuessDriverKind(*OdbcAttributes::Parse("Driver={MariaDB Unicode}")),
            DriverKind::MariaDb);
  // MariaDB's login timeout is an option of its own; one the user wrote stays.
  for (const auto& [text, timeout] : {std::pair{"Driver={MariaDB Unicode}", "20"},
                                      std::pair{"Driver={MariaDB Unicode};conn_timeout=5", "5"}}) {
    auto mariadb = OdbcAttributes::Parse(text);
    ApplyDriverOptions(DriverKind::MariaDb, &*mariadb);
    EXPECT_EQ(mariadb->Get("CONN_TIMEOUT"), timeout);
  }
}

TEST(DriverOptionsTest, SqliteDatabaseBecomesAReadOnlyUri) {
  auto attributes = OdbcAttributes::Parse("Driver=SQLite3;Database=/data/my db#1?.sqlite");
  ASSERT_TRUE(attributes);
  ApplyDriverOptions(GuessDriverKind(*attributes), &*attributes);
  EXPECT_EQ(attributes->Get("Database"), "file:/data/my%20db%231%3F.sqlite?mode=ro");
  EXPECT_EQ(SqliteReadOnlyUri("file:/x.db?cache=shared&mode=rw"),
            "file:/x.db?cache=shared&mode=ro");
  EXPECT_EQ(DriverKindFromLibrary("libsqlite3odbc.so"), DriverKind::Sqlite3);
  EXPECT_EQ(DriverKindFromLibrary("libmaodbc.so"), DriverKind::MariaDb);
  EXPECT_EQ(DriverKindFromLibrary("libtdsodbc.so"), DriverKind::Other);
}

// --- diagnostics ------------------------------------------------------------------------------

TEST(DiagnosticTest, MessagesBecomeOneCleanLine) {
  EXPECT_EQ(CleanDiagnosticMessage("[unixODBC][Driver Manager]Data source name not found"),
            "Data source name not found");
  EXPECT_EQ(CleanDiagnosticMessage("ERROR: syntax error at or near \"selec\";\nError while "
                                   "executing the query"),
            "ERROR: syntax error at or near \"selec\"; Error while executing the query");
  EXPECT_EQ(CleanDiagnosticMessage("  line one\r\n\r\n line two  "), "line one; line two");
}

TEST(DiagnosticTest, SqlStatesChooseTheResultCode) {
  // A cancel must read as a cancel, not as a failure; unknown states keep the caller's code.
  EXPECT_EQ(CodeForSqlState("HY008", E_FAIL), DB_E_CANCELED);
  EXPECT_EQ(CodeForSqlState("28P01", E_FAIL), DB_SEC_E_AUTH_FAILED);
  EXPECT_EQ(CodeForSqlState("08001", E_FAIL), E_FAIL);
}

// --- types ------------------------------------------------------------------------------------

struct TypeCase {
  SQLSMALLINT sqlType;
  SQLULEN size;
  const char* typeName;
  DBTYPE expectedType;
  std::uint32_t expectedSize;
  bool isUnsigned = false;
};

class MapColumnTest : public ::testing::TestWithParam<TypeCase> {};

TEST_P(MapColumnTest, MapsTypeAndSize) {
  const TypeCase& c = GetParam();
  const DBCOLUMNINFO info = MapColumn({c.sqlType, c.size, 0, c.typeName, c.isUnsigned});
  EXPECT_EQ(info.wType, c.expectedType);
  EXPECT_EQ(info.ulColumnSize, c.expectedSize);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MapColumnTest,
    ::testing::Values(TypeCase{SQL_VARCHAR, 40, "varchar", DBTYPE_STR, 40},
                      // Text without a bound is an inline string.
                      TypeCase{SQL_WCHAR, 0, "", DBTYPE_STR, kInlineTextSize},
                      TypeCase{SQL_LONGVARCHAR, 8190, "text", DBTYPE_STR, kInlineTextSize},
                      TypeCase{SQL_WLONGVARCHAR, 1073741823, "json", DBTYPE_STR, kInlineTextSize},
                      // psqlODBC's long varchar for a bounded varchar(1000).
                      TypeCase{SQL_WLONGVARCHAR, 1000, "varchar", DBTYPE_WSTR, 1000},
                      TypeCase{SQL_LONGVARBINARY, 0, "bytea", DBTYPE_BYTES, kSizeUnlimited},
                      TypeCase{SQL_REAL, 8, "float4", DBTYPE_R8, 8},
                      TypeCase{SQL_GUID, 37, "uuid", DBTYPE_GUID, 16},
                      // psqlODBC's boolean as text is still a boolean.
                      TypeCase{SQL_WVARCHAR, 5, "bool", DBTYPE_BOOL, 2},
                      // MariaDB's tinyint (and boolean) is signed.
                      TypeCase{SQL_TINYINT, 3, "tinyint", DBTYPE_I1, 1},
                      TypeCase{SQL_TINYINT, 3, "tinyint", DBTYPE_UI1, 1, true}));

}  // namespace
}  // namespace quillet::db::odbc
