// The compressor: what it makes, the decoder turns back into the bytes it was given.
#include <gtest/gtest.h>

#include <random>

#include "headless/headless.h"
#include "script/compress.h"
#include "support/builders.h"
#include "support/rom_state.h"

namespace ts2 {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(Compress, DecompressesToTheSameBytesWhateverTheRingHeld) {
  std::mt19937 rng(7);
  Bytes noise(3000), runs(5000), text;
  for (uint8_t& b : noise) b = static_cast<uint8_t>(rng());
  for (size_t i = 0; i < runs.size(); ++i) runs[i] = static_cast<uint8_t>(i / 37);
  for (int i = 0; i < 400; ++i)
    text.insert(text.end(), {'T', 'o', 'r', 'm', 'e', 'l', ' ', static_cast<uint8_t>(i)});
  const Bytes inputs[] = {Bytes{}, Bytes{42}, Bytes(18, 7), Bytes(0xFFFF, 9), noise, runs, text};

  test::RomBuilder rom(0x40000);
  uint32_t at = 0x20000;
  std::vector<uint32_t> offsets;
  for (const Bytes& in : inputs) {
    const Bytes block = CompressBlock(in);
    offsets.push_back(at);
    rom.put(at, block);
    at += static_cast<uint32_t>(block.size());
  }
  headless::HeadlessProgram p;
  test::LoadRomImage(p.form(), rom.file());
  // Decoded in a row, so every block after the first meets a ring full of other data.
  for (size_t i = 0; i < std::size(inputs); ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(p.form().DecompressBlock(offsets[i]), static_cast<int32_t>(inputs[i].size()));
    EXPECT_TRUE(std::equal(inputs[i].begin(), inputs[i].end(), p.form().gWRAM.get()));
  }
}

TEST(Compress, GlyphTableDecodesIntoTheGlyphsGiven) {
  Bytes glyphs(32 * 300);
  for (size_t i = 0; i < glyphs.size(); ++i) glyphs[i] = static_cast<uint8_t>((i * 7) ^ (i >> 5));
  const Bytes table = BuildGlyphTable(glyphs, 0x130000);
  ASSERT_FALSE(table.empty());
  headless::HeadlessProgram p;
  test::LoadRomImage(p.form(), test::RomBuilder(0x140000).put(0x130000, table).file());
  uint32_t size = 0;
  const auto font = p.form().DecompressBlockTable(0x130000, &size);
  ASSERT_TRUE(font);
  ASSERT_EQ(size, 2 * 300 * 32u);  // the first pointer (the table's 600 bytes) times 32
  EXPECT_TRUE(std::equal(glyphs.begin(), glyphs.end(), font.get()));
  // A table that cannot fit its bank is refused rather than cut.
  EXPECT_TRUE(BuildGlyphTable(Bytes(32 * 3000, 0x55), 0x13F000).empty());
}

}  // namespace
}  // namespace ts2
