// PlotFrame: the frame every analysis plot is drawn in, on any Canvas (a window's picture, a
// PNG, SVG or PDF file, a test's recording). It lays the picture out from measured text (title,
// legend, axis titles with their units, tick labels at round values thinned until none
// overlaps another or leaves the picture), then sets the canvas scale so that data coordinates
// land in the plot area: between Begin() and Finish() everything is drawn in the data's own
// units (hours since the start on time axes, category index on a category axis), clipped to the
// plot area. It also holds the plot marks: shaded light or dark phases, a mean line with its
// SEM band broken at missing values, bars with error bars and the animals' points, reference
// lines. Colours come from the Okabe-Ito palette, which readers with any common colour vision
// deficiency tell apart.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/plot_axis.h"
#include "base/canvas.h"
#include "base/canvas_text.h"

namespace movexa {

namespace okabe_ito {
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kOrange{230, 159, 0};
inline constexpr Rgb kSkyBlue{86, 180, 233};
inline constexpr Rgb kBluishGreen{0, 158, 115};
inline constexpr Rgb kYellow{240, 228, 66};
inline constexpr Rgb kBlue{0, 114, 178};
inline constexpr Rgb kVermillion{213, 94, 0};
inline constexpr Rgb kReddishPurple{204, 121, 167};
}  // namespace okabe_ito

// Colour of the i-th series (group, well): blue, vermillion, bluish green, orange, reddish
// purple, sky blue, black, yellow (the palest last), then again from the start.
Rgb SeriesColour(int index);

// Shade of the dark phases (grey, drawn translucent over the plot background).
inline constexpr Rgb kDarkPhaseShade{110, 110, 110};
inline constexpr double kDarkPhaseOpacity = 0.22;
// Opacity of the SEM bands and of the bars' fill.
inline constexpr double kBandOpacity = 0.25;
inline constexpr double kBarOpacity = 0.45;

enum class AxisKind {
  kLinear,      // plain values, 1-2-5 steps
  kHours,       // hours since the start
  kClock,       // hours since the start, labelled by clock time
  kCategories,  // one slot per category name: along x at 0, 1, 2 ... from the left; along y
                // the first at the top, category i at n - 1 - i (rows of an actogram)
};

struct AxisSpec {
  AxisKind kind = AxisKind::kLinear;
  double lo = 0.0;  // data range (hours on time axes); ignored for categories
  double hi = 1.0;
  std::string title;              // with its unit, e.g. "Activity (counts / 30 min)"
  double clockStartMinute = 0.0;  // kClock: minutes after midnight at value 0
  std::vector<std::string> categories;
};

AxisSpec LinearAxis(double lo, double hi, std::string title);
AxisSpec HoursAxis(double loHours, double hiHours, std::string title);
AxisSpec ClockAxis(double loHours, double hiHours, double startMinuteOfDay, std::string title);
AxisSpec CategoryAxis(std::vector<std::string> names, std::string title);

enum class LegendMark { kLine, kBand, kBar, kPoint, kDashedLine, kShade };

struct LegendEntry {
  std::string label;
  Rgb colour;
  LegendMark mark = LegendMark::kLine;
};

struct PlotOutline {
  std::string title;
  AxisSpec x;
  AxisSpec y;
  // A second labelling of the x axis along the top of the plot (e.g. hours since the start over
  // a clock-time axis): its kind, title and clock start are used, its range is the x axis's.
  bool topAxis = false;
  AxisSpec xTop;
  std::vector<LegendEntry> legend;
  double fontPx = 12.0;   // tick labels, legend and axis titles; the title is 1.25 times larger
  bool gridLines = true;  // faint lines at the value ticks, under the data
};

// A stretch of the x axis (hours), e.g. a dark phase.
struct AxisSpan {
  double from = 0.0;
  double to = 0.0;
};

// One bar of a bar plot: the mean with its SEM and the animals' values.
struct BarValue {
  double mean = 0.0;
  double sem = 0.0;
  std::vector<double> points;
  Rgb colour;
};

// A placed label of the layout, in pixels.
struct PlacedLabel {
  std::string text;
  double x = 0.0, y = 0.0;  // anchor
  TextStyle style;
  PixelBox box;
};

struct PlotLayout {
  int widthPx = 0, heightPx = 0;
  double left = 0, top = 0, right = 0, bottom = 0;  // the plot area in pixels
  std::vector<AxisTick> xTicks, yTicks;             // those that are drawn, labelled or not
  std::vector<AxisTick> xTopTicks;                  // of the top axis, when there is one
  std::vector<PlacedLabel> labels;                  // every text of the frame
  int legendShown = 0;                              // entries that had room
};

class PlotFrame {
 public:
  // Lays the plot out on the canvas's size (the canvas's scale is changed for measuring).
  PlotFrame(Canvas& canvas, PlotOutline outline);

