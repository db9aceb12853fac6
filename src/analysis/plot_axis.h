// Axis ticks of the analysis plots: values at round steps (1, 2 or 5 times a power of ten),
// elapsed-time axes in hours with hour-friendly steps (1, 2, 3, 4, 6, 12, 24 h, days), and
// clock-time axes labelled HH:MM at round times of day. Each picks the finest step that gives
// at most the number of ticks the plot has room for; the plot frame lowers that number until
// the labels fit side by side.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace movexa {

struct AxisTick {
  double value = 0.0;  // position on the axis (hours since the run start on time axes)
  std::string label;
};

// The smallest step of the form 1, 2 or 5 times a power of ten that is at least `rough`
// (rough > 0 and finite; anything else gives 1).
double NiceStep(double rough);

// Ticks at the multiples of the finest 1-2-5 step that puts at most `maxTicks` of them in
// [lo, hi] (the ends may be given in either order). Labels carry as many decimals as the
// step needs ("0.25" for a step of 0.05 is written "0.25", 1e-3 steps "0.001"). Empty when
// the range is not finite or maxTicks < 1; a range of zero width gets its single value.
std::vector<AxisTick> LinearTicks(double lo, double hi, int maxTicks);

// Elapsed time in hours: below an hour 1-2-5 steps, then 1, 2, 3, 4, 6, 8, 12, 24, 48, 72, 96,
// 120 and 168 h, then whole days in 1-2-5 steps. Labels are the hours ("36", "0.5").
std::vector<AxisTick> HourTicks(double loHours, double hiHours, int maxTicks);

// Clock time: positions in hours since the start, whose clock time is `startMinuteOfDay`
// minutes after midnight. Ticks fall on round times of day (every 1, 2, 5, 10, 15, 20, 30
// minutes, 1, 2, 3, 4, 6, 12 h, or midnights every 1, 2, 3, 7 ... days), labelled "HH:MM";
// on an axis longer than a day a midnight is labelled "Day N" instead, the start's day being
// day 1.
std::vector<AxisTick> ClockTicks(double loHours, double hiHours, double startMinuteOfDay,
                                 int maxTicks);

// A tick value written with the decimals its step needs, never "-0".
std::string FormatTickValue(double value, double step);

// The smallest and largest finite value of the series (both 0 and 1 when none is finite).
struct ValueRange {
  double lo = 0.0;
  double hi = 1.0;
};
ValueRange FiniteRange(std::span<const double> values);

}  // namespace movexa
