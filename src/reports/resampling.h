// Resampling of loaded "counts.bin" records into report bins of B minutes: regular
// acquisitions spread each record's counts evenly over its duration in steps of 0.02 minute;
// irregular ones (a pause longer than twice the preceding interval) add whole records; a last
// partial bin covering 75 % or more is scaled up, a smaller one is dropped.
#pragma once

#include <cstdint>
#include <string>

#include "reports/counts_series.h"

namespace movexa {

// More report bins than this are refused (a corrupt time would otherwise ask for gigabytes).
inline constexpr int64_t kMaxReportBins = 50000;
// Last times beyond this (about 1900 years) can only come from a corrupt file.
inline constexpr int64_t kMaxReportMinutes = 1'000'000'000;

// Why resampling was impossible.
enum class ResampleFault {
  kNone,
  kTooFewRecords,         // fewer than two records: no interval to spread over
  kShorterThanOneMinute,  // every record at minute 0: a run stopped within its first minute
  kBinBelowOneMinute,
  kDamagedTime,  // a last time below one minute or beyond any run
  kTooManyBins,  // the bin is far too small for the acquisition's length
  kNoWholeBin,   // the acquisition is shorter than one bin
};

struct ResampleResult {
  bool ok = false;
  ResampleFault fault = ResampleFault::kNone;
  std::string error;     // why resampling was impossible
  bool irregular = false;
  BinnedCounts bins;     // bins 0..L, time of bin i = B * (i + 1)
  int64_t lastTime = 0;  // T after the last-bin rule = B * (L + 1); the time read for kNoWholeBin
};

// Resamples records 0..N of `loaded` (N = size - 1) to bins of `binMinutes`. Needs at least two
// records, a bin of at least one minute and a last time that yields at least one whole bin.
ResampleResult Resample(const LoadedCounts& loaded, int64_t binMinutes);

// What the operator is told under "Resampling ERROR" for a failed resampling: why, then what
// to do next, on two lines ("The acquisition is shorter than one report bin of 30 min (20
// min recorded)." / "Choose a smaller bin ...").
std::string ResamplingAdvice(const ResampleResult& result, int64_t binMinutes, size_t records);

}  // namespace movexa
