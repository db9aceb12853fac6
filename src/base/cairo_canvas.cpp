// CairoCanvas: the drawing calls kept as steps in pixel coordinates, replayed onto an image, SVG
// or PDF surface when the picture is written.
#include "base/cairo_canvas.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

#include "base/canvas_text.h"
#include "base/file_io.h"

namespace movexa {

namespace {

// Cairo works in 24.8 fixed point: coordinates far outside the picture are clipped to a margin
// around it before they reach Cairo, so a line from -1e9 to 1e9 still crosses the picture.
constexpr double kMarginPx = 64.0;
constexpr int kLargestSidePx = 32767;  // Cairo's image surfaces stop there

struct PixelRect {
  double left, top, right, bottom;
};

// Clips the segment a-b to the rectangle (Liang-Barsky); false when nothing of it is inside.
// `startMoved` and `endMoved` tell which ends were cut.
bool ClipSegment(CanvasPoint& a, CanvasPoint& b, const PixelRect& r, bool* startMoved = nullptr,
                 bool* endMoved = nullptr) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  double t0 = 0.0, t1 = 1.0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x - r.left, r.right - a.x, a.y - r.top, r.bottom - a.y};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0.0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
  }
  if (t0 > t1) return false;
  const CanvasPoint from = a;
  if (startMoved) *startMoved = t0 > 0.0;
  if (endMoved) *endMoved = t1 < 1.0;
  // Ends of absurdly long segments lose their precision here; they stay in the rectangle.
  auto inside = [&r](CanvasPoint at) {
    return CanvasPoint{std::clamp(at.x, r.left, r.right), std::clamp(at.y, r.top, r.bottom)};
  };
  a = inside({from.x + t0 * dx, from.y + t0 * dy});
  b = inside({from.x + t1 * dx, from.y + t1 * dy});
  return true;
}

// Sutherland-Hodgman: the polygon cut to the rectangle (the rectangle is convex, so the filled
// area inside it is unchanged).
std::vector<CanvasPoint> ClipPolygon(std::vector<CanvasPoint> poly, const PixelRect& r) {
  auto cut = [&poly](auto inside, auto cross) {
    std::vector<CanvasPoint> out;
    for (size_t i = 0; i < poly.size(); ++i) {
      const CanvasPoint& cur = poly[i];
      const CanvasPoint& prev = poly[(i + poly.size() - 1) % poly.size()];
      const bool curIn = inside(cur), prevIn = inside(prev);
      if (curIn != prevIn) out.push_back(cross(prev, cur));
      if (curIn) out.push_back(cur);
    }
    poly = std::move(out);
  };
  auto atX = [](double x) {
    return [x](CanvasPoint a, CanvasPoint b) {
      return CanvasPoint{x, a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x)};
    };
  };
  auto atY = [](double y) {
    return [y](CanvasPoint a, CanvasPoint b) {
      return CanvasPoint{a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y), y};
    };
  };
  cut([&](CanvasPoint p) { return p.x >= r.left; }, atX(r.left));
  cut([&](CanvasPoint p) { return p.x <= r.right; }, atX(r.right));
  cut([&](CanvasPoint p) { return p.y >= r.top; }, atY(r.top));
  cut([&](CanvasPoint p) { return p.y <= r.bottom; }, atY(r.bottom));
  for (CanvasPoint& p : poly) {
    p.x = std::clamp(std::isfinite(p.x) ? p.x : r.left, r.left, r.right);
    p.y = std::clamp(std::isfinite(p.y) ? p.y : r.top, r.top, r.bottom);
  }
  return poly;
}

bool Finite(CanvasPoint p) {
  return std::isfinite(p.x) && std::isfinite(p.y);
}

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

void SetText(std::string* error, const std::string& text) {
  if (error) *error = text;
}

void Le16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Le32(std::string& out, uint32_t v) {
  Le16(out, v & 0xFFFF);
  Le16(out, v >> 16);
}

using Step = std::function<void(cairo_t*)>;

