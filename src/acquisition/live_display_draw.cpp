// The pictures of the live display on a Canvas.
#include "acquisition/live_display_draw.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

#include "base/canvas_text.h"
#include "base/number_format.h"
#include "base/rounding.h"
#include "project/plate_format.h"

namespace movexa {

namespace {

namespace col = live_display_colors;

constexpr int kThickPen = 3;
constexpr std::array<int, 4> kTraceTicks = {500, 1000, 1500, 2000};
// Sample counter: its top-left corner, and the size in pixels of the box that erases the
// earlier counter under it (room for the widest counter of a multi-day run).
constexpr double kCounterX = 8;
constexpr double kCounterBottom = 20;
constexpr double kCounterHeightPx = 18;
constexpr double kCounterCharPx = 9;
constexpr int kCounterChars = 12;

// The activity picture spans x -30 .. 300; its right edge, and where the group view's first
// well starts.
constexpr double kActivityWidth = 330;
constexpr double kActivityRight = 300;
constexpr double kGroupLabelX = 5;
constexpr double kFirstWellX = 40;
// Room left between two labels of a row: 4 pixels, in units of the activity picture's x axis.
constexpr double kLabelGapPx = 4;

double LabelGap(const Canvas& canvas) {
  return kLabelGapPx * kActivityWidth / std::max(1, canvas.WidthPx());
}

// `label` cut to fit between x = left and x = right with the gap before the next label.
std::string FittedLabel(const Canvas& canvas, std::string_view label, double left, double right) {
  return ElideToWidth(canvas, label, right - left - LabelGap(canvas));
}

std::string GroupBarLabel(int group, std::string_view name) {
  std::string label = "G";
  label += std::to_string(group);
  label += '_';
  label += name;
  return label;
}

void DrawTraceTicks(Canvas& canvas) {
  for (int y : kTraceTicks) canvas.FilledBox(0, y, 5, y, colors::kWhite);
}

// Segment i of the trace (sample i - 1 to sample i) and, without zoom, of the threshold line.
void DrawSegment(Canvas& canvas, const TraceSource& t, int i) {
  const RunBuffers& b = *t.buffers;
  const int a = TracePlotValue(b.Raw(t.channel, i - 1), t.zoom, t.baseline);
  const int z = TracePlotValue(b.Raw(t.channel, i), t.zoom, t.baseline);
  canvas.Line(i - 1, a, i, z, col::kTrace);
  const int e0 = b.Filtered(t.channel, i - 1);
  if (EnvelopeVisible(t.zoom, e0)) {
    canvas.Line(i - 1, e0, i, b.Filtered(t.channel, i), col::Threshold(t.windowPhase));
  }
}

// Samples of the trace that the buffers hold (0 when there is nothing to draw).
int TraceSamples(const TraceSource& t) {
  if (t.buffers == nullptr || t.channel < 0 || t.channel >= kChannelSlots) return 0;
  if (t.buffers->raw.empty() || t.buffers->filtered.empty()) return 0;
  return std::min(t.width, t.buffers->rtBuffer);
}

}  // namespace

// ---- Activity picture ----

void SetActivityCoordinates(Canvas& canvas) {
  canvas.SetScale(-30, 300, 300, -30);
}

void DrawActivityAxisBoxes(Canvas& canvas) {
  canvas.FilledBox(0, 0, 2, 255, colors::kBlack);
  canvas.FilledBox(0, 0, 290, 2, colors::kBlack);
}

void DrawActivityAxes(Canvas& canvas, double scale) {
  DrawActivityAxisBoxes(canvas);
  canvas.FilledBox(-20, -20, 0, 260, colors::kWhite);
  canvas.FilledBox(-2, 251, 0, 250, colors::kBlack);
  canvas.FilledBox(-2, 126, 0, 125, colors::kBlack);
  canvas.FilledBox(-2, 1, 0, 0, colors::kBlack);
  canvas.Text(-15, 260, FormatNumber(scale * 250, "0"), colors::kBlack);
  canvas.Text(-15, 130, FormatNumber(scale * 250 / 2, "0"), colors::kBlack);
  canvas.Text(-15, 10, " 0", colors::kBlack);
}

// Well names of the group view go under every `step`-th well, the smallest step at which the
// widest name and a gap fit between its start (a tenth into its well) and the next name: many
// wells never write their names over each other.
size_t WellNameStep(const Canvas& canvas, const GroupViewPicture& p, size_t n, double wellWidth) {
  double widest = 0;
  for (size_t i = 0; i < n; ++i) {
    widest = std::max(widest, canvas.MeasureText(WellLabel(p.wells[i], p.plateRows), {}).width);
  }
  if (wellWidth <= 0) return n;
  return std::max<size_t>(
      1, static_cast<size_t>(std::ceil((widest + LabelGap(canvas)) / wellWidth + 0.1)));
}

void DrawGroupView(Canvas& canvas, const GroupViewPicture& p) {
  const double scale = UsableScale(p.scale);
  const int64_t groupMean = p.means != nullptr ? p.means->groupMean : 0;
  const double v = static_cast<double>(RoundHalfEven(static_cast<double>(groupMean) / scale));

  canvas.SetPenWidth(kThickPen);
  canvas.FilledBox(10, 2, 30, 300, colors::kWhite);
  canvas.Box(10, 2, 30, v, colors::kBlack);
  canvas.SetPenWidth(1);
  canvas.FilledBox(10, 2, 30, v, col::kBarFill);
  canvas.Text(13, 37, std::to_string(groupMean), col::kGroupViewValue);
  const size_t n = p.means != nullptr ? std::min(p.wells.size(), p.means->wellMeans.size()) : 0;
  if (p.labels) {
    // The group label ends where the well names begin.
    const double right = n > 0 ? kFirstWellX : kActivityRight;
    canvas.Text(kGroupLabelX, -5,
                FittedLabel(canvas, GroupBarLabel(p.group, p.groupName), kGroupLabelX, right),
                colors::kBlack);
  }

  if (n > 0) {
    const double w = GroupViewWellWidth(n);
    const size_t every = p.labels ? WellNameStep(canvas, p, n, w) : 1;
    for (size_t i = 0; i < n; ++i) {
      const double x = kFirstWellX + static_cast<double>(i) * w;
      const double h = static_cast<double>(std::min<int64_t>(
          kActivityFullScale, RoundHalfEven(static_cast<double>(p.means->wellMeans[i]) / scale)));
      canvas.FilledBox(x, 2, x + w, 300, colors::kWhite);
      canvas.SetPenWidth(kThickPen);
      canvas.Box(x + 0.1 * w, 2, x + 0.9 * w, h, colors::kBlack);
      canvas.SetPenWidth(1);
      canvas.FilledBox(x + 0.1 * w, 2, x + 0.9 * w, h, colors::kWhite);
      if (!p.labels) continue;
      canvas.FilledBox(x, -1, x + w, -20, colors::kWhite);
      if (i % every != 0) continue;
      const double right = std::min(x + static_cast<double>(every) * w, kActivityRight);
      const std::string name =
          FittedLabel(canvas, WellLabel(p.wells[i], p.plateRows), x + 0.1 * w, right);
      if (!name.empty()) canvas.Text(x + 0.1 * w, -5, name, colors::kBlack);
    }
  }
  DrawActivityAxisBoxes(canvas);
}

int64_t DrawBarPlot(Canvas& canvas, std::span<const GroupActivity> groups,
                    const ProjectSettings& project, int page, double scale, bool labels) {
  scale = UsableScale(scale);
  const int total = static_cast<int>(groups.size());
  const BarSlots slots = BarPlotSlots(BarsLaidOut(total));
  const double w = slots.width;
  int64_t largest = 0;
  const int first = page * kBarsPerPage;
  for (int k = std::max(first, 0); k < total && k < first + kBarsPerPage; ++k) {
    const GroupActivity& g = groups[k];
    const double x0 = slots.X0(k - first);
    const int64_t mean = g.Mean();
    largest = std::max(largest, mean);
    canvas.SetPenWidth(kThickPen);
    canvas.FilledBox(x0 + 0.1 * w, 1, x0 + 0.9 * w, 275, colors::kWhite);
    const double h = static_cast<double>(mean) / scale;
    if (h >= kActivityFullScale) {
      canvas.Box(x0 + 0.1 * w, 1, x0 + 0.9 * w, 255, colors::kBlack);
      canvas.SetPenWidth(1);
      canvas.FilledBox(x0 + 0.1 * w, 2, x0 + 0.9 * w, 257, col::kBarFill);
    } else {
      canvas.Box(x0 + 0.1 * w, 1, x0 + 0.9 * w, h, colors::kBlack);
      canvas.SetPenWidth(1);
      canvas.FilledBox(x0 + 0.1 * w, 2, x0 + 0.9 * w, h, col::kBarFill);
    }
    if (labels) {
      canvas.FilledBox(x0, -30, x0 + 2 * w, -2, colors::kWhite);
      const std::string_view name = g.group >= 0 && g.group < kChannelSlots
                                        ? std::string_view(project.groupNames[g.group])
                                        : std::string_view();
      // Each label ends where the next slot's label begins (or at the picture's edge).
      const double right = std::min(x0 + 1.1 * w, kActivityRight);
      canvas.Text(x0 + 0.1 * w, -10,
                  FittedLabel(canvas, GroupBarLabel(g.group, name), x0 + 0.1 * w, right),
                  colors::kBlack);
    }
    canvas.Text(x0 + 0.2 * w, 37, FormatNumber(static_cast<double>(mean), "0"), col::kBarPlotValue);
  }
  return largest;
}

void DrawHeatMap(Canvas& canvas, const PlateGeometry& geometry, std::span<const int64_t> sums,
                 bool labels, bool autoScale) {
  const HeatMapLayout l = ComputeHeatMapLayout(geometry);
  const int rows = std::max(0, int{geometry.rows});
  const int columns = std::max(0, int{geometry.columns});
  const double cw = static_cast<double>(l.cellWidth);
  const double ch = static_cast<double>(l.cellHeight);
  const double ox = static_cast<double>(l.offsetX);
  const double oy = static_cast<double>(l.offsetY);
  canvas.SetScale(l.x1, l.y1, l.x2, l.y2);
  canvas.SetPenWidth(1);

  // The outlines of all cells: the shared edges drawn once each, as whole grid lines.
  auto grid = [&] {
    if (rows == 0 || columns == 0) return;
    for (int r = 0; r <= rows; ++r) {
      canvas.Line(ox, r * ch + oy, columns * cw + ox, r * ch + oy, col::kGrid);
    }
    for (int c = 0; c <= columns; ++c) {
      canvas.Line(c * cw + ox, oy, c * cw + ox, rows * ch + oy, col::kGrid);
    }
  };
  grid();
  const double pc = geometry.columnPitch, oc = geometry.columnOffset;
  const double pr = geometry.rowPitch, orow = geometry.rowOffset;
  for (int c = 0; labels && c < columns; ++c) {
    canvas.Text(c * 100 * pc + oc * 100 + pc * 25, orow * 100 - 100, std::to_string(c + 1),
                colors::kBlack);
  }
  for (int r = 0; labels && r < rows; ++r) {
    const char letter[2] = {static_cast<char>('A' + r), '\0'};
    canvas.Text(oc * 100 - 50, r * 100 * pr + orow * 100 + pr * 25, letter, colors::kBlack);
  }
  const int64_t maximum = HeatMapMaximum(sums, autoScale);
  for (int c = 0; c < columns; ++c) {
    for (int r = 0; r < rows; ++r) {
      const size_t w = static_cast<size_t>(c) * rows + r;
      const int level = HeatLevel(w < sums.size() ? sums[w] : 0, maximum);
      const auto grey = static_cast<uint8_t>(kActivityFullScale - level);
      canvas.FilledBox(c * cw + ox + 0.1 * cw, r * ch + oy + 0.1 * ch, (c + 1) * cw + ox - 0.1 * cw,
                       (r + 1) * ch + oy - 0.1 * ch, Rgb{grey, grey, grey});
    }
  }
  grid();
}

// ---- Signal picture ----

void SetTraceCoordinates(Canvas& canvas, int width) {
  canvas.SetScale(0, kTraceTop, width + kTraceMargin, 0);
}

void DrawTraceBackground(Canvas& canvas, int width) {
  SetTraceCoordinates(canvas, width);
  canvas.SetPenWidth(1);
  canvas.SetBackColor(colors::kWhite);
  canvas.Clear();
  canvas.FilledBox(0, 0, 3, kTraceTop, colors::kBlack);
  DrawTraceTicks(canvas);
}

void DrawEraseCursor(Canvas& canvas, int position) {
  canvas.FilledBox(position + 4, 21, position + 10, 2259, colors::kWhite);
}

void RedrawTracePicture(Canvas& canvas, const TraceSource& t) {
  DrawTraceBackground(canvas, t.width);
  const int n = TraceSamples(t);
  for (int i = 1; i < n; ++i) {
    // The segments at the current position wait for its envelope: the steps draw them.
    if (i >= t.position - 1 && i <= t.position + 1) continue;
    DrawSegment(canvas, t, i);
  }
  DrawEraseCursor(canvas, t.position);
}

void DrawTraceStepPicture(Canvas& canvas, const TraceSource& t) {
  const int n = TraceSamples(t);
  for (int back = 2; back >= 1 && n > 1; --back) {
    int i = t.position - back;
    // At the start of a bin the last segments of the previous bin are completed.
    if (i < 0) i += n;
    if (i >= 1 && i < n) DrawSegment(canvas, t, i);
  }
  canvas.FilledBox(t.position, 21, t.position + 6, 2260, colors::kWhite);
  canvas.FilledBox(0, 0, 3, 2100, colors::kBlack);
  DrawTraceTicks(canvas);
}

void DrawSampleCounter(Canvas& canvas, int64_t samplesTaken, int width) {
  std::array<char, 24> text{};
  std::snprintf(text.data(), text.size(), "%lld#", static_cast<long long>(samplesTaken));
  const double unitsPerPxX =
      static_cast<double>(width + kTraceMargin) / std::max(1, canvas.WidthPx());
  const double unitsPerPxY = static_cast<double>(kTraceTop) / std::max(1, canvas.HeightPx());
  const double top = kCounterBottom + kCounterHeightPx * unitsPerPxY;
  // The earlier counter is erased by a white box rather than by printing its text again in
  // white, which leaves the edges of its digits behind.
  canvas.FilledBox(kCounterX, top, kCounterX + kCounterChars * kCounterCharPx * unitsPerPxX,
                   kCounterBottom, colors::kWhite);
  canvas.Text(kCounterX, top, text.data(), colors::kBlack);
}

// ---- Run progress ----

void ClearRunProgressBar(Canvas& canvas) {
  canvas.SetScale(0, 0, 100, 100);
  canvas.SetBackColor(colors::kWhite);
  canvas.Clear();
}

void DrawRunProgressBar(Canvas& canvas, int32_t elapsedMinutes, int aqLapse) {
  double share = aqLapse > 0 ? static_cast<double>(elapsedMinutes) / aqLapse * 100 : 100.0;
  share = std::clamp(share, 0.0, 100.0);
  canvas.SetScale(0, 0, 100, 100);
  canvas.FilledBox(0, 0, share, 100, col::kProgress);
}

}  // namespace movexa
