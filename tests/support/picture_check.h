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

// True when the colours differ by at most `tolerance` in each channel.
bool Near(Rgb a, Rgb b, int tolerance);

}  // namespace movexa::test
