// The editor's bitmap (RGB 5-6-5) as a PNG, for ts2tool's pictures and the proof sheets.
// Header-only and Qt GUI only, so that ts2tool's Qt commands share it without the widgets.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QVector>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/toolkit.h"

namespace ts2::qt {

// A 5-6-5 pixel as 8-bit red, green and blue, each widened by repeating its high bits, as Qt
// widens it.
inline QRgb Rgb565ToRgb(uint16_t p) {
  const int r = p >> 11, g = (p >> 5) & 0x3F, b = p & 0x1F;
  return qRgb(r << 3 | r >> 2, g << 2 | g >> 4, b << 3 | b >> 2);
}

// The bitmap as an image with the same pixels: a palette image when it has 256 colours or fewer
// (a box, its gradient and its text have a few dozen), which PNG writes in a third of the time
// and about half the bytes; a 5-6-5 image otherwise.
inline QImage BitmapImage(const Bitmap& bitmap) {
  if (bitmap.width <= 0 || bitmap.height <= 0 ||
      bitmap.pixels.size() < static_cast<size_t>(bitmap.width) * static_cast<size_t>(bitmap.height))
    return {};
  std::array<int16_t, 65536> index;
  index.fill(-1);
  QVector<QRgb> palette;
  QImage image(bitmap.width, bitmap.height, QImage::Format_Indexed8);
  for (int y = 0; y < bitmap.height && !image.isNull(); ++y) {
    const uint16_t* row = bitmap.scanLine(y);
    uchar* out = image.scanLine(y);
    for (int x = 0; x < bitmap.width; ++x) {
      int16_t& i = index[row[x]];
      if (i < 0) {
        if (palette.size() == 256) {
          image = QImage();  // too many colours for a palette
          break;
        }
        i = static_cast<int16_t>(palette.size());
        palette.push_back(Rgb565ToRgb(row[x]));
      }
      out[x] = static_cast<uchar>(i);
    }
  }
  if (!image.isNull()) {
    image.setColorTable(palette);
    return image;
  }
  QImage full(bitmap.width, bitmap.height, QImage::Format_RGB16);
  for (int y = 0; y < bitmap.height; ++y)
    std::memcpy(full.scanLine(y), bitmap.scanLine(y), static_cast<size_t>(bitmap.width) * sizeof(uint16_t));
  return full;
}

// The image as PNG bytes; empty when it cannot be encoded.
inline std::string PngBytes(const QImage& image) {
  QByteArray png;
  QBuffer buffer(&png);
  if (image.isNull() || !buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) return {};
  return std::string(png.constData(), static_cast<size_t>(png.size()));
}

}  // namespace ts2::qt
