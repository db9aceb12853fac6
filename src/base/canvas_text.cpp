// UTF-8 cleaning, eliding and placed-text geometry for the Canvas backends.
#include "base/canvas_text.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace movexa {

namespace {

// Length of the valid UTF-8 sequence starting at text[i], or 0.
size_t SequenceLength(std::string_view text, size_t i) {
  const auto b0 = static_cast<unsigned char>(text[i]);
  if (b0 < 0x80) return 1;
  size_t n = 0;
  uint32_t cp = 0;
  if ((b0 & 0xE0) == 0xC0) {
    n = 2;
    cp = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    n = 3;
    cp = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    n = 4;
    cp = b0 & 0x07;
  } else {
    return 0;
  }
  if (i + n > text.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    const auto b = static_cast<unsigned char>(text[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  static constexpr uint32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kSmallest[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    size_t n = SequenceLength(text, i);
    if (n == 0) {
      out += '?';
      ++i;
      continue;
    }
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (n > 1 || b0 >= 0x20 || b0 == '\t') out.append(text.substr(i, n));
    i += n;
  }
  return out;
}

int Utf8Length(std::string_view text) {
  return static_cast<int>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

std::string ElideToWidth(const Canvas& canvas, std::string_view text, double maxWidth,
                         const TextStyle& style) {
  auto width = [&](std::string_view t) { return canvas.MeasureText(t, style).width; };
  if (width(text) <= maxWidth) return std::string(text);
  static constexpr std::string_view kEllipsis = "\u2026";
  const std::string clean = ValidUtf8(text);
  // Cut before each character start, longest head first.
  for (size_t at = clean.size(); at-- > 1;) {
    if ((static_cast<unsigned char>(clean[at]) & 0xC0) == 0x80) continue;
    std::string_view head = std::string_view(clean).substr(0, at);
    while (!head.empty() && head.back() == ' ') head.remove_suffix(1);
    if (head.empty()) break;
    std::string cut = std::string(head) + std::string(kEllipsis);
    if (width(cut) <= maxWidth) return cut;
  }
  return {};
}

CanvasPoint TextBoxOffset(const TextStyle& style, double widthPx, double heightPx) {
  double along = style.align == TextAlign::kLeft     ? 0.0
                 : style.align == TextAlign::kCenter ? -widthPx / 2
                                                     : -widthPx;
  double across = style.vertical == TextVertical::kTop      ? 0.0
                  : style.vertical == TextVertical::kMiddle ? -heightPx / 2
                                                            : -heightPx;
  return {along, across};
}

PixelBox PlacedTextBounds(double x, double y, double widthPx, double heightPx,
                          const TextStyle& style) {
  const CanvasPoint o = TextBoxOffset(style, widthPx, heightPx);
  const double a = style.angleDegrees * std::numbers::pi / 180.0;
  const double c = std::cos(a), s = std::sin(a);
  PixelBox box{INFINITY, INFINITY, -INFINITY, -INFINITY};
  for (double u : {o.x, o.x + widthPx}) {
    for (double v : {o.y, o.y + heightPx}) {
      // Counter-clockwise on a picture whose y grows downwards.
      double px = x + u * c + v * s;
      double py = y - u * s + v * c;
      box.left = std::min(box.left, px);
      box.right = std::max(box.right, px);
      box.top = std::min(box.top, py);
      box.bottom = std::max(box.bottom, py);
    }
  }
  return box;
}

}  // namespace movexa
