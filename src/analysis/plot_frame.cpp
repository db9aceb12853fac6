// PlotFrame: layout from measured text, the data scale, the marks and the axes.
#include "analysis/plot_frame.h"

#include <algorithm>
#include <cmath>

namespace movexa {

namespace {

constexpr Rgb kGridGrey{232, 232, 232};
constexpr Rgb kAxisGrey{40, 40, 40};
constexpr std::string_view kEllipsis = "\xE2\x80\xA6";

// A data range that a plot can map: finite, increasing and of some width.
void Normalise(double& lo, double& hi) {
  if (!std::isfinite(lo) || !std::isfinite(hi) || !std::isfinite(hi - lo)) {
    lo = 0.0;
    hi = 1.0;
    return;
  }
  if (lo > hi) std::swap(lo, hi);
  const double least = 1e-9 * std::max(1.0, std::max(std::fabs(lo), std::fabs(hi)));
  if (hi - lo < least) {
    const double half = std::max(0.5, std::fabs(lo) * 0.05);
    lo -= half;
    hi += half;
  }
}

std::vector<AxisTick> MakeTicks(const AxisSpec& axis, double lo, double hi, int maxTicks) {
  switch (axis.kind) {
    case AxisKind::kHours:
      return HourTicks(lo, hi, maxTicks);
    case AxisKind::kClock:
      return ClockTicks(lo, hi, axis.clockStartMinute, maxTicks);
    case AxisKind::kCategories: {
      std::vector<AxisTick> ticks;
      for (size_t i = 0; i < axis.categories.size(); ++i)
        ticks.push_back({static_cast<double>(i), axis.categories[i]});
      return ticks;
    }
    case AxisKind::kLinear:
      break;
  }
  return LinearTicks(lo, hi, maxTicks);
}

Rgb Darker(Rgb c) {
  return {static_cast<uint8_t>(c.r * 0.6), static_cast<uint8_t>(c.g * 0.6),
          static_cast<uint8_t>(c.b * 0.6)};
}

}  // namespace

AxisSpec LinearAxis(double lo, double hi, std::string title) {
  AxisSpec a;
  a.lo = lo;
  a.hi = hi;
  a.title = std::move(title);
  return a;
}
AxisSpec HoursAxis(double loHours, double hiHours, std::string title) {
  AxisSpec a = LinearAxis(loHours, hiHours, std::move(title));
  a.kind = AxisKind::kHours;
  return a;
}
AxisSpec ClockAxis(double loHours, double hiHours, double startMinuteOfDay, std::string title) {
  AxisSpec a = LinearAxis(loHours, hiHours, std::move(title));
  a.kind = AxisKind::kClock;
  a.clockStartMinute = startMinuteOfDay;
  return a;
}
AxisSpec CategoryAxis(std::vector<std::string> names, std::string title) {
  AxisSpec a;
  a.kind = AxisKind::kCategories;
  a.categories = std::move(names);
  a.title = std::move(title);
  return a;
}

Rgb SeriesColour(int index) {
  static constexpr Rgb kOrder[] = {okabe_ito::kBlue,          okabe_ito::kVermillion,
                                   okabe_ito::kBluishGreen,   okabe_ito::kOrange,
                                   okabe_ito::kReddishPurple, okabe_ito::kSkyBlue,
                                   okabe_ito::kBlack,         okabe_ito::kYellow};
  constexpr int n = static_cast<int>(std::size(kOrder));
  return kOrder[((index % n) + n) % n];
}

std::vector<std::vector<CanvasPoint>> FiniteRuns(std::span<const double> x,
                                                 std::span<const double> y) {
  std::vector<std::vector<CanvasPoint>> runs;
  std::vector<CanvasPoint> run;
  const size_t n = std::min(x.size(), y.size());
  for (size_t i = 0; i < n; ++i) {
    if (std::isfinite(x[i]) && std::isfinite(y[i])) {
      run.push_back({x[i], y[i]});
    } else if (!run.empty()) {
      runs.push_back(std::move(run));
      run.clear();
    }
  }
  if (!run.empty()) runs.push_back(std::move(run));
  return runs;
}

// Text styles and sizes of the frame, in pixels.
struct PlotFrame::Fonts {
  TextStyle tick, title;
  double lineH = 0, titleH = 0, pad = 0, gap = 0, tickLen = 0, swatch = 0;
  Fonts(const Canvas& canvas, double fontPx) {
    tick.sizePx = fontPx;
    title.sizePx = fontPx * 1.25;
    title.bold = true;
    lineH = canvas.MeasureText("Ag", tick).height;
    titleH = canvas.MeasureText("Ag", title).height;
    pad = std::round(fontPx * 0.6);
    gap = std::round(fontPx * 0.3);
    tickLen = std::round(fontPx * 0.4);
    swatch = std::round(fontPx * 2);
  }
};

PlotFrame::PlotFrame(Canvas& canvas, PlotSpec spec) : canvas_(canvas), spec_(std::move(spec)) {
  if (!std::isfinite(spec_.fontPx) || spec_.fontPx <= 0) spec_.fontPx = 12.0;
  spec_.fontPx = std::clamp(spec_.fontPx, 4.0, 200.0);
  if (spec_.y.kind == AxisKind::kCategories) spec_.y.kind = AxisKind::kLinear;
  if (spec_.x.kind == AxisKind::kCategories) {
    xLo_ = -0.5;
    xHi_ = std::max<double>(1, static_cast<double>(spec_.x.categories.size())) - 0.5;
  } else {
    xLo_ = spec_.x.lo;
    xHi_ = spec_.x.hi;
    Normalise(xLo_, xHi_);
  }
  yLo_ = spec_.y.lo;
  yHi_ = spec_.y.hi;
  Normalise(yLo_, yHi_);
  LayOut();
}

double PlotFrame::DataX(double px) const {
  const double w = std::max(1.0, layout_.right - layout_.left);
  return xLo_ + (px - layout_.left) * (xHi_ - xLo_) / w;
}
double PlotFrame::DataY(double py) const {
  const double h = std::max(1.0, layout_.bottom - layout_.top);
  return yLo_ + (layout_.bottom - py) * (yHi_ - yLo_) / h;
}
double PlotFrame::PixelX(double x) const {
  return layout_.left + (x - xLo_) / (xHi_ - xLo_) * std::max(1.0, layout_.right - layout_.left);
}
double PlotFrame::PixelY(double y) const {
  return layout_.bottom - (y - yLo_) / (yHi_ - yLo_) * std::max(1.0, layout_.bottom - layout_.top);
}

namespace {

// The text cut (with an ellipsis) to at most `maxPx` wide; empty when not even that fits.
std::string FitText(const Canvas& canvas, const std::string& text, double maxPx,
                    const TextStyle& style) {
  std::string clean = ValidUtf8(text);
  if (canvas.MeasureText(clean, style).width <= maxPx) return clean;
  while (!clean.empty()) {
    size_t cut = clean.size() - 1;
    while (cut > 0 && (static_cast<unsigned char>(clean[cut]) & 0xC0) == 0x80) --cut;
    clean.resize(cut);
    std::string candidate = clean + std::string(kEllipsis);
    if (canvas.MeasureText(candidate, style).width <= maxPx) return candidate;
  }
  return {};
}

PlacedLabel MakeLabel(const Canvas& canvas, std::string text, double x, double y,
                      const TextStyle& style) {
  const TextExtent e = canvas.MeasureText(text, style);
  PlacedLabel label{std::move(text), x, y, style, {}};
  label.box = PlacedTextBounds(x, y, e.width, e.height, style);
  return label;
}

}  // namespace

void PlotFrame::Keep(PlacedLabel label, bool droppable) {
  if (label.text.empty()) return;
  const PixelBox& b = label.box;
  if (droppable) {
    if (b.left < 0 || b.top < 0 || b.right > layout_.widthPx || b.bottom > layout_.heightPx) return;
    for (const PlacedLabel& kept : layout_.labels)
      if (kept.box.Overlaps(b)) return;
  }
  layout_.labels.push_back(std::move(label));
}

void PlotFrame::LayOut() {
  const int w = canvas_.WidthPx(), h = canvas_.HeightPx();
  canvas_.SetScale(0, 0, std::max(1, w), std::max(1, h));
  const Fonts f(canvas_, spec_.fontPx);
  bool showTitle = !spec_.title.empty();
  bool showLegend = !spec_.legend.empty();
  bool turn = false;
  for (int attempt = 0; attempt < 4; ++attempt) {
    const Fit fit = TryLayOut(f, showTitle, showLegend, turn);
    if (fit == Fit::kDone) return;
    if (fit == Fit::kTurnLabels) {
      turn = true;
    } else if (showLegend) {
      showLegend = false;
    } else {
      showTitle = false;
    }
  }
  TryLayOut(f, false, false, turn);
}

PlotFrame::Fit PlotFrame::TryLayOut(const Fonts& f, bool showTitle, bool showLegend,
                                    bool turnXLabels) {
  const double W = std::max(1, canvas_.WidthPx()), H = std::max(1, canvas_.HeightPx());
  layout_ = {};
  legend_.clear();
  layout_.widthPx = static_cast<int>(W);
  layout_.heightPx = static_cast<int>(H);
  const bool lastTry = !showTitle && !showLegend;

  // Top: the title, then the legend in rows as wide as the picture allows.
  double top = f.pad;
  std::vector<PlacedLabel> heading;
  if (showTitle) {
    TextStyle style = f.title;
    style.align = TextAlign::kCenter;
    heading.push_back(
        MakeLabel(canvas_, FitText(canvas_, spec_.title, W - 2 * f.pad, style), W / 2, top, style));
    top += f.titleH + f.gap;
  }
  struct LegendItem {
    int entry;
    std::string text;
    double x;  // from the row's start
    int row;
  };
  std::vector<LegendItem> items;
  std::vector<double> rowWidths;
  if (showLegend) {
    const double room = W - 2 * f.pad;
    const double spacing = spec_.fontPx;
    for (size_t i = 0; i < spec_.legend.size(); ++i) {
      std::string text = FitText(canvas_, spec_.legend[i].label, room - f.swatch - f.gap, f.tick);
      const double width = f.swatch + f.gap + canvas_.MeasureText(text, f.tick).width;
      if (rowWidths.empty() || rowWidths.back() + spacing + width > room) {
        rowWidths.push_back(width);
        items.push_back(
            {static_cast<int>(i), std::move(text), 0, static_cast<int>(rowWidths.size()) - 1});
      } else {
        items.push_back({static_cast<int>(i), std::move(text), rowWidths.back() + spacing,
                         static_cast<int>(rowWidths.size()) - 1});
        rowWidths.back() += spacing + width;
      }
    }
  }
  const double legendTop = top;
  const double rowStep = f.lineH + f.gap / 2;
  top += static_cast<double>(rowWidths.size()) * rowStep;
  // Room for the highest value label, centred on the plot's top edge.
  top += f.lineH / 2 + f.gap;

  // Bottom: tick labels (turned labels need their length), then the axis title.
  const bool categories = spec_.x.kind == AxisKind::kCategories;
  double xBand = f.lineH;
  if (categories && turnXLabels) {
    xBand = 0;
    for (const std::string& c : spec_.x.categories)
      xBand = std::max(xBand, canvas_.MeasureText(c, f.tick).width);
    xBand = std::min(xBand, 0.35 * H);
  }
  const bool xTitle = !spec_.x.title.empty(), yTitle = !spec_.y.title.empty();
  const double bottomMargin = f.pad + (xTitle ? f.lineH + f.gap : 0) + xBand + f.gap + f.tickLen;
  double plotH = H - top - bottomMargin;
  if (plotH < std::max(24.0, 3 * f.lineH) && !lastTry) return Fit::kTooSmall;
  plotH = std::max(plotH, 1.0);
  layout_.top = top;
  layout_.bottom = top + plotH;

  // Value ticks: as many as fit one above the other with a gap.
  auto yPixel = [&](double v) { return layout_.bottom - (v - yLo_) / (yHi_ - yLo_) * plotH; };
  std::vector<AxisTick> yTicks;
  // At most a value every three and a half lines, so that the axis reads at a glance.
  for (int n = static_cast<int>(plotH / (3.5 * f.lineH)) + 1; n >= 1; --n) {
    yTicks = MakeTicks(spec_.y, yLo_, yHi_, n);
    bool fits = true;
    for (size_t i = 1; i < yTicks.size(); ++i)
      fits = fits &&
             std::fabs(yPixel(yTicks[i].value) - yPixel(yTicks[i - 1].value)) >= f.lineH + f.gap;
    if (fits) break;
  }
  double yLabelWidth = 0;
  for (const AxisTick& t : yTicks)
    yLabelWidth = std::max(yLabelWidth, canvas_.MeasureText(t.label, f.tick).width);
  const double left = f.pad + (yTitle ? f.lineH + f.gap : 0) + yLabelWidth + f.gap + f.tickLen;

  // Ticks along x: as many as leave a gap of one letter between neighbouring labels; the
  // right margin holds half of the widest label.
  auto xTicksFor = [&](double plotLeft, double plotRight, bool& fitted) {
    const double plotW = std::max(1.0, plotRight - plotLeft);
    auto px = [&](double v) { return plotLeft + (v - xLo_) / (xHi_ - xLo_) * plotW; };
    auto fits = [&](const std::vector<AxisTick>& ticks) {
      for (size_t i = 1; i < ticks.size(); ++i) {
        const double need = turnXLabels ? f.lineH + f.gap
                                        : (canvas_.MeasureText(ticks[i].label, f.tick).width +
                                           canvas_.MeasureText(ticks[i - 1].label, f.tick).width) /
                                                  2 +
                                              spec_.fontPx;
        if (std::fabs(px(ticks[i].value) - px(ticks[i - 1].value)) < need) return false;
      }
      return true;
    };
    std::vector<AxisTick> ticks;
    if (categories) {
      ticks = MakeTicks(spec_.x, xLo_, xHi_, 0);
      fitted = fits(ticks);
      if (!fitted && turnXLabels) {
        // Too many even upright: every k-th category keeps its label.
        for (size_t k = 2; k <= ticks.size(); ++k) {
          std::vector<AxisTick> thinned;
          for (size_t i = 0; i < ticks.size(); i += k) thinned.push_back(ticks[i]);
          if (fits(thinned)) return thinned;
        }
      }
      return ticks;
    }
    fitted = true;
    for (int n = static_cast<int>(plotW / (6 * spec_.fontPx)) + 1; n >= 1; --n) {
      ticks = MakeTicks(spec_.x, xLo_, xHi_, n);
      if (fits(ticks)) return ticks;
    }
    return ticks;
  };
  bool fitted = true;
  double widest = 0;
  for (const AxisTick& t : xTicksFor(left, W - f.pad, fitted))
    widest = std::max(widest, canvas_.MeasureText(t.label, f.tick).width);
  const double right = W - std::max(f.pad, turnXLabels ? f.lineH / 2 + 2 : widest / 2 + 2);
  layout_.left = left;
  layout_.right = std::max(left + 1, right);
  std::vector<AxisTick> xTicks = xTicksFor(layout_.left, layout_.right, fitted);
  if (categories && !fitted && !turnXLabels) return Fit::kTurnLabels;

  // The labels, most important first; tick labels that would overlap a kept one are dropped.
  for (PlacedLabel& l : heading) Keep(std::move(l), false);
  for (const LegendItem& item : items) {
    const double rowStart = std::max(
        f.pad, std::min(layout_.left, W - f.pad - rowWidths[static_cast<size_t>(item.row)]));
    const double x = rowStart + item.x;
    const double y = legendTop + item.row * rowStep + f.lineH / 2;
    legend_.push_back({item.entry, x, y});
    TextStyle style = f.tick;
    style.vertical = TextVertical::kMiddle;
    Keep(MakeLabel(canvas_, item.text, x + f.swatch + f.gap, y, style), false);
  }
  layout_.legendShown = static_cast<int>(legend_.size());
  if (yTitle) {
    TextStyle style = f.tick;
    style.angleDegrees = 90;
    style.align = TextAlign::kCenter;
    Keep(MakeLabel(canvas_, FitText(canvas_, spec_.y.title, plotH, style), f.pad,
                   (layout_.top + layout_.bottom) / 2, style),
         lastTry);
  }
  if (xTitle) {
    TextStyle style = f.tick;
    style.align = TextAlign::kCenter;
    style.vertical = TextVertical::kBottom;
    // Centred under the plot area, and no wider than the picture leaves on either side.
    const double centre = (layout_.left + layout_.right) / 2;
    const double room = 2 * std::max(0.0, std::min(centre - f.pad, W - f.pad - centre));
    Keep(MakeLabel(canvas_, FitText(canvas_, spec_.x.title, room, style), centre, H - f.pad, style),
         lastTry);
  }
  for (const AxisTick& t : yTicks) {
    TextStyle style = f.tick;
    style.align = TextAlign::kRight;
    style.vertical = TextVertical::kMiddle;
    Keep(MakeLabel(canvas_, t.label, layout_.left - f.tickLen - f.gap, yPixel(t.value), style),
         true);
  }
  for (const AxisTick& t : xTicks) {
    TextStyle style = f.tick;
    if (turnXLabels) {
      style.angleDegrees = 90;
      style.align = TextAlign::kRight;
      style.vertical = TextVertical::kMiddle;
    } else {
      style.align = TextAlign::kCenter;
    }
    std::string text =
        categories && turnXLabels ? FitText(canvas_, t.label, xBand, style) : t.label;
    Keep(MakeLabel(canvas_, std::move(text), PixelX(t.value), layout_.bottom + f.tickLen + f.gap,
                   style),
         true);
  }
  layout_.xTicks = std::move(xTicks);
  layout_.yTicks = std::move(yTicks);
  return Fit::kDone;
}

void PlotFrame::Begin() {
  const double W = layout_.widthPx, H = layout_.heightPx;
  canvas_.SetBackColor(colors::kWhite);
  canvas_.Clear();
  canvas_.SetScale(DataX(0), DataY(0), DataX(W), DataY(H));
  canvas_.SetLineStyle(LineStyle::kSolid);
  canvas_.SetPenWidth(1);
  if (spec_.gridLines) {
    for (const AxisTick& t : layout_.yTicks) canvas_.Line(xLo_, t.value, xHi_, t.value, kGridGrey);
  }
  canvas_.SetClip(xLo_, yHi_, xHi_, yLo_);
}

void PlotFrame::ShadeSpans(std::span<const AxisSpan> spans, Rgb colour, double opacity) {
  for (const AxisSpan& s : spans) {
    const double from = std::max(xLo_, std::min(s.from, s.to));
    const double to = std::min(xHi_, std::max(s.from, s.to));
    if (!(to > from)) continue;
    const CanvasPoint box[] = {{from, yLo_}, {to, yLo_}, {to, yHi_}, {from, yHi_}};
    canvas_.FilledPolygon(box, colour, opacity);
  }
}

void PlotFrame::MeanWithBand(std::span<const double> x, std::span<const double> mean,
                             std::span<const double> sem, Rgb colour) {
  const size_t n = std::min({x.size(), mean.size(), sem.size()});
  const double halfPx = DataX(layout_.left + 1) - DataX(layout_.left);
  size_t i = 0;
  while (i < n) {
    auto inBand = [&](size_t k) {
      return std::isfinite(x[k]) && std::isfinite(mean[k]) && std::isfinite(sem[k]);
    };
    if (!inBand(i)) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < n && inBand(end)) ++end;
    std::vector<CanvasPoint> band;
    if (end - i == 1) {  // a lone bin: a band one pixel either side
      band = {{x[i] - halfPx, mean[i] + sem[i]},
              {x[i] + halfPx, mean[i] + sem[i]},
              {x[i] + halfPx, mean[i] - sem[i]},
              {x[i] - halfPx, mean[i] - sem[i]}};
    } else {
      for (size_t k = i; k < end; ++k) band.push_back({x[k], mean[k] + sem[k]});
      for (size_t k = end; k-- > i;) band.push_back({x[k], mean[k] - sem[k]});
    }
    canvas_.FilledPolygon(band, colour, kBandOpacity);
    i = end;
  }
  Series(x.first(n), mean.first(n), colour);
}

