// Picture files read back for the tests.
#include "support/picture_check.h"

#include <cairo.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "support/test_support.h"

namespace movexa::test {

namespace {

struct Reader {
  std::string_view bytes;
  size_t at = 0;
};

cairo_status_t ReadBytes(void* closure, unsigned char* data, unsigned int length) {
  auto* r = static_cast<Reader*>(closure);
  if (r->bytes.size() - r->at < length) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, r->bytes.data() + r->at, length);
  r->at += length;
  return CAIRO_STATUS_SUCCESS;
}

std::string Quoted(const std::filesystem::path& p) {
  return "'" + p.string() + "'";
}

std::optional<RgbImage> RunAndDecode(const std::string& command, const std::filesystem::path& png,
                                     std::string* error) {
  const int rc = std::system((command + " 2>&1").c_str());
  if (rc != 0 || !std::filesystem::exists(png)) {
    if (error) *error = "`" + command + "` failed (" + std::to_string(rc) + ")";
    return std::nullopt;
  }
  auto image = DecodePng(ReadFileOrDie(png));
  if (!image && error) *error = "no PNG from `" + command + "`";
  return image;
}

}  // namespace

std::optional<RgbImage> DecodePng(std::string_view png) {
  Reader reader{png};
  cairo_surface_t* s = cairo_image_surface_create_from_png_stream(ReadBytes, &reader);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return std::nullopt;
  }
  // Whatever format the file had, draw it onto RGB24 to read the pixels one way.
  const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  cairo_surface_t* rgb = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  cairo_t* cr = cairo_create(rgb);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_set_source_surface(cr, s, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(rgb);
  RgbImage image{w, h, {}};
  image.rgb.resize(static_cast<size_t>(w) * h * 3);
  const unsigned char* data = cairo_image_surface_get_data(rgb);
  const int stride = cairo_image_surface_get_stride(rgb);
  for (int y = 0; y < h; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
    for (int x = 0; x < w; ++x) {
      uint8_t* out = &image.rgb[(static_cast<size_t>(y) * w + x) * 3];
      out[0] = static_cast<uint8_t>(row[x] >> 16);
      out[1] = static_cast<uint8_t>(row[x] >> 8);
      out[2] = static_cast<uint8_t>(row[x]);
    }
  }
  cairo_surface_destroy(rgb);
  cairo_surface_destroy(s);
  return image;
}

std::optional<RgbImage> RasteriseSvg(const std::filesystem::path& svg, std::string* error) {
  std::filesystem::path png = svg;
  png.replace_extension(".svg.png");
  return RunAndDecode("rsvg-convert --format=png -o " + Quoted(png) + " " + Quoted(svg), png,
                      error);
}

std::optional<RgbImage> RasterisePdf(const std::filesystem::path& pdf, std::string* error) {
  const std::string root = pdf.string() + "-page";
  // 72 dots per inch: one pixel per point, the size the picture was drawn at.
  return RunAndDecode("pdftoppm -png -r 72 -singlefile " + Quoted(pdf) + " " + Quoted(root),
                      root + ".png", error);
}

void DrawPlotCallSample(Canvas& c) {
  c.SetBackColor(colors::kWhite);
  c.Clear();
  c.SetScale(0, 0, 200, 100);
  c.FilledBox(100, 0, 199, 99, colors::kBlue);
  const CanvasPoint band[] = {{20, 10}, {180, 10}, {180, 30}, {20, 30}};
  c.FilledPolygon(band, Rgb{230, 159, 0}, 0.5);
  c.SetClip(0, 0, 60, 100);
  c.Line(0, 50, 200, 50, colors::kBlack);
  c.ResetClip();
  c.SetLineStyle(LineStyle::kDashed);
  c.Line(0, 70, 99, 70, colors::kBlack);
  c.SetLineStyle(LineStyle::kSolid);
  c.Line(0, 80, 99, 80, colors::kBlack);
  const CanvasPoint run[] = {{0, 90}, {40, 90}, {50, std::nan("")}, {60, 90}, {99, 90}};
  c.SetPenWidth(3);
  c.Polyline(run, colors::kRed);
  c.SetPenWidth(1);
}

bool Near(Rgb a, Rgb b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

}  // namespace movexa::test
