// The analysis plots: kinds, the series of a plot, the shared helpers, computing with stop and
// progress, drawing the curve plots, and the table's file.
#include "analysis/analysis_plots.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

#include "analysis/analysis_csv.h"
#include "analysis/analysis_windows.h"
#include "analysis/plot_compute.h"
#include "base/text_records.h"

namespace movexa {

namespace plot_detail {

void CheckStop(const PlotControl& control) {
  if (control.stopRequested && control.stopRequested()) throw Stopped{};
}

void Progress(const PlotControl& control, const std::string& step, size_t done, size_t total) {
  if (control.progress) control.progress(step, done, total);
}

Spread SpreadOf(const std::vector<double>& values) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Summary s = Summarise(values);
  return {s.n > 0 ? s.mean : nan, s.n > 1 ? s.sd : nan, s.n > 1 ? s.sem : nan, s.n};
}

void Put(PlotCurve& curve, const Spread& s) {
  curve.mean.push_back(s.mean);
  curve.sd.push_back(s.sd);
  curve.sem.push_back(s.sem);
  curve.n.push_back(s.n);
}

std::string Cell(double value) {
  return Decimal(value);
}

std::vector<LegendEntry> SeriesLegend(const std::vector<PlotSeries>& series, LegendMark mark,
                                      bool dark) {
  std::vector<LegendEntry> legend;
  for (const PlotSeries& s : series) legend.push_back({s.legend, s.colour, mark});
  if (dark) legend.push_back({"Lights off", kDarkPhaseShade, LegendMark::kShade});
  return legend;
}

std::string WhatIsDrawn(const PlotRequest& request) {
  return request.byWell ? "per well" : "mean \xC2\xB1 SEM per group";
}

double UpperEnd(double largest) {
  if (!std::isfinite(largest) || largest <= 0) return 1.0;
  return largest * 1.08;
}

}  // namespace plot_detail

namespace {

using namespace plot_detail;

// Bins an activity plot is drawn in by default at most: a 1000-pixel plot shows each.
constexpr int64_t kMostActivityBins = 150;

struct KindText {
  PlotKind kind;
  const char* name;
  const char* caption;
};
constexpr KindText kKindTexts[] = {
    {PlotKind::kActivity, "activity", "Activity over the run"},
    {PlotKind::kProfile, "profile", "Average day (day profile)"},
    {PlotKind::kActogram, "actogram", "Double-plotted actogram"},
    {PlotKind::kPeriodogram, "periodogram", "Periodogram"},
    {PlotKind::kSleep, "sleep", "Sleep and rest"},
};

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// The table well labelled `label` (any letter case), or none.
std::optional<size_t> WellIndexOf(const ActivityTable& table, const std::string& label) {
  const std::string wanted = Upper(label);
  for (size_t w = 0; w < table.wells.size(); ++w) {
    if (Upper(table.wells[w].label) == wanted) return w;
  }
  return std::nullopt;
}

// The wells of "B3" or of the rectangle "A1-B3" that the run holds; false when an end names
// no well of the run.
bool WellsNamed(const ActivityTable& table, const std::string& word, std::vector<size_t>& out) {
  const size_t dash = word.find('-');
  const auto a = WellIndexOf(table, word.substr(0, dash));
  const auto b = dash == std::string::npos ? a : WellIndexOf(table, word.substr(dash + 1));
  if (!a || !b) return false;
  if (dash == std::string::npos) {
    out.push_back(*a);
    return true;
  }
  const int rows = std::max(1, table.plateRows);
  const int wa = table.wells[*a].well, wb = table.wells[*b].well;
  const int c0 = std::min(wa / rows, wb / rows), c1 = std::max(wa / rows, wb / rows);
  const int r0 = std::min(wa % rows, wb % rows), r1 = std::max(wa % rows, wb % rows);
  for (size_t w = 0; w < table.wells.size(); ++w) {
    const int n = table.wells[w].well;
    if (n / rows >= c0 && n / rows <= c1 && n % rows >= r0 && n % rows <= r1) out.push_back(w);
  }
  return true;
}

// The group of the run named by its label, its name or its number.
const AnalysisGroup* GroupNamed(const ActivityTable& table, const std::string& name) {
  for (const auto& g : table.groups) {
    if (g.label == name) return &g;
  }
  for (const auto& g : table.groups) {
    const size_t cut = g.label.find('_');
    if (cut != std::string::npos && g.label.substr(cut + 1) == name) return &g;
  }
  if (const auto number = ParseInteger(name, 0, 65535)) {
    for (const auto& g : table.groups) {
      if (g.group == *number) return &g;
    }
  }
  return nullptr;
}

std::string GroupList(const ActivityTable& table) {
  std::string list;
  for (const auto& g : table.groups) list += (list.empty() ? "" : ", ") + g.label;
  return list.empty() ? "none" : list;
}

}  // namespace

