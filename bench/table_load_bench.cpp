// Loading a table through the element and paging to its end, each beside the SQLite C API doing
// the same work in the same run: (a) count the rows by stepping the query once, then read the
// first 100 rows with their values; (b) step to the last page and read it. Prints one line per
// table size with both ratios (ours / raw) and the peak memory of each path, then the worst
// ratio.

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "elements/job_cancel.h"
#include "shell/frame_services.h"
#include "tabledata/element_table.h"
#include "unit/tabledata/test_databases.h"

namespace {

using quillet::test::BigDatabase;

// Services that do nothing, as cheap as a window that queues them.
class QuietServices : public quillet::FrameServices {
 public:
  quillet::ProgressHandle CreateProgressBar() override { return 1; }
  void ReportStep(quillet::ProgressHandle, unsigned, int position) override {
    if (position == 45) counting.store(true);
  }
  std::atomic<bool> counting{false};
  void ReportProgressText(quillet::ProgressHandle, const std::string&, int) override {}
  void HideProgressBar(quillet::ProgressHandle) override {}
  void InsertDataColumn(const std::string&, int, int) override {}
  void SetDataColumnWidth(int, int) override {}
  void DeleteDataColumns() override {}
  void ReportError(const std::string& text) override {
    std::fprintf(stderr, "error: %s\n", text.c_str());
    std::exit(1);
  }
  void ReportInformation(const std::string&) override {}
};

long StatusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::string(field).size());
  return 0;
}

// Time of the fastest of `runs` runs, and the largest rise of the peak resident size over the
// size before a run (the peak is reset before each run where the kernel allows it).
struct Measure {
  double seconds = 1e30;
  long peakKb = 0;
};

Measure Run(int runs, const std::function<void()>& setup, const std::function<void()>& work) {
  Measure m;
  for (int i = 0; i < runs; ++i) {
    setup();
    { std::ofstream("/proc/self/clear_refs") << "5"; }
    const long before = StatusKb("VmRSS:");
    auto start = std::chrono::steady_clock::now();
    work();
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.seconds = std::min(m.seconds, s);
    m.peakKb = std::max(m.peakKb, StatusKb("VmHWM:") - before);
  }
  return m;
}

std::atomic<std::size_t> sink{0};

// Reads every column of the current row as the list would need it.
void ReadRow(sqlite3_stmt* st) {
  const int n = sqlite3_column_count(st);
  for (int c = 0; c < n; ++c) {
    const unsigned char* text = sqlite3_column_text(st, c);
    sink += text ? static_cast<std::size_t>(sqlite3_column_bytes(st, c)) : 0;
  }
}

struct Raw {
  explicit Raw(const std::string& path) {
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  }
  ~Raw() { sqlite3_close(db); }
  sqlite3_stmt* Prepare() {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "select * from big", -1, &st, nullptr);
    return st;
  }
  // (a): count by stepping once, then the first page with values.
  void FirstPage() {
    sqlite3_stmt* st = Prepare();
    long long count = 0;
    while (sqlite3_step(st) == SQLITE_ROW) ++count;
    sqlite3_reset(st);
    for (int i = 0; i < 100 && sqlite3_step(st) == SQLITE_ROW; ++i) ReadRow(st);
    sqlite3_finalize(st);
    sink += static_cast<std::size_t>(count);
  }
  // (b): step to the last page and read it.
  void LastPage(long long firstRow) {
    sqlite3_stmt* st = Prepare();
    for (long long i = 0; i < firstRow && sqlite3_step(st) == SQLITE_ROW; ++i) {
    }
    for (int i = 0; i < 100 && sqlite3_step(st) == SQLITE_ROW; ++i) ReadRow(st);
    sqlite3_finalize(st);
  }
  sqlite3* db = nullptr;
};

}  // namespace

int main() {
  const long long sizes[] = {10'000, 1'000'000, 10'000'000};
  double worst = 0;
  for (long long rows : sizes) {
    const std::string path = BigDatabase(rows);
    QuietServices services;
    quillet::JobCancel cancel;
    quillet::SessionRef session = quillet::test::OpenSqliteSession(path);
    quillet::ElementHost host{&services, &session, &cancel};
    quillet::xElement_Table table(host, 57506, 5, 2);
    table.SetName("big");
    Raw raw(path);
    const int runs = rows >= 10'000'000 ? 3 : 5;

    quillet::ShowData request;
    request.redrawColumns = true;
    Measure oursFirst = Run(
        runs, [&] { table.ReleaseData(); }, [&] { table.show_data(&request); });
    Measure rawFirst = Run(
        runs, [] {}, [&] { raw.FirstPage(); });
    if (table.GetRowCount() != rows) {
      std::fprintf(stderr, "counted %d rows, expected %lld\n", table.GetRowCount(), rows);
      return 1;
    }
    const int last = table.GetPageCount() - 1;
    Measure oursLast = Run(
        runs, [&] { table.LoadPage(0); }, [&] { table.LoadPage(last); });
    Measure rawLast = Run(
        runs, [] {}, [&] { raw.LastPage(static_cast<long long>(last) * 100); });

    const double first = oursFirst.seconds / rawFirst.seconds;
    const double paging = oursLast.seconds / rawLast.seconds;
    worst = std::max({worst, first, paging});
    std::printf(
        "rows %9lld  first page: ours %8.4f s raw %8.4f s ratio %.2f  |  last page: ours %8.4f s "
        "raw %8.4f s ratio %.2f  |  peak: ours %ld KB raw %ld KB\n",
        rows, oursFirst.seconds, rawFirst.seconds, first, oursLast.seconds, rawLast.seconds, paging,
        std::max(oursFirst.peakKb, oursLast.peakKb), std::max(rawFirst.peakKb, rawLast.peakKb));
    std::fflush(stdout);

    if (rows == 10'000'000) {
      // How long a stop takes while the rows are being counted (no target; for reference).
      std::vector<double> stops;
      for (int i = 0; i < 5; ++i) {
        table.ReleaseData();
        services.counting.store(false);
        std::thread job([&] { table.show_data(&request); });
        while (!services.counting.load()) std::this_thread::yield();
        auto start = std::chrono::steady_clock::now();
        cancel.Request();
        job.join();
        stops.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        cancel.Reset();
      }
      std::sort(stops.begin(), stops.end());
      const double ms = stops[2];
      std::printf("stop during the count of %lld rows: median %.1f ms, worst %.1f ms (data %s)\n",
                  rows, ms, stops.back(), table.HasData() ? "kept" : "released");
    }
  }
  std::printf("worst ratio: %.2f\n", worst);
  return 0;
}
