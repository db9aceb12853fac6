// A panel drawn through CanvasRegion lands in its rectangle of the parent picture: positions,
// lengths and text sizes map through the panel's own scale, and neither its clip nor its
// clearing reaches outside the rectangle.
#include "base/canvas_region.h"

#include <gtest/gtest.h>

#include "base/recording_canvas.h"

namespace movexa {
namespace {

using Op = RecordingCanvas::Op;

TEST(CanvasRegion, APanelsDrawingLandsInItsRectangle) {
  RecordingCanvas parent(400, 300);
  CanvasRegion panel(parent, 200, 100, 200, 100);  // the right half of the lower two thirds
  EXPECT_EQ(panel.WidthPx(), 200);
  EXPECT_EQ(panel.HeightPx(), 100);
  // The parent is drawn on in pixels and clipped to the rectangle at once.
  EXPECT_EQ(parent.LastScale().x2, 400);
  auto clips = parent.Of(Op::kClip);
  ASSERT_EQ(clips.size(), 1u);
  EXPECT_EQ(clips[0].x1, 200);
  EXPECT_EQ(clips[0].y1, 100);
  EXPECT_EQ(clips[0].x2, 400);
  EXPECT_EQ(clips[0].y2, 200);

  panel.SetScale(0, 10, 50, 0);  // y upwards, 4 px per unit across, 10 px per unit up
  parent.Reset();
  panel.Line(0, 0, 50, 10, colors::kBlack);
  const CanvasPoint poly[] = {{25, 5}, {50, 5}, {50, 10}};
  panel.FilledPolygon(poly, colors::kRed, 0.5);
  panel.Circle(25, 5, 2, colors::kBlue, true);
  auto lines = parent.Of(Op::kLine);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].x1, 200);
  EXPECT_EQ(lines[0].y1, 200);
  EXPECT_EQ(lines[0].x2, 400);
  EXPECT_EQ(lines[0].y2, 100);
  auto fills = parent.Of(Op::kFilledPolygon);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].points[0], (CanvasPoint{300, 150}));
  EXPECT_EQ(fills[0].opacity, 0.5);
  auto circles = parent.Of(Op::kFilledCircle);
  ASSERT_EQ(circles.size(), 1u);
  EXPECT_EQ(circles[0].x2, 8);  // 2 units across = 8 px

  // Text is measured in the panel's units: a 12 px line box is 1.44 units up here.
  TextStyle style;
  style.sizePx = 12;
  const TextExtent e = panel.MeasureText("abc", style);
  EXPECT_NEAR(e.width, 3 * 0.6 * 12 / 4.0, 1e-12);
  EXPECT_NEAR(e.height, 1.2 * 12 / 10.0, 1e-12);
}

TEST(CanvasRegion, ClipAndClearStayInsideTheRectangle) {
  RecordingCanvas parent(400, 300);
  CanvasRegion panel(parent, 0, 0, 200, 150);
  panel.SetScale(0, 0, 200, 150);
  parent.Reset();
  panel.SetClip(-50, 100, 500, 400);  // reaches past the panel on three sides
  auto clips = parent.Of(Op::kClip);
  ASSERT_EQ(clips.size(), 1u);
  EXPECT_EQ(clips[0].x1, 0);
  EXPECT_EQ(clips[0].y1, 100);
  EXPECT_EQ(clips[0].x2, 200);
  EXPECT_EQ(clips[0].y2, 150);
  parent.Reset();
  panel.SetBackColor(colors::kLightYellow);
  panel.Clear();
  EXPECT_TRUE(parent.Of(Op::kClear).empty());  // the parent's other panels stay
  auto boxes = parent.Of(Op::kFilledBox, colors::kLightYellow);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].x2, 200);
  EXPECT_EQ(boxes[0].y2, 150);
  panel.ResetClip();
  clips = parent.Of(Op::kClip);
  EXPECT_EQ(clips.back().x2, 200);  // back to the rectangle, never the whole picture
}

}  // namespace
}  // namespace movexa
