#pragma once
// What the benchmark programs share: medians of timed runs, reading our own peak memory, and
// the bookkeeping of ratios against the raw engine with their targets, which ends in one
// "worst ratio:" line per program.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace quillet::bench {

using Clock = std::chrono::steady_clock;

inline double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Medians of two ways of doing the same work, run in turns so that both see the same state of
// the machine (caches, other load). `setup` runs before each timed run of its side, untimed.
struct Pair {
  double ours = 0;
  double raw = 0;
  double Ratio() const { return raw > 0 ? ours / raw : 0; }
};

inline Pair MedianPair(int runs, const std::function<void()>& oursSetup,
                       const std::function<void()>& ours, const std::function<void()>& rawSetup,
                       const std::function<void()>& raw) {
  std::vector<double> a;
  std::vector<double> b;
  for (int i = 0; i < runs; ++i) {
    oursSetup();
    auto start = Clock::now();
    ours();
    a.push_back(SecondsSince(start));
    rawSetup();
    start = Clock::now();
    raw();
    b.push_back(SecondsSince(start));
  }
  return {Median(a), Median(b)};
}

// A field of /proc/self/status in kB ("VmRSS:", "VmHWM:").
inline long StatusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::string name(field);
  while (std::getline(in, line))
    if (line.rfind(name, 0) == 0) return std::atol(line.c_str() + name.size());
  return 0;
}

// Starts a peak-memory measurement: the kernel's peak is set back to the present size.
inline long ResetPeakKb() {
  { std::ofstream("/proc/self/clear_refs") << "5"; }
  return StatusKb("VmRSS:");
}

// Ratios of ours to raw against their targets (ours / raw at most the target).
class Targets {
 public:
  // Records a ratio; returns the verdict to print beside it.
  const char* Add(const std::string& what, double ratio, double target) {
    entries_.push_back({what, ratio, target});
    return ratio <= target ? "met" : "MISSED";
  }

  // The ratio that comes nearest its target, or passes it furthest, and how many were met.
  void PrintWorst() const {
    if (entries_.empty()) {
      std::printf("worst ratio: none measured\n");
      return;
    }
    const Entry* worst = &entries_.front();
    int met = 0;
    for (const Entry& e : entries_) {
      if (e.ratio / e.target > worst->ratio / worst->target) worst = &e;
      if (e.ratio <= e.target) ++met;
    }
    std::printf("worst ratio: %.2f against a target of %.2f (%s); %d of %zu ratio targets met\n",
                worst->ratio, worst->target, worst->what.c_str(), met, entries_.size());
  }

 private:
  struct Entry {
    std::string what;
    double ratio;
    double target;
  };
  std::vector<Entry> entries_;
};

}  // namespace quillet::bench
