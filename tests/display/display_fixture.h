// A started headless program with a ROM image, a font and one block put in place directly, so
// the display can be tested without the data-file loader or the decompressor.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "headless/headless.h"
#include "support/builders.h"

namespace ts2::test {

class DisplayTest : public ::testing::Test {
 protected:
  headless::HeadlessProgram p;
  TmyForm& f = p.form();

  // Installs `rom` as the loaded ROM image (no copier header).
  void LoadRom(const std::vector<uint8_t>& rom) {
    f.romAlloc = std::make_unique<uint8_t[]>(rom.size());
    std::memcpy(f.romAlloc.get(), rom.data(), rom.size());
    f.gROM = f.romAlloc.get();
    f.gROMSize = static_cast<uint32_t>(rom.size());
    f.gROMHeaderSize = 0;
  }

  void SetFont(const std::vector<Glyph>& glyphs) {
    f.gFONTSize = static_cast<uint32_t>(glyphs.size() * 32);
    f.gFONT = std::make_unique<uint8_t[]>(f.gFONTSize);
    for (size_t i = 0; i < glyphs.size(); ++i) std::memcpy(f.gFONT.get() + 32 * i, glyphs[i].data(), 32);
  }

  // Block 0 with its pointer table at `table` and texts in the bank of `field2`, `strings` lines
  // in pList, string `selected` selected; a data file with a 16 x 8 cell counts as loaded.
  void SetBlock(uint32_t table, uint32_t field2, int strings, int selected = 0) {
    f.gBlockOffset[0] = table;
    f.gBlockField2[0] = field2;
    f.gBlockStrings[0] = static_cast<uint32_t>(strings);
    f.gCurBlock = 0;
    f.gCurBlockOffset = table;
    for (int i = 0; i < strings; ++i) p.ui.pList.add("String# " + std::to_string(i));
    p.ui.pList.setItemIndex(selected);
    f.gDataLoaded = 1;
    f.gLineWidth = 288;
    f.gGlyphH = 16;
    f.gGlyphW = 8;
  }

  uint16_t Px(int x, int y) const { return f.gBitmap.scanLine(y)[x]; }
  uint16_t PagePx(int page, int x, int y) const {
    const TextPage& pg = f.gPages[page];
    return pg.pixels[static_cast<size_t>(y) * pg.width + x];
  }
};

}  // namespace ts2::test
