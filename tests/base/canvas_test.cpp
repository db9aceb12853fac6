// The toolkit-free Canvas helpers: the recording of the plot calls (what the plot tests read),
// placed-text geometry, eliding, and the UTF-8 cleaning that keeps a bad group name from breaking
// text.
#include <gtest/gtest.h>

#include "base/canvas_text.h"
#include "base/recording_canvas.h"

namespace movexa {
namespace {

using Op = RecordingCanvas::Op;

TEST(RecordingCanvas, PlotCallsKeepTheirPointsOpacityStyleAndClip) {
  RecordingCanvas c(200, 100);
  c.SetScale(0, 10, 20, 0);  // 10 px per unit, y upwards
  const CanvasPoint band[] = {{1, 2}, {3, 4}, {3, 1}};
  c.FilledPolygon(band, colors::kRed, 0.25);
  c.SetLineStyle(LineStyle::kDashed);
  c.SetPenWidth(2);
  c.Line(0, 5, 20, 5, colors::kBlack);
  c.Polyline(band, colors::kBlue);
  c.SetLineStyle(LineStyle::kSolid);
  c.SetClip(1, 9, 19, 1);
  c.Line(0, 1, 1, 0, colors::kBlack);
  c.ResetClip();

  auto polygons = c.Of(Op::kFilledPolygon);
  ASSERT_EQ(polygons.size(), 1u);
  EXPECT_EQ(polygons[0].points, (std::vector<CanvasPoint>{{1, 2}, {3, 4}, {3, 1}}));
  EXPECT_DOUBLE_EQ(polygons[0].opacity, 0.25);
  auto lines = c.Of(Op::kLine);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].lineStyle, LineStyle::kDashed);
  EXPECT_EQ(lines[0].penWidth, 2);
  EXPECT_EQ(lines[1].lineStyle, LineStyle::kSolid);
  auto polylines = c.Of(Op::kPolyline, colors::kBlue);
  ASSERT_EQ(polylines.size(), 1u);
  EXPECT_EQ(polylines[0].points.size(), 3u);
  EXPECT_EQ(polylines[0].lineStyle, LineStyle::kDashed);
  auto clips = c.Of(Op::kClip);
  ASSERT_EQ(clips.size(), 1u);
  EXPECT_EQ(clips[0].x1, 1);
  EXPECT_EQ(clips[0].y2, 1);
  EXPECT_EQ(c.Of(Op::kResetClip).size(), 1u);
}

TEST(RecordingCanvas, TextIsMeasuredWithAFixedPitchAndItsPixelBoxRecorded) {
  RecordingCanvas c(200, 100);
  c.SetScale(0, 10, 20, 0);  // 10 px per unit both ways, y upwards
  TextStyle style;
  style.sizePx = 10;
  const TextExtent e = c.MeasureText("abcd", style);
  EXPECT_DOUBLE_EQ(e.width, 4 * 6.0 / 10);  // 0.6 of 10 px per character, in units
  EXPECT_DOUBLE_EQ(e.height, 12.0 / 10);
  // Code points, not bytes: "µs" is two characters.
  EXPECT_DOUBLE_EQ(c.MeasureText("\xC2\xB5s", style).width, 2 * 6.0 / 10);

  style.align = TextAlign::kRight;
  style.vertical = TextVertical::kMiddle;
  c.PlaceText(10, 5, "abcd", colors::kBlack, style);  // pixel (100, 50)
  c.Text(0, 10, "xy", colors::kBlack);                // default 12 px, top-left at (0, 0)
  auto texts = c.Of(Op::kText);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].textStyle.align, TextAlign::kRight);
  const PixelBox& b = texts[0].textBox;
  EXPECT_DOUBLE_EQ(b.left, 76);
  EXPECT_DOUBLE_EQ(b.right, 100);
  EXPECT_DOUBLE_EQ(b.top, 44);
  EXPECT_DOUBLE_EQ(b.bottom, 56);
  EXPECT_DOUBLE_EQ(texts[1].textBox.right, 2 * 7.2);
  EXPECT_DOUBLE_EQ(texts[1].textBox.bottom, 14.4);
  EXPECT_EQ(texts[1].x2, 0);  // Text() keeps its anchor in both corners, as before
}

