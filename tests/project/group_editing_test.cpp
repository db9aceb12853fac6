// Group editing and the plate picture: the group selector's entries, click versus drag on the
// plate, disabled channels, the automatic arrangement's blocks (also with blocks that do not
// tile the plate), the hit test, and what the plate drawing puts on the canvas.
#include <gtest/gtest.h>

#include <set>

#include "base/host_fakes.h"
#include "base/recording_canvas.h"
#include "project/group_editing.h"
#include "project/plate_drawing.h"
#include "project/plate_format.h"

namespace movexa {
namespace {

using Op = RecordingCanvas::Op;

struct Plate {
  explicit Plate(const char* format = "w96f") {
    InstallBuiltInPlateFormat(format, g, map);
    ClearGroups(p);
  }
  int GroupOfWell(const char* label) {
    return p.channelGroup[static_cast<size_t>(map.FindChannel(*WellOfChannelLabel(label, g), 0))];
  }
  // Picture coordinates of the centre of a well.
  std::pair<double, double> Centre(int row, int column) {
    PlateRect b = WellBox(g, row, column);
    return {(b.x1 + b.x2) / 2, (b.y1 + b.y2) / 2};
  }
  ProjectSettings p;
  PlateGeometry g;
  WellMap map;
};

TEST(GroupSelector, OffersUsedGroupsAndOneMoreAndRenamesUsedFreeGroups) {
  Plate plate;
  GroupSelector s = FillGroupSelector(plate.p, 7);
  EXPECT_EQ(s.labels, std::vector<std::string>{"000_Free"});
  EXPECT_EQ(s.selected, 0);

  plate.p.channelGroup[0] = 0;
  plate.p.channelGroup[5] = 3;
  plate.p.groupNames[0] = "Control";
  s = FillGroupSelector(plate.p, 3);
  EXPECT_EQ(s.labels, (std::vector<std::string>{"000_Control", "001_Free", "002_Free", "003_Free",
                                                "004_Free"}));
  EXPECT_EQ(s.selected, 3);
  // The used group 3 still showed "Free"; it is named Group3 for the next refill.
  EXPECT_EQ(plate.p.groupNames[3], "Group3");
  EXPECT_EQ(FillGroupSelector(plate.p, 3).labels[3], "003_Group3");
  EXPECT_EQ(GroupOfLabel("003_Group3"), 3);
  EXPECT_EQ(GroupOfLabel("ab_x"), std::nullopt);
}

TEST(PlateMouse, ClickSparesOtherGroupsDragTakesThemOverRightButtonFrees) {
  Plate plate;
  PlateEditState st;
  auto [x, y] = plate.Centre(1, 2);  // B3
  EXPECT_FALSE(PlateMouseDown(st, plate.p, plate.map, plate.g, PlateButton::kLeft, x, y, 4));
  st.plateDrawn = true;
  AssignWell(plate.p, plate.map, plate.g, "B3.0", 2);

  PlateMouseDown(st, plate.p, plate.map, plate.g, PlateButton::kLeft, x, y, 4);
  PlateMouseUp(st, plate.p, plate.map, plate.g, x, y, 4);
  EXPECT_EQ(st.captionWell, 17);
  EXPECT_EQ(plate.GroupOfWell("B3"), 2);  // a click leaves a well of another group alone

  PlateMouseDown(st, plate.p, plate.map, plate.g, PlateButton::kLeft, x, y, 4);
  auto [x2, y2] = plate.Centre(2, 3);  // drag to C4
  PlateMouseMove(st, plate.g, x2, y2);
  PlateMouseUp(st, plate.p, plate.map, plate.g, x2, y2, 4);
  for (const char* well : {"B3", "B4", "C3", "C4"}) EXPECT_EQ(plate.GroupOfWell(well), 4) << well;
  EXPECT_EQ(plate.GroupOfWell("A3"), -1);

  // A drag that leaves the picture's top-left margin counts from row A, column 1.
  PlateMouseDown(st, plate.p, plate.map, plate.g, PlateButton::kRight, x2, y2, 4);
  PlateMouseMove(st, plate.g, -40, -90);
  PlateMouseUp(st, plate.p, plate.map, plate.g, -40, -90, 4);
  for (const char* well : {"A1", "B3", "C4"}) EXPECT_EQ(plate.GroupOfWell(well), -1) << well;

  // A click below the last row names no well: nothing is assigned to a well of the next column.
  PlateMouseDown(st, plate.p, plate.map, plate.g, PlateButton::kLeft, 300, 1590, 4);
  PlateMouseUp(st, plate.p, plate.map, plate.g, 300, 1590, 4);
  EXPECT_EQ(plate.GroupOfWell("A3"), -1);
}

TEST(PlateMouse, DisabledChannelIsAssignedOnlyThroughTheList) {
  Plate plate;
  PlateEditState st;
  st.plateDrawn = true;
  const int beam1 = plate.map.FindChannel(0, 1);  // A1, second beam
  plate.p.channelEnabled[static_cast<size_t>(beam1)] = false;
  auto [x, y] = plate.Centre(0, 0);
  PlateMouseDown(st, plate.p, plate.map, plate.g, PlateButton::kLeft, x, y, 1);
  EXPECT_EQ(plate.GroupOfWell("A1"), 1);
  EXPECT_EQ(plate.p.channelGroup[static_cast<size_t>(beam1)], -1);
  AutoArrange(plate.p, plate.map, plate.g, "01x01 [RowsxColumn]");
  EXPECT_EQ(plate.p.channelGroup[static_cast<size_t>(beam1)], -1);
  // Disabled channels appear in neither list, but the list action takes the whole well.
  EXPECT_EQ(ChannelList(plate.p, plate.map, plate.g, 0), std::vector<std::string>{"A1.0"});
  ASSERT_TRUE(AssignWell(plate.p, plate.map, plate.g, "A1.0", 5));
  EXPECT_EQ(plate.p.channelGroup[static_cast<size_t>(beam1)], 5);
  EXPECT_FALSE(AssignWell(plate.p, plate.map, plate.g, "Z9.0", 5));  // not a well of the plate
  ASSERT_TRUE(FreeWell(plate.p, plate.map, plate.g, "A1.0"));
  EXPECT_EQ(FreeList(plate.p, plate.map, plate.g).front(), "A1.0");
  EXPECT_EQ(KeepSelection(5, 3), 2);
}

TEST(AutoArrange, TwoByThreeBlocksOnW96fAndSetsOfThePlate) {
  Plate plate;
  std::vector<std::string> sets = ArrangementSets(plate.g);
  EXPECT_EQ(sets[0], "01x01 [RowsxColumn]");
  EXPECT_EQ(sets[4], "01x02 [RowsxColumn]");
  EXPECT_EQ(sets.size(), 6u * 4u);  // column divisors 1,2,3,4,6,12 x row divisors 1,2,4,8
  EXPECT_EQ(PreselectedSet(sets.size()), 2);
  EXPECT_EQ(PreselectedSet(2), 0);

  ASSERT_TRUE(AutoArrange(plate.p, plate.map, plate.g, "02x03 [RowsxColumn]"));
  // Group 0 = A1-A3 and B1-B3, group 1 = C1-C3 and D1-D3, ..., group 4 = A4-A6 and B4-B6.
  const char* rows = "ABCDEFGH";
  for (int col = 0; col < 12; ++col) {
    for (int row = 0; row < 8; ++row) {
      std::string well = std::string(1, rows[row]) + std::to_string(col + 1);
      EXPECT_EQ(plate.GroupOfWell(well.c_str()), (col / 3) * 4 + row / 2) << well;
    }
  }
  EXPECT_EQ(plate.p.groupNames[15], "Group15");
  std::set<int> groups(plate.p.channelGroup.begin(), plate.p.channelGroup.begin() + 384);
  EXPECT_EQ(*groups.rbegin(), 15);
  EXPECT_FALSE(AutoArrange(plate.p, plate.map, plate.g, "0x03"));
}

TEST(AutoArrange, BlocksThatDoNotTileThePlateStayInsideAndAssignEachChannelOnce) {
  Plate plate;
  // 3 rows x 5 columns on 8 x 12: blocks would run past row H and column 12.
  ASSERT_TRUE(AutoArrange(plate.p, plate.map, plate.g, "03x05"));
  for (size_t c = 0; c < 384; ++c) {
    if (plate.map.channelWell[c] < 0) {
      EXPECT_EQ(plate.p.channelGroup[c], -1) << c;
    }
  }
  // The first block is A1-C5; the next starts at D1 and never reaches the column after.
  EXPECT_EQ(plate.GroupOfWell("C5"), 0);
  EXPECT_EQ(plate.GroupOfWell("D1"), 1);
  EXPECT_EQ(plate.GroupOfWell("G1"), 2);
  EXPECT_EQ(plate.GroupOfWell("H1"), 2);  // the partial block G-H stops at the bottom row
  EXPECT_EQ(plate.GroupOfWell("A2"), 0);

  // A well whose first beam is disabled does not stall the arrangement on that well.
  Plate holes;
  holes.p.channelEnabled[static_cast<size_t>(holes.map.FindChannel(2, 0))] = false;  // C1
  AutoArrange(holes.p, holes.map, holes.g, "02x03");
  EXPECT_EQ(holes.GroupOfWell("E1"), 2);
  EXPECT_EQ(holes.GroupOfWell("A4"), 4);
}

TEST(PlateDrawing, BoxesDotsMarksAndLabelsPerFormat) {
  Plate plate;
  plate.p.channelEnabled[1] = true;
  plate.p.channelEnabled[0] = false;  // A1 beam 0: yellow, and A1 keeps no mark
  AssignWell(plate.p, plate.map, plate.g, "B1.0", 5);
  AssignWell(plate.p, plate.map, plate.g, "A2.0", 2);
  RecordingCanvas canvas;
  DrawSetupPlate(canvas, plate.p, plate.map, plate.g);
  // The area reaches past the plate's last outline (x 2400) and the grid's bottom (y 1600),
  // and keeps wells square in the 640 x 480 picture (no room to spare across: it grows down).
  RecordingCanvas::Call scale = canvas.LastScale();
  EXPECT_EQ(scale.x1, -50);
  EXPECT_EQ(scale.y1, -100);
  EXPECT_GT(scale.x2, 2400);
  EXPECT_LT(scale.x2, 2420);
  EXPECT_GT(scale.y2, 1600);
  EXPECT_DOUBLE_EQ((scale.x2 - scale.x1) / 640, (scale.y2 - scale.y1) / 480);
  auto boxes = canvas.Of(Op::kBox, colors::kRed);
  ASSERT_EQ(boxes.size(), 96u);
  EXPECT_EQ(boxes[1].x1, 200);  // A2: column pitch 200, row offset -50
  EXPECT_EQ(boxes[1].y1, -50);
  EXPECT_EQ(boxes[1].x2, 400);
  EXPECT_EQ(boxes[1].y2, 150);
  auto dots = canvas.Of(Op::kFilledCircle);
  ASSERT_EQ(dots.size(), 384u);
  EXPECT_EQ(dots[0].colour, (Rgb{255, 255, 0}));   // channel 0 disabled
  EXPECT_EQ(dots[24].colour, (Rgb{255, 255, 0}));  // channel 1: beam row 1 is no well's
  EXPECT_EQ(dots[1].colour, colors::kBlue);        // channel 16: A1, second beam
  EXPECT_EQ(canvas.Of(Op::kFilledCircle, colors::kBlue).size(), 191u);
  auto marks = canvas.Where([](const RecordingCanvas::Call& c) {
    return c.op == Op::kText && c.text.size() > 1 && c.text.back() == 'G';
  });
  ASSERT_EQ(marks.size(), 2u);
  EXPECT_EQ(marks[0].text, "5G");
  EXPECT_EQ(marks[0].colour, colors::kBlue);
  EXPECT_EQ(marks[0].x1, 25);
  EXPECT_EQ(marks[0].y1, 200 - 50 + 45);
  EXPECT_EQ(marks[1].colour, colors::kRed);
  std::vector<std::string> texts = canvas.Texts();
  EXPECT_EQ(texts[2], "1");
  EXPECT_EQ(texts.back(), "H");

  Plate w384("w384");
  canvas.Reset();
  DrawSetupPlate(canvas, w384.p, w384.map, w384.g);
  EXPECT_EQ(canvas.Of(Op::kBox, colors::kRed).size(), 384u);
  WellCell cell = HitTestWell(w384.g, 2350, 1550);
  EXPECT_TRUE(cell.inside);
  EXPECT_EQ(cell.Well(w384.g), 383);
  EXPECT_FALSE(HitTestWell(w384.g, 2450, 10).inside);
}

// Where the marks stand in a picture `width` x `height` pixels: each mark's estimated right end
// (0.64 of the text height a digit) must stay inside its own well.
void ExpectMarksInsideTheirWells(Plate& plate, int width, int height) {
  RecordingCanvas canvas(width, height);
  DrawSetupPlate(canvas, plate.p, plate.map, plate.g);
  const PlateTextStyle style = PlateTextStyleFor(plate.g, plate.p, plate.map, width, height);
  const RecordingCanvas::Call scale = canvas.LastScale();
  const double unitsPerPx = (scale.x2 - scale.x1) / width;
  const PlateUnits u = PlateDrawingUnits(plate.g);
  int marks = 0;
  for (const auto& call : canvas.Of(Op::kText)) {
    if (call.colour == colors::kBlack && call.y1 < 0) continue;  // column numbers
    if (call.x1 < 0) continue;                                   // row letters
    const double right = call.x1 + call.text.size() * 0.64 * style.pixels * unitsPerPx;
    const int column = static_cast<int>((call.x1 - u.co) / u.cp);
    EXPECT_LT(right, (column + 1) * u.cp + u.co) << call.text << " at " << width;
    ++marks;
  }
  EXPECT_GT(marks, 0);
}

TEST(PlateDrawing, MarksOf384WellsStayInsideTheirWellsOnASmallPicture) {
  Plate w384("w384");
  AutoArrange(w384.p, w384.map, w384.g, "01x01");  // groups 0..383, one per well
  // About the picture of a 1024-wide screen: wells of some 23 pixels hold "383" but not "383G".
  const PlateTextStyle small = PlateTextStyleFor(w384.g, w384.p, w384.map, 560, 390);
  EXPECT_FALSE(small.suffix);
  EXPECT_GE(small.pixels, 7);
  ExpectMarksInsideTheirWells(w384, 560, 390);
  // 96 wells on a large picture keep the usual "<g>G" 25 units into the well.
  Plate plate;
  AssignWell(plate.p, plate.map, plate.g, "B1.0", 5);
  const PlateTextStyle large = PlateTextStyleFor(plate.g, plate.p, plate.map, 1500, 1000);
  EXPECT_TRUE(large.suffix);
  EXPECT_EQ(large.markInset, 25);
  ExpectMarksInsideTheirWells(plate, 1500, 1000);
  ExpectMarksInsideTheirWells(w384, 1500, 1000);
}

}  // namespace
}  // namespace movexa
