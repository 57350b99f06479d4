// The SQLite provider against real database files: schema restrictions, skipping, long data
// through streams, errors as one line and cancels. (The cells of every kind are the table-load
// tests'.)

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "provider_helpers.h"
#include "test_files.h"

namespace quillet::db {
namespace {

using testing::Bind;
using testing::OpenConnection;
using testing::Opened;
using testing::ReadAt;
using testing::ReadStream;
using testing::RunQuery;
using testing::RunSql;
using testing::SqliteString;
using testing::TempFolder;
using testing::Walk;

const std::string kLongNote(100000, 'n');

class SqliteProvider : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = folder_.File("shop.db");
    RunSql(path_, R"sql(
CREATE TABLE people (id INTEGER PRIMARY KEY, name VARCHAR(40), misc VARCHAR(1000),
  city NVARCHAR(40), wide NVARCHAR(300), code VARBINARY(16), notes TEXT, photo BLOB, raw,
  score REAL, born DATE);
CREATE TABLE "Order Details" (x INTEGER);
CREATE TABLE empty_one (a INTEGER);
CREATE VIEW shouting AS SELECT id, upper(name) AS loud, length(notes) AS n FROM people;
)sql");
    RunSql(path_, "INSERT INTO people VALUES (1, 'Zoë', '" + std::string(1000, 'm') +
                      "', 'Łódź', '東京', x'00FF10', '" + kLongNote +
                      "', x'89504E47', 'free', 2.5, '2024-02-29');"
                      "INSERT INTO people (id) VALUES (2);"
                      "INSERT INTO people (id, name, score) VALUES (3, 'Ömer', 0.1);"
                      "WITH RECURSIVE n(i) AS (SELECT 4 UNION ALL SELECT i + 1 FROM n WHERE i < 40)"
                      "  INSERT INTO people (id, name) SELECT i, 'p' || i FROM n;");
    std::string error;
    ASSERT_EQ(OpenConnection(SqliteString(path_), &db_, &error), S_OK) << error;
  }

  std::shared_ptr<IRowset> Query(const std::string& sql) {
    std::shared_ptr<IRowset> rowset;
    std::string error;
    EXPECT_EQ(RunQuery(*db_.session, sql, &rowset, &error), S_OK) << error;
    return rowset;
  }

  // "name|type|catalog|schema" of every row of the tables schema.
  std::vector<std::string> TableNames(const Restrictions& r) {
    std::shared_ptr<IRowset> rowset;
    EXPECT_EQ(db_.session->GetSchemaRowset(DBSCHEMA_TABLES, r, &rowset), S_OK);
    // The schema binding table of the program: text of 129 bytes, value part only.
    std::vector<DBBINDING> bindings;
    for (std::size_t i = 0; i < 4; ++i) {
      DBBINDING b = Bind(i + 1, DBTYPE_STR, 129, 129 * i, 0, 0);
      b.dwPart = DBPART_VALUE;
      bindings.push_back(b);
    }
    DBBINDING guid = Bind(5, DBTYPE_GUID, 16, 516, 0, 0);
    guid.dwPart = DBPART_VALUE;
    bindings.push_back(guid);
    HACCESSOR accessor = 0;
    EXPECT_EQ(rowset->CreateAccessor(DBACCESSOR_ROWDATA, bindings, 664, &accessor), S_OK);
    std::vector<std::string> names;
    std::vector<std::uint8_t> record(664);
    for (;;) {
      std::size_t got = 0;
      HROW row = 0;
      if (rowset->GetNextRows(0, 1, &got, &row) != S_OK) break;
      EXPECT_TRUE(Succeeded(rowset->GetData(row, accessor, record.data())));
      const auto* text = reinterpret_cast<const char*>(record.data());
      names.push_back(std::string(text + 258) + "|" + (text + 387) + "|" + text + "|" +
                      (text + 129));
      rowset->ReleaseRows(1, &row);
    }
    return names;
  }

  TempFolder folder_;
  std::string path_;
  Opened db_;
};

