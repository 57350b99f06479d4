#pragma once
// Schema rowsets of the ODBC provider: the catalogue functions' results in the columns of the
// tables and procedures schemas, held in memory (a catalogue is small and is read whole).

#include <memory>
#include <vector>

#include "datasource/provider_ops.h"
#include "datasource/providers/odbc/odbc_handles.h"
#include "datasource/rowset_base.h"

namespace quillet::db::odbc {

// A rowset over rows already read.
class MemoryRowset final : public RowsetBase {
 public:
  MemoryRowset(std::vector<DBCOLUMNINFO> columns, std::vector<std::vector<CellValue>> rows)
      : rows_(std::move(rows)) {
    SetColumns(std::move(columns));
  }
  const char* ProviderName() const override { return "ODBC"; }
  HRESULT CountRows(std::int64_t* count) override;

 protected:
  HRESULT DoRestart() override;
  HRESULT DoNext() override;
  HRESULT DoSkip(std::int64_t count, std::int64_t* skipped) override;
  HRESULT DoReadValue(std::size_t ordinal, CellValue* value) override;

 private:
  std::vector<std::vector<CellValue>> rows_;
  std::size_t next_ = 0;  // index of the row the next step lands on
};

// SQL_PT_UNKNOWN, SQL_PT_PROCEDURE and SQL_PT_FUNCTION as the schema's procedure types
// (DB_PT_UNKNOWN 1, DB_PT_PROCEDURE 2, DB_PT_FUNCTION 3).
std::int16_t ProcedureTypeFromOdbc(std::int64_t odbcType);

// The tables schema (restrictions: catalog, schema, name, type) from SQLTablesW.
HRESULT ReadTablesSchema(const std::shared_ptr<Connection>& connection,
                         const Restrictions& restrictions, std::shared_ptr<IRowset>* rowset);

// The procedures schema (restrictions: catalog, schema, name) from SQLProceduresW.
HRESULT ReadProceduresSchema(const std::shared_ptr<Connection>& connection,
                             const Restrictions& restrictions, std::shared_ptr<IRowset>* rowset);

}  // namespace quillet::db::odbc
