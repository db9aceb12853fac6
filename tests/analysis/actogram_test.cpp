// Double-plotted actograms: row layout, heights, the modulo period, missing bins, group means
// and the series that cannot make an actogram.
#include "analysis/actogram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace movexa {
namespace {

struct Series {
  std::vector<int64_t> times;
  std::vector<double> values;
  int64_t bin = 1;
  BinnedSeries View() const { return {times, values, bin}; }
};

Series Evenly(std::vector<double> values, int64_t bin, int64_t start = 0) {
  Series s;
  s.bin = bin;
  s.values = std::move(values);
  for (size_t i = 0; i < s.values.size(); ++i)
    s.times.push_back(start + static_cast<int64_t>(i) * bin);
  return s;
}

std::vector<std::optional<double>> Row(const Actogram& a, int64_t row, bool heights = false) {
  std::vector<std::optional<double>> cells;
  for (int64_t c = 0; c < a.Columns(); ++c)
    cells.push_back(heights ? a.Height(row, c) : a.Value(row, c));
  return cells;
}

using Cells = std::vector<std::optional<double>>;

TEST(Actogram, ThreeDaysOfSixHourBinsMakeThreeRowsTheLastWithAnEmptyRightHalf) {
  const Series s = Evenly({0, 2, 4, 8, 1, 3, 5, 7, 8, 0, 0, 0}, 360);
  const Actogram a = BuildActogram(s.View(), {});
  ASSERT_EQ(a.status, ActogramStatus::kDrawn) << a.note;
  EXPECT_EQ(a.Rows(), 3);
  EXPECT_EQ(a.Columns(), 8);
  EXPECT_EQ(Row(a, 0), (Cells{0, 2, 4, 8, 1, 3, 5, 7}));
  EXPECT_EQ(Row(a, 1), (Cells{1, 3, 5, 7, 8, 0, 0, 0}));
  const std::optional<double> none;
  EXPECT_EQ(Row(a, 2), (Cells{8, 0, 0, 0, none, none, none, none}));
  EXPECT_EQ(a.maxValue, 8);
  EXPECT_EQ(Row(a, 0, true), (Cells{0, .25, .5, 1, .125, .375, .625, .875}));
  EXPECT_NE(a.note.find("3 days as 3 rows"), std::string::npos) << a.note;
  EXPECT_NE(a.note.find("right half of the last row is empty"), std::string::npos) << a.note;
}

TEST(Actogram, RightHalfOfEachRowIsTheLeftHalfOfTheNextWithMissingBinsLeftEmpty) {
  // Five and a half days of 30-minute bins with a gap of three bins and a partial last day.
  Series s;
  s.bin = 30;
  for (int64_t k = 0; k < 48 * 5 + 20; ++k) {
    if (k >= 100 && k < 103) continue;
    s.times.push_back(k * 30);
    s.values.push_back(static_cast<double>((k * 7) % 11));
  }
  const Actogram a = BuildActogram(s.View(), {});
  ASSERT_EQ(a.status, ActogramStatus::kDrawn) << a.note;
  ASSERT_EQ(a.Rows(), 6);
  for (int64_t r = 0; r + 1 < a.Rows(); ++r) {
    for (int64_t c = 0; c < a.periodBins; ++c) {
      EXPECT_EQ(a.Value(r, a.periodBins + c), a.Value(r + 1, c)) << r << "," << c;
      EXPECT_EQ(a.Height(r, a.periodBins + c), a.Height(r + 1, c)) << r << "," << c;
    }
  }
  // The missing bins 100..102 (day 2, bins 4..6) are empty, never 0; their neighbours are not.
  EXPECT_FALSE(a.Value(2, 4).has_value());
  EXPECT_FALSE(a.Value(1, 48 + 6).has_value());
  EXPECT_EQ(a.Value(2, 3), 0.0);  // bin 99: 693 mod 11
  EXPECT_EQ(a.Value(2, 7), 6.0);  // bin 103: 721 mod 11
  // The partial last day: bins 240..259 measured, the rest of the day empty.
  EXPECT_EQ(a.Value(5, 19), static_cast<double>((259 * 7) % 11));
  EXPECT_FALSE(a.Value(5, 20).has_value());
  EXPECT_FALSE(a.Value(5, 48).has_value());
}

TEST(Actogram, ModuloPeriodPlotsAFreeRunningAnimalOnItsOwnPeriod) {
  // A 25-hour rhythm in 1-hour bins: one burst at hour 3 of each 25-hour cycle.
  std::vector<double> v(25 * 4, 0.0);
  for (int c = 0; c < 4; ++c) v[c * 25 + 3] = 10;
  const Series s = Evenly(v, 60);
  const Actogram day = BuildActogram(s.View(), {24.0, 0});
  const Actogram own = BuildActogram(s.View(), {25.0, 0});
  ASSERT_EQ(own.status, ActogramStatus::kDrawn);
  EXPECT_EQ(own.periodBins, 25);
  EXPECT_EQ(own.Rows(), 4);
  for (int64_t r = 0; r < 4; ++r) EXPECT_EQ(own.Value(r, 3), 10.0) << r;  // a straight column
  // On 24 hours the burst drifts one bin later each day.
  EXPECT_EQ(day.Rows(), 5);
  for (int64_t r = 0; r < 4; ++r) EXPECT_EQ(day.Value(r, 3 + r), 10.0) << r;
  // A period that is not a whole number of bins is taken as the nearest whole number of bins.
  EXPECT_EQ(BuildActogram(s.View(), {24.4, 0}).periodBins, 24);
  EXPECT_EQ(BuildActogram(s.View(), {24.6, 0}).PeriodMinutes(), 25 * 60);
}

TEST(Actogram, OriginShiftsTheDaysAndEmptiesTheCellsBeforeTheFirstBin) {
  // Run started at 09:00 and days drawn from midnight: the first nine hours are empty.
  const Series s = Evenly(std::vector<double>(30, 1.0), 60, 9 * 60);
  const Actogram a = BuildActogram(s.View(), {24.0, 0});
  ASSERT_EQ(a.status, ActogramStatus::kDrawn) << a.note;
  EXPECT_FALSE(a.Value(0, 8).has_value());
  EXPECT_EQ(a.Value(0, 9), 1.0);
  EXPECT_EQ(a.Rows(), 2);  // hours 9..38 end on the second day
}

TEST(Actogram, AllZeroWellHasZeroHeightsNotNaN) {
  const Series s = Evenly(std::vector<double>(96, 0.0), 30);
  const Actogram a = BuildActogram(s.View(), {});
  ASSERT_EQ(a.status, ActogramStatus::kDrawn);
  EXPECT_EQ(a.maxValue, 0);
  for (int64_t c = 0; c < a.Columns(); ++c) EXPECT_EQ(a.Height(0, c), 0.0);
}

TEST(Actogram, SeriesThatCannotMakeAnActogramAreRefusedWithTheReason) {
  Series dup = Evenly({1, 2, 3}, 30);
  dup.times[2] = dup.times[1];
  Series offGrid = Evenly({1, 2, 3}, 30);
  offGrid.times[2] = 75;
  Series huge = Evenly({1, 2}, 1);
  huge.times[1] = int64_t{1} << 40;
  const Series ok = Evenly({1, 2, 3}, 30, 60);
  struct Case {
    BinnedSeries series;
    ActogramOptions options;
    const char* reason;
  } cases[] = {
      {dup.View(), {}, "duplicated"},
      {offGrid.View(), {}, "off the bin grid"},
      {huge.View(), {}, "too many"},
      {ok.View(), {24.0, 120}, "before the first day"},
      {ok.View(), {0.2, 0}, "shorter than one bin"},
      {ok.View(), {-1.0, 0}, "not a positive"},
      {ok.View(), {std::nan(""), 0}, "not a positive"},
      {{ok.times, {}, 30}, {}, "differ in number"},
      {{{}, {}, 30}, {}, "no measured bins"},
      {{ok.times, ok.values, 0}, {}, "bin length"},
  };
  for (const auto& c : cases) {
    const Actogram a = BuildActogram(c.series, c.options);
    EXPECT_EQ(a.status, ActogramStatus::kRefused) << c.reason;
    EXPECT_NE(a.note.find(c.reason), std::string::npos) << a.note;
    EXPECT_TRUE(a.cells.empty());
  }
}

}  // namespace
}  // namespace movexa