void PlotFrame::Series(std::span<const double> x, std::span<const double> y, Rgb colour,
                       LineStyle style, int penWidth) {
  canvas_.SetPenWidth(penWidth);
  canvas_.SetLineStyle(style);
  for (const auto& run : FiniteRuns(x, y)) {
    if (run.size() == 1) {
      Dot(run[0].x, run[0].y, colour, penWidth + 1.0);
    } else {
      canvas_.Polyline(run, colour);
    }
  }
  canvas_.SetLineStyle(LineStyle::kSolid);
  canvas_.SetPenWidth(1);
}

void PlotFrame::HorizontalLine(double y, Rgb colour, LineStyle style) {
  if (!std::isfinite(y)) return;
  const CanvasPoint line[] = {{xLo_, y}, {xHi_, y}};
  canvas_.SetPenWidth(2);
  canvas_.SetLineStyle(style);
  canvas_.Polyline(line, colour);
  canvas_.SetLineStyle(LineStyle::kSolid);
  canvas_.SetPenWidth(1);
}

void PlotFrame::Dot(double x, double y, Rgb colour, double radiusPx) {
  if (!std::isfinite(x) || !std::isfinite(y)) return;
  canvas_.Circle(x, y, radiusPx * (DataX(layout_.left + 1) - DataX(layout_.left)), colour, true);
}

