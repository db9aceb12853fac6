// The computations behind each analysis plot, for analysis_plots.cpp: each fills the plot's
// outline, curves or marks, summary and table from the run, the series chosen and the request.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/analysis_plots.h"

namespace movexa::plot_detail {

// Thrown from inside a computation when the control asks it to stop.
struct Stopped {};
void CheckStop(const PlotControl& control);
void Progress(const PlotControl& control, const std::string& step, size_t done, size_t total);

// Mean, SD, SEM and N of the values; NaN where undefined (mean without values, SD and SEM
// with fewer than two).
struct Spread {
  double mean, sd, sem;
  int64_t n;
};
Spread SpreadOf(const std::vector<double>& values);
// Appends the spread to the curve's i-th place.
void Put(PlotCurve& curve, const Spread& s);
// A decimal cell, empty when not finite.
std::string Cell(double value);
// The legend entries of the series with the mark given, then "Lights off" when there is dark.
std::vector<LegendEntry> SeriesLegend(const std::vector<PlotSeries>& series, LegendMark mark,
                                      bool dark);
// "mean ± SEM per group" or "per well", for titles.
std::string WhatIsDrawn(const PlotRequest& request);
// Upper end of a value axis holding every finite value and a margin above it.
double UpperEnd(double largest);

// The run's bins gathered into plot bins of `binMinutes` from ZT0 (the run start under a
// constant schedule): a run bin belongs to the plot bin of its start, and a plot bin counts
// only when every run bin in it was measured (nothing is filled in).
struct PlotBinning {
  int64_t origin = 0;        // run minute where plot bin index 0 would start (ZT0)
  int64_t binMinutes = 1;    // plot bin length
  int64_t first = 0;         // index of the first plot bin holding a run bin
  size_t bins = 0;           // plot bins from the first to the last holding a run bin
  std::vector<size_t> slot;  // per run bin: its plot bin, from 0
  std::vector<char> whole;   // per plot bin: every run bin in it measured
  int64_t Start(size_t k) const { return origin + (first + static_cast<int64_t>(k)) * binMinutes; }
  // The well's counts per plot bin; NaN where the plot bin is not whole.
  void WellSums(const ActivityTable& table, size_t well, std::vector<double>& out) const;
};
// Refused (with the reason) when the plot bin is not a whole number of the run's bins.
std::optional<std::string> PlotBinRefusal(const ActivityTable& table, int64_t binMinutes);
PlotBinning BinForPlot(const ActivityTable& table, int64_t binMinutes);

void ComputeActivity(const ActivityTable& table, PlotData& data, const PlotControl& control);
void ComputeProfile(const ActivityTable& table, PlotData& data, const PlotControl& control);
void ComputeSleep(const ActivityTable& table, PlotData& data, const PlotControl& control);
void ComputeActogram(const ActivityTable& table, PlotData& data, const PlotControl& control);
void ComputePeriodogram(const ActivityTable& table, PlotData& data, WorkerPool& pool,
                        const PlotControl& control);

// Drawing of the kinds that are not curves over one frame.
void DrawActograms(Canvas& canvas, const PlotData& data);

}  // namespace movexa::plot_detail
