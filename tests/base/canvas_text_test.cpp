// Texts fitted into a width: whole when they fit, else cut with "…" at a character boundary.
#include <gtest/gtest.h>

#include "base/recording_canvas.h"

namespace movexa {
namespace {

TEST(ElideToWidth, CutsAtCharactersAndLeavesNothingWhenNothingFits) {
  RecordingCanvas canvas;  // the estimate: 7 pixels a character
  EXPECT_DOUBLE_EQ(canvas.TextWidthPx("G5_Group5"), 63);
  EXPECT_DOUBLE_EQ(canvas.TextWidthPx("A\u00B5\u2026"), 21);  // characters, not bytes
  EXPECT_EQ(ElideToWidth(canvas, "G5_Group5", 63), "G5_Group5");
  EXPECT_EQ(ElideToWidth(canvas, "G5_Group5", 62.9), "G5_Grou\u2026");
  EXPECT_EQ(ElideToWidth(canvas, "G5_Group5", 35), "G5_G\u2026");
  // Blanks before the cut go: "Wild…", not "Wild …".
  EXPECT_EQ(ElideToWidth(canvas, "Wild type N2", 42), "Wild\u2026");
  // A multi-byte character is kept or cut whole.
  EXPECT_EQ(ElideToWidth(canvas, "\u00B5m\u00B5m\u00B5m", 28), "\u00B5m\u00B5\u2026");
  EXPECT_EQ(ElideToWidth(canvas, "G5_Group5", 14), "G\u2026");
  EXPECT_EQ(ElideToWidth(canvas, "G5_Group5", 13), "");
  EXPECT_EQ(ElideToWidth(canvas, "", 0), "");
}

}  // namespace
}  // namespace movexa
