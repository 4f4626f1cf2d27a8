// The Hex Data window: its state, the arrow keys, and the drawing of the data area (see
// views/hexdata.h for the look). The core draws into THexForm::view and the toolkit shows it
// stretched over the paint box chPic, which is laid out at exactly the view's size.
#include "views/hexdata.h"

#include <algorithm>
#include <cstring>

#include "core/forms.h"

namespace ts2 {

namespace {

// clang-format off
constexpr std::array<std::array<uint8_t, kHexGlyphH>, 16> kDigits{{
  {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E},  // 0
  {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},  // 1
  {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F},  // 2
  {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},  // 3
  {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02},  // 4
  {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},  // 5
  {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E},  // 6
  {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},  // 7
  {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E},  // 8
  {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},  // 9
  {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11},  // A
  {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E},  // B
  {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E},  // C
  {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C},  // D
  {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F},  // E
  {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10},  // F
}};
// clang-format on

constexpr int kVkLeft = 0x25, kVkUp = 0x26, kVkRight = 0x27, kVkDown = 0x28;

void FillRect(Bitmap& b, int x, int y, int w, int h, uint16_t colour) {
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int x1 = std::min(x + w, b.width), y1 = std::min(y + h, b.height);
  for (int yy = y0; yy < y1; ++yy)
    for (int xx = x0; xx < x1; ++xx) b.scanLine(yy)[xx] = colour;
}

void DrawDigit(Bitmap& b, int x, int y, int digit, uint16_t colour) {
  const auto& glyph = kDigits[static_cast<size_t>(digit & 0xF)];
  for (int row = 0; row < kHexGlyphH; ++row) {
    if (y + row < 0 || y + row >= b.height) continue;
    for (int col = 0; col < kHexGlyphW; ++col) {
      if (x + col < 0 || x + col >= b.width) continue;
      if (glyph[static_cast<size_t>(row)] & (0x10 >> col)) b.scanLine(y + row)[x + col] = colour;
    }
  }
}

// The `digits` hex digits of `value`, most significant first, from (x, y).
void DrawHex(Bitmap& b, int x, int y, uint32_t value, int digits, uint16_t colour) {
  for (int i = 0; i < digits; ++i)
    DrawDigit(b, x + i * kHexCellW, y, static_cast<int>(value >> (4 * (digits - 1 - i))) & 0xF, colour);
}

}  // namespace

const std::array<uint8_t, kHexGlyphH>& HexDigitGlyph(int digit) {
  return kDigits[static_cast<size_t>(digit & 0xF)];
}

void THexForm::FormCreate() {
  columns = rows = cursorColumn = cursorRow = 0;
  view.width = kHexViewW;
  view.height = kHexViewH;
  view.pixels.assign(static_cast<size_t>(kHexViewW) * kHexViewH, kHexBackground);
}

bool THexForm::FormKeyDown(int key) {
  // The line step: one line covers `columns` bytes in byte mode 1, twice that in byte mode 0.
  const int32_t step = columns << (1 - (byteMode ? 1 : 0));
  auto up = [&] {
    if (cursorRow >= 1) {
      --cursorRow;
    } else if (cursorRow == 0 && topOffset != 0) {
      topOffset -= step;
    }
  };
  auto down = [&] {
    if (cursorRow < rows - 1) {
      ++cursorRow;
    } else if (cursorRow == rows - 1 && topOffset + columns < kHexDataSize) {
      topOffset += step;
    }
  };
  switch (key) {
    case kVkUp: up(); break;
    case kVkDown: down(); break;
    case kVkLeft:
      if (cursorColumn > 0) {
        --cursorColumn;
      } else {
        cursorColumn = columns - 1;  // the end of the previous line
        up();
      }
      break;
    case kVkRight:
      if (cursorColumn < columns - 1) {
        ++cursorColumn;
      } else {
        cursorColumn = 0;  // the start of the next line
        down();
      }
      break;
    default: return false;  // ignored, no redraw
  }
  Redraw();
  return true;
}

void THexForm::Redraw() {
  if (view.pixels.empty()) return;  // not created yet
  std::fill(view.pixels.begin(), view.pixels.end(), kHexBackground);
  const int digits = byteMode ? 2 : 4;
  const int32_t lineBytes = byteMode ? columns : 2 * columns;
  const int32_t columnBytes = byteMode ? 1 : 2;

  // Step 1: the data area from the top offset. Lines and bytes outside it stay blank.
  for (int32_t row = 0; row < rows && HexRowY(row) < view.height; ++row) {
    const int64_t lineStart = int64_t{topOffset} + int64_t{row} * lineBytes;
    if (lineStart < 0 || lineStart >= kHexDataSize) continue;
    DrawHex(view, 0, HexRowY(row), static_cast<uint32_t>(lineStart), kHexOffsetDigits, kHexOffsetColour);
    for (int32_t col = 0; col < columns && HexColumnX(col, digits) < view.width; ++col) {
      const uint16_t colour = (col & 1) ? kHexOddColour : kHexEvenColour;
      for (int32_t k = 0; k < columnBytes; ++k) {
        const int64_t at = lineStart + int64_t{col} * columnBytes + k;
        if (at >= kHexDataSize) break;
        DrawHex(view, HexColumnX(col, digits) + k * 2 * kHexCellW, HexRowY(row),
                data[static_cast<size_t>(at)], 2, colour);
      }
    }
  }

  // Step 2: the cursor, a yellow box behind its column's digits, which are redrawn in black.
  if (cursorColumn >= 0 && cursorColumn < columns && cursorRow >= 0 && cursorRow < rows) {
    const int x = HexColumnX(cursorColumn, digits), y = HexRowY(cursorRow);
    FillRect(view, x - kHexColumnGap, y, digits * kHexCellW + kHexColumnGap, kHexCellH, kHexCursorBack);
    const int64_t lineStart = int64_t{topOffset} + int64_t{cursorRow} * lineBytes;
    for (int32_t k = 0; k < columnBytes; ++k) {
      const int64_t at = lineStart + int64_t{cursorColumn} * columnBytes + k;
      if (at < 0 || at >= kHexDataSize) continue;
      DrawHex(view, x + k * 2 * kHexCellW, y, data[static_cast<size_t>(at)], 2, kHexCursorText);
    }
  }
  program.ui.chPic().drawStretched(view);
}

void THexForm::SetData(std::span<const uint8_t> bytes, uint32_t address) {
  // Another string starts at the top with the cursor on its first byte; the same string shown
  // again (the display runs on every keystroke in the Text Editor) keeps cursor and scroll.
  const bool sameString = hasData && address == dataAddress;
  std::array<uint8_t, 0x1000> shown{};
  if (!bytes.empty()) std::memcpy(shown.data(), bytes.data(), std::min(bytes.size(), shown.size()));
  // The same bytes of the same string, in the same layout, are drawn already: typing in the
  // Text Editor shows the string again on every keystroke.
  if (sameString && shown == data && columns == kHexColumns && rows == kHexRows && byteMode == 1) return;
  data = shown;
  dataAddress = address;
  hasData = true;
  columns = kHexColumns;
  rows = kHexRows;
  byteMode = 1;
  if (!sameString) cursorColumn = cursorRow = topOffset = 0;
  Redraw();
}

void THexForm::ShowBytesAt(uint32_t romOffset) {
  const std::span<const uint8_t> rom = program.myForm.RomData();
  std::span<const uint8_t> bytes;
  if (romOffset < rom.size())
    bytes = rom.subspan(romOffset, std::min<size_t>(rom.size() - romOffset, data.size()));
  SetData(bytes, romOffset);
}

}  // namespace ts2
