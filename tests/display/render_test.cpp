#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <tuple>

#include "display/render.h"
#include "display_fixture.h"

namespace ts2 {
namespace {

using test::Glyph;
using test::SolidGlyph;

constexpr uint32_t kTable = 0x2000, kBank = 0x10000;
constexpr uint16_t kWhite = 0xFFFF, kShadow = 0x10A2, kShade = 0xAAA0, kBlue = 0x001F;
constexpr uint16_t kK = 0x0000, kD = 0x8430, kL = 0xE73C;

// Glyphs: 0 blank, 1 full ink (value 3), 2 ink in column 0 only, 3 ink in column 7 only,
// 4 pixel value 2 everywhere, 5 pixel value 1 everywhere.
std::vector<Glyph> TestFont() {
  return {SolidGlyph(0, 0), SolidGlyph(0xFF, 0xFF), SolidGlyph(0x80, 0x80),
          SolidGlyph(1, 1), SolidGlyph(0, 0xFF),    SolidGlyph(0xFF, 0)};
}

// Block 0 of strings of one-byte characters, string i at bank offset 0x100 + 0x20 i.
std::vector<uint8_t> RomWithStrings(const std::vector<std::vector<uint8_t>>& strings) {
  std::vector<uint8_t> rom(0x20000, 0);
  for (size_t i = 0; i < strings.size(); ++i) {
    const size_t at = 0x100 + 0x20 * i;
    rom[kTable + 2 * i] = static_cast<uint8_t>(at);
    rom[kTable + 2 * i + 1] = static_cast<uint8_t>(at >> 8);
    rom[kBank + at] = static_cast<uint8_t>(strings[i].size() - 1);
    std::copy(strings[i].begin(), strings[i].end(), rom.begin() + kBank + at + 1);
  }
  return rom;
}

class RenderTest : public test::DisplayTest {
 protected:
  // String 0 of block 0: one-byte characters `codes`.
  void ShowRom(const std::vector<uint8_t>& codes) {
    LoadRom(RomWithStrings({codes}));
    SetFont(TestFont());
    if (p.ui.pList.count() == 0) SetBlock(kTable, kBank, 1);
    f.gCurString = 0;
    f.SetChecked(MenuId::DTT, false);
    f.RenderString(16, 8);
  }
  // The translation drawn from `bytes` (0xFF added).
  void ShowTranslation(std::vector<uint8_t> bytes) {
    if (!f.gROM) ShowRom({0});
    bytes.push_back(0xFF);
    std::copy(bytes.begin(), bytes.end(), f.gTransText.get());
    f.SetChecked(MenuId::DTT, true);
    f.RenderString(16, 8);
    f.SetChecked(MenuId::DTT, false);
  }
};

struct Point {
  int x, y;
  uint16_t colour;
};

TEST_F(RenderTest, BoxTilesAndGradientAsTabled) {
  ShowTranslation({});  // both boxes
  const Point points[] = {
      // Top-left tile, rows 0, 1 and 3: KDDDDDDD, DDLLLLLL, DLDDKKKK.
      {8, 8, kK},
      {9, 8, kD},
      {9, 9, kD},
      {10, 9, kL},
      {12, 11, kK},
      // Top-right tile (columns 280-287), row 0: DDDDDDKK.
      {285, 8, kD},
      {286, 8, kK},
      {287, 8, kK},
      // Sides: DLDK.... and ....DLDK.
      {9, 60, kL},
      {11, 60, kK},
      {284, 60, kD},
      {285, 60, kL},
      // Bottom tiles (rows 112-119): left row 3 DLDDK..., right row 4 DDDDLLDK, row 5 all L,
      // the last row black.
      {11, 115, kD},
      {12, 115, kK},
      {284, 116, kL},
      {286, 116, kD},
      {287, 116, kK},
      {150, 117, kL},
      {150, 119, kK},
      // Nothing outside the box.
      {288, 50, 0},
      {4, 50, 0},
      // The translation box spans columns 8-239 on rows 136-247.
      {8, 136, kK},
      {237, 136, kD},
      {238, 136, kK},
      {239, 247, kK},
      {240, 200, 0},
      // The gradient steps every three box rows from level 31 down to black (row 3 of the top
      // tile is K, so look from row 4); key pixels of the border tiles take the fill too.
      {100, 8 + 4, 30},
      {100, 8 + 5, 30},
      {100, 8 + 6, 29},
      {100, 8 + 50, 31 - 50 / 3},
      {100, 8 + 92, 1},
      {100, 8 + 93, 0},
      {100, 8 + 103, 0},
      {12, 12, 30}};
  for (const Point& pt : points) EXPECT_EQ(Px(pt.x, pt.y), pt.colour) << pt.x << "," << pt.y;
}

TEST_F(RenderTest, ColourAndFillFollowTheMenu) {
  struct Case {
    MenuId colour, fill;
    uint16_t top, middle;  // at box rows 4 and 50
  } cases[] = {
      {MenuId::Blue1, MenuId::Solid1, 0x001F, 0x001F},
      {MenuId::Green1, MenuId::Gradient1, 30 << 5, (31 - 50 / 3) << 5},
      {MenuId::Red1, MenuId::Solid1, 0xF800, 0xF800},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(MenuInfo(c.colour).name) + " " + std::string(MenuInfo(c.fill).name));
    f.SetChecked(c.colour, true);
    f.SetChecked(c.fill, true);
    ShowRom({0});
    EXPECT_EQ(Px(100, 8 + 4), c.top);
    EXPECT_EQ(Px(100, 8 + 50), c.middle);
  }
}

TEST_F(RenderTest, RomGlyphPixelsShadowAndTransparency) {
  f.SetChecked(MenuId::Solid1, true);
  ShowRom({1, 0, 2, 4, 5});
  const Point points[] = {
      // Glyph 1 at page columns 0-7 in the text colour; its shadow at column 8 survives the
      // blank glyph drawn there next, since background never clears a shadow; the page's
      // background is transparent and the box shows.
      {16, 16, kWhite},
      {23, 31, kWhite},
      {24, 16, kShadow},
      {25, 16, kBlue},
      // Glyph 2 at 16-23: ink in column 0 only, its shadow right of it.
      {32, 20, kWhite},
      {33, 20, kShadow},
      {34, 20, kBlue},
      // Glyph 4 (pixel value 2) in the shade colour; glyph 5 (value 1) counts as background.
      {16 + 24 + 3, 20, kShade},
      {16 + 32 + 3, 20, kBlue},
      // Below the glyph rows the page is empty.
      {16, 32, kBlue}};
  for (const Point& pt : points) EXPECT_EQ(Px(pt.x, pt.y), pt.colour) << pt.x << "," << pt.y;
}

TEST_F(RenderTest, AdvanceAndWrap) {
  const struct {
    bool translation, vwf;
    std::vector<uint8_t> codes;
    int penX, penY;
  } cases[] = {
      {false, false, std::vector<uint8_t>(32, 1), 256, 0},  // fixed width: 32 x 8 = 256 < 264
      // Variable width: the ink's columns + 2; a blank glyph 6 (pixel value 1 is no ink).
      {false, true, {0}, 6, 0},
      {false, true, {2}, 3, 0},
      {false, true, {5}, 6, 0},
      // Full glyphs advance 9: the 30th reaches 270 >= 264 and the 31st starts a 32-row line.
      {false, true, std::vector<uint8_t>(31, 1), 9, 32},
      // Translation: A is four pixels wide (advance 5), blanks advance 6; fixed width holds
      // 27 characters a line and puts the 28th on the next one, 16 rows lower.
      {true, true, {'A'}, 5, 0},
      {true, true, {' ', 0x00, 0xFD}, 18, 0},
      {true, false, std::vector<uint8_t>(28, 'A'), 8, 16},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.codes.size() << " codes, first " << int(c.codes[0]));
    f.SetChecked(MenuId::UseVWFRoutine1, c.vwf);
    c.translation ? ShowTranslation(c.codes) : ShowRom(c.codes);
    EXPECT_EQ(f.gPenX, c.penX);
    EXPECT_EQ(f.gPenY, c.penY);
  }
  // The wrapped glyphs are drawn where the pen went.
  EXPECT_EQ(PagePx(1, 26 * 8 + 1, 2), kWhite);
  EXPECT_EQ(Px(16 + 1, 144 + 16 + 2), kWhite);
  f.SetChecked(MenuId::UseVWFRoutine1, true);
  ShowRom(std::vector<uint8_t>(31, 1));
  EXPECT_EQ(Px(16, 16 + 32), kWhite);
}

