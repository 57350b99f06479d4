// How long the window's thread can be kept from its events while a 10^7-row SQLite table is
// paged: a real main window opens the table through a data link file, waits for the rows to be
// counted and the key index to be built, then makes 1,000 random jumps (Go to Row's page job)
// and 1,000 Next Page turns, each waited for until the window is idle again. A timer on the
// window's thread ticks every millisecond; the longest gap between two ticks is the longest
// stall the user could have felt. Target: at most 50 ms. Run offscreen.

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "config/registry_store.h"
#include "datasource/udl_file.h"
#include "elements/element_slots.h"
#include "resources/command_ids.h"
#include "resources/ui/dialog_hooks.h"
#include "shell/ui/frame_manager.h"
#include "shell/ui/main_window.h"
#include "unit/tabledata/test_databases.h"

using namespace quillet;

namespace {

constexpr long long kRows = 10'000'000;
constexpr int kJumps = 1000;
constexpr int kTurns = 1000;
constexpr double kTargetMs = 50;

[[noreturn]] void Fail(const std::string& text) {
  std::fprintf(stderr, "bench_ui_stall: %s\n", text.c_str());
  std::exit(1);
}

// The gaps between the ticks of a 1 ms timer on the window's thread.
class StallMeter {
 public:
  StallMeter() {
    clock_.start();
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(1);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const qint64 now = clock_.nsecsElapsed();
      if (last_ >= 0) gaps_.push_back(static_cast<double>(now - last_) / 1e6);
      last_ = now;
    });
    timer_.start();
  }
  // Starts a new stretch: the gaps recorded so far are forgotten.
  void Restart() {
    gaps_.clear();
    last_ = clock_.nsecsElapsed();
  }
  double LongestMs() const {
    return gaps_.empty() ? 0 : *std::max_element(gaps_.begin(), gaps_.end());
  }
  double PercentileMs(double share) const {
    if (gaps_.empty()) return 0;
    std::vector<double> sorted = gaps_;
    std::sort(sorted.begin(), sorted.end());
    return sorted[std::min(sorted.size() - 1, static_cast<std::size_t>(share * sorted.size()))];
  }
  std::size_t Ticks() const { return gaps_.size(); }

 private:
  QElapsedTimer clock_;
  QTimer timer_;
  qint64 last_ = -1;
  std::vector<double> gaps_;
};

