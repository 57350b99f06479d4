#pragma once
// Helpers of the ODBC provider tests: opening a data source through the initialization
// service, running queries and reading rows as text, the way the program's own code does.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "datasource/provider_ops.h"
#include "tabledata/data_cell.h"
#include "unit/datasource/provider_helpers.h"

namespace quillet::db::testing {

// KEY=VALUE lines of the odbc.env in the state folder that `stateVariable` names (quotes
// removed); empty without a server. Points ODBCSYSINI at a private driver list when the server
// script had to make one.
std::map<std::string, std::string> ReadServerEnv(const char* stateVariable);

// Takes the current thread's error object and returns its description (UTF-8).
std::string TakeErrorText();

// Initialization service, data source, Initialize and session; the failing code otherwise.
HRESULT OpenInitString(const std::string& initString, Opened* opened);
HRESULT OpenDataLinkFile(const std::string& path, Opened* opened);

HRESULT RunSql(ISession& session, const std::string& sql, std::shared_ptr<IRowset>* rowset,
               std::int64_t* rowsAffected = nullptr);

using TextRow = std::vector<std::optional<std::string>>;

// Every column of the next row as text (by reference, so nothing is cut); std::nullopt when
// the walk ended; `hr` receives the fetch result. `offset` rows are skipped first.
std::optional<TextRow> NextRowAsText(IRowset& rowset, std::int64_t offset = 0,
                                     HRESULT* hr = nullptr);
std::vector<TextRow> AllRowsAsText(IRowset& rowset);

// The whole result of a query as text; a failure fails the calling test.
std::vector<TextRow> Query(ISession& session, const std::string& sql);

// (schema, name) of every row of the tables schema for a TABLE_TYPE restriction.
std::vector<std::pair<std::string, std::string>> ListTables(ISession& session,
                                                            const std::string& type);

// Column 1 of the next row read whole through a stream binding, as UTF-8 (wide columns are
// converted); std::nullopt for a null value. A failure fails the calling test.
std::optional<std::string> NextStreamValue(IRowset& rowset);

// Checks both test servers share: big_table's 100,000 rows counted, skipped to the last, the end
// after it and a restart; and row 1 of long_values (100,000 characters) whole through a stream.
void ExpectBigTableSkips(ISession& session);
void ExpectLongValueWhole(ISession& session);

// A row buffer laid out as the program's table view lays it out, with its bindings.
struct CellRow {
  std::vector<DBCOLUMNINFO> columns;
  std::vector<DBBINDING> bindings;
  std::vector<std::uint8_t> buffer;
  HACCESSOR accessor = DB_NULL_HACCESSOR;

  HRESULT Bind(IRowset& rowset);
  DataCellRef Cell(std::size_t column) {
    return DataCellRef(buffer.data() + column * kDataCellSize);
  }
  // The bound value's bytes: inline ones up to their terminator (or the length for bytes),
  // by-reference ones from the provider's pointer.
  std::string Value(std::size_t column);
};

// Tests against a throwaway server whose state folder the environment variable
// `kStateVariable` names: each test gets its own session.
template <const char* kStateVariable>
class ServerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { env_ = ReadServerEnv(kStateVariable); }
  void SetUp() override {
    if (env_.count("ODBC_CONNECT") == 0) {
      GTEST_FAIL() << "no test server: " << kStateVariable << "/odbc.env is missing";
    }
    connect_ = "Provider=ODBC;" + env_["ODBC_CONNECT"];
    ASSERT_EQ(OpenInitString(connect_, &opened_), S_OK) << TakeErrorText();
  }
  ISession& Session() { return *opened_.session; }

  static inline std::map<std::string, std::string> env_;
  std::string connect_;
  Opened opened_;
};

inline constexpr char kPgState[] = "QUILLET_PG_STATE";
inline constexpr char kMariaDbState[] = "QUILLET_MARIADB_STATE";
class PgServerTest : public ServerTest<kPgState> {};
class MariaDbServerTest : public ServerTest<kMariaDbState> {};

}  // namespace quillet::db::testing
