// Canvas: the one seam through which every picture of Movexa is drawn (live trace, group view,
// bar plot, heat map, plate, device-test grid, calibration grid, offline views, analysis plots).
// Core functions draw on a Canvas in logical coordinates; the windows implement it over a
// persistent QImage (ui/PictureBox), picture files over Cairo (CairoCanvas: PNG, SVG, PDF and
// the BMP export), and tests with RecordingCanvas.
//
// Coordinates: SetScale(x1, y1, x2, y2) makes (x1, y1) the top-left corner of the picture and
// (x2, y2) its bottom-right corner, so y grows downwards when y1 < y2 and upwards when y1 > y2.
// Drawing is persistent and in copy mode: what is drawn stays until drawn over or cleared.
//
// The plot calls (polyline, translucent polygon, line style, placed and measured text, clip)
// serve the analysis plots; the pictures of the acquisition and offline windows use the first
// set of calls only, so their look does not depend on them.
#pragma once

#include <cmath>
#include <cstdint>
#include <span>
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

// A point in logical coordinates.
struct CanvasPoint {
  double x = 0.0;
  double y = 0.0;
  friend constexpr bool operator==(CanvasPoint, CanvasPoint) = default;
};

// Stroke pattern of lines, polylines, outlines and circles. Dashes are 5 pen widths drawn and 3
// left out; dots 1 drawn and 3 left out.
enum class LineStyle { kSolid, kDashed, kDotted };

// Where the anchor point of placed text lies on the text's box: along the text (left, centre,
// right) and across it (top, middle, bottom of the line box: ascent plus descent).
enum class TextAlign { kLeft, kCenter, kRight };
enum class TextVertical { kTop, kMiddle, kBottom };

struct TextStyle {
  TextAlign align = TextAlign::kLeft;
  TextVertical vertical = TextVertical::kTop;
  // Counter-clockwise on the picture, about the anchor point (90 reads upwards).
  double angleDegrees = 0.0;
  // Font size in device pixels (the line box is about 1.2 times as high); 0 = the picture's
  // default font.
  double sizePx = 0.0;
  bool bold = false;
};

// Size of a text's line box, unrotated, in logical units (always positive): the width along
// x and the height along y of the scale in force.
struct TextExtent {
  double width = 0.0;
  double height = 0.0;
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  // Logical coordinate system: (x1, y1) top-left, (x2, y2) bottom-right.
  virtual void SetScale(double x1, double y1, double x2, double y2) = 0;
  // Width in device pixels of lines and outlines (1 = thinnest).
  virtual void SetPenWidth(int pixels) = 0;
  // Colour that Clear() paints.
  virtual void SetBackColor(Rgb colour) = 0;
  // Paints the whole picture in the back colour (the clip does not apply).
  virtual void Clear() = 0;

  virtual void Line(double x1, double y1, double x2, double y2, Rgb colour) = 0;
  // Outline of the box with corners (x1, y1) and (x2, y2), drawn with the pen width.
  virtual void Box(double x1, double y1, double x2, double y2, Rgb colour) = 0;
  // The box with corners (x1, y1) and (x2, y2) filled, edges included.
  virtual void FilledBox(double x1, double y1, double x2, double y2, Rgb colour) = 0;
  // Circle centred on (x, y); the radius is in logical units of the x axis.
  virtual void Circle(double x, double y, double radius, Rgb colour, bool filled = false) = 0;
  virtual void Point(double x, double y, Rgb colour) = 0;
  // Text whose top-left corner is at (x, y), in the picture's default font.
  virtual void Text(double x, double y, std::string_view text, Rgb colour) = 0;

  // Size of the picture in device pixels (layout decisions such as cell sizes use them).
  virtual int WidthPx() const = 0;
  virtual int HeightPx() const = 0;

  // ---- plot calls ----

  // Pattern of the strokes that follow (lines, polylines, outlines, circles); kSolid at start.
  virtual void SetLineStyle(LineStyle style) = 0;
  // Connected segments through the points, with the pen width and line style, anti-aliased.
  // A point with a coordinate that is not finite (a missing value) ends one run of segments;
  // the next run starts at the following point.
  virtual void Polyline(std::span<const CanvasPoint> points, Rgb colour) = 0;
  // The polygon through the points (closed, non-zero winding) filled with the colour at the
  // given opacity (0 transparent .. 1 opaque) over what is already drawn; no outline. Nothing
  // is drawn when a vertex is not finite.
  virtual void FilledPolygon(std::span<const CanvasPoint> points, Rgb colour, double opacity) = 0;
  // Text anchored at (x, y) as the style says (alignment, rotation, size, weight).
  virtual void PlaceText(double x, double y, std::string_view text, Rgb colour,
                         const TextStyle& style) = 0;
  // Size the text would take with that style (alignment and rotation aside).
  virtual TextExtent MeasureText(std::string_view text, const TextStyle& style) const = 0;
  // Limits the drawing that follows to the box with corners (x1, y1) and (x2, y2), taken in
  // the scale in force now; ResetClip() lifts the limit.
  virtual void SetClip(double x1, double y1, double x2, double y2) = 0;
  virtual void ResetClip() = 0;
};

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
  // Logical units along x and y of a length in pixels (always positive).
  double XUnits(double px) const {
    return width_ == 0 ? 0.0 : std::fabs(px * (x2_ - x1_) / width_);
  }
  double YUnits(double px) const {
    return height_ == 0 ? 0.0 : std::fabs(px * (y2_ - y1_) / height_);
  }
  double x1() const { return x1_; }
  double y1() const { return y1_; }
  double x2() const { return x2_; }
  double y2() const { return y2_; }

 private:
  double x1_ = 0.0, y1_ = 0.0, x2_ = 1.0, y2_ = 1.0;
  int width_ = 1, height_ = 1;
};

}  // namespace movexa
