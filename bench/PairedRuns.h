// Side-by-side figures on a noisy machine: each figure is measured as pairs
// of runs, ours and the reference back to back, and reported as the median
// of the per-pair ratios, so that a slow patch of time hits both halves of
// a pair alike.
#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

// CPU seconds per iteration of every finished run, keyed by the run's
// name: on a machine shared with builds, time spent waiting for a core is
// not the code's.
class TPairedRuns : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override;
  // The median over all pairs of (time of ours / time of reference), where
  // the runs are named "FIGURE/ours/N" and "FIGURE/reference/N".
  double MedianRatio(const std::string& figure) const;
  // How many complete pairs of figure ran.
  size_t PairCount(const std::string& figure) const;

 private:
  struct TTiming {
    std::string name;
    double seconds;
  };
  std::vector<TTiming> timings_;
  std::vector<double> Ratios(const std::string& figure) const;
};

// Registers pairs interleaved: ours then reference, pairCount times, in
// that order (Google Benchmark runs them in registration order).
template <typename Ours, typename Reference>
void RegisterPairs(const std::string& figure, int pairCount, Ours ours, Reference reference,
                   void (*configure)(benchmark::internal::Benchmark*)) {
  for (int pair = 0; pair < pairCount; ++pair) {
    configure(benchmark::RegisterBenchmark((figure + "/ours/" + std::to_string(pair)).c_str(), ours));
    configure(benchmark::RegisterBenchmark((figure + "/reference/" + std::to_string(pair)).c_str(), reference));
  }
}
