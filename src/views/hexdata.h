// The Hex Data window's drawing: the layout of the view bitmap and its built-in digit font.
//
// The view is a 128 x 128 RGB 5-6-5 bitmap, the size of the paint box chPic, drawn 1:1. Each
// line shows the line's offset into the data area (three hex digits, green), then `columns`
// columns: one byte (two digits) each in byte mode 1, two bytes (four digits, in stored order)
// in byte mode 0. Columns alternate white and grey; the cursor is a yellow box with black digits.
// Characters are 5 x 7 glyphs in 6 x 8 cells. Anything that falls outside the bitmap is clipped,
// and bytes past the end of the data area are left blank.
#pragma once

#include <array>
#include <cstdint>

namespace ts2 {

inline constexpr int kHexViewW = 128;
inline constexpr int kHexViewH = 128;
inline constexpr int kHexCellW = 6;  // glyph 5 wide + 1 blank
inline constexpr int kHexCellH = 8;  // glyph 7 high + 1 blank
inline constexpr int kHexGlyphW = 5;
inline constexpr int kHexGlyphH = 7;
inline constexpr int kHexOffsetDigits = 3;  // offsets into the 4096-byte data area
inline constexpr int kHexBytesX = 24;       // first column: after the offset and one blank cell
inline constexpr int kHexColumnGap = 1;     // extra blank pixels between columns
inline constexpr int32_t kHexDataSize = 0x1000;

// The layout shown once data is set: 8 bytes a line, 16 lines fill the 128 x 128 box.
inline constexpr int32_t kHexColumns = 8;
inline constexpr int32_t kHexRows = 16;

inline constexpr uint16_t kHexBackground = 0x0000;
inline constexpr uint16_t kHexOffsetColour = 0x07E0;  // green
inline constexpr uint16_t kHexEvenColour = 0xFFFF;    // white
inline constexpr uint16_t kHexOddColour = 0xC618;     // light grey
inline constexpr uint16_t kHexCursorBack = 0xFFE0;    // yellow
inline constexpr uint16_t kHexCursorText = 0x0000;

// Rows of the glyph of hex digit `digit` (0..15), bit 4 the leftmost pixel.
const std::array<uint8_t, kHexGlyphH>& HexDigitGlyph(int digit);

// Left pixel of column `column` for `digitsPerColumn` digits; top pixel of line `row`.
constexpr int HexColumnX(int column, int digitsPerColumn) {
  return kHexBytesX + column * (digitsPerColumn * kHexCellW + kHexColumnGap);
}
constexpr int HexRowY(int row) {
  return row * kHexCellH;
}

}  // namespace ts2
