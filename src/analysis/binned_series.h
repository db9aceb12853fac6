// One animal's binned activity as the rhythm analyses take it: the start time of each measured
// bin in whole minutes (strictly increasing; a missing bin is simply absent), one value per
// bin, and the nominal bin length. A view over storage its caller owns.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace movexa {

struct BinnedSeries {
  std::span<const int64_t> timesMinutes;  // bin start times, minutes since the run start
  std::span<const double> values;         // one per time
  int64_t binMinutes = 0;                 // nominal bin length, minutes
};

// What the bin times say about a series, for the analyses that need evenly spaced bins.
struct BinGridCheck {
  bool usable = false;            // at least one time, times strictly increase
  bool onGrid = false;            // every time is the first one plus a whole number of bins
  int64_t missingBins = 0;        // bins of the grid between the first and last time not measured
  int64_t largestGapMinutes = 0;  // longest time from one bin start to the next
  std::string problem;            // why the series is not usable, in the operator's words
  bool Complete() const { return usable && onGrid && missingBins == 0; }
};

// Checks bin start times against the grid of `binMinutes` from the first time.
BinGridCheck CheckBinGrid(std::span<const int64_t> timesMinutes, int64_t binMinutes);

// "12 missing bins, largest gap 65 min" style summary of a check, for stated refusals.
std::string DescribeGaps(const BinGridCheck& check);

// Hours written without trailing zeros ("24", "25.5", "23.25"): period labels of the outputs.
std::string HoursText(double hours);

}  // namespace movexa
