// RenderString and RenderGlyph: one string drawn into its text page and its text box, and the
// box laid into the bitmap shown in Video.
//
// Two targets, chosen by the check mark of the hidden menu item DTT:
//                      ROM text (unchecked)        translation (checked)
//   font               gFONT, two bit planes       gAsciiFont, one bit plane
//   box                columns 8-287, rows 8-119   columns 8-239, rows 136-247
//   page window        columns 16-295, rows 16-111 columns 16-247, rows 144-239
//   page width         280                         232
//   line height, wrap  32 rows, pen column 264     16 rows, pen column 216
#include <algorithm>
#include <cstring>
#include <type_traits>

#include "core/forms.h"
#include "display/ascii_font.h"
#include "display/render.h"

namespace ts2 {

namespace {

constexpr uint32_t kPageClearPixels = 0x39000;
constexpr size_t kPagePixels = kPageBytes / sizeof(uint16_t);
constexpr int kBoxRows = 14;
constexpr int kRomBoxCols = 280 / kTileSize;
constexpr int kRomLineWidth = 280;
constexpr int kTransPageWidth = 232;
constexpr int kBoxLeft = 8;
constexpr int kWindowLeft = 16;  // page window: box + one tile
constexpr int kWindowRows = 96;
constexpr int kRomLineHeight = 32;
constexpr int kFixedAdvance = 8;
constexpr int kBlankInkWidth = 4;                       // a glyph without ink advances as if 4 + 2 wide
constexpr int kTransCellRows = 16, kTransCellCols = 8;  // the string display's translation cell
constexpr int kRomGlyphBytes = 32;
constexpr uint8_t kCodeNewLine = 0xFE, kCodeEnd = 0xFF;
// The layout needs a bitmap of at least this size (the translation box ends on row 247, the
// ROM-text page window on column 295).
constexpr int kMinBitmapW = 296, kMinBitmapH = 248;

// The format the renderer assumes when the data file had none.
constexpr uint16_t kDefaultLineWidth = 144;
constexpr uint8_t kDefaultGlyphH = 16, kDefaultGlyphW = 16, kDefaultWidthScale = 16;
constexpr std::array<uint8_t, 5> kDefaultReserved = {1, 0, 1, 2, 3};

void BuildBoxMap(BoxMap& map, int cols) {
  map.rows = kBoxRows;
  map.cols = static_cast<uint16_t>(cols);
  auto tile = [&](int r, int c) -> uint8_t& { return map.tiles[static_cast<size_t>(r) * 128 + c]; };
  const int last = kBoxRows - 1;
  tile(0, 0) = 1;
  tile(last, 0) = 6;
  for (int c = 1; c < cols - 1; ++c) {
    tile(0, c) = 2;
    tile(last, c) = 7;
  }
  tile(0, cols - 1) = 3;
  tile(last, cols - 1) = 8;
  for (int r = 1; r < last; ++r) {
    tile(r, 0) = 4;
    tile(r, cols - 1) = 5;
  }
}

// A map as BuildBoxMap leaves it: its tiles past the first kBoxRows rows are zero in both.
void CopyBoxMap(BoxMap& to, const BoxMap& from) {
  std::copy_n(from.tiles.begin(), kBoxRows * 128, to.tiles.begin());
  to.rows = from.rows;
  to.cols = from.cols;
  to.curRow = from.curRow;
  to.curCol = from.curCol;
}

template <typename T>
void Put(std::vector<uint8_t>& key, const T& value) {
  static_assert(std::is_trivially_copyable_v<T>);
  const auto* bytes = reinterpret_cast<const uint8_t*>(&value);
  key.insert(key.end(), bytes, bytes + sizeof(T));
}

// Whether the translation was drawn in place into a box whose rows of `bitmap` still hold what
// its last drawing wrote (each with the stamp it got), scrolled as then.
bool TransRowsHeld(const TransTextDrawn& drawn, const Bitmap& bitmap, int top, int rows, uint16_t scroll) {
  if (!drawn.inPlace || !drawn.shown || drawn.scroll != scroll || !bitmap.rowsStamped() ||
      drawn.rowStamps.size() != static_cast<size_t>(rows) || top + rows > bitmap.height)
    return false;
  return std::equal(drawn.rowStamps.begin(), drawn.rowStamps.end(), bitmap.rowStamps.begin() + top);
}

}  // namespace

// ---- glyphs and the pen ----

void DecodeTransGlyph(uint8_t code, GlyphCell& cell) {
  cell.fill(0);
  const uint8_t* rows = gAsciiFont.data() + code * kAsciiGlyphBytes;
  for (size_t i = 0; i < kAsciiGlyphBytes; ++i) ExpandBits(std::span(cell).subspan(8 * i, 8), rows[i], 8, 1);
}

int GlyphInkExtent(const GlyphCell& cell, int cellRows, int cellCols, bool translation) {
  int m = 0;
  for (int r = 0; r < cellRows; ++r) {
    for (int c = 0; c < cellCols; ++c) {
      const int index = r * cellCols + c;
      if (index >= kCellValues) return m;  // larger cells are scanned for their first 256 values
      const uint8_t v = cell[static_cast<size_t>(index)];
      if (translation ? v != 0 : v >= 2) m = std::max({m, c, 1});
    }
  }
  return m;
}

int GlyphAdvance(int inkExtent, bool variableWidth) {
  if (!variableWidth) return kFixedAdvance;
  return (inkExtent == 0 ? kBlankInkWidth : inkExtent) + 2;
}

namespace {

// The translation font is fixed: each glyph's ink is measured once, not on every character the
// renderer and the lint (which checks whole scripts) ask about.
// The glyphs are decoded once as well: the renderer copies a glyph's cell.
struct TransGlyphMetrics {
  std::array<uint8_t, 256> advance{};  // variable width
  std::array<bool, 256> blank{};
  std::array<uint8_t, 256> ink{};  // GlyphInkExtent in the translation cell (16 x 8)
  std::array<GlyphCell, 256> cells{};
};

const TransGlyphMetrics& TransMetrics() {
  static const TransGlyphMetrics metrics = [] {
    TransGlyphMetrics m;
    for (int code = 0; code < 256; ++code) {
      GlyphCell& cell = m.cells[static_cast<size_t>(code)];
      DecodeTransGlyph(static_cast<uint8_t>(code), cell);
      const int ink = GlyphInkExtent(cell, kTransCellRows, kTransCellCols, true);
      m.advance[static_cast<size_t>(code)] = static_cast<uint8_t>(GlyphAdvance(ink, true));
      m.blank[static_cast<size_t>(code)] = ink == 0;
      m.ink[static_cast<size_t>(code)] = static_cast<uint8_t>(ink);
    }
    return m;
  }();
  return metrics;
}

}  // namespace

int TransGlyphAdvance(uint8_t code, bool variableWidth) {
  return variableWidth ? TransMetrics().advance[code] : kFixedAdvance;
}

bool TransGlyphBlank(uint8_t code) {
  return TransMetrics().blank[code];
}

// ---- pixel runs ----

void ExpandBits(std::span<uint8_t> dest, uint16_t value, int n, int planes) {
  n = std::clamp(n, 0, planes == 2 ? 8 : 16);
  const int count = std::min<int>(n, static_cast<int>(dest.size()));
  for (int x = 0; x < count; ++x) {
    const int bit = n - 1 - x;
    dest[x] = planes == 2 ? static_cast<uint8_t>((value >> bit & 1) | (value >> (8 + bit) & 1) << 1)
                          : static_cast<uint8_t>(value >> bit & 1);
  }
}

void FillPixels(uint16_t* dest, uint16_t value, size_t count) {
  if (value == 0)  // the clears: the library's fill, not a loop of 16-bit stores
    std::memset(dest, 0, count * sizeof(uint16_t));
  else
    std::fill(dest, dest + count, value);
}

namespace {

// Eight pixels at a time as one vector of the compiler's (GCC and Clang vector extensions: SSE2,
// NEON or plain words, whatever the target has). The plain loops with a select per pixel stay a
// compare and a branch per pixel at -O2, which mispredicts on text.
using Lanes = uint16_t __attribute__((vector_size(16)));
constexpr size_t kLanes = sizeof(Lanes) / sizeof(uint16_t);

Lanes LoadLanes(const uint16_t* p) {
  Lanes v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

void StoreLanes(uint16_t* p, Lanes v) {
  std::memcpy(p, &v, sizeof v);
}

// Every lane of `mask` all ones or all zeros: `a` where it is set, `b` elsewhere.
Lanes Select(Lanes mask, Lanes a, Lanes b) {
  return (a & mask) | (b & ~mask);
}

// Each pixel of `row` that is `from` becomes `to`.
void ReplacePixels(uint16_t* row, size_t count, uint16_t from, uint16_t to) {
  size_t i = 0;
  for (; i + kLanes <= count; i += kLanes) {
    const Lanes v = LoadLanes(row + i);
    StoreLanes(row + i, Select(reinterpret_cast<Lanes>(v == from), Lanes{} + to, v));
  }
  for (; i < count; ++i) row[i] = row[i] == from ? to : row[i];
}

}  // namespace

void CopyPixels(uint16_t* dest, const uint16_t* src, size_t count, bool transparent) {
  if (!transparent) {
    std::memmove(dest, src, count * sizeof(uint16_t));
    return;
  }
  // The page and the bitmap never overlap.
  size_t i = 0;
  for (; i + kLanes <= count; i += kLanes) {
    const Lanes from = LoadLanes(src + i);
    StoreLanes(dest + i, Select(reinterpret_cast<Lanes>(from != kTransparent), from, LoadLanes(dest + i)));
  }
  for (; i < count; ++i) dest[i] = src[i] != kTransparent ? src[i] : dest[i];
}

void BlitPixels(uint16_t* dest, const uint16_t* src, int rows, int cols, int stride) {
  for (int y = 0; y < rows; ++y)
    CopyPixels(dest + static_cast<ptrdiff_t>(y) * stride, src + static_cast<ptrdiff_t>(y) * cols,
               static_cast<size_t>(cols), false);
}

void DrawTextBox(std::span<uint16_t> dest, BoxMap& map, int stride, BoxStyle style) {
  const int rows = std::min<int>(map.rows, 128), cols = std::min<int>(map.cols, 128);
  if (stride <= 0) return;
  const auto fits = [&](int y, int x, int w) {
    return x + w <= stride && static_cast<size_t>(y) * stride + x + w <= dest.size();
  };
  map.curRow = map.curCol = 0;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      int t = map.tiles[static_cast<size_t>(r) * 128 + c] & 0x0F;
      if (t >= kBoxTileCount) t = 0;
      if (fits(map.curRow + kTileSize - 1, map.curCol, kTileSize)) {
        // BlitPixels of one tile, its rows copied at their fixed size.
        uint16_t* to = dest.data() + static_cast<size_t>(map.curRow) * stride + map.curCol;
        const uint16_t* from = gBoxTiles.data() + t * kTileSize * kTileSize;
        for (int y = 0; y < kTileSize; ++y)
          std::memcpy(to + static_cast<ptrdiff_t>(y) * stride, from + y * kTileSize,
                      kTileSize * sizeof(uint16_t));
      }
      map.curCol = static_cast<uint16_t>(map.curCol + kTileSize);
    }
    map.curRow = static_cast<uint16_t>(map.curRow + kTileSize);
    map.curCol = 0;
  }