void SetSource(cairo_t* cr, Rgb c, double opacity = 1.0) {
  cairo_set_source_rgba(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0, opacity);
}

// Strokes the current path with the pen. `crisp` figures (the windows' lines and boxes, on pixel
// centres) end on their last pixel as a square pen does; plot curves get round ends and joins.
void StrokePath(cairo_t* cr, int penWidth, LineStyle style, bool crisp) {
  const double w = penWidth;
  cairo_set_line_width(cr, w);
  if (style == LineStyle::kSolid) {
    cairo_set_dash(cr, nullptr, 0, 0);
    cairo_set_line_cap(cr, crisp ? CAIRO_LINE_CAP_SQUARE : CAIRO_LINE_CAP_ROUND);
  } else {
    const double dashes[2] = {style == LineStyle::kDashed ? 5 * w : w, 3 * w};
    cairo_set_dash(cr, dashes, 2, 0);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  }
  cairo_set_line_join(cr, crisp ? CAIRO_LINE_JOIN_MITER : CAIRO_LINE_JOIN_ROUND);
  cairo_stroke(cr);
}

struct FontMetrics {
  double ascent = 0.0, descent = 0.0;
};

FontMetrics SelectFont(cairo_t* cr, const TextStyle& style, double defaultPx) {
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL,
                         style.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, style.sizePx > 0 ? std::min(style.sizePx, 1000.0) : defaultPx);
  cairo_font_extents_t font;
  cairo_font_extents(cr, &font);
  return {font.ascent, font.descent};
}

// Text widths that do not depend on the output's resolution, so that a layout measured once
// holds in the PNG, the SVG and the PDF alike.
void SetFontOptions(cairo_t* cr) {
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
}

}  // namespace

struct CairoCanvas::Cairo {
  std::vector<Step> steps;
  Step clip;  // the clip in force, set again after a Clear()
  // A one-pixel image to measure text on.
  cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
  cairo_t* measure = nullptr;
  Cairo() {
    measure = cairo_create(scratch);
    SetFontOptions(measure);
  }
  ~Cairo() {
    cairo_destroy(measure);
    cairo_surface_destroy(scratch);
  }
  Cairo(const Cairo&) = delete;
  Cairo& operator=(const Cairo&) = delete;
  // Replays the drawing onto a context whose user space is the picture's pixels.
  cairo_status_t Replay(cairo_t* cr) const {
    SetFontOptions(cr);
    for (const Step& step : steps) step(cr);
    return cairo_status(cr);
  }
  // The drawing replayed onto an RGB image `pixelRatio` times the picture's size; the caller
  // destroys it.
  cairo_surface_t* Raster(int width, int height, double pixelRatio, cairo_status_t& status) const {
    if (!std::isfinite(pixelRatio) || pixelRatio <= 0) pixelRatio = 1.0;
    auto side = [pixelRatio](int px) {
      return std::max(
          1, static_cast<int>(std::lround(std::min<double>(px * pixelRatio, kLargestSidePx))));
    };
    const int w = side(width), h = side(height);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, static_cast<double>(w) / width, static_cast<double>(h) / height);
    status = Replay(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface);
    return surface;
  }
};

std::optional<PictureFormat> PictureFormatOf(const std::filesystem::path& file) {
  std::string ext = file.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ext == ".png") return PictureFormat::kPng;
  if (ext == ".svg") return PictureFormat::kSvg;
  if (ext == ".pdf") return PictureFormat::kPdf;
  if (ext == ".bmp") return PictureFormat::kBmp;
  return std::nullopt;
}

Rgb RgbImage::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return {};
  const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
  return {p[0], p[1], p[2]};
}

CairoCanvas::CairoCanvas(int widthPx, int heightPx)
    : width_(std::clamp(widthPx, 1, kLargestSidePx)),
      height_(std::clamp(heightPx, 1, kLargestSidePx)),
      cairo_(std::make_unique<Cairo>()) {
  transform_.Set(0, 0, width_, height_, width_, height_);
  Clear();
}

