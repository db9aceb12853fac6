// SvgCanvas: drawing calls as SVG elements.
#include "base/svg_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/file_io.h"

namespace movexa {

namespace {

std::string Num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", std::clamp(v, -1e7, 1e7));
  std::string s(buf);
  if (s.size() > 2 && s.substr(s.size() - 2) == ".0") s.resize(s.size() - 2);
  return s == "-0" ? "0" : s;
}

std::string Colour(Rgb c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
  return buf;
}

}  // namespace

std::string SvgEscape(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default:
        // Control characters are not allowed in XML 1.0 text.
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
    }
  }
  return out;
}

SvgCanvas::SvgCanvas(int widthPx, int heightPx)
    : width_(std::max(1, widthPx)), height_(std::max(1, heightPx)) {
  transform_.Set(0, 0, width_, height_, width_, height_);
}

void SvgCanvas::SetScale(double x1, double y1, double x2, double y2) {
  transform_.Set(x1, y1, x2, y2, width_, height_);
}

void SvgCanvas::Clear() {
  body_ = "<rect x=\"0\" y=\"0\" width=\"" + std::to_string(width_) + "\" height=\"" +
          std::to_string(height_) + "\" fill=\"" + Colour(back_) + "\"/>\n";
}

void SvgCanvas::Line(double x1, double y1, double x2, double y2, Rgb colour) {
  body_ += "<line x1=\"" + Num(transform_.X(x1)) + "\" y1=\"" + Num(transform_.Y(y1)) +
           "\" x2=\"" + Num(transform_.X(x2)) + "\" y2=\"" + Num(transform_.Y(y2)) +
           "\" stroke=\"" + Colour(colour) + "\" stroke-width=\"" + std::to_string(penWidth_) +
           "\"/>\n";
}

void SvgCanvas::Box(double x1, double y1, double x2, double y2, Rgb colour) {
  double a = std::min(transform_.X(x1), transform_.X(x2));
  double b = std::min(transform_.Y(y1), transform_.Y(y2));
  body_ += "<rect x=\"" + Num(a) + "\" y=\"" + Num(b) + "\" width=\"" +
           Num(std::fabs(transform_.X(x2) - transform_.X(x1))) + "\" height=\"" +
           Num(std::fabs(transform_.Y(y2) - transform_.Y(y1))) + "\" fill=\"none\" stroke=\"" +
           Colour(colour) + "\" stroke-width=\"" + std::to_string(penWidth_) + "\"/>\n";
}

void SvgCanvas::FilledBox(double x1, double y1, double x2, double y2, Rgb colour) {
  double a = std::min(transform_.X(x1), transform_.X(x2));
  double b = std::min(transform_.Y(y1), transform_.Y(y2));
  body_ += "<rect x=\"" + Num(a) + "\" y=\"" + Num(b) + "\" width=\"" +
           Num(std::fabs(transform_.X(x2) - transform_.X(x1)) + 1) + "\" height=\"" +
           Num(std::fabs(transform_.Y(y2) - transform_.Y(y1)) + 1) + "\" fill=\"" +
           Colour(colour) + "\"/>\n";
}

void SvgCanvas::Circle(double x, double y, double radius, Rgb colour, bool filled) {
  body_ += "<circle cx=\"" + Num(transform_.X(x)) + "\" cy=\"" + Num(transform_.Y(y)) +
           "\" r=\"" + Num(transform_.XLength(radius)) + "\" " +
           (filled ? "fill=\"" + Colour(colour) + "\"/>\n"
                   : "fill=\"none\" stroke=\"" + Colour(colour) + "\" stroke-width=\"" +
                         std::to_string(penWidth_) + "\"/>\n");
}

void SvgCanvas::Point(double x, double y, Rgb colour) {
  body_ += "<rect x=\"" + Num(transform_.X(x)) + "\" y=\"" + Num(transform_.Y(y)) +
           "\" width=\"1\" height=\"1\" fill=\"" + Colour(colour) + "\"/>\n";
}

void SvgCanvas::Text(double x, double y, std::string_view text, Rgb colour) {
  // The anchor is the top-left corner: the baseline sits one font height lower.
  body_ += "<text x=\"" + Num(transform_.X(x)) + "\" y=\"" + Num(transform_.Y(y) + 10) +
           "\" fill=\"" + Colour(colour) + "\">" + SvgEscape(text) + "</text>\n";
}

std::string SvgCanvas::Document() const {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
         "width=\"" + std::to_string(width_) + "\" height=\"" + std::to_string(height_) +
         "\" viewBox=\"0 0 " + std::to_string(width_) + " " + std::to_string(height_) +
         "\" font-family=\"monospace\" font-size=\"11\" xml:space=\"preserve\">\n" + body_ +
         "</svg>\n";
}

bool SaveSvgPicture(const SvgCanvas& canvas, const std::filesystem::path& file,
                    std::string* error) {
  return WriteFileAtomic(file, canvas.Document(), error);
}

}  // namespace movexa