  // The gradient darkens by one level every `step` rows, from 31 down to 0.
  const uint16_t solid = static_cast<uint16_t>(31 << style.colourShift);
  int level = 31;
  const int step = rows * kTileSize / 31;
  int counter = step;
  const int width = cols * kTileSize;
  for (int y = 0; y < rows * kTileSize; ++y) {
    if (fits(y, 0, width)) {
      const uint16_t fill = style.solid ? solid : static_cast<uint16_t>(level << style.colourShift);
      ReplacePixels(dest.data() + static_cast<size_t>(y) * stride, static_cast<size_t>(width), kBoxKey, fill);
    }
    if (--counter == 0) {
      counter = step;
      if (level > 0) --level;
    }
  }
}

// ---- the renderer ----

void DrawGlyphCell(TextPage& page, const GlyphCell& cell, int cellRows, int cellCols, int penX, int penY,
                   bool translation, const GlyphColours& colours) {
  uint16_t* pixels = page.pixels.get();
  const int width = page.width;
  // A cell that lies wholly inside the page, with the shadow right of its last column: no pixel
  // needs its bounds checked, and the page's written end is the furthest one written.
  const int rows = std::min(cellRows, (kCellValues + std::max(cellCols, 1) - 1) / std::max(cellCols, 1));
  const size_t last = static_cast<size_t>(penY + rows - 1) * width + penX + cellCols;  // a shadow's place
  if (pixels && cellCols > 0 && rows > 0 && penX + cellCols < width && last < kPagePixels) {
    size_t written = 0;  // one past the last pixel written
    for (int r = 0; r < rows; ++r) {
      const int first = r * cellCols;
      const int cols = std::min(cellCols, kCellValues - first);
      const size_t rowAt = static_cast<size_t>(penY + r) * width + penX;
      uint16_t* row = pixels + rowAt;
      const uint8_t* values = cell.data() + first;
      int end = 0;  // one past the last column written in this row
      for (int c = 0; c < cols; ++c) {
        const uint8_t v = values[c];
        if (translation ? v != 0 : v >= 2) {  // ROM pixel value 1 is background
          row[c] = v == 2 ? colours.romShade : colours.text;
          row[c + 1] = colours.shadow;
          end = c + 2;
        } else if (row[c] != colours.shadow) {
          row[c] = colours.background;  // a shadow is never cleared by background
          end = std::max(end, c + 1);
        }
      }
      if (end > 0) written = rowAt + static_cast<size_t>(end);
    }
    page.dirtyEnd = std::max(page.dirtyEnd, static_cast<uint32_t>(written));
    return;
  }
  for (int r = 0; r < cellRows; ++r) {
    for (int c = 0; c < cellCols; ++c) {
      const int index = r * cellCols + c;
      if (index >= kCellValues) break;  // a cell holds 256 values; larger cells draw their first 256
      const uint8_t v = cell[static_cast<size_t>(index)];
      const int x = penX + c;
      const size_t at = static_cast<size_t>(penY + r) * width + x;
      const bool inPage = pixels && x < width && at < kPagePixels;
      const bool ink = translation ? v != 0 : v >= 2;
      if (ink) {
        if (inPage) {
          pixels[at] = v == 2 ? colours.romShade : colours.text;
          if (x + 1 < width && at + 1 < kPagePixels) pixels[at + 1] = colours.shadow;
          page.dirtyEnd = std::max(page.dirtyEnd, static_cast<uint32_t>(std::min(at + 2, kPagePixels)));
        }
      } else if (inPage && pixels[at] != colours.shadow) {
        pixels[at] = colours.background;
        page.dirtyEnd = std::max(page.dirtyEnd, static_cast<uint32_t>(at + 1));
      }
    }
  }
}