TEST_F(RenderTest, TranslationGlyphsLineBreaksAndPageWrap) {
  ShowTranslation({'A', 0xFE, 'A'});
  // The A's rows 00 00 60 90 ...: columns 1-2 on row 2, its shadow at column 3; the page
  // window starts at bitmap column 16, row 144.
  const Point points[] = {
      {16, 146, 31 - 10 / 3}, {17, 146, kWhite}, {19, 146, kShadow}, {20, 147, kShadow}, {17, 162, kWhite}};
  for (const Point& pt : points) EXPECT_EQ(Px(pt.x, pt.y), pt.colour) << pt.x << "," << pt.y;
  // A 49th line (page row 768) wraps to row 0 and draws over the first line: the B's top row
  // ###. lands on the A's .##.
  std::vector<uint8_t> bytes = {'A'};
  bytes.insert(bytes.end(), 48, 0xFE);
  bytes.push_back('B');
  ShowTranslation(bytes);
  EXPECT_EQ(f.gPenY, 0);
  EXPECT_EQ(PagePx(1, 0, 2), kWhite);
}

TEST_F(RenderTest, ScrollPicksThePageWindow) {
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 10; ++i) bytes.insert(bytes.end(), {'A', 0xFE});
  ShowTranslation(bytes);
  f.gPages[1].scroll = 16 * 8;  // line 8 at the top of the window
  ShowTranslation(bytes);
  EXPECT_EQ(Px(17, 146), kWhite);
  EXPECT_EQ(Px(17, 146 + 16), kWhite);
  EXPECT_EQ(Px(17, 146 + 32), 31 - 42 / 3);  // line 10 is empty: the gradient shows (box row 42)
}

