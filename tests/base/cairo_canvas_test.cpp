// CairoCanvas: the picture files decode at the size asked for and show what was drawn (PNG
// through Cairo's decoder, SVG through librsvg, PDF through poppler), PNG is compressed, the
// BMP byte layout, the pixel conventions the windows' pictures rely on, the plot calls, and
// input that must not break a picture (far or missing coordinates, broken UTF-8).
#include "base/cairo_canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/picture_check.h"
#include "support/test_support.h"

namespace movexa {
namespace {

using test::Near;

constexpr Rgb kOrange{230, 159, 0};

// Counts the pixels of a colour (within a tolerance) in a box of the image.
int CountNear(const RgbImage& img, Rgb colour, int tolerance, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) n += Near(img.At(x, y), colour, tolerance) ? 1 : 0;
  return n;
}

// A picture with flat areas whose colours every format must reproduce exactly.
void DrawSample(CairoCanvas& c) {
  c.SetScale(0, 100, 200, 0);  // y upwards, as the activity pictures use it
  c.FilledBox(10, 90, 59, 41, colors::kRed);
  c.FilledBox(120, 30, 180, 10, colors::kBlue);
  c.SetPenWidth(2);
  c.Line(0, 50, 200, 50, colors::kBlack);
  c.SetPenWidth(1);
  c.Text(70, 95, "Scale 250", colors::kBlack);
}

TEST(CairoCanvas, PngDecodesAtTheRequestedSizeWithTheDrawnPixelsAndIsCompressed) {
  CairoCanvas c(400, 200);
  DrawSample(c);
  std::string png;
  std::string error;
  ASSERT_TRUE(c.Encode(PictureFormat::kPng, png, &error)) << error;
  EXPECT_EQ(png.substr(1, 3), "PNG");
  auto img = test::DecodePng(png);
  ASSERT_TRUE(img);
  EXPECT_EQ(img->width, 400);
  EXPECT_EQ(img->height, 200);
  // Filled boxes include their edges: logical x 10..59 are pixels 20..118 and the fill reaches
  // the end of pixel 118; nothing left of pixel 20.
  EXPECT_EQ(img->At(20, 30), colors::kRed);
  EXPECT_EQ(img->At(118, 30), colors::kRed);
  EXPECT_EQ(img->At(119, 30), colors::kWhite);
  EXPECT_EQ(img->At(19, 30), colors::kWhite);
  EXPECT_EQ(img->At(300, 160), colors::kBlue);
  // A two-pixel horizontal line lands on whole pixels (rows 100 and 101), not smeared over four.
  EXPECT_EQ(img->At(200, 100), colors::kBlack);
  EXPECT_EQ(img->At(200, 101), colors::kBlack);
  EXPECT_EQ(img->At(200, 99), colors::kWhite);
  EXPECT_EQ(img->At(200, 102), colors::kWhite);
  // Real glyphs, anti-aliased: some pure black, some grey edge pixels where the text is.
  EXPECT_GT(CountNear(*img, colors::kBlack, 40, 140, 10, 230, 26), 10);
  EXPECT_GT(CountNear(*img, Rgb{128, 128, 128}, 60, 140, 10, 230, 26), 3);
  // Compressed: far below the 240000 bytes of the raw pixels.
  EXPECT_LT(png.size(), 20000u);

  // A resolution ratio renders the same drawing on more pixels.
  ASSERT_TRUE(c.Encode(PictureFormat::kPng, png, &error, 2.0)) << error;
  auto big = test::DecodePng(png);
  ASSERT_TRUE(big);
  EXPECT_EQ(big->width, 800);
  EXPECT_EQ(big->height, 400);
  EXPECT_EQ(big->At(41, 60), colors::kRed);
  EXPECT_EQ(big->At(39, 60), colors::kWhite);
}

TEST(CairoCanvas, SvgAndPdfOpenAtTheSizeDrawnAndShowTheSamePicture) {
  test::TempDir dir;
  CairoCanvas c(400, 200);
  DrawSample(c);
  std::string error;
  ASSERT_TRUE(c.Save(dir / "p.svg", &error)) << error;
  ASSERT_TRUE(c.Save(dir / "p.PDF", &error)) << error;
  EXPECT_NE(test::ReadFileOrDie(dir / "p.svg").find("<svg"), std::string::npos);
  EXPECT_EQ(test::ReadFileOrDie(dir / "p.PDF").substr(0, 5), "%PDF-");
  auto svg = test::RasteriseSvg(dir / "p.svg", &error);
  ASSERT_TRUE(svg) << error;
  auto pdf = test::RasterisePdf(dir / "p.PDF", &error);
  ASSERT_TRUE(pdf) << error;
  for (const RgbImage* img : {&*svg, &*pdf}) {
    EXPECT_EQ(img->width, 400);
    EXPECT_EQ(img->height, 200);
    EXPECT_TRUE(Near(img->At(60, 30), colors::kRed, 2));
    EXPECT_TRUE(Near(img->At(110, 60), colors::kRed, 2));
    EXPECT_TRUE(Near(img->At(130, 60), colors::kWhite, 2));
    EXPECT_TRUE(Near(img->At(300, 160), colors::kBlue, 2));
    EXPECT_TRUE(Near(img->At(200, 100), colors::kBlack, 60));
    EXPECT_GT(CountNear(*img, colors::kBlack, 60, 140, 10, 230, 26), 10);
  }
}

TEST(CairoCanvas, BmpRowsAreBottomUpBgrAndPaddedToFourBytes) {
  CairoCanvas c(3, 2);
  c.SetScale(0, 0, 3, 2);
  c.Point(1, 0, Rgb{10, 20, 30});
  std::string bmp;
  ASSERT_TRUE(c.Encode(PictureFormat::kBmp, bmp));
  ASSERT_EQ(bmp.size(), 54u + 2 * 12);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(test::GetI32(bmp, 2), 78);
  EXPECT_EQ(test::GetI32(bmp, 10), 54);
  EXPECT_EQ(test::GetI32(bmp, 18), 3);
  EXPECT_EQ(test::GetI32(bmp, 22), 2);
  EXPECT_EQ(test::GetI16(bmp, 28), 24);
  EXPECT_EQ(test::GetI32(bmp, 30), 0);  // uncompressed
  // The top row is stored last; pixel 1 of it in B, G, R order; the bottom row is white.
  EXPECT_EQ(bmp.substr(54 + 12 + 3, 3), std::string("\x1E\x14\x0A", 3));
  EXPECT_EQ(bmp.substr(54, 3), std::string("\xFF\xFF\xFF", 3));
  EXPECT_EQ(bmp.substr(54 + 9, 3), std::string("\0\0\0", 3));  // padding
}

TEST(CairoCanvas, FarMissingAndBrokenInputLeavesThePictureDrawable) {
  CairoCanvas c(40, 20);
  c.SetScale(0, 0, 40, 20);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  c.Line(-1e12, 5, 1e12, 5, colors::kRed);  // beyond Cairo's fixed point, still across
  c.Line(nan, 1, 3, 1, colors::kBlue);
  c.Box(-1e300, -1e300, 1e300, 1e300, colors::kBlue);
  c.Circle(1e200, 3, 1e200, colors::kBlue, true);
  c.Text(2, 12, "Gr\xE9up \xC0\xAF \xED\xA0\x80 \x01",
         colors::kBlack);  // Latin-1, overlong, surrogate
  const CanvasPoint broken[] = {{0, 0}, {nan, 3}, {1e300, -1e300}, {40, 20}};
  c.FilledPolygon(broken, colors::kBlue, 0.5);
  c.Polyline(broken, colors::kBlue);
  c.FilledBox(30, 15, 35, 18, colors::kGreen);  // drawn after all of it
  std::string png, error;
  ASSERT_TRUE(c.Encode(PictureFormat::kPng, png, &error)) << error;
  auto img = test::DecodePng(png);
  ASSERT_TRUE(img);
  for (int x = 0; x < 40; ++x) EXPECT_EQ(img->At(x, 5), colors::kRed) << x;
  EXPECT_EQ(img->At(32, 16), colors::kGreen);
  EXPECT_GT(CountNear(*img, colors::kBlack, 80, 2, 12, 39, 19), 3);
}

TEST(CairoCanvas, ClearDropsWhatWasDrawnBefore) {
  CairoCanvas blank(300, 200);
  std::string before;
  ASSERT_TRUE(blank.Encode(PictureFormat::kSvg, before));
  CairoCanvas c(300, 200);
  for (int i = 0; i < 2000; ++i) c.Line(i % 300, 0, 0, i % 200, colors::kRed);
  c.SetBackColor(Rgb{10, 20, 30});
  c.Clear();
  std::string after;
  ASSERT_TRUE(c.Encode(PictureFormat::kSvg, after));
  EXPECT_LT(after.size(), before.size() + 200);
  EXPECT_EQ(c.Render().At(150, 100), (Rgb{10, 20, 30}));
}

TEST(CairoCanvas, PlotCallsBlendClipDashAndBreakAtMissingValues) {
  CairoCanvas c(200, 100);
  test::DrawPlotCallSample(c);
  RgbImage img = c.Render();
  EXPECT_TRUE(Near(img.At(50, 20), Rgb{242, 207, 128}, 2));  // (255 + 230) / 2, ...
  EXPECT_TRUE(Near(img.At(150, 20), Rgb{115, 80, 128}, 2));  // (0 + 230) / 2, ...
  EXPECT_EQ(img.At(30, 50), colors::kBlack);
  EXPECT_EQ(img.At(100, 50), colors::kBlue);
  EXPECT_EQ(img.At(61, 50), colors::kWhite);
  int dashedInk = CountNear(img, colors::kBlack, 0, 0, 70, 99, 70);
  EXPECT_GT(dashedInk, 40);
  EXPECT_LT(dashedInk, 80);
  EXPECT_EQ(CountNear(img, colors::kBlack, 0, 0, 80, 99, 80), 100);
  EXPECT_EQ(img.At(20, 90), colors::kRed);
  EXPECT_EQ(img.At(50, 90), colors::kWhite);
  EXPECT_EQ(img.At(80, 90), colors::kRed);
}

TEST(CairoCanvas, TextIsMeasuredInLogicalUnitsAndPlacedByItsAnchor) {
  CairoCanvas c(400, 400);
  c.SetScale(0, 100, 100, 0);  // 4 pixels per unit, y upwards
  TextStyle small;
  small.sizePx = 12;
  TextStyle large = small;
  large.sizePx = 24;
  const TextExtent a = c.MeasureText("Time (h)", small);
  const TextExtent b = c.MeasureText("Time (h)", large);
  const TextExtent wider = c.MeasureText("Time (h) since start", small);
  EXPECT_GT(a.width, 8.0 / 4);  // about 50 px wide at 12 px: more than 2 units
  EXPECT_LT(a.width, 80.0 / 4);
  EXPECT_GT(a.height, 12.0 / 4);
  EXPECT_LT(a.height, 18.0 / 4);
  EXPECT_NEAR(b.width, 2 * a.width, 0.1 * a.width);
  EXPECT_GT(wider.width, 1.8 * a.width);

  // Rotated a quarter turn, centred on (50, 50): the ink stands upright around pixel (200, 200).
  TextStyle upright = large;
  upright.angleDegrees = 90;
  upright.align = TextAlign::kCenter;
  upright.vertical = TextVertical::kMiddle;
  c.PlaceText(50, 50, "Activity (counts)", colors::kBlack, upright);
  RgbImage img = c.Render();
  int top = 400, bottom = -1, left = 400, right = -1;
  for (int y = 0; y < 400; ++y) {
    for (int x = 0; x < 400; ++x) {
      if (img.At(x, y).r > 128) continue;
      top = std::min(top, y);
      bottom = std::max(bottom, y);
      left = std::min(left, x);
      right = std::max(right, x);
    }
  }
  const double lengthPx = c.MeasureText("Activity (counts)", large).width * 4;
  EXPECT_NEAR(bottom - top, lengthPx, 8);
  EXPECT_LT(right - left, 30);
  EXPECT_NEAR((top + bottom) / 2.0, 200, 6);
  EXPECT_NEAR((left + right) / 2.0, 200, 6);
}

TEST(PictureFormat, ChosenByTheExtensionInAnyCaseAndNothingElse) {
  EXPECT_EQ(PictureFormatOf("a/b.png"), PictureFormat::kPng);
  EXPECT_EQ(PictureFormatOf("b.SVG"), PictureFormat::kSvg);
  EXPECT_EQ(PictureFormatOf("b.Pdf"), PictureFormat::kPdf);
  EXPECT_EQ(PictureFormatOf("image1.bmp"), PictureFormat::kBmp);
  EXPECT_FALSE(PictureFormatOf("x.jpg"));
  EXPECT_FALSE(PictureFormatOf("png"));
  EXPECT_FALSE(PictureFormatOf("x.png.tmp"));
  test::TempDir dir;
  CairoCanvas c(10, 10);
  std::string error;
  EXPECT_FALSE(c.Save(dir / "x.jpg", &error));
  EXPECT_NE(error.find(".png, .svg, .pdf or .bmp"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir / "x.jpg"));
}

}  // namespace
}  // namespace movexa
