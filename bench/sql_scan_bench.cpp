// Colouring a 100 KB SQL script, as the editor does after every typed character: the scan alone,
// and the scan with the work around it (line ends made carriage returns, positions mapped to the
// editor's UTF-16 units). Beside them, one plain pass over the same bytes shows what any linear
// scan costs on this machine. Prints the median of many runs.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "sql_script.h"
#include "sqlwindow/sql_highlighter.h"
#include "sqlwindow/sql_text_positions.h"

namespace {

using quillet::sqlwindow::Colouring;
using quillet::sqlwindow::MapToUtf16;
using quillet::sqlwindow::NormaliseLineEnds;
using quillet::sqlwindow::SqlHighlighter;

constexpr std::size_t kScriptBytes = 100 * 1024;
constexpr int kRuns = 51;

double MedianMs(const std::function<void()>& work) {
  std::vector<double> times;
  times.reserve(kRuns);
  for (int run = 0; run < kRuns; ++run) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const auto stop = std::chrono::steady_clock::now();
    times.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
  }
  std::nth_element(times.begin(), times.begin() + kRuns / 2, times.end());
  return times[kRuns / 2];
}

}  // namespace

int main() {
  const std::string document = quillet::bench::MakeSqlScript(kScriptBytes);
  const std::string scan_text = NormaliseLineEnds(document).text;
  const SqlHighlighter highlighter;

  std::size_t ranges = 0;
  const double scan_ms =
      MedianMs([&] { ranges = highlighter.Colour(scan_text, 0, -1).ranges.size(); });

  std::size_t mapped_ranges = 0;
  const double full_ms = MedianMs([&] {
    const auto normalised = NormaliseLineEnds(document);
    const Colouring colouring =
        MapToUtf16(highlighter.Colour(normalised.text, 0, -1), normalised.positions);
    mapped_ranges = colouring.ranges.size();
  });

  // The floor: one pass that looks at every byte and keeps a result.
  volatile std::size_t sink = 0;
  const double raw_ms = MedianMs([&] {
    std::size_t line_ends = 0;
    for (char c : scan_text) line_ends += c == '\r';
    sink = line_ends;
  });

  std::printf("sql scan 100 KB: %.3f ms (target < 20 ms), %zu coloured ranges\n", scan_ms, ranges);
  std::printf("sql scan 100 KB with line ends and UTF-16 positions: %.3f ms, %zu ranges\n", full_ms,
              mapped_ranges);
  std::printf("plain byte pass 100 KB: %.3f ms; scan / plain pass: %.1f\n", raw_ms,
              raw_ms > 0 ? scan_ms / raw_ms : 0.0);
  return scan_ms < 20.0 ? 0 : 1;
}