TEST_F(RenderTest, EachRenderRewritesOnlyItsOwnBox) {
  ShowTranslation({'A'});
  ShowRom({1});
  EXPECT_EQ(Px(17, 146), kWhite);  // the lower box keeps its drawing
  EXPECT_EQ(p.ui.videoBox.shown.pixels, f.gBitmap.pixels);
}

TEST_F(RenderTest, OddCellsAndFontsStayInsideTheirBuffers) {
  // A 16 x 16 cell scans the decoded rows side by side, the cell's unused half as zero.
  ShowRom({1});
  f.RenderString(16, 16);
  EXPECT_EQ(PagePx(0, 15, 7), kWhite);
  EXPECT_EQ(PagePx(0, 0, 8), 0);
  // A cell of more than 256 values draws its first 256 only: one 255-pixel row (the 128
  // decoded values, then zeros) and one pixel of the next.
  f.RenderString(255, 255);
  EXPECT_EQ(PagePx(0, 127, 0), kWhite);
  EXPECT_EQ(PagePx(0, 200, 0), 0);
  EXPECT_EQ(PagePx(0, 0, 1), 0);
  // A glyph past the end of the font is blank (advance 6 with variable width).
  f.SetChecked(MenuId::UseVWFRoutine1, true);
  ShowRom({200});
  EXPECT_EQ(f.gPenX, 6);
  EXPECT_EQ(PagePx(0, 0, 8), 0);
}

TEST_F(RenderTest, DrawsNothingWithoutADataFileOrIntoASmallBitmap) {
  ShowRom({1});
  const int draws = Draws();
  f.gDataLoaded = 0;
  f.RenderString(16, 8);
  f.gDataLoaded = 1;
  f.gBitmap.width = 295;
  f.gBitmap.pixels.assign(295 * 256, 0x1234);
  f.RenderString(16, 8);
  ShowTranslation({'A'});
  EXPECT_EQ(Draws(), draws);
  EXPECT_TRUE(
      std::all_of(f.gBitmap.pixels.begin(), f.gBitmap.pixels.end(), [](uint16_t v) { return v == 0x1234; }));
}

