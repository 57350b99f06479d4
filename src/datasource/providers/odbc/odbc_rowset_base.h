#pragma once
// What the ODBC provider's rowsets share: values read with SQLGetData from the statement that
// holds the current row, stream bindings served straight from the driver, a cancel flag, and
// the rest of an idle rowset (read_rest.h), which ends the read-only transaction the rowset's
// statement runs in and opens it again at the same place when the rowset is used next.

#include <sql.h>

#include <atomic>
#include <map>
#include <memory>
#include <vector>

#include "datasource/providers/odbc/odbc_handles.h"
#include "datasource/providers/odbc/odbc_types.h"
#include "datasource/providers/odbc/odbc_value_stream.h"
#include "datasource/read_rest.h"
#include "datasource/rowset_base.h"

namespace quillet::db::odbc {

class OdbcRowsetBase : public RowsetBase,
                       public RestingRead,
                       public std::enable_shared_from_this<OdbcRowsetBase> {
 public:
  const char* ProviderName() const override { return "ODBC"; }

  // Stream bindings are served here, straight from the driver; the base serves the rest.
  HRESULT CreateAccessor(std::uint32_t flags, const std::vector<DBBINDING>& bindings,
                         std::size_t rowSize, HACCESSOR* accessor) override;
  HRESULT ReleaseAccessor(HACCESSOR accessor) override;
  HRESULT GetData(HROW row, HACCESSOR accessor, void* data) override;

  void Cancel() override;

 protected:
  // `readings` says how each column's values are read, in column order.
  OdbcRowsetBase(std::shared_ptr<Connection> connection, std::vector<DBCOLUMNINFO> columns,
                 std::vector<ColumnReading> readings);

  // The statement whose current row is the rowset's current row.
  virtual const std::shared_ptr<Statement>& RowStatement() const = 0;

  HRESULT DoReadValue(std::size_t ordinal, CellValue* value) override;
  std::weak_ptr<Restable> RestHandle() override { return weak_from_this(); }
  bool ReadInUse() const override { return clock_->openStreams.load() > 0; }

  // A cancel asked for since the last look: DB_E_CANCELED with an error object, else S_OK.
  HRESULT CheckCancel();
  // The current row moves: a stream handed out earlier must not read what the statement holds
  // from now on.
  void NewRow() { clock_->row.fetch_add(1); }
  // While alive, a cancel interrupts the call running on `statement`.
  class Running {
   public:
    Running(OdbcRowsetBase& rowset, std::shared_ptr<Statement> statement) : rowset_(rowset) {
      rowset_.running_.Set(std::move(statement));
    }
    ~Running() { rowset_.running_.Clear(); }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

   private:
    OdbcRowsetBase& rowset_;
  };
  CancelTarget& RunningTarget() { return running_; }
  Connection& connection() const { return *connection_; }
  const ColumnReading& Reading(std::size_t ordinal) const { return readings_[ordinal - 1]; }

 private:
  bool HasPlainBindings(HACCESSOR accessor) const;

  std::shared_ptr<Connection> connection_;
  std::vector<ColumnReading> readings_;
  std::shared_ptr<RowClock> clock_ = std::make_shared<RowClock>();
  std::atomic<bool> canceled_{false};
  CancelTarget running_;
  std::map<HACCESSOR, std::size_t> plainCounts_;
  std::map<HACCESSOR, std::vector<DBBINDING>> streamBindings_;
};

// The columns of an executed statement's result in the consumer's terms, with how the values
// of each are read from a driver of `kind`.
HRESULT DescribeColumns(SQLHSTMT stmt, DriverKind kind, std::vector<DBCOLUMNINFO>* columns,
                        std::vector<ColumnReading>* readings);

}  // namespace quillet::db::odbc
