#include "tabledata/element_table.h"

#include "elements/element_slots.h"
#include "elements/frame_services.h"
#include "plugins/plugin_ui.h"
#include "plugins/table_plugins.h"
#include "tabledata/cell_format.h"

namespace quillet {

xElement_Table::xElement_Table(const ElementHost& host, unsigned nameId, int ownSlot,
                               int parentSlot)
    : xElement(host, nameId, ownSlot, parentSlot, kNoSlot, kImageNone) {
  // Every table element is a user of the viewer plug-ins and owns the file that hands them
  // cell values.
  ownHandOver_ = std::make_unique<plugins::TablePlugins>(*this, host.services);
  ownHandOver_->AttachPlugins(plugins::PluginFolder());
  pluginHandOver_ = ownHandOver_.get();
}

xElement_Table::~xElement_Table() {
  ReleaseData();
  pluginHandOver_ = nullptr;
  ownHandOver_.reset();
}

std::unique_ptr<ShowData> xElement_Table::RequestRefresh() {
  auto request = std::make_unique<ShowData>();
  request->table = GetName();
  // The whole table comes back opened by name, in the order of its key; a query of its own as
  // it was typed.
  request->query = GetLastQuery();
  if (request->query == TableQuery(request->table)) request->query.clear();
  request->redrawColumns = true;
  request->reload = false;
  return request;
}

void xElement_Table::ReleaseData() {
  StopCount();
  JoinCount();
  SetRowCount(0);
  countKnown_ = true;
  std::lock_guard lock(dataLock_);
  if (rowset_) {
    if (accessor_ != db::DB_NULL_HACCESSOR) rowset_->ReleaseAccessor(accessor_);
    ReleaseCurrentRow();
  }
  accessor_ = db::DB_NULL_HACCESSOR;
  row_ = db::DB_NULL_HROW;
  nextRow_ = -1;
  hasData_ = false;
  rowset_.reset();
  std::vector<db::DBBINDING>().swap(bindings_);
  std::vector<std::uint8_t>().swap(rowBuffer_);
  std::vector<std::uint8_t>().swap(spareCache_);
  {
    std::lock_guard columnsLock(columnsLock_);
    columns_.clear();
  }
  std::lock_guard cacheLock(cacheLock_);
  std::vector<std::uint8_t>().swap(cache_);
  cellTypes_.clear();
  cacheColumns_ = 0;
  cachedRows_ = 0;
  currentPage_ = 0;
}

bool xElement_Table::HasData() const {
  return hasData_.load();
}

int xElement_Table::GetRowCount() const {
  std::lock_guard lock(rowCountLock_);
  return rowCount_;
}

void xElement_Table::SetRowCount(int count) {
  std::lock_guard lock(rowCountLock_);
  rowCount_ = count;
}

void xElement_Table::SetPageSize(int rows) {
  std::lock_guard lock(pageSizeLock_);
  pageSize_ = rows;
}

int xElement_Table::GetPageSize() const {
  std::lock_guard lock(pageSizeLock_);
  return pageSize_;
}

int xElement_Table::GetPageCount() const {
  const int size = GetPageSize();
  const int rows = GetRowCount();
  if (size <= 0) return 0;
  // While the count runs, the pages known and one more that may be there.
  if (!RowCountKnown()) return (rows + size - 1) / size + 1;
  if (size > rows) return 0;
  return (rows + size - 1) / size;
}

int xElement_Table::GetRowsInPage() const {
  if (!RowCountKnown()) return CachedRows();
  const int size = GetPageSize();
  const int rows = GetRowCount();
  if (size <= 0 || size > rows) return 0;
  const int page = GetCurrentPage();
  if (page == GetPageCount() - 1) return rows - page * size;
  return size;
}

int xElement_Table::GetCurrentPage() const {
  std::lock_guard lock(cacheLock_);
  return currentPage_;
}

int xElement_Table::CachedRows() const {
  std::lock_guard lock(cacheLock_);
  return cachedRows_;
}

std::string xElement_Table::GetLastQuery() const {
  std::lock_guard lock(queryLock_);
  return lastQuery_;
}

void xElement_Table::SetLastQuery(const std::string& query) {
  std::lock_guard lock(queryLock_);
  lastQuery_ = query;
}

void xElement_Table::SetName(const std::string& name) {
  if (name != GetName()) ReleaseData();
  std::lock_guard lock(tableNameLock_);
  tableName_ = name;
  chosenName_.clear();
}

void xElement_Table::ChooseName(const std::string& name) {
  std::lock_guard lock(tableNameLock_);
  chosenName_ = name;
}

std::string xElement_Table::ChosenName() const {
  std::lock_guard lock(tableNameLock_);
  return chosenName_;
}

std::string xElement_Table::GetName() const {
  std::lock_guard lock(tableNameLock_);
  return tableName_;
}

std::string xElement_Table::TableQuery(const std::string& name) {
  if (name.find(' ') != std::string::npos) return "select * from [" + name + "]";
  return "select * from " + name;
}

std::string xElement_Table::GetDisplayName() const {
  // The element's own name ("Table", "View") with the name of what it shows.
  std::string name = GetName();
  std::string kind = xElement::GetDisplayName();
  return name.empty() ? kind : kind + ": " + name;
}

std::vector<ColumnInfo> xElement_Table::Columns() const {
  std::lock_guard lock(columnsLock_);
  return columns_;
}

char* xElement_Table::get_data(int row, int column, char* buffer, std::size_t size) {
  CopyText("", buffer, size);
  db::DBTYPE columnType = db::DBTYPE_EMPTY;
  {
    std::lock_guard columnsLock(columnsLock_);
    if (column > 0 && static_cast<std::size_t>(column) <= columns_.size())
      columnType = columns_[static_cast<std::size_t>(column - 1)].type;
  }
  if (!HasData() || row < 0 || row >= GetRowCount()) return buffer;
  std::lock_guard lock(cacheLock_);
  if (column <= 0 || static_cast<std::size_t>(column) >= cacheColumns_ + 1) return buffer;
  if (row >= kCachePageRows) {
    Services().ShowMessage("xElement_Table :: get_data", "Упс!!!!!", MessageIcon::None);
    return buffer;
  }
  if (row >= cachedRows_) return buffer;  // a short last page
  const std::size_t k = static_cast<std::size_t>(column - 1);
  DataCellRef cell(cache_.data() +
                   (static_cast<std::size_t>(row) * cacheColumns_ + k) * kDataCellSize);
  return CopyText(CellDisplayText(cell, cellTypes_[k], columnType, size), buffer, size);
}

char* xElement_Table::GetCellDescription(int row, int column, char* buffer, std::size_t size) {
  CopyText("", buffer, size);
  db::DBTYPE columnType = db::DBTYPE_EMPTY;
  {
    std::lock_guard columnsLock(columnsLock_);
    if (column > 0 && static_cast<std::size_t>(column) <= columns_.size())
      columnType = columns_[static_cast<std::size_t>(column - 1)].type;
  }
  std::lock_guard lock(cacheLock_);
  if (!HasData() || row < 0 || row >= cachedRows_) return buffer;
  if (column < 1 || static_cast<std::size_t>(column) > cacheColumns_) return buffer;
  const std::size_t k = static_cast<std::size_t>(column - 1);
  DataCellRef cell(cache_.data() +
                   (static_cast<std::size_t>(row) * cacheColumns_ + k) * kDataCellSize);
  return CopyText(CellDescriptionText(cell, columnType, size), buffer, size);
}

db::DBSTATUS xElement_Table::CellStatus(int row, int column) const {
  std::lock_guard lock(cacheLock_);
  if (!HasData() || row < 0 || row >= cachedRows_ || column < 1 ||
      static_cast<std::size_t>(column) > cacheColumns_)
    return db::DBSTATUS_E_UNAVAILABLE;
  auto* base = const_cast<std::uint8_t*>(cache_.data());
  DataCellRef cell(base +
                   (static_cast<std::size_t>(row) * cacheColumns_ + column - 1) * kDataCellSize);
  return cell.Status();
}

}  // namespace quillet
