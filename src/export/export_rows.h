#pragma once
// Exporting rows to a file: every row of a table or query, read from a rowset of the export's
// own (never the list's page cache), streamed to a CSV, JSON Lines or SQL file.
//
// A typical caller (a job on a worker thread, or the command line):
//
//   exporting::ExportOptions options;
//   options.format = exporting::ExportFormat::Csv;
//   exporting::ExportResult result = exporting::RunExport(
//       *session, exporting::ExportSource::Table("orders"), options, "/home/me/orders.csv",
//       &progress, &cancel);
//   if (result.outcome == exporting::ExportOutcome::Stopped) ...   // no file was made
//
// Files are written through a temporary file beside the target and renamed over it once every
// row is written (atomic_file.h): a failed or stopped export leaves no file behind and an
// existing target as it was. The target "-" is standard output, written as the rows come.
//
// Failures raise cmlib::exception with one line naming the cause: the provider's own text
// (no such table, a refused write, ...) or the system's reason for a failed write. A stop is
// no failure: the result says Stopped.
//
// Stopping: ExportProgress::StopRequested is asked before every row (and between the pieces of
// a long value). A JobCancel, when given, is asked too and watches the provider call that is
// running, so JobCancel::Request() from another thread also interrupts a long query or fetch.

#include <memory>
#include <string>

#include "datasource/provider_ops.h"
#include "export/export_format.h"

namespace quillet {
class JobCancel;
}

namespace quillet::exporting {

// What is exported: a table or view by name, or the rows of a query.
struct ExportSource {
  enum class Kind { Table, Query };
  Kind kind = Kind::Table;
  std::string text;  // the name, or the query (UTF-8)

  static ExportSource Table(std::string name) { return {Kind::Table, std::move(name)}; }
  static ExportSource Query(std::string sql) { return {Kind::Query, std::move(sql)}; }
};

// Implemented by the caller. Both are called on the exporting thread.
class ExportProgress {
 public:
  virtual ~ExportProgress() = default;
  // True ends the export as stopped.
  virtual bool StopRequested() const { return false; }
  // The rows written so far: every ExportOptions::progressRows rows, and once at the end.
  virtual void RowsWritten(long long rows) { (void)rows; }
};

enum class ExportOutcome { Written, Stopped };

struct ExportResult {
  ExportOutcome outcome = ExportOutcome::Written;
  long long rows = 0;  // rows written (for a stopped export: before the stop, now discarded)
  std::string path;    // the file written (symbolic links resolved), "-", or empty when stopped
};

// The source's rows on `session`, in a rowset of their own. A table is opened through
// ISession::OpenRowset where the provider offers it (in the order of its key), else as the
// command "select * from <name>" (the name double-quoted unless it is a plain dotted name). A
// query runs as a command, once; the provider refuses a statement that writes and more than
// one statement, as for any command. nullptr when a stop came first.
std::shared_ptr<db::IRowset> OpenExportSource(db::ISession& session, const ExportSource& source,
                                              JobCancel* cancel = nullptr);

// Writes every row of `rowset` to `target` (a path, or "-" for standard output).
ExportResult ExportRows(const std::shared_ptr<db::IRowset>& rowset, const ExportOptions& options,
                        const std::string& target, ExportProgress* progress = nullptr,
                        JobCancel* cancel = nullptr);

// As ExportRows, to an open file descriptor that stays the caller's (a pipe, a terminal): no
// temporary file, so what was written before a failure or a stop stays written.
ExportResult ExportRowsToDescriptor(const std::shared_ptr<db::IRowset>& rowset,
                                    const ExportOptions& options, int fd,
                                    ExportProgress* progress = nullptr,
                                    JobCancel* cancel = nullptr);

// OpenExportSource and ExportRows in one. The temporary file is made first, so a target that
// cannot be written fails before the query runs.
ExportResult RunExport(db::ISession& session, const ExportSource& source,
                       const ExportOptions& options, const std::string& target,
                       ExportProgress* progress = nullptr, JobCancel* cancel = nullptr);

}  // namespace quillet::exporting
