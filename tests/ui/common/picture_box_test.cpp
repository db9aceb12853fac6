// PictureBox: logical coordinates land on the right pixels (with y growing upwards as the
// activity picture uses it), drawing persists across a resize, and mouse positions come back in
// logical coordinates; the plot calls blend, clip, dash and place text as the file pictures do,
// while the windows' own figures stay crisp. The core's PNG files open in Qt.
#include "ui/common/picture_box.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <cmath>

#include "base/cairo_canvas.h"
#include "support/picture_check.h"

namespace movexa::ui {
namespace {

TEST(PictureBox, UpwardYScaleMapsBoxesAndMouseBackToLogicalCoordinates) {
  PictureBox pic;
  pic.resize(330, 330);  // one pixel per logical unit for x -30..300, y 300..-30
  pic.SetScale(-30, 300, 300, -30);
  pic.SetBackColor(colors::kWhite);
  pic.Clear();
  pic.FilledBox(0, 0, 2, 255, colors::kBlack);  // the vertical axis of the activity picture

  const QImage& img = pic.image();
  ASSERT_EQ(img.size(), QSize(330, 330));
  EXPECT_EQ(img.pixelColor(31, 300 - 100), QColor(0, 0, 0));      // logical (1, 100)
  EXPECT_EQ(img.pixelColor(130, 300 - 100), QColor(255, 255, 255));  // logical (100, 100)
  EXPECT_EQ(img.pixelColor(31, 300 - 270), QColor(255, 255, 255));  // above the axis top

  const QPointF l = pic.ToLogical(QPointF(130, 200));
  EXPECT_DOUBLE_EQ(l.x(), 100.0);
  EXPECT_DOUBLE_EQ(l.y(), 100.0);

  pic.show();
  pic.resize(400, 400);  // growing keeps what was drawn and the logical scale spans the new size
  EXPECT_EQ(pic.image().pixelColor(31, 200), QColor(0, 0, 0));
  EXPECT_EQ(pic.WidthPx(), 400);
}

QColor Blend(QColor over, QColor under, double opacity) {
  auto mix = [opacity](int a, int b) {
    return static_cast<int>(std::lround(a * opacity + b * (1 - opacity)));
  };
  return QColor(mix(over.red(), under.red()), mix(over.green(), under.green()),
                mix(over.blue(), under.blue()));
}

bool Near(QColor a, QColor b, int tolerance) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

TEST(PictureBox, PlotCallsBlendClipDashAndBreakAsTheFilePicturesDo) {
  PictureBox pic;
  pic.resize(200, 100);
  test::DrawPlotCallSample(pic);
  CairoCanvas file(200, 100);
  test::DrawPlotCallSample(file);
  const RgbImage rendered = file.Render();

  const QImage& img = pic.image();
  const QColor orange(230, 159, 0);
  EXPECT_TRUE(Near(img.pixelColor(50, 20), Blend(orange, Qt::white, 0.5), 2));
  EXPECT_TRUE(Near(img.pixelColor(150, 20), Blend(orange, Qt::blue, 0.5), 2));
  EXPECT_EQ(img.pixelColor(30, 50), QColor(Qt::black));
  EXPECT_EQ(img.pixelColor(61, 50), QColor(Qt::white));  // clipped
  EXPECT_EQ(img.pixelColor(100, 50), QColor(Qt::blue));
  int dashed = 0, solid = 0;
  for (int x = 0; x < 100; ++x) {
    dashed += img.pixelColor(x, 70) == QColor(Qt::black) ? 1 : 0;
    solid += img.pixelColor(x, 80) == QColor(Qt::black) ? 1 : 0;
  }
  EXPECT_GT(dashed, 30);
  EXPECT_LT(dashed, 80);
  EXPECT_GE(solid, 99);
  EXPECT_EQ(img.pixelColor(20, 90), QColor(Qt::red));
  EXPECT_EQ(img.pixelColor(50, 90), QColor(Qt::white));  // the missing value's gap
  EXPECT_EQ(img.pixelColor(80, 90), QColor(Qt::red));

  // The window and the file agree where the picture has flat colours.
  for (auto [x, y] : {std::pair{50, 20}, {150, 20}, {30, 50}, {61, 50}, {20, 90}, {50, 90}}) {
    const Rgb f = rendered.At(x, y);
    EXPECT_TRUE(Near(img.pixelColor(x, y), QColor(f.r, f.g, f.b), 2)) << x << "," << y;
  }
}

TEST(PictureBox, WindowFiguresStayCrispAndTextIsMeasuredAndTurned) {
  PictureBox pic;
  pic.resize(400, 400);
  pic.SetScale(0, 100, 100, 0);  // 4 pixels per unit, y upwards
  pic.SetBackColor(colors::kWhite);
  pic.Clear();
  // The windows' lines are not anti-aliased: one row of pure black, white either side.
  pic.Line(0, 90, 100, 90, colors::kBlack);
  EXPECT_EQ(pic.image().pixelColor(200, 40), QColor(Qt::black));
  EXPECT_EQ(pic.image().pixelColor(200, 39), QColor(Qt::white));
  EXPECT_EQ(pic.image().pixelColor(200, 41), QColor(Qt::white));

  TextStyle small;
  small.sizePx = 12;
  TextStyle large = small;
  large.sizePx = 24;
  const TextExtent a = pic.MeasureText("Time (h)", small);
  const TextExtent b = pic.MeasureText("Time (h)", large);
  EXPECT_GT(a.width, 5.0);  // more than 20 px at 4 px per unit
  EXPECT_GT(a.height, 12.0 / 4);
  EXPECT_NEAR(b.width, 2 * a.width, 0.2 * a.width);

  large.angleDegrees = 90;
  large.align = TextAlign::kCenter;
  large.vertical = TextVertical::kMiddle;
  pic.PlaceText(50, 50, "Activity (counts)", colors::kBlack, large);
  int top = 400, bottom = -1, left = 400, right = -1;
  for (int y = 60; y < 400; ++y) {
    for (int x = 0; x < 400; ++x) {
      if (pic.image().pixelColor(x, y).red() > 128) continue;
      top = std::min(top, y);
      bottom = std::max(bottom, y);
      left = std::min(left, x);
      right = std::max(right, x);
    }
  }
  EXPECT_NEAR(bottom - top, pic.MeasureText("Activity (counts)", large).width * 4, 10);
  EXPECT_LT(right - left, 32);
  EXPECT_NEAR((top + bottom) / 2.0, 200, 6);
}

TEST(CairoPictures, PngFilesOpenInQtAtTheRequestedSize) {
  CairoCanvas file(1000, 500);
  file.SetScale(0, 0, 1000, 500);
  file.FilledBox(100, 100, 199, 199, colors::kRed);
  file.Text(300, 100, "Group 1", colors::kBlack);
  std::string png;
  ASSERT_TRUE(file.Encode(PictureFormat::kPng, png));
  QImage img;
  ASSERT_TRUE(img.loadFromData(QByteArray(png.data(), static_cast<qsizetype>(png.size())), "PNG"));
  EXPECT_EQ(img.size(), QSize(1000, 500));
  EXPECT_EQ(img.pixelColor(150, 150), QColor(Qt::red));
  EXPECT_EQ(img.pixelColor(200, 150), QColor(Qt::white));
  EXPECT_LT(png.size(), 1000u * 500 * 3 / 50);  // compressed
}

}  // namespace
}  // namespace movexa::ui
