// The plot frame on the recording canvas: labels never overlap one another nor leave the
// picture whatever the size and range, data coordinates land in the plot area, and the marks
// show what a reader expects (the band spans mean - SEM .. mean + SEM, a missing bin breaks it,
// bars end at the mean with error bars of one SEM). The example figures are also written as
// PNG, SVG and PDF and read back (with MOVEXA_PLOT_SAMPLES=DIR they are kept there to look at).
#include "analysis/plot_frame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "base/cairo_canvas.h"
#include "base/recording_canvas.h"
#include "support/picture_check.h"
#include "support/test_support.h"

namespace movexa {
namespace {

using Op = RecordingCanvas::Op;

// Every text drawn, pairwise apart and inside the picture.
void ExpectTextsApartAndInside(const RecordingCanvas& c) {
  const auto texts = c.Of(Op::kText);
  for (size_t i = 0; i < texts.size(); ++i) {
    const PixelBox& a = texts[i].textBox;
    EXPECT_GE(a.left, -1e-6) << texts[i].text;
    EXPECT_GE(a.top, -1e-6) << texts[i].text;
    EXPECT_LE(a.right, c.WidthPx() + 1e-6) << texts[i].text;
    EXPECT_LE(a.bottom, c.HeightPx() + 1e-6) << texts[i].text;
    for (size_t j = i + 1; j < texts.size(); ++j)
      EXPECT_FALSE(a.Overlaps(texts[j].textBox)) << texts[i].text << " / " << texts[j].text;
  }
}

PlotOutline GroupSpec(AxisSpec x, AxisSpec y, int groups) {
  PlotOutline outline;
  outline.title = "Group activity, 30-min bins, mean and SEM";
  outline.x = std::move(x);
  outline.y = std::move(y);
  for (int g = 0; g < groups; ++g)
    outline.legend.push_back({"00" + std::to_string(g) + "_Treatment " + std::to_string(g),
                              SeriesColour(g), LegendMark::kBand});
  return outline;
}

TEST(PlotFrame, LabelsNeverOverlapNorLeaveThePictureAtAnySizeOrRange) {
  const std::pair<int, int> sizes[] = {{240, 160},  {400, 300},  {640, 480},
                                       {1000, 500}, {1600, 400}, {300, 900}};
  const AxisSpec xs[] = {
      HoursAxis(0, 72, "Time since start (h)"),
      ClockAxis(0, 24, 8 * 60 + 30, "Clock time (HH:MM)"),
      ClockAxis(0, 240, 22 * 60 + 45, "Clock time"),
      LinearAxis(-3.7, 12.2, "Period (h)"),
      LinearAxis(1e6, 1e6 + 7, "Counts"),
      HoursAxis(0, 720, "Time since start (h)"),
  };
  const AxisSpec ys[] = {
      LinearAxis(0, 1234.5, "Activity (counts / 30 min)"),
      LinearAxis(-0.002, 0.013, "Power (a.u.)"),
      LinearAxis(0, 1e7, "Counts"),
  };
  for (auto [w, h] : sizes) {
    for (const AxisSpec& x : xs) {
      for (const AxisSpec& y : ys) {
        for (double font : {12.0, 16.0}) {
          SCOPED_TRACE(testing::Message() << w << "x" << h << " x " << x.lo << ".." << x.hi << " y "
                                          << y.lo << ".." << y.hi << " font " << font);
          RecordingCanvas c(w, h);
          PlotOutline outline = GroupSpec(x, y, 4);
          outline.fontPx = font;
          PlotFrame frame(c, outline);
          frame.Begin();
          frame.Finish();
          ExpectTextsApartAndInside(c);
          // Not kept apart by leaving the axes bare: both carry at least two values.
          if (w >= 400 && h >= 300) {
            int xLabels = 0, yLabels = 0;
            for (const PlacedLabel& l : frame.layout().labels) {
              for (const AxisTick& t : frame.layout().xTicks) xLabels += l.text == t.label;
              for (const AxisTick& t : frame.layout().yTicks) yLabels += l.text == t.label;
            }
            EXPECT_GE(xLabels, 2);
            EXPECT_GE(yLabels, 2);
          }
        }
      }
    }
  }
}

TEST(PlotFrame, CategoryLabelsTurnUprightWhenTheyDoNotFitSideBySide) {
  const AxisSpec y = LinearAxis(0, 600, "Sleep (min / day)");
  const AxisSpec few = CategoryAxis({"Control", "Dose 1", "Dose 2"}, "Group");
  RecordingCanvas wide(640, 400);
  PlotOutline outline;
  outline.x = few;
  outline.y = y;
  PlotFrame a(wide, outline);
  a.Begin();
  a.Finish();
  for (const auto& t : wide.Of(Op::kText)) {
    if (t.text == "Dose 1") {
      EXPECT_EQ(t.textStyle.angleDegrees, 0);
    }
  }
  ExpectTextsApartAndInside(wide);

  AxisSpec many = few;
  many.categories.clear();
  for (int g = 0; g < 24; ++g)
    many.categories.push_back("0" + std::to_string(10 + g) + "_Mutant line " + std::to_string(g));
  RecordingCanvas narrow(400, 400);
  outline.title = "Sleep per group";
  outline.x = many;
  PlotFrame b(narrow, outline);
  b.Begin();
  b.Finish();
  int upright = 0;
  for (const auto& t : narrow.Of(Op::kText))
    upright += t.textStyle.angleDegrees == 90 && t.text.find("Mutant") != std::string::npos;
  EXPECT_GE(upright, 8);
  ExpectTextsApartAndInside(narrow);
}

TEST(PlotFrame, DataCoordinatesLandInThePlotAreaWhichClipsTheData) {
  RecordingCanvas c(800, 400);
  PlotFrame frame(
      c, GroupSpec(HoursAxis(0, 48, "Time (h)"), LinearAxis(0, 100, "Activity (counts)"), 2));
  frame.Begin();
  const PlotLayout& l = frame.layout();
  const CanvasPoint topLeft = c.ToPixels(0, 100), bottomRight = c.ToPixels(48, 0);
  EXPECT_NEAR(topLeft.x, l.left, 1e-9);
  EXPECT_NEAR(topLeft.y, l.top, 1e-9);
  EXPECT_NEAR(bottomRight.x, l.right, 1e-9);
  EXPECT_NEAR(bottomRight.y, l.bottom, 1e-9);
  EXPECT_GT(l.left, 30);  // room for the value labels and the turned title
  EXPECT_LT(l.right, 800);
  auto clips = c.Of(Op::kClip);
  ASSERT_EQ(clips.size(), 1u);
  EXPECT_EQ(clips[0].x1, 0);
  EXPECT_EQ(clips[0].y1, 100);
  EXPECT_EQ(clips[0].x2, 48);
  EXPECT_EQ(clips[0].y2, 0);
  // Dark phases: clipped to the axis, the full height of the plot.
  const AxisSpan dark[] = {{-5, 2}, {14, 26}, {38, 60}, {70, 80}};
  frame.ShadeSpans(dark);
  auto shades = c.Of(Op::kFilledPolygon);
  ASSERT_EQ(shades.size(), 3u);
  EXPECT_EQ(shades[0].points[0].x, 0);
  EXPECT_EQ(shades[0].points[1].x, 2);
  EXPECT_EQ(shades[2].points[1].x, 48);
  EXPECT_EQ(shades[1].points[0].y, 0);
  EXPECT_EQ(shades[1].points[2].y, 100);
  EXPECT_LT(shades[1].opacity, 0.5);
  frame.Finish();
  EXPECT_EQ(c.Of(Op::kResetClip).size(), 1u);
}

TEST(PlotFrame, TheBandSpansMeanMinusToPlusSemAndMissingBinsBreakIt) {
  RecordingCanvas c(800, 400);
  PlotFrame frame(
      c, GroupSpec(HoursAxis(0, 4, "Time (h)"), LinearAxis(0, 20, "Activity (counts)"), 1));
  frame.Begin();
  const double nan = std::nan("");
  const double x[] = {0, 0.5, 1, 1.5, 2, 2.5, 3, 3.5};
  const double mean[] = {5, 6, 7, nan, 9, 10, 11, 12};
  const double sem[] = {1, 0.5, 2, 1, 1, nan, 1, 1.5};
  const Rgb blue = SeriesColour(0);
  frame.MeanWithBand(x, mean, sem, blue);

  // Bands: bins 0-2, bin 4 alone, bins 6-7 (a missing mean and a missing SEM end a band).
  auto bands = c.Of(Op::kFilledPolygon, blue);
  ASSERT_EQ(bands.size(), 3u);
  const auto& first = bands[0].points;
  ASSERT_EQ(first.size(), 6u);
  EXPECT_EQ(first[1], (CanvasPoint{0.5, 6.5}));  // upper edge forward
  EXPECT_EQ(first[4], (CanvasPoint{0.5, 5.5}));  // lower edge back
  EXPECT_EQ(first[2], (CanvasPoint{1, 9}));
  EXPECT_EQ(first[3], (CanvasPoint{1, 5}));
  EXPECT_EQ(bands[1].points.size(), 4u);  // the lone bin: a narrow box from 8 to 10
  EXPECT_EQ(bands[1].points[0].y, 10);
  EXPECT_EQ(bands[1].points[2].y, 8);
  EXPECT_LT(bands[1].points[0].x, 2);
  EXPECT_GT(bands[1].points[1].x, 2);
  EXPECT_EQ(bands[2].points[1], (CanvasPoint{3.5, 13.5}));
  EXPECT_DOUBLE_EQ(bands[0].opacity, kBandOpacity);
  // The mean line breaks at the missing mean only, not at the missing SEM.
  auto lines = c.Of(Op::kPolyline, blue);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].points.size(), 3u);
  EXPECT_EQ(lines[1].points.size(), 4u);
  EXPECT_EQ(lines[1].points[1], (CanvasPoint{2.5, 10}));
  EXPECT_EQ(lines[1].penWidth, 2);
}

