// CanvasRegion: a panel's drawing mapped into a rectangle of the parent picture.
#include "base/canvas_region.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace movexa {

CanvasRegion::CanvasRegion(Canvas& parent, double left, double top, int widthPx, int heightPx)
    : parent_(parent),
      left_(left),
      top_(top),
      width_(std::max(1, widthPx)),
      height_(std::max(1, heightPx)) {
  transform_.Set(0, 0, width_, height_, width_, height_);
  parent_.SetScale(0, 0, std::max(1, parent_.WidthPx()), std::max(1, parent_.HeightPx()));
  ResetClip();
}

void CanvasRegion::SetScale(double x1, double y1, double x2, double y2) {
  transform_.Set(x1, y1, x2, y2, width_, height_);
}

void CanvasRegion::Clear() {
  ResetClip();
  parent_.FilledBox(left_, top_, left_ + width_, top_ + height_, back_);
}

void CanvasRegion::Line(double x1, double y1, double x2, double y2, Rgb colour) {
  parent_.Line(Px(x1), Py(y1), Px(x2), Py(y2), colour);
}

void CanvasRegion::Box(double x1, double y1, double x2, double y2, Rgb colour) {
  parent_.Box(Px(x1), Py(y1), Px(x2), Py(y2), colour);
}

void CanvasRegion::FilledBox(double x1, double y1, double x2, double y2, Rgb colour) {
  parent_.FilledBox(Px(x1), Py(y1), Px(x2), Py(y2), colour);
}

void CanvasRegion::Circle(double x, double y, double radius, Rgb colour, bool filled) {
  parent_.Circle(Px(x), Py(y), transform_.XLength(radius), colour, filled);
}

void CanvasRegion::Point(double x, double y, Rgb colour) {
  parent_.Point(Px(x), Py(y), colour);
}

void CanvasRegion::Text(double x, double y, std::string_view text, Rgb colour) {
  parent_.Text(Px(x), Py(y), text, colour);
}

void CanvasRegion::Polyline(std::span<const CanvasPoint> points, Rgb colour) {
  std::vector<CanvasPoint> mapped;
  mapped.reserve(points.size());
  for (const CanvasPoint& p : points) mapped.push_back(Map(p));
  parent_.Polyline(mapped, colour);
}

void CanvasRegion::FilledPolygon(std::span<const CanvasPoint> points, Rgb colour, double opacity) {
  std::vector<CanvasPoint> mapped;
  mapped.reserve(points.size());
  for (const CanvasPoint& p : points) mapped.push_back(Map(p));
  parent_.FilledPolygon(mapped, colour, opacity);
}

void CanvasRegion::PlaceText(double x, double y, std::string_view text, Rgb colour,
                             const TextStyle& style) {
  parent_.PlaceText(Px(x), Py(y), text, colour, style);
}

TextExtent CanvasRegion::MeasureText(std::string_view text, const TextStyle& style) const {
  const TextExtent px = parent_.MeasureText(text, style);  // the parent's units are pixels
  return {transform_.XUnits(px.width), transform_.YUnits(px.height)};
}

void CanvasRegion::SetClip(double x1, double y1, double x2, double y2) {
  const double l = std::clamp(std::min(Px(x1), Px(x2)), left_, left_ + width_);
  const double r = std::clamp(std::max(Px(x1), Px(x2)), left_, left_ + width_);
  const double t = std::clamp(std::min(Py(y1), Py(y2)), top_, top_ + height_);
  const double b = std::clamp(std::max(Py(y1), Py(y2)), top_, top_ + height_);
  parent_.SetClip(l, t, r, b);
}

void CanvasRegion::ResetClip() {
  parent_.SetClip(left_, top_, left_ + width_, top_ + height_);
}

}  // namespace movexa
