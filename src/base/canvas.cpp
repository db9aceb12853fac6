// Text measuring and eliding shared by every Canvas.
#include "base/canvas.h"

namespace movexa {

namespace {

constexpr std::string_view kEllipsis = "\u2026";

bool IsContinuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Characters (UTF-8 code points) of `text`.
size_t CharacterCount(std::string_view text) {
  size_t n = 0;
  for (char c : text) n += IsContinuationByte(c) ? 0 : 1;
  return n;
}

// The first `n` characters of `text`.
std::string_view FirstCharacters(std::string_view text, size_t n) {
  size_t at = 0;
  for (size_t seen = 0; at < text.size(); ++at) {
    if (!IsContinuationByte(text[at]) && seen++ == n) break;
  }
  return text.substr(0, at);
}

}  // namespace

double Canvas::TextWidthPx(std::string_view text) const {
  return static_cast<double>(CharacterCount(text)) * kEstimatedCharPx;
}

std::string ElideToWidth(const Canvas& canvas, std::string_view text, double maxPx) {
  if (canvas.TextWidthPx(text) <= maxPx) return std::string(text);
  for (size_t n = CharacterCount(text); n-- > 1;) {
    std::string_view head = FirstCharacters(text, n);
    while (!head.empty() && head.back() == ' ') head.remove_suffix(1);
    if (head.empty()) break;
    std::string cut = std::string(head) + std::string(kEllipsis);
    if (canvas.TextWidthPx(cut) <= maxPx) return cut;
  }
  return {};
}

}  // namespace movexa
