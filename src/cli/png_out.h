// PNG output of the ts2tool commands, written as every output is (see WriteOutput).
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <string>

#include "cli/cli.h"

namespace ts2::cli {

inline bool WritePng(const QImage& image, const std::string& path) {
  QByteArray png;
  QBuffer buffer(&png);
  if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) return false;
  return WriteOutput(path, png.constData(), static_cast<size_t>(png.size()));
}

}  // namespace ts2::cli