void PlotFrame::Bars(std::span<const BarValue> bars, double barWidth) {
  const double half = std::clamp(std::isfinite(barWidth) ? barWidth : 0.6, 0.05, 1.0) / 2;
  for (size_t i = 0; i < bars.size(); ++i) {
    const BarValue& bar = bars[i];
    const double x = static_cast<double>(i);
    if (std::isfinite(bar.mean)) {
      const CanvasPoint box[] = {
          {x - half, 0}, {x + half, 0}, {x + half, bar.mean}, {x - half, bar.mean}};
      canvas_.FilledPolygon(box, bar.colour, kBarOpacity);
      const CanvasPoint outline[] = {box[0], box[1], box[2], box[3], box[0]};
      canvas_.SetPenWidth(1);
      canvas_.Polyline(outline, bar.colour);
    }
    // The animals' values spread evenly over the middle of the bar, in the order given.
    const size_t n = bar.points.size();
    for (size_t k = 0; k < n; ++k) {
      const double offset =
          n == 1 ? 0.0
                 : -0.7 * half + 1.4 * half * static_cast<double>(k) / static_cast<double>(n - 1);
      Dot(x + offset, bar.points[k], Darker(bar.colour), 2.5);
    }
    if (std::isfinite(bar.mean) && std::isfinite(bar.sem) && bar.sem > 0) {
      canvas_.SetPenWidth(2);
      canvas_.Line(x, bar.mean - bar.sem, x, bar.mean + bar.sem, kAxisGrey);
      for (double end : {bar.mean - bar.sem, bar.mean + bar.sem})
        canvas_.Line(x - half / 3, end, x + half / 3, end, kAxisGrey);
      canvas_.SetPenWidth(1);
    }
  }
}

