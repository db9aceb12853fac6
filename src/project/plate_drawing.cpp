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
constexpr double kEdgeUnits = 8;  // room for the last outline, and between a mark and it
constexpr double kMarkInsetUnits = 25;
constexpr double kNarrowInsetUnits = 6;
constexpr double kMarkDropUnits = 45;
constexpr double kNarrowDropUnits = 50 + kDotRadius + 3;  // below the dot of a one-beam well
constexpr double kTextMaxPx = 13;
constexpr double kTextMinPx = 7;
constexpr double kDigitWidth = 0.64;  // of the text height
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
  const double right = std::max<double>(kGridWidth, g.columns * u.cp + u.co);
  const double bottom = std::max<double>(kGridHeight, g.rows * u.rp + u.ro);
  return {u.co - kMarginUnits, u.ro - kMarginUnits, right + kEdgeUnits, bottom + kEdgeUnits};
}

PlateRect PlatePictureArea(const PlateGeometry& g, int widthPx, int heightPx) {
  PlateRect a = PlateVisibleArea(g);
  if (widthPx <= 0 || heightPx <= 0) return a;
  const double across = (a.x2 - a.x1) / widthPx;  // picture units per pixel
  const double down = (a.y2 - a.y1) / heightPx;
  // The plate keeps to the top and stands in the middle across.
  if (across > down) {
    a.y2 = a.y1 + across * heightPx;
  } else {
    const double extra = down * widthPx - (a.x2 - a.x1);
    a.x1 -= extra / 2;
    a.x2 += extra / 2;
  }
  return a;
}

PlateTextStyle PlateTextStyleFor(const PlateGeometry& g, const ProjectSettings& p,
                                 const WellMap& map, int widthPx, int heightPx) {
  PlateTextStyle style;
  const PlateRect a = PlatePictureArea(g, widthPx, heightPx);
  const double unitsPerPx = widthPx > 0 ? (a.x2 - a.x1) / widthPx : 1.0;
  const PlateUnits u = PlateDrawingUnits(g);
  // The widest mark: the digits of the highest group number in use (and of the last column).
  int digits = static_cast<int>(std::to_string(std::max<int>(g.columns, 1)).size());
  for (int w = 0; w <= map.highestWell; ++w) {
    const int c = map.FindChannel(w, 0);
    const int group = c >= 0 ? p.channelGroup[static_cast<size_t>(c)] : -1;
    if (group >= 0) digits = std::max(digits, static_cast<int>(std::to_string(group).size()));
  }
  // The text's height stays inside the label band above the plate and below a mark's drop.
  const double band = std::min<double>(kMarginUnits - 2, u.rp - kMarkDropUnits - kEdgeUnits);
  double pixels = std::min<double>(kTextMaxPx, std::floor(band / unitsPerPx));
  auto width = [&](int chars, double px) { return chars * kDigitWidth * px * unitsPerPx; };
  const double room = u.cp - kEdgeUnits;  // a mark ends before the next well's outline
  if (kMarkInsetUnits + width(digits + 1, pixels) > room) {
    style.suffix = false;
    style.markInset = kNarrowInsetUnits;
    style.markDrop = kNarrowDropUnits;
    const double fits = (room - kNarrowInsetUnits) / (digits * kDigitWidth * unitsPerPx);
    const double below = (u.rp - kNarrowDropUnits - 2) / unitsPerPx;
    pixels = std::min({pixels, std::floor(fits), std::floor(below)});
  }
  style.pixels = static_cast<int>(std::max<double>(kTextMinPx, pixels));
  return style;
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
  const PlateRect area = PlatePictureArea(g, canvas.WidthPx(), canvas.HeightPx());
  const PlateTextStyle text = PlateTextStyleFor(g, p, map, canvas.WidthPx(), canvas.HeightPx());
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
      canvas.Text(j * u.cp + u.co + text.markInset, e * u.rp + u.ro + text.markDrop,
                  std::to_string(group) + (text.suffix ? "G" : ""), GroupMarkColour(group));
    }
  }
  for (int j = 0; j < g.columns; ++j) {
    canvas.Text(j * u.cp + u.co + text.markInset, u.ro - kMarginUnits, std::to_string(j + 1),
                colors::kBlack);
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
