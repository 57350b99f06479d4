// The ODBC provider with the SQLite ODBC driver against real database files.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "datasource/udl_file.h"
#include "odbc_test_support.h"
#include "unit/datasource/test_files.h"

namespace quillet::db::testing {
namespace {

namespace fs = std::filesystem;

// A text that mixes one-, two-, three- and four-byte characters, so pieces of the driver's
// reads end inside characters and surrogate pairs.
std::string MixedText(std::size_t characters) {
  static const char* const kPieces[] = {"a", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"};
  std::string text;
  for (std::size_t i = 0; i < characters; ++i) text += kPieces[i % 4];
  return text;
}

class OdbcSqliteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = folder_.File("shop data.db");
    longText_ = MixedText(100000);
    RunSql(path_,
           "create table people(id integer primary key, name varchar(40), note text, photo blob);"
           "insert into people values(1, 'Zoë', null, x'00ff10');"
           "insert into people values(2, 'Ann', 'hello', null);"
           "create view adults as select id, name from people;"
           "create table numbers(n integer);"
           "with recursive c(x) as (select 0 union all select x + 1 from c where x < 999) "
           "insert into numbers select x from c;"
           "create table long_values(id integer, body text);"
           "insert into long_values values(1, '" +
               longText_ + "');");
    ASSERT_EQ(OpenInitString(InitString(path_), &opened_), S_OK) << TakeErrorText();
  }

  static std::string InitString(const std::string& path) {
    return "Provider=ODBC;Driver=SQLite3;Database=\"" + path + "\"";
  }

  ISession& Session() { return *opened_.session; }

  TempFolder folder_;
  std::string path_;
  std::string longText_;
  Opened opened_;
};

TEST_F(OdbcSqliteTest, DataLinkFileWithExtendedPropertiesOpensTheDatabase) {
  const std::string udl = folder_.File("shop.udl");
  std::string error;
  ASSERT_TRUE(WriteDataLinkFile(
      udl,
      "Provider=MSDASQL.1;Persist Security Info=False;Extended Properties=\"DRIVER=SQLite3;"
      "Database=" +
          path_ + "\"",
      &error))
      << error;

  Opened opened;
  ASSERT_EQ(OpenDataLinkFile(udl, &opened), S_OK) << TakeErrorText();
  // Values arrive as text, nulls and bytes.
  EXPECT_EQ(Query(*opened.session, "select id, name, note, photo from people order by id"),
            (std::vector<TextRow>{{"1", "Zoë", std::nullopt, std::string("\x00\xff\x10", 3)},
                                  {"2", "Ann", "hello", std::nullopt}}));
}

TEST_F(OdbcSqliteTest, TablesAndViewsAreListedByTheirTypeRestriction) {
  const auto tables = ListTables(Session(), "TABLE");
  const auto views = ListTables(Session(), "VIEW");
  auto hasName = [](const auto& list, const std::string& name) {
    return std::any_of(list.begin(), list.end(), [&](const auto& p) { return p.second == name; });
  };
  EXPECT_TRUE(hasName(tables, "people"));
  EXPECT_TRUE(hasName(tables, "numbers"));
  EXPECT_FALSE(hasName(tables, "adults"));
  ASSERT_EQ(views.size(), 1u);
  EXPECT_EQ(views[0].second, "adults");
}

TEST_F(OdbcSqliteTest, SkipsRestartsAndCountsAgreeWithAWalk) {
  std::shared_ptr<IRowset> rowset;
  ASSERT_EQ(RunSql(Session(), "select n from numbers order by n", &rowset), S_OK)
      << TakeErrorText();
  std::int64_t count = 0;
  ASSERT_EQ(rowset->CountRows(&count), S_OK);
  EXPECT_EQ(count, 1000);
  EXPECT_EQ(NextRowAsText(*rowset, 500), TextRow{"500"});
  HRESULT hr = S_OK;
  EXPECT_FALSE(NextRowAsText(*rowset, 1000, &hr));
  EXPECT_EQ(hr, DB_S_ENDOFROWSET);
  ASSERT_EQ(rowset->RestartPosition(), S_OK);
  EXPECT_EQ(AllRowsAsText(*rowset).size(), 1000u);
}

TEST_F(OdbcSqliteTest, LongTextStreamsWholeAcrossCharacterBoundaries) {
  std::shared_ptr<IRowset> rowset;
  ASSERT_EQ(RunSql(Session(), "select body from long_values", &rowset), S_OK) << TakeErrorText();
  const auto text = NextStreamValue(*rowset);
  ASSERT_TRUE(text);
  EXPECT_EQ(text->size(), longText_.size());
  EXPECT_TRUE(*text == longText_);
}

TEST_F(OdbcSqliteTest, MissingFileFailsAndIsNotCreated) {
  const std::string missing = folder_.File("nothing here.db");
  Opened opened;
  EXPECT_TRUE(Failed(OpenInitString(InitString(missing), &opened)));
  EXPECT_FALSE(TakeErrorText().empty());
  EXPECT_FALSE(fs::exists(missing));
}

TEST_F(OdbcSqliteTest, UnknownDriverGivesTheDriverManagersReason) {
  Opened opened;
  const HRESULT hr = OpenInitString("Provider=ODBC;Driver={No Such Driver 42}", &opened);
  EXPECT_TRUE(Failed(hr));
  const std::string text = TakeErrorText();
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(text.find("[unixODBC]"), std::string::npos) << text;
}

}  // namespace
}  // namespace quillet::db::testing
