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

// Ticks of an axis; categories along y run from the top (the first at n - 1).
std::vector<AxisTick> MakeTicks(const AxisSpec& axis, double lo, double hi, int maxTicks,
                                bool topDown = false) {
  switch (axis.kind) {
    case AxisKind::kHours:
      return HourTicks(lo, hi, maxTicks);
    case AxisKind::kClock:
      return ClockTicks(lo, hi, axis.clockStartMinute, maxTicks);
    case AxisKind::kCategories: {
      std::vector<AxisTick> ticks;
      const size_t n = axis.categories.size();
      for (size_t i = 0; i < n; ++i)
        ticks.push_back({static_cast<double>(topDown ? n - 1 - i : i), axis.categories[i]});
      return ticks;
    }
    case AxisKind::kLinear:
      break;
  }
  return LinearTicks(lo, hi, maxTicks);
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

PlotFrame::PlotFrame(Canvas& canvas, PlotOutline outline)
    : canvas_(canvas), outline_(std::move(outline)) {
  if (!std::isfinite(outline_.fontPx) || outline_.fontPx <= 0) outline_.fontPx = 12.0;
  outline_.fontPx = std::clamp(outline_.fontPx, 4.0, 200.0);
  if (outline_.xTop.kind == AxisKind::kCategories || outline_.x.kind == AxisKind::kCategories)
    outline_.topAxis = false;
  // A category axis spans its categories half a step beyond each end; a numeric one its range.
  auto range = [](const AxisSpec& axis, double& lo, double& hi) {
    if (axis.kind == AxisKind::kCategories) {
      lo = -0.5;
      hi = std::max<double>(1, static_cast<double>(axis.categories.size())) - 0.5;
    } else {
      lo = axis.lo;
      hi = axis.hi;
      Normalise(lo, hi);
    }
  };
  range(outline_.x, xLo_, xHi_);
  range(outline_.y, yLo_, yHi_);
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
  const Fonts f(canvas_, outline_.fontPx);
  bool showTitle = !outline_.title.empty();
  bool showLegend = !outline_.legend.empty();
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
    heading.push_back(MakeLabel(canvas_, FitText(canvas_, outline_.title, W - 2 * f.pad, style),
                                W / 2, top, style));
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
    const double spacing = outline_.fontPx;
    for (size_t i = 0; i < outline_.legend.size(); ++i) {
      std::string text =
          FitText(canvas_, outline_.legend[i].label, room - f.swatch - f.gap, f.tick);
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
  // The top axis: its title, then its tick labels over the ticks; a gap keeps its title apart
  // from the legend above so that it does not read as a legend entry.
  const bool topTitle = outline_.topAxis && !outline_.xTop.title.empty();
  if (topTitle && !rowWidths.empty()) top += f.gap;
  const double topTitleY = top;
  if (topTitle) top += f.lineH + f.gap;
  const double topLabelsY = top;
  if (outline_.topAxis) top += f.lineH + f.gap + f.tickLen;
  // Room for the highest value label, centred on the plot's top edge.
  top += f.lineH / 2 + f.gap;

  // Bottom: tick labels (turned labels need their length), then the axis title.
  const bool categories = outline_.x.kind == AxisKind::kCategories;
  double xBand = f.lineH;
  if (categories && turnXLabels) {
    xBand = 0;
    for (const std::string& c : outline_.x.categories)
      xBand = std::max(xBand, canvas_.MeasureText(c, f.tick).width);
    xBand = std::min(xBand, 0.35 * H);
  }
  const bool xTitle = !outline_.x.title.empty(), yTitle = !outline_.y.title.empty();
  const double bottomMargin = f.pad + (xTitle ? f.lineH + f.gap : 0) + xBand + f.gap + f.tickLen;
  double plotH = H - top - bottomMargin;
  if (plotH < std::max(24.0, 3 * f.lineH) && !lastTry) return Fit::kTooSmall;
  plotH = std::max(plotH, 1.0);
  layout_.top = top;
  layout_.bottom = top + plotH;

  // Value ticks: as many as fit one above the other with a gap.
  auto yPixel = [&](double v) { return layout_.bottom - (v - yLo_) / (yHi_ - yLo_) * plotH; };
  auto yFits = [&](const std::vector<AxisTick>& ticks) {
    for (size_t i = 1; i < ticks.size(); ++i) {
      if (std::fabs(yPixel(ticks[i].value) - yPixel(ticks[i - 1].value)) < f.lineH + f.gap)
        return false;
    }
    return true;
  };
  std::vector<AxisTick> yTicks;
  if (outline_.y.kind == AxisKind::kCategories) {
    // Rows: every k-th labelled, from the top, when they are too close for every one.
    const std::vector<AxisTick> all = MakeTicks(outline_.y, yLo_, yHi_, 0, true);
    for (size_t k = 1; k <= std::max<size_t>(1, all.size()); ++k) {
      yTicks.clear();
      for (size_t i = 0; i < all.size(); i += k) yTicks.push_back(all[i]);
      if (yFits(yTicks)) break;
    }
  } else {
    // At most a value every three and a half lines, so that the axis reads at a glance.
    for (int n = static_cast<int>(plotH / (3.5 * f.lineH)) + 1; n >= 1; --n) {
      yTicks = MakeTicks(outline_.y, yLo_, yHi_, n);
      if (yFits(yTicks)) break;
    }
  }
  double yLabelWidth = 0;
  for (const AxisTick& t : yTicks)
    yLabelWidth = std::max(yLabelWidth, canvas_.MeasureText(t.label, f.tick).width);
  const double left = f.pad + (yTitle ? f.lineH + f.gap : 0) + yLabelWidth + f.gap + f.tickLen;

  // Ticks along x: as many as leave a gap of one letter between neighbouring labels; the
  // right margin holds half of the widest label.
  auto xTicksFor = [&](const AxisSpec& axis, double plotLeft, double plotRight, bool& fitted) {
    const double plotW = std::max(1.0, plotRight - plotLeft);
    auto px = [&](double v) { return plotLeft + (v - xLo_) / (xHi_ - xLo_) * plotW; };
    auto fits = [&](const std::vector<AxisTick>& ticks) {
      for (size_t i = 1; i < ticks.size(); ++i) {
        const double need = turnXLabels ? f.lineH + f.gap
                                        : (canvas_.MeasureText(ticks[i].label, f.tick).width +
                                           canvas_.MeasureText(ticks[i - 1].label, f.tick).width) /
                                                  2 +
                                              outline_.fontPx;
        if (std::fabs(px(ticks[i].value) - px(ticks[i - 1].value)) < need) return false;
      }
      return true;
    };
    std::vector<AxisTick> ticks;
    if (axis.kind == AxisKind::kCategories) {
      ticks = MakeTicks(axis, xLo_, xHi_, 0);
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
    for (int n = static_cast<int>(plotW / (6 * outline_.fontPx)) + 1; n >= 1; --n) {
      ticks = MakeTicks(axis, xLo_, xHi_, n);
      if (fits(ticks)) return ticks;
    }
    return ticks;
  };
  bool fitted = true;
  double widest = 0;
  for (const AxisTick& t : xTicksFor(outline_.x, left, W - f.pad, fitted))
    widest = std::max(widest, canvas_.MeasureText(t.label, f.tick).width);
  if (outline_.topAxis) {
    bool topFitted = true;
    for (const AxisTick& t : xTicksFor(outline_.xTop, left, W - f.pad, topFitted))
      widest = std::max(widest, canvas_.MeasureText(t.label, f.tick).width);
  }
  const double right = W - std::max(f.pad, turnXLabels ? f.lineH / 2 + 2 : widest / 2 + 2);
  layout_.left = left;
  layout_.right = std::max(left + 1, right);
  std::vector<AxisTick> xTicks = xTicksFor(outline_.x, layout_.left, layout_.right, fitted);
  if (categories && !fitted && !turnXLabels) return Fit::kTurnLabels;
  std::vector<AxisTick> xTopTicks;
  if (outline_.topAxis) {
    bool topFitted = true;
    xTopTicks = xTicksFor(outline_.xTop, layout_.left, layout_.right, topFitted);
  }

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
    Keep(MakeLabel(canvas_, FitText(canvas_, outline_.y.title, plotH, style), f.pad,
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
    Keep(MakeLabel(canvas_, FitText(canvas_, outline_.x.title, room, style), centre, H - f.pad,
                   style),
         lastTry);
  }
  if (topTitle) {
    TextStyle style = f.tick;
    style.align = TextAlign::kCenter;
    const double centre = (layout_.left + layout_.right) / 2;
    const double room = 2 * std::max(0.0, std::min(centre - f.pad, W - f.pad - centre));
    Keep(MakeLabel(canvas_, FitText(canvas_, outline_.xTop.title, room, style), centre, topTitleY,
                   style),
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
  for (const AxisTick& t : xTopTicks) {
    TextStyle style = f.tick;
    style.align = TextAlign::kCenter;
    Keep(MakeLabel(canvas_, t.label, PixelX(t.value), topLabelsY, style), true);
  }
  layout_.xTicks = std::move(xTicks);
  layout_.yTicks = std::move(yTicks);
  layout_.xTopTicks = std::move(xTopTicks);
  return Fit::kDone;
}

void PlotFrame::Begin() {
  const double W = layout_.widthPx, H = layout_.heightPx;
  canvas_.SetBackColor(colors::kWhite);
  canvas_.Clear();
  canvas_.SetScale(DataX(0), DataY(0), DataX(W), DataY(H));
  canvas_.SetLineStyle(LineStyle::kSolid);
  canvas_.SetPenWidth(1);
  if (outline_.gridLines && outline_.y.kind != AxisKind::kCategories) {
    for (const AxisTick& t : layout_.yTicks) canvas_.Line(xLo_, t.value, xHi_, t.value, kGridGrey);
  }
  canvas_.SetClip(xLo_, yHi_, xHi_, yLo_);
}

void PlotFrame::Note(std::string_view text) {
  TextStyle style;
  style.sizePx = outline_.fontPx;
  style.align = TextAlign::kCenter;
  style.vertical = TextVertical::kMiddle;
  const std::string fitted =
      FitText(canvas_, std::string(text), std::max(1.0, layout_.right - layout_.left - 8), style);
  if (fitted.empty()) return;
  canvas_.PlaceText((xLo_ + xHi_) / 2, (yLo_ + yHi_) / 2, fitted, kAxisGrey, style);
}

void PlotFrame::Finish() {
  canvas_.ResetClip();
  canvas_.SetLineStyle(LineStyle::kSolid);
  canvas_.SetPenWidth(1);
  const double tickLen = std::round(outline_.fontPx * 0.4);
  canvas_.Line(xLo_, yLo_, xLo_, yHi_, colors::kBlack);
  canvas_.Line(xLo_, yLo_, xHi_, yLo_, colors::kBlack);
  if (outline_.x.kind != AxisKind::kCategories) {
    for (const AxisTick& t : layout_.xTicks)
      canvas_.Line(t.value, yLo_, t.value, DataY(layout_.bottom + tickLen), colors::kBlack);
  }
  if (outline_.y.kind != AxisKind::kCategories) {
    for (const AxisTick& t : layout_.yTicks)
      canvas_.Line(DataX(layout_.left - tickLen), t.value, xLo_, t.value, colors::kBlack);
  }
  if (outline_.topAxis) {
    canvas_.Line(xLo_, yHi_, xHi_, yHi_, colors::kBlack);
    for (const AxisTick& t : layout_.xTopTicks)
      canvas_.Line(t.value, yHi_, t.value, DataY(layout_.top - tickLen), colors::kBlack);
  }
  for (const PlacedLabel& l : layout_.labels)
    canvas_.PlaceText(DataX(l.x), DataY(l.y), l.text, colors::kBlack, l.style);

  // Legend marks, each left of its label.
  const double swatch = std::round(outline_.fontPx * 2);
  const double halfH = outline_.fontPx * 0.4;
  for (const LegendPlace& place : legend_) {
    const LegendEntry& e = outline_.legend[static_cast<size_t>(place.entry)];
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
      case LegendMark::kShade:
        canvas_.FilledPolygon(box, e.colour, kDarkPhaseOpacity);
        break;
      case LegendMark::kPoint:
        canvas_.Circle((x0 + x1) / 2, mid, halfH * (DataX(1) - DataX(0)), e.colour, true);
        break;
    }
  }
}

}  // namespace movexa
