#pragma once
// Helpers of the ODBC provider tests: opening a data source through the initialization
// service, running queries and reading rows as text, the way the program's own code does.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "datasource/provider_ops.h"

namespace quillet::db::testing {

// KEY=VALUE lines of the test server's odbc.env (quotes removed); empty without a server.
// Points ODBCSYSINI at a private driver list when the server script had to make one.
std::map<std::string, std::string> ReadServerEnv();

// Takes the current thread's error object and returns its description (UTF-8).
std::string TakeErrorText();

struct Opened {
  std::shared_ptr<IDBInitialize> source;
  std::shared_ptr<ISession> session;
};

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

// A row buffer laid out as the program's table view lays it out: one 536-byte cell per
// column, with bindings chosen from each column's type and size.
struct CellRow {
  static constexpr std::size_t kCellSize = 536;
  static constexpr std::size_t kValueOffset = 7;
  // A pointer is 8 bytes here; it goes to an aligned place of the unused inline buffer so it
  // cannot reach the length and status parts.
  static constexpr std::size_t kPointerOffset = 8;
  static constexpr std::size_t kLengthOffset = 528;
  static constexpr std::size_t kStatusOffset = 532;

  std::vector<DBCOLUMNINFO> columns;
  std::vector<DBBINDING> bindings;
  std::vector<std::uint8_t> buffer;
  HACCESSOR accessor = DB_NULL_HACCESSOR;

  HRESULT Bind(IRowset& rowset);
  DBTYPE BoundType(std::size_t column) const { return bindings[column].wType; }
  DBSTATUS Status(std::size_t column) const;
  std::uint32_t Length(std::size_t column) const;
  // The bound value's bytes: inline ones up to their terminator (or the length for bytes),
  // by-reference ones from the provider's pointer.
  std::string Value(std::size_t column) const;
};

}  // namespace quillet::db::testing
