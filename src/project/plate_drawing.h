// The plate picture of the setup window: the well boxes over the 16 x 24 beam grid, the beam
// dots, the group marks and the axis labels, drawn on a Canvas; the picture's visible area and
// the hit test from picture coordinates to a well cell.
#pragma once

#include "base/canvas.h"
#include "project/project_settings.h"
#include "project/well_map.h"

namespace movexa {

// Pitches and offsets in picture units (beam cells x 100, rounded halves to even).
struct PlateUnits {
  int cp = 0, co = 0, rp = 0, ro = 0;
};
PlateUnits PlateDrawingUnits(const PlateGeometry& g);

struct PlateRect {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};
// The box of well (row e, column j).
PlateRect WellBox(const PlateGeometry& g, int row, int column);
// The visible area: from (CO - 50, RO - 50) to the right and bottom edges of the beam grid
// (2400, 1600) or of the plate when it reaches further, plus a margin, so that the outline of
// the last column and row is drawn whole.
PlateRect PlateVisibleArea(const PlateGeometry& g);
// The visible area widened (equally on both sides) or lengthened (downwards) to the shape of a
// picture of widthPx x heightPx pixels: a picture unit is as long across as down, so wells keep
// their shape whatever the window's size.
PlateRect PlatePictureArea(const PlateGeometry& g, int widthPx, int heightPx);

// How the plate picture writes its text in a picture of widthPx x heightPx pixels: the text
// height in pixels (the window sets its picture's font to it) and where group marks stand. A
// mark is "<g>G" at (j x CP + CO + 25, e x RP + RO + 45) while that fits inside its well; on
// narrower wells (384 wells on a small screen) it is the bare number from near the well's left
// edge and below the beam's dot, in smaller text when needed, so that no mark runs into the next
// well. A digit is taken as 0.64 of the text height wide.
struct PlateTextStyle {
  int pixels = 13;
  bool suffix = true;     // marks end in "G"
  double markInset = 25;  // from the well's left edge, picture units (also the column numbers)
  double markDrop = 45;   // from the well's top edge, picture units
};
PlateTextStyle PlateTextStyleFor(const PlateGeometry& g, const ProjectSettings& p,
                                 const WellMap& map, int widthPx, int heightPx);

// The well cell under picture coordinates (x, y): column = floor((x - column offset x 100) /
// (column pitch x 100)), row likewise. `inside` tells whether the cell is a well of the plate.
struct WellCell {
  int row = 0;
  int column = 0;
  bool inside = false;
  int Well(const PlateGeometry& g) const { return column * g.rows + row; }
};
WellCell HitTestWell(const PlateGeometry& g, double x, double y);
// The cell moved into the plate (negative positions count as 0, beyond the last as the last).
WellCell ClampCell(const PlateGeometry& g, WellCell cell);

// Draws the plate: clears, sets the picture's area, red well boxes, beam dots (blue when the
// channel is enabled and mapped, yellow otherwise), group marks coloured by g mod 4 (green,
// blue, red, black) at the wells whose beam-0 channel is in a group, and the column numbers and
// row letters in black; the text as PlateTextStyleFor the canvas's size says.
void DrawSetupPlate(Canvas& canvas, const ProjectSettings& p, const WellMap& map,
                    const PlateGeometry& g);
// The drag rectangle over the cells from (r1, c1) to (r2, c2), either order.
void DrawDragRectangle(Canvas& canvas, const PlateGeometry& g, int r1, int c1, int r2, int c2);

// Colour of a group mark: green, blue, red, black for g mod 4 = 0, 1, 2, 3.
Rgb GroupMarkColour(int group);

}  // namespace movexa
