// The text renderer's static data and pixel-run operations.
//
// Every image here holds 16-bit RGB 5-6-5 pixels (red bits 11-15, green 5-10, blue 0-4); when a
// text page is laid over a box, 0x0000 is transparent.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/state.h"

namespace ts2 {

inline constexpr uint16_t kTransparent = 0x0000;
inline constexpr uint16_t kBoxKey = 0x2114;  // box-tile pixels that take the box colour
inline constexpr int kTileSize = 8;
inline constexpr int kBoxTileCount = 9;
// The bitmap's rows where the ROM string's box and the translation's box begin.
inline constexpr int kRomBoxTop = 8, kTransBoxTop = 136;

// Palette entries the renderer uses.
inline constexpr int kPalBackground = 0;
inline constexpr int kPalRomShade = 6;  // ROM-glyph pixel value 2
inline constexpr int kPalText = 15;
inline constexpr int kPalShadow = 17;
extern const std::array<uint16_t, 18> gPalette;

// Tile t (0 interior, 1-3 top, 4-5 sides, 6-8 bottom) at t x 64 pixels, 8 x 8, row-major.
extern const std::array<uint16_t, kBoxTileCount * kTileSize * kTileSize> gBoxTiles;

// The box's fill, taken from the menu's check marks.
struct BoxStyle {
  int colourShift = 0;  // 0 blue, 5 green, 11 red
  bool solid = false;   // solid colour instead of the top-to-bottom gradient
};

// Writes n pixel values (n at most 8 for two planes, 16 for one) for one glyph row: pixel x
// comes from bit n-1-x of `value` (one plane), or of its low byte plus twice that bit of its high
// byte (two planes). Values that would not fit `dest` are not written.
void ExpandBits(std::span<uint8_t> dest, uint16_t value, int n, int planes);

// Draws the tile map into `dest` (rows `stride` pixels apart) and fills the key colour. Tiles
// that would not lie wholly inside `dest` are not drawn; tile numbers 9-15 draw as the interior.
void DrawTextBox(std::span<uint16_t> dest, BoxMap& map, int stride, BoxStyle style);

// ---- glyph decoding and the pen's advance, shared with the translation lint ----

// The translation box: 29 tiles wide; the pen wraps once it reaches column 216 (the box's width
// less 16), lines are 16 rows apart and the box shows 6 of them.
inline constexpr int kTransBoxCols = 29;
inline constexpr int kWrapMargin = 16;
inline constexpr int kTransWrapColumn = kTransBoxCols * kTileSize - kWrapMargin;
inline constexpr int kTransLineHeight = 16;
inline constexpr int kTransVisibleLines = 6;

inline constexpr int kCellValues = 256;  // a glyph cell holds 256 pixel values
using GlyphCell = std::array<uint8_t, kCellValues>;

// Translation glyph `code` as pixel values 0/1: 16 rows of 8, the rest of the cell 0.
void DecodeTransGlyph(uint8_t code, GlyphCell& cell);

// The rightmost ink column of a cell scanned as cellRows x cellCols values (at most the cell's
// 256): at least 1 when the glyph has ink, 0 when it has none. Translation glyphs are inked where
// a value is not 0, ROM glyphs where it is 2 or 3.
int GlyphInkExtent(const GlyphCell& cell, int cellRows, int cellCols, bool translation);

// How far the pen moves after a glyph whose ink reaches column `inkExtent`: with variable width
// two columns past the ink (a glyph without ink counts as 4 wide, so 6), otherwise 8.
int GlyphAdvance(int inkExtent, bool variableWidth);

// The advance of translation glyph `code` as the string display draws it (a 16 x 8 cell).
int TransGlyphAdvance(uint8_t code, bool variableWidth);

// True when translation glyph `code` has no ink.
bool TransGlyphBlank(uint8_t code);

// The colours a glyph's pixels take in its page.
struct GlyphColours {
  uint16_t text, romShade, shadow, background;
};

// A glyph's cell drawn into `page` with its top left at (penX, penY), the first 256 values of a
// cellRows x cellCols scan: ink (translation: any value but 0; ROM: 2, the shade, or 3) with a
// shadow on its right, other values as background unless a shadow is there; pixels outside the
// page are skipped. The page's dirtyEnd grows to cover what was written.
void DrawGlyphCell(TextPage& page, const GlyphCell& cell, int cellRows, int cellCols, int penX, int penY,
                   bool translation, const GlyphColours& colours);

void FillPixels(uint16_t* dest, uint16_t value, size_t count);
// Copies every pixel, or with `transparent` only the source pixels that are not 0x0000.
void CopyPixels(uint16_t* dest, const uint16_t* src, size_t count, bool transparent);
// Copies rows x cols pixels; source rows are cols pixels apart, destination rows stride apart.
void BlitPixels(uint16_t* dest, const uint16_t* src, int rows, int cols, int stride);

}  // namespace ts2
