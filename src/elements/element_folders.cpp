#include "elements/element_folders.h"

#include <cstring>

namespace quillet {
namespace {

using namespace schema_layout;

db::DBBINDING ValueBinding(std::size_t ordinal, db::DBTYPE type, std::size_t maxLen,
                           std::size_t offset) {
  db::DBBINDING b;
  b.iOrdinal = ordinal;
  b.obValue = offset;
  b.dwPart = db::DBPART_VALUE;
  b.dwMemOwner = db::DBMEMOWNER_CLIENTOWNED;
  b.eParamIO = db::DBPARAMIO_NOTPARAM;
  b.cbMaxLen = maxLen;
  b.wType = type;
  return b;
}

// A text field of the row buffer: up to its terminator, never past its slot.
std::string TextAt(const std::uint8_t* row, std::size_t offset) {
  const char* p = reinterpret_cast<const char*>(row + offset);
  return std::string(p, strnlen(p, kTextMax));
}

struct ListColumn {
  unsigned titleId;
  int width;  // 0: as wide as the title
};

void InsertColumns(FrameServices& services, const ListColumn* columns, int count) {
  for (int i = 0; i < count; ++i) {
    services.InsertDataColumn(LoadResourceString(columns[i].titleId), i, -1);
    if (columns[i].width > 0) services.SetDataColumnWidth(i, columns[i].width);
  }
}

}  // namespace

SchemaLayout TablesSchemaLayout() {
  SchemaLayout layout;
  layout.schema = db::DBSCHEMA_TABLES;
  layout.rowSize = kTableRowSize;
  layout.bindings = {
      ValueBinding(1, db::DBTYPE_STR, kTextMax, kTableCatalog),
      ValueBinding(2, db::DBTYPE_STR, kTextMax, kTableSchema),
      ValueBinding(3, db::DBTYPE_STR, kTextMax, kTableName),
      ValueBinding(4, db::DBTYPE_STR, kTextMax, kTableType),
      ValueBinding(5, db::DBTYPE_GUID, 16, kTableGuid),
      ValueBinding(6, db::DBTYPE_STR, kTextMax, kTableDescription),
  };
  return layout;
}

SchemaLayout ProceduresSchemaLayout() {
  SchemaLayout layout;
  layout.schema = db::DBSCHEMA_PROCEDURES;
  layout.rowSize = kProcedureRowSize;
  layout.bindings = {
      ValueBinding(1, db::DBTYPE_STR, kTextMax, kProcCatalog),
      ValueBinding(2, db::DBTYPE_STR, kTextMax, kProcSchema),
      ValueBinding(3, db::DBTYPE_STR, kTextMax, kProcName),
      ValueBinding(4, db::DBTYPE_I2, 2, kProcType),
      ValueBinding(5, db::DBTYPE_STR, kTextMax, kProcDefinition),
      ValueBinding(6, db::DBTYPE_STR, kTextMax, kProcDescription),
  };
  return layout;
}

std::string ProcedureTypeText(int type) {
  switch (type) {
    case 1:
      return LoadResourceString(64108);
    case 2:
      return LoadResourceString(64107);
    case 3:
      return LoadResourceString(64106);
    default:
      return std::string();
  }
}

xElementTableList::xElementTableList(const ElementHost& host, unsigned nameId, int ownSlot,
                                     int childSlot, int itemImage, std::string typeFilter)
    : xElementSchemaT<TableRecord>(host, nameId, ownSlot, childSlot, itemImage,
                                   TablesSchemaLayout(), std::move(typeFilter)) {}

void xElementTableList::InsertListColumns() {
  static constexpr ListColumn kColumns[] = {
      {64002, 150}, {64004, 0}, {64003, 150}, {64000, 0}, {64001, 150}};
  InsertColumns(Services(), kColumns, 5);
}

void xElementTableList::StoreRow(int, const std::uint8_t* row) {
  auto record = std::make_unique<TableRecord>();
  std::string schema = TextAt(row, kTableSchema);
  std::string name = TextAt(row, kTableName);
  record->column[0] = schema.empty() ? name : schema + "." + name;
  record->column[1] = TextAt(row, kTableType);
  record->column[2] = schema;
  record->column[3] = TextAt(row, kTableCatalog);
  record->column[4] = TextAt(row, kTableDescription);
  AppendRow(std::move(record));
}

void xElementTableList::GetField(int row, int column, std::string* text) const {
  FieldOf(row, column, text);
}

xElementTables::xElementTables(const ElementHost& host)
    : xElementTableList(host, ids::kTables, kSlotTables, kSlotTable, kImageTable, "TABLE") {}

xElementViews::xElementViews(const ElementHost& host)
    : xElementTableList(host, ids::kViews, kSlotViews, kSlotView, kImageView, "VIEW") {}

xElementProcedures::xElementProcedures(const ElementHost& host)
    : xElementSchemaT<ProcedureRecord>(host, ids::kProcedures, kSlotProcedures, kNoSlot,
                                       kImageProcedure, ProceduresSchemaLayout(), std::string()) {}

void xElementProcedures::InsertListColumns() {
  static constexpr ListColumn kColumns[] = {{64103, 150}, {64105, 0},   {64104, 150},
                                            {64100, 0},   {64101, 150}, {64102, 0}};
  InsertColumns(Services(), kColumns, 6);
}

void xElementProcedures::StoreRow(int, const std::uint8_t* row) {
  auto record = std::make_unique<ProcedureRecord>();
  std::int16_t type = 0;
  std::memcpy(&type, row + kProcType, sizeof type);
  record->column[0] = TextAt(row, kProcName);
  record->column[1] = ProcedureTypeText(type);
  record->column[2] = TextAt(row, kProcSchema);
  record->column[3] = TextAt(row, kProcCatalog);
  record->column[4] = TextAt(row, kProcDescription);
  record->column[5] = TextAt(row, kProcDefinition);
  AppendRow(std::move(record));
}

void xElementProcedures::GetField(int row, int column, std::string* text) const {
  FieldOf(row, column, text);
}

}  // namespace quillet
