// Canvas: the one seam through which every picture of Movexa is drawn (live trace, group view,
// bar plot, heat map, plate, device-test grid, calibration grid, offline views). Core functions
// draw on a Canvas in logical coordinates; the windows implement it over a persistent QImage
// (ui/PictureBox), exports over a software raster or SVG, and tests with RecordingCanvas.
//
// Coordinates: SetScale(x1, y1, x2, y2) makes (x1, y1) the top-left corner of the picture and
// (x2, y2) its bottom-right corner, so y grows downwards when y1 < y2 and upwards when y1 > y2.
// Drawing is persistent and in copy mode: what is drawn stays until drawn over or cleared.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

namespace movexa {

struct Rgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  friend constexpr bool operator==(Rgb, Rgb) = default;
};

namespace colors {
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kGreen{0, 255, 0};
inline constexpr Rgb kBlue{0, 0, 255};
inline constexpr Rgb kLightYellow{255, 255, 192};
}  // namespace colors

class Canvas {
 public:
  virtual ~Canvas() = default;

  // Logical coordinate system: (x1, y1) top-left, (x2, y2) bottom-right.
  virtual void SetScale(double x1, double y1, double x2, double y2) = 0;
  // Width in device pixels of lines and outlines (1 = thinnest).
  virtual void SetPenWidth(int pixels) = 0;
  // Colour that Clear() paints.
  virtual void SetBackColor(Rgb colour) = 0;
  // Paints the whole picture in the back colour.
  virtual void Clear() = 0;

  virtual void Line(double x1, double y1, double x2, double y2, Rgb colour) = 0;
  // Outline of the box with corners (x1, y1) and (x2, y2), drawn with the pen width.
  virtual void Box(double x1, double y1, double x2, double y2, Rgb colour) = 0;
  // The box with corners (x1, y1) and (x2, y2) filled, edges included.
  virtual void FilledBox(double x1, double y1, double x2, double y2, Rgb colour) = 0;
  // Circle centred on (x, y); the radius is in logical units of the x axis.
  virtual void Circle(double x, double y, double radius, Rgb colour, bool filled = false) = 0;
  virtual void Point(double x, double y, Rgb colour) = 0;
  // Text whose top-left corner is at (x, y).
  virtual void Text(double x, double y, std::string_view text, Rgb colour) = 0;

  // Size of the picture in device pixels (layout decisions such as cell sizes use them).
  virtual int WidthPx() const = 0;
  virtual int HeightPx() const = 0;
  // Width in device pixels of `text` (UTF-8) as Text() draws it, for layouts that keep texts
  // apart. A canvas with a real font measures it; the default allows kEstimatedCharPx for each
  // character.
  virtual double TextWidthPx(std::string_view text) const;
  static constexpr double kEstimatedCharPx = 7.0;
};

// `text` as it fits in `maxPx` pixels of `canvas`: whole when it fits, else cut after as many
// characters as leave room for "…" (blanks before the cut dropped); empty when not even one
// character and "…" fit.
std::string ElideToWidth(const Canvas& canvas, std::string_view text, double maxPx);

// Logical-to-pixel mapping shared by the pixel canvases: logical (x1, y1) lands on pixel (0, 0)
// and (x2, y2) on (width, height).
class CanvasTransform {
 public:
  void Set(double x1, double y1, double x2, double y2, int widthPx, int heightPx) {
    x1_ = x1;
    y1_ = y1;
    x2_ = x2;
    y2_ = y2;
    width_ = widthPx;
    height_ = heightPx;
  }
  void Resize(int widthPx, int heightPx) { Set(x1_, y1_, x2_, y2_, widthPx, heightPx); }
  double X(double x) const { return x2_ == x1_ ? 0.0 : (x - x1_) * width_ / (x2_ - x1_); }
  double Y(double y) const { return y2_ == y1_ ? 0.0 : (y - y1_) * height_ / (y2_ - y1_); }
  // A length along x in pixels (always positive).
  double XLength(double dx) const { return std::fabs(X(dx) - X(0.0)); }
  double x1() const { return x1_; }
  double y1() const { return y1_; }
  double x2() const { return x2_; }
  double y2() const { return y2_; }

 private:
  double x1_ = 0.0, y1_ = 0.0, x2_ = 1.0, y2_ = 1.0;
  int width_ = 1, height_ = 1;
};

}  // namespace movexa
