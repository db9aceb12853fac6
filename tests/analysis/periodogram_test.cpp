// Periodogram definitions on hand-checked examples, significance lines, peak picking and the
// series from which no period can be estimated.
#include "analysis/periodogram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "analysis/distributions.h"

namespace movexa {
namespace {

std::vector<int64_t> Times(size_t n, int64_t bin) {
  std::vector<int64_t> t(n);
  for (size_t i = 0; i < n; ++i) t[i] = static_cast<int64_t>(i) * bin;
  return t;
}

PeriodogramOptions Options(PeriodogramMethod method, double minHours, double maxHours) {
  PeriodogramOptions o;
  o.method = method;
  o.minPeriodHours = minHours;
  o.maxPeriodHours = maxHours;
  return o;
}

// 12 h at 10 then 12 h at 0, four days of 1-hour bins.
std::vector<double> SquareDays() {
  std::vector<double> v;
  for (int h = 0; h < 96; ++h) v.push_back(h % 24 < 12 ? 10 : 0);
  return v;
}

TEST(ChiSquarePeriodogram, QpOfTheAlternatingSeriesInBothVariants) {
  const std::vector<double> x = {4, 0, 4, 0, 4, 0};
  for (auto variant : {ChiSquareVariant::kAllData, ChiSquareVariant::kClassic}) {
    EXPECT_DOUBLE_EQ(ChiSquareQp(x, 2, variant), 6.0);
    EXPECT_DOUBLE_EQ(ChiSquareQp(x, 3, variant), 0.0);
  }
}

TEST(ChiSquarePeriodogram, AllDataUsesThePartialCycleAndClassicDropsIt) {
  // Seven values at P = 3: the all-data columns hold 3, 2 and 2 values, classic uses six.
  const std::vector<double> x = {6, 0, 0, 6, 0, 0, 9};
  // All data: M = 3, column means 7, 0, 0, K = 7/3, SS = 3*9 + 2*9 + ... computed by hand:
  // sum (M_h - M)^2 = 16 + 9 + 9 = 34; SS = 9+9+9+9+9+9+36 = 90; Qp = 7/3 * 7 * 34 / 90.
  EXPECT_NEAR(ChiSquareQp(x, 3, ChiSquareVariant::kAllData), 7.0 / 3 * 7 * 34 / 90, 1e-12);
  // Classic: the first six, M = 2, column means 6, 0, 0: sum = 16 + 4 + 4 = 24; SS = 2*16 + 4*4
  // = 48; Qp = 2 * 6 * 24 / 48 = 6 (the 9 of the partial cycle plays no part).
  EXPECT_NEAR(ChiSquareQp(x, 3, ChiSquareVariant::kClassic), 6.0, 1e-12);
}

TEST(ChiSquarePeriodogram, SignificanceLinesOfBothVariants) {
  const auto t = Times(96, 60);
  PeriodogramOptions o = Options(PeriodogramMethod::kChiSquare, 16, 32);
  const PeriodogramPlan all = PlanPeriodogram(o, t, 60);
  ASSERT_EQ(all.status, PeriodogramStatus::kAnalysed) << all.note;
  ASSERT_EQ(all.Periods(), 17u);  // 16..32 h in 1-hour steps
  EXPECT_NEAR(all.testAlpha, 1 - std::pow(0.99, 1.0 / 17), 1e-15);
  EXPECT_NEAR(all.threshold[0], ChiSquareCriticalValue(all.testAlpha, 16), 1e-12);
  EXPECT_NE(SignificanceText(all).find("Sidak over 17 periods"), std::string::npos);
  o.variant = ChiSquareVariant::kClassic;
  const PeriodogramPlan classic = PlanPeriodogram(o, t, 60);
  EXPECT_NEAR(classic.threshold[8], ChiSquareCriticalValue(0.01, 23), 1e-12);  // P = 24, df 23
  EXPECT_NEAR(classic.threshold[0], 30.5779141, 1e-6);  // chi2_0.99(15) from the table
}

TEST(ChiSquarePeriodogram, ClassicVariantFavoursADivisorOfTheRunWhereAllDataDoesNot) {
  // Four days of a 25-hour square rhythm in 1-hour bins.
  std::vector<double> v;
  for (int h = 0; h < 96; ++h) v.push_back(h % 25 < 12 ? 10 : 0);
  const auto t = Times(v.size(), 60);
  PeriodogramOptions o = Options(PeriodogramMethod::kChiSquare, 20, 30);
  o.variant = ChiSquareVariant::kClassic;
  const Periodogram classic = ComputePeriodogram(PlanPeriodogram(o, t, 60), v);
  o.variant = ChiSquareVariant::kAllData;
  const Periodogram all = ComputePeriodogram(PlanPeriodogram(o, t, 60), v);
  ASSERT_FALSE(classic.values.empty());
  ASSERT_FALSE(all.values.empty());
  auto best = [](const Periodogram& p) {
    return static_cast<int>(std::max_element(p.values.begin(), p.values.end()) - p.values.begin()) +
           20;
  };
  EXPECT_EQ(best(classic), 24);
  EXPECT_EQ(best(all), 25);
}

TEST(LombScarglePeriodogram, PowersOfTheEightPointExample) {
  const std::vector<double> x = {2, 1, 0, 1, 2, 1, 0, 1};
  const std::vector<double> t = {0, 1, 2, 3, 4, 5, 6, 7};
  EXPECT_NEAR(LombScarglePower(x, t, 4), 1.0, 1e-12);
  EXPECT_NEAR(LombScarglePower(x, t, 3), 17.0 / 84.0, 1e-12);
  EXPECT_NEAR(LombScarglePower(x, t, 5), 0.581345, 1e-6);
  // The same powers from the plan's folded sums (1-minute bins, periods 3 and 4 minutes).
  const auto ti = Times(8, 1);
  const PeriodogramPlan plan =
      PlanPeriodogram(Options(PeriodogramMethod::kLombScargle, 3 / 60.0, 4 / 60.0), ti, 1);
  ASSERT_EQ(plan.status, PeriodogramStatus::kAnalysed) << plan.note;
  const Periodogram p = ComputePeriodogram(plan, x);
  ASSERT_EQ(p.values.size(), 2u);
  EXPECT_NEAR(p.values[0], 17.0 / 84.0, 1e-12);
  EXPECT_NEAR(p.values[1], 1.0, 1e-12);
}

TEST(LombScarglePeriodogram, FoldedPowersEqualDirectSumsOnUnevenTimes) {
  // 6 days of 20-minute bins, a quarter of them missing at random, periods 16-32 h.
  std::mt19937 rng(7);
  std::vector<int64_t> t;
  std::vector<double> x, td;
  for (int64_t k = 0; k < 6 * 72; ++k) {
    if (rng() % 4 == 0) continue;
    t.push_back(k * 20);
    td.push_back(static_cast<double>(k * 20));
    x.push_back(static_cast<double>(rng() % 9) + (k % 70 < 35 ? 6 : 0));
  }
  const PeriodogramPlan plan =
      PlanPeriodogram(Options(PeriodogramMethod::kLombScargle, 16, 32), t, 20);
  ASSERT_EQ(plan.status, PeriodogramStatus::kAnalysed) << plan.note;
  EXPECT_FALSE(plan.evenGrid);
  EXPECT_NE(plan.note.find("missing bins"), std::string::npos);
  const Periodogram p = ComputePeriodogram(plan, x);
  for (size_t i = 0; i < plan.Periods(); ++i) {
    EXPECT_NEAR(p.values[i], LombScarglePower(x, td, static_cast<double>(plan.periodBins[i] * 20)),
                1e-10)
        << i;
  }
}

TEST(LombScarglePeriodogram, BaluevLineHasTheChosenFalseAlarmProbability) {
  const auto t = Times(30 * 48, 30);
  const PeriodogramPlan plan =
      PlanPeriodogram(Options(PeriodogramMethod::kLombScargle, 16, 32), t, 30);
  ASSERT_EQ(plan.status, PeriodogramStatus::kAnalysed);
  const double fmax = 1.0 / (16 * 60);
  const double z = plan.threshold.front();
  EXPECT_NEAR(BaluevFalseAlarm(z, plan.bins, fmax, plan.effectiveBaselineMinutes), 0.01, 1e-9);
  // The false-alarm probability falls as the power rises, from 1 to 0.
  EXPECT_EQ(BaluevFalseAlarm(0.0, plan.bins, fmax, 1e5), 1.0);
  EXPECT_EQ(BaluevFalseAlarm(1.0, plan.bins, fmax, 1e5), 0.0);
  EXPECT_GT(BaluevFalseAlarm(z / 2, plan.bins, fmax, plan.effectiveBaselineMinutes), 0.01);
  // Uniform times: Var(t) = (n^2 - 1) / 12 bins^2.
  const double n = 30 * 48;
  EXPECT_NEAR(plan.effectiveBaselineMinutes,
              std::sqrt(4 * std::numbers::pi * (n * n - 1) / 12) * 30, 1e-6);
}

TEST(AutocorrelationPeriodogram, HalfDaySquareWaveGivesTheHandValues) {
  const std::vector<double> v = SquareDays();
  EXPECT_DOUBLE_EQ(Autocorrelation(v, 24), 0.75);
  EXPECT_DOUBLE_EQ(Autocorrelation(v, 12), -0.875);
  const PeriodogramPlan plan =
      PlanPeriodogram(Options(PeriodogramMethod::kAutocorrelation, 12, 24), Times(96, 60), 60);
  ASSERT_EQ(plan.status, PeriodogramStatus::kAnalysed) << plan.note;
  EXPECT_NEAR(plan.threshold[0], 2.326347874040841 / std::sqrt(96.0), 1e-12);
  const Periodogram p = ComputePeriodogram(plan, v);
  EXPECT_DOUBLE_EQ(p.values.front(), -0.875);
  EXPECT_DOUBLE_EQ(p.values.back(), 0.75);
  // The 24-h lag is the last period tested: an edge is no peak.
  EXPECT_FALSE(p.Rhythmic());
}

// Days of a square rhythm with noise: active (mean 12) for the first half of each cycle,
// resting (mean 2) for the second; `missing` > 0 drops that many bins in a row every 500 bins.
struct Generated {
  std::vector<int64_t> times;
  std::vector<double> values;
};
Generated Rhythm(double periodHours, int days, int64_t bin, unsigned seed, int missing = 0) {
  Generated g;
  std::mt19937 rng(seed);
  const int64_t n = days * 1440 / bin;
  for (int64_t k = 0; k < n; ++k) {
    if (missing > 0 && k % 500 >= 250 && k % 500 < 250 + missing) continue;
    const double phase = std::fmod(static_cast<double>(k * bin) / (periodHours * 60.0), 1.0);
    g.times.push_back(k * bin);
    g.values.push_back((phase < 0.5 ? 12.0 : 2.0) + static_cast<double>(rng() % 9) - 4.0);
  }
  return g;
}

TEST(Periodograms, EachMethodFindsAKnownPeriodWithinOneBin) {
  const int64_t bin = 10;
  for (double period : {25.0, 23.5}) {
    const Generated g = Rhythm(period, 10, bin, 11);
    const double truth = period * 60 / bin;
    for (auto method : {PeriodogramMethod::kChiSquare, PeriodogramMethod::kLombScargle,
                        PeriodogramMethod::kAutocorrelation}) {
      const PeriodogramPlan plan = PlanPeriodogram(Options(method, 16, 32), g.times, bin);
      ASSERT_EQ(plan.status, PeriodogramStatus::kAnalysed) << plan.note;
      const Periodogram p = ComputePeriodogram(plan, g.values);
      ASSERT_TRUE(p.Rhythmic()) << MethodText(plan.options) << " " << period;
      EXPECT_NEAR(static_cast<double>(p.peaks[0].periodBins), truth, 1.0)
          << MethodText(plan.options) << " " << period;
      EXPECT_GT(p.peaks[0].value, p.peaks[0].threshold);
      EXPECT_LT(p.peaks[0].probability, 0.01);
    }
  }
}

TEST(Periodograms, MissingBinsAreAnalysedByLombScargleAndRefusedByTheOthers) {
  const Generated g = Rhythm(25.0, 10, 10, 3, 12);
  const PeriodogramPlan ls =
      PlanPeriodogram(Options(PeriodogramMethod::kLombScargle, 16, 32), g.times, 10);
  const Periodogram p = ComputePeriodogram(ls, g.values);
  ASSERT_TRUE(p.Rhythmic()) << p.note;
  EXPECT_NEAR(static_cast<double>(p.peaks[0].periodBins), 150, 1.0);
  for (auto method : {PeriodogramMethod::kChiSquare, PeriodogramMethod::kAutocorrelation}) {
    const PeriodogramPlan plan = PlanPeriodogram(Options(method, 16, 32), g.times, 10);
    EXPECT_EQ(plan.status, PeriodogramStatus::kRefused);
    EXPECT_NE(plan.note.find("36 missing bins, largest gap 130 min"), std::string::npos)
        << plan.note;
    const Periodogram refused = ComputePeriodogram(plan, g.values);
    EXPECT_FALSE(refused.Rhythmic());
    EXPECT_TRUE(refused.values.empty());
  }
}

TEST(Periodograms, SeriesWithoutAnEstimablePeriodGetAStatedResult) {
  const auto oneDay = Times(48, 30);
  for (auto method : {PeriodogramMethod::kChiSquare, PeriodogramMethod::kLombScargle,
                      PeriodogramMethod::kAutocorrelation}) {
    const PeriodogramOptions o = Options(method, 16, 32);
    const PeriodogramPlan shortRun = PlanPeriodogram(o, oneDay, 30);
    EXPECT_EQ(shortRun.status, PeriodogramStatus::kRefused);
    EXPECT_NE(shortRun.note.find("no period can be estimated"), std::string::npos) << shortRun.note;
    EXPECT_NE(shortRun.note.find("24 h"), std::string::npos) << shortRun.note;

    const auto threeDays = Times(144, 30);
    const PeriodogramPlan plan = PlanPeriodogram(o, threeDays, 30);
    ASSERT_EQ(plan.status, PeriodogramStatus::kAnalysed) << plan.note;
    for (double level : {0.0, 5.0}) {  // an all-zero well and a constant one
      const Periodogram p = ComputePeriodogram(plan, std::vector<double>(144, level));
      EXPECT_EQ(p.status, PeriodogramStatus::kNoVariation);
      EXPECT_FALSE(p.Rhythmic());
      ASSERT_EQ(p.values.size(), plan.Periods());
      for (double v : p.values) EXPECT_EQ(v, 0.0);
    }
    EXPECT_NE(ComputePeriodogram(plan, std::vector<double>(10, 1.0)).note.find("differ in number"),
              std::string::npos);
    std::vector<double> withNaN(144, 1.0);
    withNaN[3] = std::nan("");
    EXPECT_EQ(ComputePeriodogram(plan, withNaN).status, PeriodogramStatus::kRefused);
  }
}

TEST(Periodograms, RangesAndLevelsThatCannotBeTestedAreRefused) {
  const auto t = Times(30 * 24, 60);
  struct Case {
    double lo, hi, alpha;
    int64_t bin;
    const char* reason;
  } cases[] = {
      {16, 32, 0.0, 60, "alpha"},         {16, 32, 1.0, 60, "alpha"},
      {32, 16, 0.01, 60, "range"},        {-1, 32, 0.01, 60, "range"},
      {16.2, 16.8, 0.01, 60, "no whole"}, {1, 32, 0.01, 60, "at least 2 bins"},
      {16, 32, 0.01, 0, "bin length"},
  };
  for (const auto& c : cases) {
    PeriodogramOptions o = Options(PeriodogramMethod::kChiSquare, c.lo, c.hi);
    o.alpha = c.alpha;
    const PeriodogramPlan plan = PlanPeriodogram(o, t, c.bin);
    EXPECT_EQ(plan.status, PeriodogramStatus::kRefused) << c.reason;
    EXPECT_NE(plan.note.find(c.reason), std::string::npos) << plan.note;
  }
  // Three bins spread over three days.
  EXPECT_NE(PlanPeriodogram(Options(PeriodogramMethod::kLombScargle, 16, 32),
                            std::vector<int64_t>{0, 2000, 4300}, 60)
                .note.find("only 3 measured bins"),
            std::string::npos);
  // Duplicated bin times are refused even by Lomb-Scargle.
  auto dup = Times(200, 60);
  dup[5] = dup[4];
  EXPECT_NE(PlanPeriodogram(Options(PeriodogramMethod::kLombScargle, 16, 32), dup, 60)
                .note.find("duplicated"),
            std::string::npos);
}

TEST(PeriodogramPeaks, OneInteriorMaximumPerRunAboveTheLineRankedByTheirHeightAboveIt) {
  const std::vector<double> v = {9, 1, 5, 2, 7, 7, 7, 3, 4, 1, 8, 2, 6, 1};
  std::vector<double> line(v.size(), 3.5);
  line[10] = 7.5;  // the 8 rises 0.5 above its line
  // Peaks: 5 (index 2), the 7-plateau (4..6, its middle 5), 4 (8), 8 (10), 6 (12); the 9 at
  // the edge is no peak.
  EXPECT_EQ(PeaksAboveLine(v, line), (std::vector<size_t>{5, 12, 2}));
  // Noise on one broad peak: a single run above the line gives one peak, at its highest.
  const std::vector<double> wiggles = {0, 5, 6, 5.5, 6.2, 5.8, 6.1, 0, 3, 0, 9};
  EXPECT_EQ(PeaksAboveLine(wiggles, std::vector<double>(wiggles.size(), 1)),
            (std::vector<size_t>{4, 8}));
  line.assign(v.size(), 100);
  EXPECT_TRUE(PeaksAboveLine(v, line).empty());
  EXPECT_TRUE(PeaksAboveLine(std::vector<double>{1, 2}, std::vector<double>{0, 0}).empty());
}

}  // namespace
}  // namespace movexa
