#include <gtest/gtest.h>

#include <numeric>

#include "display/ascii_font.h"
#include "display/render.h"
#include "display_fixture.h"

namespace ts2 {
namespace {

using test::Glyph;
using test::SolidGlyph;

constexpr uint32_t kTable = 0x2000, kBank = 0x10000;
constexpr uint16_t kWhite = 0xFFFF, kShadow = 0x10A2, kShade = 0xAAA0;
constexpr uint16_t kK = 0x0000, kD = 0x8430, kL = 0xE73C;

// Glyphs: 0 blank, 1 full ink (value 3), 2 ink in column 0 only, 3 ink in column 7 only,
// 4 pixel value 2 everywhere, 5 pixel value 1 everywhere.
std::vector<Glyph> TestFont() {
  return {SolidGlyph(0, 0), SolidGlyph(0xFF, 0xFF), SolidGlyph(0x80, 0x80),
          SolidGlyph(1, 1), SolidGlyph(0, 0xFF),    SolidGlyph(0xFF, 0)};
}

class RenderTest : public test::DisplayTest {
 protected:
  // String 0 of block 0: one-byte characters `codes`.
  void ShowRom(const std::vector<uint8_t>& codes) {
    std::vector<uint8_t> rom(0x20000, 0);
    rom[kTable] = 0x00;
    rom[kTable + 1] = 0x01;
    rom[kBank + 0x100] = static_cast<uint8_t>(codes.size() - 1);
    std::copy(codes.begin(), codes.end(), rom.begin() + kBank + 0x101);
    LoadRom(rom);
    SetFont(TestFont());
    if (p.ui.pList.count() == 0) SetBlock(kTable, kBank, 1);
    f.gCurString = 0;
    f.SetChecked(MenuId::DTT, false);
    f.RenderString(16, 8);
  }
  // The translation drawn from `bytes` (0xFF added).
  void ShowTranslation(std::vector<uint8_t> bytes, int cellRows = 16, int cellCols = 8) {
    if (!f.gROM) ShowRom({0});
    bytes.push_back(0xFF);
    std::copy(bytes.begin(), bytes.end(), f.gTransText.get());
    f.SetChecked(MenuId::DTT, true);
    f.RenderString(cellRows, cellCols);
    f.SetChecked(MenuId::DTT, false);
  }
  // The box interior colour at box-relative pixel row y (column 100 shows no page ink here).
  uint16_t RomBoxFill(int y) const { return Px(100, 8 + y); }
};

TEST_F(RenderTest, BoxTilesAsTabled) {
  ShowRom({0});
  // Top-left tile, rows 0, 1 and 3: KDDDDDDD, DDLLLLLL, DLDDKKKK.
  EXPECT_EQ(Px(8, 8), kK);
  EXPECT_EQ(Px(9, 8), kD);
  EXPECT_EQ(Px(9, 9), kD);
  EXPECT_EQ(Px(10, 9), kL);
  EXPECT_EQ(Px(12, 11), kK);
  // Top-right tile (columns 280-287), row 0: DDDDDDKK.
  EXPECT_EQ(Px(285, 8), kD);
  EXPECT_EQ(Px(286, 8), kK);
  EXPECT_EQ(Px(287, 8), kK);
  // Left side DLDK....; right side ....DLDK.
  EXPECT_EQ(Px(9, 60), kL);
  EXPECT_EQ(Px(11, 60), kK);
  EXPECT_EQ(Px(285, 60), kL);
  EXPECT_EQ(Px(284, 60), kD);
  // Bottom-left (rows 112-119), row 3: DLDDK...; bottom-right row 4: DDDDLLDK; last row black.
  EXPECT_EQ(Px(11, 115), kD);
  EXPECT_EQ(Px(12, 115), kK);
  EXPECT_EQ(Px(284, 116), kL);
  EXPECT_EQ(Px(286, 116), kD);
  EXPECT_EQ(Px(287, 116), kK);
  EXPECT_EQ(Px(150, 119), kK);
  EXPECT_EQ(Px(150, 117), kL);  // bottom tile row 5: all L
  // Nothing outside the box: column 288 and row 120 stay black.
  EXPECT_EQ(Px(288, 50), 0);
  EXPECT_EQ(Px(4, 50), 0);
  // The translation box spans columns 8-239 on rows 136-247 (drawn once a translation is shown).
  ShowTranslation({});
  EXPECT_EQ(Px(8, 136), kK);
  EXPECT_EQ(Px(238, 136), kK);
  EXPECT_EQ(Px(237, 136), kD);
  EXPECT_EQ(Px(239, 247), kK);
  EXPECT_EQ(Px(240, 200), 0);
}

TEST_F(RenderTest, GradientStepsEveryThreeRowsDownToBlack) {
  ShowRom({0});
  // Box rows 3-5 are level 30 (row 3 of the top tile is K there, so look at row 4).
  EXPECT_EQ(RomBoxFill(4), 30);
  EXPECT_EQ(RomBoxFill(5), 30);
  EXPECT_EQ(RomBoxFill(6), 29);
  EXPECT_EQ(RomBoxFill(50), 31 - 50 / 3);
  EXPECT_EQ(RomBoxFill(92), 1);
  EXPECT_EQ(RomBoxFill(93), 0);
  EXPECT_EQ(RomBoxFill(103), 0);
  // Key pixels of the border tiles take the fill too: left tile column 4, row 4 (level 30).
  EXPECT_EQ(Px(12, 12), 30);
}

TEST_F(RenderTest, ColourAndFillFollowTheMenu) {
  struct Case {
    MenuId colour, fill;
    uint16_t top, middle;  // at box rows 4 and 50
  } cases[] = {
      {MenuId::Blue1, MenuId::Solid1, 0x001F, 0x001F},
      {MenuId::Green1, MenuId::Solid1, 0x03E0, 0x03E0},
      {MenuId::Red1, MenuId::Solid1, 0xF800, 0xF800},
      {MenuId::Green1, MenuId::Gradient1, 30 << 5, (31 - 50 / 3) << 5},
      {MenuId::Red1, MenuId::Gradient1, 30 << 11, (31 - 50 / 3) << 11},
  };
  for (const Case& c : cases) {
    f.SetChecked(c.colour, true);
    f.SetChecked(c.fill, true);
    ShowRom({0});
    EXPECT_EQ(RomBoxFill(4), c.top) << MenuInfo(c.colour).name << " " << MenuInfo(c.fill).name;
    EXPECT_EQ(RomBoxFill(50), c.middle) << MenuInfo(c.colour).name << " " << MenuInfo(c.fill).name;
  }
}

TEST_F(RenderTest, RomGlyphPixelsShadowAndTransparency) {
  f.SetChecked(MenuId::Solid1, true);
  ShowRom({1, 0, 2, 4, 5});
  // Glyph 1 at page columns 0-7 in the text colour; its shadow at column 8 survives the blank
  // glyph drawn there next, since background never clears a shadow.
  EXPECT_EQ(Px(16, 16), kWhite);
  EXPECT_EQ(Px(23, 31), kWhite);
  EXPECT_EQ(Px(24, 16), kShadow);
  EXPECT_EQ(Px(25, 16), 0x001F);  // page background is transparent: the box shows
  // Glyph 2 at 16-23: ink in column 0 only, its shadow right of it.
  EXPECT_EQ(Px(32, 20), kWhite);
  EXPECT_EQ(Px(33, 20), kShadow);
  EXPECT_EQ(Px(34, 20), 0x001F);
  // Glyph 4 (pixel value 2) in the shade colour; glyph 5 (value 1) counts as background.
  EXPECT_EQ(Px(16 + 24 + 3, 20), kShade);
  EXPECT_EQ(Px(16 + 32 + 3, 20), 0x001F);
  EXPECT_EQ(PagePx(0, 32 + 3, 4), 0);
  // Below the glyph rows the page is empty and the box shows through.
  EXPECT_EQ(Px(16, 32), 0x001F);
}

TEST_F(RenderTest, AdvanceAndWrap) {
  // Fixed width: 32 glyphs never wrap (32 x 8 = 256 < 264).
  ShowRom(std::vector<uint8_t>(32, 1));
  EXPECT_EQ(f.gPenX, 256);
  EXPECT_EQ(f.gPenY, 0);
  // Variable width: m + 2, a blank glyph 6, ink in column 0 only 3.
  f.SetChecked(MenuId::UseVWFRoutine1, true);
  ShowRom({0});
  EXPECT_EQ(f.gPenX, 6);
  ShowRom({2});
  EXPECT_EQ(f.gPenX, 3);
  ShowRom({5});  // pixel value 1 is no ink
  EXPECT_EQ(f.gPenX, 6);
  // Full glyphs advance 9: the 30th reaches 270 >= 264 and the 31st starts a 32-row line.
  ShowRom(std::vector<uint8_t>(31, 1));
  EXPECT_EQ(f.gPenY, 32);
  EXPECT_EQ(f.gPenX, 9);
  EXPECT_EQ(PagePx(0, 0, 32), kWhite);
  EXPECT_EQ(Px(16, 16 + 32), kWhite);  // the second line sits 32 rows lower in the window

  // Translation: the letter A is four pixels wide (advance 5), blanks advance 6.
  ShowTranslation({'A'});
  EXPECT_EQ(f.gPenX, 5);
  ShowTranslation({' ', 0x00, 0xFD});
  EXPECT_EQ(f.gPenX, 18);
  f.SetChecked(MenuId::UseVWFRoutine1, false);
  // Fixed width: 27 characters on a line, the 28th on the next one (16 rows lower).
  ShowTranslation(std::vector<uint8_t>(28, 'A'));
  EXPECT_EQ(f.gPenY, 16);
  EXPECT_EQ(f.gPenX, 8);
  EXPECT_EQ(PagePx(1, 26 * 8 + 1, 2), kWhite);
  EXPECT_EQ(PagePx(1, 1, 16 + 2), kWhite);
  EXPECT_EQ(Px(16 + 1, 144 + 16 + 2), kWhite);
}

TEST_F(RenderTest, TranslationGlyphsLineBreaksAndPageWrap) {
  ShowTranslation({'A', 0xFE, 'A'});
  // The A's rows 00 00 60 90 ...: columns 1-2 on row 2, its shadow at column 3.
  EXPECT_EQ(PagePx(1, 0, 2), 0);
  EXPECT_EQ(PagePx(1, 1, 2), kWhite);
  EXPECT_EQ(PagePx(1, 3, 2), kShadow);
  EXPECT_EQ(PagePx(1, 4, 3), kShadow);
  EXPECT_EQ(PagePx(1, 1, 16 + 2), kWhite);
  // The page window starts at bitmap column 16, row 144.
  EXPECT_EQ(Px(17, 146), kWhite);
  EXPECT_EQ(Px(19, 146), kShadow);
  // A 49th line (page row 768) wraps to row 0 and draws over the first line: the B's top row
  // ###. lands on the A's .##.
  std::vector<uint8_t> bytes = {'A'};
  bytes.insert(bytes.end(), 48, 0xFE);
  bytes.push_back('B');
  ShowTranslation(bytes);
  EXPECT_EQ(f.gPenY, 0);
  EXPECT_EQ(PagePx(1, 0, 2), kWhite);
  EXPECT_EQ(PagePx(1, 0, 768 + 2), 0);
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

TEST_F(RenderTest, FormatDefaultsWhenNoneIsLoaded) {
  ShowRom({1});
  const std::vector<uint16_t> before = f.gBitmap.pixels;
  const int draws = p.ui.videoBox.drawCount;
  f.gLineWidth = 0;
  f.RenderString(16, 8);
  EXPECT_EQ(f.gLineWidth, 144);
  EXPECT_EQ(f.gGlyphH, 16);
  EXPECT_EQ(f.gGlyphW, 16);
  EXPECT_EQ(f.gWidthScale, 16);
  EXPECT_EQ(f.gFormatReserved, (std::array<uint8_t, 5>{1, 0, 1, 2, 3}));
  EXPECT_EQ(f.gBitmap.pixels, before);
  EXPECT_EQ(p.ui.videoBox.drawCount, draws);
  // Without a data file nothing is drawn at all.
  f.gDataLoaded = 0;
  f.RenderString(16, 8);
  EXPECT_EQ(p.ui.videoBox.drawCount, draws);
}

TEST_F(RenderTest, OddCellsAndFontsStayInsideTheirBuffers) {
  // A 16 x 16 cell scans the decoded rows side by side; the cell's unused half reads as zero
  // even when an earlier glyph left values there.
  f.gGlyphCell.fill(3);
  ShowRom({0});
  f.gGlyphCell.fill(3);
  f.RenderString(16, 16);
  EXPECT_EQ(PagePx(0, 0, 0), 0);
  ShowRom({1});
  f.RenderString(16, 16);
  EXPECT_EQ(PagePx(0, 15, 7), kWhite);
  EXPECT_EQ(PagePx(0, 0, 8), 0);
  // A cell of more than 256 values draws its first 256 only: one 255-pixel row (the 128
  // decoded values, then zeros) and one pixel of the next.
  f.RenderString(255, 255);
  EXPECT_EQ(PagePx(0, 127, 0), kWhite);
  EXPECT_EQ(PagePx(0, 128, 0), kShadow);
  EXPECT_EQ(PagePx(0, 200, 0), 0);
  EXPECT_EQ(PagePx(0, 0, 1), 0);
  // A glyph past the end of the font is blank (advance 6 with variable width).
  f.SetChecked(MenuId::UseVWFRoutine1, true);
  ShowRom({200});
  EXPECT_EQ(f.gPenX, 6);
  for (int y = 0; y < 16; ++y) EXPECT_EQ(PagePx(0, 0, y), 0);
}

TEST_F(RenderTest, ASmallBitmapIsLeftAlone) {
  ShowRom({1});
  f.gBitmap.width = 295;
  f.gBitmap.pixels.assign(295 * 256, 0x1234);
  const int draws = p.ui.videoBox.drawCount;
  f.RenderString(16, 8);
  ShowTranslation({'A'});
  EXPECT_EQ(p.ui.videoBox.drawCount, draws);
  EXPECT_TRUE(
      std::all_of(f.gBitmap.pixels.begin(), f.gBitmap.pixels.end(), [](uint16_t v) { return v == 0x1234; }));
}

TEST(PixelRuns, ExpandCopyBlit) {
  uint8_t cell[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  ExpandBits(cell, 0x80C1, 8, 2);  // low 1100 0001, high 1000 0000
  EXPECT_EQ(std::vector<uint8_t>(cell, cell + 8), (std::vector<uint8_t>{3, 1, 0, 0, 0, 0, 0, 1}));
  ExpandBits(cell, 0xA0, 8, 1);
  EXPECT_EQ(std::vector<uint8_t>(cell, cell + 8), (std::vector<uint8_t>{1, 0, 1, 0, 0, 0, 0, 0}));
  ExpandBits(std::span(cell, 3), 0xFF, 8, 1);  // no more than dest holds
  EXPECT_EQ(cell[3], 0);

  uint16_t dest[4] = {1, 2, 3, 4};
  const uint16_t src[4] = {0, 7, 0, 8};
  CopyPixels(dest, src, 4, true);
  EXPECT_EQ(std::vector<uint16_t>(dest, dest + 4), (std::vector<uint16_t>{1, 7, 3, 8}));
  CopyPixels(dest, src, 4, false);
  EXPECT_EQ(std::vector<uint16_t>(dest, dest + 4), (std::vector<uint16_t>{0, 7, 0, 8}));

  std::vector<uint16_t> canvas(5 * 3, 0);
  const uint16_t block[4] = {1, 2, 3, 4};
  BlitPixels(canvas.data() + 1, block, 2, 2, 5);
  EXPECT_EQ(canvas, (std::vector<uint16_t>{0, 1, 2, 0, 0, 0, 3, 4, 0, 0, 0, 0, 0, 0, 0}));
  FillPixels(canvas.data(), 9, 3);
  EXPECT_EQ(canvas[2], 9);
  EXPECT_EQ(canvas[3], 0);
}

TEST(PixelRuns, DrawTextBoxSkipsTilesThatDoNotFit) {
  BoxMap map;
  map.rows = 2;
  map.cols = 3;
  map.tiles[0] = 1;
  map.tiles[1] = 2;
  map.tiles[2] = 0x13;    // high bits are ignored: tile 3
  map.tiles[128] = 0x0C;  // no such tile: drawn as the interior
  // Room for the first tile row only (and a stride of 24 pixels); the rest must stay untouched.
  std::vector<uint16_t> dest(24 * 16, 0x5555);
  DrawTextBox(std::span(dest).first(24 * 8), map, 24, BoxStyle{11, true});
  EXPECT_TRUE(std::all_of(dest.begin() + 24 * 8, dest.end(), [](uint16_t v) { return v == 0x5555; }));
  EXPECT_EQ(dest[0], kK);
  EXPECT_EQ(dest[23], kK);               // tile 3, row 0, last column
  EXPECT_EQ(dest[24 * 4 + 12], 0xF800);  // tile 2 row 4: key pixel, solid red
  EXPECT_EQ(map.curRow, 16);
  // A whole box in a buffer that fits it exactly leaves nothing outside.
  std::vector<uint16_t> exact(24 * 16 + 1, 0x5555);
  DrawTextBox(std::span(exact).first(24 * 16), map, 24, BoxStyle{});
  EXPECT_EQ(exact.back(), 0x5555);
  EXPECT_EQ(exact[24 * 8], 0x001F);  // row 8: the interior tile, gradient level 31 ... blue
}

TEST(TranslationFont, CapitalsSitOnTheBaselineAndDescendersGoBelow) {
  const auto row = [](int c, int r) { return gAsciiFont[static_cast<size_t>(c) * 16 + r]; };
  for (int c : {'g', 'j', 'p', 'q', 'y'}) EXPECT_NE(row(c, 14), 0) << char(c);
  for (int c = 'A'; c <= 'Z'; ++c) {
    EXPECT_NE(row(c, 12), 0) << char(c);
    EXPECT_EQ(row(c, 13) | row(c, 14) | row(c, 15), 0) << char(c);
  }
}

}  // namespace
}  // namespace ts2
