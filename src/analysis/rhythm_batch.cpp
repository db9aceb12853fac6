// Per-animal periodograms over a worker pool; peak-period summaries of groups.
#include "analysis/rhythm_batch.h"

#include <algorithm>
#include <cmath>

namespace movexa {

std::vector<Periodogram> ComputePeriodograms(const PeriodogramPlan& plan, size_t animals,
                                             const SeriesSource& source, WorkerPool& pool,
                                             const BatchProgress& progress) {
  std::vector<Periodogram> out(animals);
  std::vector<std::vector<double>> buffers(static_cast<size_t>(pool.Threads()));
  pool.ForEach(
      animals,
      [&](size_t animal, int worker) {
        std::vector<double>& values = buffers[static_cast<size_t>(worker)];
        source(animal, values);
        out[animal] = ComputePeriodogram(plan, values);
      },
      progress ? std::function<void(size_t)>([&](size_t done) { progress(done, animals); })
               : std::function<void(size_t)>());
  return out;
}

PeakPeriodSummary SummarisePeakPeriods(std::span<const Periodogram* const> animals) {
  PeakPeriodSummary s;
  s.animals = animals.size();
  std::vector<double> periods;
  for (const Periodogram* p : animals) {
    if (p && p->Rhythmic()) periods.push_back(p->peaks.front().periodHours);
  }
  s.rhythmic = periods.size();
  if (periods.empty()) return s;
  const auto n = static_cast<double>(periods.size());
  double sum = 0;
  for (double v : periods) sum += v;
  const double mean = sum / n;
  s.meanHours = mean;
  std::sort(periods.begin(), periods.end());
  const size_t mid = periods.size() / 2;
  s.medianHours = periods.size() % 2 == 1 ? periods[mid] : (periods[mid - 1] + periods[mid]) / 2;
  if (periods.size() >= 2) {
    double squares = 0;
    for (double v : periods) squares += (v - mean) * (v - mean);
    s.semHours = std::sqrt(squares / (n - 1)) / std::sqrt(n);
  }
  return s;
}

}  // namespace movexa
