// Export Rows: the dialog, then the export as a job of the window's worker, with the progress
// bar and Stop. The export reads the rows on a rowset of its own, so the list stays readable.
#include "datasource/cmlib_exception.h"
#include "elements/element_slots.h"
#include "elements/text_format.h"
#include "export/export_rows.h"
#include "export/ui/export_dialog.h"
#include "resources/string_table.h"
#include "shell/ui/main_window.h"
#include "tabledata/element_table.h"

namespace quillet::ui {
namespace {

// The job's progress: the rows written against the rows counted, when they are.
class ExportJobProgress : public exporting::ExportProgress {
 public:
  ExportJobProgress(FrameServices& services, JobCancel& cancel, long long total)
      : services_(services), cancel_(cancel), total_(total) {
    handle_ = services_.CreateProgressBar();
    RowsWritten(0);
  }
  ~ExportJobProgress() override {
    services_.ReportProgressText(handle_, "", 100);
    services_.HideProgressBar(handle_);
  }
  ExportJobProgress(const ExportJobProgress&) = delete;
  ExportJobProgress& operator=(const ExportJobProgress&) = delete;

  bool StopRequested() const override { return cancel_.IsRequested(); }
  void RowsWritten(long long rows) override {
    const int position =
        total_ > 0 ? static_cast<int>(std::min<long long>(99, 1 + rows * 98 / total_)) : 50;
    services_.ReportProgressText(
        handle_, FormatText(LoadResourceString(ids::kExportingText), FormatThousands(rows)),
        position);
  }

 private:
  FrameServices& services_;
  JobCancel& cancel_;
  long long total_;
  ProgressHandle handle_ = 0;
};

}  // namespace

void MainWindow::ExportRowsCommand() {
  if (!IsConnected() || !IsIdle()) return;
  auto* table = dynamic_cast<xElement_Table*>(elements_->Element(elements_->ListSlot()));
  SessionRef session = session_;
  if (table == nullptr || !table->HasData() || !session) return;
  // The rows the list shows: the whole table by name, or the query as it was run.
  const std::string name = table->GetName();
  const std::string query = table->GetLastQuery();
  const exporting::ExportSource source = query == xElement_Table::TableQuery(name)
                                             ? exporting::ExportSource::Table(name)
                                             : exporting::ExportSource::Query(query);
  const std::optional<ExportRequest> request =
      AskExport(this, QString::fromStdString(table->GetDisplayName()),
                QString::fromStdString(name.empty() ? "query_result" : name));
  if (!request || !IsIdle() || !worker_->Stop(kStopWait)) return;
  const long long total = table->RowCountKnown() ? table->GetRowCount() : -1;
  worker_->SetTaskJob([this, session, source, request = *request, total] {
    ExportJobProgress progress(*this, cancel_, total);
    try {
      const exporting::ExportResult result = exporting::RunExport(
          *session, source, request.options, request.target, &progress, &cancel_);
      if (result.outcome == exporting::ExportOutcome::Written) {
        std::string text =
            FormatText(LoadResourceString(ids::kExportedText), FormatThousands(result.rows));
        ReportInformation(FormatText(text, result.path));
      } else {
        ReportInformation(LoadResourceString(ids::kExportStoppedText));
      }
    } catch (const cmlib::exception& e) {
      ReportError(FormatText(FormatText(LoadResourceString(ids::kExportFailedText), request.target),
                             e.text()));
    } catch (const JobStopped&) {
      ReportInformation(LoadResourceString(ids::kExportStoppedText));
    }
  });
  try {
    worker_->Start();
  } catch (const cmlib::exception& e) {
    ReportError(e.text());
  }
  UpdateUi();
}

}  // namespace quillet::ui
