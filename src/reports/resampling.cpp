// Regular (spreading) and irregular (whole-record) resampling with the last-bin rule.
//
// The spreading walks two clocks in steps of 0.02 minute: record k is current until its clock
// reaches R = T/N minutes, bin b until its clock reaches B. Both clocks are kept as whole
// numbers of steps, so the comparisons are exact; and since the walk is the same for every
// channel it is reduced once to runs of (record, bin, steps), after which each channel's bin
// sum is an exact fraction: sum(counts[k] * steps) * N / (50 * T).
#include "reports/resampling.h"

#include <algorithm>

#include "base/rounding.h"
#include "reports/report_math.h"

namespace movexa {

namespace {

constexpr int64_t kStepsPerMinute = 50;  // one step = 0.02 minute

struct Run {
  size_t record;
  int64_t bin;
  int64_t steps;
};

// Runs of the spreading walk. Record 0 is current for steps 0..p, record k >= 1 for steps
// kp+1 .. kp+p, where p is the first whole step count with p * 0.02 >= R; bins likewise with
// q = 50 * B. The walk goes on while k < N and b <= lastBin.
std::vector<Run> SpreadingRuns(int64_t records /*N*/, int64_t lastTime, int64_t bin,
                               int64_t lastBin) {
  const int64_t p = (kStepsPerMinute * lastTime + records - 1) / records;  // ceil(50T / N)
  const int64_t q = kStepsPerMinute * bin;
  auto recordStart = [&](int64_t k) { return k == 0 ? 0 : k * p + 1; };
  auto recordEnd = [&](int64_t k) { return k * p + p; };
  auto binStart = [&](int64_t j) { return j == 0 ? 0 : j * q + 1; };
  auto binEnd = [&](int64_t j) { return j * q + q; };
  const int64_t lastStep = std::min(recordEnd(records - 1), binEnd(lastBin));

  std::vector<Run> runs;
  int64_t k = 0;
  int64_t j = 0;
  while (k < records && j <= lastBin) {
    int64_t from = std::max(recordStart(k), binStart(j));
    int64_t to = std::min({recordEnd(k), binEnd(j), lastStep});
    if (from > lastStep) break;
    if (to >= from) runs.push_back({static_cast<size_t>(k), j, to - from + 1});
    if (recordEnd(k) <= binEnd(j)) {
      ++k;
    } else {
      ++j;
    }
  }
  return runs;
}

}  // namespace

ResampleResult Resample(const LoadedCounts& loaded, int64_t binMinutes) {
  ResampleResult out;
  if (loaded.size() < 2) {
    out.fault = ResampleFault::kTooFewRecords;
    out.error = "fewer than two records";
    return out;
  }
  const int64_t n = static_cast<int64_t>(loaded.size()) - 1;  // N: index of the last record
  const int64_t lastTime = *std::max_element(loaded.times.begin(), loaded.times.end());
  if (lastTime < 1 || lastTime > kMaxReportMinutes) {
    out.fault = lastTime == 0 ? ResampleFault::kShorterThanOneMinute : ResampleFault::kDamagedTime;
    out.error = "last time " + std::to_string(lastTime) + " min";
    return out;
  }
  if (binMinutes < 1) {
    out.fault = ResampleFault::kBinBelowOneMinute;
    out.error = "bin below one minute";
    return out;
  }
  const int64_t bins = RoundHalfEvenDiv(lastTime, binMinutes);  // M = round(T / B)
  if (bins > kMaxReportBins) {
    out.fault = ResampleFault::kTooManyBins;
    out.error = std::to_string(bins) + " bins";
    return out;
  }

  // Interval check: a step more than twice the one before it (neither being 0) is a pause.
  int64_t previousStep = loaded.times[1] - loaded.times[0];
  for (int64_t k = 1; k <= n; ++k) {
    if (loaded.times[k] < loaded.times[k - 1]) continue;
    int64_t step = loaded.times[k] - loaded.times[k - 1];
    if (step > 2 * previousStep && step != 0 && previousStep != 0) out.irregular = true;
    previousStep = step;
  }

  // Sums per bin 0..M (bin M collects what lies past the last whole bin) and channel.
  const size_t slots = static_cast<size_t>(bins) + 1;
  std::vector<ReportWide> sums(slots * kChannelCount, 0);
  std::vector<int32_t> binTemperature(slots, 0);
  ReportWide denominator = 1;
  if (!out.irregular) {
    for (const Run& run : SpreadingRuns(n, lastTime, binMinutes, bins)) {
      const int16_t* counts = loaded.Record(run.record);
      ReportWide* sum = &sums[static_cast<size_t>(run.bin) * kChannelCount];
      for (int c = 0; c < kChannelCount; ++c) sum[c] += static_cast<ReportWide>(counts[c]) * run.steps;
      if (loaded.temperature[run.record] >= 1) binTemperature[run.bin] = loaded.temperature[run.record];
    }
    // Each step adds counts / (R * 50) = counts * N / (50 * T).
    for (auto& s : sums) s *= n;
    denominator = kStepsPerMinute * static_cast<ReportWide>(lastTime);
  } else {
    int64_t b = 0;
    for (int64_t k = 0; k <= n && b <= bins; ++k) {
      const int16_t* counts = loaded.Record(static_cast<size_t>(k));
      ReportWide* sum = &sums[static_cast<size_t>(b) * kChannelCount];
      for (int c = 0; c < kChannelCount; ++c) sum[c] += counts[c];
      if (loaded.temperature[k] >= 1) binTemperature[b] = loaded.temperature[k];
      if (Int(static_cast<double>(loaded.times[k]) / static_cast<double>(binMinutes)) > b) ++b;
    }
  }

  // Last bin: covered = (T mod B) / B. From 75 % on the last bin is scaled by
  // (100 - covered) / 100 + 1 and kept; below that a partial bin is dropped.
  const int64_t rest = lastTime % binMinutes;
  int64_t finalTime = lastTime;
  bool scaleLast = false;
  if (rest > 0 && 4 * rest >= 3 * binMinutes) {
    scaleLast = true;
    finalTime = bins * binMinutes;
  } else if (rest > 0) {
    finalTime = (lastTime / binMinutes) * binMinutes;
  }
  const int64_t kept = finalTime / binMinutes;  // last bin index + 1
  if (kept < 1) {
    out.fault = ResampleFault::kNoWholeBin;
    out.lastTime = lastTime;
    out.error = "no whole bin of " + std::to_string(binMinutes) + " min in " +
                std::to_string(lastTime) + " min";
    return out;
  }

  out.bins.Resize(static_cast<size_t>(kept));
  for (int64_t i = 0; i < kept; ++i) {
    out.bins.times[i] = binMinutes * (i + 1);
    out.bins.temperature[i] = binTemperature[i];
    const ReportWide* sum = &sums[static_cast<size_t>(i) * kChannelCount];
    int64_t* value = out.bins.Record(static_cast<size_t>(i));
    for (int c = 0; c < kChannelCount; ++c) {
      ReportWide v = RoundRatio(sum[c], denominator);
      if (scaleLast && i == bins - 1) v = RoundRatio(v * (2 * binMinutes - rest), binMinutes);
      value[c] = static_cast<int64_t>(v);
    }
  }
  out.lastTime = finalTime;
  out.ok = true;
  return out;
}

std::string ResamplingAdvice(const ResampleResult& result, int64_t binMinutes, size_t records) {
  const std::string bin = std::to_string(binMinutes) + " min";
  switch (result.fault) {
    case ResampleFault::kNone:
      break;
    case ResampleFault::kTooFewRecords:
      return (records == 0 ? std::string("counts.bin holds no whole bin of the run.")
                           : "counts.bin holds " + std::to_string(records) +
                                 " bin of the run: a report needs at least two.") +
             "\r\nReport the acquisition after a longer run, or join it with the runs before "
             "and after it.";
    case ResampleFault::kShorterThanOneMinute:
      return "The run is shorter than one minute: every bin of it carries minute 0, and a "
             "report counts whole minutes.\r\nReport the acquisition after a run of a few "
             "minutes at least.";
    case ResampleFault::kBinBelowOneMinute:
      return "The report bin is below one minute.\r\nChoose a bin of one minute or more.";
    case ResampleFault::kDamagedTime:
      return "counts.bin holds a time (" + result.error +
             ") that no run reaches: the file is damaged.\r\nRestore the acquisition's counts "
             "from a copy, or re-count them from the raw data (Analyze Raw Data).";
    case ResampleFault::kTooManyBins:
      return "A bin of " + bin + " would cut the acquisition into " + result.error +
             ".\r\nChoose a larger bin.";
    case ResampleFault::kNoWholeBin:
      return "The run is shorter than one report bin of " + bin + " (" +
             std::to_string(result.lastTime) +
             " min recorded).\r\nChoose a smaller bin, or report the acquisition after a longer "
             "run.";
  }
  return result.error;
}

}  // namespace movexa
