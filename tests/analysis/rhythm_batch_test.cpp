// Periodograms of many animals over the cores equal those of one thread, bit for bit; the
// group summary of peak periods.
#include "analysis/rhythm_batch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>

namespace movexa {
namespace {

TEST(RhythmBatch, EveryCoreGivesTheBitsOfOneThread) {
  // 40 animals, 6 days of 15-minute bins, periods 22..26 h; animal 0 all zero, 1 constant.
  const int64_t bin = 15;
  std::vector<int64_t> times;
  for (int64_t k = 0; k < 6 * 96; ++k) times.push_back(k * bin);
  auto source = [&](size_t animal, std::vector<double>& values) {
    values.assign(times.size(), animal == 1 ? 3.0 : 0.0);
    if (animal < 2) return;
    const double period = (22.0 + static_cast<double>(animal % 9) * 0.5) * 60;
    for (size_t i = 0; i < times.size(); ++i) {
      values[i] = std::round(
          5 + 5 * std::sin(2 * std::numbers::pi * static_cast<double>(times[i]) / period) +
          static_cast<double>((i * 7919 + animal * 104729) % 5));
    }
  };
  for (auto method : {PeriodogramMethod::kChiSquare, PeriodogramMethod::kLombScargle,
                      PeriodogramMethod::kAutocorrelation}) {
    PeriodogramOptions o;
    o.method = method;
    const PeriodogramPlan plan = PlanPeriodogram(o, times, bin);
    ASSERT_EQ(plan.status, PeriodogramStatus::kAnalysed) << plan.note;
    WorkerPool one(1), two(2);
    size_t lastDone = 0;
    const auto a = ComputePeriodograms(plan, 40, source, one, [&](size_t done, size_t total) {
      EXPECT_EQ(total, 40u);
      lastDone = done;
    });
    EXPECT_EQ(lastDone, 40u);  // one thread reports every animal
    const auto b = ComputePeriodograms(plan, 40, source, two);
    ASSERT_EQ(a.size(), 40u);
    ASSERT_EQ(b.size(), 40u);
    EXPECT_EQ(a[0].status, PeriodogramStatus::kNoVariation);
    EXPECT_EQ(a[1].status, PeriodogramStatus::kNoVariation);
    for (size_t i = 0; i < 40; ++i) {
      ASSERT_EQ(a[i].values.size(), b[i].values.size()) << i;
      EXPECT_EQ(
          std::memcmp(a[i].values.data(), b[i].values.data(), a[i].values.size() * sizeof(double)),
          0)
          << MethodText(o) << " animal " << i;
      ASSERT_EQ(a[i].peaks.size(), b[i].peaks.size()) << i;
      if (!a[i].peaks.empty()) {
        EXPECT_EQ(a[i].peaks[0].periodBins, b[i].peaks[0].periodBins);
      }
      EXPECT_EQ(a[i].note, b[i].note);
    }
  }
}

Periodogram WithPeak(double hours) {
  Periodogram p;
  p.status = PeriodogramStatus::kAnalysed;
  p.peaks.push_back({0, hours, 10, 5, 0.001});
  return p;
}

TEST(PeakPeriodSummary, MeanMedianAndSemOverTheRhythmicAnimalsOnly) {
  const Periodogram a = WithPeak(24), b = WithPeak(25), c = WithPeak(26.5), d = WithPeak(23);
  Periodogram flat;
  flat.status = PeriodogramStatus::kNoVariation;
  Periodogram noPeak;
  noPeak.status = PeriodogramStatus::kAnalysed;
  const std::vector<const Periodogram*> group = {&a, &flat, &b, &noPeak, &c};
  const PeakPeriodSummary s = SummarisePeakPeriods(group);
  EXPECT_EQ(s.animals, 5u);
  EXPECT_EQ(s.rhythmic, 3u);
  EXPECT_NEAR(*s.meanHours, 75.5 / 3, 1e-12);
  EXPECT_EQ(*s.medianHours, 25);
  // SD over 24, 25, 26.5 with n - 1: sqrt(19/12); SEM = SD / sqrt(3).
  EXPECT_NEAR(*s.semHours, std::sqrt(19.0 / 12) / std::sqrt(3.0), 1e-12);

  const std::vector<const Periodogram*> even = {&a, &b, &c, &d};
  EXPECT_EQ(*SummarisePeakPeriods(even).medianHours, 24.5);
  const std::vector<const Periodogram*> single = {&b, &flat};
  const PeakPeriodSummary one = SummarisePeakPeriods(single);
  EXPECT_EQ(*one.meanHours, 25);
  EXPECT_FALSE(one.semHours.has_value());  // no spread from one animal
  const std::vector<const Periodogram*> none = {&flat, &noPeak};
  const PeakPeriodSummary zero = SummarisePeakPeriods(none);
  EXPECT_EQ(zero.rhythmic, 0u);
  EXPECT_FALSE(zero.meanHours || zero.medianHours || zero.semHours);
}

}  // namespace
}  // namespace movexa
