#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "headless/headless.h"
#include "views/hexdata.h"

namespace ts2 {
namespace {

class HexData : public ::testing::Test {
 protected:
  headless::HeadlessProgram p;
  THexForm& hex = p.program.HexForm;

  // Columns 8, rows 16, byte mode 1, as shown once data is set; data[i] = i & 0xFF.
  void ShowPattern(uint32_t address = 0x1000) {
    std::vector<uint8_t> bytes(0x1000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
    hex.SetData(bytes, address);
  }
  void Place(int32_t column, int32_t row, int32_t top) {
    hex.cursorColumn = column;
    hex.cursorRow = row;
    hex.topOffset = top;
  }

  // The hex digit drawn in `colour` whose glyph starts at (x, y), or -1 when none matches.
  int DigitAt(int x, int y, uint16_t colour) const {
    const Bitmap& b = hex.view;
    for (int d = 0; d < 16; ++d) {
      bool match = true;
      for (int r = 0; r < kHexGlyphH && match; ++r)
        for (int c = 0; c < kHexGlyphW && match; ++c) {
          const bool on = HexDigitGlyph(d)[static_cast<size_t>(r)] & (0x10 >> c);
          match = (b.scanLine(y + r)[x + c] == colour) == on;
        }
      if (match) return d;
    }
    return -1;
  }
  // The `digits` hex digits drawn from (x, y) as text; '?' where no digit is found.
  std::string HexAt(int x, int y, int digits, uint16_t colour) const {
    std::string s;
    for (int i = 0; i < digits; ++i) {
      const int d = DigitAt(x + i * kHexCellW, y, colour);
      s += d < 0 ? '?' : "0123456789ABCDEF"[d];
    }
    return s;
  }
  bool RowBlank(int row) const {
    for (int y = HexRowY(row); y < HexRowY(row) + kHexCellH; ++y)
      for (int x = 0; x < hex.view.width; ++x)
        if (hex.view.scanLine(y)[x] != kHexBackground) return false;
    return true;
  }
};

TEST_F(HexData, StartsEmptyAndBlack) {
  EXPECT_EQ(hex.columns, 0);
  EXPECT_EQ(hex.rows, 0);
  EXPECT_EQ(hex.cursorColumn, 0);
  EXPECT_EQ(hex.cursorRow, 0);
  EXPECT_EQ(hex.topOffset, 0);
  EXPECT_EQ(hex.byteMode, 0);
  EXPECT_EQ(hex.view.width, 128);
  EXPECT_EQ(hex.view.height, 128);
  hex.Redraw();
  for (int row = 0; row < 16; ++row) EXPECT_TRUE(RowBlank(row));
}

TEST_F(HexData, KeysWithNoColumnsOrRows) {
  EXPECT_TRUE(hex.FormKeyDown(VK_LEFT));
  EXPECT_EQ(hex.cursorColumn, -1);
  EXPECT_EQ(hex.topOffset, 0);
  EXPECT_TRUE(hex.FormKeyDown(VK_RIGHT));
  EXPECT_EQ(hex.cursorColumn, 0);
  EXPECT_EQ(hex.cursorRow, 0);
  EXPECT_TRUE(hex.FormKeyDown(VK_DOWN));
  EXPECT_TRUE(hex.FormKeyDown(VK_UP));
  EXPECT_EQ(hex.cursorRow, 0);
  EXPECT_EQ(hex.topOffset, 0);
}

TEST_F(HexData, OtherKeysAreIgnoredWithoutRedraw) {
  ShowPattern();
  const int draws = p.ui.chPicBox.drawCount;
  for (int key : {int{VK_RETURN}, int{VK_DELETE}, 0x24, 0x29, int{'A'}}) EXPECT_FALSE(hex.FormKeyDown(key)) << key;
  EXPECT_EQ(p.ui.chPicBox.drawCount, draws);
  EXPECT_TRUE(hex.FormKeyDown(VK_DOWN));
  EXPECT_EQ(p.ui.chPicBox.drawCount, draws + 1);
  EXPECT_EQ(p.ui.chPicBox.shown.pixels, hex.view.pixels);
}

TEST_F(HexData, ArrowKeyRules) {
  struct Case {
    const char* name;
    uint8_t byteMode;
    int key;
    int32_t column, row, top;           // before
    int32_t newColumn, newRow, newTop;  // after
  };
  const std::vector<Case> cases = {
      {"up within the box", 1, VK_UP, 3, 5, 0, 3, 4, 0},
      {"up on the first row at the top", 1, VK_UP, 3, 0, 0, 3, 0, 0},
      {"up on the first row scrolls", 1, VK_UP, 3, 0, 16, 3, 0, 8},
      {"down within the box", 1, VK_DOWN, 2, 5, 0, 2, 6, 0},
      {"down on the last row scrolls", 1, VK_DOWN, 2, 15, 0, 2, 15, 8},
      {"down scrolls up to the limit", 1, VK_DOWN, 2, 15, 0xFF0, 2, 15, 0xFF8},
      {"down stops at the limit", 1, VK_DOWN, 2, 15, 0xFF8, 2, 15, 0xFF8},
      {"left within the line", 1, VK_LEFT, 4, 5, 0, 3, 5, 0},
      {"left wraps to the previous line", 1, VK_LEFT, 0, 5, 0, 7, 4, 0},
      {"left at the top-left corner with nothing above", 1, VK_LEFT, 0, 0, 0, 7, 0, 0},
      {"left at the top-left corner scrolls", 1, VK_LEFT, 0, 0, 8, 7, 0, 0},
      {"right within the line", 1, VK_RIGHT, 4, 5, 0, 5, 5, 0},
      {"right wraps to the next line", 1, VK_RIGHT, 7, 5, 0, 0, 6, 0},
      {"right at the bottom-right corner scrolls", 1, VK_RIGHT, 7, 15, 0, 0, 15, 8},
      {"right at the bottom-right corner at the limit", 1, VK_RIGHT, 7, 15, 0xFF8, 0, 15, 0xFF8},
      // Byte mode 0: a line step is two lines of columns bytes; the limit still adds columns.
      {"word mode scrolls down by 16", 0, VK_DOWN, 0, 15, 0, 0, 15, 16},
      {"word mode scrolls up by 16", 0, VK_UP, 0, 0, 32, 0, 0, 16},
      {"word mode limit adds columns, not the step", 0, VK_DOWN, 0, 15, 0xFF0, 0, 15, 0x1000},
      {"word mode stops past the limit", 0, VK_DOWN, 0, 15, 0xFF8, 0, 15, 0xFF8},
  };
  ShowPattern();
  for (const Case& c : cases) {
    hex.byteMode = c.byteMode;
    Place(c.column, c.row, c.top);
    EXPECT_TRUE(hex.FormKeyDown(c.key)) << c.name;
    EXPECT_EQ(hex.cursorColumn, c.newColumn) << c.name;
    EXPECT_EQ(hex.cursorRow, c.newRow) << c.name;
    EXPECT_EQ(hex.topOffset, c.newTop) << c.name;
  }
}

TEST_F(HexData, DrawsOffsetsBytesAndCursor) {
  ShowPattern();
  EXPECT_EQ(hex.columns, 8);
  EXPECT_EQ(hex.rows, 16);
  EXPECT_EQ(hex.byteMode, 1);
  EXPECT_EQ(HexAt(0, HexRowY(0), 3, kHexOffsetColour), "000");
  EXPECT_EQ(HexAt(0, HexRowY(15), 3, kHexOffsetColour), "078");
  // The cursor starts on the first byte: black digits on yellow.
  EXPECT_EQ(HexAt(HexColumnX(0, 2), HexRowY(0), 2, kHexCursorText), "00");
  EXPECT_EQ(hex.view.scanLine(HexRowY(0))[HexColumnX(0, 2) + kHexGlyphW], kHexCursorBack);
  EXPECT_EQ(HexAt(HexColumnX(1, 2), HexRowY(0), 2, kHexOddColour), "01");
  EXPECT_EQ(HexAt(HexColumnX(7, 2), HexRowY(15), 2, kHexOddColour), "7F");
  EXPECT_EQ(HexAt(HexColumnX(6, 2), HexRowY(2), 2, kHexEvenColour), "16");
  // The last column still fits the 128-pixel box.
  EXPECT_LE(HexColumnX(7, 2) + 2 * kHexCellW, kHexViewW + 1);

  hex.FormKeyDown(VK_RIGHT);
  EXPECT_EQ(HexAt(HexColumnX(0, 2), HexRowY(0), 2, kHexEvenColour), "00");
  EXPECT_EQ(HexAt(HexColumnX(1, 2), HexRowY(0), 2, kHexCursorText), "01");
}

TEST_F(HexData, NothingIsDrawnPastTheDataArea) {
  ShowPattern();
  Place(0, 0, 0xFF8);
  hex.Redraw();
  EXPECT_EQ(HexAt(0, HexRowY(0), 3, kHexOffsetColour), "FF8");
  EXPECT_EQ(HexAt(HexColumnX(7, 2), HexRowY(0), 2, kHexOddColour), "FF");
  for (int row = 1; row < 16; ++row) EXPECT_TRUE(RowBlank(row)) << row;
  // Word mode can scroll the top to the very end: every line is then blank but for the
  // cursor's empty box.
  hex.byteMode = 0;
  Place(0, 15, 0x1000);
  hex.Redraw();
  for (int row = 0; row < 15; ++row) EXPECT_TRUE(RowBlank(row)) << row;
  for (int y = HexRowY(15); y < HexRowY(16); ++y)
    for (int x = 0; x < hex.view.width; ++x) {
      const uint16_t px = hex.view.scanLine(y)[x];
      EXPECT_TRUE(px == kHexBackground || px == kHexCursorBack) << x << "," << y;
    }
}

TEST_F(HexData, WordModeShowsTwoBytesAColumn) {
  ShowPattern();
  hex.byteMode = 0;
  Place(1, 1, 0);
  hex.Redraw();
  EXPECT_EQ(HexAt(0, HexRowY(1), 3, kHexOffsetColour), "010");
  EXPECT_EQ(HexAt(HexColumnX(0, 4), HexRowY(1), 4, kHexEvenColour), "1011");
  EXPECT_EQ(HexAt(HexColumnX(1, 4), HexRowY(1), 4, kHexCursorText), "1213");
}

TEST_F(HexData, ShowsRomBytesOfTheString) {
  TmyForm& f = p.form();
  f.gROMSize = 0x100;
  f.romAlloc = std::make_unique<uint8_t[]>(0x100);
  for (int i = 0; i < 0x100; ++i) f.romAlloc[static_cast<size_t>(i)] = static_cast<uint8_t>(0xFF - i);
  f.gROM = f.romAlloc.get();

  hex.ShowBytesAt(0xF0);
  EXPECT_EQ(hex.dataAddress, 0xF0u);
  EXPECT_EQ(hex.data[0], 0x0F);
  EXPECT_EQ(hex.data[15], 0x00);
  EXPECT_EQ(hex.data[16], 0x00);  // past the end of the ROM
  EXPECT_EQ(HexAt(HexColumnX(1, 2), HexRowY(0), 2, kHexOddColour), "0E");

  // The same string again keeps the cursor; another string starts over.
  Place(3, 4, 8);
  hex.ShowBytesAt(0xF0);
  EXPECT_EQ(hex.cursorColumn, 3);
  EXPECT_EQ(hex.topOffset, 8);
  hex.ShowBytesAt(0x10);
  EXPECT_EQ(hex.cursorColumn, 0);
  EXPECT_EQ(hex.cursorRow, 0);
  EXPECT_EQ(hex.topOffset, 0);
  EXPECT_EQ(hex.data[0], 0xEF);

  hex.ShowBytesAt(0x100);
  EXPECT_EQ(std::count(hex.data.begin(), hex.data.end(), 0), 0x1000);
  f.romAlloc.reset();
  f.gROM = nullptr;
  hex.ShowBytesAt(0);
  EXPECT_EQ(std::count(hex.data.begin(), hex.data.end(), 0), 0x1000);
}

}  // namespace
}  // namespace ts2
