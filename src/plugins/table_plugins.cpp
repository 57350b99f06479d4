#include "plugins/table_plugins.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <limits>

#include "datasource/cmlib_exception.h"
#include "datasource/rowset_base.h"
#include "datasource/text_convert.h"
#include "elements/element_slots.h"
#include "elements/frame_services.h"
#include "elements/provider_error.h"
#include "plugins/plugin_manager.h"
#include "plugins/plugin_ui.h"
#include "plugins/text_viewer_plugin.h"
#include "resources/string_table.h"
#include "tabledata/cell_format.h"
#include "tabledata/element_table.h"

namespace quillet::plugins {
namespace {

constexpr unsigned kNoStorage = 60013;
constexpr std::uint32_t kCopyPiece = 1024;

[[noreturn]] void RaiseSystemError(int error) {
  throw cmlib::exception(std::strerror(error != 0 ? error : EIO));
}

void Write(QuilletStream* stream, const void* data, std::size_t size) {
  errno = 0;
  if (WriteAll(stream, data, size) < 0) RaiseSystemError(errno);
}

bool IsByteType(db::DBTYPE type) {
  return type == db::DBTYPE_BYTES || type == db::DBTYPE_STR || type == db::DBTYPE_WSTR;
}

// Everything the value copy holds, given back however it ends.
struct ValueCopy {
  std::shared_ptr<db::IRowset> rowset;
  db::HACCESSOR accessor = db::DB_NULL_HACCESSOR;
  db::HROW row = db::DB_NULL_HROW;
  db::ISequentialStream* value = nullptr;
  ~ValueCopy() {
    if (value != nullptr) value->Release();
    if (rowset && row != db::DB_NULL_HROW) rowset->ReleaseRows(1, &row);
    if (rowset && accessor != db::DB_NULL_HACCESSOR) rowset->ReleaseAccessor(accessor);
  }
};

void Check(db::HRESULT hr) {
  if (db::Failed(hr)) RaiseProviderError(ids::kContextField, hr);
}

}  // namespace

TablePlugins::TablePlugins(xElement_Table& element, FrameServices* services,
                           const std::string& storageFolder)
    : element_(element), services_(services), storage_(storageFolder) {
  if (!storage_.IsOpen() && services_ != nullptr)
    services_->ShowMessage(LoadResourceString(ids::kErrorCaption), LoadResourceString(kNoStorage),
                           MessageIcon::Error);
}

TablePlugins::~TablePlugins() {
  DetachPlugins();
}

void TablePlugins::AttachPlugins(const std::string& folder) {
  if (attached_) return;
  PluginManager::Attach(folder);
  attached_ = true;
}

void TablePlugins::DetachPlugins() {
  if (!attached_) return;
  attached_ = false;
  PluginManager::Detach();
}

int TablePlugins::GetPluginCount() const {
  PluginManager* manager = attached_ ? PluginManager::Instance() : nullptr;
  return manager != nullptr ? manager->Count() : 0;
}

Plugin* TablePlugins::GetPlugin(int index) const {
  PluginManager* manager = attached_ ? PluginManager::Instance() : nullptr;
  return manager != nullptr ? manager->At(index) : nullptr;
}

void TablePlugins::FillCellMenu(shell::MenuModel& menu, int row, int column) {
  BlobInfo info{};
  if (!WriteCellToStorage(row, column, &info)) return;
  PluginManager* manager = attached_ ? PluginManager::Instance() : nullptr;
  if (manager != nullptr) {
    manager->FillMenu(menu, &info);
  } else {
    PluginManager none;
    none.FillMenu(menu, &info);
  }
  ReleaseCellStorage(&info);
}

void TablePlugins::RunPluginCommand(unsigned id, int row, int column) {
  PluginManager* manager = attached_ ? PluginManager::Instance() : nullptr;
  if (manager == nullptr || manager->Find(id) == nullptr) return;
  BlobInfo info{};
  if (!WriteCellToStorage(row, column, &info)) return;
  manager->Run(id, &info, CurrentPluginUi(), services_);
  ReleaseCellStorage(&info);
}

void TablePlugins::ReportFailure(const std::string& text) {
  if (services_ != nullptr) services_->ReportError(text);
}

bool TablePlugins::WriteCellToStorage(int row, int column, BlobInfo* info) {
  if (row < 0 || column <= 0 || info == nullptr || !storage_.IsOpen()) return false;
  try {
    if (WriteCell(row, column, info)) return true;
  } catch (const cmlib::exception& e) {
    ReportFailure(e.text());
  } catch (...) {
    if (services_ != nullptr)
      services_->ShowMessage(LoadResourceString(ids::kErrorCaption),
                             LoadResourceString(ids::kUnknownError), MessageIcon::Error);
  }
  ReleaseCellStorage(info);
  return false;
}

bool TablePlugins::WriteCell(int row, int column, BlobInfo* info) {
  // The re-fetch rewrites the element's row buffer: no load or page turn may run meanwhile.
  auto lock = element_.LockData();
  if (!element_.HasData()) return false;
  const std::vector<ColumnInfo> columns = element_.Columns();
  if (static_cast<std::size_t>(column) > columns.size()) return false;
  const int rowsShown =
      element_.GetRowsInPage() > 0 ? element_.GetRowsInPage() : element_.GetRowCount();
  if (row >= rowsShown) return false;
  // A null value has nothing to show; an unknown cell neither.
  const db::DBSTATUS cached = element_.CellStatus(row, column);
  if (cached == db::DBSTATUS_S_ISNULL || cached == db::DBSTATUS_E_UNAVAILABLE) return false;

  if (info->stream != nullptr) info->stream->vtbl->Release(info->stream);
  errno = 0;
  info->stream = storage_.CreateStream(kBlobStreamName);
  if (info->stream == nullptr) RaiseSystemError(errno);

  const long long absolute =
      static_cast<long long>(element_.GetCurrentPage()) * element_.GetPageSize() + row;
  const ColumnInfo& columnInfo = columns[static_cast<std::size_t>(column - 1)];
  const std::size_t index = static_cast<std::size_t>(column - 1);

  // The cache holds at most 512 bytes of a long value: such a value is read again whole.
  bool whole = element_.RowBufferCell(index).IsLong();
  db::DBTYPE type = columnInfo.type;
  if (!whole) {
    auto fetched = element_.FetchRowAgain(absolute);
    DataCellRef cell = element_.RowBufferCell(index);
    if (cell.Status() == db::DBSTATUS_S_ISNULL) return false;
    const db::DBTYPE cellType = cell.Type();
    const std::string shown = CellDisplayText(cell, cellType, columnInfo.type, kClearedInlineBytes);
    if (shown == db::kBinaryValueText &&
        (cellType == db::DBTYPE_STR || cellType == db::DBTYPE_WSTR)) {
      // A blob kept in a text column (SQLite allows it): its bytes, read whole.
      whole = true;
      type = db::DBTYPE_BYTES;
    } else if (cell.Status() == db::DBSTATUS_S_TRUNCATED) {
      // Cut at the inline limit: the user wants all of it, not the first 512 bytes.
      whole = true;
      if (!IsByteType(type)) type = cellType;
    } else if ((cellType & db::DBTYPE_BYREF) != 0) {
      if (cell.Length() > cell.MaxLen() || cell.Pointer() == nullptr) {
        whole = true;  // longer than the column claims: read it as a stream instead
      } else {
        Write(info->stream, cell.Pointer(), cell.Length());
      }
    } else {
      type = cellType;
      // Text goes with its terminator and zero fill; binary bytes with their own length only.
      const std::size_t size = cellType == db::DBTYPE_BYTES
                                   ? std::min<std::size_t>(cell.Length(), kInlineValueMax)
                                   : kClearedInlineBytes;
      Write(info->stream, cell.Value(), size);
    }
  }
  if (whole) CopyValueStream(absolute, column, info->stream);
  info->type = type;
  return true;
}

void TablePlugins::CopyValueStream(long long absoluteRow, int column, QuilletStream* stream) {
  // The rows in the order the list shows them: a whole table is opened by name in key order,
  // which a plain "select *" need not follow.
  ValueCopy copy;
  copy.rowset = element_.OpenShownRowsAgain(ids::kContextField);

  // One binding: the column as a stream object, its length and status after the pointer.
  static const db::DBOBJECT kStreamObject{0, db::IID_ISequentialStream};
  db::DBBINDING binding;
  binding.iOrdinal = static_cast<std::size_t>(column);
  binding.obValue = 0;
  binding.obLength = sizeof(void*);
  binding.obStatus = sizeof(void*) + sizeof(std::uint32_t);
  binding.pObject = &kStreamObject;
  binding.dwPart = db::DBPART_VALUE | db::DBPART_LENGTH | db::DBPART_STATUS;
  binding.dwMemOwner = db::DBMEMOWNER_CLIENTOWNED;
  binding.cbMaxLen = sizeof(void*);
  binding.wType = db::DBTYPE_IUNKNOWN;
  std::array<std::uint8_t, sizeof(void*) + 2 * sizeof(std::uint32_t)> record{};
  Check(copy.rowset->CreateAccessor(db::DBACCESSOR_ROWDATA, {binding}, record.size(),
                                    &copy.accessor));

  std::size_t obtained = 0;
  if (absoluteRow == 0) Check(copy.rowset->RestartPosition());
  const db::HRESULT hr = copy.rowset->GetNextRows(absoluteRow, 1, &obtained, &copy.row);
  Check(hr);
  if (hr != db::S_OK) {
    copy.row = db::DB_NULL_HROW;
    Check(db::DB_E_BADROWHANDLE);  // the row is gone since the list was loaded
  }
  Check(copy.rowset->GetData(copy.row, copy.accessor, record.data()));
  db::DBSTATUS status = 0;
  std::memcpy(&status, record.data() + binding.obStatus, sizeof status);
  std::memcpy(&copy.value, record.data(), sizeof copy.value);
  if (status == db::DBSTATUS_S_ISNULL) return;  // an empty stream
  if (status != db::DBSTATUS_S_OK || copy.value == nullptr) Check(db::DB_E_CANTCONVERTVALUE);

  // Piece by piece: a long value is never held whole in memory.
  std::array<char, kCopyPiece> piece{};
  while (true) {
    std::uint32_t read = 0;
    Check(copy.value->Read(piece.data(), kCopyPiece, &read));
    if (read > 0) Write(stream, piece.data(), read);
    if (read < kCopyPiece) break;
  }
}

std::optional<WholeValue> TablePlugins::ReadWholeValue(int row, int column) {
  if (element_.CellStatus(row, column) == db::DBSTATUS_S_ISNULL) return std::nullopt;
  BlobInfo info{};
  if (!WriteCellToStorage(row, column, &info)) {
    ReleaseCellStorage(&info);
    throw cmlib::exception(LoadResourceString(ids::kContextField));
  }
  WholeValue value;
  if (info.type == db::DBTYPE_STR || info.type == db::DBTYPE_WSTR) {
    // Text as the text viewer reads it: up to its terminator, wide text made UTF-8.
    value.bytes = TextViewerPlugin::GatherText(info.stream, info.type);
  } else {
    value.binary = true;
    std::uint64_t size = 0;
    StreamSize(info.stream, &size);
    value.bytes.resize(static_cast<std::size_t>(size));
    info.stream->vtbl->Seek(info.stream, 0, QUILLET_SEEK_SET, nullptr);
    std::size_t done = 0;
    while (done < value.bytes.size()) {
      std::uint32_t read = 0;
      const auto piece = static_cast<std::uint32_t>(std::min<std::size_t>(
          value.bytes.size() - done, std::numeric_limits<std::uint32_t>::max()));
      if (info.stream->vtbl->Read(info.stream, value.bytes.data() + done, piece, &read) < 0 ||
          read == 0)
        break;
      done += read;
    }
    value.bytes.resize(done);
  }
  ReleaseCellStorage(&info);
  return value;
}

void TablePlugins::ReleaseCellStorage(BlobInfo* info) {
  {
    auto lock = element_.LockData();
    if (element_.HasData()) {
      const std::size_t count = element_.Columns().size();
      for (std::size_t i = 0; i < count; ++i) ClearCell(element_.RowBufferCell(i));
    }
  }
  if (info != nullptr && info->stream != nullptr) {
    info->stream->vtbl->Release(info->stream);
    info->stream = nullptr;
  }
  storage_.DestroyElement(kBlobStreamName);
}

}  // namespace quillet::plugins
