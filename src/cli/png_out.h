// PNG output of the ts2tool commands, written as every output is (see WriteOutput).
#pragma once

#include <QImage>
#include <string>

#include "cli/cli.h"
#include "core/toolkit.h"
#include "qt/qt_png.h"

namespace ts2::cli {

using qt::BitmapImage;
using qt::PngBytes;

inline bool WritePng(const QImage& image, const std::string& path) {
  const std::string png = PngBytes(image);
  return !png.empty() && WriteOutput(path, png.data(), png.size());
}

}  // namespace ts2::cli
