// Block decompression, Working RAM, glyph tables and the Working RAM dump.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>

#include "headless/headless.h"
#include "support/builders.h"
#include "support/rom_state.h"

namespace ts2 {
namespace {

using headless::HeadlessProgram;
using test::Glyph;
using Bytes = std::vector<uint8_t>;

// A block: type, 16-bit count, two bytes not read, then the stream.
Bytes Block(uint8_t type, uint16_t count, const Bytes& stream) {
  Bytes b = {type, static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8), 0xCC, 0xCC};
  b.insert(b.end(), stream.begin(), stream.end());
  return b;
}

// Reference A B to ring position `pos` copying `count` bytes.
Bytes Ref(uint16_t pos, int count) {
  return {static_cast<uint8_t>(pos), static_cast<uint8_t>(((pos >> 4) & 0xF0) | (count - 3))};
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes RandomBytes(size_t count, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes out(count);
  for (uint8_t& b : out) b = static_cast<uint8_t>(rng());
  return out;
}

// A ROM image without copier header: bit 0x200 of its size must be clear.
Bytes Unheadered(Bytes rom) {
  if (rom.size() & 0x200) rom.resize(rom.size() + 0x200, 0);
  return rom;
}

Bytes Wram(TmyForm& f, uint32_t from, size_t count) {
  return Bytes(f.gWRAM.get() + from, f.gWRAM.get() + from + count);
}

TEST(Decompress, SingleBlocksOnAFreshProgram) {
  struct Case {
    const char* name;
    Bytes block;  // placed at ROM offset 0x100; the ROM ends right after it
    Bytes expected;
  };
  // clang-format off
  const Case cases[] = {
      {"length zero: the stream is not read", Block(3, 0, {0x00, 0x12, 0x34}), {}},
      // The 18-byte reference to the (zero) ring ends after 5 bytes; the rest of the group is not read.
      {"length ends inside a reference", Block(3, 5, Cat({{0x00}, Ref(0xFEE, 18), {0xFF}})), Bytes(5, 0)},
      // Flag 0x01: the literal first, then a reference to its ring position.
      {"flag bits least significant first", Block(3, 4, Cat({{0x01, 'A'}, Ref(0xFEE, 3)})), Bytes(4, 'A')},
      // Copy position = write position - 1: the last byte repeats.
      {"overlapping reference", Block(3, 20, Cat({{0x03, 'x', 'y'}, Ref(0xFEF, 18)})), Cat({{'x'}, Bytes(19, 'y')})},
      // Twenty literals fill ring positions 0xFEE-0xFFF and wrap to 0x000; a reference to 0xFFE
      // reads across the wrap.
      {"ring wraps",
       Block(3, 24, Cat({{0xFF, 1, 2, 3, 4, 5, 6, 7, 8}, {0xFF, 9, 10, 11, 12, 13, 14, 15, 16},
                         {0x0F, 17, 18, 19, 20}, Ref(0xFFE, 4)})),
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 17, 18, 19, 20}},
      // The stream runs off the end of the ROM: the bytes made until then are the result.
      {"stream cut in a literal", Block(3, 10, {0xFF, 'a', 'b'}), {'a', 'b'}},
      {"stream cut in a reference", Block(3, 10, {0x01, 'a', 0xEE}), {'a'}},
      {"header cut", {3, 0x10}, {}},
      {"nothing at the offset", {}, {}},
      {"stored", Block(0, 4, {9, 8, 7, 6, 5}), {9, 8, 7, 6}},
      {"stored, cut", Block(0, 10, {9, 8, 7}), {9, 8, 7}},
      {"other types decode nothing", Block(2, 4, {1, 2, 3, 4}), {}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HeadlessProgram p;
    TmyForm& f = p.form();
    Bytes rom(0x100, 0);
    rom.insert(rom.end(), c.block.begin(), c.block.end());
    test::LoadRomImage(f, rom);
    ASSERT_EQ(f.DecompressBlock(0x100), static_cast<int32_t>(c.expected.size()));
    EXPECT_EQ(Wram(f, 0, c.expected.size()), c.expected);
    EXPECT_EQ(Wram(f, 0x10000, c.expected.size()), c.expected);
    EXPECT_EQ(f.gDumpSize, c.expected.size());
  }
}

TEST(Decompress, WithoutRomNothingIsDecoded) {
  HeadlessProgram p;
  TmyForm& f = p.form();
  uint32_t size = 99;
  EXPECT_EQ(f.DecompressBlock(0), -1);
  EXPECT_EQ(f.DecompressBlockTable(0x130000, &size), nullptr);
  EXPECT_EQ(size, 0u);
  EXPECT_TRUE(std::all_of(f.gWRAM.get(), f.gWRAM.get() + kWramSize, [](uint8_t b) { return b == 0; }));
  test::LoadRomImage(f, Bytes(0x100, 3));
  EXPECT_EQ(f.DecompressBlock(0xFFFFFFFF), 0);
}

// Working RAM across blocks, compared with a plain model that copies all 64 KiB of staging back.
class ReferenceDecoder {
 public:
  Bytes wram = Bytes(kWramSize, 0);

  int32_t run(const Bytes& rom, uint32_t p) {
    auto at = [&](uint64_t i) -> int { return i < rom.size() ? rom[i] : -1; };
    uint8_t* ring = wram.data() + 0x1000;
    uint8_t* staging = wram.data() + 0x10000;
    uint32_t out = 0, left = static_cast<uint32_t>(at(p + 1) | at(p + 2) << 8);
    if (at(p) == 3) {
      uint64_t s = p + 5;
      uint32_t w = 0xFEE;
      auto put = [&](uint8_t c) {
        staging[out++] = ring[w] = c;
        w = (w + 1) & 0xFFF;
        --left;
      };
      while (left > 0) {
        for (int bit = 0, flags = at(s++); bit < 8 && left > 0; ++bit, flags >>= 1) {
          if (flags & 1) {
            put(static_cast<uint8_t>(at(s++)));
            continue;
          }
          const int a = at(s++), b = at(s++);
          uint32_t from = static_cast<uint32_t>(a + ((b & 0xF0) << 4));
          for (int k = 0; k < (b & 0x0F) + 3 && left > 0; ++k, from = (from + 1) & 0xFFF) put(ring[from]);
        }
      }
    } else if (at(p) == 0) {
      out = left;
      std::memcpy(staging, rom.data() + p + 5, out);
    }
    std::memcpy(wram.data(), staging, 0x10000);
    return static_cast<int32_t>(out);
  }
};

TEST(Decompress, WorkingRamMatchesFullCopyModelAcrossBlocks) {
  const Bytes big = RandomBytes(0x2100, 1);  // longer than the ring: its tail becomes the next ring
  Bytes rom;
  std::vector<uint32_t> offsets;
  for (const Bytes& block :
       {test::CompressBlock(big),
        Block(3, 18, Cat({{0x00}, Ref(0x100, 18)})),  // reads the ring the big block left
        Block(0, 40, RandomBytes(40, 2)), Block(2, 40, {}), test::CompressBlock(RandomBytes(100, 3)),
        Block(3, 21, Cat({{0x02, 'q'}, Ref(0xFEE, 3), Ref(0xFF0, 17)})),
        test::CompressBlock(RandomBytes(0x1400, 4)),
        Block(3, 30, Cat({{0x00}, Ref(0x3F0, 18), Ref(0x500, 12)}))}) {
    offsets.push_back(static_cast<uint32_t>(rom.size()));
    rom.insert(rom.end(), block.begin(), block.end());
  }
  rom = Unheadered(rom);

  HeadlessProgram p;
  TmyForm& f = p.form();
  test::LoadRomImage(f, rom);
  ReferenceDecoder model;
  for (size_t i = 0; i < offsets.size(); ++i) {
    SCOPED_TRACE("block " + std::to_string(i));
    ASSERT_EQ(f.DecompressBlock(offsets[i]), model.run(rom, offsets[i]));
    ASSERT_TRUE(std::equal(model.wram.begin(), model.wram.end(), f.gWRAM.get()));
    if (i == 0) {
      EXPECT_EQ(Wram(f, 0, big.size()), big);
    } else if (i == 1) {  // the ring carried over from the big block
      EXPECT_EQ(Wram(f, 0, 18), Bytes(big.begin() + 0x1100, big.begin() + 0x1112));
    }
  }
}

// ---- glyph tables ----

// The glyph table at `table` of `rom`, decompressed by `p`.
Bytes Font(HeadlessProgram& p, const Bytes& rom, uint32_t table = 0x130000) {
  test::LoadRomImage(p.form(), rom);
  uint32_t size = 0;
  const std::unique_ptr<uint8_t[]> font = p.form().DecompressBlockTable(table, &size);
  return Bytes(font.get(), font.get() + size);
}

TEST(GlyphTable, FirstPointer0x400GivesFiveHundredTwelveGlyphs) {
  std::vector<Glyph> glyphs(512);
  for (size_t i = 0; i < glyphs.size(); ++i)
    for (size_t k = 0; k < 32; ++k) glyphs[i][k] = static_cast<uint8_t>(i * 7 + k * (i % 5 + 1));
  HeadlessProgram p;
  const Bytes font = Font(p, test::RomBuilder().fontTable(glyphs).file());
  Bytes expected(0x8000, 0);  // the first pointer times 32, twice the glyphs' bytes
  for (size_t i = 0; i < glyphs.size(); ++i)
    std::copy(glyphs[i].begin(), glyphs[i].end(), expected.begin() + 32 * i);
  EXPECT_EQ(font, expected);
  EXPECT_EQ(Wram(p.form(), 0, 32),
            Bytes(glyphs.back().begin(), glyphs.back().end()));  // the last block's result
}

TEST(GlyphTable, LongBlocksRunIntoLaterSlotsAndStopAtTheBufferEnd) {
  // Two entries (first pointer 4, buffer 128 bytes): block 0 yields 40 bytes, block 1 yields 200.
  const Bytes first = RandomBytes(40, 5), second = RandomBytes(200, 6);
  test::RomBuilder rom;
  rom.put16(0x130000, 0x0004).put16(0x130002, 0x0100);
  rom.put(0x130004, test::CompressBlock(first)).put(0x130100, test::CompressBlock(second));
  HeadlessProgram p;
  Bytes expected(first.begin(), first.begin() + 32);
  expected.insert(expected.end(), second.begin(), second.begin() + 96);
  EXPECT_EQ(Font(p, rom.file()), expected);
}

TEST(GlyphTable, TableCutByTheRomEndKeepsWhatWasRead) {
  // A table in the middle of its bank: entries while T + 2i < bank + first pointer (8 entries),
  // but the ROM ends in the middle of the fourth pointer; block 0 lies past the ROM's end.
  const Glyph g1 = test::SolidGlyph(0x11, 0x22), g2 = test::SolidGlyph(0x33);
  test::RomBuilder rom(0x138007);
  rom.put16(0x138000, 0x8010).put16(0x138002, 0x0100).put16(0x138004, 0x0200).put8(0x138006, 0x03);
  rom.put(0x130100, test::CompressBlock(g1)).put(0x130200, test::CompressBlock(g2));
  HeadlessProgram p;
  Bytes expected(0x8010 * 32, 0);
  std::copy(g1.begin(), g1.end(), expected.begin() + 32);
  std::copy(g2.begin(), g2.end(), expected.begin() + 64);
  EXPECT_EQ(Font(p, rom.file(), 0x138000), expected);
}

TEST(DumpMemory, WritesTheLastDecompressionAndReportsAFailedOpen) {
  test::TempDir dir;
  HeadlessProgram p;
  TmyForm& f = p.form();
  const Bytes data = RandomBytes(300, 9);
  test::LoadRomImage(f, Unheadered(test::CompressBlock(data)));
  ASSERT_EQ(f.DecompressBlock(0), 300);
  f.FSave.fileName = "left over";
  const std::string readOnly = dir.write("read-only.bin", "kept");
  std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read);
  p.ui.script.saveAnswers = {dir.file("wram.bin"), dir.file("missing/wram.bin"), readOnly};
  f.DumpMemory1Click(kNoSender);
  EXPECT_EQ(test::ReadFileBytes(dir.file("wram.bin")), data);
  const FileDialog& shown = p.ui.script.dialogsRun.back();
  EXPECT_EQ(std::tuple(shown.title, shown.initialDir, shown.fileName),
            std::tuple("Dump Working RAM to file...", f.gStartDir, ""));
  EXPECT_TRUE(p.ui.messages().empty());
  f.DumpMemory1Click(kNoSender);
  EXPECT_EQ(p.ui.messages(), std::vector<std::string>{"Error: Could not open file for saving..."});
  f.DumpMemory1Click(kNoSender);  // nor can a read-only file be opened for writing
  EXPECT_EQ(p.ui.messages(), std::vector<std::string>(2, "Error: Could not open file for saving..."));
  EXPECT_EQ(test::ReadFileText(readOnly), "kept");
}

}  // namespace
}  // namespace ts2