TEST_F(SqliteProvider, TablesSchemaHonoursEveryRestriction) {
  const std::nullopt_t any = std::nullopt;
  struct Case {
    Restrictions restrictions;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {{any, any, any, u"SYSTEM TABLE"}, {"sqlite_master|SYSTEM TABLE|main|"}},
      {{any, any, u"Order Details", any}, {"Order Details|TABLE|main|"}},
      {{u"MAIN", any, u"people", u"TABLE"}, {"people|TABLE|main|"}},
      {{u"other", any, any, any}, {}},
      {{any, u"dbo", any, any}, {}},
      {{any, any, u"people", u"VIEW"}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(TableNames(c.restrictions), c.names);
  EXPECT_EQ(TableNames(Restrictions(4)).size(), 5u);
}

TEST_F(SqliteProvider, ExpressionColumnsOfViewsShowInline) {
  auto rowset = Query("select * from shouting where id = 1");
  std::vector<DBCOLUMNINFO> columns;
  ASSERT_EQ(rowset->GetColumnInfo(&columns), S_OK);
  ASSERT_EQ(columns.size(), 3u);
  // Not long data (size 0), which would show "(TEXT)" instead of the value.
  EXPECT_EQ(columns[1].wType, DBTYPE_STR);
  EXPECT_EQ(columns[1].ulColumnSize, kInlineTextSize);
}

TEST_F(SqliteProvider, SkipOffsetsCountAndEnd) {
  auto rowset = Query("select id from people order by id");
  HACCESSOR accessor = 0;
  ASSERT_EQ(rowset->CreateAccessor(DBACCESSOR_ROWDATA, {Bind(1, DBTYPE_STR, 512, 8, 0, 4)}, 520,
                                   &accessor),
            S_OK);
  std::int64_t count = 0;
  ASSERT_EQ(rowset->CountRows(&count), S_OK);
  EXPECT_EQ(count, 40);

  std::vector<std::uint8_t> buffer(520);
  const auto fetch = [&](std::int64_t skip) -> std::string {
    std::size_t got = 0;
    HROW row = 0;
    const HRESULT hr = rowset->GetNextRows(skip, 1, &got, &row);
    if (hr != S_OK) return hr == DB_S_ENDOFROWSET ? "end" : "error";
    EXPECT_EQ(rowset->GetData(row, accessor, buffer.data()), S_OK);
    rowset->ReleaseRows(1, &row);
    return reinterpret_cast<const char*>(buffer.data() + 8);
  };
  // Page 2 of a page size of 10, as the pager asks: the first row, then skip first - 1.
  EXPECT_EQ(fetch(0), "1");
  EXPECT_EQ(fetch(19), "21");
  EXPECT_EQ(fetch(0), "22");
  EXPECT_EQ(fetch(17), "40");
  EXPECT_EQ(fetch(0), "end");
  EXPECT_EQ(fetch(0), "end");  // the end stays the end, it does not run the query again
  ASSERT_EQ(rowset->RestartPosition(), S_OK);
  EXPECT_EQ(fetch(100), "end");
  ASSERT_EQ(rowset->RestartPosition(), S_OK);
  EXPECT_EQ(fetch(0), "1");
}

TEST_F(SqliteProvider, ATableOpenedByNameFollowsItsKeyAfterTheSchemaChanges) {
  // The first value of each row of `table` opened by name, in the order the rowset gives.
  const auto firstColumn = [&](const char* table) {
    std::shared_ptr<IRowset> rowset;
    EXPECT_EQ(db_.session->OpenRowset(Utf8ToUtf16(table), &rowset), S_OK);
    std::vector<std::string> values;
    if (!rowset) return values;
    HACCESSOR accessor = 0;
    EXPECT_EQ(rowset->CreateAccessor(DBACCESSOR_ROWDATA, {Bind(1, DBTYPE_STR, 512, 8, 0, 4)}, 520,
                                     &accessor),
              S_OK);
    std::vector<std::uint8_t> buffer(520);
    std::size_t got = 0;
    HROW row = 0;
    while (rowset->GetNextRows(0, 1, &got, &row) == S_OK) {
      EXPECT_EQ(rowset->GetData(row, accessor, buffer.data()), S_OK);
      values.emplace_back(reinterpret_cast<const char*>(buffer.data() + 8));
      rowset->ReleaseRows(1, &row);
    }
    return values;
  };
  RunSql(path_,
         "CREATE TABLE k (a TEXT, b INTEGER PRIMARY KEY); INSERT INTO k VALUES ('x', 2), "
         "('y', 1);");
  EXPECT_EQ(firstColumn("k"), (std::vector<std::string>{"y", "x"}));
  // Another program gives the table another key; the session that read it still sees its rows.
  RunSql(path_,
         "DROP TABLE k; CREATE TABLE k (a TEXT PRIMARY KEY, c INTEGER) WITHOUT ROWID;"
         "INSERT INTO k VALUES ('q', 1), ('p', 2);");
  EXPECT_EQ(firstColumn("k"), (std::vector<std::string>{"p", "q"}));
  RunSql(path_, "DROP TABLE k;");
  std::shared_ptr<IRowset> gone;
  EXPECT_NE(db_.session->OpenRowset(u"k", &gone), S_OK);
}

TEST_F(SqliteProvider, CountEqualsTheWalkForAwkwardQueries) {
  for (const char* sql : {"select * from people where id > 30;", "select * from empty_one",
                          "select name from people order by name limit 5 offset 37 -- tail",
                          "values (1), (2), (3)", "pragma table_info(people)"}) {
    auto rowset = Query(sql);
    ASSERT_NE(rowset, nullptr) << sql;
    std::int64_t counted = -1;
    const HRESULT hr = rowset->CountRows(&counted);
    ASSERT_EQ(rowset->RestartPosition(), S_OK);
    const std::int64_t walked = Walk(*rowset);
    if (hr == S_OK) {
      EXPECT_EQ(counted, walked) << sql;
    } else {
      EXPECT_EQ(hr, E_NOTIMPL) << sql;
    }
  }
}

TEST_F(SqliteProvider, LongTextReadWholeThroughAStream) {
  auto rowset = Query("select notes, city from people where id = 1");
  DBOBJECT object;
  object.iid = IID_ISequentialStream;
  DBBINDING b = Bind(1, DBTYPE_IUNKNOWN, 4, 8, 0, 4);
  b.pObject = &object;
  DBBINDING wide = Bind(2, DBTYPE_IUNKNOWN, 4, 24, 16, 20);
  wide.pObject = &object;
  HACCESSOR accessor = 0;
  ASSERT_EQ(rowset->CreateAccessor(DBACCESSOR_ROWDATA, {b, wide}, 32, &accessor), S_OK);
  std::size_t got = 0;
  HROW row = 0;
  ASSERT_EQ(rowset->GetNextRows(0, 1, &got, &row), S_OK);
  std::vector<std::uint8_t> buffer(32);
  ASSERT_EQ(rowset->GetData(row, accessor, buffer.data()), S_OK);
  rowset->ReleaseRows(1, &row);
  rowset.reset();  // the streams outlive the rowset
  auto* stream = ReadAt<ISequentialStream*>(buffer, 8);
  EXPECT_EQ(ReadStream(stream), kLongNote);
  stream->Release();
  auto* cityStream = ReadAt<ISequentialStream*>(buffer, 24);
  EXPECT_EQ(BytesLEToUtf16(ReadStream(cityStream)), u"Łódź");  // a wide column streams UTF-16
  cityStream->Release();
}

TEST_F(SqliteProvider, BadInputGivesOneReadableLine) {
  struct BadInput {
    const char* name;
    std::string initString;
    std::string query;  // run when the open succeeds
    std::string expected;
  };
  const std::string missing = folder_.File("nothing.db");
  const std::string notDb = folder_.File("notes.txt");
  testing::WriteBytes(notDb, std::string(4096, 'x'));
  const BadInput cases[] = {
      {"MissingFile", SqliteString(missing), "",
       "Cannot open the database \"" + missing + "\": No such file or directory"},
      {"Folder", SqliteString(folder_.File("")), "",
       "Cannot open the database \"" + folder_.File("") + "\": Is a directory"},
      {"NotADatabase", SqliteString(notDb), "",
       "Cannot open the database \"" + notDb + "\": file is not a database"},
      {"NoDataSource", "Provider=SQLite", "",
       "No database file was named: the connection string needs \"Data Source=<file>\"."},
      {"SyntaxError", SqliteString(path_), "selec * from people", "near \"selec\": syntax error"},
      {"NoTable", SqliteString(path_), "select * from [no such]", "no such table: no such"},
  };
  for (const auto& c : cases) {
    Opened opened;
    std::string error;
    HRESULT hr = OpenConnection(c.initString, &opened, &error);
    if (Succeeded(hr)) {
      std::shared_ptr<IRowset> rowset;
      hr = RunQuery(*opened.session, c.query, &rowset, &error);
      EXPECT_EQ(rowset, nullptr) << c.name;
    }
    EXPECT_TRUE(Failed(hr)) << c.name;
    EXPECT_EQ(error, c.expected) << c.name;
  }
  EXPECT_FALSE(std::filesystem::exists(missing));  // never created
}

// A query without end: only a cancel stops a count or a skip over it.
constexpr const char* kEndless =
    "with recursive n(i) as (select 1 union all select i + 1 from n) select i from n";

std::jthread CancelSoon(IRowset& rowset, bool countOnly = false) {
  return std::jthread([&rowset, countOnly] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (countOnly) {
      rowset.CancelCount();
    } else {
      rowset.Cancel();
    }
  });
}

TEST_F(SqliteProvider, CancelDuringALongCount) {
  auto rowset = Query(kEndless);
  auto canceller = CancelSoon(*rowset, /*countOnly=*/true);
  std::int64_t count = -1;
  const HRESULT hr = rowset->CountRows(&count);
  EXPECT_EQ(hr, DB_E_CANCELED);
  EXPECT_EQ(ProviderErrorText(hr), "The operation was canceled.");
  canceller.join();
  // The cancel was used up: the rowset and its connection work on.
  std::size_t got = 0;
  HROW row = 0;
  ASSERT_EQ(rowset->RestartPosition(), S_OK);
  EXPECT_EQ(rowset->GetNextRows(5, 1, &got, &row), S_OK);
  rowset->ReleaseRows(1, &row);
  EXPECT_NE(Query("select count(*) from people"), nullptr);
}

TEST_F(SqliteProvider, CancelStopsASkipAndTheRowsetMustRestart) {
  auto rowset = Query(kEndless);
  auto canceller = CancelSoon(*rowset);
  std::size_t got = 0;
  HROW row = 0;
  EXPECT_EQ(rowset->GetNextRows(std::int64_t{1} << 60, 1, &got, &row), DB_E_CANCELED);
  canceller.join();
  EXPECT_EQ(rowset->GetNextRows(0, 1, &got, &row), E_UNEXPECTED);  // its place is lost
  ASSERT_EQ(rowset->RestartPosition(), S_OK);
  EXPECT_EQ(rowset->GetNextRows(0, 1, &got, &row), S_OK);
  rowset->ReleaseRows(1, &row);
}

}  // namespace
}  // namespace quillet::db
