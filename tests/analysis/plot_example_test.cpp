// Two example figures drawn with the plot frame as the analysis plots will be: group activity
// over three days (mean and SEM per group, dark phases shaded, a dashed reference line) and
// sleep per group as bars with the animals' points. On the recording canvas a reader's checks;
// then the same drawings as PNG, SVG and PDF files that open at their size (kept in
// MOVEXA_PLOT_SAMPLES=DIR when set, to be looked at).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "analysis/plot_frame.h"
#include "base/cairo_canvas.h"
#include "base/recording_canvas.h"
#include "support/picture_check.h"
#include "support/test_support.h"

namespace movexa {
namespace {

using Op = RecordingCanvas::Op;

constexpr double kStartMinute = 8 * 60 + 30;  // the run started at 08:30
constexpr double kBinHours = 0.5;
constexpr int kBins = 144;  // three days

// Mean activity of group g at bin i: high in the dark phase (19:00-07:00), with noise.
double Mean(int g, int i) {
  const double clock = std::fmod(kStartMinute / 60 + i * kBinHours, 24.0);
  const bool dark = clock >= 19 || clock < 7;
  return (dark ? 60.0 : 20.0) * (1 + 0.4 * g) + 8 * std::sin(i * 0.7 + g);
}
double Sem(int g, int i) {
  return 4 + 2 * std::fabs(std::cos(i * 0.3 + g));
}

void DrawActivityFigure(Canvas& canvas) {
  PlotOutline outline;
  outline.title = "Group activity (30-min bins, mean \xC2\xB1 SEM)";
  outline.x = ClockAxis(0, kBins * kBinHours, kStartMinute, "Clock time");
  outline.y = LinearAxis(0, 140, "Activity (counts / 30 min)");
  outline.legend = {{"001_Control (n = 16)", SeriesColour(0), LegendMark::kBand},
                    {"002_Caffeine (n = 16)", SeriesColour(1), LegendMark::kBand},
                    {"Baseline mean", okabe_ito::kBlack, LegendMark::kDashedLine}};
  PlotFrame frame(canvas, outline);
  frame.Begin();
  // Dark phases from 19:00 to 07:00, in hours since the 08:30 start.
  const AxisSpan dark[] = {{10.5, 22.5}, {34.5, 46.5}, {58.5, 70.5}};
  frame.ShadeSpans(dark);
  for (int g = 0; g < 2; ++g) {
    std::vector<double> x, mean, sem;
    for (int i = 0; i < kBins; ++i) {
      x.push_back(i * kBinHours);
      mean.push_back(i == 50 ? std::nan("") : Mean(g, i));  // one bin never measured
      sem.push_back(Sem(g, i));
    }
    frame.MeanWithBand(x, mean, sem, SeriesColour(g));
  }
  frame.HorizontalLine(40, okabe_ito::kBlack);
  frame.Finish();
}

void DrawSleepFigure(Canvas& canvas) {
  PlotOutline outline;
  outline.title = "Sleep per day (5-min rule)";
  outline.x = CategoryAxis({"001_Control", "002_Caffeine", "003_Melatonin", "004_Mutant"}, "Group");
  outline.y = LinearAxis(0, 900, "Sleep (min / day)");
  PlotFrame frame(canvas, outline);
  frame.Begin();
  std::vector<BarValue> bars;
  for (int g = 0; g < 4; ++g) {
    BarValue bar{0, 0, {}, SeriesColour(g)};
    for (int a = 0; a < 12; ++a) bar.points.push_back(300 + 120 * g + 40 * std::sin(a * 1.3 + g));
    double sum = 0;
    for (double p : bar.points) sum += p;
    bar.mean = sum / 12;
    double ss = 0;
    for (double p : bar.points) ss += (p - bar.mean) * (p - bar.mean);
    bar.sem = std::sqrt(ss / 11) / std::sqrt(12.0);
    bars.push_back(bar);
  }
  frame.Bars(bars);
  frame.Finish();
}

TEST(PlotExample, GroupActivityShowsBandsShadingLegendAndAxesAsAReaderExpects) {
  RecordingCanvas c(1000, 500);
  DrawActivityFigure(c);
  // Three dark phases, then per group a band broken at the unmeasured bin 50.
  auto shades = c.Of(Op::kFilledPolygon, kDarkPhaseShade);
  ASSERT_EQ(shades.size(), 3u);
  EXPECT_EQ(shades[1].points[0].x, 34.5);
  for (int g = 0; g < 2; ++g) {
    auto bands = c.Of(Op::kFilledPolygon, SeriesColour(g));
    ASSERT_GE(bands.size(), 2u);
    // Bin 10 lies in the first band: its upper vertex is mean + SEM, its lower mean - SEM.
    const auto& band = bands[0].points;
    ASSERT_EQ(band.size(), 2u * 50);
    EXPECT_DOUBLE_EQ(band[10].x, 5.0);
    EXPECT_DOUBLE_EQ(band[10].y, Mean(g, 10) + Sem(g, 10));
    EXPECT_DOUBLE_EQ(band[band.size() - 1 - 10].y, Mean(g, 10) - Sem(g, 10));
    // The mean line: two runs either side of the missing bin (the legend's mark aside).
    auto lines = c.Where([g](const RecordingCanvas::Call& k) {
      return k.op == Op::kPolyline && k.colour == SeriesColour(g) && k.points.size() > 2;
    });
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].points.size(), 50u);
    EXPECT_EQ(lines[1].points.size(), 93u);
  }
  // The reference line is dashed, across the whole time axis.
  auto dashed = c.Where([](const RecordingCanvas::Call& k) {
    return k.op == Op::kPolyline && k.lineStyle == LineStyle::kDashed &&
           k.colour == okabe_ito::kBlack && k.points.size() == 2;
  });
  ASSERT_GE(dashed.size(), 1u);
  EXPECT_EQ(dashed[0].points[0], (CanvasPoint{0, 40}));
  EXPECT_EQ(dashed[0].points[1], (CanvasPoint{72, 40}));
  // What is written: the titles with units, the legend, clock times, the days.
  const auto texts = c.Texts();
  for (const char* t : {"Activity (counts / 30 min)", "Clock time", "001_Control (n = 16)",
                        "002_Caffeine (n = 16)", "Baseline mean"})
    EXPECT_NE(std::find(texts.begin(), texts.end(), std::string(t)), texts.end()) << t;
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Day 2"), texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "12:00"), texts.end());
}