  // Clears the picture, shades nothing yet, draws the grid, sets the data scale and clips the
  // drawing to the plot area.
  void Begin();
  // Translucent bands over the whole height of the plot for each span of the x axis.
  void ShadeSpans(std::span<const AxisSpan> spans, Rgb colour = kDarkPhaseShade,
                  double opacity = kDarkPhaseOpacity);
  // The mean as a line and mean - sem .. mean + sem as a translucent band, both in the colour.
  // A bin whose mean is not finite breaks the line and the band; one whose SEM is not finite
  // (a single animal) breaks the band only.
  void MeanWithBand(std::span<const double> x, std::span<const double> mean,
                    std::span<const double> sem, Rgb colour);
  // A plain series, broken at values that are not finite.
  void Series(std::span<const double> x, std::span<const double> y, Rgb colour,
              LineStyle style = LineStyle::kSolid, int penWidth = 2);
  // A line across the plot at value y (a significance threshold, a baseline).
  void HorizontalLine(double y, Rgb colour, LineStyle style = LineStyle::kDashed);
  // A filled dot of `radiusPx` pixels at a data point (peaks, single values).
  void Dot(double x, double y, Rgb colour, double radiusPx = 3.5);
  // Bars at the categories 0, 1, ... : the mean as a bar from 0, the SEM as an error bar with
  // caps, the points spread evenly across the bar. A mean that is not finite draws no bar.
  void Bars(std::span<const BarValue> bars, double barWidth = 0.6);
  // A short text centred in the plot area (why nothing is drawn), cut to the area's width.
  void Note(std::string_view text);
  // Lifts the clip and draws the axes, ticks, labels, titles and legend over the data.
  void Finish();

  const PlotLayout& layout() const { return layout_; }
  // The data range of the plot area.
  double xLo() const { return xLo_; }
  double xHi() const { return xHi_; }
  double yLo() const { return yLo_; }
  double yHi() const { return yHi_; }
  // Data coordinates of a pixel position, and back.
  double DataX(double px) const;
  double DataY(double py) const;
  double PixelX(double x) const;
  double PixelY(double y) const;

 private:
  struct Fonts;
  // One attempt at the layout with these parts shown: done, or to be tried again with fewer
  // parts (the plot area would be too small) or with the category labels turned upright.
  enum class Fit { kDone, kTooSmall, kTurnLabels };
  Fit TryLayOut(const Fonts& f, bool showTitle, bool showLegend, bool turnXLabels);
  void LayOut();
  // Keeps a label unless it overlaps one kept before or leaves the picture.
  void Keep(PlacedLabel label, bool droppable);

  Canvas& canvas_;
  PlotOutline outline_;
  PlotLayout layout_;
  double xLo_ = 0, xHi_ = 1, yLo_ = 0, yHi_ = 1;  // data range of the plot area
  // Where each shown legend entry's mark goes: its left end and the row's middle, in pixels.
  struct LegendPlace {
    int entry = 0;
    double x = 0.0, y = 0.0;
  };
  std::vector<LegendPlace> legend_;
};

// Breaks a series of points into runs of finite ones (for callers that draw their own marks).
std::vector<std::vector<CanvasPoint>> FiniteRuns(std::span<const double> x,
                                                 std::span<const double> y);

}  // namespace movexa
