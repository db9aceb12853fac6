// Temperature, channel sums, well values and group statistics of a report.
#include "reports/report_tables.h"

#include <algorithm>
#include <cmath>

#include "base/rounding.h"
#include "reports/report_math.h"

namespace movexa {

int64_t ReportBinOf(int64_t minutes, int64_t binMinutes) {
  if (minutes <= binMinutes) return 1;
  return (minutes + binMinutes - 1) / binMinutes;
}

template <class Count>
ReportTables ComputeReportTables(const Series<Count>& series, int64_t binMinutes,
                                 int64_t binCount, const ReportProjectTables& project) {
  ReportTables t;
  t.binCount = binCount;
  t.wellCount = project.largestWell + 1;
  const size_t slots = static_cast<size_t>(binCount) + 1;
  t.temperature.assign(slots, 0);
  t.recordsPerBin.assign(slots, 0);
  t.binPresent.assign(slots, 0);
  t.channelSums.assign(slots * kChannelCount, 0);
  t.wellValues.assign(slots * static_cast<size_t>(t.wellCount), 0);

  std::vector<int64_t> temperatureSum(slots, 0);
  std::vector<int64_t> temperatureCount(slots, 0);
  const bool singleBeam = project.largestPosition <= 0;
  const int positions = project.largestPosition + 1;

  for (size_t k = 0; k < series.size(); ++k) {
    const int64_t bin = ReportBinOf(series.times[k], binMinutes);
    if (bin > binCount) continue;
    const size_t b = static_cast<size_t>(bin);
    // Temperatures from 1.0 to 50.0 degrees count; anything else is a failed reading.
    const int32_t temp = series.temperature[k];
    if (temp >= 10 && temp <= 500) {
      temperatureSum[b] += temp;
      temperatureCount[b] += 1;
    }
    const Count* counts = series.Record(k);
    int64_t* sums = &t.channelSums[b * kChannelCount];
    for (int c = 0; c < kChannelCount; ++c) sums[c] += counts[c];
    t.binPresent[b] = 1;
    t.recordsPerBin[b] += 1;

    int64_t* wells = &t.wellValues[b * static_cast<size_t>(t.wellCount)];
    for (int w = 0; w < t.wellCount; ++w) {
      if (singleBeam) {
        int ch = project.ChannelAt(w, 0);
        if (ch >= 0) wells[w] += counts[ch];
        continue;
      }
      // Several beams per well: the record's well value is the mean of its beams, and the
      // bin's value the rounded sum of that mean and what the bin held before.
      int64_t sum = 0;
      int64_t beams = 0;
      for (int p = 0; p < positions; ++p) {
        int ch = project.ChannelAt(w, p);
        if (ch < 0) continue;
        sum += counts[ch];
        ++beams;
      }
      if (beams > 0) wells[w] = RoundHalfEvenDiv(sum + wells[w] * beams, beams);
    }
  }
  for (size_t b = 1; b < slots; ++b) {
    if (temperatureCount[b] > 0) t.temperature[b] = RoundHalfEvenDiv(temperatureSum[b], temperatureCount[b]);
  }

  // Groups 0..G, G the largest group of channels 0..383; a group's wells are the wells whose
  // beam-0 channel belongs to it.
  int largestGroup = -1;
  for (int c = 0; c < kChannelCount; ++c) largestGroup = std::max<int>(largestGroup, project.channelGroup[c]);
  t.groupCount = largestGroup + 1;
  t.groupMean.assign(static_cast<size_t>(t.groupCount) * slots, 0);
  t.groupDeviation.assign(static_cast<size_t>(t.groupCount) * slots, 0);
  t.groupSize.assign(static_cast<size_t>(t.groupCount), 0);
  std::vector<std::vector<int>> groupWells(static_cast<size_t>(t.groupCount));
  for (int w = 0; w < t.wellCount; ++w) {
    int ch = project.ChannelAt(w, 0);
    if (ch < 0 || project.channelGroup[ch] < 0) continue;
    groupWells[static_cast<size_t>(project.channelGroup[ch])].push_back(w);
  }
  for (int g = 0; g < t.groupCount; ++g) {
    const auto& wells = groupWells[static_cast<size_t>(g)];
    const int64_t m = static_cast<int64_t>(wells.size());
    t.groupSize[static_cast<size_t>(g)] = m;
    if (m == 0) continue;
    for (int64_t bin = 1; bin <= binCount; ++bin) {
      int64_t s = 0;
      for (int w : wells) s += t.WellValue(bin, w);
      const int64_t mean = RoundHalfEvenDiv(s, m);
      const size_t cell = static_cast<size_t>(g) * slots + static_cast<size_t>(bin);
      t.groupMean[cell] = mean;
      if (m > 1) {
        ReportWide ss = 0;
        for (int w : wells) {
          ReportWide d = t.WellValue(bin, w) - mean;
          ss += d * d;
        }
        const long double variance = static_cast<long double>(ss) / static_cast<long double>(m - 1);
        t.groupDeviation[cell] = RoundHalfEven(static_cast<double>(std::sqrt(variance)));
      }
    }
  }
  return t;
}

template ReportTables ComputeReportTables<int16_t>(const Series<int16_t>&, int64_t, int64_t,
                                                   const ReportProjectTables&);
template ReportTables ComputeReportTables<int64_t>(const Series<int64_t>&, int64_t, int64_t,
                                                   const ReportProjectTables&);

}  // namespace movexa
