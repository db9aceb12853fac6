// PictureBox: logical coordinates land on the right pixels (with y growing upwards as the
// activity picture uses it), drawing persists across a resize, and mouse positions come back in
// logical coordinates.
#include "ui/common/picture_box.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace movexa::ui