CairoCanvas::~CairoCanvas() = default;

void CairoCanvas::SetScale(double x1, double y1, double x2, double y2) {
  transform_.Set(x1, y1, x2, y2, width_, height_);
}

void CairoCanvas::SetPenWidth(int pixels) {
  penWidth_ = std::max(1, pixels);
}

void CairoCanvas::SetDefaultTextSize(double px) {
  if (std::isfinite(px) && px > 0) defaultTextPx_ = std::min(px, 1000.0);
}

void CairoCanvas::Clear() {
  // What was drawn is gone: vector files hold no hidden layers. The clip stays in force.
  cairo_->steps.clear();
  const Rgb back = back_;
  cairo_->steps.push_back([back](cairo_t* cr) {
    cairo_save(cr);
    cairo_reset_clip(cr);
    SetSource(cr, back);
    cairo_paint(cr);
    cairo_restore(cr);
  });
  if (cairo_->clip) cairo_->steps.push_back(cairo_->clip);
}

double CairoCanvas::Snap(double v) const {
  return std::floor(v) + (penWidth_ % 2 == 1 ? 0.5 : 1.0);
}

void CairoCanvas::Line(double x1, double y1, double x2, double y2, Rgb colour) {
  CanvasPoint a{Snap(transform_.X(x1)), Snap(transform_.Y(y1))};
  CanvasPoint b{Snap(transform_.X(x2)), Snap(transform_.Y(y2))};
  if (!Finite(a) || !Finite(b)) return;
  const PixelRect area{-kMarginPx, -kMarginPx, width_ + kMarginPx, height_ + kMarginPx};
  if (!ClipSegment(a, b, area)) return;
  const Pen pen{penWidth_, lineStyle_};
  cairo_->steps.push_back([a, b, pen, colour](cairo_t* cr) {
    cairo_move_to(cr, a.x, a.y);
    cairo_line_to(cr, b.x, b.y);
    SetSource(cr, colour);
    StrokePath(cr, pen.width, pen.style, true);
  });
}

void CairoCanvas::Box(double x1, double y1, double x2, double y2, Rgb colour) {
  const double m = kMarginPx;
  auto cx = [&](double x) { return std::clamp(Snap(transform_.X(x)), -m, width_ + m); };
  auto cy = [&](double y) { return std::clamp(Snap(transform_.Y(y)), -m, height_ + m); };
  const double a = cx(x1), b = cy(y1), c = cx(x2), d = cy(y2);
  if (!std::isfinite(a + b + c + d)) return;
  const Pen pen{penWidth_, lineStyle_};
  cairo_->steps.push_back([a, b, c, d, pen, colour](cairo_t* cr) {
    cairo_rectangle(cr, std::min(a, c), std::min(b, d), std::fabs(c - a), std::fabs(d - b));
    SetSource(cr, colour);
    StrokePath(cr, pen.width, pen.style, true);
  });
}

void CairoCanvas::FilledBox(double x1, double y1, double x2, double y2, Rgb colour) {
  // Edges included: from the pixel of the first corner to the end of the pixel of the second.
  const double m = kMarginPx;
  const double xa = transform_.X(x1), xb = transform_.X(x2);
  const double ya = transform_.Y(y1), yb = transform_.Y(y2);
  const double a = std::clamp(std::floor(std::min(xa, xb)), -m, width_ + m);
  const double c = std::clamp(std::floor(std::max(xa, xb)) + 1, -m, width_ + m);
  const double b = std::clamp(std::floor(std::min(ya, yb)), -m, height_ + m);
  const double d = std::clamp(std::floor(std::max(ya, yb)) + 1, -m, height_ + m);
  if (!std::isfinite(a + b + c + d)) return;
  cairo_->steps.push_back([a, b, c, d, colour](cairo_t* cr) {
    cairo_rectangle(cr, a, b, c - a, d - b);
    SetSource(cr, colour);
    cairo_fill(cr);
  });
}