TEST(PlotFrame, BarsEndAtTheMeanWithOneSemErrorBarsAndTheAnimalsPoints) {
  RecordingCanvas c(600, 400);
  PlotOutline outline;
  outline.x = CategoryAxis({"Control", "Dose", "Empty"}, "Group");
  outline.y = LinearAxis(0, 800, "Sleep (min)");
  PlotFrame frame(c, outline);
  frame.Begin();
  c.Reset();  // the grid lines aside
  const BarValue bars[] = {{420, 30, {380, 400, 470, 430}, SeriesColour(0)},
                           {250, 55, {150, 300}, SeriesColour(1)},
                           {std::nan(""), std::nan(""), {}, SeriesColour(2)}};
  frame.Bars(bars);
  auto fills = c.Of(Op::kFilledPolygon);
  ASSERT_EQ(fills.size(), 2u);  // no bar without a mean
  EXPECT_EQ(fills[0].points[0], (CanvasPoint{-0.3, 0}));
  EXPECT_EQ(fills[0].points[2], (CanvasPoint{0.3, 420}));
  EXPECT_EQ(fills[1].points[2].y, 250);
  // Error bars: the vertical stroke from mean - SEM to mean + SEM, and its two caps.
  auto strokes =
      c.Where([](const RecordingCanvas::Call& k) { return k.op == Op::kLine && k.x1 == k.x2; });
  ASSERT_GE(strokes.size(), 2u);
  EXPECT_EQ(strokes[0].y1, 390);
  EXPECT_EQ(strokes[0].y2, 450);
  EXPECT_EQ(strokes[1].y1, 195);
  EXPECT_EQ(strokes[1].y2, 305);
  auto caps =
      c.Where([](const RecordingCanvas::Call& k) { return k.op == Op::kLine && k.y1 == k.y2; });
  EXPECT_EQ(caps.size(), 4u);
  // One dot per animal at its value, spread within the bar, none overlapping in x.
  auto dots = c.Of(Op::kFilledCircle);
  ASSERT_EQ(dots.size(), 6u);
  EXPECT_EQ(dots[0].y1, 380);
  EXPECT_EQ(dots[3].y1, 430);
  for (int k = 0; k < 4; ++k) {
    EXPECT_GT(dots[k].x1, -0.3);
    EXPECT_LT(dots[k].x1, 0.3);
    if (k > 0) {
      EXPECT_GT(dots[k].x1, dots[k - 1].x1);
    }
  }
  frame.Finish();
  // The three categories, the value labels and the two axis titles.
  EXPECT_EQ(c.Texts().size(), 3u + frame.layout().yTicks.size() + 2u);
}