void TmyForm::RenderGlyph(int cellRows, int cellCols) {
  const bool translation = Checked(MenuId::DTT);
  TextPage& page = gPages[static_cast<size_t>(gPage)];

  // Cell values past the decoded glyph read as zero, and a glyph the font does not hold is blank.
  if (translation) {
    gGlyphCell = TransMetrics().cells[static_cast<uint8_t>(gGlyph)];  // DecodeTransGlyph's cell
  } else {
    gGlyphCell.fill(0);
    if (gFONT && uint32_t{gGlyph} + kRomGlyphBytes <= gFONTSize) {
      const uint8_t* planes = gFONT.get() + gGlyph;
      for (int i = 0; i < 16; ++i)
        ExpandBits(std::span(gGlyphCell).subspan(8 * static_cast<size_t>(i), 8),
                   static_cast<uint16_t>(planes[2 * i] | planes[2 * i + 1] << 8), 8, 2);
    }
  }

  const uint16_t height = page.height ? page.height : kPageHeight;
  gPenY = static_cast<uint16_t>(gPenY % height);

  const GlyphColours colours{gPalette[gTextColour < gPalette.size() ? gTextColour : kPalText],
                             gPalette[kPalRomShade], gPalette[kPalShadow], gPalette[kPalBackground]};
  DrawGlyphCell(page, gGlyphCell, cellRows, cellCols, gPenX, gPenY, translation, colours);

  const int inkExtent = translation && cellRows == kTransCellRows && cellCols == kTransCellCols
                            ? TransMetrics().ink[static_cast<uint8_t>(gGlyph)]
                            : GlyphInkExtent(gGlyphCell, cellRows, cellCols, translation);
  gPenX = static_cast<uint16_t>(gPenX + GlyphAdvance(inkExtent, Checked(MenuId::UseVWFRoutine1)));
  if (translation) {
    if (gPenX >= gBoxMap.cols * kTileSize - kWrapMargin) {
      gPenX = 0;
      gPenY = static_cast<uint16_t>(gPenY + kTransLineHeight);
    }
  } else if (gPenX >= gLineWidth - kWrapMargin) {
    gPenX = 0;
    gPenY = static_cast<uint16_t>(gPenY + kRomLineHeight);
  }
}

