#pragma once
// A rowset over rows held in memory: schema rowsets and other small results that a provider
// gathers before handing them out.

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "datasource/rowset_base.h"

namespace quillet::db {

class MemoryRowset final : public RowsetBase {
 public:
  MemoryRowset(std::string providerName, std::vector<DBCOLUMNINFO> columns,
               std::vector<std::vector<CellValue>> rows)
      : providerName_(std::move(providerName)), rows_(std::move(rows)) {
    SetColumns(std::move(columns));
  }

  const char* ProviderName() const override { return providerName_.c_str(); }
  HRESULT CountRows(std::int64_t* count) override {
    if (count == nullptr) return E_POINTER;
    if (const HRESULT hr = RestartPosition(); Failed(hr)) return hr;
    *count = static_cast<std::int64_t>(rows_.size());
    return S_OK;
  }

 protected:
  HRESULT DoRestart() override {
    next_ = 0;
    return S_OK;
  }
  HRESULT DoNext() override {
    if (next_ >= rows_.size()) return DB_S_ENDOFROWSET;
    current_ = next_++;
    return S_OK;
  }
  HRESULT DoSkip(std::int64_t count, std::int64_t* skipped) override {
    const std::size_t left = rows_.size() - next_;
    const std::size_t n = count < 0 ? 0 : std::min(left, static_cast<std::size_t>(count));
    next_ += n;
    *skipped = static_cast<std::int64_t>(n);
    return S_OK;
  }
  HRESULT DoReadValue(std::size_t ordinal, CellValue* value) override {
    const auto& row = rows_[current_];
    *value = ordinal - 1 < row.size() ? row[ordinal - 1] : CellValue::Null();
    return S_OK;
  }

 private:
  std::string providerName_;
  std::vector<std::vector<CellValue>> rows_;
  std::size_t next_ = 0;
  std::size_t current_ = 0;
};

// A column of a schema rowset.
inline DBCOLUMNINFO SchemaColumn(const char16_t* name, DBTYPE type, std::uint32_t size) {
  DBCOLUMNINFO column;
  column.name = name;
  column.wType = type;
  column.ulColumnSize = size;
  return column;
}

// The columns of the tables and procedures schema rowsets, the same for every provider.
std::vector<DBCOLUMNINFO> TablesSchemaColumns();
std::vector<DBCOLUMNINFO> ProceduresSchemaColumns();

}  // namespace quillet::db
