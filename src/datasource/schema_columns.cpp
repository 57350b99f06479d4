#include "datasource/memory_rowset.h"

namespace quillet::db {
namespace {

// Width the schema columns announce for names; the values are as long as they are.
constexpr std::uint32_t kNameWidth = 128;

}  // namespace

std::vector<DBCOLUMNINFO> TablesSchemaColumns() {
  return {SchemaColumn(u"TABLE_CATALOG", DBTYPE_WSTR, kNameWidth),
          SchemaColumn(u"TABLE_SCHEMA", DBTYPE_WSTR, kNameWidth),
          SchemaColumn(u"TABLE_NAME", DBTYPE_WSTR, kNameWidth),
          SchemaColumn(u"TABLE_TYPE", DBTYPE_WSTR, kNameWidth),
          SchemaColumn(u"TABLE_GUID", DBTYPE_GUID, 16),
          SchemaColumn(u"DESCRIPTION", DBTYPE_WSTR, kSizeUnlimited),
          SchemaColumn(u"TABLE_PROPID", DBTYPE_UI4, 4),
          SchemaColumn(u"DATE_CREATED", DBTYPE_DBTIMESTAMP, 16),
          SchemaColumn(u"DATE_MODIFIED", DBTYPE_DBTIMESTAMP, 16)};
}

std::vector<DBCOLUMNINFO> ProceduresSchemaColumns() {
  return {SchemaColumn(u"PROCEDURE_CATALOG", DBTYPE_WSTR, kNameWidth),
          SchemaColumn(u"PROCEDURE_SCHEMA", DBTYPE_WSTR, kNameWidth),
          SchemaColumn(u"PROCEDURE_NAME", DBTYPE_WSTR, kNameWidth),
          SchemaColumn(u"PROCEDURE_TYPE", DBTYPE_I2, 2),
          SchemaColumn(u"PROCEDURE_DEFINITION", DBTYPE_WSTR, kSizeUnlimited),
          SchemaColumn(u"DESCRIPTION", DBTYPE_WSTR, kSizeUnlimited),
          SchemaColumn(u"DATE_CREATED", DBTYPE_DBTIMESTAMP, 16),
          SchemaColumn(u"DATE_MODIFIED", DBTYPE_DBTIMESTAMP, 16)};
}

}  // namespace quillet::db