TEST(PlotExample, FiguresWrittenAsPngSvgAndPdfOpenAtTheirSize) {
  test::TempDir temp;
  const char* keep = std::getenv("MOVEXA_PLOT_SAMPLES");
  const std::filesystem::path dir = keep && *keep ? std::filesystem::path(keep) : temp.path();
  std::filesystem::create_directories(dir);
  for (auto [name, draw] : {std::pair{"group_activity", &DrawActivityFigure},
                            std::pair{"sleep_bars", &DrawSleepFigure}}) {
    SCOPED_TRACE(name);
    CairoCanvas picture(1000, 500);
    draw(picture);
    std::string error;
    for (const char* ext : {".png", ".svg", ".pdf"})
      ASSERT_TRUE(picture.Save(dir / (std::string(name) + ext), &error)) << error;
    const std::string png = test::ReadFileOrDie(dir / (std::string(name) + ".png"));
    EXPECT_LT(png.size(), 150u * 1024);
    RecordProperty(std::string(name) + "_png_bytes", static_cast<int>(png.size()));
    auto decoded = test::DecodePng(png);
    ASSERT_TRUE(decoded);
    auto svg = test::RasteriseSvg(dir / (std::string(name) + ".svg"), &error);
    ASSERT_TRUE(svg) << error;
    auto pdf = test::RasterisePdf(dir / (std::string(name) + ".pdf"), &error);
    ASSERT_TRUE(pdf) << error;
    for (const RgbImage* img : {&*decoded, &*svg, &*pdf}) {
      EXPECT_EQ(img->width, 1000);
      EXPECT_EQ(img->height, 500);
    }
    // The three renderings agree on the picture, pixel for pixel up to anti-aliasing: count
    // the pixels that differ clearly.
    int differ = 0;
    for (int y = 0; y < 500; y += 2)
      for (int x = 0; x < 1000; x += 2)
        differ += !test::Near(decoded->At(x, y), svg->At(x, y), 60) ||
                  !test::Near(decoded->At(x, y), pdf->At(x, y), 60);
    EXPECT_LT(differ, 500 * 1000 / 4 / 50);  // under 2 %
  }
}

}  // namespace
}  // namespace movexa
