// RasterCanvas: a software Canvas over an RGB pixel buffer, for pictures written without a
// window toolkit (movexa-cli's exports), with a small built-in 5 x 7 bitmap font, and the
// writers of its pixels as BMP (24-bit, uncompressed) and PNG (8-bit RGB; the image data in
// stored deflate blocks, so no compression library is needed).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/canvas.h"

namespace movexa {

class RasterCanvas : public Canvas {
 public:
  RasterCanvas(int widthPx, int heightPx);

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

  // Glyphs are 5 x 7 pixels in 6 x 9 cells, magnified by `scale` (1 or more).
  void SetTextScale(int scale) { textScale_ = scale < 1 ? 1 : scale; }
  Rgb Pixel(int x, int y) const;
  // Rows top to bottom, 3 bytes (R, G, B) per pixel.
  const std::vector<uint8_t>& pixels() const { return pixels_; }

 private:
  void Set(int x, int y, Rgb colour);
  void Stamp(int x, int y, Rgb colour);  // a pen-width square centred on (x, y)
  void PixelLine(int x0, int y0, int x1, int y1, Rgb colour, bool stamp);
  int PxX(double x) const;
  int PxY(double y) const;

  int width_;
  int height_;
  std::vector<uint8_t> pixels_;
  CanvasTransform transform_;
  int penWidth_ = 1;
  int textScale_ = 1;
  Rgb back_ = colors::kWhite;
};

// File bytes of the picture.
std::string EncodeBmp(const RasterCanvas& canvas);
std::string EncodePng(const RasterCanvas& canvas);
// Checksums of the PNG writer (exposed for tests): the CRC-32 of zlib and PNG, and Adler-32.
uint32_t Crc32(std::string_view bytes, uint32_t crc = 0);
uint32_t Adler32(std::string_view bytes);

// Writes the picture as BMP or PNG by the file name's extension (".bmp", else PNG), replacing
// the file in one step. False (and `error`) on failure.
bool SaveRasterPicture(const RasterCanvas& canvas, const std::filesystem::path& file,
                       std::string* error = nullptr);

}  // namespace movexa
