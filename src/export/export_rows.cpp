#include "export/export_rows.h"

#include <unistd.h>

#include <functional>

#include "datasource/cmlib_exception.h"
#include "datasource/error_text.h"
#include "datasource/text_convert.h"
#include "elements/job_cancel.h"
#include "export/atomic_file.h"
#include "export/output_buffer.h"
#include "export/row_reader.h"
#include "export/row_writer.h"

namespace quillet::exporting {
namespace {

constexpr const char* kStandardOutput = "-";

bool IsPlainName(const std::string& name) {
  if (name.empty() || name.front() == '.' || name.back() == '.') return false;
  for (const char c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '_' || c == '.' || c == '$';
    if (!plain) return false;
  }
  return !(name.front() >= '0' && name.front() <= '9');
}

std::string TableQuery(const std::string& name) {
  if (IsPlainName(name)) return "select * from " + name;
  std::string quoted = "\"";
  for (const char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return "select * from " + quoted + "\"";
}

void CheckOrThrow(const ExportOptions& options) {
  const std::string why = CheckOptions(options);
  if (!why.empty()) throw cmlib::exception(why);
}

ExportResult Stopped(long long rows) {
  return {ExportOutcome::Stopped, rows, {}};
}

// Every row of the rowset through the writer into `out`. The result's path is left to the
// caller.
ExportResult WriteRows(const std::shared_ptr<db::IRowset>& rowset, const ExportOptions& options,
                       OutputBuffer& out, ExportProgress* progress, JobCancel* cancel) {
  // Asks both the caller's progress and its job cancel.
  const std::function<bool()> stopped = [progress, cancel] {
    return (cancel != nullptr && cancel->IsRequested()) ||
           (progress != nullptr && progress->StopRequested());
  };
  if (!rowset) throw cmlib::exception("There are no rows to export.");
  long long rows = 0;
  try {
    if (stopped()) return Stopped(0);
    JobCancel::Watch watch(cancel, rowset);
    RowReader reader(*rowset);
    std::unique_ptr<RowWriter> writer = MakeRowWriter(options, out);
    writer->Begin(reader.Columns());
    while (true) {
      if (stopped()) return Stopped(rows);
      if (!reader.Next(*writer, stopped)) break;
      ++rows;
      if (progress != nullptr && rows % options.progressRows == 0) progress->RowsWritten(rows);
    }
    out.Flush();
  } catch (const JobStopped&) {
    return Stopped(rows);
  } catch (const cmlib::exception&) {
    // A provider call that a stop interrupted fails; that is the stop, not an error.
    if (stopped()) return Stopped(rows);
    throw;
  }
  if (progress != nullptr) progress->RowsWritten(rows);
  return {ExportOutcome::Written, rows, {}};
}

ExportResult WriteFile(AtomicFile& file, const std::shared_ptr<db::IRowset>& rowset,
                       const ExportOptions& options, ExportProgress* progress, JobCancel* cancel) {
  OutputBuffer out(file.fd(), file.Target());
  ExportResult result = WriteRows(rowset, options, out, progress, cancel);
  if (result.outcome == ExportOutcome::Stopped) {
    file.Discard();
    return result;
  }
  file.Commit();
  result.path = file.Target();
  return result;
}

}  // namespace

std::shared_ptr<db::IRowset> OpenExportSource(db::ISession& session, const ExportSource& source,
                                              JobCancel* cancel) {
  if (cancel != nullptr && cancel->IsRequested()) return nullptr;
  const bool table = source.kind == ExportSource::Kind::Table;
  const std::string what = table ? "The table \"" + source.text + "\" could not be opened"
                                 : "The query could not be run";
  if (source.text.empty())
    throw cmlib::exception(what + ": " + (table ? "no table was named." : "the query is empty."));
  std::shared_ptr<db::IRowset> rowset;
  if (table) {
    const db::HRESULT hr = session.OpenRowset(db::Utf8ToUtf16(source.text), &rowset);
    if (hr != db::E_NOTIMPL) {
      if (cancel != nullptr && cancel->IsRequested()) return nullptr;
      if (db::Failed(hr)) throw cmlib::exception(what + ": " + db::ProviderErrorText(hr));
      if (rowset) return rowset;
    }
  }
  std::shared_ptr<db::ICommand> command;
  db::HRESULT hr = session.CreateCommand(&command);
  if (db::Succeeded(hr) && !command) hr = db::E_UNEXPECTED;
  if (db::Succeeded(hr))
    hr = command->SetCommandText(db::DBGUID_DEFAULT,
                                 db::Utf8ToUtf16(table ? TableQuery(source.text) : source.text));
  if (db::Succeeded(hr)) {
    JobCancel::Watch watch(cancel, command);
    std::int64_t affected = 0;
    hr = command->Execute(&rowset, &affected);
  }
  if (cancel != nullptr && cancel->IsRequested()) return nullptr;
  if (db::Failed(hr)) throw cmlib::exception(what + ": " + db::ProviderErrorText(hr));
  if (!rowset) throw cmlib::exception(what + ": the statement returns no rows.");
  return rowset;
}

ExportResult ExportRows(const std::shared_ptr<db::IRowset>& rowset, const ExportOptions& options,
                        const std::string& target, ExportProgress* progress, JobCancel* cancel) {
  CheckOrThrow(options);
  if (target == kStandardOutput) {
    return ExportRowsToDescriptor(rowset, options, STDOUT_FILENO, progress, cancel);
  }
  AtomicFile file(target);
  return WriteFile(file, rowset, options, progress, cancel);
}

ExportResult ExportRowsToDescriptor(const std::shared_ptr<db::IRowset>& rowset,
                                    const ExportOptions& options, int fd, ExportProgress* progress,
                                    JobCancel* cancel) {
  CheckOrThrow(options);
  OutputBuffer out(fd, "the standard output");
  ExportResult result = WriteRows(rowset, options, out, progress, cancel);
  if (result.outcome == ExportOutcome::Written) result.path = kStandardOutput;
  return result;
}

ExportResult RunExport(db::ISession& session, const ExportSource& source,
                       const ExportOptions& options, const std::string& target,
                       ExportProgress* progress, JobCancel* cancel) {
  CheckOrThrow(options);
  if (target == kStandardOutput) {
    const std::shared_ptr<db::IRowset> rowset = OpenExportSource(session, source, cancel);
    if (!rowset) return Stopped(0);
    return ExportRowsToDescriptor(rowset, options, STDOUT_FILENO, progress, cancel);
  }
  AtomicFile file(target);
  const std::shared_ptr<db::IRowset> rowset = OpenExportSource(session, source, cancel);
  if (!rowset) return Stopped(0);
  return WriteFile(file, rowset, options, progress, cancel);
}

}  // namespace quillet::exporting