void PlotFrame::Finish() {
  canvas_.ResetClip();
  canvas_.SetLineStyle(LineStyle::kSolid);
  canvas_.SetPenWidth(1);
  const double tickLen = std::round(spec_.fontPx * 0.4);
  canvas_.Line(xLo_, yLo_, xLo_, yHi_, colors::kBlack);
  canvas_.Line(xLo_, yLo_, xHi_, yLo_, colors::kBlack);
  if (spec_.x.kind != AxisKind::kCategories) {
    for (const AxisTick& t : layout_.xTicks)
      canvas_.Line(t.value, yLo_, t.value, DataY(layout_.bottom + tickLen), colors::kBlack);
  }
  for (const AxisTick& t : layout_.yTicks)
    canvas_.Line(DataX(layout_.left - tickLen), t.value, xLo_, t.value, colors::kBlack);
  for (const PlacedLabel& l : layout_.labels)
    canvas_.PlaceText(DataX(l.x), DataY(l.y), l.text, colors::kBlack, l.style);

  // Legend marks, each left of its label.
  const double swatch = std::round(spec_.fontPx * 2);
  const double halfH = spec_.fontPx * 0.4;
  for (const LegendPlace& place : legend_) {
    const LegendEntry& e = spec_.legend[static_cast<size_t>(place.entry)];
    const double x0 = DataX(place.x), x1 = DataX(place.x + swatch);
    const double mid = DataY(place.y), lo = DataY(place.y + halfH), hi = DataY(place.y - halfH);
    const CanvasPoint box[] = {{x0, lo}, {x1, lo}, {x1, hi}, {x0, hi}};
    const CanvasPoint line[] = {{x0, mid}, {x1, mid}};
    switch (e.mark) {
      case LegendMark::kBand:
        canvas_.FilledPolygon(box, e.colour, kBandOpacity);
        [[fallthrough]];
      case LegendMark::kLine:
      case LegendMark::kDashedLine:
        canvas_.SetPenWidth(2);
        canvas_.SetLineStyle(e.mark == LegendMark::kDashedLine ? LineStyle::kDashed
                                                               : LineStyle::kSolid);
        canvas_.Polyline(line, e.colour);
        canvas_.SetLineStyle(LineStyle::kSolid);
        canvas_.SetPenWidth(1);
        break;
      case LegendMark::kBar:
        canvas_.FilledPolygon(box, e.colour, kBarOpacity);
        break;
      case LegendMark::kPoint:
        canvas_.Circle((x0 + x1) / 2, mid, halfH * (DataX(1) - DataX(0)), e.colour, true);
        break;
    }
  }
}

}  // namespace movexa