void TmyForm::RenderString(int cellRows, int cellCols) {
  if (!gROM || !gWRAM || !gDataLoaded) return;
  if (gLineWidth == 0) {
    gLineWidth = kDefaultLineWidth;
    gGlyphH = kDefaultGlyphH;
    gGlyphW = kDefaultGlyphW;
    gWidthScale = kDefaultWidthScale;
    gFormatReserved = kDefaultReserved;
    return;
  }
  const int w = gBitmap.width, h = gBitmap.height;
  // A paint box laid out smaller than the boxes cannot show them: nothing is drawn.
  if (w < kMinBitmapW || h < kMinBitmapH || gBitmap.pixels.size() < static_cast<size_t>(w) * h || !gVideo ||
      !gPages[0].pixels || !gPages[1].pixels || !gTransText)
    return;

  const bool translation = Checked(MenuId::DTT);
  std::vector<uint16_t> glyphs;
  std::vector<uint8_t> romBoxKey;
  if (!translation) {
    glyphs = DecodeString();
    romBoxKey = RomBoxKey(glyphs, cellRows, cellCols);
  }
  // The ROM box drawn from the same inputs as last time: its page and box are as that pass left
  // them, and only put into the bitmap again.
  const bool kept = !translation && keepRomBox && romBoxDrawn.valid && romBoxDrawn.key == romBoxKey;
  if (kept) {
    KeepRomBox(!glyphs.empty());
    ++romBoxDrawn.kept;
  } else {
    DrawBox(translation, glyphs, cellRows, cellCols);
  }
  TextPage& page = gPages[static_cast<size_t>(gPage)];
  const int top = translation ? kTransBoxTop : kRomBoxTop;
  const int boxHeight = kBoxRows * kTileSize;
  page.top = static_cast<uint16_t>(top + kTileSize);
  const uint16_t height = page.height ? page.height : kPageHeight;
  TransTextDrawn& drawn = transTextDrawn;
  if (translation && TransRowsHeld(drawn, gBitmap, top, boxHeight, page.scroll)) {
    // Text drawn in place into a box whose rows of the bitmap hold what its last drawing put
    // there: only the rows showing page rows it changed are written again.
    for (int i = 0; i < kWindowRows; ++i) {
      const size_t row = (static_cast<size_t>(page.scroll) + i) % height;
      if (row < drawn.changedFirst || row >= drawn.changedEnd) continue;
      const int y = page.top + i;
      std::memcpy(gBitmap.scanLine(y), gVideo.get() + static_cast<size_t>(y) * w, static_cast<size_t>(w) * 2);
      CopyPixels(gBitmap.scanLine(y) + kWindowLeft, page.pixels.get() + row * page.width, page.width, true);
      drawn.rowStamps[static_cast<size_t>(y - top)] = gBitmap.markWritten(y, y);
    }
  } else if (!(kept && gBitmap.rowsHold(top, top + boxHeight - 1, romBoxDrawn.bitmapStamp))) {
    // A kept ROM box whose rows of the bitmap nothing wrote since its pass: they hold what it put
    // there, and are neither written again nor marked (the Video box need not look at them).
    BlitPixels(gBitmap.scanLine(top), gVideo.get() + static_cast<size_t>(top) * w, boxHeight, w, w);
    for (int i = 0; i < kWindowRows; ++i) {
      const size_t row = (static_cast<size_t>(page.scroll) + i) % height;
      CopyPixels(gBitmap.scanLine(page.top + i) + kWindowLeft, page.pixels.get() + row * page.width,
                 page.width, true);
    }
    const uint64_t stamp = gBitmap.markWritten(top, top + boxHeight - 1);
    if (!translation) romBoxDrawn.bitmapStamp = stamp;
    if (translation) {
      drawn.shown = true;
      drawn.scroll = page.scroll;
      drawn.rowStamps.assign(static_cast<size_t>(boxHeight), stamp);
    }
  }
  if (!translation && !kept) {
    romBoxDrawn.valid = true;
    romBoxDrawn.key = std::move(romBoxKey);
    CopyBoxMap(romBoxDrawn.boxMap, gBoxMap);
    romBoxDrawn.glyphCell = gGlyphCell;
    romBoxDrawn.penX = gPenX;
    romBoxDrawn.penY = gPenY;
    romBoxDrawn.glyph = gGlyph;
    romBoxDrawn.dirtyEnd = page.dirtyEnd;
  }
  ui.video().drawStretched(gBitmap);
}

