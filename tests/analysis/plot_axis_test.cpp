// Axis ticks of the plots: round values over awkward ranges, hour-friendly steps on elapsed
// time, clock times at round times of day from a start that is not on one, labels that read
// back as their values.
#include "analysis/plot_axis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <set>

namespace movexa {
namespace {

std::vector<double> Values(const std::vector<AxisTick>& ticks) {
  std::vector<double> v;
  for (const AxisTick& t : ticks) v.push_back(t.value);
  return v;
}
std::vector<std::string> Labels(const std::vector<AxisTick>& ticks) {
  std::vector<std::string> v;
  for (const AxisTick& t : ticks) v.push_back(t.label);
  return v;
}

// True when step is 1, 2 or 5 times a power of ten.
bool OneTwoFive(double step) {
  const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-12));
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (std::fabs(mantissa - m) < 1e-9 * m) return true;
  return false;
}

TEST(PlotAxis, NiceStepIsTheSmallestRoundStepNotBelowTheRoughOne) {
  EXPECT_DOUBLE_EQ(NiceStep(0.7), 1);
  EXPECT_DOUBLE_EQ(NiceStep(1), 1);
  EXPECT_DOUBLE_EQ(NiceStep(1.01), 2);
  EXPECT_DOUBLE_EQ(NiceStep(2.2), 5);
  EXPECT_DOUBLE_EQ(NiceStep(5), 5);
  EXPECT_DOUBLE_EQ(NiceStep(5.5), 10);
  EXPECT_DOUBLE_EQ(NiceStep(0.2), 0.2);  // not 0.5 through the rounding of log10
  EXPECT_NEAR(NiceStep(0.013), 0.02, 1e-15);
  EXPECT_NEAR(NiceStep(3e-7), 5e-7, 1e-20);
  EXPECT_DOUBLE_EQ(NiceStep(0), 1);
  EXPECT_DOUBLE_EQ(NiceStep(std::nan("")), 1);
}

TEST(PlotAxis, LinearTicksSitOnRoundValuesInsideAwkwardRanges) {
  struct Case {
    double lo, hi;
    int maxTicks;
  };
  const Case cases[] = {{0, 1, 6},         {0.0013, 0.0097, 5}, {-3.7, 12.2, 8},
                        {1e6, 1e6 + 7, 5}, {-0.5, 0.5, 3},      {99.9, 100.1, 4},
                        {-1e9, 3e9, 6},    {12.2, -3.7, 8},     {2.5e-9, 7.1e-9, 5},
                        {0, 43200, 11},    {-17, -16.2, 5},     {0.1, 0.9, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.lo << ".." << c.hi << " max " << c.maxTicks);
    const auto ticks = LinearTicks(c.lo, c.hi, c.maxTicks);
    ASSERT_GE(ticks.size(), 1u);
    EXPECT_LE(ticks.size(), static_cast<size_t>(c.maxTicks));
    if (c.maxTicks >= 3) {
      EXPECT_GE(ticks.size(), 2u);
    }
    const double lo = std::min(c.lo, c.hi), hi = std::max(c.lo, c.hi);
    const double step = ticks.size() > 1 ? ticks[1].value - ticks[0].value : 0;
    if (ticks.size() > 1) {
      EXPECT_TRUE(OneTwoFive(step)) << step;
    }
    std::set<std::string> labels;
    for (size_t i = 0; i < ticks.size(); ++i) {
      const double v = ticks[i].value;
      EXPECT_GE(v, lo - 1e-9 * std::fabs(lo) - 1e-300);
      EXPECT_LE(v, hi + 1e-9 * std::fabs(hi) + 1e-300);
      const std::string& label = ticks[i].label;
      EXPECT_FALSE(label[0] == '-' && label.find_first_not_of("-0.") == std::string::npos)
          << "negative zero " << label;
      if (i > 0) {
        EXPECT_NEAR(v - ticks[i - 1].value, step, step * 1e-6);
      }
      if (step > 0) {
        EXPECT_NEAR(v / step, std::round(v / step), 1e-6);
        EXPECT_NEAR(std::strtod(ticks[i].label.c_str(), nullptr), v, step / 100);
      }
      labels.insert(ticks[i].label);
    }
    EXPECT_EQ(labels.size(), ticks.size());  // no two labels alike
  }
  // The finest step that fits: 2 for -3.7..12.2 with 8 ticks (1 would make 16).
  EXPECT_EQ(Labels(LinearTicks(-3.7, 12.2, 8)),
            (std::vector<std::string>{"-2", "0", "2", "4", "6", "8", "10", "12"}));
  // Every label of an axis with the same decimals.
  EXPECT_EQ(Labels(LinearTicks(0, 1, 6)),
            (std::vector<std::string>{"0.0", "0.2", "0.4", "0.6", "0.8", "1.0"}));
  EXPECT_EQ(Labels(LinearTicks(0.0013, 0.0097, 5)),
            (std::vector<std::string>{"0.002", "0.004", "0.006", "0.008"}));
  EXPECT_EQ(Labels(LinearTicks(-0.5, 0.5, 3)), (std::vector<std::string>{"-0.5", "0.0", "0.5"}));
  EXPECT_EQ(Labels(LinearTicks(1e6, 1e6 + 7, 5)),
            (std::vector<std::string>{"1000000", "1000002", "1000004", "1000006"}));
}

