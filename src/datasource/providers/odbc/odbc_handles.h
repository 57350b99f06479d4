#pragma once
// Owners of the driver manager's handles. A statement keeps its connection alive, so handles
// are always freed children first, whatever order their holders go in.

#include <sql.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "datasource/provider_ops.h"
#include "datasource/providers/odbc/odbc_connect_string.h"

namespace quillet::db::odbc {

// The process's one environment handle (ODBC 3 behaviour), made on first use. Null, with an
// error object stored, when the driver manager cannot make it.
SQLHENV Environment();

class Connection : public std::enable_shared_from_this<Connection> {
 public:
  // Connects without prompting. On failure returns the code, with the driver's diagnostic in
  // the error object. `completed` receives the driver's completed connection string.
  static HRESULT Open(const std::string& connectString, std::shared_ptr<Connection>* connection,
                      std::string* completed);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  SQLHDBC handle() const { return dbc_; }
  // The driver's library name (SQL_DRIVER_NAME), e.g. "psqlodbcw.so".
  std::string DriverLibrary() const;
  // The escape character of catalog patterns; empty when the driver has none.
  std::u16string SearchEscape() const;

  DriverKind kind() const { return kind_; }
  void set_kind(DriverKind kind) { kind_ = kind; }

  // Runs a statement that returns nothing the caller needs.
  HRESULT ExecuteQuietly(const std::u16string& text);
  // Runs a query and gives its first row's columns as text (std::nullopt for NULL).
  HRESULT QueryRow(const std::u16string& text, std::vector<std::optional<std::string>>* row);

  // The session time zone's offset as the server writes it after a time ("+00"), where the
  // zone has one offset all year; empty otherwise.
  const std::string& ZoneSuffix() const { return zoneSuffix_; }
  void SetTimeZone(const std::string& zone);

  // Whether the driver kept the read-only access mode asked for at connect time.
  bool AccessModeReadOnly() const { return accessModeReadOnly_; }

  // Leaves autocommit and starts a transaction that cannot write, in the form the driver's
  // server knows. Everything run on the connection from now on belongs to it until Rollback.
  HRESULT BeginReadOnly();
  // Ends the transaction without keeping anything it did.
  void Rollback();
  // Whether a cursor stays readable after Rollback (the driver keeps the rows it has read).
  bool RollbackKeepsCursors() const;

 private:
  explicit Connection(SQLHDBC dbc) : dbc_(dbc) {}
  SQLHDBC dbc_ = SQL_NULL_HDBC;
  DriverKind kind_ = DriverKind::Other;
  bool accessModeReadOnly_ = false;
  bool manualCommit_ = false;
  std::string zoneSuffix_;
};

class Statement {
 public:
  static HRESULT Allocate(std::shared_ptr<Connection> connection,
                          std::shared_ptr<Statement>* statement);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  SQLHSTMT handle() const { return stmt_; }
  const std::shared_ptr<Connection>& connection() const { return connection_; }

 private:
  Statement(std::shared_ptr<Connection> connection, SQLHSTMT stmt)
      : connection_(std::move(connection)), stmt_(stmt) {}
  std::shared_ptr<Connection> connection_;
  SQLHSTMT stmt_ = SQL_NULL_HSTMT;
};

// The statement another thread may interrupt: set while a call on it runs. SQLCancel is the
// one call the driver manager allows from another thread.
class CancelTarget {
 public:
  void Set(std::shared_ptr<Statement> statement);
  void Clear() { Set(nullptr); }
  void Cancel();

 private:
  std::mutex mutex_;
  std::shared_ptr<Statement> statement_;
};

}  // namespace quillet::db::odbc