// ---- pixel runs against their plain rule, pixel by pixel ----

TEST(PixelRunTest, TransparentCopyLeavesWhatTheSourceDoesNotCover) {
  std::mt19937 rng(5);
  for (size_t count : {0, 1, 15, 16, 17, 31, 232, 280, 1000}) {
    SCOPED_TRACE(count);
    std::vector<uint16_t> src(count), dest(count);
    for (size_t i = 0; i < count; ++i) {
      src[i] = rng() % 3 == 0 ? kTransparent : static_cast<uint16_t>(rng());
      dest[i] = static_cast<uint16_t>(rng());
    }
    std::vector<uint16_t> expected = dest;
    for (size_t i = 0; i < count; ++i)
      if (src[i] != kTransparent) expected[i] = src[i];
    CopyPixels(dest.data(), src.data(), count, true);
    EXPECT_EQ(dest, expected);
  }
}

// A glyph's cell drawn pixel by pixel, every pixel checked against the page's bounds.
void PlainGlyphCell(TextPage& page, const GlyphCell& cell, int cellRows, int cellCols, int penX, int penY,
                    bool translation, const GlyphColours& colours) {
  const size_t size = kPageBytes / 2;
  for (int r = 0; r < cellRows; ++r)
    for (int c = 0; c < cellCols && r * cellCols + c < kCellValues; ++c) {
      const uint8_t v = cell[static_cast<size_t>(r * cellCols + c)];
      const int x = penX + c;
      const size_t at = static_cast<size_t>(penY + r) * page.width + x;
      if (x >= page.width || at >= size) continue;
      uint16_t& pixel = page.pixels[at];
      if (translation ? v != 0 : v >= 2) {
        pixel = v == 2 ? colours.romShade : colours.text;
        if (x + 1 < page.width && at + 1 < size) page.pixels[at + 1] = colours.shadow;
        page.dirtyEnd = std::max<uint32_t>(page.dirtyEnd, static_cast<uint32_t>(std::min(at + 2, size)));
      } else if (pixel != colours.shadow) {
        pixel = colours.background;
        page.dirtyEnd = std::max<uint32_t>(page.dirtyEnd, static_cast<uint32_t>(at + 1));
      }
    }
}

// Random cells at random places, near the page's right edge and end too, over pages holding
// shadows: what DrawGlyphCell leaves is what the plain pixel-by-pixel drawing leaves.
TEST(PixelRunTest, GlyphCellIsDrawnAsPixelByPixel) {
  std::mt19937 rng(11);
  const GlyphColours colours{0x7FFF, 0x4210, 0x0421, 0x0000};
  const size_t size = kPageBytes / 2;
  TextPage fast, plain;
  fast.pixels = ZeroBuffer<uint16_t>(size);
  plain.pixels = ZeroBuffer<uint16_t>(size);
  const std::pair<int, int> cells[] = {{16, 8}, {16, 16}, {255, 255}, {1, 300},
                                       {0, 8},  {8, 0},   {32, 8},    {3, 5}};
  for (int trial = 0; trial < 400; ++trial) {
    SCOPED_TRACE(trial);
    const auto [cellRows, cellCols] = cells[rng() % std::size(cells)];
    const bool translation = rng() % 2;
    const int width = rng() % 2 ? 232 : 280;
    GlyphCell cell;
    for (uint8_t& v : cell) v = static_cast<uint8_t>(rng() % 4);
    const int penX = rng() % 4 == 0 ? width - static_cast<int>(rng() % 12) : static_cast<int>(rng() % width);
    const int lastRow = static_cast<int>(size) / width;
    const int penY =
        rng() % 4 == 0 ? lastRow - static_cast<int>(rng() % 20) : static_cast<int>(rng() % lastRow);
    const size_t from = std::min(size - 1, static_cast<size_t>(penY) * width);
    for (size_t i = from; i < std::min(size, from + 40 * static_cast<size_t>(width)); ++i)
      fast.pixels[i] = plain.pixels[i] = rng() % 3 == 0 ? colours.shadow : static_cast<uint16_t>(rng());
    fast.width = plain.width = static_cast<uint16_t>(width);
    fast.dirtyEnd = plain.dirtyEnd = static_cast<uint32_t>(rng() % 2 ? 0 : rng() % size);
    DrawGlyphCell(fast, cell, cellRows, cellCols, penX, penY, translation, colours);
    PlainGlyphCell(plain, cell, cellRows, cellCols, penX, penY, translation, colours);
    ASSERT_EQ(fast.dirtyEnd, plain.dirtyEnd);
    ASSERT_TRUE(std::equal(fast.pixels.get(), fast.pixels.get() + size, plain.pixels.get()));
  }
}

