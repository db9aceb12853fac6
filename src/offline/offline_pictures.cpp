// The offline window's pictures on the Canvas.
#include "offline/offline_pictures.h"

#include <algorithm>
#include <cmath>

#include "base/number_format.h"
#include "base/rounding.h"
#include "offline/offline_texts.h"
#include "project/plate_format.h"

namespace movexa {

namespace texts = offline_texts;

namespace {

constexpr double kTop = 2150;
constexpr double kBottom = -150;

// Draws `count` values (value(i) at x0 + i) as a trace: per pixel column the range of the
// values in it, joined to the next column.
template <class Value>
void Trace(Canvas& canvas, double x0, int count, double samplesPerColumn, Value value,
           Rgb colour) {
  if (count <= 0) return;
  double perColumn = std::max(1.0, samplesPerColumn);
  double lastX = x0, lastY = value(0);
  int i = 0;
  while (i < count) {
    int end = std::min(count, i + static_cast<int>(std::ceil(perColumn)));
    double lo = value(i), hi = lo;
    double first = lo;
    for (int k = i + 1; k < end; ++k) {
      double v = value(k);
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
    double x = x0 + i;
    canvas.Line(lastX, lastY, x, first, colour);
    if (hi > lo) canvas.Line(x, lo, x, hi, colour);
    lastX = x;
    lastY = value(end - 1);
    i = end;
  }
}

double SamplesPerColumn(const Canvas& canvas) {
  return kSamplesPerPage * (1.0 + 1.0 / 25.0) / std::max(1, canvas.WidthPx());
}

// Height of one text line in the logical units of the y axis running from `top` to `bottom`.
double LineHeight(const Canvas& canvas, double top, double bottom) {
  return std::fabs(top - bottom) * 16.0 / std::max(1, canvas.HeightPx());
}

// The axes of a page; the sample labels count from the page's first sample in the run, so the
// axis tells where the page sits (page 2 runs from 25k to 50k).
void SignalAxes(Canvas& canvas, int positions, int64_t firstSample) {
  double width = static_cast<double>(positions) * kSamplesPerPosition;
  canvas.SetBackColor(colors::kWhite);
  canvas.Clear();
  canvas.SetScale(-width / 25.0, kTop, width, kBottom);
  canvas.SetPenWidth(1);
  canvas.Line(0, 0, width, 0, colors::kBlack);
  canvas.Line(0, 0, 0, kTop, colors::kBlack);
  canvas.Text(-width / 25.0, kTop, "100%", colors::kBlack);
  canvas.Text(-width / 25.0, 60, "  0%", colors::kBlack);
  for (int t = 0; t <= positions; ++t) {
    double x = static_cast<double>(t) * kSamplesPerPosition;
    canvas.Line(x, 0, x, kTop, kBlockBoundaryGrey);
  }
  // Sample labels every 5000 samples, leaving the right end to the axis title.
  for (int k = 0; k * 5000.0 < width - width / 8.0; ++k) {
    canvas.Text(k * 5000.0, -20, std::to_string((firstSample + k * 5000) / 1000) + "k",
                colors::kBlack);
  }
  canvas.Text(width - width / 12.0, -20, texts::kSampleAxis, colors::kBlack);
}

// The acquisition's caption and the picture's own line under it, at the top left.
void Headline(Canvas& canvas, const std::string& caption, const std::string& line, double x,
              double top, double bottom) {
  const double h = LineHeight(canvas, top, bottom) * (top > bottom ? -1.0 : 1.0);
  canvas.Text(x, top + h * 0.2, caption, colors::kBlack);
  canvas.Text(x, top + h * 1.3, line, colors::kBlack);
}

void DrawBeamSignals(Canvas& canvas, const SignalView& view, int positions, bool dim) {
  std::vector<int> channels = view.WellChannels();
  int n = view.snap.map.highestBeam;
  for (size_t b = 0; b < channels.size(); ++b) {
    int c = channels[b];
    if (c < 0) continue;
    Rgb colour = BeamColour(static_cast<int>(b), n);
    if (dim) colour = {static_cast<uint8_t>(255 - (255 - colour.r) / 3),
                       static_cast<uint8_t>(255 - (255 - colour.g) / 3),
                       static_cast<uint8_t>(255 - (255 - colour.b) / 3)};
    for (int t = 0; t < positions; ++t) {
      if (!view.loaded[static_cast<size_t>(t)]) continue;
      RawBlockView block = view.Block(t);
      Trace(canvas, static_cast<double>(t) * kSamplesPerPosition, kSamplesPerPosition,
            SamplesPerColumn(canvas),
            [&](int s) { return static_cast<double>(block.At(c, s)); }, colour);
    }
  }
}

}  // namespace

void DrawPageProgress(Canvas& canvas, int k) {
  canvas.SetScale(0, 0, 100, 100);
  if (k == 0) {
    canvas.SetBackColor(colors::kWhite);
    canvas.Clear();
  }
  canvas.FilledBox(0, 0, k / 4.0 * 100.0, 100, colors::kBlue);
}

void DrawDescription(Canvas& canvas, const std::vector<std::string>& lines) {
  canvas.SetBackColor(colors::kWhite);
  canvas.Clear();
  int rows = std::max(24, static_cast<int>(lines.size()) + 1);
  canvas.SetScale(0, 0, 1000, rows);
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string line = lines[i];
    std::replace(line.begin(), line.end(), '\t', ' ');
    canvas.Text(10, static_cast<double>(i) + 0.3, line, colors::kBlack);
  }
}

void DrawChannelSignal(Canvas& canvas, const SignalView& view) {
  int positions = view.LoadedPositions();
  if (positions == 0) return;
  SignalAxes(canvas, kPositionsPerPage, view.FirstSampleOfPage());
  DrawBeamSignals(canvas, view, positions, false);
  Headline(canvas, view.Caption(),
           "Well " + WellLabel(view.SelectedWell(), view.snap.geometry.rows) + "  page " +
               view.PageText(),
           0, kTop, kBottom);
}

void DrawAnalysis(Canvas& canvas, const SignalView& view, const PageAnalysis& analysis) {
  int positions = view.LoadedPositions();
  if (positions == 0) return;
  SignalAxes(canvas, kPositionsPerPage, view.FirstSampleOfPage());
  DrawBeamSignals(canvas, view, positions, true);
  int n = view.snap.map.highestBeam;
  for (const BeamAnalysis& beam : analysis.beams) {
    Rgb colour = BeamColour(beam.beam, n);
    colour = {static_cast<uint8_t>(colour.r / 2), static_cast<uint8_t>(colour.g / 2),
              static_cast<uint8_t>(colour.b / 2)};
    int count = static_cast<int>(beam.envelope.size());
    Trace(canvas, 0, count, SamplesPerColumn(canvas),
          [&](int s) { return static_cast<double>(beam.envelope[static_cast<size_t>(s)]); },
          colour);
  }
  // Events per section of ten positions and the time of each section's first block, below
  // the two headline rows.
  const double rows = LineHeight(canvas, kTop, kBottom);
  for (int k = 0; k < kSectionsPerPage; ++k) {
    double x = static_cast<double>(k * kPositionsPerSection * kSamplesPerPosition) + 600;
    if (!view.loaded[static_cast<size_t>(k * kPositionsPerSection)]) continue;
    int64_t time = analysis.times[static_cast<size_t>(k * kPositionsPerSection)];
    if (time >= 0) canvas.Text(x, -80, std::to_string(time), colors::kBlack);
    for (size_t b = 0; b < analysis.beams.size(); ++b) {
      const BeamAnalysis& beam = analysis.beams[b];
      canvas.Text(x, kTop - rows * (2.6 + static_cast<double>(b)),
                  std::to_string(beam.sectionCounts[static_cast<size_t>(k)]),
                  BeamColour(beam.beam, n));
    }
  }
  double width = static_cast<double>(kSamplesPerPage);
  canvas.Text(width - width / 12.0, -80, texts::kAnalysisTimeAxis, colors::kBlack);
  Headline(canvas, view.Caption(),
           "Mode" + std::to_string(analysis.method) + " SNR=" + FormatNumber(analysis.snr, "0.0"),
           0, kTop, kBottom);
}

void DrawGroupActivity(Canvas& canvas, const GroupActivityTrace& activity,
                       const std::string& groupLabel, const std::string& caption) {
  canvas.SetBackColor(colors::kWhite);
  canvas.Clear();
  double right = static_cast<double>(std::max<int64_t>(activity.largestTime, 1));
  double top = std::max(1.0, activity.largestValue) * 1.1;
  canvas.SetScale(-right / 12.0, top, right * 1.02, -top / 8.0);
  canvas.SetPenWidth(1);
  canvas.Line(0, 0, right, 0, colors::kBlack);
  canvas.Line(0, 0, 0, top, colors::kBlack);
  canvas.Text(right * 0.45, -top / 14.0, texts::kTimeAxis, colors::kBlack);
  for (int q = 0; q <= 4; ++q) {
    canvas.Line(right * q / 4.0, 0, right * q / 4.0, -top / 80.0, colors::kBlack);
    canvas.Text(right * q / 4.0 - (q == 4 ? right / 30.0 : 0), -top / 40.0,
                std::to_string(static_cast<int64_t>(right) * q / 4), colors::kBlack);
  }
  canvas.Text(-right / 12.0, top, texts::kScale, colors::kBlack);
  canvas.Text(-right / 12.0, top / 1.1, FormatNumber(activity.largestValue, "0.0"), colors::kBlack);
  canvas.Text(-right / 12.0, top / 2.2, FormatNumber(activity.largestValue / 2, "0.0"),
              colors::kBlack);
  size_t records = activity.times.size();
  size_t wells = activity.wells.size();
  // A curve against time: consecutive records that fall in one pixel column are drawn as the
  // range of their values, so a month of one-minute bins costs a few thousand strokes.
  const double minutesPerColumn = right * 1.1 / std::max(1, canvas.WidthPx());
  auto curve = [&](auto value, Rgb colour) {
    if (records == 1) {
      canvas.Circle(static_cast<double>(activity.times[0]), value(size_t{0}), right / 200.0, colour, true);
      return;
    }
    size_t r = 0;
    double lastX = 0, lastY = 0;
    while (r < records) {
      auto column = static_cast<int64_t>(static_cast<double>(activity.times[r]) / minutesPerColumn);
      double x = static_cast<double>(activity.times[r]);
      double first = value(r), lo = first, hi = first, last = first;
      size_t next = r + 1;
      while (next < records &&
             static_cast<int64_t>(static_cast<double>(activity.times[next]) / minutesPerColumn) == column) {
        last = value(next);
        lo = std::min(lo, last);
        hi = std::max(hi, last);
        ++next;
      }
      if (r > 0) canvas.Line(lastX, lastY, x, first, colour);
      if (hi > lo) canvas.Line(x, lo, x, hi, colour);
      lastX = x;
      lastY = last;
      r = next;
    }
  };
  for (size_t w = 0; w < wells; ++w) {
    curve([&](size_t r) { return activity.wellValues[r * wells + w]; }, kWellCurveGrey);
  }
  canvas.SetPenWidth(2);
  curve([&](size_t r) { return activity.groupValues[r]; }, colors::kBlue);
  canvas.SetPenWidth(1);
  canvas.Text(right * 0.6, top, texts::kWell, kWellCurveGrey);
  canvas.Text(right * 0.7, top, texts::kGroup, colors::kBlue);
  canvas.Text(right * 0.1, top, groupLabel, colors::kBlack);
  if (!caption.empty()) {
    canvas.Text(right * 0.1, top - LineHeight(canvas, top, -top / 8.0), caption, colors::kBlack);
  }
}

void DrawPlate(Canvas& canvas, const PlateGeometry& g, const WellMap& map,
               const ProjectSettings& settings) {
  auto cp = static_cast<double>(RoundHalfEven(g.columnPitch * 100));
  auto co = static_cast<double>(RoundHalfEven(g.columnOffset * 100));
  auto rp = static_cast<double>(RoundHalfEven(g.rowPitch * 100));
  auto ro = static_cast<double>(RoundHalfEven(g.rowOffset * 100));
  canvas.SetBackColor(colors::kWhite);
  canvas.Clear();
  // The beam grid's area, widened when a plate's last wells reach past it.
  canvas.SetScale(co - 50, ro - 50, std::max(2400.0, g.columns * cp + co + 10),
                  std::max(1600.0, g.rows * rp + ro + 10));
  for (int e = 0; e < g.rows; ++e) {
    for (int j = 0; j < g.columns; ++j) {
      canvas.Box(j * cp + co, e * rp + ro, (j + 1) * cp + co, (e + 1) * rp + ro, colors::kRed);
    }
  }
  for (int r = 0; r < kBeamRows; ++r) {
    for (int k = 0; k < kBeamColumns; ++k) {
      auto c = static_cast<size_t>(r + kBeamRows * k);
      bool shown = settings.channelEnabled[c] && map.channelWell[c] >= 0;
      canvas.Circle(100.0 * k + 50, 100.0 * r + 50, 5, shown ? colors::kBlue : Rgb{255, 255, 0});
    }
  }
  static constexpr Rgb kMarks[4] = {{0, 255, 0}, {0, 0, 255}, {255, 0, 0}, {0, 0, 0}};
  for (int j = 0; j < g.columns; ++j) {
    for (int e = 0; e < g.rows; ++e) {
      int c = map.FindChannel(j * g.rows + e, 0);
      if (c < 0) continue;
      int group = settings.channelGroup[static_cast<size_t>(c)];
      if (group < 0) continue;
      canvas.Text(j * cp + co + 25, e * rp + ro + 45, std::to_string(group) + "G", kMarks[group % 4]);
    }
  }
  for (int j = 0; j < g.columns; ++j) {
    canvas.Text(j * cp + co + 25, ro - 50, std::to_string(j + 1), colors::kBlack);
  }
  for (int e = 0; e < g.rows; ++e) {
    canvas.Text(co - 50, e * rp + ro, std::string(1, static_cast<char>('A' + e)), colors::kBlack);
  }
}

}  // namespace movexa
