// The report tables computed from a series of records and report bins 1..NB: temperature per
// bin, channel sums, well values, bin presence and records per bin, and per group the mean,
// sample standard deviation and number of wells. All divisions end in whole numbers, halves
// to even.
#pragma once

#include <cstdint>
#include <vector>

#include "reports/acquisition_tables.h"
#include "reports/counts_series.h"

namespace movexa {

struct ReportTables {
  int64_t binCount = 0;  // NB; bins are numbered 1..NB, index 0 is unused
  int wellCount = 0;     // largest well + 1
  int groupCount = 0;    // G + 1
  std::vector<int64_t> temperature;    // per bin, tenths of a degree (0 when none was valid)
  std::vector<int64_t> recordsPerBin;  // per bin
  std::vector<char> binPresent;        // per bin
  std::vector<int64_t> channelSums;    // per bin x kChannelCount
  std::vector<int64_t> wellValues;     // per bin x wellCount
  std::vector<int64_t> groupMean;      // per group x (NB + 1)
  std::vector<int64_t> groupDeviation; // per group x (NB + 1)
  std::vector<int64_t> groupSize;      // per group

  int64_t ChannelSum(int64_t bin, int channel) const {
    return channelSums[static_cast<size_t>(bin) * kChannelCount + channel];
  }
  int64_t WellValue(int64_t bin, int well) const {
    return wellValues[static_cast<size_t>(bin) * wellCount + well];
  }
  int64_t Mean(int group, int64_t bin) const {
    return groupMean[static_cast<size_t>(group) * (binCount + 1) + bin];
  }
  int64_t Deviation(int group, int64_t bin) const {
    return groupDeviation[static_cast<size_t>(group) * (binCount + 1) + bin];
  }
};

// Bin of a record at `minutes`: the first bin end B, 2B, ... at or after it (bin 1 for a time
// of 0 or less). Records whose bin lies past NB are left out.
int64_t ReportBinOf(int64_t minutes, int64_t binMinutes);

// Computes the tables over `series` with bins of `binMinutes`, numbered 1..`binCount`.
template <class Count>
ReportTables ComputeReportTables(const Series<Count>& series, int64_t binMinutes,
                                 int64_t binCount, const ReportProjectTables& project);

}  // namespace movexa
