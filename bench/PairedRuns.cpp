#include "PairedRuns.h"

#include <algorithm>

void TPairedRuns::ReportRuns(const std::vector<Run>& runs) {
  for (const Run& run : runs) {
    if (run.error_occurred || run.iterations == 0) continue;
    timings_.push_back({run.benchmark_name(), run.cpu_accumulated_time / static_cast<double>(run.iterations)});
  }
  ConsoleReporter::ReportRuns(runs);
}

std::vector<double> TPairedRuns::Ratios(const std::string& figure) const {
  std::vector<double> ratios;
  for (const TTiming& ours : timings_) {
    const std::string prefix = figure + "/ours/";
    if (ours.name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string reference = figure + "/reference/" + ours.name.substr(prefix.size());
    for (const TTiming& other : timings_) {
      if (other.name == reference && other.seconds > 0) ratios.push_back(ours.seconds / other.seconds);
    }
  }
  return ratios;
}

size_t TPairedRuns::PairCount(const std::string& figure) const { return Ratios(figure).size(); }

double TPairedRuns::MedianRatio(const std::string& figure) const {
  std::vector<double> ratios = Ratios(figure);
  if (ratios.empty()) return 0;
  std::sort(ratios.begin(), ratios.end());
  const size_t middle = ratios.size() / 2;
  return ratios.size() % 2 == 1 ? ratios[middle] : (ratios[middle - 1] + ratios[middle]) / 2;
}
