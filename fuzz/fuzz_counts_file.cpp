// Fuzz target: "counts.bin" bytes through every reader (whole records, the day-wrap rule, the
// report loader), then the report's resampling and tables and the circadian export's bin and
// tables, with the bin taken from the first byte.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/rounding.h"
#include "reports/circadian.h"
#include "reports/counts_series.h"
#include "reports/report_generation.h"
#include "reports/report_tables.h"
#include "reports/resampling.h"

namespace {

// A small plate: wells of one or two beams, a few groups, channels without a well.
movexa::ReportProjectTables Plate() {
  movexa::ReportProjectTables t;
  t.rows = 2;
  t.columns = 3;
  t.channelWell.fill(-1);
  t.channelPosition.fill(-1);
  t.channelGroup.fill(-1);
  for (int c = 0; c < 12; ++c) {
    t.channelWell[c] = static_cast<int16_t>(c / 2);
    t.channelPosition[c] = static_cast<int16_t>(c % 2);
    t.channelGroup[c] = static_cast<int16_t>(c % 3);
  }
  t.BuildWellTable();
  return t;
}

// Bins the fuzzer lets through: the report takes up to kMaxReportBins, but tables that large
// cost hundreds of megabytes per input and only slow the search down.
constexpr int64_t kFuzzMaxBins = 4000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const movexa::ReportProjectTables plate = Plate();
  const int64_t bin = data[0];
  std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  bytes.resize(bytes.size() - bytes.size() % movexa::kCountsRecordBytes);  // as ReadCountsFile
  const int64_t last = movexa::LastAdjustedTime(bytes);
  const movexa::LoadedCounts all = movexa::LoadAllCounts(bytes);
  const movexa::LoadedCounts report = movexa::LoadCountsForReport(bytes);
  if (report.size() > all.size()) __builtin_trap();

  // The report: bin choice, resampling, tables.
  const movexa::BinChoice reportBin = movexa::ChooseReportBin(std::to_string(bin), last);
  if (reportBin.ok && reportBin.minutes >= 1 && report.size() >= 2) {
    const int64_t t = *std::max_element(report.times.begin(), report.times.end());
    if (t >= 1 && movexa::RoundHalfEvenDiv(t, reportBin.minutes) <= kFuzzMaxBins) {
      movexa::ResampleResult r = movexa::Resample(report, reportBin.minutes);
      if (r.ok) {
        const int64_t bins = std::max<int64_t>(1, movexa::RoundHalfEvenDiv(r.lastTime, reportBin.minutes));
        (void)movexa::ComputeReportTables(r.bins, reportBin.minutes, bins, plate);
      }
    }
  }

  // The circadian export: the same checks as ExportCircadian before its tables.
  if (!all.times.empty()) {
    const int64_t t = std::max(movexa::LargestRawTime(bytes), all.times.back());
    if (t >= 1 && t <= movexa::kMaxReportMinutes) {
      const movexa::BinChoice b = movexa::ChooseCircadianBin(std::to_string(bin), t);
      if (!b.ok || b.minutes < 1) __builtin_trap();  // a last time of 1 minute or more always has a bin
      const int64_t bins = std::max<int64_t>(1, movexa::RoundHalfEvenDiv(t, b.minutes));
      if (bins <= kFuzzMaxBins) (void)movexa::ComputeReportTables(all, b.minutes, bins, plate);
    }
  }
  return 0;
}
