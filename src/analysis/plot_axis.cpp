// Tick choice for the analysis plots' axes.
#include "analysis/plot_axis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>

namespace movexa {

namespace {

// More ticks than any picture can hold; a step that would make more is not tried.
constexpr double kMostTicks = 100000;

// Multiples of `step` in [lo, hi] (after `offset`): first and last index.
bool MultiplesIn(double lo, double hi, double step, double offset, double& first, double& last) {
  const double eps = 1e-9;
  first = std::ceil((lo + offset) / step - eps);
  last = std::floor((hi + offset) / step + eps);
  return last - first + 1 <= kMostTicks;
}

// The finest step of the ladder (each call of `next` gives the next coarser one, starting from
// `start`) with at most maxTicks multiples in [lo, hi] after `offset`.
double FinestStep(double lo, double hi, int maxTicks, double offset, double start,
                  const std::function<double(double)>& next) {
  double step = start;
  for (int guard = 0; guard < 200; ++guard) {
    double first = 0, last = 0;
    if (MultiplesIn(lo, hi, step, offset, first, last) && last - first + 1 <= maxTicks) return step;
    step = next(step);
  }
  return step;
}

double NextNice(double step) {
  return NiceStep(step * 1.0001);
}

bool Normalise(double& lo, double& hi, int maxTicks) {
  if (!std::isfinite(lo) || !std::isfinite(hi) || !std::isfinite(hi - lo) || maxTicks < 1)
    return false;
  if (lo > hi) std::swap(lo, hi);
  return true;
}

// The multiples of the step in [lo, hi] after offset, when there are at most maxTicks.
bool TickRange(double lo, double hi, double step, double offset, int maxTicks, double& first,
               double& last) {
  return MultiplesIn(lo, hi, step, offset, first, last) && last - first + 1 <= maxTicks;
}

// Ticks labelled by their value at the finest step of the ladder that fits.
std::vector<AxisTick> NumberTicks(double lo, double hi, int maxTicks, double start,
                                  const std::function<double(double)>& next) {
  const double step = FinestStep(lo, hi, maxTicks, 0, start, next);
  double first = 0, last = 0;
  if (!TickRange(lo, hi, step, 0, maxTicks, first, last)) return {};
  std::vector<AxisTick> ticks;
  for (double k = first; k <= last; ++k)
    ticks.push_back({k * step, FormatTickValue(k * step, step)});
  return ticks;
}

std::string TwoDigits(long v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02ld", v);
  return buf;
}

}  // namespace

double NiceStep(double rough) {
  if (!std::isfinite(rough) || rough <= 0) return 1.0;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  for (double m : {1.0, 2.0, 5.0, 10.0}) {
    // A tolerance for the rounding of log10 and pow: 0.2 is a step of 0.2, not of 0.5.
    if (m * power >= rough * (1 - 1e-12)) return m * power;
  }
  return 10 * power;
}

std::string FormatTickValue(double value, double step) {
  int decimals = 0;
  if (std::isfinite(step) && step > 0) {
    // The fewest decimals that write the step itself as a whole number of its last digit.
    while (decimals < 12) {
      const double scaled = step * std::pow(10.0, decimals);
      if (scaled >= 1 - 1e-9 && std::fabs(scaled - std::round(scaled)) < 1e-6 * scaled) break;
      ++decimals;
    }
    // A value within a hundredth of a step of zero is zero (k * step rounding).
    if (std::fabs(value) < step * 1e-2) value = 0.0;
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  std::string s(buf);
  if (s.find_first_not_of("-0.") == std::string::npos && s[0] == '-') s.erase(0, 1);
  return s;
}

std::vector<AxisTick> LinearTicks(double lo, double hi, int maxTicks) {
  if (!Normalise(lo, hi, maxTicks)) return {};
  if (hi == lo) return {{lo, FormatTickValue(lo, NiceStep(std::fabs(lo) / 10))}};
  return NumberTicks(lo, hi, maxTicks, NiceStep((hi - lo) / (4.0 * maxTicks)), NextNice);
}

std::vector<AxisTick> HourTicks(double loHours, double hiHours, int maxTicks) {
  if (!Normalise(loHours, hiHours, maxTicks)) return {};
  if (hiHours == loHours) return LinearTicks(loHours, hiHours, maxTicks);
  static constexpr double kHourSteps[] = {1, 2, 3, 4, 6, 8, 12, 24, 48, 72, 96, 120, 168};
  auto next = [](double step) {
    if (step < 1) return std::min(1.0, NextNice(step));
    for (double s : kHourSteps)
      if (s > step) return s;
    return 24 * NiceStep(step / 24 * 1.0001);  // whole days: 10, 20, 50 ... days after a week
  };
  const double rough = (hiHours - loHours) / (4.0 * maxTicks);
  return NumberTicks(loHours, hiHours, maxTicks, rough < 1 ? NiceStep(rough) : 1.0, next);
}

std::vector<AxisTick> ClockTicks(double loHours, double hiHours, double startMinuteOfDay,
                                 int maxTicks) {
  if (!Normalise(loHours, hiHours, maxTicks) || !std::isfinite(startMinuteOfDay)) return {};
  // Minutes since the midnight that began the start's day.
  const double offset = std::fmod(startMinuteOfDay, 1440.0) + (startMinuteOfDay < 0 ? 1440 : 0);
  const double lo = loHours * 60, hi = hiHours * 60;
  static constexpr double kMinuteSteps[] = {1,   2,   5,   10,  15,   20,   30,   60,   120,
                                            180, 240, 360, 720, 1440, 2880, 4320, 10080};
  auto next = [](double step) {
    for (double s : kMinuteSteps)
      if (s > step) return s;
    return 1440 * NiceStep(step / 1440 * 1.0001);
  };
  const double step = FinestStep(lo, hi, maxTicks, offset, 1, next);
  double first = 0, last = 0;
  if (!TickRange(lo, hi, step, offset, maxTicks, first, last)) return {};
  const bool longAxis = hi - lo > 1440;
  std::vector<AxisTick> ticks;
  for (double k = first; k <= last; ++k) {
    const double clock = k * step;  // minutes since the start day's midnight
    const auto whole = static_cast<long>(std::llround(clock));
    const long minuteOfDay = ((whole % 1440) + 1440) % 1440;
    const long day = static_cast<long>(std::floor(static_cast<double>(whole) / 1440.0));
    std::string label = minuteOfDay == 0 && longAxis
                            ? "Day " + std::to_string(day + 1)
                            : TwoDigits(minuteOfDay / 60) + ":" + TwoDigits(minuteOfDay % 60);
    ticks.push_back({(clock - offset) / 60.0, std::move(label)});
  }
  return ticks;
}

ValueRange FiniteRange(std::span<const double> values) {
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  for (double v : values) {
    if (!std::isfinite(v)) continue;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  if (lo > hi) return {};
  return {lo, hi};
}

}  // namespace movexa
