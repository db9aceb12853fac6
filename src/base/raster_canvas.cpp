// RasterCanvas drawing and its BMP and PNG writers.
#include "base/raster_canvas.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "base/file_io.h"
#include "base/raster_font.h"

namespace movexa {

RasterCanvas::RasterCanvas(int widthPx, int heightPx)
    : width_(std::max(1, widthPx)), height_(std::max(1, heightPx)),
      pixels_(static_cast<size_t>(width_) * height_ * 3, 255) {
  transform_.Set(0, 0, width_, height_, width_, height_);
}

void RasterCanvas::SetScale(double x1, double y1, double x2, double y2) {
  transform_.Set(x1, y1, x2, y2, width_, height_);
}

int RasterCanvas::PxX(double x) const {
  return static_cast<int>(std::clamp(std::floor(transform_.X(x)), -1e6, 1e6));
}
int RasterCanvas::PxY(double y) const {
  return static_cast<int>(std::clamp(std::floor(transform_.Y(y)), -1e6, 1e6));
}

void RasterCanvas::Set(int x, int y, Rgb c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  uint8_t* p = &pixels_[(static_cast<size_t>(y) * width_ + x) * 3];
  p[0] = c.r;
  p[1] = c.g;
  p[2] = c.b;
}

Rgb RasterCanvas::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return {};
  const uint8_t* p = &pixels_[(static_cast<size_t>(y) * width_ + x) * 3];
  return {p[0], p[1], p[2]};
}

void RasterCanvas::Stamp(int x, int y, Rgb c) {
  if (penWidth_ == 1) {
    Set(x, y, c);
    return;
  }
  int from = -(penWidth_ - 1) / 2;
  for (int dy = from; dy < from + penWidth_; ++dy)
    for (int dx = from; dx < from + penWidth_; ++dx) Set(x + dx, y + dy, c);
}

void RasterCanvas::PixelLine(int x0, int y0, int x1, int y1, Rgb c, bool stamp) {
  // Clip to the picture with a margin of the pen width (Liang-Barsky), then Bresenham.
  const double lo[2] = {-static_cast<double>(penWidth_), -static_cast<double>(penWidth_)};
  const double hi[2] = {static_cast<double>(width_ + penWidth_),
                        static_cast<double>(height_ + penWidth_)};
  double p0[2] = {static_cast<double>(x0), static_cast<double>(y0)};
  double d[2] = {static_cast<double>(x1) - x0, static_cast<double>(y1) - y0};
  double t0 = 0, t1 = 1;
  for (int axis = 0; axis < 2; ++axis) {
    const double q[2] = {p0[axis] - lo[axis], hi[axis] - p0[axis]};
    const double pd[2] = {-d[axis], d[axis]};
    for (int side = 0; side < 2; ++side) {
      if (pd[side] == 0) {
        if (q[side] < 0) return;
        continue;
      }
      double r = q[side] / pd[side];
      if (pd[side] < 0) {
        t0 = std::max(t0, r);
      } else {
        t1 = std::min(t1, r);
      }
    }
  }
  if (t0 > t1) return;
  int ax = static_cast<int>(std::lround(p0[0] + t0 * d[0]));
  int ay = static_cast<int>(std::lround(p0[1] + t0 * d[1]));
  int bx = static_cast<int>(std::lround(p0[0] + t1 * d[0]));
  int by = static_cast<int>(std::lround(p0[1] + t1 * d[1]));
  int dx = std::abs(bx - ax), sx = ax < bx ? 1 : -1;
  int dy = -std::abs(by - ay), sy = ay < by ? 1 : -1;
  int err = dx + dy;
  for (;;) {
    if (stamp) {
      Stamp(ax, ay, c);
    } else {
      Set(ax, ay, c);
    }
    if (ax == bx && ay == by) break;
    int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      ax += sx;
    }
    if (e2 <= dx) {
      err += dx;
      ay += sy;
    }
  }
}

void RasterCanvas::Clear() {
  for (size_t i = 0; i < pixels_.size(); i += 3) {
    pixels_[i] = back_.r;
    pixels_[i + 1] = back_.g;
    pixels_[i + 2] = back_.b;
  }
}

void RasterCanvas::Line(double x1, double y1, double x2, double y2, Rgb colour) {
  PixelLine(PxX(x1), PxY(y1), PxX(x2), PxY(y2), colour, true);
}

void RasterCanvas::Box(double x1, double y1, double x2, double y2, Rgb colour) {
  int a = PxX(x1), b = PxY(y1), c = PxX(x2), d = PxY(y2);
  PixelLine(a, b, c, b, colour, true);
  PixelLine(c, b, c, d, colour, true);
  PixelLine(c, d, a, d, colour, true);
  PixelLine(a, d, a, b, colour, true);
}

void RasterCanvas::FilledBox(double x1, double y1, double x2, double y2, Rgb colour) {
  int a = std::clamp(std::min(PxX(x1), PxX(x2)), 0, width_ - 1);
  int c = std::clamp(std::max(PxX(x1), PxX(x2)), -1, width_ - 1);
  int b = std::clamp(std::min(PxY(y1), PxY(y2)), 0, height_ - 1);
  int d = std::clamp(std::max(PxY(y1), PxY(y2)), -1, height_ - 1);
  for (int y = b; y <= d; ++y)
    for (int x = a; x <= c; ++x) Set(x, y, colour);
}