// The renderer copies translation glyphs decoded once: each leaves the cell DecodeTransGlyph
// gives and advances the pen by that cell's measured ink.
TEST_F(RenderTest, TranslationGlyphsAreTheirDecodedCells) {
  for (bool variable : {false, true}) {
    f.SetChecked(MenuId::UseVWFRoutine1, variable);
    for (int code = 0; code < 0xFE; ++code) {
      SCOPED_TRACE(code);
      ShowTranslation({static_cast<uint8_t>(code)});
      GlyphCell cell;
      DecodeTransGlyph(static_cast<uint8_t>(code), cell);
      ASSERT_EQ(f.gGlyphCell, cell);
      ASSERT_EQ(f.gPenX, GlyphAdvance(GlyphInkExtent(cell, 16, 8, true), variable));
    }
  }
}

TEST(PixelRunTest, BoxIsItsTilesWithTheKeyColouredRowByRow) {
  std::mt19937 rng(6);
  const struct {
    int cols, stride, rows;  // rows of destination: fewer than the box's clip it
    BoxStyle style;
  } cases[] = {{35, 320, 112, {}}, {29, 320, 112, {5, false}}, {3, 30, 112, {11, true}}, {35, 300, 60, {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.cols << " columns, stride " << c.stride << ", " << c.rows
                                    << " rows");
    BoxMap map;
    map.rows = 14;
    map.cols = static_cast<uint16_t>(c.cols);
    for (uint8_t& t : map.tiles) t = static_cast<uint8_t>(rng());
    std::vector<uint16_t> dest(static_cast<size_t>(c.stride) * c.rows), expected;
    for (uint16_t& p : dest) p = static_cast<uint16_t>(rng());
    expected = dest;
    // Plainly: every tile that fits copied pixel by pixel, then the key replaced row by row.
    for (int r = 0; r < map.rows; ++r)
      for (int col = 0; col < c.cols; ++col) {
        int t = map.tiles[static_cast<size_t>(r) * 128 + col] & 0x0F;
        if (t >= kBoxTileCount) t = 0;
        const int x0 = col * kTileSize, y0 = r * kTileSize;
        if (x0 + kTileSize > c.stride ||
            static_cast<size_t>(y0 + kTileSize - 1) * c.stride + x0 + kTileSize > dest.size())
          continue;
        for (int y = 0; y < kTileSize; ++y)
          for (int x = 0; x < kTileSize; ++x)
            expected[static_cast<size_t>(y0 + y) * c.stride + x0 + x] = gBoxTiles[t * 64 + y * kTileSize + x];
      }
    const int width = c.cols * kTileSize, step = map.rows * kTileSize / 31;
    for (int y = 0; y < map.rows * kTileSize; ++y) {
      if (width > c.stride || static_cast<size_t>(y) * c.stride + width > dest.size()) continue;
      const int level = std::max(0, 31 - y / step);
      const uint16_t fill = static_cast<uint16_t>((c.style.solid ? 31 : level) << c.style.colourShift);
      for (int x = 0; x < width; ++x) {
        uint16_t& p = expected[static_cast<size_t>(y) * c.stride + x];
        if (p == kBoxKey) p = fill;
      }
    }
    DrawTextBox(dest, map, c.stride, c.style);
    EXPECT_EQ(dest, expected);
  }
}

// ---- the ROM box kept while what it is drawn from stays ----

// One program as a side of the comparison: block 0 of two strings, the test font.
struct Side : test::DisplayTest {
  explicit Side(bool keep) {
    LoadRom(RomWithStrings({{1, 0, 2, 4}, std::vector<uint8_t>(31, 2)}));  // the second wraps
    SetFont(TestFont());
    SetBlock(kTable, kBank, 2);
    f.keepRomBox = keep;
  }
  void TestBody() override {}
  // The string display's two passes (the translation's only when a section was found).
  void Show(int cellRows, int cellCols, bool translation) {
    f.SetChecked(MenuId::DTT, false);
    f.RenderString(cellRows, cellCols);
    if (!translation) return;
    f.SetChecked(MenuId::DTT, true);
    f.RenderString(16, 8);
    f.SetChecked(MenuId::DTT, false);
  }
  using DisplayTest::f;
  using DisplayTest::p;
};

// Everything the renderer leaves behind, buffers and state.
void ExpectSameDrawing(Side& kept, Side& fresh) {
  TmyForm &a = kept.f, &b = fresh.f;
  const auto same = [](const uint16_t* x, const uint16_t* y, size_t n) { return std::equal(x, x + n, y); };
  EXPECT_EQ(a.gBitmap.pixels, b.gBitmap.pixels);
  EXPECT_TRUE(same(a.gVideo.get(), b.gVideo.get(), a.gBitmap.pixels.size()));
  for (size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(testing::Message() << "page " << i);
    const TextPage &x = a.gPages[i], &y = b.gPages[i];
    EXPECT_TRUE(same(x.pixels.get(), y.pixels.get(), kPageBytes / 2));
    EXPECT_EQ(std::tie(x.dirtyEnd, x.top, x.width, x.scroll), std::tie(y.dirtyEnd, y.top, y.width, y.scroll));
  }
  EXPECT_EQ(a.gBoxMap.tiles, b.gBoxMap.tiles);
  EXPECT_EQ(std::tie(a.gBoxMap.rows, a.gBoxMap.cols, a.gBoxMap.curRow, a.gBoxMap.curCol),
            std::tie(b.gBoxMap.rows, b.gBoxMap.cols, b.gBoxMap.curRow, b.gBoxMap.curCol));
  EXPECT_EQ(a.gGlyphCell, b.gGlyphCell);
  EXPECT_EQ(std::tie(a.gPenX, a.gPenY, a.gGlyph, a.gPage, a.gLineWidth, a.gTextColour, a.gStringPtr),
            std::tie(b.gPenX, b.gPenY, b.gGlyph, b.gPage, b.gLineWidth, b.gTextColour, b.gStringPtr));
  const auto source = [](const TmyForm& f) {  // where the last pass stopped reading
    const bool translation =
        f.gTextSrc >= f.gTransText.get() && f.gTextSrc <= f.gTransText.get() + kTransTextSize;
    return std::pair(translation, f.gTextSrc - (translation ? f.gTransText.get() : f.gROM));
  };
  EXPECT_EQ(source(a), source(b));
  EXPECT_EQ(kept.p.ui.videoBox.shown.pixels, fresh.p.ui.videoBox.shown.pixels);
  EXPECT_EQ(kept.p.ui.videoBox.drawCount, fresh.p.ui.videoBox.drawCount);
}

// Each step changes both programs alike, then both show the string; one keeps the ROM box while
// its inputs stay, the other draws it afresh. After every step they hold the same drawing.
TEST(RomBoxTest, AKeptBoxIsWhatAFreshDrawingGives) {
  Side kept(true), fresh(false);
  struct Step {
    const char* what;
    std::function<void(TmyForm&)> change;
    bool keeps = true;  // the kept side reuses its box
    bool translation = true;
    int cellRows = 16, cellCols = 8;
  };
  const auto trans = [](std::vector<uint8_t> bytes) {
    return [bytes](TmyForm& f) {
      std::copy(bytes.begin(), bytes.end(), f.gTransText.get());
      f.gTransText[bytes.size()] = 0xFF;
    };
  };
  const auto check = [](MenuId item, bool on) { return [item, on](TmyForm& f) { f.SetChecked(item, on); }; };
  const auto none = [](TmyForm&) {};
  const Step steps[] = {
      {"first drawing", none, false},
      {"the same again", none},
      {"a translation typed", trans({'A', 'B'})},
      {"a longer one", trans({'A', 'B', 0xFE, 'C', 'D', 'E'})},
      {"no section found: the ROM box alone", none, true, false},
      {"a section again", trans({'A'})},
      {"a byte of the string in the ROM", [](TmyForm& f) { f.gROM[kBank + 0x101] = 2; }, false},
      {"a font byte the string reads", [](TmyForm& f) { f.gFONT[32 * 2 + 5] ^= 0xFF; }, false},
      {"a font byte it does not read", [](TmyForm& f) { f.gFONT[32 * 5 + 1] ^= 0xFF; }},
      {"the font cut before its glyphs", [](TmyForm& f) { f.gFONTSize = 32 * 2; }, false},
      {"the whole font back", [](TmyForm& f) { f.gFONTSize = 32 * 6; }, false},
      {"another string, which wraps", [](TmyForm& f) { f.gCurString = 1; }, false},
      {"typing in it", trans({'x'})},
      {"the ROM page scrolled", [](TmyForm& f) { f.gPages[0].scroll = 32; }, false},
      {"the translation page scrolled", [](TmyForm& f) { f.gPages[1].scroll = 16; }},
      {"variable width", check(MenuId::UseVWFRoutine1, true), false},
      {"red", check(MenuId::Red1, true), false},
      {"green", check(MenuId::Green1, true), false},
      {"solid", check(MenuId::Solid1, true), false},
      {"gradient", check(MenuId::Gradient1, true), false},
      {"a 16 x 16 cell", none, false, true, 16, 16},
      {"a cell of more than 256 values", none, false, true, 255, 255},
      {"the cell back", none, false},
      {"the first string again", [](TmyForm& f) { f.gCurString = 0; }, false},
      {"a new bitmap", [](TmyForm& f) { f.gBitmap.pixels = std::vector<uint16_t>(f.gBitmap.pixels.size()); },
       false},
      {"typing after it", trans({'y', 'z'})},
      {"the boxes' rows of the bitmap written over (and marked, as every writer of it does)",
       [](TmyForm& f) {
         std::fill(f.gBitmap.pixels.begin(), f.gBitmap.pixels.end(), uint16_t{0x1234});
         f.gBitmap.markWritten(0, f.gBitmap.height - 1);
       }},
      {"typing after that", trans({'w'})},
      {"one row of the ROM box written over",
       [](TmyForm& f) {
         f.gBitmap.scanLine(60)[100] ^= 0x5555;
         f.gBitmap.markWritten(60, 60);
       }},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    const uint64_t keptBefore = kept.f.romBoxDrawn.kept;
    for (Side* side : {&kept, &fresh}) {
      step.change(side->f);
      side->Show(step.cellRows, step.cellCols, step.translation);
    }
    EXPECT_EQ(kept.f.romBoxDrawn.kept - keptBefore, step.keeps ? 1u : 0u);
    EXPECT_EQ(fresh.f.romBoxDrawn.kept, 0u);
    EXPECT_EQ(fresh.f.transBoxDrawn.kept, 0u);
    ExpectSameDrawing(kept, fresh);
  }
  // The translation box's frame and fill were copied in on every translation drawn in a style
  // seen just before (the same comparison covers them).
  EXPECT_GT(kept.f.transBoxDrawn.kept, 15u);
}

// Typed text is drawn in place: the glyphs from the first changed byte on are taken back and the
// text drawn from there, and only the bitmap rows showing changed page rows are written. Through
// random edits (inserts, deletions, new lines, text that wraps around the page), scrolling, other
// options and other writers of the bitmap, the two sides hold the same drawing after every step.
TEST(TransTextTest, TextDrawnInPlaceIsWhatAFreshDrawingGives) {
  Side kept(true), fresh(false);
  std::mt19937 rng(11);
  std::vector<uint8_t> text = {'A', 'b', ' ', 'c'};
  const std::vector<uint8_t> alphabet = {'A', 'i', 'W', 'm', '.', ' ', '\'', 0x00, 0x7F, 0xC3, 0xFE};
  const auto pick = [&] { return alphabet[rng() % alphabet.size()]; };
  uint64_t inPlaceBefore = 0;
  for (int step = 0; step < 400; ++step) {
    SCOPED_TRACE(testing::Message() << "step " << step << ", " << text.size() << " bytes");
    std::function<void(TmyForm&)> change = [](TmyForm&) {};
    bool translation = true;
    int cellCols = 8;
    const size_t at = rng() % (text.size() + 1);
    switch (step % 100 == 50 ? 99 : rng() % 24) {
      case 99:  // more glyphs than are recorded: drawn afresh
        text.assign(TransTextDrawn::kMaxGlyphs + 10, 'i');
        break;
      case 0: {  // a long text: lines past the page's height wrap to its top
        text.clear();
        for (int n = static_cast<int>(600 + rng() % 900); n-- > 0;)
          text.push_back(rng() % 30 == 0 ? 0xFE : pick());
        break;
      }
      case 1: text.clear(); break;
      case 2:
        text.erase(text.begin() + static_cast<ptrdiff_t>(at),
                   text.begin() + static_cast<ptrdiff_t>(std::min(text.size(), at + rng() % 40)));
        break;
      case 3:
        change = [v = static_cast<uint16_t>(rng() % 5 * 16)](TmyForm& f) { f.gPages[1].scroll = v; };
        break;
      case 4: {
        const MenuId item = std::array{MenuId::UseVWFRoutine1, MenuId::Red1, MenuId::Solid1}[rng() % 3];
        change = [item](TmyForm& f) { f.SetChecked(item, !f.Checked(item)); };
        break;
      }
      case 5:
        translation = false;  // no section found: the ROM box alone
        break;
      case 6:
        cellCols = 16;  // the ROM box in another cell
        break;
      case 7:
        change = [](TmyForm& f) {  // the boxes' rows written over by another writer
          std::fill(f.gBitmap.pixels.begin(), f.gBitmap.pixels.end(), uint16_t{0x1234});
          f.gBitmap.markWritten(0, f.gBitmap.height - 1);
        };
        break;
      case 8:
        change = [y = static_cast<int>(140 + rng() % 100)](TmyForm& f) {  // one row of the box
          f.gBitmap.scanLine(y)[50] ^= 0x5555;
          f.gBitmap.markWritten(y, y);
        };
        break;
      case 9: text.push_back(0xFE); break;
      case 10:
        if (!text.empty()) text.pop_back();
        break;
      default:  // typing
        if (rng() % 3 == 0 && at < text.size())
          text[at] = pick();
        else
          text.insert(text.begin() + static_cast<ptrdiff_t>(rng() % 2 ? text.size() : at), pick());
    }
    for (Side* side : {&kept, &fresh}) {
      change(side->f);
      std::copy(text.begin(), text.end(), side->f.gTransText.get());
      side->f.gTransText[text.size()] = 0xFF;
      side->Show(16, cellCols, translation);
    }
    ExpectSameDrawing(kept, fresh);
    EXPECT_LE(kept.f.transTextDrawn.glyphs.size(), TransTextDrawn::kMaxGlyphs);  // the record's bound
    if (HasFailure()) return;
    inPlaceBefore = kept.f.transTextDrawn.kept;
  }
  EXPECT_EQ(fresh.f.transTextDrawn.kept, 0u);
  EXPECT_GT(inPlaceBefore, 200u);  // most drawings were done in place
}
}  // namespace
}  // namespace ts2
