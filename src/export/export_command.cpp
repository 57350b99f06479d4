#include "export/export_command.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "datasource/cmlib_exception.h"
#include "datasource/error_text.h"
#include "datasource/open_ops.h"
#include "datasource/text_convert.h"
#include "elements/job_cancel.h"
#include "export/export_arguments.h"
#include "export/export_rows.h"

namespace quillet::exporting {
namespace {

// Rows between two progress lines on a terminal.
constexpr long long kTerminalProgressRows = 100000;

// One line, whatever the provider put in its text.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

// A stop asked for by SIGINT, SIGTERM or SIGHUP: the signals are blocked in this thread (and so
// in every thread started from now on) and taken by a thread of their own, which stops the
// export through its cancel; the export then removes its temporary file as for any stop.
class SignalStop {
 public:
  explicit SignalStop(JobCancel& cancel) : cancel_(cancel) {
    sigemptyset(&signals_);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
      // One this process was started to ignore (nohup, a background job) stays ignored.
      struct sigaction action {};
      if (sigaction(signal, nullptr, &action) == 0 && action.sa_handler != SIG_IGN)
        sigaddset(&signals_, signal);
    }
    pthread_sigmask(SIG_BLOCK, &signals_, &previous_);
    thread_ = std::thread([this] { Wait(); });
  }
  ~SignalStop() {
    done_ = true;
    thread_.join();
    // A signal still pending acts as it would have without the export.
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
  }
  SignalStop(const SignalStop&) = delete;
  SignalStop& operator=(const SignalStop&) = delete;

  int Signal() const { return signal_; }

 private:
  void Wait() {
    const timespec wait{0, 50'000'000};
    while (!done_) {
      const int taken = sigtimedwait(&signals_, nullptr, &wait);
      if (taken > 0) {
        signal_ = taken;
        cancel_.Request();
        return;
      }
    }
  }

  JobCancel& cancel_;
  sigset_t signals_{};
  sigset_t previous_{};
  std::atomic<bool> done_{false};
  std::atomic<int> signal_{0};
  std::thread thread_;
};

// The rows so far, on one terminal line.
class TerminalProgress final : public ExportProgress {
 public:
  explicit TerminalProgress(std::FILE* err) : err_(err) {}
  ~TerminalProgress() override {
    if (shown_) std::fputc('\n', err_);
  }
  void RowsWritten(long long rows) override {
    std::fprintf(err_, "\rquillet: %lld rows written", rows);
    std::fflush(err_);
    shown_ = true;
  }

 private:
  std::FILE* err_;
  bool shown_ = false;
};

struct Connected {
  std::shared_ptr<db::IDBInitialize> source;
  std::shared_ptr<db::ISession> session;
};

// The same open as the window's: a data link file or a connection string through the
// initialization service and the provider it names, then a session.
Connected Connect(const ExportArguments& arguments) {
  Connected connected;
  const bool file = !arguments.dataLink.empty();
  const std::u16string text =
      db::Utf8ToUtf16(file ? arguments.dataLink : arguments.connectionString);
  db::HRESULT hr = file ? db::OpenFromDataLinkFile(text, &connected.source)
                        : db::OpenFromInitString(text, &connected.source);
  if (db::Succeeded(hr)) hr = db::OpenSession(connected.source, &connected.session);
  if (db::Failed(hr)) throw cmlib::exception("Cannot connect: " + db::ProviderErrorText(hr));
  return connected;
}

int Export(const ExportArguments& arguments, std::FILE* out, std::FILE* err) {
  // Progress on a terminal, unless the rows themselves go to the same screen.
  const bool terminal =
      ::isatty(::fileno(err)) != 0 && !(arguments.target == "-" && ::isatty(::fileno(out)) != 0);
  // A file-size limit makes a write fail with its reason instead of ending the process.
  std::signal(SIGXFSZ, SIG_IGN);
  JobCancel cancel;
  SignalStop signals(cancel);
  ExportOptions options = arguments.options;
  ExportResult result;
  {
    TerminalProgress terminalProgress(err);
    ExportProgress silent;
    ExportProgress& progress = terminal ? static_cast<ExportProgress&>(terminalProgress) : silent;
    if (terminal) options.progressRows = kTerminalProgressRows;

    const Connected connected = Connect(arguments);
    if (terminal) {
      const std::string notice = connected.source->ReadOnlyNotice();
      if (!notice.empty()) std::fprintf(err, "quillet: %s\n", OneLine(notice).c_str());
    }
    if (arguments.target == "-") {
      std::fflush(out);
      const std::shared_ptr<db::IRowset> rowset =
          OpenExportSource(*connected.session, arguments.source, &cancel);
      if (rowset)
        result = ExportRowsToDescriptor(rowset, options, ::fileno(out), &progress, &cancel);
      else
        result.outcome = ExportOutcome::Stopped;
    } else {
      result = RunExport(*connected.session, arguments.source, options, arguments.target, &progress,
                         &cancel);
    }
  }
  if (result.outcome == ExportOutcome::Stopped) {
    std::fprintf(err, "quillet: the export was stopped; %s\n",
                 arguments.target == "-" ? "the output is incomplete." : "no file was written.");
    return 128 + (signals.Signal() != 0 ? signals.Signal() : SIGINT);
  }
  if (terminal)
    std::fprintf(err, "quillet: %lld rows written to %s\n", result.rows,
                 result.path == "-" ? "the standard output" : result.path.c_str());
  return 0;
}

}  // namespace

int RunExportCommand(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.emplace_back(argv[i] != nullptr ? argv[i] : "");
  const ExportArguments parsed = ParseExportArguments(arguments);
  switch (parsed.action) {
    case ExportArguments::Action::Help:
      std::fputs(UsageText().c_str(), out);
      std::fflush(out);
      return 0;
    case ExportArguments::Action::Invalid:
      std::fprintf(err, "quillet: %s\n%s", parsed.error.c_str(), UsageText().c_str());
      return 2;
    case ExportArguments::Action::Export:
      break;
  }
  try {
    return Export(parsed, out, err);
  } catch (const cmlib::exception& e) {
    std::fprintf(err, "quillet: %s\n", OneLine(e.text()).c_str());
  } catch (const std::exception& e) {
    std::fprintf(err, "quillet: %s\n", OneLine(e.what()).c_str());
  } catch (...) {
    std::fprintf(err, "quillet: the export failed for an unknown reason.\n");
  }
  return 1;
}

}  // namespace quillet::exporting
