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
// The visible area: from (CO - 50, RO - 50) to (2400, 1600).
PlateRect PlateVisibleArea(const PlateGeometry& g);

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

// Draws the plate: clears, sets the visible area, red well boxes, beam dots (blue when the
// channel is enabled and mapped, yellow otherwise), group marks "<g>G" coloured by g mod 4
// (green, blue, red, black) at the wells whose beam-0 channel is in a group, and the column
// numbers and row letters in black.
void DrawSetupPlate(Canvas& canvas, const ProjectSettings& p, const WellMap& map,
                    const PlateGeometry& g);
// The drag rectangle over the cells from (r1, c1) to (r2, c2), either order.
void DrawDragRectangle(Canvas& canvas, const PlateGeometry& g, int r1, int c1, int r2, int c2);

// Colour of a group mark: green, blue, red, black for g mod 4 = 0, 1, 2, 3.
Rgb GroupMarkColour(int group);

}  // namespace movexa
