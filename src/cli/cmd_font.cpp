// ts2tool font: the game font as Open ROM decompresses it, drawn as a sheet of 16 glyphs a row
// with the glyph numbers beside and above, for looking at.
#include <QImage>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <span>

#include "cli/cli.h"
#include "cli/png_out.h"
#include "cli/show_string.h"
#include "core/fileutil.h"
#include "display/ascii_font.h"
#include "display/render.h"

namespace ts2::cli {
namespace {

int RunFont(const std::vector<std::string>& args);

const Command kFont{"font", "font ROM -o OUT.png", "draw the game font as a sheet of glyphs (PNG)", RunFont};

constexpr char kFontHelp[] =
    "Opens ROM as the editor does (no data file) and draws the game font it decompresses: 16\n"
    "glyphs a row, each row headed by the number of its first glyph and each column by the low\n"
    "hex digit, all in hexadecimal. Pixel values 0 to 3 are black, dark grey, light grey and\n"
    "white. The sheet is drawn twice the size of the glyphs. Glyphs past 7FF, which no string\n"
    "can reach (a glyph's byte offset is 16 bits), are left out.\n";

constexpr int kPerRow = 16;
constexpr int kGlyphW = 8, kGlyphH = 16, kGlyphBytes = 32;
constexpr int kGap = 2;
constexpr int kPitchX = kGlyphW + kGap, kPitchY = kGlyphH + kGap;
constexpr int kCharW = 8;  // labels: the translation font at a fixed 8 pixels a character
constexpr int kScale = 2;
constexpr int kReachableGlyphs = 0x10000 / kGlyphBytes;
constexpr int kLabelDigits = 3;

constexpr QRgb kSheet = 0xFF203050;  // around the cells
constexpr QRgb kLabel = 0xFFFFE080;
constexpr QRgb kLevels[4] = {0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF};

class Sheet {
 public:
  Sheet(int width, int height) : image_(width * kScale, height * kScale, QImage::Format_RGB32) {
    image_.fill(kSheet);
  }
  void dot(int x, int y, QRgb colour) {
    for (int dy = 0; dy < kScale; ++dy)
      for (int dx = 0; dx < kScale; ++dx) image_.setPixel(x * kScale + dx, y * kScale + dy, colour);
  }
  void text(int x, int y, const std::string& s) {
    for (size_t i = 0; i < s.size(); ++i) {
      const uint8_t* rows = gAsciiFont.data() + static_cast<uint8_t>(s[i]) * kAsciiGlyphBytes;
      for (int r = 0; r < kGlyphH; ++r)
        for (int c = 0; c < kCharW; ++c)
          if (rows[r] & (0x80 >> c)) dot(x + static_cast<int>(i) * kCharW + c, y + r, kLabel);
    }
  }
  // One game glyph: two bit planes a pixel row, as the renderer expands them.
  void glyph(int x, int y, std::span<const uint8_t> planes) {
    for (int r = 0; r < kGlyphH; ++r) {
      uint8_t values[kGlyphW] = {};
      ExpandBits(values, static_cast<uint16_t>(planes[2 * r] | planes[2 * r + 1] << 8), kGlyphW, 2);
      for (int c = 0; c < kGlyphW; ++c) dot(x + c, y + r, kLevels[values[c] & 3]);
    }
  }
  bool save(const std::string& path) const { return WritePng(image_, path); }

 private:
  QImage image_;
};

int RunFont(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done = StartCommand(kFont, args, {"-o"}, {}, parsed, kFontHelp)) return *done;
  if (parsed.positional.size() != 1) return UsageError(kFont, "expected ROM");
  const auto out = parsed.get("-o");
  if (!out || out->empty()) return UsageError(kFont, "missing -o OUT.png");

  ShownString shown;
  if (auto status = OpenRom(shown, parsed.positional[0], "")) return *status;
  const TmyForm& form = shown.program.form();
  const int count = static_cast<int>(std::min<uint32_t>(form.gFONTSize / kGlyphBytes, kReachableGlyphs));
  if (!form.gFONT || count == 0) return Fail(kExitBadInput, "the ROM's font holds no glyphs");

  const int left = kLabelDigits * kCharW + 2 * kGap, top = kGlyphH + 2 * kGap;
  const int rows = (count + kPerRow - 1) / kPerRow;
  Sheet sheet(left + kPerRow * kPitchX + kGap, top + rows * kPitchY + kGap);
  for (int c = 0; c < kPerRow; ++c) sheet.text(left + c * kPitchX + kGap / 2, kGap, Format("%X", c));
  for (int g = 0; g < count; ++g) {
    const int row = g / kPerRow, col = g % kPerRow;
    const int y = top + row * kPitchY;
    if (col == 0) sheet.text(kGap, y, Format("%0*X", kLabelDigits, g));
    sheet.glyph(
        left + col * kPitchX + kGap / 2, y,
        std::span<const uint8_t>(form.gFONT.get() + static_cast<size_t>(g) * kGlyphBytes, kGlyphBytes));
  }
  if (!sheet.save(*out)) return CannotWrite(kExitBadInput, *out);
  return kExitOk;
}

const Registrar kRegister{kFont};

}  // namespace
}  // namespace ts2::cli