void RasterCanvas::Circle(double x, double y, double radius, Rgb colour, bool filled) {
  int cx = PxX(x), cy = PxY(y);
  int r = static_cast<int>(std::lround(transform_.XLength(radius)));
  if (r <= 0) {
    Stamp(cx, cy, colour);
    return;
  }
  r = std::min(r, 4 * (width_ + height_));
  if (filled) {
    for (int dy = -r; dy <= r; ++dy) {
      int span = static_cast<int>(std::floor(std::sqrt(static_cast<double>(r) * r - dy * dy)));
      for (int dx = -span; dx <= span; ++dx) Set(cx + dx, cy + dy, colour);
    }
    return;
  }
  // Midpoint circle, eight octants.
  int px = r, py = 0, err = 1 - r;
  while (px >= py) {
    const int pts[8][2] = {{px, py}, {py, px}, {-py, px}, {-px, py},
                           {-px, -py}, {-py, -px}, {py, -px}, {px, -py}};
    for (auto& pt : pts) Stamp(cx + pt[0], cy + pt[1], colour);
    ++py;
    if (err < 0) {
      err += 2 * py + 1;
    } else {
      --px;
      err += 2 * (py - px) + 1;
    }
  }
}

void RasterCanvas::Point(double x, double y, Rgb colour) {
  Stamp(PxX(x), PxY(y), colour);
}

void RasterCanvas::Text(double x, double y, std::string_view text, Rgb colour) {
  int px = PxX(x), py = PxY(y);
  for (unsigned char ch : text) {
    if (ch >= raster_font::kFirst && ch <= raster_font::kLast) {
      size_t at = static_cast<size_t>(ch - raster_font::kFirst) * 5;
      for (int col = 0; col < 5; ++col) {
        uint8_t bits = raster_font::kGlyphs[at + static_cast<size_t>(col)];
        for (int row = 0; row < 8; ++row) {
          if (!(bits & (1u << row))) continue;
          for (int sy = 0; sy < textScale_; ++sy)
            for (int sx = 0; sx < textScale_; ++sx)
              Set(px + col * textScale_ + sx, py + row * textScale_ + sy, colour);
        }
      }
    }
    px += 6 * textScale_;
  }
}

// ---- file writers ----

namespace {

void Le16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Le32(std::string& out, uint32_t v) {
  Le16(out, v & 0xFFFF);
  Le16(out, v >> 16);
}
void Be32(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

void Chunk(std::string& png, std::string_view type, std::string_view data) {
  Be32(png, static_cast<uint32_t>(data.size()));
  std::string body(type);
  body += data;
  png += body;
  Be32(png, Crc32(body));
}

}  // namespace

uint32_t Crc32(std::string_view bytes, uint32_t crc) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (unsigned char b : bytes) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

uint32_t Adler32(std::string_view bytes) {
  uint32_t a = 1, b = 0;
  for (unsigned char c : bytes) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

std::string EncodeBmp(const RasterCanvas& canvas) {
  const int w = canvas.WidthPx(), h = canvas.HeightPx();
  const uint32_t rowBytes = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
  const uint32_t dataBytes = rowBytes * static_cast<uint32_t>(h);
  std::string out = "BM";
  Le32(out, 54 + dataBytes);
  Le32(out, 0);
  Le32(out, 54);
  Le32(out, 40);
  Le32(out, static_cast<uint32_t>(w));
  Le32(out, static_cast<uint32_t>(h));  // positive: rows stored bottom-up
  Le16(out, 1);
  Le16(out, 24);
  Le32(out, 0);
  Le32(out, dataBytes);
  Le32(out, 2835);  // 72 dpi
  Le32(out, 2835);
  Le32(out, 0);
  Le32(out, 0);
  const auto& px = canvas.pixels();
  for (int y = h - 1; y >= 0; --y) {
    size_t row = static_cast<size_t>(y) * w * 3;
    for (int x = 0; x < w; ++x) {
      size_t p = row + static_cast<size_t>(x) * 3;
      out += static_cast<char>(px[p + 2]);
      out += static_cast<char>(px[p + 1]);
      out += static_cast<char>(px[p]);
    }
    out.append(rowBytes - static_cast<uint32_t>(w) * 3, '\0');
  }
  return out;
}

std::string EncodePng(const RasterCanvas& canvas) {
  const int w = canvas.WidthPx(), h = canvas.HeightPx();
  std::string raw;
  raw.reserve(static_cast<size_t>(h) * (static_cast<size_t>(w) * 3 + 1));
  const auto& px = canvas.pixels();
  for (int y = 0; y < h; ++y) {
    raw += '\0';  // filter type None
    raw.append(reinterpret_cast<const char*>(px.data()) + static_cast<size_t>(y) * w * 3,
               static_cast<size_t>(w) * 3);
  }
  // zlib stream: header, stored deflate blocks of at most 65535 bytes, Adler-32 (big-endian).
  std::string z = "\x78\x01";
  size_t pos = 0;
  do {
    size_t n = std::min<size_t>(65535, raw.size() - pos);
    bool last = pos + n == raw.size();
    z += static_cast<char>(last ? 1 : 0);
    Le16(z, static_cast<uint32_t>(n));
    Le16(z, static_cast<uint32_t>(~n & 0xFFFF));
    z.append(raw, pos, n);
    pos += n;
  } while (pos < raw.size());
  Be32(z, Adler32(raw));
  std::string png = "\x89PNG\r\n\x1a\n";
  std::string ihdr;
  Be32(ihdr, static_cast<uint32_t>(w));
  Be32(ihdr, static_cast<uint32_t>(h));
  ihdr += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, deflate, no filter set, no interlace
  Chunk(png, "IHDR", ihdr);
  Chunk(png, "IDAT", z);
  Chunk(png, "IEND", "");
  return png;
}

bool SaveRasterPicture(const RasterCanvas& canvas, const std::filesystem::path& file,
                       std::string* error) {
  std::string ext = file.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return WriteFileAtomic(file, ext == ".bmp" ? EncodeBmp(canvas) : EncodePng(canvas), error);
}

}  // namespace movexa
