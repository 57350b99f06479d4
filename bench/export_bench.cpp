// The export beside the sqlite3 shell, in the same run:
//   CSV      the demo database's million-row table "events" to a CSV file: RunExport (through
//            the SQLite provider, a temporary file, fsync and rename) / the sqlite3 shell with
//            .mode csv, .headers on, .once FILE and the same select (medians, taken in turns);
//            beside it, for the account, the rows read through the provider alone;
//   memory   peak resident size of the command-line export of 10^7 and of 10^4 rows, each in
//            a process of its own (its ru_maxrss): the difference is what the row count costs.
// Ends with the worst ratio against its target.

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_targets.h"
#include "export/export_command.h"
#include "export/export_rows.h"
#include "export/row_reader.h"
#include "unit/tabledata/test_databases.h"

extern char** environ;

namespace {

using quillet::bench::Clock;
using quillet::bench::Median;
using quillet::bench::SecondsSince;
namespace exporting = quillet::exporting;

constexpr int kRuns = 5;
constexpr int kMemoryRuns = 3;
constexpr double kCsvTarget = 1.30;
constexpr long kMemoryTargetKb = 16 * 1024;

[[noreturn]] void Fail(const std::string& text) {
  std::fprintf(stderr, "bench_export: %s\n", text.c_str());
  std::exit(1);
}

struct Timing {
  double wall = 0;
  double cpu = 0;
  long maxRssKb = 0;
};

double CpuSeconds(const rusage& r) {
  return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
         static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

// Runs a program to its end; its wall time, CPU time and peak resident size.
Timing RunChild(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const auto start = Clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
    Fail("cannot run " + arguments[0]);
  int status = 0;
  rusage usage{};
  if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    Fail(arguments[0] + " failed");
  return {SecondsSince(start), CpuSeconds(usage), usage.ru_maxrss};
}

template <typename Work>
Timing TimeHere(Work work) {
  rusage before{};
  rusage after{};
  ::getrusage(RUSAGE_SELF, &before);
  const auto start = Clock::now();
  work();
  const double wall = SecondsSince(start);
  ::getrusage(RUSAGE_SELF, &after);
  return {wall, CpuSeconds(after) - CpuSeconds(before), 0};
}

// Takes every value and writes nothing: what reading through the provider costs alone.
class NoWriter final : public exporting::RowWriter {
 public:
  void Begin(const std::vector<exporting::ExportColumn>&) override {}
  void BeginRow() override {}
  void Null() override {}
  void Value(std::string_view data, bool) override { bytes_ += data.size(); }
  void BeginBinary() override {}
  void BinaryPiece(std::string_view bytes) override { bytes_ += bytes.size(); }
  void EndBinary() override {}
  void EndRow() override {}
  std::size_t bytes_ = 0;
};

[[maybe_unused]] std::string Self() {
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) Fail("cannot find this program's path");
  self[n] = '\0';
  return self;
}

// The command-line export as a user runs it: the built program where there is one, else this
// program's own copy of the same core function.
std::vector<std::string> ExportCommand(const std::string& database, const std::string& target) {
#ifdef QUILLET_BINARY
  std::vector<std::string> command{QUILLET_BINARY};
#else
  std::vector<std::string> command{Self(), "--cli"};
#endif
  command.insert(command.end(), {"--export", target, "--format", "csv", "-constr",
                                 "Provider=SQLite;Data Source=" + database, "--table", "big"});
  return command;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--cli") == 0) {
    argv[1] = argv[0];
    return exporting::RunExportCommand(argc - 1, argv + 1, stdout, stderr);
  }
  quillet::bench::Targets targets;
  const std::string folder = quillet::test::TestDataDir() + "/export-bench";
  std::filesystem::create_directories(folder);

  // ---- the million rows to CSV ----
  const std::string demo = QUILLET_DEMO_DB;
  if (!std::filesystem::exists(demo)) Fail("no demo database at " + demo + " (make demo)");
  const std::shared_ptr<quillet::db::ISession> session = quillet::test::OpenSqliteSession(demo);
  const std::string oursFile = folder + "/ours.csv";
  const std::string shellFile = folder + "/shell.csv";
  const std::string select = "SELECT * FROM events";
  std::vector<double> oursWall, oursCpu, shellWall, shellCpu, readWall;
  long long rows = 0;
  for (int run = 0; run < kRuns; ++run) {
    const Timing ours = TimeHere([&] {
      exporting::ExportOptions options;
      rows = exporting::RunExport(*session, exporting::ExportSource::Table("events"), options,
                                  oursFile)
                 .rows;
    });
    oursWall.push_back(ours.wall);
    oursCpu.push_back(ours.cpu);
    const Timing shell =
        RunChild({"sqlite3", demo, ".mode csv", ".headers on", ".once " + shellFile, select});
    shellWall.push_back(shell.wall);
    shellCpu.push_back(shell.cpu);
    readWall.push_back(TimeHere([&] {
                         const auto rowset = exporting::OpenExportSource(
                             *session, exporting::ExportSource::Table("events"));
                         exporting::RowReader reader(*rowset);
                         NoWriter none;
                         while (reader.Next(none, {})) {
                         }
                       }).wall);
  }
  if (rows != 1'000'000) Fail("the export wrote " + std::to_string(rows) + " rows");
  const double ratio = Median(oursWall) / Median(shellWall);
  std::printf(
      "events, %lld rows to CSV: ours %.3f s (cpu %.3f s, %.1f MB)  sqlite3 shell %.3f s "
      "(cpu %.3f s, %.1f MB)  ratio %.2f  (target <= %.2f: %s)\n",
      rows, Median(oursWall), Median(oursCpu),
      static_cast<double>(std::filesystem::file_size(oursFile)) / 1e6, Median(shellWall),
      Median(shellCpu), static_cast<double>(std::filesystem::file_size(shellFile)) / 1e6, ratio,
      kCsvTarget, targets.Add("events to CSV", ratio, kCsvTarget));
  std::printf(
      "events, reading alone through the provider (no writing): %.3f s, ratio to the shell %.2f"
      " (no target)\n",
      Median(readWall), Median(readWall) / Median(shellWall));
  std::fflush(stdout);

  // ---- memory: 10^7 rows beside 10^4 ----
  const long long sizes[] = {10'000, 10'000'000};
  long peakKb[2] = {};
  for (int i = 0; i < 2; ++i) {
    const std::string database = quillet::test::BigDatabase(sizes[i]);
    std::vector<double> peaks;
    for (int run = 0; run < kMemoryRuns; ++run)
      peaks.push_back(
          static_cast<double>(RunChild(ExportCommand(database, folder + "/big.csv")).maxRssKb));
    peakKb[i] = static_cast<long>(Median(peaks));
  }
  const long growth = peakKb[1] - peakKb[0];
  std::printf(
      "memory, peak RSS of the command-line export: %ld KB at 10^4 rows, %ld KB at 10^7 rows;"
      " growth %ld KB  (target <= %ld KB: %s)\n",
      peakKb[0], peakKb[1], growth, kMemoryTargetKb, growth <= kMemoryTargetKb ? "met" : "MISSED");

  std::filesystem::remove_all(folder);
  targets.PrintWorst();
  return 0;
}
