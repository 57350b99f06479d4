#pragma once

#include <cstdint>
#include <string>

namespace quillet {

// Identifies the progress bar a job reports to; 0 is "none".
using ProgressHandle = int;

enum class MessageIcon { None, Error, Information, Exclamation };

// What a main window offers the objects that work for it (elements, the loading job, the
// connection). The worker thread calls these too: an implementation must queue the work to its
// own thread, in order, and never block the caller on it.
class FrameServices {
 public:
  virtual ~FrameServices() = default;

  // A progress bar over the object-count pane, range 0..100, step 1, position 1.
  virtual ProgressHandle CreateProgressBar() = 0;
  // Loads string `stringId` (empty for 0) and shows it with the position.
  virtual void ReportStep(ProgressHandle progress, unsigned stringId, int position) = 0;
  virtual void ReportProgressText(ProgressHandle progress, const std::string& text,
                                  int position) = 0;
  virtual void HideProgressBar(ProgressHandle progress) = 0;

  // Data list columns. A column is as wide as its title plus 15 pixels until a width is set;
  // a sub-item of -1 means the index.
  virtual void InsertDataColumn(const std::string& title, int index, int subItem) = 0;
  virtual void SetDataColumnWidth(int index, int width) = 0;
  virtual void DeleteDataColumns() = 0;

  // Report log.
  virtual void ReportError(const std::string& text) = 0;
  virtual void ReportInformation(const std::string& text) = 0;

  // The data list itself (the virtual list the loading job and paging drive).
  virtual void SetDataListItemCount(int count) { (void)count; }
  virtual void SetDataListRedraw(bool on) { (void)on; }
  virtual void RedrawDataList() {}
  // View style 0 icons, 1 report, 2 small icons, 3 list; extra extended style bits.
  virtual void SetDataListStyle(std::uint32_t viewStyle, std::uint32_t extendedStyle) {
    (void)viewStyle;
    (void)extendedStyle;
  }

  // Status-bar panes by id (57391 object count, 57392 row status, 57393 element status).
  virtual void SetStatusPaneText(unsigned paneId, const std::string& text) {
    (void)paneId;
    (void)text;
  }
  // The quick view bar is disabled while a job runs.
  virtual void EnableQuickViewBar(bool enable) { (void)enable; }
  // Replaces the SQL window's text (empty clears it).
  virtual void SetSqlText(const std::string& text) { (void)text; }
  // The shown element's rows were counted, or its paging changed otherwise.
  virtual void PagerChanged() {}
  // A page job has ended: the cache holds `itemCount` rows of the page now shown (the one shown
  // before when the job failed or was stopped); the cursor goes to `cursorRow` unless it is -1.
  virtual void PageShown(int itemCount, int cursorRow) {
    (void)itemCount;
    (void)cursorRow;
  }
  // A loading job has ended and handed its element to the list.
  virtual void JobEnded() {}

  // A message box; fire-and-forget like everything else here.
  virtual void ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) {
    (void)caption;
    (void)text;
    (void)icon;
  }
};

}  // namespace quillet
