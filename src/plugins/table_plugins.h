#pragma once
// The table element's plug-in hand-over and its storage: before a plug-in is asked about a
// cell or shown one, the cell's whole value is written into the element's storage stream.

#include <memory>
#include <optional>
#include <string>

#include "plugins/blob_storage.h"
#include "plugins/plugin_hand_over.h"

namespace quillet {

class FrameServices;
class xElement_Table;

namespace plugins {

// A cell's value read whole: text in UTF-8, or the bytes of a binary value.
struct WholeValue {
  std::string bytes;
  bool binary = false;
};

class TablePlugins : public PluginHandOver {
 public:
  // `services` receives errors and may be null. Makes the element's storage file; when that
  // fails the element works on without plug-ins, and `services` is told once.
  TablePlugins(xElement_Table& element, FrameServices* services,
               const std::string& storageFolder = std::string());
  ~TablePlugins() override;
  TablePlugins(const TablePlugins&) = delete;
  TablePlugins& operator=(const TablePlugins&) = delete;

  void AttachPlugins(const std::string& folder) override;
  void DetachPlugins() override;
  void FillCellMenu(shell::MenuModel& menu, int row, int column) override;
  void RunPluginCommand(unsigned id, int row, int column) override;
  int GetPluginCount() const override;
  Plugin* GetPlugin(int index) const override;

  // Writes cell (row in page, column from 1) into the storage stream and fills `info`. False
  // (with the stream gone) when the cell cannot be written: a null value, no storage, a
  // provider or file error (reported).
  bool WriteCellToStorage(int row, int column, BlobInfo* info);
  // Drops the stream and its data; `info` no longer holds a stream.
  void ReleaseCellStorage(BlobInfo* info);
  // The whole value of a cell (row in page, column from 1), read again where the cache holds a
  // part of it; nothing for a null value. Throws cmlib::exception when it cannot be read (the
  // cause is reported as well).
  std::optional<WholeValue> ReadWholeValue(int row, int column);

  const BlobStorage& Storage() const { return storage_; }

 private:
  bool WriteCell(int row, int column, BlobInfo* info);
  void CopyValueStream(long long absoluteRow, int column, QuilletStream* stream);
  void ReportFailure(const std::string& text);

  xElement_Table& element_;
  FrameServices* services_;
  BlobStorage storage_;
  bool attached_ = false;
};

}  // namespace plugins
}  // namespace quillet