TEST(PlacedText, RotationTurnsTheBoxAboutItsAnchor) {
  TextStyle up;
  up.angleDegrees = 90;  // reads upwards: the text runs from the anchor towards the top
  PixelBox b = PlacedTextBounds(100, 100, 40, 10, up);
  EXPECT_NEAR(b.left, 100, 1e-9);  // the top of the letters faces left: the box lies right
  EXPECT_NEAR(b.right, 110, 1e-9);
  EXPECT_NEAR(b.top, 60, 1e-9);
  EXPECT_NEAR(b.bottom, 100, 1e-9);
  up.align = TextAlign::kCenter;
  up.vertical = TextVertical::kBottom;  // a y-axis title: centred on the axis, bottom at x
  b = PlacedTextBounds(100, 100, 40, 10, up);
  EXPECT_NEAR(b.left, 90, 1e-9);
  EXPECT_NEAR(b.right, 100, 1e-9);
  EXPECT_NEAR(b.top, 80, 1e-9);
  EXPECT_NEAR(b.bottom, 120, 1e-9);
  EXPECT_FALSE(b.Overlaps({100, 80, 110, 120}));  // touching is not overlapping
  EXPECT_TRUE(b.Overlaps({99, 119, 110, 130}));
}

TEST(ElideToWidth, CutsAtCharactersInTheCanvasUnitsAndLeavesNothingWhenNothingFits) {
  RecordingCanvas canvas;  // 7.2 px a character in the default font, 1 unit a pixel
  EXPECT_EQ(ElideToWidth(canvas, "G5_Group5", 64.9), "G5_Group5");
  EXPECT_EQ(ElideToWidth(canvas, "G5_Group5", 64.7), "G5_Grou\u2026");
  EXPECT_EQ(ElideToWidth(canvas, "G5_Group5", 36.1), "G5_G\u2026");
  // Blanks before the cut go: "Wild…", not "Wild …".
  EXPECT_EQ(ElideToWidth(canvas, "Wild type N2", 43.3), "Wild\u2026");
  // A multi-byte character is kept or cut whole; a byte that is not UTF-8 never reaches a cut
  // text (a Latin-1 group name).
  EXPECT_EQ(ElideToWidth(canvas, "\u00B5m\u00B5m\u00B5m", 28.9), "\u00B5m\u00B5\u2026");
  EXPECT_EQ(ElideToWidth(canvas, "Gr\xE9s\xE9", 28.9), "Gr?\u2026");
  EXPECT_EQ(ElideToWidth(canvas, "G5_Group5", 14.5), "G\u2026");
  EXPECT_EQ(ElideToWidth(canvas, "G5_Group5", 14.3), "");
  EXPECT_EQ(ElideToWidth(canvas, "", 0), "");
  // The width is in the scale in force: 10 px a unit here.
  canvas.SetScale(0, 0, 64, 48);
  EXPECT_EQ(ElideToWidth(canvas, "G5_Group5", 3.7), "G5_G\u2026");
  TextStyle large;
  large.sizePx = 24;  // 14.4 px a character
  EXPECT_EQ(ElideToWidth(canvas, "G5_Group5", 4.4, large), "G5\u2026");
}

TEST(ValidUtf8, KeepsGoodTextAndReplacesEveryBadByte) {
  EXPECT_EQ(ValidUtf8("Grupo \xC3\xA9 \xE2\x82\xAC \xF0\x9F\x90\x9F"),
            "Grupo \xC3\xA9 \xE2\x82\xAC \xF0\x9F\x90\x9F");
  EXPECT_EQ(ValidUtf8("Gr\xE9up"), "Gr?up");                     // Latin-1
  EXPECT_EQ(ValidUtf8("\xC0\xAF"), "??");                        // overlong '/'
  EXPECT_EQ(ValidUtf8("\xED\xA0\x80"), "???");                   // surrogate half
  EXPECT_EQ(ValidUtf8("\xF4\x90\x80\x80"), "????");              // above U+10FFFF
  EXPECT_EQ(ValidUtf8("ab\xE2\x82"), "ab??");                    // cut short at the end
  EXPECT_EQ(ValidUtf8(std::string("a\0b\r\n\tc", 7)), "ab\tc");  // controls dropped, tab kept
  EXPECT_EQ(Utf8Length("\xC3\xA9t\xC3\xA9"), 3);
}

}  // namespace
}  // namespace movexa