void CairoCanvas::Circle(double x, double y, double radius, Rgb colour, bool filled) {
  const double cx = Snap(transform_.X(x)), cy = Snap(transform_.Y(y));
  const double r = std::min(transform_.XLength(radius), 4.0 * (width_ + height_));
  if (!std::isfinite(cx + cy + r) || std::fabs(cx) > 1e6 || std::fabs(cy) > 1e6) return;
  if (r < 0.5) {
    Point(x, y, colour);
    return;
  }
  const Pen pen{penWidth_, lineStyle_};
  cairo_->steps.push_back([cx, cy, r, pen, colour, filled](cairo_t* cr) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, r, 0, 2 * std::numbers::pi);
    SetSource(cr, colour);
    if (filled) {
      cairo_fill(cr);
    } else {
      StrokePath(cr, pen.width, pen.style, false);
    }
  });
}

void CairoCanvas::Point(double x, double y, Rgb colour) {
  const double px = std::floor(transform_.X(x)), py = std::floor(transform_.Y(y));
  if (!std::isfinite(px + py) || std::fabs(px) > 1e6 || std::fabs(py) > 1e6) return;
  const double from = -static_cast<double>((penWidth_ - 1) / 2);
  const double w = penWidth_;
  cairo_->steps.push_back([px, py, from, w, colour](cairo_t* cr) {
    cairo_rectangle(cr, px + from, py + from, w, w);
    SetSource(cr, colour);
    cairo_fill(cr);
  });
}

void CairoCanvas::Text(double x, double y, std::string_view text, Rgb colour) {
  PlaceText(x, y, text, colour, TextStyle{});
}

void CairoCanvas::Polyline(std::span<const CanvasPoint> points, Rgb colour) {
  // Runs of segments in pixels: a missing point or a cut at the margin starts a new run.
  std::vector<std::vector<CanvasPoint>> runs;
  const PixelRect area{-kMarginPx, -kMarginPx, width_ + kMarginPx, height_ + kMarginPx};
  bool open = false;  // the last run ends where the previous segment ended
  for (size_t i = 1; i < points.size(); ++i) {
    CanvasPoint a{transform_.X(points[i - 1].x), transform_.Y(points[i - 1].y)};
    CanvasPoint b{transform_.X(points[i].x), transform_.Y(points[i].y)};
    bool startMoved = false, endMoved = false;
    if (!Finite(a) || !Finite(b) || !ClipSegment(a, b, area, &startMoved, &endMoved)) {
      open = false;
      continue;
    }
    if (!open || startMoved) runs.push_back({a});
    runs.back().push_back(b);
    open = !endMoved;
  }
  if (runs.empty()) return;
  const Pen pen{penWidth_, lineStyle_};
  cairo_->steps.push_back([runs = std::move(runs), pen, colour](cairo_t* cr) {
    for (const auto& run : runs) {
      cairo_move_to(cr, run[0].x, run[0].y);
      for (size_t i = 1; i < run.size(); ++i) cairo_line_to(cr, run[i].x, run[i].y);
    }
    SetSource(cr, colour);
    StrokePath(cr, pen.width, pen.style, false);
  });
}

void CairoCanvas::FilledPolygon(std::span<const CanvasPoint> points, Rgb colour, double opacity) {
  if (points.size() < 3) return;
  if (!std::isfinite(opacity)) opacity = 1.0;
  opacity = std::clamp(opacity, 0.0, 1.0);
  std::vector<CanvasPoint> poly;
  poly.reserve(points.size());
  for (CanvasPoint p : points) {
    CanvasPoint px{transform_.X(p.x), transform_.Y(p.y)};
    if (!Finite(px)) return;  // a polygon with a vertex nowhere has no shape to fill
    poly.push_back(px);
  }
  poly = ClipPolygon(std::move(poly),
                     {-kMarginPx, -kMarginPx, width_ + kMarginPx, height_ + kMarginPx});
  if (poly.size() < 3) return;
  cairo_->steps.push_back([poly = std::move(poly), colour, opacity](cairo_t* cr) {
    cairo_move_to(cr, poly[0].x, poly[0].y);
    for (size_t i = 1; i < poly.size(); ++i) cairo_line_to(cr, poly[i].x, poly[i].y);
    cairo_close_path(cr);
    SetSource(cr, colour, opacity);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_fill(cr);
  });
}

