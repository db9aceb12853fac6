// The setup window's plate picture.
#include "project/plate_drawing.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "base/constants.h"
#include "base/rounding.h"

namespace movexa {

namespace {

constexpr double kDotRadius = 5;
constexpr double kMarginUnits = 50;
constexpr double kGridWidth = 2400;
constexpr double kGridHeight = 1600;
constexpr Rgb kYellow{255, 255, 0};

int Units(double beamCells) {
  return static_cast<int>(RoundHalfEven(beamCells * 100));
}

// floor(position / pitch) with a pitch of zero or less giving cell 0 (a plate file refuses
// such pitches; a fresh geometry has them).
int CellOf(double position, double pitch) {
  if (!(pitch > 0)) return 0;
  double cell = std::floor(position / pitch);
  return static_cast<int>(std::clamp(cell, -1e6, 1e6));
}

}  // namespace

PlateUnits PlateDrawingUnits(const PlateGeometry& g) {
  return {Units(g.columnPitch), Units(g.columnOffset), Units(g.rowPitch), Units(g.rowOffset)};
}

PlateRect WellBox(const PlateGeometry& g, int row, int column) {
  PlateUnits u = PlateDrawingUnits(g);
  return {static_cast<double>(column * u.cp + u.co), static_cast<double>(row * u.rp + u.ro),
          static_cast<double>((column + 1) * u.cp + u.co),
          static_cast<double>((row + 1) * u.rp + u.ro)};
}

PlateRect PlateVisibleArea(const PlateGeometry& g) {
  PlateUnits u = PlateDrawingUnits(g);
  return {u.co - kMarginUnits, u.ro - kMarginUnits, kGridWidth, kGridHeight};
}

WellCell HitTestWell(const PlateGeometry& g, double x, double y) {
  WellCell cell;
  cell.column = CellOf(x - g.columnOffset * 100, g.columnPitch * 100);
  cell.row = CellOf(y - g.rowOffset * 100, g.rowPitch * 100);
  cell.inside = cell.row >= 0 && cell.row < g.rows && cell.column >= 0 && cell.column < g.columns;
  return cell;
}

WellCell ClampCell(const PlateGeometry& g, WellCell cell) {
  cell.row = std::clamp(cell.row, 0, std::max(0, g.rows - 1));
  cell.column = std::clamp(cell.column, 0, std::max(0, g.columns - 1));
  cell.inside = g.rows > 0 && g.columns > 0;
  return cell;
}

Rgb GroupMarkColour(int group) {
  switch (group % 4) {
    case 0:
      return colors::kGreen;
    case 1:
      return colors::kBlue;
    case 2:
      return colors::kRed;
    default:
      return colors::kBlack;
  }
}

void DrawSetupPlate(Canvas& canvas, const ProjectSettings& p, const WellMap& map,
                    const PlateGeometry& g) {
  const PlateUnits u = PlateDrawingUnits(g);
  const PlateRect area = PlateVisibleArea(g);
  canvas.SetBackColor(colors::kWhite);
  canvas.Clear();
  canvas.SetScale(area.x1, area.y1, area.x2, area.y2);
  canvas.SetPenWidth(1);
  for (int e = 0; e < g.rows; ++e) {
    for (int j = 0; j < g.columns; ++j) {
      PlateRect b = WellBox(g, e, j);
      canvas.Box(b.x1, b.y1, b.x2, b.y2, colors::kRed);
    }
  }
  for (int r = 0; r < kBeamRows; ++r) {
    for (int k = 0; k < kBeamColumns; ++k) {
      auto c = static_cast<size_t>(r + kBeamRows * k);
      const bool used = p.channelEnabled[c] && map.channelWell[c] >= 0;
      canvas.Circle(100.0 * k + 50, 100.0 * r + 50, kDotRadius, used ? colors::kBlue : kYellow,
                    true);
    }
  }
  for (int j = 0; j < g.columns; ++j) {
    for (int e = 0; e < g.rows; ++e) {
      int c = map.FindChannel(j * g.rows + e, 0);
      if (c < 0) continue;
      int group = p.channelGroup[static_cast<size_t>(c)];
      if (group < 0) continue;
      canvas.Text(j * u.cp + u.co + 25, e * u.rp + u.ro + 45, std::to_string(group) + "G",
                  GroupMarkColour(group));
    }
  }
  for (int j = 0; j < g.columns; ++j) {
    canvas.Text(j * u.cp + u.co + 25, u.ro - kMarginUnits, std::to_string(j + 1), colors::kBlack);
  }
  for (int e = 0; e < g.rows; ++e) {
    int code = 'A' + e;
    std::string letter(1, code <= '~' ? static_cast<char>(code) : '?');
    canvas.Text(u.co - kMarginUnits, e * u.rp + u.ro, letter, colors::kBlack);
  }
}

void DrawDragRectangle(Canvas& canvas, const PlateGeometry& g, int r1, int c1, int r2, int c2) {
  PlateRect a = WellBox(g, std::min(r1, r2), std::min(c1, c2));
  PlateRect b = WellBox(g, std::max(r1, r2), std::max(c1, c2));
  canvas.SetPenWidth(2);
  canvas.Box(a.x1, a.y1, b.x2, b.y2, colors::kBlack);
  canvas.SetPenWidth(1);
}

}  // namespace movexa
