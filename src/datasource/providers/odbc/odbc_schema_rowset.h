#pragma once
// Schema rowsets of the ODBC provider: the catalogue functions' results in the columns of the
// tables and procedures schemas, held in memory (a catalogue is small and is read whole).

#include <memory>
#include <vector>

#include "datasource/provider_ops.h"
#include "datasource/providers/odbc/odbc_handles.h"
#include "datasource/rowset_base.h"

namespace quillet::db::odbc {

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