void TmyForm::DrawBox(bool translation, const std::vector<uint16_t>& glyphs, int cellRows, int cellCols) {
  const int w = gBitmap.width, h = gBitmap.height;
  gPage = translation ? 1 : 0;
  TextPage& page = gPages[static_cast<size_t>(gPage)];
  std::vector<uint8_t> transKey;
  if (translation) transKey = TransTextKey(cellRows, cellCols);
  TransTextDrawn& drawn = transTextDrawn;
  const bool inPlace = translation && keepRomBox && drawn.valid && drawn.key == transKey;
  if (!inPlace) {
    // The first kPageClearPixels pixels are cleared; those never written since the last clear
    // are still zero.
    FillPixels(page.pixels.get(), 0, std::min<size_t>(page.dirtyEnd, kPageClearPixels));
    page.dirtyEnd = 0;
  }
  // Only BuildBoxMap writes a map's tiles, in its first kBoxRows rows: the rest are still zero.
  std::fill_n(gBoxMap.tiles.begin(), kBoxRows * 128, uint8_t{0});
  gBoxMap.rows = gBoxMap.cols = gBoxMap.curRow = gBoxMap.curCol = 0;
  gTextColour = kPalText;
  gGlyph = 0;
  gPenX = gPenY = 0;
  if (!translation) {
    // All of gVideo is cleared but the translation box's rectangle: only the translation's pass
    // writes there, every pixel of it, before putting its rows into the bitmap.
    const auto stride = static_cast<size_t>(w);
    const int boxW = kTransBoxCols * kTileSize, boxEnd = kTransBoxTop + kBoxRows * kTileSize;
    uint16_t* video = gVideo.get();
    FillPixels(video, 0, kTransBoxTop * stride);
    for (int y = kTransBoxTop; y < boxEnd; ++y) {
      FillPixels(video + y * stride, 0, kBoxLeft);
      FillPixels(video + y * stride + kBoxLeft + boxW, 0, stride - kBoxLeft - boxW);
    }
    FillPixels(video + boxEnd * stride, 0, static_cast<size_t>(h - boxEnd) * stride);
  }

  if (translation) {
    gBoxMap.cols = kTransBoxCols;
    page.width = kTransPageWidth;
    if (!inPlace) {
      drawn.key = std::move(transKey);
      drawn.valid = keepRomBox;
      drawn.glyphs.clear();
      drawn.text.clear();
    }
    DrawTransText(inPlace, cellRows, cellCols);
  } else {
    gLineWidth = kRomLineWidth;
    gBoxMap.cols = kRomBoxCols;
    page.width = kRomLineWidth;
    for (uint16_t offset : glyphs) {
      gGlyph = offset;
      RenderGlyph(cellRows, cellCols);
    }
  }

  BuildBoxMap(gBoxMap, gBoxMap.cols);
  const int top = translation ? kTransBoxTop : kRomBoxTop;
  page.top = static_cast<uint16_t>(top);
  BoxStyle style;
  if (Checked(MenuId::Red1)) style.colourShift = 11;
  if (Checked(MenuId::Green1)) style.colourShift = 5;
  style.solid = Checked(MenuId::Solid1);
  const size_t boxStart = static_cast<size_t>(top) * w + kBoxLeft;
  const std::span<uint16_t> box(gVideo.get() + boxStart, static_cast<size_t>(w) * h - boxStart);
  if (!translation) {
    DrawTextBox(box, gBoxMap, w, style);
    return;
  }
  // The translation box's map is always the same frame (kTransBoxCols x kBoxRows) and lies wholly
  // inside gVideo, so what DrawTextBox writes depends on the style alone.
  const int boxW = kTransBoxCols * kTileSize, boxH = kBoxRows * kTileSize;
  const size_t rowBytes = static_cast<size_t>(boxW) * sizeof(uint16_t);
  TransBoxDrawn& kept = transBoxDrawn;
  if (keepRomBox && kept.valid && kept.colourShift == style.colourShift && kept.solid == style.solid) {
    // Nothing but this pass writes the box's rectangle of gVideo: it may hold these pixels still.
    if (!(kept.inVideo && kept.video == gVideo.get() && kept.videoWidth == w))
      for (int y = 0; y < boxH; ++y)
        std::memcpy(box.data() + static_cast<size_t>(y) * w,
                    kept.pixels.data() + static_cast<size_t>(y) * boxW, rowBytes);
    kept.inVideo = true;
    kept.video = gVideo.get();
    kept.videoWidth = w;
    gBoxMap.curRow = static_cast<uint16_t>(boxH);  // where DrawTextBox leaves its place
    gBoxMap.curCol = 0;
    ++kept.kept;
    return;
  }
  DrawTextBox(box, gBoxMap, w, style);
  kept.pixels.resize(static_cast<size_t>(boxW) * boxH);
  for (int y = 0; y < boxH; ++y)
    std::memcpy(kept.pixels.data() + static_cast<size_t>(y) * boxW, box.data() + static_cast<size_t>(y) * w,
                rowBytes);
  kept.valid = true;
  kept.colourShift = style.colourShift;
  kept.solid = style.solid;
  kept.inVideo = true;
  kept.video = gVideo.get();
  kept.videoWidth = w;
}

