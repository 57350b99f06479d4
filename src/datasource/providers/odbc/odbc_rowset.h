#pragma once
// The rowset over an executed ODBC statement. Where the driver gives a scrollable cursor,
// skipping and restarting move the cursor without transferring the rows in between; otherwise
// skipping fetches without reading values and restarting runs the statement again.

#include <sql.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "datasource/providers/odbc/odbc_handles.h"
#include "datasource/providers/odbc/odbc_value_stream.h"
#include "datasource/rowset_base.h"

namespace quillet::db::odbc {

class OdbcRowset final : public RowsetBase {
 public:
  // `sqlTypes` holds the driver's type of every column, in column order; `text` is the
  // statement, run again to restart a forward-only cursor.
  OdbcRowset(std::shared_ptr<Statement> statement, std::vector<DBCOLUMNINFO> columns,
             std::vector<SQLSMALLINT> sqlTypes, bool scrollable, std::u16string text);
  ~OdbcRowset() override;

  const char* ProviderName() const override { return "ODBC"; }

  // Stream bindings are served here, straight from the driver; the base serves the rest.
  HRESULT CreateAccessor(std::uint32_t flags, const std::vector<DBBINDING>& bindings,
                         std::size_t rowSize, HACCESSOR* accessor) override;
  HRESULT ReleaseAccessor(HACCESSOR accessor) override;
  HRESULT GetData(HROW row, HACCESSOR accessor, void* data) override;

  HRESULT CountRows(std::int64_t* count) override;
  void Cancel() override;

  bool scrollable() const { return scrollable_; }

 protected:
  HRESULT DoRestart() override;
  HRESULT DoNext() override;
  HRESULT DoSkip(std::int64_t count, std::int64_t* skipped) override;
  HRESULT DoReadValue(std::size_t ordinal, CellValue* value) override;

 private:
  SQLHSTMT stmt() const { return statement_->handle(); }
  HRESULT CheckCancel();
  HRESULT Reexecute();
  // Steps forward over `count` rows without reading them; *stepped receives how many there were.
  HRESULT StepOver(std::int64_t count, std::int64_t* stepped);
  void NewRow() { clock_->row.fetch_add(1); }
  bool HasPlainBindings(HACCESSOR accessor) const;

  std::shared_ptr<Statement> statement_;
  std::vector<SQLSMALLINT> sqlTypes_;
  bool scrollable_ = false;
  std::u16string text_;
  static constexpr std::int64_t kPositionUnknown = -1;
  // 1-based row the cursor stands on; 0 before the first.
  std::int64_t position_ = 0;
  std::shared_ptr<RowClock> clock_ = std::make_shared<RowClock>();
  std::atomic<bool> canceled_{false};
  std::atomic<bool> disturbed_{false};
  std::map<HACCESSOR, std::size_t> plainCounts_;
  std::map<HACCESSOR, std::vector<DBBINDING>> streamBindings_;
};

}  // namespace quillet::db::odbc
