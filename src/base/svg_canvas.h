// SvgCanvas: a Canvas that writes its drawing as an SVG document (lines, rectangles, circles
// and text as vector elements in pixel coordinates of the given size), for exports that scale
// without loss. Clear() drops what was drawn and paints the back colour.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "base/canvas.h"

namespace movexa {

class SvgCanvas : public Canvas {
 public:
  SvgCanvas(int widthPx, int heightPx);

  void SetScale(double x1, double y1, double x2, double y2) override;
  void SetPenWidth(int pixels) override { penWidth_ = pixels < 1 ? 1 : pixels; }
  void SetBackColor(Rgb colour) override { back_ = colour; }
  void Clear() override;
  void Line(double x1, double y1, double x2, double y2, Rgb colour) override;
  void Box(double x1, double y1, double x2, double y2, Rgb colour) override;
  void FilledBox(double x1, double y1, double x2, double y2, Rgb colour) override;
  void Circle(double x, double y, double radius, Rgb colour, bool filled) override;
  void Point(double x, double y, Rgb colour) override;
  void Text(double x, double y, std::string_view text, Rgb colour) override;
  int WidthPx() const override { return width_; }
  int HeightPx() const override { return height_; }

  // The whole document.
  std::string Document() const;

 private:
  int width_;
  int height_;
  CanvasTransform transform_;
  int penWidth_ = 1;
  Rgb back_ = colors::kWhite;
  std::string body_;
};

// Escapes &, <, >, " and ' for SVG text and attributes.
std::string SvgEscape(std::string_view text);
// Writes the document, replacing the file in one step.
bool SaveSvgPicture(const SvgCanvas& canvas, const std::filesystem::path& file,
                    std::string* error = nullptr);

}  // namespace movexa