std::vector<uint8_t> TmyForm::TransTextKey(int cellRows, int cellCols) const {
  std::vector<uint8_t> key;
  key.reserve(64);
  Put(key, gPages[1].pixels.get());
  Put(key, gPages[1].height);
  Put(key, cellRows);
  Put(key, cellCols);
  Put(key, Checked(MenuId::UseVWFRoutine1));
  // What the box's rows of the bitmap are drawn from besides the page.
  Put(key, gBitmap.pixels.data());
  Put(key, gVideo.get());
  Put(key, gBitmap.width);
  Put(key, gBitmap.height);
  for (MenuId item : {MenuId::Red1, MenuId::Green1, MenuId::Solid1}) Put(key, Checked(item));
  return key;
}

void TmyForm::DrawTransText(bool inPlace, int cellRows, int cellCols) {
  using Glyph = TransTextDrawn::Glyph;
  constexpr int kUnderRows = TransTextDrawn::kUnderRows, kUnderCols = TransTextDrawn::kUnderCols;
  constexpr size_t kUnderBytes = kUnderCols * sizeof(uint16_t);
  TextPage& page = gPages[1];
  TransTextDrawn& drawn = transTextDrawn;
  uint16_t* const pixels = page.pixels.get();
  const size_t width = page.width;
  // The string ends at 0xFF, or at the end of the buffer.
  const uint8_t* const text = gTransText.get();
  const auto* stop = static_cast<const uint8_t*>(std::memchr(text, kCodeEnd, kTransTextSize));
  const size_t length = stop ? static_cast<size_t>(stop - text) + 1 : kTransTextSize;

  uint32_t changedFirst = UINT32_MAX, changedEnd = 0;  // page rows
  const auto changed = [&](const Glyph& g) {
    changedFirst = std::min<uint32_t>(changedFirst, g.pageY);
    changedEnd = std::max<uint32_t>(changedEnd, g.pageY + kUnderRows);
  };
  size_t from = 0;  // the first byte drawn
  bool anyGlyph = false;
  if (inPlace) {
    // The glyphs from the first byte that differs on are taken back, the last first: the page is
    // then as the glyphs before them left it, and the pen as the last of those left it.
    const size_t common = std::min(length, drawn.text.size());
    const size_t same =
        static_cast<size_t>(std::mismatch(text, text + common, drawn.text.begin()).first - text);
    size_t keep = drawn.glyphs.size();
    while (keep > 0 && drawn.glyphs[keep - 1].index >= same) --keep;
    for (size_t i = drawn.glyphs.size(); i-- > keep;) {
      const Glyph& g = drawn.glyphs[i];
      for (int r = 0; r < kUnderRows; ++r)
        std::memcpy(pixels + (size_t{g.pageY} + r) * width + g.penX, g.under.data() + r * kUnderCols,
                    kUnderBytes);
      changed(g);
    }
    if (keep < drawn.glyphs.size()) page.dirtyEnd = drawn.glyphs[keep].dirtyBefore;
    if (keep > 0) {
      const Glyph& g = drawn.glyphs[keep - 1];
      from = g.index + 1;
      gPenX = g.afterX;
      gPenY = g.afterY;
      gGlyph = text[g.index];
      anyGlyph = true;
    }
    drawn.glyphs.resize(keep);
    ++drawn.kept;
  }

  // A glyph is recorded when it lies wholly inside the part of the page that a clear covers, and
  // while the record is not full; after one that is not, the next drawing is done afresh.
  bool record = drawn.valid && cellRows == kUnderRows && cellCols == kUnderCols - 1;
  const uint16_t height = page.height ? page.height : kPageHeight;
  for (size_t i = from; i < length; ++i) {
    const uint8_t b = text[i];
    if (b == kCodeEnd) break;
    if (b == kCodeNewLine) {
      gPenX = 0;
      gPenY = static_cast<uint16_t>(gPenY + kTransLineHeight);
      continue;
    }
    gGlyph = b;
    anyGlyph = true;
    Glyph* g = nullptr;
    if (record) {
      const auto y = static_cast<uint16_t>(gPenY % height);
      const size_t last = (size_t{y} + kUnderRows - 1) * width + gPenX + kUnderCols - 1;
      if (gPenX + kUnderCols <= static_cast<int>(width) && last < kPageClearPixels &&
          drawn.glyphs.size() < TransTextDrawn::kMaxGlyphs) {
        g = &drawn.glyphs.emplace_back();
        g->index = static_cast<uint32_t>(i);
        g->penX = gPenX;
        g->pageY = y;
        g->dirtyBefore = page.dirtyEnd;
        for (int r = 0; r < kUnderRows; ++r)
          std::memcpy(g->under.data() + r * kUnderCols, pixels + (size_t{y} + r) * width + gPenX,
                      kUnderBytes);
      } else {
        record = false;
      }
    }
    RenderGlyph(cellRows, cellCols);
    if (g) {
      g->afterX = gPenX;
      g->afterY = gPenY;
      changed(*g);
    }
  }
  gTextSrc = text + length;
  if (anyGlyph) gGlyphCell = TransMetrics().cells[static_cast<uint8_t>(gGlyph)];  // as RenderGlyph leaves it
  drawn.valid = record;
  drawn.inPlace = inPlace;
  drawn.text.assign(text, text + length);
  drawn.changedFirst = changedFirst;
  drawn.changedEnd = changedEnd;
}

