// Resampling of loaded records into report bins, and the bin choice of generation.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "base/rounding.h"
#include "report_fixture.h"
#include "reports/counts_series.h"
#include "reports/report_generation.h"
#include "reports/report_math.h"
#include "reports/resampling.h"

namespace movexa {
namespace {

LoadedCounts Series(const std::vector<int64_t>& times, const std::function<int16_t(int, size_t)>& count,
                    int32_t temperature = 250) {
  LoadedCounts s;
  s.Resize(times.size());
  for (size_t k = 0; k < times.size(); ++k) {
    s.times[k] = times[k];
    s.temperature[k] = temperature;
    for (int c = 0; c < kChannelCount; ++c) s.Record(k)[c] = count(c, k);
  }
  return s;
}

std::vector<int64_t> Minutes(int n, int step) {
  std::vector<int64_t> t;
  for (int k = 0; k < n; ++k) t.push_back(static_cast<int64_t>(k) * step);
  return t;
}

// The spreading exactly as the operator's manual words it: two clocks advanced in 0.02-minute
// steps (kept as whole steps), one add of counts / (R * 50) per step. Returns the bin values.
std::vector<int64_t> WalkSpreading(const LoadedCounts& s, int64_t bin, int channel) {
  const int64_t n = static_cast<int64_t>(s.size()) - 1;
  const int64_t last = s.times[n];
  const int64_t bins = RoundHalfEvenDiv(last, bin);
  std::map<int64_t, ReportWide> sums;
  int64_t k = 0, b = 0, tr = 0, tb = 0;
  while (b <= bins && k < n) {
    sums[b] += s.Record(static_cast<size_t>(k))[channel];
    if (tr * n >= 50 * last) { ++k; tr = 0; }
    if (tb >= 50 * bin) { ++b; tb = 0; }
    ++tr;
    ++tb;
  }
  std::vector<int64_t> out;
  for (int64_t i = 0; i < bins; ++i) out.push_back(static_cast<int64_t>(RoundRatio(sums[i] * n, 50 * last)));
  return out;
}

TEST(ReportResampling, SpreadingRunsMatchTheStepByStepWalk) {
  // Record intervals that do not divide the bin (R = 97/40 min) and uneven counts.
  std::vector<int64_t> times;
  for (int k = 0; k <= 40; ++k) times.push_back(k * 97 / 40);
  auto s = Series(times, [](int c, size_t k) { return static_cast<int16_t>((c * 13 + k * 7) % 23); });
  for (int64_t bin : {5, 7, 30}) {
    ResampleResult r = Resample(s, bin);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_FALSE(r.irregular);
    for (int c : {0, 5, 383}) {
      auto expected = WalkSpreading(s, bin, c);
      for (size_t i = 0; i < r.bins.size(); ++i) {
        int64_t want = expected[i];
        if (i + 1 == r.bins.size() && r.lastTime != s.times.back() && s.times.back() % bin != 0 &&
            4 * (s.times.back() % bin) >= 3 * bin) {
          want = RoundHalfEvenDiv(want * (2 * bin - s.times.back() % bin), bin);
        }
        EXPECT_EQ(r.bins.Record(i)[c], want) << "bin " << bin << " channel " << c << " index " << i;
      }
    }
  }
}

TEST(ReportResampling, OneRecordPerMinuteKeepsItsCountsAndTimes) {
  // 91 records 0..90, each channel counting 2 per record: 30-minute bins hold about 60 counts,
  // the first bin one step of record 0 more (the walk checks before it advances).
  auto s = Series(Minutes(91, 1), [](int, size_t) { return int16_t{2}; });
  ResampleResult r = Resample(s, 30);
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.bins.size(), 3u);
  EXPECT_EQ(r.lastTime, 90);
  EXPECT_EQ(r.bins.times, (std::vector<int64_t>{30, 60, 90}));
  EXPECT_EQ(r.bins.Record(0)[7], 60);
  EXPECT_EQ(r.bins.Record(1)[7], 60);
  EXPECT_EQ(r.bins.Record(2)[7], 60);
  EXPECT_EQ(r.bins.temperature, (std::vector<int32_t>{250, 250, 250}));
}

TEST(ReportResampling, PartialLastBinAbove75PercentIsScaledAndBelowIsDropped) {
  // T = 84 with bin 30: the last bin covers 80 % and is multiplied by 1.2.
  auto s84 = Series(Minutes(85, 1), [](int, size_t) { return int16_t{1}; });
  ResampleResult r = Resample(s84, 30);
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.bins.size(), 3u);
  EXPECT_EQ(r.lastTime, 90);
  const int64_t unscaled = WalkSpreading(s84, 30, 0)[2];
  EXPECT_EQ(r.bins.Record(2)[0], RoundHalfEvenDiv(unscaled * 12, 10));
  // T = 75: 50 % covered, the partial bin is dropped.
  ResampleResult dropped = Resample(Series(Minutes(76, 1), [](int, size_t) { return int16_t{1}; }), 30);
  ASSERT_TRUE(dropped.ok);
  EXPECT_EQ(dropped.bins.size(), 2u);
  EXPECT_EQ(dropped.lastTime, 60);
}

