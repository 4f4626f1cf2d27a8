#include <gtest/gtest.h>

#include "headless/headless.h"
#include "views/hexdata.h"

namespace ts2 {
namespace {

class HexData : public ::testing::Test {
 protected:
  headless::HeadlessProgram p;
  THexForm& hex = p.program.HexForm;

  // Shows data[i] = i & 0xFF: columns 8, rows 16, byte mode 1.
  void ShowPattern() {
    std::vector<uint8_t> bytes(0x1000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
    hex.SetData(bytes, 0x1000);
  }
  void Place(int32_t column, int32_t row, int32_t top) {
    hex.cursorColumn = column;
    hex.cursorRow = row;
    hex.topOffset = top;
  }
  // The `digits` hex digits drawn in `colour` from (x, y), read back from the view's pixels;
  // '?' where the pixels match no glyph.
  std::string HexAt(int x, int y, int digits, uint16_t colour) const {
    std::string s;
    for (int i = 0; i < digits; ++i, x += kHexCellW) {
      char found = '?';
      for (int d = 0; d < 16 && found == '?'; ++d) {
        bool match = true;
        for (int r = 0; r < kHexGlyphH; ++r)
          for (int c = 0; c < kHexGlyphW; ++c)
            match &= (hex.view.scanLine(y + r)[x + c] == colour) == bool(HexDigitGlyph(d)[r] & (0x10 >> c));
        if (match) found = "0123456789ABCDEF"[d];
      }
      s += found;
    }
    return s;
  }
  // Pixels of line `row` that are neither background nor `allowed`.
  int Drawn(int row, uint16_t allowed = kHexBackground) const {
    int n = 0;
    for (int y = HexRowY(row); y < HexRowY(row + 1); ++y)
      for (int x = 0; x < hex.view.width; ++x)
        n += hex.view.scanLine(y)[x] != kHexBackground && hex.view.scanLine(y)[x] != allowed;
    return n;
  }
};

TEST_F(HexData, ArrowKeysAtTheCornersAndTheScrollLimit) {
  struct Case {
    uint8_t byteMode;
    int key;
    int32_t column, row, top, newColumn, newRow, newTop;
  };
  // clang-format off
  const Case cases[] = {
      {1, VK_UP, 3, 5, 0, 3, 4, 0},       {1, VK_UP, 3, 0, 0, 3, 0, 0},       {1, VK_UP, 3, 0, 16, 3, 0, 8},
      {1, VK_DOWN, 2, 15, 0, 2, 15, 8},
      {1, VK_DOWN, 2, 15, 0xFF8, 2, 15, 0xFF8},  // top + columns reached 0x1000
      {1, VK_LEFT, 0, 5, 0, 7, 4, 0},     {1, VK_LEFT, 0, 0, 8, 7, 0, 0},
      {1, VK_RIGHT, 7, 5, 0, 0, 6, 0},    {1, VK_RIGHT, 7, 15, 0, 0, 15, 8},  {1, VK_RIGHT, 7, 15, 0xFF8, 0, 15, 0xFF8},
      // Byte mode 0: the line step is 2 x columns; the limit still adds columns only.
      {0, VK_DOWN, 0, 15, 0, 0, 15, 16},  {0, VK_DOWN, 0, 15, 0xFF0, 0, 15, 0x1000},
  };
  // clang-format on
  // Before any data is shown only the column moves, and only the background is drawn.
  EXPECT_TRUE(hex.FormKeyDown(VK_LEFT) && hex.FormKeyDown(VK_DOWN));
  EXPECT_EQ(std::tie(hex.cursorColumn, hex.cursorRow, hex.topOffset), std::make_tuple(-1, 0, 0));
  for (int row = 0; row < 16; ++row) EXPECT_EQ(Drawn(row), 0);

  ShowPattern();
  for (const Case& c : cases) {
    hex.byteMode = c.byteMode;
    Place(c.column, c.row, c.top);
    EXPECT_TRUE(hex.FormKeyDown(c.key));
    EXPECT_EQ(std::tie(hex.cursorColumn, hex.cursorRow, hex.topOffset),
              std::make_tuple(c.newColumn, c.newRow, c.newTop))
        << "key " << c.key << " from " << c.column << "," << c.row << " top " << c.top;
  }
  const int draws = p.ui.chPicBox.drawCount;
  for (int key : {0x0D, 0x24, 0x41}) EXPECT_FALSE(hex.FormKeyDown(key));
  EXPECT_EQ(p.ui.chPicBox.drawCount, draws);  // ignored keys do not redraw
}

TEST_F(HexData, DrawsOffsetsBytesAndCursor) {
  ShowPattern();
  EXPECT_EQ(HexAt(0, HexRowY(15), 3, kHexOffsetColour), "078");
  EXPECT_EQ(HexAt(HexColumnX(0, 2), HexRowY(0), 2, kHexCursorText), "00");
  EXPECT_EQ(hex.view.scanLine(HexRowY(0))[HexColumnX(0, 2) + kHexGlyphW], kHexCursorBack);
  EXPECT_EQ(HexAt(HexColumnX(6, 2), HexRowY(2), 2, kHexEvenColour), "16");
  EXPECT_EQ(HexAt(HexColumnX(7, 2), HexRowY(15), 2, kHexOddColour), "7F");
  hex.FormKeyDown(VK_RIGHT);
  EXPECT_EQ(HexAt(HexColumnX(1, 2), HexRowY(0), 2, kHexCursorText), "01");
  EXPECT_EQ(p.ui.chPicBox.shown.pixels, hex.view.pixels);

  // Scrolled to the end: the last line of data, then nothing past the data area.
  Place(0, 0, 0xFF8);
  hex.Redraw();
  EXPECT_EQ(HexAt(0, 0, 3, kHexOffsetColour), "FF8");
  EXPECT_EQ(HexAt(HexColumnX(7, 2), 0, 2, kHexOddColour), "FF");
  for (int row = 1; row < 16; ++row) EXPECT_EQ(Drawn(row), 0) << row;

  // Byte mode 0: two bytes a column, in stored order; at top 0x1000 only the cursor box shows.
  hex.byteMode = 0;
  Place(1, 1, 0);
  hex.Redraw();
  EXPECT_EQ(HexAt(HexColumnX(0, 4), HexRowY(1), 4, kHexEvenColour), "1011");
  EXPECT_EQ(HexAt(HexColumnX(1, 4), HexRowY(1), 4, kHexCursorText), "1213");
  Place(0, 15, 0x1000);
  hex.Redraw();
  for (int row = 0; row < 16; ++row) EXPECT_EQ(Drawn(row, kHexCursorBack), 0) << row;
}

TEST_F(HexData, ShowsRomBytesOfTheString) {
  TmyForm& f = p.form();
  f.gROMSize = 0x100;
  f.romAlloc = std::make_unique<uint8_t[]>(0x100);
  for (int i = 0; i < 0x100; ++i) f.romAlloc[i] = static_cast<uint8_t>(0xFF - i);
  f.gROM = f.romAlloc.get();

  hex.ShowBytesAt(0xF0);
  EXPECT_EQ(std::make_tuple(hex.dataAddress, hex.data[0], hex.data[15], hex.data[16]),
            std::make_tuple(0xF0u, uint8_t{0x0F}, uint8_t{0x00}, uint8_t{0x00}));  // zero past the ROM
  EXPECT_EQ(HexAt(HexColumnX(1, 2), 0, 2, kHexOddColour), "0E");
  Place(3, 4, 8);
  hex.ShowBytesAt(0xF0);  // the same string again keeps the cursor
  EXPECT_EQ(std::tie(hex.cursorColumn, hex.topOffset), std::make_tuple(3, 8));
  hex.ShowBytesAt(0x10);  // another string starts over
  EXPECT_EQ(std::tie(hex.cursorColumn, hex.cursorRow, hex.topOffset), std::make_tuple(0, 0, 0));
  EXPECT_EQ(hex.data[0], 0xEF);
  hex.ShowBytesAt(0x100);
  EXPECT_EQ(std::count(hex.data.begin(), hex.data.end(), 0), 0x1000);
}

}  // namespace
}  // namespace ts2
