// Actogram matrices: bins placed by their start time into day rows of whole-bin periods.
#include "analysis/actogram.h"

#include <algorithm>
#include <cmath>

#include "base/rounding.h"

namespace movexa {

namespace {

// More cells than three years of 1-minute bins means the bin times are damaged, not long.
constexpr int64_t kMaxCells = 3LL * 366 * 1440;

Actogram Refused(std::string why) {
  Actogram a;
  a.status = ActogramStatus::kRefused;
  a.note = std::move(why);
  return a;
}

std::string LastRowNote(int64_t days) {
  return std::to_string(days) + (days == 1 ? " day" : " days") + " as " + std::to_string(days) +
         (days == 1 ? " row" : " rows") +
         "; the right half of the last row is empty (no following day)";
}

double MaxMeasured(const std::vector<double>& cells, const std::vector<uint8_t>& measured) {
  double best = 0;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (measured[i] && cells[i] > best) best = cells[i];
  }
  return best;
}

}  // namespace

std::optional<double> Actogram::DayCell(int64_t day, int64_t bin) const {
  if (day < 0 || day >= days || bin < 0 || bin >= periodBins) return std::nullopt;
  const auto i = static_cast<size_t>(day * periodBins + bin);
  if (!measured[i]) return std::nullopt;
  return cells[i];
}

std::optional<double> Actogram::Value(int64_t row, int64_t column) const {
  if (column < 0 || column >= Columns()) return std::nullopt;
  return column < periodBins ? DayCell(row, column) : DayCell(row + 1, column - periodBins);
}

std::optional<double> Actogram::Height(int64_t row, int64_t column) const {
  auto v = Value(row, column);
  if (!v) return std::nullopt;
  return maxValue > 0 ? *v / maxValue : 0.0;
}

Actogram BuildActogram(const BinnedSeries& series, const ActogramOptions& options) {
  const int64_t bin = series.binMinutes;
  if (bin <= 0) return Refused("the bin length is not positive");
  const auto& t = series.timesMinutes;
  if (t.size() != series.values.size()) return Refused("bin times and values differ in number");
  if (!(options.periodHours > 0) || !std::isfinite(options.periodHours)) {
    return Refused("the period is not a positive number of hours");
  }
  const int64_t periodBins = RoundHalfEven(options.periodHours * 60.0 / static_cast<double>(bin));
  if (periodBins < 1) return Refused("the period is shorter than one bin");
  if (t.empty()) return Refused("no measured bins");
  if (t.front() < options.originMinutes)
    return Refused("the first bin starts before the first day");
  for (size_t i = 0; i < t.size(); ++i) {
    if (i > 0 && t[i] <= t[i - 1]) {
      return Refused(t[i] == t[i - 1] ? "a bin time is duplicated" : "bin times go backwards");
    }
    if ((t[i] - options.originMinutes) % bin != 0) {
      return Refused("bin times off the bin grid (irregular bin length)");
    }
  }

  Actogram a;
  a.status = ActogramStatus::kDrawn;
  a.binMinutes = bin;
  a.periodBins = periodBins;
  a.originMinutes = options.originMinutes;
  const int64_t lastIndex = (t.back() - options.originMinutes) / bin;
  a.days = lastIndex / periodBins + 1;
  if (a.days > kMaxCells / periodBins) {
    return Refused("the bin times span " + std::to_string(a.days) +
                   " periods, too many for an actogram");
  }
  a.cells.assign(static_cast<size_t>(a.days * periodBins), 0.0);
  a.measured.assign(a.cells.size(), 0);
  for (size_t i = 0; i < t.size(); ++i) {
    const auto cell = static_cast<size_t>((t[i] - options.originMinutes) / bin);
    a.cells[cell] = series.values[i];
    a.measured[cell] = 1;
  }
  a.maxValue = MaxMeasured(a.cells, a.measured);
  a.note = LastRowNote(a.days);
  return a;
}

}  // namespace movexa
