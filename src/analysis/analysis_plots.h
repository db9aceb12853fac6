// The analysis plots of a run, computed once and drawn on any Canvas, so the analysis window,
// the picture files of `movexa-cli plot` and the tests show the same picture:
// - activity: each group's (or well's) activity over the run, mean with an SEM band, dark
//   phases shaded, clock time below and hours since the start above;
// - profile: the average day per group, mean with an SEM band over animals, dark phase shaded;
// - actogram: double-plotted actograms per group mean or well, dark phases shaded per row;
// - periodogram: the periodograms of wells, or each group's mean with an SEM band, against the
//   significance line, peaks marked with their period;
// - sleep: a sleep measure per group (or well) in one window, bars with SEM and the animals.
// Computing (ComputePlot) is apart from drawing (DrawPlot): a window computes on a worker
// thread, can stop it, and redraws at any size from the result. Every plot comes with the table
// of the numbers drawn (PlotCsv writes it with the analyses' header block).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/activity_table.h"
#include "analysis/actogram.h"
#include "analysis/periodogram.h"
#include "analysis/plot_frame.h"
#include "analysis/sleep.h"
#include "base/canvas.h"
#include "base/worker_pool.h"

namespace movexa {

enum class PlotKind { kActivity, kProfile, kActogram, kPeriodogram, kSleep };
inline constexpr PlotKind kPlotKinds[] = {PlotKind::kActivity, PlotKind::kProfile,
                                          PlotKind::kActogram, PlotKind::kPeriodogram,
                                          PlotKind::kSleep};

// "activity", "profile", "actogram", "periodogram", "sleep".
const char* PlotKindName(PlotKind kind);
std::optional<PlotKind> PlotKindOf(std::string_view name);
// What the plot shows, for lists: "Activity over the run", ...
const char* PlotKindCaption(PlotKind kind);

struct PlotRequest {
  PlotKind kind = PlotKind::kActivity;
  bool byWell = false;  // series are wells, not groups
  // Groups by label ("001_Control"), name ("Control") or number ("1"); wells by label ("B3") or
  // rectangle ("A1-B3"). Empty: every group (wells must be named).
  std::vector<std::string> names;
  int64_t binMinutes = 0;  // activity and profile bin; 0 = the kind's default
  PeriodogramOptions periodogram;
  double actogramPeriodHours = 24.0;
  SleepPreset sleepPreset = SleepPreset::kFly;
  std::string sleepMeasure = "sleep_min";  // a column of the sleep files
  std::string sleepWindow = "whole run";   // a window label ("day 2 dark")
};

// The most series one plot shows: lines and bands (activity, profile, periodogram) have a
// colour each from an eight-colour palette; actogram panels and bars are labelled instead.
size_t MostSeries(PlotKind kind);

// A series of a plot: a group (its wells' mean) or a single well.
struct PlotSeries {
  std::string label;          // "001_Control", "B3"
  std::string legend;         // "001_Control (n = 16)", "B3 (001_Control)"
  std::vector<size_t> wells;  // indices into the table's wells
  Rgb colour;
};

struct SeriesChoice {
  bool ok = false;
  std::string error;
  std::vector<PlotSeries> series;
};
// The series named (see PlotRequest::names), in the order given, at most `most`. Refused with
// the reason: a name that is no group or well of the run, a group without wells, none at all,
// or too many.
SeriesChoice ChooseSeries(const ActivityTable& table, bool byWell,
                          const std::vector<std::string>& names, size_t most);

// The default activity bin of a run: the shortest round bin (a whole number of the run's bins)
// that draws the run in at most 150 bins (3 days: 30 min, 5 days: 1 h).
int64_t DefaultActivityBinMinutes(const ActivityTable& table);

// One series' values along the plot's x positions; NaN where nothing was measured (never
// filled in); sem NaN where fewer than two animals are behind the mean.
struct PlotCurve {
  std::vector<double> mean;
  std::vector<double> sd;
  std::vector<double> sem;
  std::vector<int64_t> n;
  std::vector<size_t> peaks;  // periodogram: indices of the peaks marked
};

struct ActogramPanel {
  PlotOutline outline;
  Actogram actogram;
};

// The numbers drawn, as rows of text cells.
struct PlotTable {
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;
};

struct PlotData {
  bool ok = false;       // there is a picture (possibly an empty one with a note)
  bool stopped = false;  // the computation was stopped on request
  std::string error;     // why there is no picture
  PlotRequest request;   // as used (defaults filled in)
  PlotOutline outline;   // title, axes and legend (actogram: of the whole figure)
  std::vector<PlotSeries> series;
  std::vector<double> x;               // positions along x of the curves
  std::vector<PlotCurve> curves;       // one per series
  std::vector<AxisSpan> dark;          // shaded spans along x (hours)
  std::vector<double> threshold;       // periodogram: the significance line at each x
  std::vector<ActogramPanel> panels;   // actogram: one per series
  std::vector<AxisSpan> actogramDark;  // actogram: dark phases in hours since the start
  double actogramOriginHours = 0;      // actogram: start of row 0, hours since the start
  std::vector<BarValue> bars;          // sleep
  std::string note;                    // drawn over an empty plot: why it is empty
  std::vector<std::string> summary;    // stated results (peak periods, ...), one a line
  std::vector<std::string> header;     // header lines of the table's file
  std::string tableTitle;              // title of the table's file
  PlotTable table;
};

// Progress and stop of a computation, both called on the computing thread.
struct PlotControl {
  std::function<void(const std::string& step, size_t done, size_t total)> progress;
  std::function<bool()> stopRequested;
};

PlotData ComputePlot(const ActivityTable& table, const PlotRequest& request, WorkerPool& pool,
                     const PlotControl& control = {});

// Draws the plot over the whole canvas (white background). A plot without a picture draws its
// error as a note.
void DrawPlot(Canvas& canvas, const PlotData& data);

// The table as a CSV file: the analyses' header block, the column line and the rows.
std::string PlotCsv(const ActivityTable& table, const PlotData& data);

// The dark phases of the run's light schedule between run minutes `from` and `to`, in hours
// since the start (constant darkness: the whole stretch; constant light: none).
std::vector<AxisSpan> DarkSpans(const ActivityTable& table, int64_t fromMinute, int64_t toMinute);

// "30 min", "1 h", "1.5 h": a bin length for titles.
std::string BinText(int64_t minutes);

}  // namespace movexa
