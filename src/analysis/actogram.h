// Double-plotted actograms: one row per day, day r on the left half and day r + 1 on the right
// half, so that activity crossing the end of a day reads on without a break. The last day gets
// a row of its own whose right half is empty (D days give D rows). Bar heights are the values
// divided by the largest value of the actogram. The period can be set (modulo-period
// actogram) to plot a free-running animal on its own period.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/binned_series.h"

namespace movexa {

struct ActogramOptions {
  double periodHours = 24.0;  // length of one row half; taken as a whole number of bins
  int64_t originMinutes = 0;  // where the first day begins, at or before the first bin
};

enum class ActogramStatus {
  kDrawn,    // cells filled from the series
  kRefused,  // the series or the options cannot make an actogram: see `note`
};

// The days of one actogram as a days x periodBins matrix; the double-plotted rows are read
// through Value and Height. A cell without a measured bin is empty (never zero, never filled).
struct Actogram {
  ActogramStatus status = ActogramStatus::kRefused;
  std::string note;  // the refusal, or what the reader must know (empty halves)
  int64_t binMinutes = 0;
  int64_t periodBins = 0;  // cells per row half
  int64_t originMinutes = 0;
  int64_t days = 0;               // D: also the number of double-plotted rows
  std::vector<double> cells;      // day-major, days * periodBins
  std::vector<uint8_t> measured;  // 1 where the cell holds a value
  double maxValue = 0;            // the largest value of the actogram (0 when none)

  int64_t PeriodMinutes() const { return periodBins * binMinutes; }
  int64_t Rows() const { return days; }
  int64_t Columns() const { return 2 * periodBins; }
  // Day `day`, cell `bin`; nullopt when not measured or outside the days.
  std::optional<double> DayCell(int64_t day, int64_t bin) const;
  // Double-plotted row `row`, column 0..2 * periodBins - 1.
  std::optional<double> Value(int64_t row, int64_t column) const;
  // Value / maxValue; 0 for every measured cell when the actogram has no positive value.
  std::optional<double> Height(int64_t row, int64_t column) const;
};

// The actogram of one series. Refused (with the reason in `note`) when the bin times are not
// strictly increasing, not on the bin grid from the origin, start before the origin, or span
// more days than an actogram can hold; or when the period is shorter than one bin.
Actogram BuildActogram(const BinnedSeries& series, const ActogramOptions& options);

}  // namespace movexa