const char* PlotKindName(PlotKind kind) {
  for (const auto& k : kKindTexts) {
    if (k.kind == kind) return k.name;
  }
  return "";
}

const char* PlotKindCaption(PlotKind kind) {
  for (const auto& k : kKindTexts) {
    if (k.kind == kind) return k.caption;
  }
  return "";
}

std::optional<PlotKind> PlotKindOf(std::string_view name) {
  for (const auto& k : kKindTexts) {
    if (name == k.name) return k.kind;
  }
  return std::nullopt;
}

size_t MostSeries(PlotKind kind) {
  switch (kind) {
    case PlotKind::kActogram:
      return 24;
    case PlotKind::kSleep:
      return 48;
    default:
      return 8;
  }
}

SeriesChoice ChooseSeries(const ActivityTable& table, bool byWell,
                          const std::vector<std::string>& names, size_t most) {
  SeriesChoice out;
  if (byWell) {
    std::vector<size_t> wells;
    for (const std::string& name : names) {
      if (!WellsNamed(table, name, wells)) {
        out.error = name +
                    " is no well of the run (wells are named as B3, or A1-B3 for a "
                    "rectangle of the plate).";
        return out;
      }
    }
    for (size_t w : wells) {
      if (std::any_of(out.series.begin(), out.series.end(),
                      [&](const PlotSeries& s) { return s.wells.front() == w; })) {
        continue;
      }
      const AnalysisWell& well = table.wells[w];
      out.series.push_back({well.label, well.label + " (" + well.groupLabel + ")", {w}, {}});
    }
    if (out.series.empty()) {
      out.error = "No well was chosen: name the wells to draw (B3, or A1-B3).";
      return out;
    }
  } else {
    if (names.empty()) {
      for (const auto& g : table.groups) {
        out.series.push_back({g.label, "", g.wells, {}});
      }
      if (out.series.empty()) {
        out.error = "The run has no group with wells (every well is free): choose wells instead.";
        return out;
      }
    }
    for (const std::string& name : names) {
      const AnalysisGroup* g = GroupNamed(table, name);
      if (!g) {
        out.error = name + " is no group of the run (the groups are: " + GroupList(table) + ").";
        return out;
      }
      if (std::none_of(out.series.begin(), out.series.end(),
                       [&](const PlotSeries& s) { return s.label == g->label; })) {
        out.series.push_back({g->label, "", g->wells, {}});
      }
    }
    for (PlotSeries& s : out.series) {
      if (s.wells.empty()) {
        out.error = "Group " + s.label + " has no well in the run.";
        return out;
      }
      s.legend = s.label + " (n = " + std::to_string(s.wells.size()) + ")";
    }
  }
  if (out.series.size() > most) {
    out.error = std::to_string(out.series.size()) + (byWell ? " wells" : " groups") +
                " were chosen; one plot shows at most " + std::to_string(most) + ": choose fewer.";
    out.series.clear();
    return out;
  }
  for (size_t i = 0; i < out.series.size(); ++i)
    out.series[i].colour = SeriesColour(static_cast<int>(i));
  out.ok = true;
  return out;
}

int64_t DefaultActivityBinMinutes(const ActivityTable& table) {
  const int64_t unit = std::max<int64_t>(1, table.binMinutes);
  const int64_t span = table.BinCount() == 0 ? 0 : table.endMinute - table.binStart.front();
  for (int64_t bin : {1, 2, 5, 10, 15, 20, 30, 60, 120, 180, 240, 360, 720, 1440}) {
    if (bin % unit == 0 && span <= kMostActivityBins * bin) return bin;
  }
  // Longer runs or odd record lengths: the fewest whole bins that keep to the most.
  const int64_t rough = std::max<int64_t>(unit, (span + kMostActivityBins - 1) / kMostActivityBins);
  return (rough + unit - 1) / unit * unit;
}

std::vector<AxisSpan> DarkSpans(const ActivityTable& table, int64_t fromMinute, int64_t toMinute) {
  std::vector<AxisSpan> spans;
  if (toMinute <= fromMinute) return spans;
  switch (table.light.kind) {
    case LightKind::kConstantLight:
      return spans;
    case LightKind::kConstantDark:
      spans.push_back({fromMinute / 60.0, toMinute / 60.0});
      return spans;
    case LightKind::kDaily:
      break;
  }
  const int64_t light = LightMinutesPerDay(table.light);
  const int64_t offset = fromMinute - table.zt0Minute;
  int64_t day = offset / 1440 - (offset % 1440 < 0 ? 1 : 0) - 1;
  for (;; ++day) {
    const int64_t on = table.zt0Minute + day * 1440;
    if (on >= toMinute) break;
    const int64_t from = std::max(fromMinute, on + light);
    const int64_t to = std::min(toMinute, on + 1440);
    if (to > from) spans.push_back({from / 60.0, to / 60.0});
  }
  return spans;
}

