#pragma once
// The three folders: tables (slot 2), stored procedures (slot 3) and views (slot 4).

#include <string>

#include "elements/element_schema.h"

namespace quillet {

// Row layouts of the two schema rowsets the folders read.
namespace schema_layout {
constexpr std::size_t kTextMax = 129;
constexpr std::size_t kTableRowSize = 664;
constexpr std::size_t kTableCatalog = 0, kTableSchema = 129, kTableName = 258, kTableType = 387,
                      kTableGuid = 516, kTableDescription = 532;
constexpr std::size_t kProcedureRowSize = 648;
constexpr std::size_t kProcCatalog = 0, kProcSchema = 129, kProcName = 258, kProcType = 388,
                      kProcDefinition = 390, kProcDescription = 519;
}  // namespace schema_layout

SchemaLayout TablesSchemaLayout();
SchemaLayout ProceduresSchemaLayout();

// Columns: 0 display name (schema "." name, or the bare name), 1 type, 2 schema, 3 catalog,
// 4 description.
struct TableRecord {
  static constexpr std::size_t kColumns = 5;
  std::string column[kColumns];
};

// Columns: 0 name, 1 type text, 2 schema, 3 catalog, 4 description, 5 definition.
struct ProcedureRecord {
  static constexpr std::size_t kColumns = 6;
  std::string column[kColumns];
};

// Tables and views share their records and columns; only the type filter differs.
class xElementTableList : public xElementSchemaT<TableRecord> {
 public:
  xElementTableList(const ElementHost& host, unsigned nameId, int ownSlot, int childSlot,
                    int itemImage, std::string typeFilter);
  void InsertListColumns() override;
  void StoreRow(int rowNumber, const std::uint8_t* rowBuffer) override;
  void GetField(int row, int column, std::string* text) const override;
};

class xElementTables : public xElementTableList {
 public:
  explicit xElementTables(const ElementHost& host);
};

class xElementViews : public xElementTableList {
 public:
  explicit xElementViews(const ElementHost& host);
};

class xElementProcedures : public xElementSchemaT<ProcedureRecord> {
 public:
  explicit xElementProcedures(const ElementHost& host);
  void InsertListColumns() override;
  void StoreRow(int rowNumber, const std::uint8_t* rowBuffer) override;
  void GetField(int row, int column, std::string* text) const override;
};

// The text of a procedure type (1 unknown, 2 procedure, 3 function; anything else empty).
std::string ProcedureTypeText(int type);

}  // namespace quillet
