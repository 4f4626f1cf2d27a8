// PNG output of the ts2tool commands, written as every output is (see WriteOutput).
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <cstring>
#include <string>

#include "cli/cli.h"
#include "core/toolkit.h"

namespace ts2::cli {

// The image as PNG bytes; empty when it cannot be encoded.
inline std::string PngBytes(const QImage& image) {
  QByteArray png;
  QBuffer buffer(&png);
  if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) return {};
  return std::string(png.constData(), static_cast<size_t>(png.size()));
}

inline bool WritePng(const QImage& image, const std::string& path) {
  const std::string png = PngBytes(image);
  return !png.empty() && WriteOutput(path, png.data(), png.size());
}

// The editor's bitmap (RGB 5-6-5) as an image.
inline QImage BitmapImage(const Bitmap& bitmap) {
  QImage image(bitmap.width, bitmap.height, QImage::Format_RGB16);
  for (int y = 0; y < bitmap.height; ++y)
    std::memcpy(image.scanLine(y), bitmap.scanLine(y), static_cast<size_t>(bitmap.width) * sizeof(uint16_t));
  return image;
}

}  // namespace ts2::cli
