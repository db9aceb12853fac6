// CairoCanvas: the Canvas of picture files, drawn with Cairo. The drawing is kept as a list of
// drawing steps in pixel coordinates and replayed onto a Cairo surface when it is written: PNG
// (compressed, by Cairo), SVG, PDF, or the uncompressed BMP of the offline window's picture
// export, so one drawing can be saved in several formats. Lines, curves and text are
// anti-aliased; text uses the system's sans-serif face through fontconfig. Only this file's
// implementation includes Cairo.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/canvas.h"

namespace movexa {

enum class PictureFormat { kPng, kSvg, kPdf, kBmp };

// The format a file name asks for by its extension (.png, .svg, .pdf, .bmp, any letter case);
// none for any other extension or none at all.
std::optional<PictureFormat> PictureFormatOf(const std::filesystem::path& file);
// The extensions PictureFormatOf accepts, for messages: ".png, .svg, .pdf or .bmp".
inline constexpr std::string_view kPictureExtensions = ".png, .svg, .pdf or .bmp";

// A picture rendered to pixels: rows top to bottom, three bytes (R, G, B) per pixel.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
  Rgb At(int x, int y) const;
};

class CairoCanvas : public Canvas {
 public:
  // A white picture of that size in pixels (SVG pixels, PDF points).
  CairoCanvas(int widthPx, int heightPx);
  ~CairoCanvas() override;
  CairoCanvas(const CairoCanvas&) = delete;
  CairoCanvas& operator=(const CairoCanvas&) = delete;

  void SetScale(double x1, double y1, double x2, double y2) override;
  void SetPenWidth(int pixels) override;
  void SetBackColor(Rgb colour) override { back_ = colour; }
  // Paints the back colour and drops everything drawn before, so vector files hold no hidden
  // layers.
  void Clear() override;
  void Line(double x1, double y1, double x2, double y2, Rgb colour) override;
  void Box(double x1, double y1, double x2, double y2, Rgb colour) override;
  void FilledBox(double x1, double y1, double x2, double y2, Rgb colour) override;
  void Circle(double x, double y, double radius, Rgb colour, bool filled) override;
  void Point(double x, double y, Rgb colour) override;
  void Text(double x, double y, std::string_view text, Rgb colour) override;
  int WidthPx() const override { return width_; }
  int HeightPx() const override { return height_; }

  void SetLineStyle(LineStyle style) override { lineStyle_ = style; }
  void Polyline(std::span<const CanvasPoint> points, Rgb colour) override;
  void FilledPolygon(std::span<const CanvasPoint> points, Rgb colour, double opacity) override;
  void PlaceText(double x, double y, std::string_view text, Rgb colour,
                 const TextStyle& style) override;
  TextExtent MeasureText(std::string_view text, const TextStyle& style) const override;
  void SetClip(double x1, double y1, double x2, double y2) override;
  void ResetClip() override;

  // Font size in pixels of Text() and of placed text of size 0 (12 at start).
  void SetDefaultTextSize(double px);

  // The drawing as file bytes. Raster formats (PNG, BMP) are rendered at `pixelRatio` device
  // pixels per picture pixel (2 doubles the resolution, the drawing unchanged); vector formats
  // ignore it. False, with the reason in `error`, when Cairo fails.
  bool Encode(PictureFormat format, std::string& bytes, std::string* error = nullptr,
              double pixelRatio = 1.0) const;
  // Writes the file in the format of its extension, replacing it in one step; refuses an
  // extension PictureFormatOf does not know.
  bool Save(const std::filesystem::path& file, std::string* error = nullptr,
            double pixelRatio = 1.0) const;
  // The drawing rendered to pixels (tests and the BMP writer).
  RgbImage Render(double pixelRatio = 1.0) const;

  // Frees the font caches Cairo and fontconfig keep for the life of the program, so that a
  // leak checker sees only what is really lost. For the very end of a program that does not
  // use fontconfig otherwise (not in the windowed program).
  static void ReleaseFontCaches();

 private:
  struct Cairo;
  // The style in force, captured by each drawing step.
  struct Pen {
    int width = 1;
    LineStyle style = LineStyle::kSolid;
  };
  double Snap(double v) const;  // a pixel centre, as a pen of the present width needs it

  int width_;
  int height_;
  CanvasTransform transform_;
  int penWidth_ = 1;
  LineStyle lineStyle_ = LineStyle::kSolid;
  Rgb back_ = colors::kWhite;
  double defaultTextPx_ = 12.0;
  std::unique_ptr<Cairo> cairo_;
};

// File bytes of a 24-bit BMP (rows bottom-up, each padded to four bytes) of the image.
std::string EncodeBmp(const RgbImage& image);

}  // namespace movexa
