// The rhythm plots: double-plotted actograms (one panel per series, drawn side by side) and
// periodograms against their significance line with the peaks marked.
#include <algorithm>
#include <cmath>

#include "analysis/analysis_csv.h"
#include "analysis/plot_compute.h"
#include "analysis/rhythm_batch.h"
#include "analysis/rhythm_files.h"
#include "base/canvas_region.h"

namespace movexa::plot_detail {

namespace {

// Share of a row's height that the tallest bar takes (the rest keeps rows apart).
constexpr double kBarShare = 0.9;

// The series' values per plot bin: the well's counts, or the mean over the group's wells;
// NaN where the plot bin was not measured whole.
void SeriesValues(const ActivityTable& table, const PlotBinning& binning, const PlotSeries& s,
                  std::vector<double>& values) {
  std::vector<double> sums;
  values.assign(binning.bins, 0.0);
  for (size_t w : s.wells) {
    binning.WellSums(table, w, sums);
    for (size_t k = 0; k < values.size(); ++k) values[k] += sums[k];
  }
  for (double& v : values) v /= static_cast<double>(s.wells.size());
}

std::string ValueTitle(const PeriodogramOptions& o) {
  switch (o.method) {
    case PeriodogramMethod::kChiSquare:
      return "Qp (chi-square statistic, no unit)";
    case PeriodogramMethod::kLombScargle:
      return "Normalised power (0 to 1)";
    case PeriodogramMethod::kAutocorrelation:
      return "Autocorrelation r (-1 to 1)";
  }
  return {};
}

std::string ShortMethod(const PeriodogramOptions& o) {
  switch (o.method) {
    case PeriodogramMethod::kChiSquare:
      return o.variant == ChiSquareVariant::kAllData ? "chi-square (all data)"
                                                     : "chi-square (classic)";
    case PeriodogramMethod::kLombScargle:
      return "Lomb-Scargle";
    case PeriodogramMethod::kAutocorrelation:
      return "autocorrelation";
  }
  return {};
}

std::string Hours(double h) {
  return Decimal(std::round(h * 100) / 100) + " h";
}

}  // namespace

int64_t DefaultActogramBinMinutes(const ActivityTable& table, double periodHours) {
  const int64_t unit = std::max<int64_t>(1, table.binMinutes);
  for (int64_t bin : {5, 10, 15, 20, 30, 60}) {
    if (bin % unit == 0 && 2 * periodHours * 60 <= 200.0 * static_cast<double>(bin)) return bin;
  }
  return unit;
}

void ComputeActogram(const ActivityTable& table, PlotData& data, const PlotControl& control) {
  PlotRequest& r = data.request;
  if (r.binMinutes == 0) r.binMinutes = DefaultActogramBinMinutes(table, r.actogramPeriodHours);
  if (auto refusal = PlotBinRefusal(table, r.binMinutes)) {
    data.error = *refusal;
    return;
  }
  const PlotBinning binning = BinForPlot(table, r.binMinutes);
  // Rows begin at ZT0 (the run start under a constant schedule), on a plot bin's start.
  const ActogramOptions options{r.actogramPeriodHours, binning.origin};
  std::vector<double> values, measured;
  std::vector<int64_t> times;
  for (size_t s = 0; s < data.series.size(); ++s) {
    CheckStop(control);
    const PlotSeries& series = data.series[s];
    SeriesValues(table, binning, series, values);
    times.clear();
    measured.clear();
    for (size_t k = 0; k < values.size(); ++k) {
      if (!std::isfinite(values[k])) continue;
      times.push_back(binning.Start(k));
      measured.push_back(values[k]);
    }
    Actogram a = BuildActogram({times, measured, r.binMinutes}, options);
    if (a.status != ActogramStatus::kDrawn) {
      data.error = "No actogram: " + a.note;
      return;
    }
    Progress(control, "actogram", s + 1, data.series.size());
    ActogramPanel panel;
    panel.outline.title = series.legend;
    const double periodHours = static_cast<double>(a.PeriodMinutes()) / 60.0;
    const bool zt = table.light.kind == LightKind::kDaily && a.PeriodMinutes() == 1440;
    panel.outline.x =
        HoursAxis(0, 2 * periodHours,
                  zt ? "Zeitgeber time (h after lights on)" : "Time from the row's start (h)");
    std::vector<std::string> days;
    for (int64_t row = 0; row < a.Rows(); ++row) days.push_back(std::to_string(row + 1));
    panel.outline.y = CategoryAxis(days, a.PeriodMinutes() == 1440 ? "Day" : "Cycle");
    panel.outline.gridLines = false;
    panel.actogram = std::move(a);
    data.panels.push_back(std::move(panel));
  }
  const Actogram& a = data.panels.front().actogram;
  data.actogramOriginHours = static_cast<double>(a.originMinutes) / 60.0;
  // Shaded where the run was recorded only: a half-row beyond it has no data to shade.
  data.actogramDark = DarkSpans(table, table.binStart.front(), table.endMinute);
  const double periodHours = static_cast<double>(a.PeriodMinutes()) / 60.0;
  data.outline.title = "Double-plotted actograms" +
                       std::string(r.byWell ? "" : " of the group means") + ", " +
                       BinText(r.binMinutes) + " bins, " + HoursText(periodHours) + "-h rows" +
                       (data.actogramDark.empty() ? "" : "; grey: lights off");
  data.outline.fontPx = 12.0;
  data.note = a.note;

  data.tableTitle = "Movexa actogram, " + std::string(r.byWell ? "per well" : "group means");
  data.header = {
      "actogram: double-plotted; row r shows day r on the left half and day r + 1 on the "
      "right half, so the right half of a row is the left half of the next",
      "rows: " + a.note,
      "period: " + HoursText(periodHours) + " h (" + std::to_string(a.periodBins) + " bins of " +
          std::to_string(r.binMinutes) + " min); first row starts at run minute " +
          std::to_string(a.originMinutes),
      "values: counts per bin, the run's bins summed into the plot bin, empty unless every one "
      "was measured (a group: the mean over its wells); bar heights are the values "
      "divided by the largest value of the panel's actogram; columns: minutes from the row "
      "start; empty where no bin was measured"};
  data.table.columns = {"series", "row", "row_start"};
  for (int64_t c = 0; c < a.Columns(); ++c)
    data.table.columns.push_back(std::to_string(c * a.binMinutes));
  for (size_t s = 0; s < data.panels.size(); ++s) {
    const Actogram& p = data.panels[s].actogram;
    for (int64_t row = 0; row < p.Rows(); ++row) {
      std::vector<std::string> cells = {
          data.series[s].label, std::to_string(row + 1),
          DateTimeText(WallClockAt(table, p.originMinutes + row * p.PeriodMinutes()))};
      for (int64_t c = 0; c < p.Columns(); ++c) {
        const auto v = p.Value(row, c);
        cells.push_back(v ? Cell(*v) : std::string());
      }
      data.table.rows.push_back(std::move(cells));
    }
  }
}

void DrawActograms(Canvas& canvas, const PlotData& data) {
  const int W = std::max(1, canvas.WidthPx()), H = std::max(1, canvas.HeightPx());
  canvas.SetScale(0, 0, W, H);
  canvas.ResetClip();
  canvas.SetBackColor(colors::kWhite);
  canvas.Clear();
  // The figure's title over the panels.
  TextStyle title;
  title.sizePx = data.outline.fontPx * 1.1;
  title.bold = true;
  title.align = TextAlign::kCenter;
  const double titleH = canvas.MeasureText("Ag", title).height;
  const double pad = std::round(data.outline.fontPx * 0.5);
  double top = 0;
  if (titleH + 2 * pad < H / 4.0) {
    canvas.PlaceText(W / 2.0, pad, data.outline.title, colors::kBlack, title);
    top = titleH + pad;
  }
  const size_t n = data.panels.size();
  const size_t cols = std::clamp<size_t>(static_cast<size_t>(std::lround(W / 260.0)), 1, n);
  const size_t rows = (n + cols - 1) / cols;
  const double cellW = W / static_cast<double>(cols);
  const double cellH = (H - top) / static_cast<double>(rows);
  for (size_t i = 0; i < n; ++i) {
    const ActogramPanel& panel = data.panels[i];
    const Actogram& a = panel.actogram;
    CanvasRegion region(canvas, std::floor((i % cols) * cellW),
                        std::floor(top + (i / cols) * cellH), static_cast<int>(cellW),
                        static_cast<int>(cellH));
    PlotOutline outline = panel.outline;
    outline.fontPx = std::clamp(std::min(cellW, 2 * cellH) / 26.0, 9.0, data.outline.fontPx);
    PlotFrame frame(region, outline);
    frame.Begin();
    const double period = static_cast<double>(a.PeriodMinutes()) / 60.0;
    const double binHours = static_cast<double>(a.binMinutes) / 60.0;
    const Rgb colour = data.series[i].colour;
    for (int64_t row = 0; row < a.Rows(); ++row) {
      const double centre = static_cast<double>(a.Rows() - 1 - row);
      const double base = centre - 0.5, roof = centre + 0.5;
      // Dark phases of the row's two days.
      const double rowStart = data.actogramOriginHours + row * period;
      for (const AxisSpan& d : data.actogramDark) {
        const double from = std::max(d.from - rowStart, 0.0);
        const double to = std::min(d.to - rowStart, 2 * period);
        if (to <= from) continue;
        const CanvasPoint box[] = {{from, base}, {to, base}, {to, roof}, {from, roof}};
        region.FilledPolygon(box, kDarkPhaseShade, kDarkPhaseOpacity);
      }
      // Each half's runs of measured cells as one outline of bars.
      for (int64_t half = 0; half < 2; ++half) {
        std::vector<CanvasPoint> bars;
        auto close = [&]() {
          if (bars.empty()) return;
          bars.push_back({bars.back().x, base});
          region.FilledPolygon(bars, colour, 1.0);
          bars.clear();
        };
        for (int64_t c = half * a.periodBins; c < (half + 1) * a.periodBins; ++c) {
          const auto h = a.Height(row, c);
          if (!h) {
            close();
            continue;
          }
          const double x0 = c * binHours, x1 = (c + 1) * binHours;
          if (bars.empty()) bars.push_back({x0, base});
          bars.push_back({x0, base + kBarShare * *h});
          bars.push_back({x1, base + kBarShare * *h});
        }
        close();
      }
    }
    // The boundary between the halves.
    region.SetPenWidth(1);
    region.Line(period, frame.yLo(), period, frame.yHi(), {150, 150, 150});
    frame.Finish();
  }
  canvas.SetScale(0, 0, W, H);
  canvas.ResetClip();
}

void ComputePeriodogram(const ActivityTable& table, PlotData& data, WorkerPool& pool,
                        const PlotControl& control) {
  const PlotRequest& r = data.request;
  const PeriodogramOptions& o = r.periodogram;
  const PeriodogramPlan plan = PlanPeriodogram(o, table.binStart, table.binMinutes);
  PlotOutline& outline = data.outline;
  const std::string alpha = Decimal(o.alpha);
  outline.title =
      "Periodogram, " + ShortMethod(o) + ", " + WhatIsDrawn(r) + " (alpha = " + alpha + ")";
  outline.x = HoursAxis(o.minPeriodHours, o.maxPeriodHours, "Period (h)");
  data.tableTitle = "Movexa periodogram, " + ShortMethod(o) + ", " + WhatIsDrawn(r);
  data.header = {"method: " + MethodText(o), "significance line: " + SignificanceText(plan),
                 "peaks: for each run of periods above the line, its interior local maximum "
                 "highest above the line (up to 3); a group's marks are its mean periodogram's",
                 "value: a well's value, or the mean over the group's wells that have a "
                 "periodogram, with SD, SEM and N"};
  data.table.columns = {"series", "period_h", "value", "sd", "sem", "n", "threshold", "above_line"};
  if (plan.status != PeriodogramStatus::kAnalysed) {
    outline.y = LinearAxis(0, 1, ValueTitle(o));
    data.note = "No periodogram: " + plan.note;
    return;
  }
  // The periodograms of every well of the series, over the pool; stopped between wells.
  std::vector<size_t> wells;
  for (const PlotSeries& s : data.series) wells.insert(wells.end(), s.wells.begin(), s.wells.end());
  std::sort(wells.begin(), wells.end());
  wells.erase(std::unique(wells.begin(), wells.end()), wells.end());
  const std::string step = ShortMethod(o) + " periodogram";
  const std::vector<Periodogram> computed = ComputePeriodograms(
      plan, wells.size(),
      [&](size_t k, std::vector<double>& values) {
        CheckStop(control);
        WellValues(table, wells[k], values);
      },
      pool, [&](size_t done, size_t total) { Progress(control, step, done, total); });
  auto of = [&](size_t well) -> const Periodogram& {
    return computed[static_cast<size_t>(std::lower_bound(wells.begin(), wells.end(), well) -
                                        wells.begin())];
  };

  for (size_t i = 0; i < plan.Periods(); ++i) data.x.push_back(plan.PeriodHours(i));
  data.threshold = plan.threshold;
  double lo = 0, hi = 0;
  for (double t : plan.threshold) hi = std::max(hi, t);
  std::vector<double> values;
  for (const PlotSeries& s : data.series) {
    PlotCurve curve;
    std::vector<const Periodogram*> members;
    for (size_t w : s.wells) members.push_back(&of(w));
    for (size_t i = 0; i < plan.Periods(); ++i) {
      values.clear();
      for (const Periodogram* p : members) {
        if (!p->values.empty()) values.push_back(p->values[i]);
      }
      Put(curve, SpreadOf(values));
      if (std::isfinite(curve.mean[i])) {
        const double sem = std::isfinite(curve.sem[i]) ? curve.sem[i] : 0.0;
        lo = std::min(lo, curve.mean[i] - sem);
        hi = std::max(hi, curve.mean[i] + sem);
      }
    }
    std::string line = s.label + ": ";
    if (members.size() == 1) {
      const Periodogram& p = *members.front();
      for (const PeriodogramPeak& peak : p.peaks)
        curve.peaks.push_back(static_cast<size_t>(peak.periodBins - plan.periodBins.front()));
      line += p.Rhythmic() ? "rhythmic, peak period " + Hours(p.peaks.front().periodHours)
              : p.status == PeriodogramStatus::kNoVariation ? "not rhythmic (no variation)"
                                                            : "not rhythmic";
    } else {
      curve.peaks = PeaksAboveLine(curve.mean, plan.threshold);
      const PeakPeriodSummary sum = SummarisePeakPeriods(members);
      line += std::to_string(sum.rhythmic) + " rhythmic of " + std::to_string(sum.animals);
      if (sum.meanHours) {
        line +=
            "; peak period mean " + Hours(*sum.meanHours) + ", median " + Hours(*sum.medianHours);
        if (sum.semHours) line += ", SEM " + Hours(*sum.semHours);
      }
      line += curve.peaks.empty()
                  ? "; the mean periodogram has no peak above the line"
                  : "; the mean periodogram peaks at " + Hours(data.x[curve.peaks.front()]);
    }
    data.summary.push_back(line);
    for (size_t i = 0; i < plan.Periods(); ++i) {
      data.table.rows.push_back(
          {s.label, Cell(data.x[i]), Cell(curve.mean[i]), Cell(curve.sd[i]), Cell(curve.sem[i]),
           std::to_string(curve.n[i]), Cell(plan.threshold[i]),
           std::isfinite(curve.mean[i]) && curve.mean[i] > plan.threshold[i] ? "1" : "0"});
    }
    data.curves.push_back(std::move(curve));
  }
  outline.y = LinearAxis(lo < 0 ? lo * 1.08 : 0, UpperEnd(hi * 1.06), ValueTitle(o));
  outline.legend =
      SeriesLegend(data.series, r.byWell ? LegendMark::kLine : LegendMark::kBand, false);
  outline.legend.push_back({"Significance line", okabe_ito::kBlack, LegendMark::kDashedLine});
  if (!plan.note.empty()) data.header.push_back("bins: " + plan.note);
}

}  // namespace movexa::plot_detail
