// Periodograms of every animal of an acquisition spread over the cores, and the group summary
// of their peak periods. The result of each animal does not depend on the number of threads.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "analysis/periodogram.h"
#include "base/worker_pool.h"

namespace movexa {

// Fills `values` with the values of animal `animal` (one per bin time of the plan). Called
// from several threads at once, each with its own `values`.
using SeriesSource = std::function<void(size_t animal, std::vector<double>& values)>;

// Called on the calling thread with the number of animals done so far.
using BatchProgress = std::function<void(size_t done, size_t total)>;

std::vector<Periodogram> ComputePeriodograms(const PeriodogramPlan& plan, size_t animals,
                                             const SeriesSource& source, WorkerPool& pool,
                                             const BatchProgress& progress = {});

// Over the animals of a group: the number of animals, how many are rhythmic, and the mean,
// median and SEM (SD / sqrt(n), SD with n - 1) of the peak period of the rhythmic ones. Each
// figure is absent when it cannot be computed (no rhythmic animal; SEM needs two).
struct PeakPeriodSummary {
  size_t animals = 0;
  size_t rhythmic = 0;
  std::optional<double> meanHours;
  std::optional<double> medianHours;
  std::optional<double> semHours;
};

PeakPeriodSummary SummarisePeakPeriods(std::span<const Periodogram* const> animals);

}  // namespace movexa
