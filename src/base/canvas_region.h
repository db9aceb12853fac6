// CanvasRegion: a Canvas over a rectangle of another canvas, so that one picture can hold
// several panels (an actogram per group side by side), each drawn by code that thinks it owns
// a whole picture of the rectangle's size. Coordinates, lengths and text measures are mapped
// into the parent's pixels; nothing a panel draws, clears or clips reaches outside its
// rectangle.
#pragma once

#include "base/canvas.h"

namespace movexa {

class CanvasRegion : public Canvas {
 public:
  // The rectangle of `widthPx` x `heightPx` pixels whose top-left corner is pixel (left, top)
  // of the parent. Sets the parent's scale to its pixels and its clip to the rectangle; the
  // parent's owner lifts the clip (ResetClip) once every panel is drawn.
  CanvasRegion(Canvas& parent, double left, double top, int widthPx, int heightPx);

  void SetScale(double x1, double y1, double x2, double y2) override;
  void SetPenWidth(int pixels) override { parent_.SetPenWidth(pixels); }
  void SetBackColor(Rgb colour) override { back_ = colour; }
  // Paints the rectangle in the back colour.
  void Clear() override;
  void Line(double x1, double y1, double x2, double y2, Rgb colour) override;
  void Box(double x1, double y1, double x2, double y2, Rgb colour) override;
  void FilledBox(double x1, double y1, double x2, double y2, Rgb colour) override;
  void Circle(double x, double y, double radius, Rgb colour, bool filled) override;
  void Point(double x, double y, Rgb colour) override;
  void Text(double x, double y, std::string_view text, Rgb colour) override;
  int WidthPx() const override { return width_; }
  int HeightPx() const override { return height_; }

  void SetLineStyle(LineStyle style) override { parent_.SetLineStyle(style); }
  void Polyline(std::span<const CanvasPoint> points, Rgb colour) override;
  void FilledPolygon(std::span<const CanvasPoint> points, Rgb colour, double opacity) override;
  void PlaceText(double x, double y, std::string_view text, Rgb colour,
                 const TextStyle& style) override;
  TextExtent MeasureText(std::string_view text, const TextStyle& style) const override;
  // The clip box, cut to the rectangle.
  void SetClip(double x1, double y1, double x2, double y2) override;
  // Back to the rectangle itself.
  void ResetClip() override;

 private:
  double Px(double x) const { return left_ + transform_.X(x); }
  double Py(double y) const { return top_ + transform_.Y(y); }
  CanvasPoint Map(CanvasPoint p) const { return {Px(p.x), Py(p.y)}; }

  Canvas& parent_;
  double left_;
  double top_;
  int width_;
  int height_;
  CanvasTransform transform_;
  Rgb back_ = colors::kWhite;
};

}  // namespace movexa
