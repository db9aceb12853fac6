// Reading picture files back in tests: PNG through Cairo's decoder, SVG through librsvg's
// rsvg-convert and PDF through poppler's pdftoppm (both rasterise to PNG at one pixel per SVG
// pixel or PDF point). A missing tool fails the test that needs it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "base/cairo_canvas.h"

namespace movexa::test {

// The decoded pixels, or none when the bytes are not a PNG Cairo can read.
std::optional<RgbImage> DecodePng(std::string_view png);
// The SVG or PDF file rasterised by the outside tool; none (and `error`) when it fails.
std::optional<RgbImage> RasteriseSvg(const std::filesystem::path& svg, std::string* error);
std::optional<RgbImage> RasterisePdf(const std::filesystem::path& pdf, std::string* error);

// The drawing every Canvas backend's plot calls are checked with, on a 200 x 100 picture at one
// unit per pixel: a blue box over x 100..199; a band (20..180, 10..30) of orange (230, 159, 0)
// at half opacity over white and over the blue box; a black line along y = 50 clipped to
// x 0..60; dashed (y = 70) and solid (y = 80) black lines over x 0..99; a red polyline of pen
// width 3 along y = 90 with a missing value at x = 50 (a gap from 40 to 60).
void DrawPlotCallSample(Canvas& canvas);

// True when the colours differ by at most `tolerance` in each channel.
bool Near(Rgb a, Rgb b, int tolerance);

}  // namespace movexa::test