TEST(ReportResampling, PauseLongerThanTwiceTheIntervalResamplesWholeRecords) {
  // Records every minute to 40, a 5-minute pause, then every minute to 90.
  std::vector<int64_t> times = Minutes(41, 1);
  for (int64_t t = 45; t <= 90; ++t) times.push_back(t);
  auto s = Series(times, [](int, size_t k) { return static_cast<int16_t>(k); });
  ResampleResult r = Resample(s, 30);
  ASSERT_TRUE(r.ok);
  EXPECT_TRUE(r.irregular);
  // Whole records: bin 0 takes records 0..30 (the bin advances after the record at minute 30).
  int64_t first = 0;
  for (int k = 0; k <= 30; ++k) first += k;
  EXPECT_EQ(r.bins.Record(0)[3], first);
  int64_t all = 0;
  for (size_t k = 0; k < times.size(); ++k) all += static_cast<int64_t>(k);
  EXPECT_EQ(r.bins.Record(0)[3] + r.bins.Record(1)[3] + r.bins.Record(2)[3], all);
}

TEST(ReportResampling, ImpossibleInputsFailWithTheirReasonInsteadOfDividingByZero) {
  auto ones = [](int, size_t) { return int16_t{1}; };
  auto fault = [](const ResampleResult& r) {
    EXPECT_FALSE(r.ok);
    return r.fault;
  };
  // A single record has no second time for the interval check.
  EXPECT_EQ(fault(Resample(Series({5}, ones), 30)), ResampleFault::kTooFewRecords);
  // Every record at minute 0: a run stopped within its first minute.
  EXPECT_EQ(fault(Resample(Series({0, 0, 0}, ones), 30)), ResampleFault::kShorterThanOneMinute);
  EXPECT_EQ(fault(Resample(Series({0, 0, 0}, ones), 0)), ResampleFault::kShorterThanOneMinute);
  EXPECT_EQ(fault(Resample(Series({-5, -1}, ones), 30)), ResampleFault::kDamagedTime);
  // A bin of 0 minutes.
  EXPECT_EQ(fault(Resample(Series(Minutes(10, 1), ones), 0)), ResampleFault::kBinBelowOneMinute);
  // Shorter than the bin: no whole bin remains.
  ResampleResult shorter = Resample(Series(Minutes(21, 1), ones), 30);
  EXPECT_EQ(fault(shorter), ResampleFault::kNoWholeBin);
  EXPECT_EQ(ResamplingAdvice(shorter, 30, 21),
            "The run is shorter than one report bin of 30 min (20 min recorded).\r\n"
            "Choose a smaller bin, or report the acquisition after a longer run.");
  // A corrupt time far in the future asks for too many bins.
  ResampleResult far = Resample(Series({0, 1, 2000000000}, ones), 1);
  EXPECT_EQ(fault(far), ResampleFault::kDamagedTime);
  EXPECT_EQ(fault(Resample(Series({0, 1, 900000}, ones), 1)), ResampleFault::kTooManyBins);
  // Every reason says why and what to do, on two lines.
  for (const ResampleResult& r : {shorter, far, Resample(Series({5}, ones), 30)}) {
    const std::string advice = ResamplingAdvice(r, 30, 1);
    EXPECT_EQ(std::count(advice.begin(), advice.end(), '\n'), 1) << advice;
  }
}

TEST(ReportResampling, ValidTemperatureOfTheBinIsTheLastOneAtLeastOne) {
  auto s = Series(Minutes(61, 1), [](int, size_t) { return int16_t{0}; });
  for (size_t k = 0; k < s.size(); ++k) s.temperature[k] = static_cast<int32_t>(k < 20 ? 200 + k : 0);
  ResampleResult r = Resample(s, 30);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.bins.temperature[0], 219);  // record 20 onward read 0: they do not overwrite
  EXPECT_EQ(r.bins.temperature[1], 0);
}

TEST(ReportBinChoice, ShortAcquisitionsShrinkTheBin) {
  EXPECT_EQ(ChooseReportBin("60", 20).minutes, 20);
  EXPECT_EQ(ChooseReportBin("60", 50).minutes, 45);
  EXPECT_EQ(ChooseReportBin("30", 500).minutes, 30);
  EXPECT_EQ(ChooseReportBin("0", 500).minutes, 1);
  EXPECT_EQ(ChooseReportBin("29,6", 500).minutes, 30);
  EXPECT_EQ(ChooseReportBin("60", 0).minutes, 0);  // resampling then refuses the bin
  EXPECT_FALSE(ChooseReportBin("abc", 500).ok);
}

TEST(ReportCountsReaders, DayWrapAdjustsEveryReaderTheSameWay) {
  // Minutes of the day: 1380, 1410, 1439, then 9, 39 after midnight (a drop of 1430).
  std::string bytes;
  std::vector<int32_t> raw = {1380, 1410, 1439, 9, 39};
  for (int32_t t : raw) {
    CountsRecord r;
    r.minutes = t;
    EncodeCountsRecord(r, bytes);
  }
  EXPECT_EQ(LastAdjustedTime(bytes), 1479);
  EXPECT_EQ(LargestRawTime(bytes), 1439);
  LoadedCounts loaded = LoadCountsForReport(bytes);
  EXPECT_EQ(loaded.times, (std::vector<int64_t>{1380, 1410, 1439, 1449, 1479}));
  EXPECT_EQ(LoadAllCounts(bytes).times, loaded.times);
}

TEST(ReportCountsReaders, TrailingRecordsThatStepBackAreNotLoaded) {
  // A second run appended to the same folder restarts at minute 0.
  std::string bytes;
  for (int32_t t : {0, 1, 2, 3, 0, 1}) {
    CountsRecord r;
    r.minutes = t;
    EncodeCountsRecord(r, bytes);
  }
  EXPECT_EQ(LoadCountsForReport(bytes).size(), 4u);
  EXPECT_EQ(LoadAllCounts(bytes).size(), 6u);
  EXPECT_EQ(ShapeOfCounts(bytes.substr(0, bytes.size() - 1)).fault, CountsFault::kNotWholeRecords);
}

}  // namespace
}  // namespace movexa