TEST(PlotFrame, DegenerateRangesAndTinyPicturesStillGiveAFrame) {
  for (auto [w, h] : {std::pair{60, 40}, {120, 80}, {1, 1}}) {
    RecordingCanvas c(w, h);
    PlotOutline outline = GroupSpec(LinearAxis(5, 5, "x"), LinearAxis(std::nan(""), 1, "y"), 3);
    PlotFrame frame(c, outline);
    frame.Begin();
    const double x[] = {5, 5}, y[] = {0.2, 0.4};
    frame.Series(x, y, SeriesColour(0));
    frame.Finish();
    ExpectTextsApartAndInside(c);
    const PlotLayout& l = frame.layout();
    EXPECT_LT(l.left, l.right);
    EXPECT_LT(l.top, l.bottom);
    for (const auto& call : c.calls()) {
      EXPECT_TRUE(std::isfinite(call.x1) && std::isfinite(call.y1) && std::isfinite(call.x2) &&
                  std::isfinite(call.y2));
    }
  }
}

TEST(PlotFrame, RowCategoriesRunFromTheTopAndAreThinnedWhenTheyCannotAllBeRead) {
  for (int rows : {5, 60}) {
    SCOPED_TRACE(rows);
    std::vector<std::string> days;
    for (int d = 1; d <= rows; ++d) days.push_back(std::to_string(d));
    RecordingCanvas c(400, 300);
    PlotOutline outline;
    outline.x = HoursAxis(0, 48, "Zeitgeber time (h)");
    outline.y = CategoryAxis(days, "Day");
    PlotFrame frame(c, outline);
    frame.Begin();
    // Row i sits at value rows - 1 - i: the first day on top.
    EXPECT_DOUBLE_EQ(frame.yLo(), -0.5);
    EXPECT_DOUBLE_EQ(frame.yHi(), rows - 0.5);
    EXPECT_NEAR(frame.PixelY(rows - 1),
                frame.layout().top + (frame.layout().bottom - frame.layout().top) / (2.0 * rows),
                1e-9);
    frame.Finish();
    ExpectTextsApartAndInside(c);
    const auto& ticks = frame.layout().yTicks;
    ASSERT_GE(ticks.size(), 2u);
    EXPECT_EQ(ticks[0].label, "1");
    EXPECT_DOUBLE_EQ(ticks[0].value, rows - 1);
    if (rows == 5) {
      EXPECT_EQ(ticks.size(), 5u);
    } else {
      EXPECT_LT(ticks.size(), 60u);  // every k-th day, still from the top
      EXPECT_EQ(ticks[1].label,
                std::to_string(1 + static_cast<int>(ticks[0].value - ticks[1].value)));
    }
  }
}

