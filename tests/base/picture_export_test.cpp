// The toolkit-free picture writers: checksums, PNG stored-block layout, BMP row order and
// padding, clipping of far lines, the bitmap font, SVG escaping.
#include <gtest/gtest.h>

#include "base/raster_canvas.h"
#include "base/svg_canvas.h"
#include "support/test_support.h"

namespace movexa {
namespace {

uint32_t Be32At(const std::string& s, size_t at) {
  return (static_cast<uint32_t>(static_cast<uint8_t>(s[at])) << 24) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[at + 1])) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[at + 2])) << 8) |
         static_cast<uint8_t>(s[at + 3]);
}

// The image bytes of a PNG made of stored deflate blocks, checked chunk by chunk.
std::string InflateStoredPng(const std::string& png) {
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  std::string idat;
  for (size_t at = 8; at + 12 <= png.size();) {
    uint32_t len = Be32At(png, at);
    std::string typeAndData = png.substr(at + 4, 4 + len);
    EXPECT_EQ(Be32At(png, at + 8 + len), Crc32(typeAndData)) << typeAndData.substr(0, 4);
    if (typeAndData.substr(0, 4) == "IDAT") idat += typeAndData.substr(4);
    at += 12 + len;
  }
  std::string raw;
  size_t pos = 2;
  for (bool last = false; !last && pos + 5 <= idat.size();) {
    last = idat[pos] & 1;
    size_t n = static_cast<uint8_t>(idat[pos + 1]) | static_cast<uint8_t>(idat[pos + 2]) << 8;
    size_t nn = static_cast<uint8_t>(idat[pos + 3]) | static_cast<uint8_t>(idat[pos + 4]) << 8;
    EXPECT_EQ(n ^ nn, 0xFFFFu);
    raw += idat.substr(pos + 5, n);
    pos += 5 + n;
  }
  EXPECT_EQ(Be32At(idat, pos), Adler32(raw));
  return raw;
}

TEST(PictureExport, ChecksumsMatchTheirStandardValues) {
  EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
  EXPECT_EQ(Adler32("Wikipedia"), 0x11E60398u);
}

TEST(PictureExport, PngHoldsEveryPixelAcrossSeveralStoredBlocks) {
  RasterCanvas c(200, 150);  // 90150 image bytes: two stored blocks
  c.SetScale(0, 0, 200, 150);
  c.Point(1, 0, colors::kRed);
  c.Point(199, 149, colors::kBlue);
  std::string png = EncodePng(c);
  EXPECT_EQ(png.substr(12, 4), "IHDR");
  EXPECT_EQ(Be32At(png, 16), 200u);
  EXPECT_EQ(Be32At(png, 20), 150u);
  EXPECT_EQ(png.substr(24, 5), std::string("\x08\x02\x00\x00\x00", 5));
  EXPECT_EQ(png.substr(png.size() - 12), std::string("\0\0\0\0IEND\xAE\x42\x60\x82", 12));
  std::string raw = InflateStoredPng(png);
  ASSERT_EQ(raw.size(), 150u * (200 * 3 + 1));
  EXPECT_EQ(raw[0], '\0');
  EXPECT_EQ(raw.substr(1 + 3, 3), std::string("\xFF\0\0", 3));
  EXPECT_EQ(raw.substr(raw.size() - 3), std::string("\0\0\xFF", 3));
}

TEST(PictureExport, BmpRowsAreBottomUpBgrAndPaddedToFourBytes) {
  RasterCanvas c(3, 2);
  c.SetScale(0, 0, 3, 2);
  c.Point(1, 0, Rgb{10, 20, 30});
  std::string bmp = EncodeBmp(c);
  ASSERT_EQ(bmp.size(), 54u + 2 * 12);
  EXPECT_EQ(test::GetI32(bmp, 2), 78);
  EXPECT_EQ(test::GetI32(bmp, 18), 3);
  EXPECT_EQ(test::GetI16(bmp, 28), 24);
  // The top row is stored last; pixel 1 of it in B, G, R order.
  EXPECT_EQ(bmp.substr(54 + 12 + 3, 3), std::string("\x1E\x14\x0A", 3));
  EXPECT_EQ(bmp.substr(54 + 9, 3), std::string("\0\0\0", 3));  // padding
}

TEST(PictureExport, FarLinesAreClippedAndTextUsesTheBitmapFont) {
  RasterCanvas c(20, 10);
  c.SetScale(0, 0, 20, 10);
  c.Line(-1e9, 5, 1e9, 5, colors::kRed);
  for (int x = 0; x < 20; ++x) EXPECT_EQ(c.Pixel(x, 5), colors::kRed) << x;
  EXPECT_EQ(c.Pixel(0, 4), colors::kWhite);
  c.Text(0, 0, "I", colors::kBlack);  // column 2 of "I" is full height
  for (int y = 0; y < 7; ++y) EXPECT_EQ(c.Pixel(2, y), colors::kBlack) << y;
  EXPECT_EQ(c.Pixel(0, 3), colors::kWhite);
}

TEST(PictureExport, SvgEscapesTextAndMapsTheScale) {
  SvgCanvas s(100, 50);
  s.SetScale(0, 10, 10, 0);  // y upwards
  s.Clear();
  s.Line(0, 0, 10, 10, colors::kRed);
  s.Text(0, 10, "<a&\"b\">", colors::kBlack);
  std::string doc = s.Document();
  EXPECT_NE(doc.find("<line x1=\"0\" y1=\"50\" x2=\"100\" y2=\"0\" stroke=\"#ff0000\""),
            std::string::npos);
  EXPECT_NE(doc.find("&lt;a&amp;&quot;b&quot;&gt;</text>"), std::string::npos);
  EXPECT_EQ(doc.substr(doc.size() - 7), "</svg>\n");
}

}  // namespace
}  // namespace movexa