std::string BinText(int64_t minutes) {
  if (minutes < 60 || minutes % 30 != 0) return std::to_string(minutes) + " min";
  return HoursText(static_cast<double>(minutes) / 60.0) + " h";
}

PlotData ComputePlot(const ActivityTable& table, const PlotRequest& request, WorkerPool& pool,
                     const PlotControl& control) {
  PlotData data;
  data.request = request;
  const SeriesChoice choice =
      ChooseSeries(table, request.byWell, request.names, MostSeries(request.kind));
  if (!choice.ok) {
    data.error = choice.error;
    return data;
  }
  data.series = choice.series;
  try {
    switch (request.kind) {
      case PlotKind::kActivity:
        ComputeActivity(table, data, control);
        break;
      case PlotKind::kProfile:
        ComputeProfile(table, data, control);
        break;
      case PlotKind::kActogram:
        ComputeActogram(table, data, control);
        break;
      case PlotKind::kPeriodogram:
        ComputePeriodogram(table, data, pool, control);
        break;
      case PlotKind::kSleep:
        ComputeSleep(table, data, control);
        break;
    }
  } catch (const Stopped&) {
    PlotData stopped;
    stopped.request = request;
    stopped.stopped = true;
    stopped.error = "Stopped before the plot was computed.";
    return stopped;
  }
  data.ok = data.error.empty();
  return data;
}

void DrawPlot(Canvas& canvas, const PlotData& data) {
  if (!data.ok) {
    PlotOutline outline = data.outline;
    outline.legend.clear();
    PlotFrame frame(canvas, outline);
    frame.Begin();
    frame.Note(data.error);
    frame.Finish();
    return;
  }
  if (data.request.kind == PlotKind::kActogram && !data.panels.empty()) {
    DrawActograms(canvas, data);
    return;
  }
  PlotFrame frame(canvas, data.outline);
  frame.Begin();
  frame.ShadeSpans(data.dark);
  if (data.request.kind == PlotKind::kSleep) {
    frame.Bars(data.bars);
  } else {
    for (size_t s = 0; s < data.curves.size() && s < data.series.size(); ++s) {
      frame.MeanWithBand(data.x, data.curves[s].mean, data.curves[s].sem, data.series[s].colour);
    }
  }
  if (!data.threshold.empty()) {
    frame.Series(data.x, data.threshold, okabe_ito::kBlack, LineStyle::kDashed, 2);
  }
  // Peaks: a dot on the curve and the period above it, unless it would cover another label.
  std::vector<std::pair<CanvasPoint, CanvasPoint>> taken;  // label boxes in data units
  TextStyle style;
  style.sizePx = data.outline.fontPx * 0.9;
  style.align = TextAlign::kCenter;
  style.vertical = TextVertical::kBottom;
  for (size_t s = 0; s < data.curves.size() && s < data.series.size(); ++s) {
    for (size_t i : data.curves[s].peaks) {
      const double px = data.x[i], py = data.curves[s].mean[i];
      frame.Dot(px, py, okabe_ito::kBlack, 4.5);
      frame.Dot(px, py, data.series[s].colour, 3);
      const std::string text = HoursText(std::round(px * 100) / 100) + " h";
      const TextExtent e = canvas.MeasureText(text, style);
      const double lift = frame.DataY(frame.PixelY(py) - 6) - py;
      const CanvasPoint lo{px - e.width / 2, py + lift}, hi{px + e.width / 2, py + lift + e.height};
      const bool inside = hi.y <= frame.yHi() && lo.x >= frame.xLo() && hi.x <= frame.xHi();
      const bool clear = std::none_of(taken.begin(), taken.end(), [&](const auto& box) {
        return lo.x < box.second.x && box.first.x < hi.x && lo.y < box.second.y &&
               box.first.y < hi.y;
      });
      if (!inside || !clear) continue;
      taken.push_back({lo, hi});
      canvas.PlaceText(px, py + lift, text, okabe_ito::kBlack, style);
    }
  }
  if (!data.note.empty()) frame.Note(data.note);
  frame.Finish();
}

std::string PlotCsv(const ActivityTable& table, const PlotData& data) {
  std::vector<std::string> lines = data.header;
  for (const std::string& s : data.summary) lines.push_back("result: " + s);
  if (!data.note.empty()) lines.push_back("note: " + data.note);
  std::string out = HeaderBlock(table, data.tableTitle, lines);
  std::string line;
  for (const std::string& c : data.table.columns) line += (line.empty() ? "" : ",") + CsvCell(c);
  out += line + "\r\n";
  for (const auto& row : data.table.rows) {
    line.clear();
    for (size_t i = 0; i < row.size(); ++i) line += (i == 0 ? "" : ",") + CsvCell(row[i]);
    out += line + "\r\n";
  }
  return out;
}

}  // namespace movexa
