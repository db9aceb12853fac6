// The plots of activity: over the run in plot bins, the average day, and sleep per group.
#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/analysis_csv.h"
#include "analysis/analysis_windows.h"
#include "analysis/day_profile.h"
#include "analysis/plot_compute.h"
#include "base/number_format.h"

namespace movexa::plot_detail {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

int64_t FloorDiv(int64_t a, int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

std::string ClockCell(const ActivityTable& table, int64_t runMinute) {
  const int clock = MinuteOfDay(table, runMinute);
  return ZeroPad(clock / 60, 2) + ":" + ZeroPad(clock % 60, 2);
}

// Largest finite mean + SEM (or mean) of the curves.
double Largest(const std::vector<PlotCurve>& curves) {
  double most = 0;
  for (const PlotCurve& c : curves) {
    for (size_t i = 0; i < c.mean.size(); ++i) {
      if (!std::isfinite(c.mean[i])) continue;
      most = std::max(most, c.mean[i] + (std::isfinite(c.sem[i]) ? c.sem[i] : 0.0));
    }
  }
  return most;
}

bool AnyFinite(const std::vector<PlotCurve>& curves) {
  for (const PlotCurve& c : curves) {
    for (double v : c.mean) {
      if (std::isfinite(v)) return true;
    }
  }
  return false;
}

// The bin as the unit of a rate: "30 min", "h", "2 h".
std::string PerBinText(int64_t bin) {
  return bin == 60 ? "h" : BinText(bin);
}

std::string OriginText(const ActivityTable& table) {
  return table.light.kind == LightKind::kDaily
             ? "ZT0 (the last lights-on at or before the run start)"
             : "the run start (a constant schedule has no ZT0)";
}

// The counts axis of the activity and profile plots, up to a round value above the highest
// mean, and their legend: a band mark per group, a line per well, and the dark phase.
void CountsAxisAndLegend(PlotData& data, int64_t bin) {
  data.outline.y =
      LinearAxis(0, UpperEnd(Largest(data.curves)), "Activity (counts / " + PerBinText(bin) + ")");
  data.outline.legend = SeriesLegend(
      data.series, data.request.byWell ? LegendMark::kLine : LegendMark::kBand, !data.dark.empty());
}

}  // namespace

void PlotBinning::WellSums(const ActivityTable& table, size_t well,
                           std::vector<double>& out) const {
  std::vector<int64_t> counts(bins, 0);
  const int32_t* series = table.WellSeries(well);
  for (size_t i = 0; i < slot.size(); ++i) counts[slot[i]] += series[i];
  out.resize(bins);
  for (size_t k = 0; k < bins; ++k) out[k] = whole[k] ? static_cast<double>(counts[k]) : kNaN;
}

std::optional<std::string> PlotBinRefusal(const ActivityTable& table, int64_t binMinutes) {
  if (binMinutes >= table.binMinutes && binMinutes % table.binMinutes == 0) return std::nullopt;
  return "The plot bin must be a whole number of the run's " + std::to_string(table.binMinutes) +
         "-min bins; " + std::to_string(binMinutes) + " min is not.";
}

PlotBinning BinForPlot(const ActivityTable& table, int64_t binMinutes) {
  PlotBinning b;
  b.origin = table.zt0Minute;
  b.binMinutes = binMinutes;
  const size_t n = table.BinCount();
  b.first = FloorDiv(table.binStart.front() - b.origin, binMinutes);
  b.bins =
      static_cast<size_t>(FloorDiv(table.binStart.back() - b.origin, binMinutes) - b.first + 1);
  b.slot.resize(n);
  std::vector<int64_t> measured(b.bins, 0);
  for (size_t i = 0; i < n; ++i) {
    b.slot[i] = static_cast<size_t>(FloorDiv(table.binStart[i] - b.origin, binMinutes) - b.first);
    ++measured[b.slot[i]];
  }
  b.whole.resize(b.bins);
  for (size_t k = 0; k < b.bins; ++k) b.whole[k] = measured[k] == binMinutes / table.binMinutes;
  return b;
}

void ComputeActivity(const ActivityTable& table, PlotData& data, const PlotControl& control) {
  PlotRequest& r = data.request;
  if (r.binMinutes == 0) r.binMinutes = DefaultActivityBinMinutes(table);
  const int64_t bin = r.binMinutes;
  if (auto refusal = PlotBinRefusal(table, bin)) {
    data.error = *refusal;
    return;
  }
  const PlotBinning binning = BinForPlot(table, bin);
  const size_t bins = binning.bins;
  auto startOf = [&](size_t k) { return binning.Start(k); };
  for (size_t k = 0; k < bins; ++k)
    data.x.push_back((static_cast<double>(startOf(k)) + bin / 2.0) / 60.0);

  // Each well's counts per plot bin, then per series the spread over its wells.
  std::vector<std::vector<double>> sums(table.wells.size());
  size_t done = 0, total = 0;
  for (const PlotSeries& s : data.series) total += s.wells.size();
  for (const PlotSeries& s : data.series) {
    for (size_t w : s.wells) {
      CheckStop(control);
      if (sums[w].empty()) binning.WellSums(table, w, sums[w]);
      Progress(control, "activity", ++done, total);
    }
  }
  for (const PlotSeries& s : data.series) {
    PlotCurve curve;
    std::vector<double> values;
    for (size_t k = 0; k < bins; ++k) {
      values.clear();
      if (binning.whole[k]) {
        for (size_t w : s.wells) values.push_back(sums[w][k]);
      }
      Put(curve, SpreadOf(values));
    }
    data.curves.push_back(std::move(curve));
  }

  const int64_t from = startOf(0), to = startOf(bins);
  data.dark = DarkSpans(table, from, to);
  const std::string binText = BinText(bin);
  PlotOutline& outline = data.outline;
  outline.title = "Activity over the run, " + WhatIsDrawn(r) + " (" + binText + " bins)";
  outline.x = ClockAxis(from / 60.0, to / 60.0, table.start.hour * 60.0 + table.start.minute,
                        "Clock time (HH:MM; midnights marked by day)");
  outline.topAxis = true;
  outline.xTop = HoursAxis(0, 1, "Time since the run start (h)");
  CountsAxisAndLegend(data, bin);
  if (!AnyFinite(data.curves)) {
    data.note = "No " + binText + " plot bin was measured whole: choose a shorter bin.";
  }

  data.tableTitle = "Movexa activity over the run, " + WhatIsDrawn(r);
  data.header = {
      "plot bins: " + binText + " from " + OriginText(table) +
          "; a plot bin holds the run's bins that start in it and is empty unless every one "
          "of them was measured (nothing is filled in)",
      "value: counts per plot bin (the well's channels summed); " +
          GroupSummaryText("plot bin", "of the group"),
      "bin_start_min: the plot bin's start in minutes since the run start; t_h: its middle "
      "in hours since the run start, where it is drawn"};
  data.table.columns = {"series", "bin_start_min", "datetime", "t_h", "mean", "sd", "sem", "n"};
  for (size_t s = 0; s < data.series.size(); ++s) {
    const PlotCurve& c = data.curves[s];
    for (size_t k = 0; k < bins; ++k) {
      data.table.rows.push_back({data.series[s].label, std::to_string(startOf(k)),
                                 DateTimeText(WallClockAt(table, startOf(k))), Cell(data.x[k]),
                                 Cell(c.mean[k]), Cell(c.sd[k]), Cell(c.sem[k]),
                                 std::to_string(c.n[k])});
    }
  }
}

void ComputeProfile(const ActivityTable& table, PlotData& data, const PlotControl& control) {
  PlotRequest& r = data.request;
  if (r.binMinutes == 0) r.binMinutes = kDefaultProfileBinMinutes;
  CheckStop(control);
  const DayProfile profile = ComputeDayProfile(table, r.binMinutes);
  if (!profile.ok) {
    data.error = profile.error;
    return;
  }
  const int64_t bin = profile.binMinutes;
  for (int64_t s = 0; s < profile.slots; ++s) data.x.push_back((s + 0.5) * bin / 60.0);
  for (const PlotSeries& series : data.series) {
    PlotCurve curve;
    std::vector<double> values;
    for (int64_t s = 0; s < profile.slots; ++s) {
      values.clear();
      for (size_t w : series.wells) {
        if (const auto& v = profile.wells[w][static_cast<size_t>(s)]) values.push_back(*v);
      }
      Put(curve, SpreadOf(values));
    }
    data.curves.push_back(std::move(curve));
  }
  const double lightHours = LightMinutesPerDay(table.light) / 60.0;
  if (lightHours < 24) data.dark.push_back({lightHours, 24});
  const bool daily = table.light.kind == LightKind::kDaily;
  const std::string binText = BinText(bin);
  PlotOutline& outline = data.outline;
  outline.title = "Average day, " + WhatIsDrawn(r) + " over animals (" + binText + " bins)";
  outline.x = HoursAxis(
      0, 24,
      daily ? "Zeitgeber time (h after lights on)" : "Time of day from the run start's time (h)");
  outline.topAxis = true;
  outline.xTop = ClockAxis(0, 24, MinuteOfDay(table, table.zt0Minute), "Clock time (HH:MM)");
  CountsAxisAndLegend(data, bin);
  if (!AnyFinite(data.curves)) {
    data.note = "No day measured a whole " + binText + " profile bin: the run is too short.";
  }

  data.tableTitle = "Movexa average day, " + WhatIsDrawn(r);
  data.header = {
      "method: average day; each animal's bins folded on the 24-hour day from " +
          OriginText(table) + ", summed into " + binText +
          " profile bins and averaged over the days that measured the whole profile bin",
      GroupSummaryText("profile bin", "(each animal's own average day), never over animal-days"),
      "zt_h: the profile bin's start in hours; drawn at its middle"};
  data.table.columns = {"series", "slot", "zt_h", "clock", "light",
                        "mean",   "sd",   "sem",  "n",     "days"};
  for (size_t s = 0; s < data.series.size(); ++s) {
    const PlotCurve& c = data.curves[s];
    for (int64_t k = 0; k < profile.slots; ++k) {
      const size_t i = static_cast<size_t>(k);
      data.table.rows.push_back({data.series[s].label, std::to_string(k), Cell(k * bin / 60.0),
                                 ClockCell(table, table.zt0Minute + k * bin),
                                 k * bin < LightMinutesPerDay(table.light) ? "1" : "0",
                                 Cell(c.mean[i]), Cell(c.sd[i]), Cell(c.sem[i]),
                                 std::to_string(c.n[i]), std::to_string(profile.daysPerSlot[i])});
    }
  }
}

namespace {

const char* MeasureTitle(const std::string& name) {
  static const std::pair<const char*, const char*> kTitles[] = {
      {"sleep_min", "Sleep (min)"},
      {"bouts", "Sleep bouts (count)"},
      {"mean_bout_min", "Mean bout length (min)"},
      {"longest_bout_min", "Longest bout (min)"},
      {"censored_bouts", "Censored bouts (count)"},
      {"latency_min", "Sleep latency (min)"},
      {"awake_min", "Awake (min)"},
      {"activity_counts", "Activity (counts)"},
      {"waking_activity", "Waking activity (counts / awake min)"},
      {"activity_per_min", "Activity (counts / min)"},
      {"brief_awakenings", "Brief awakenings (count)"},
  };
  for (const auto& [n, title] : kTitles) {
    if (name == n) return title;
  }
  return "";
}

}  // namespace

void ComputeSleep(const ActivityTable& table, PlotData& data, const PlotControl& control) {
  PlotRequest& r = data.request;
  const std::vector<SleepMeasure>& measures = SleepMeasures();
  const auto measure = std::find_if(measures.begin(), measures.end(), [&](const SleepMeasure& m) {
    return r.sleepMeasure == m.name;
  });
  const bool fishBrief =
      r.sleepPreset == SleepPreset::kFish && r.sleepMeasure == "brief_awakenings";
  if (measure == measures.end() || fishBrief) {
    std::string list;
    for (const auto& m : measures) {
      if (r.sleepPreset == SleepPreset::kFly || std::string(m.name) != "brief_awakenings")
        list += (list.empty() ? "" : ", ") + std::string(m.name);
    }
    data.error = r.sleepMeasure + " is no measure of the " + RuleOf(r.sleepPreset).name +
                 " preset (" + list + ").";
    return;
  }
  CheckStop(control);
  const SleepAnalysis sleep = AnalyseSleep(table, r.sleepPreset);
  if (!sleep.ok) {
    data.error = sleep.error;
    return;
  }
  const auto window =
      std::find_if(sleep.windows.begin(), sleep.windows.end(),
                   [&](const AnalysisWindow& w) { return w.label == r.sleepWindow; });
  if (window == sleep.windows.end()) {
    std::string list;
    for (const auto& w : sleep.windows) list += (list.empty() ? "" : ", ") + w.label;
    data.error = "The run has no window \"" + r.sleepWindow + "\" (" + list + ").";
    return;
  }
  const size_t k = static_cast<size_t>(window - sleep.windows.begin());
  std::vector<std::string> names;
  data.table.columns = {"series", "well", "value", "mean", "sd", "sem", "n"};
  for (const PlotSeries& s : data.series) {
    BarValue bar;
    bar.colour = s.colour;
    std::vector<std::vector<std::string>> animals;
    for (size_t w : s.wells) {
      const WindowSleep& ws = sleep.wells[w][k];
      if (ws.measuredMinutes == 0) continue;  // as the group files: a value in the window
      if (const auto v = measure->value(ws)) {
        bar.points.push_back(*v);
        animals.push_back({s.label, table.wells[w].label, Cell(*v), "", "", "", ""});
      }
    }
    const Spread spread = SpreadOf(bar.points);
    bar.mean = spread.mean;
    bar.sem = spread.sem;
    data.bars.push_back(bar);
    PlotCurve curve;
    Put(curve, spread);
    data.curves.push_back(curve);
    names.push_back(r.byWell ? s.label : s.label + " (n = " + std::to_string(spread.n) + ")");
    data.table.rows.push_back({s.label, "", "", Cell(spread.mean), Cell(spread.sd),
                               Cell(spread.sem), std::to_string(spread.n)});
    data.table.rows.insert(data.table.rows.end(), animals.begin(), animals.end());
  }
  double most = 0;
  for (const BarValue& b : data.bars) {
    if (std::isfinite(b.mean)) most = std::max(most, b.mean + (std::isfinite(b.sem) ? b.sem : 0));
    for (double p : b.points) most = std::max(most, p);
  }
  PlotOutline& outline = data.outline;
  outline.title = std::string(MeasureTitle(r.sleepMeasure)) + ", " + window->label + ", " +
                  sleep.rule.name + " preset (" + std::to_string(sleep.rule.ruleMinutes) +
                  "-min rule)" + (r.byWell ? "" : ": mean \xC2\xB1 SEM and the animals");
  outline.x = CategoryAxis(names, r.byWell ? "Well" : "Group");
  outline.y = LinearAxis(0, UpperEnd(most), MeasureTitle(r.sleepMeasure));
  data.tableTitle = "Movexa sleep and rest, " + r.sleepMeasure + " in " + window->label + " (" +
                    sleep.rule.name + " preset)";
  data.header = {"rule: " + sleep.rule.text,
                 "window: " + window->label + ", run minutes " +
                     std::to_string(window->startMinute) + " to " +
                     std::to_string(window->endMinute) + (window->partial ? " (partial)" : ""),
                 "measure: " + r.sleepMeasure + " (as in the sleep files)",
                 "rows: per series its mean, SD, SEM and N over the animals with a value in the "
                 "window (well empty), then each animal's value"};
  if (std::none_of(data.bars.begin(), data.bars.end(),
                   [](const BarValue& b) { return !b.points.empty(); })) {
    data.note = "No animal has a value of this measure in " + window->label + ".";
  }
}

}  // namespace movexa::plot_detail