void CairoCanvas::PlaceText(double x, double y, std::string_view text, Rgb colour,
                            const TextStyle& style) {
  const double px = transform_.X(x), py = transform_.Y(y);
  if (!std::isfinite(px + py) || std::fabs(px) > 1e6 || std::fabs(py) > 1e6) return;
  std::string clean = ValidUtf8(text);
  if (clean.empty()) return;
  const double defaultPx = defaultTextPx_;
  cairo_->steps.push_back(
      [px, py, clean = std::move(clean), colour, style, defaultPx](cairo_t* cr) {
        cairo_save(cr);
        const FontMetrics font = SelectFont(cr, style, defaultPx);
        cairo_text_extents_t ext;
        cairo_text_extents(cr, clean.c_str(), &ext);
        const CanvasPoint o = TextBoxOffset(style, ext.x_advance, font.ascent + font.descent);
        cairo_translate(cr, px, py);
        if (std::isfinite(style.angleDegrees) && style.angleDegrees != 0.0)
          cairo_rotate(cr, -style.angleDegrees * std::numbers::pi / 180.0);
        cairo_move_to(cr, o.x, o.y + font.ascent);
        SetSource(cr, colour);
        cairo_show_text(cr, clean.c_str());
        cairo_restore(cr);
      });
}

TextExtent CairoCanvas::MeasureText(std::string_view text, const TextStyle& style) const {
  cairo_t* cr = cairo_->measure;
  cairo_save(cr);
  const FontMetrics font = SelectFont(cr, style, defaultTextPx_);
  cairo_text_extents_t ext{};
  const std::string clean = ValidUtf8(text);
  if (!clean.empty()) cairo_text_extents(cr, clean.c_str(), &ext);
  cairo_restore(cr);
  return {transform_.XUnits(ext.x_advance), transform_.YUnits(font.ascent + font.descent)};
}

void CairoCanvas::SetClip(double x1, double y1, double x2, double y2) {
  const double m = kMarginPx;
  const double xa = transform_.X(x1), xb = transform_.X(x2);
  const double ya = transform_.Y(y1), yb = transform_.Y(y2);
  const double a = std::clamp(std::min(xa, xb), -m, width_ + m);
  const double c = std::clamp(std::max(xa, xb), -m, width_ + m);
  const double b = std::clamp(std::min(ya, yb), -m, height_ + m);
  const double d = std::clamp(std::max(ya, yb), -m, height_ + m);
  if (!std::isfinite(a + b + c + d)) return;
  cairo_->clip = [a, b, c, d](cairo_t* cr) {
    cairo_reset_clip(cr);
    cairo_rectangle(cr, a, b, c - a, d - b);
    cairo_clip(cr);
  };
  cairo_->steps.push_back(cairo_->clip);
}

void CairoCanvas::ResetClip() {
  cairo_->clip = nullptr;
  cairo_->steps.push_back([](cairo_t* cr) { cairo_reset_clip(cr); });
}

// ---- output ----

