#include "elements/element_db.h"

#include "elements/element_slots.h"
#include "elements/frame_services.h"
#include "resources/string_table.h"

namespace quillet {

xElement_DB::xElement_DB(const ElementHost& host)
    : xElement(host, ids::kDataBase, kSlotDatabase, kNoSlot, kNoSlot, kImageDatabase) {
  folders_ = {
      {LoadResourceString(ids::kTables), kImageTablesFolder, kSlotTables},
      {LoadResourceString(ids::kProcedures), kImageProceduresFolder, kSlotProcedures},
      {LoadResourceString(ids::kViews), kImageViewsFolder, kSlotViews},
  };
}

void xElement_DB::show_data(const ShowData* request) {
  if (!request) {
    ReportNullRequest("xElement_DB::show_data");
    return;
  }
  FrameServices& services = Services();
  ProgressHandle progress = services.CreateProgressBar();
  if (request->redrawColumns) {
    services.DeleteDataColumns();
    services.InsertDataColumn(LoadResourceString(ids::kNameColumn), 0, -1);
    services.SetDataColumnWidth(0, 300);
  }
  services.ReportProgressText(progress, "", 100);
  services.HideProgressBar(progress);
}

int xElement_DB::GetRowCount() const {
  std::lock_guard lock(foldersLock_);
  return static_cast<int>(folders_.size());
}

char* xElement_DB::get_data(int item, int column, char* buffer, std::size_t size) {
  std::lock_guard lock(foldersLock_);
  if (item < 0 || item >= static_cast<int>(folders_.size()))
    return CopyText("(EMPTY)", buffer, size);
  return CopyText(column == 0 ? folders_[item].name : std::string(), buffer, size);
}

int xElement_DB::GetItemImage(int item, int column) const {
  std::lock_guard lock(foldersLock_);
  if (column != 0 || item < 0 || item >= static_cast<int>(folders_.size())) return kImageNone;
  return folders_[item].image;
}

int xElement_DB::GetChildSlot(int item) const {
  std::lock_guard lock(foldersLock_);
  if (item < 0 || item >= static_cast<int>(folders_.size())) return kNoSlot;
  return folders_[item].childSlot;
}

}  // namespace quillet
