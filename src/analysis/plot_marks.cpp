// The plot frame's marks: shaded spans, the mean with its SEM band, plain series, reference
// lines, dots and bars with error bars and the animals' points, all in the data's own units.
#include <algorithm>
#include <cmath>

#include "analysis/plot_frame.h"

namespace movexa {

namespace {

constexpr Rgb kAxisGrey{40, 40, 40};

Rgb Darker(Rgb c) {
  return {static_cast<uint8_t>(c.r * 0.6), static_cast<uint8_t>(c.g * 0.6),
          static_cast<uint8_t>(c.b * 0.6)};
}

}  // namespace

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

}  // namespace movexa