RgbImage CairoCanvas::Render(double pixelRatio) const {
  RgbImage image;
  cairo_status_t status = CAIRO_STATUS_SUCCESS;
  cairo_surface_t* surface = cairo_->Raster(width_, height_, pixelRatio, status);
  if (status == CAIRO_STATUS_SUCCESS) {
    image.width = cairo_image_surface_get_width(surface);
    image.height = cairo_image_surface_get_height(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    image.rgb.resize(static_cast<size_t>(image.width) * image.height * 3);
    for (int y = 0; y < image.height; ++y) {
      const auto* row =
          reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
      uint8_t* out = &image.rgb[static_cast<size_t>(y) * image.width * 3];
      for (int x = 0; x < image.width; ++x) {
        const uint32_t px = row[x];  // 0xXXRRGGBB in the machine's byte order
        out[3 * x] = static_cast<uint8_t>(px >> 16);
        out[3 * x + 1] = static_cast<uint8_t>(px >> 8);
        out[3 * x + 2] = static_cast<uint8_t>(px);
      }
    }
  }
  cairo_surface_destroy(surface);
  return image;
}

bool CairoCanvas::Encode(PictureFormat format, std::string& bytes, std::string* error,
                         double pixelRatio) const {
  bytes.clear();
  if (format == PictureFormat::kBmp) {
    RgbImage image = Render(pixelRatio);
    if (image.rgb.empty()) {
      SetText(error, "the picture could not be drawn");
      return false;
    }
    bytes = EncodeBmp(image);
    return true;
  }
  cairo_surface_t* surface = nullptr;
  cairo_status_t status = CAIRO_STATUS_SUCCESS;
  if (format == PictureFormat::kPng) {
    surface = cairo_->Raster(width_, height_, pixelRatio, status);
    if (status == CAIRO_STATUS_SUCCESS)
      status = cairo_surface_write_to_png_stream(surface, AppendBytes, &bytes);
  } else {
    if (format == PictureFormat::kSvg) {
      surface = cairo_svg_surface_create_for_stream(AppendBytes, &bytes, width_, height_);
      cairo_svg_surface_set_document_unit(surface, CAIRO_SVG_UNIT_PX);
    } else {
      surface = cairo_pdf_surface_create_for_stream(AppendBytes, &bytes, width_, height_);
      cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "Movexa");
    }
    cairo_t* cr = cairo_create(surface);
    status = cairo_->Replay(cr);
    cairo_show_page(cr);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface);
  }
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    bytes.clear();
    SetText(error,
            std::string("the picture could not be written: ") + cairo_status_to_string(status));
    return false;
  }
  return true;
}

bool CairoCanvas::Save(const std::filesystem::path& file, std::string* error,
                       double pixelRatio) const {
  const auto format = PictureFormatOf(file);
  if (!format) {
    SetText(error, "a picture file ends in " + std::string(kPictureExtensions));
    return false;
  }
  std::string bytes;
  if (!Encode(*format, bytes, error, pixelRatio)) return false;
  return WriteFileAtomic(file, bytes, error);
}

void CairoCanvas::ReleaseFontCaches() {
  cairo_debug_reset_static_data();
  FcFini();
}

std::string EncodeBmp(const RgbImage& image) {
  const auto w = static_cast<uint32_t>(image.width), h = static_cast<uint32_t>(image.height);
  const uint32_t rowBytes = (w * 3 + 3) & ~3u;
  const uint32_t dataBytes = rowBytes * h;
  std::string out = "BM";
  Le32(out, 54 + dataBytes);
  Le32(out, 0);
  Le32(out, 54);
  Le32(out, 40);
  Le32(out, w);
  Le32(out, h);  // positive: rows stored bottom-up
  Le16(out, 1);
  Le16(out, 24);
  Le32(out, 0);  // no compression
  Le32(out, dataBytes);
  Le32(out, 2835);  // 72 dpi
  Le32(out, 2835);
  Le32(out, 0);
  Le32(out, 0);
  out.reserve(out.size() + dataBytes);
  for (uint32_t y = h; y-- > 0;) {
    const uint8_t* row = &image.rgb[static_cast<size_t>(y) * w * 3];
    for (uint32_t x = 0; x < w; ++x) {
      out += static_cast<char>(row[3 * x + 2]);
      out += static_cast<char>(row[3 * x + 1]);
      out += static_cast<char>(row[3 * x]);
    }
    out.append(rowBytes - w * 3, '\0');
  }
  return out;
}

}  // namespace movexa
