#pragma once

#include <string>

namespace quillet {

// Identifies the progress bar a job reports to; 0 is "none".
using ProgressHandle = int;

// What a main window offers the objects that work for it (elements, the loading job, the
// connection). The worker thread calls these too: an implementation must queue the work to its
// own thread and never block the caller on it.
class FrameServices {
 public:
  virtual ~FrameServices() = default;

  virtual ProgressHandle CreateProgressBar() = 0;
  // Loads string `stringId` (empty for 0) and shows it with the position.
  virtual void ReportStep(ProgressHandle progress, unsigned stringId, int position) = 0;
  virtual void ReportProgressText(ProgressHandle progress, const std::string& text,
                                  int position) = 0;
  virtual void HideProgressBar(ProgressHandle progress) = 0;

  // Data list columns.
  virtual void InsertDataColumn(const std::string& title, int index, int subItem) = 0;
  virtual void SetDataColumnWidth(int index, int width) = 0;
  virtual void DeleteDataColumns() = 0;

  // Report log.
  virtual void ReportError(const std::string& text) = 0;
  virtual void ReportInformation(const std::string& text) = 0;
};

}  // namespace quillet