// Lets the window's thread run until its job has ended and the reports it queued are shown.
// Waiting blocks only in the event loop, so the meter's timer keeps ticking meanwhile.
bool WaitIdle(ui::MainWindow* window, int timeoutMs = 120000) {
  QElapsedTimer timer;
  timer.start();
  QCoreApplication::processEvents();
  while (!window->IsIdle()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  QCoreApplication::processEvents();
  return true;
}

Pager* ShownPager(ui::MainWindow* window) {
  xElementSet& elements = window->Elements();
  xElement* element = elements.Element(elements.ListSlot());
  return element != nullptr ? element->GetPager() : nullptr;
}

// From the database to the table, as double-clicks in the list would go.
void ShowTable(ui::MainWindow* window, const std::string& name) {
  if (!window->Elements().ActivateListItem("Tables", true)) Fail("no Tables folder");
  window->StartJob(kSlotTables);
  if (!WaitIdle(window)) Fail("the tables did not load");
  if (!window->Elements().ActivateListItem(name, true)) Fail("no table " + name);
  window->StartJob(kSlotTable);
  if (!WaitIdle(window)) Fail("the table did not load");
}

// Starts a page job with `start` and lets the window run until it is idle again. A fast job
// may be over before `start` returns, so whether it ran is told by the page it leaves shown.
void Turn(ui::MainWindow* window, const std::function<void()>& start) {
  start();
  if (!WaitIdle(window)) Fail("a page job did not end");
}

// Offscreen, Qt warns on every resize of a window that it cannot pass on size hints; that and
// the missing runtime folder are no news here. Everything else goes to the error output.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type != QtCriticalMsg && type != QtFatalMsg &&
      (text.contains(QStringLiteral("propagateSizeHints")) ||
       text.contains(QStringLiteral("XDG_RUNTIME_DIR"))))
    return;
  std::fprintf(stderr, "%s\n", qPrintable(text));
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(QuietMessages);
  QApplication app(argc, argv);

  const std::string database = std::filesystem::absolute(test::BigDatabase(kRows)).string();
  const std::string udl =
      std::filesystem::absolute(test::TestDataDir() + "/rows_10000000.udl").string();
  std::string error;
  if (!db::WriteDataLinkFile(udl, "Provider=SQLite;Data Source=" + database, &error)) Fail(error);

  // A message box would stop the run in a modal loop; every one is an error here.
  int boxes = 0;
  ui::SetMessageHandler([&boxes](const ui::MessageRequest& request) {
    ++boxes;
    std::fprintf(stderr, "bench_ui_stall: message box: %s\n", qPrintable(request.text));
    return QMessageBox::Ok;
  });

  // The meter itself: an idle event loop should see a tick about every millisecond.
  StallMeter meter;
  {
    meter.Restart();
    QElapsedTimer idle;
    idle.start();
    while (idle.elapsed() < 200) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::printf(
        "window: the meter ticks %zu times in 200 ms of an idle loop, longest gap %.1f ms\n",
        meter.Ticks(), meter.LongestMs());
  }
  const std::vector<std::string> args = {"quillet", "-udl", udl};
  auto manager = std::make_unique<ui::FrameManager>(args, config::RegistryStore::Default());
  manager->SetOfferTips(false);
  ui::MainWindow* window = manager->AddWindow(ui::FrameManager::CommandString(args));
  if (window == nullptr) Fail("no window");
  window->resize(1100, 720);
  if (!WaitIdle(window)) Fail("the window did not connect");

  // Opening the table and its background count and index; for reference.
  meter.Restart();
  QElapsedTimer open;
  open.start();
  ShowTable(window, "big");
  const double firstPageMs = static_cast<double>(open.nsecsElapsed()) / 1e6;
  Pager* pager = ShownPager(window);
  if (pager == nullptr) Fail("the table shows no pages");
  while (pager->CountRunning()) {
    if (open.elapsed() > 300000) Fail("the count did not end");
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  if (window->Elements().Element(window->Elements().ListSlot())->GetRowCount() != kRows)
    Fail("the rows were not counted");
  const double countedMs = static_cast<double>(open.nsecsElapsed()) / 1e6;
  std::printf(
      "window: table of %lld rows shown after %.0f ms, counted and indexed after %.0f ms;"
      " longest stall meanwhile %.1f ms (no target)\n",
      kRows, firstPageMs, countedMs, meter.LongestMs());
  std::fflush(stdout);

  // Random jumps.
  std::mt19937_64 random(11);
  std::uniform_int_distribution<long long> pickRow(0, kRows - 1);
  int wrong = 0;
  meter.Restart();
  QElapsedTimer phase;
  phase.start();
  for (int i = 0; i < kJumps; ++i) {
    const long long row = pickRow(random);
    Turn(window, [&] { window->JumpTo({PageJob::Target::Row, row, 0}); });
    if (pager->GetCurrentPage() != row / pager->GetPageSize()) ++wrong;
  }
  const double jumpsMs = static_cast<double>(phase.nsecsElapsed()) / 1e6;
  const double jumpStall = meter.LongestMs();
  std::printf(
      "window: %d random jumps in %.0f ms (%.2f ms each); longest stall %.1f ms, 99th"
      " percentile gap %.2f ms over %zu ticks\n",
      kJumps, jumpsMs, jumpsMs / kJumps, jumpStall, meter.PercentileMs(0.99), meter.Ticks());
  std::fflush(stdout);

  // Next Page turns from the start of the table's second half.
  Turn(window, [&] { window->JumpTo({PageJob::Target::Row, kRows / 2, 0}); });
  const int from = pager->GetCurrentPage();
  meter.Restart();
  phase.restart();
  for (int i = 0; i < kTurns; ++i) Turn(window, [&] { window->OnCommand(ui::cmd::kNextPage); });
  const double turnsMs = static_cast<double>(phase.nsecsElapsed()) / 1e6;
  const double turnStall = meter.LongestMs();
  if (pager->GetCurrentPage() != from + kTurns) ++wrong;
  std::printf(
      "window: %d Next Page turns in %.0f ms (%.2f ms each); longest stall %.1f ms, 99th"
      " percentile gap %.2f ms over %zu ticks\n",
      kTurns, turnsMs, turnsMs / kTurns, turnStall, meter.PercentileMs(0.99), meter.Ticks());

  const double longest = std::max(jumpStall, turnStall);
  std::printf(
      "window: longest stall of the window's thread while paging: %.1f ms  (target <= %.0f"
      " ms: %s)\n",
      longest, kTargetMs, longest <= kTargetMs ? "met" : "MISSED");
  std::fflush(stdout);

  window = nullptr;
  manager.reset();
  if (wrong > 0) Fail(std::to_string(wrong) + " page jobs showed the wrong page");
  if (boxes > 0) Fail("the window showed message boxes");
  return 0;
}