std::vector<uint8_t> TmyForm::RomBoxKey(const std::vector<uint16_t>& glyphs, int cellRows,
                                        int cellCols) const {
  std::vector<uint8_t> key;
  key.reserve(64 + glyphs.size() * (sizeof(uint16_t) + 1 + kRomGlyphBytes));
  Put(key, gBitmap.pixels.data());  // the buffers drawn into: a new one is blank
  Put(key, gVideo.get());
  Put(key, gPages[0].pixels.get());
  Put(key, gBitmap.width);
  Put(key, gBitmap.height);
  Put(key, cellRows);
  Put(key, cellCols);
  for (MenuId item : {MenuId::UseVWFRoutine1, MenuId::Red1, MenuId::Green1, MenuId::Solid1})
    Put(key, Checked(item));
  Put(key, gPages[0].scroll);
  Put(key, gPages[0].height);
  Put(key, glyphs.size());
  for (uint16_t offset : glyphs) {
    Put(key, offset);
    const bool inFont = gFONT && uint32_t{offset} + kRomGlyphBytes <= gFONTSize;
    Put(key, inFont);
    if (inFont) key.insert(key.end(), gFONT.get() + offset, gFONT.get() + offset + kRomGlyphBytes);
  }
  return key;
}

void TmyForm::KeepRomBox(bool anyGlyph) {
  // The ROM page and the box's rows of gVideo are as the pass left them; the renderer's state is
  // put back as it left it.
  gPage = 0;
  TextPage& page = gPages[0];
  page.width = kRomLineWidth;
  page.dirtyEnd = romBoxDrawn.dirtyEnd;
  gLineWidth = kRomLineWidth;
  CopyBoxMap(gBoxMap, romBoxDrawn.boxMap);
  if (anyGlyph) gGlyphCell = romBoxDrawn.glyphCell;
  gTextColour = kPalText;
  gGlyph = romBoxDrawn.glyph;
  gPenX = romBoxDrawn.penX;
  gPenY = romBoxDrawn.penY;
  // The pass leaves gVideo clear around its box but for the translation box's rectangle, and
  // since then only the translation's pass can have written there.
}

void TmyForm::VideoPaint() {
  if (gROM) ui.video().drawStretched(gBitmap);
}

}  // namespace ts2
