// The bitmap as PNG: the pixels a PNG reader gets back are the bitmap's, whether it fits a palette
// or not.
#include <gtest/gtest.h>

#include <QImage>

#include "qt/qt_png.h"

namespace ts2::test {
namespace {

TEST(BitmapPng, APngReaderGetsTheBitmapsPixelsBack) {
  const struct {
    const char* name;
    int colours;  // distinct pixel values, spread over the 5-6-5 range
    QImage::Format format;
  } cases[] = {
      {"one colour", 1, QImage::Format_Indexed8},
      {"a full palette", 256, QImage::Format_Indexed8},
      {"one colour too many for a palette", 257, QImage::Format_RGB16},
      {"every row its own colours", 320 * 4, QImage::Format_RGB16},
  };
  for (const auto& c : cases) {
    Bitmap bitmap;
    bitmap.width = 320;
    bitmap.height = 256;
    bitmap.pixels.resize(320 * 256);
    for (size_t i = 0; i < bitmap.pixels.size(); ++i)
      bitmap.pixels[i] = static_cast<uint16_t>((i % static_cast<size_t>(c.colours)) * 65521u % 65536u);
    const QImage image = qt::BitmapImage(bitmap);
    EXPECT_EQ(image.format(), c.format) << c.name;
    const std::string png = qt::PngBytes(image);
    // What Qt itself makes of the 5-6-5 pixels, widened to 8 bits a channel.
    QImage expected(320, 256, QImage::Format_RGB16);
    for (int y = 0; y < 256; ++y) std::memcpy(expected.scanLine(y), bitmap.scanLine(y), 640);
    expected = expected.convertToFormat(QImage::Format_RGB32);
    const QImage read =
        QImage::fromData(reinterpret_cast<const uchar*>(png.data()), static_cast<int>(png.size()), "PNG")
            .convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(read.size(), QSize(320, 256)) << c.name;
    int wrong = 0;
    for (int y = 0; y < 256; ++y)
      wrong += std::memcmp(read.constScanLine(y), expected.constScanLine(y), 320 * 4) != 0;
    EXPECT_EQ(wrong, 0) << c.name << ": rows whose pixels differ from Qt's reading of the bitmap";
  }
  EXPECT_TRUE(qt::BitmapImage(Bitmap{}).isNull());
}

}  // namespace
}  // namespace ts2::test