TEST(PlotFrame, TheTopAxisLabelsTheSameRangeAnotherWayWithoutOverlap) {
  for (auto [w, h] : {std::pair{1000, 500}, std::pair{400, 300}, std::pair{240, 160}}) {
    SCOPED_TRACE(testing::Message() << w << "x" << h);
    RecordingCanvas c(w, h);
    PlotOutline outline = GroupSpec(ClockAxis(-0.25, 71.75, 9 * 60 + 15, "Clock time (HH:MM)"),
                                    LinearAxis(0, 120, "Activity (counts / 30 min)"), 4);
    outline.topAxis = true;
    outline.xTop = HoursAxis(0, 1, "Time since the run start (h)");
    PlotFrame frame(c, outline);
    frame.Begin();
    frame.Finish();
    ExpectTextsApartAndInside(c);
    const PlotLayout& l = frame.layout();
    if (w >= 400) {
      ASSERT_GE(l.xTopTicks.size(), 2u);
      // Hours since the start along the top: round hours at the same positions as the data.
      for (const AxisTick& t : l.xTopTicks) EXPECT_EQ(std::fmod(t.value, 1.0), 0.0) << t.label;
      int shown = 0;
      for (const auto& t : c.Of(Op::kText))
        for (const AxisTick& tick : l.xTopTicks)
          shown += t.text == tick.label && t.textBox.bottom <= l.top;
      EXPECT_GE(shown, 2);
    }
  }
}

TEST(PlotPalette, SeriesColoursAreTheEightOkabeItoColoursInTurn) {
  std::vector<Rgb> seen;
  for (int i = 0; i < 8; ++i) {
    for (const Rgb& s : seen) EXPECT_FALSE(s == SeriesColour(i)) << i;
    seen.push_back(SeriesColour(i));
  }
  EXPECT_EQ(SeriesColour(0), okabe_ito::kBlue);
  EXPECT_EQ(SeriesColour(1), okabe_ito::kVermillion);
  EXPECT_EQ(SeriesColour(8), SeriesColour(0));
  EXPECT_EQ(SeriesColour(-1), SeriesColour(7));
}

}  // namespace
}  // namespace movexa
