// Text helpers shared by the Canvas backends and the pictures drawn on them: UTF-8 made safe for
// the font libraries (a group name read from an old file may hold Latin-1 bytes), texts cut to
// fit a width, and where a placed text's box lands in pixels once aligned and rotated.
#pragma once

#include <string>
#include <string_view>

#include "base/canvas.h"

namespace movexa {

// The text with every byte that does not start or continue a valid UTF-8 sequence (overlong
// forms, surrogates and code points above U+10FFFF included) replaced by '?', and control
// characters other than tab dropped.
std::string ValidUtf8(std::string_view text);
// Number of code points of valid UTF-8 text.
int Utf8Length(std::string_view text);

// `text` as it fits in `maxWidth` (logical units along x, as MeasureText gives them) when drawn
// on `canvas` with `style`: whole when it fits, else cut after as many characters as leave room
// for "…" (blanks before the cut dropped, bytes that are not UTF-8 replaced as ValidUtf8 does);
// empty when not even one character and "…" fit.
std::string ElideToWidth(const Canvas& canvas, std::string_view text, double maxWidth,
                         const TextStyle& style = {});

// Offset in pixels, along and across the unrotated text, from the anchor point to the top-left
// corner of a text box `widthPx` wide and `heightPx` high placed with `style`.
CanvasPoint TextBoxOffset(const TextStyle& style, double widthPx, double heightPx);

// Axis-aligned box in pixels (y downwards).
struct PixelBox {
  double left = 0.0, top = 0.0, right = 0.0, bottom = 0.0;
  bool Overlaps(const PixelBox& o) const {
    return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
  }
};

// The pixels covered by a text box of that size anchored at pixel (x, y), after alignment and
// rotation (the bounding box of the rotated box).
PixelBox PlacedTextBounds(double x, double y, double widthPx, double heightPx,
                          const TextStyle& style);

}  // namespace movexa
