// RecordingCanvas: a Canvas that keeps every drawing call, for tests that assert what a picture
// function drew, where and in which colour, without any toolkit. Text is measured with a fixed
// pitch (each character 0.6 of the font size wide, the line box 1.2 of it high, 12 px by
// default), so layouts computed on it are exact and each placed text's pixel box is recorded.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/canvas.h"
#include "base/canvas_text.h"

namespace movexa {

class RecordingCanvas : public Canvas {
 public:
  enum class Op {
    kScale,
    kPenWidth,
    kBackColor,
    kClear,
    kLine,
    kBox,
    kFilledBox,
    kCircle,
    kFilledCircle,
    kPoint,
    kText,
    kLineStyle,
    kPolyline,
    kFilledPolygon,
    kClip,
    kResetClip
  };
  struct Call {
    Op op;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // corners; a circle's centre and radius in x1, y1, x2
    Rgb colour;
    int penWidth = 1;  // pen width in force when the call was made
    std::string text;
    LineStyle lineStyle = LineStyle::kSolid;  // in force when the call was made (and kLineStyle's)
    std::vector<CanvasPoint> points;          // polyline and polygon vertices
    double opacity = 1.0;                     // of a filled polygon
    TextStyle textStyle;                      // of a text (Text() records the default style)
    PixelBox textBox;                         // pixels the text covers (fixed-pitch metrics)
  };

  static constexpr double kDefaultTextPx = 12.0;
  static constexpr double kCharWidth = 0.6;   // of the font size
  static constexpr double kLineHeight = 1.2;  // of the font size

  explicit RecordingCanvas(int widthPx = 640, int heightPx = 480)
      : width_(widthPx), height_(heightPx) {
    transform_.Set(0, 0, widthPx, heightPx, widthPx, heightPx);
  }

  void SetScale(double x1, double y1, double x2, double y2) override;
  void SetPenWidth(int pixels) override;
  void SetBackColor(Rgb colour) override;
  void Clear() override;
  void Line(double x1, double y1, double x2, double y2, Rgb colour) override;
  void Box(double x1, double y1, double x2, double y2, Rgb colour) override;
  void FilledBox(double x1, double y1, double x2, double y2, Rgb colour) override;
  void Circle(double x, double y, double radius, Rgb colour, bool filled) override;
  void Point(double x, double y, Rgb colour) override;
  void Text(double x, double y, std::string_view text, Rgb colour) override;
  int WidthPx() const override { return width_; }
  int HeightPx() const override { return height_; }

  void SetLineStyle(LineStyle style) override;
  void Polyline(std::span<const CanvasPoint> points, Rgb colour) override;
  void FilledPolygon(std::span<const CanvasPoint> points, Rgb colour, double opacity) override;
  void PlaceText(double x, double y, std::string_view text, Rgb colour,
                 const TextStyle& style) override;
  TextExtent MeasureText(std::string_view text, const TextStyle& style) const override;
  void SetClip(double x1, double y1, double x2, double y2) override;
  void ResetClip() override;

  const std::vector<Call>& calls() const { return calls_; }
  void Reset() { calls_.clear(); }
  // The calls of one kind, optionally of one colour.
  std::vector<Call> Of(Op op) const;
  std::vector<Call> Of(Op op, Rgb colour) const;
  // The calls that satisfy `match`.
  std::vector<Call> Where(const std::function<bool(const Call&)>& match) const;
  // The texts drawn, in order.
  std::vector<std::string> Texts() const;
  // The last scale set (x1, y1, x2, y2 of a kScale call); all zero before any.
  Call LastScale() const;
  // Pixel position of a logical point under the scale in force now.
  CanvasPoint ToPixels(double x, double y) const { return {transform_.X(x), transform_.Y(y)}; }

 private:
  void Add(Call call);
  std::vector<Call> calls_;
  int width_;
  int height_;
  int penWidth_ = 1;
  LineStyle lineStyle_ = LineStyle::kSolid;
  CanvasTransform transform_;
};

}  // namespace movexa