TEST(PlotAxis, LinearTicksRefuseWhatCannotBeAnAxis) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(LinearTicks(std::nan(""), 1, 5).empty());
  EXPECT_TRUE(LinearTicks(0, inf, 5).empty());
  EXPECT_TRUE(LinearTicks(-1e308, 1e308, 5).empty());  // the width overflows
  EXPECT_TRUE(LinearTicks(0, 1, 0).empty());
  EXPECT_EQ(LinearTicks(3, 3, 5).size(), 1u);
  EXPECT_EQ(FormatTickValue(-1e-17, 0.1), "0.0");
  EXPECT_EQ(FormatTickValue(3e-9, 1e-9), "0.000000003");
  EXPECT_EQ(FormatTickValue(2e9, 1e9), "2000000000");
  EXPECT_EQ(FormatTickValue(0.30000000000000004, 0.1), "0.3");
  EXPECT_EQ(FormatTickValue(2.5, 0.25), "2.50");
}

TEST(PlotAxis, HourTicksUseHourFriendlySteps) {
  EXPECT_EQ(Values(HourTicks(0, 72, 7)), (std::vector<double>{0, 12, 24, 36, 48, 60, 72}));
  EXPECT_EQ(Values(HourTicks(0, 72, 4)), (std::vector<double>{0, 24, 48, 72}));
  EXPECT_EQ(Values(HourTicks(5, 29, 3)), (std::vector<double>{8, 16, 24}));
  EXPECT_EQ(Labels(HourTicks(0, 1.5, 4)), (std::vector<std::string>{"0.0", "0.5", "1.0", "1.5"}));
  // A 30-day run: a tick a week.
  EXPECT_EQ(Values(HourTicks(0, 720, 6)), (std::vector<double>{0, 168, 336, 504, 672}));
  // Longer still: whole days in round numbers (10 days here).
  const auto year = HourTicks(0, 24 * 365, 5);
  ASSERT_GE(year.size(), 2u);
  EXPECT_LE(year.size(), 5u);
  EXPECT_DOUBLE_EQ(std::fmod(year[1].value - year[0].value, 24.0), 0.0);
}

TEST(PlotAxis, ClockTicksFallOnRoundTimesOfDayFromAnyStart) {
  // Started at 08:30: over a day, every 6 h from 12:00, placed 3.5 h after the start.
  const auto day = ClockTicks(0, 24, 8 * 60 + 30, 5);
  EXPECT_EQ(Values(day), (std::vector<double>{3.5, 9.5, 15.5, 21.5}));
  EXPECT_EQ(Labels(day), (std::vector<std::string>{"12:00", "18:00", "00:00", "06:00"}));
  // Across midnight on a short axis: hourly from 23:00, a quarter hour after a 22:45 start.
  const auto night = ClockTicks(0, 6, 22 * 60 + 45, 7);
  EXPECT_DOUBLE_EQ(night.front().value, 0.25);
  EXPECT_EQ(Labels(night),
            (std::vector<std::string>{"23:00", "00:00", "01:00", "02:00", "03:00", "04:00"}));
  // Three days: the midnights, named by day (the start's day is day 1).
  const auto days = ClockTicks(0, 72, 8 * 60 + 30, 4);
  EXPECT_EQ(Values(days), (std::vector<double>{15.5, 39.5, 63.5}));
  EXPECT_EQ(Labels(days), (std::vector<std::string>{"Day 2", "Day 3", "Day 4"}));
  // Minutes: a 20-minute axis from 09:07 gets ticks every 5 minutes.
  EXPECT_EQ(Labels(ClockTicks(0, 20.0 / 60, 9 * 60 + 7, 5)),
            (std::vector<std::string>{"09:10", "09:15", "09:20", "09:25"}));
  EXPECT_TRUE(ClockTicks(0, 24, std::nan(""), 5).empty());
}

TEST(PlotAxis, FiniteRangeSkipsMissingValues) {
  const double nan = std::nan("");
  const double values[] = {nan, 3, -2, std::numeric_limits<double>::infinity(), 7, nan};
  const ValueRange r = FiniteRange(values);
  EXPECT_EQ(r.lo, -2);
  EXPECT_EQ(r.hi, 7);
  const double none[] = {nan, nan};
  EXPECT_EQ(FiniteRange(none).lo, 0);
  EXPECT_EQ(FiniteRange(none).hi, 1);
}

}  // namespace
}  // namespace movexa
