// Block decompression, Working RAM and glyph tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "headless/headless.h"
#include "support/builders.h"
#include "support/rom_state.h"

namespace ts2 {
namespace {

using headless::HeadlessProgram;
using test::Glyph;
using Bytes = std::vector<uint8_t>;

constexpr uint32_t kStaging = 0x10000;

// A block: type, 16-bit count, two bytes not read, then the stream.
Bytes Block(uint8_t type, uint16_t count, Bytes stream) {
  Bytes b(5 + stream.size(), 0xCC);
  b[0] = type;
  b[1] = static_cast<uint8_t>(count);
  b[2] = static_cast<uint8_t>(count >> 8);
  std::copy(stream.begin(), stream.end(), b.begin() + 5);
  return b;
}

Bytes Repeat(uint8_t value, size_t count) {
  return Bytes(count, value);
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

// ---- single blocks on a fresh program ----

struct DecodeCase {
  const char* name;
  Bytes block;  // placed at ROM offset 0x100; the ROM ends right after it
  Bytes expected;
};

class DecodeBlock : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeBlock, YieldsExactlyTheExpectedBytes) {
  const DecodeCase& c = GetParam();
  HeadlessProgram p;
  TmyForm& f = p.form();
  Bytes rom(0x100, 0);
  rom.insert(rom.end(), c.block.begin(), c.block.end());
  test::LoadRomImage(f, rom);

  const int32_t n = f.DecompressBlock(0x100);
  ASSERT_EQ(n, static_cast<int32_t>(c.expected.size()));
  EXPECT_EQ(Wram(f, 0, c.expected.size()), c.expected);
  EXPECT_EQ(Wram(f, kStaging, c.expected.size()), c.expected);
  EXPECT_EQ(f.gDumpSize, c.expected.size());
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

INSTANTIATE_TEST_SUITE_P(
    Decoder, DecodeBlock,
    testing::Values(
        // Only the header is looked at: the stream's garbage is never read.
        DecodeCase{"LengthZero", Block(3, 0, {0x00, 0x12, 0x34}), {}},
        // The 18-byte reference ends after 5 bytes; the rest of it and of the group is ignored.
        DecodeCase{"LengthFiveStopsInsideReference", Block(3, 5, Cat({{0x00}, Ref(0xFEE, 18), {0xFF}})),
                   Repeat(0, 5)},
        // Flag 0x01: the literal comes first (bits are taken LSB first), then seven references to
        // the literal's ring position, each copying the growing run.
        DecodeCase{"FlagBitsLeastSignificantFirst",
                   Block(3, 22,
                         Cat({{0x01, 'A'},
                              Ref(0xFEE, 3),
                              Ref(0xFEE, 3),
                              Ref(0xFEE, 3),
                              Ref(0xFEE, 3),
                              Ref(0xFEE, 3),
                              Ref(0xFEE, 3),
                              Ref(0xFEE, 3)})),
                   Repeat('A', 22)},
        // Right after start-up the ring is zero: position 0xFEE is not pre-filled.
        DecodeCase{"RingIsZeroAfterStartUp", Block(3, 3, Cat({{0x00}, Ref(0xFEE, 3)})), Repeat(0, 3)},
        // Copy position = write position - 1: the last byte repeats 18 times.
        DecodeCase{"OverlappingReferenceRepeatsLastByte",
                   Block(3, 20, Cat({{0x03, 'x', 'y'}, Ref(0xFEF, 18)})), Cat({{'x'}, Repeat('y', 19)})},
        // A second group starts after eight items.
        DecodeCase{
            "SecondGroup", Block(3, 9, {0xFF, 1, 2, 3, 4, 5, 6, 7, 8, 0x01, 9}), {1, 2, 3, 4, 5, 6, 7, 8, 9}},
        // Twenty literals fill ring positions 0xFEE-0xFFF and wrap to 0x000-0x001; a reference
        // to 0xFFE reads across the wrap.
        DecodeCase{"RingWraps",
                   Block(3, 24,
                         Cat({{0xFF, 1, 2, 3, 4, 5, 6, 7, 8},
                              {0xFF, 9, 10, 11, 12, 13, 14, 15, 16},
                              {0x0F, 17, 18, 19, 20},
                              Ref(0xFFE, 4)})),
                   {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 17, 18, 19, 20}},
        // The stream runs off the end of the ROM: the bytes made until then are the result.
        DecodeCase{"StreamCutInLiteral", Block(3, 10, {0xFF, 'a', 'b'}), {'a', 'b'}},
        DecodeCase{"StreamCutInReference", Block(3, 10, {0x01, 'a', 0xEE}), {'a'}},
        DecodeCase{
            "StreamCutBeforeFlag", Block(3, 10, {0xFF, 1, 2, 3, 4, 5, 6, 7, 8}), {1, 2, 3, 4, 5, 6, 7, 8}},
        DecodeCase{"HeaderCut", {3, 0x10}, {}},
        // Type 0: stored bytes behind the same 5-byte header.
        DecodeCase{"StoredBlock", Block(0, 4, {9, 8, 7, 6, 5}), {9, 8, 7, 6}},
        DecodeCase{"StoredBlockCut", Block(0, 10, {9, 8, 7}), {9, 8, 7}},
        // Types 1, 2 and others decode nothing.
        DecodeCase{"Type1", Block(1, 4, {1, 2, 3, 4}), {}},
        DecodeCase{"Type2", Block(2, 4, {1, 2, 3, 4}), {}},
        DecodeCase{"Type0x80", Block(0x80, 4, {1, 2, 3, 4}), {}}),
    [](const testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.name); });

TEST(Decompress, WithoutRomReturnsMinusOneAndChangesNothing) {
  HeadlessProgram p;
  TmyForm& f = p.form();
  uint32_t size = 99;
  EXPECT_EQ(f.DecompressBlock(0), -1);
  EXPECT_EQ(f.DecompressBlockTable(0x130000, &size), nullptr);
  EXPECT_EQ(size, 0u);
  EXPECT_TRUE(p.ui.messages().empty());
  EXPECT_TRUE(std::all_of(f.gWRAM.get(), f.gWRAM.get() + kWramSize, [](uint8_t b) { return b == 0; }));
}

TEST(Decompress, OffsetPastTheRomYieldsNothing) {
  HeadlessProgram p;
  TmyForm& f = p.form();
  test::LoadRomImage(f, Bytes(0x100, 3));
  EXPECT_EQ(f.DecompressBlock(0x100), 0);
  EXPECT_EQ(f.DecompressBlock(0xFFFFFFFF), 0);
}

TEST(Decompress, OtherTypesLeaveWorkingRamAsTheLastBlockLeftIt) {
  HeadlessProgram p;
  TmyForm& f = p.form();
  Bytes rom = test::CompressBlock(RandomBytes(0x1100, 7));
  const uint32_t second = static_cast<uint32_t>(rom.size());
  for (uint8_t b : Block(2, 0x40, Repeat(0x55, 0x40))) rom.push_back(b);
  test::LoadRomImage(f, Unheadered(rom));
  ASSERT_EQ(f.DecompressBlock(0), 0x1100);
  const Bytes before = Wram(f, 0, kWramSize);
  EXPECT_EQ(f.DecompressBlock(second), 0);
  EXPECT_EQ(Wram(f, 0, kWramSize), before);
}

// ---- Working RAM across blocks: compared with a plain model that copies all 64 KiB ----

class ReferenceDecoder {
 public:
  Bytes wram = Bytes(kWramSize, 0);

  int32_t run(const Bytes& rom, uint32_t p) {
    auto at = [&](uint64_t i) -> int { return i < rom.size() ? rom[i] : -1; };
    uint8_t* ring = wram.data() + 0x1000;
    uint8_t* staging = wram.data() + kStaging;
    uint32_t out = 0;
    if (at(p) == 3) {
      uint32_t left = static_cast<uint32_t>(at(p + 1) | at(p + 2) << 8);
      uint64_t s = p + 5;
      uint32_t w = 0xFEE;
      while (left > 0) {
        int flags = at(s++);
        for (int bit = 0; bit < 8 && left > 0; ++bit, flags >>= 1) {
          if (flags & 1) {
            const uint8_t c = static_cast<uint8_t>(at(s++));
            staging[out++] = ring[w] = c;
            w = (w + 1) & 0xFFF;
            --left;
          } else {
            const int a = at(s++), b = at(s++);
            uint32_t from = static_cast<uint32_t>(a + ((b & 0xF0) << 4));
            for (int k = 0; k < (b & 0x0F) + 3 && left > 0; ++k) {
              const uint8_t c = ring[from];
              staging[out++] = ring[w] = c;
              w = (w + 1) & 0xFFF;
              from = (from + 1) & 0xFFF;
              --left;
            }
          }
        }
      }
    } else if (at(p) == 0) {
      out = static_cast<uint32_t>(at(p + 1) | at(p + 2) << 8);
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
  auto add = [&](const Bytes& block) {
    offsets.push_back(static_cast<uint32_t>(rom.size()));
    rom.insert(rom.end(), block.begin(), block.end());
  };
  add(test::CompressBlock(big));
  add(Block(3, 18, Cat({{0x00}, Ref(0x100, 18)})));  // reads the ring the big block left
  add(Block(0, 40, RandomBytes(40, 2)));
  add(Block(2, 40, {}));
  add(test::CompressBlock(RandomBytes(100, 3)));
  add(Block(3, 21, Cat({{0x02, 'q'}, Ref(0xFEE, 3), Ref(0xFF0, 17)})));  // overlaps its own output
  add(test::CompressBlock(RandomBytes(0x1400, 4)));
  add(Block(3, 30, Cat({{0x00}, Ref(0x3F0, 18), Ref(0x500, 12)})));
  rom = Unheadered(rom);

  HeadlessProgram p;
  TmyForm& f = p.form();
  test::LoadRomImage(f, rom);
  ReferenceDecoder model;
  for (size_t i = 0; i < offsets.size(); ++i) {
    SCOPED_TRACE("block " + std::to_string(i));
    const int32_t expected = model.run(rom, offsets[i]);
    ASSERT_EQ(f.DecompressBlock(offsets[i]), expected);
    ASSERT_TRUE(std::equal(model.wram.begin(), model.wram.end(), f.gWRAM.get()));
    if (i == 0) {
      EXPECT_EQ(Wram(f, 0, big.size()), big);
    }
    if (i == 1) {
      EXPECT_EQ(Wram(f, 0, 18), Bytes(big.begin() + 0x1100, big.begin() + 0x1112));
    }
  }
}

// ---- glyph tables ----

std::vector<Glyph> NumberedGlyphs(size_t count) {
  std::vector<Glyph> glyphs(count);
  for (size_t i = 0; i < count; ++i)
    for (size_t k = 0; k < 32; ++k) glyphs[i][k] = static_cast<uint8_t>(i * 7 + k * (i % 5 + 1));
  return glyphs;
}

TEST(GlyphTable, FirstPointer0x400GivesFiveHundredTwelveGlyphs) {
  const std::vector<Glyph> glyphs = NumberedGlyphs(512);
  test::RomBuilder rom;
  rom.fontTable(glyphs);
  ASSERT_EQ(rom.data()[0x130000] | rom.data()[0x130001] << 8, 0x400);

  HeadlessProgram p;
  TmyForm& f = p.form();
  test::LoadRomImage(f, rom.file());
  uint32_t size = 0;
  std::unique_ptr<uint8_t[]> font = f.DecompressBlockTable(0x130000, &size);
  ASSERT_NE(font, nullptr);
  ASSERT_EQ(size, 0x8000u);
  for (size_t i = 0; i < glyphs.size(); ++i)
    ASSERT_TRUE(std::equal(glyphs[i].begin(), glyphs[i].end(), font.get() + 32 * i)) << "glyph " << i;
  EXPECT_TRUE(std::all_of(font.get() + 512 * 32, font.get() + size, [](uint8_t b) { return b == 0; }));
  // Working RAM holds the last block's result, and the dump count is its length.
  EXPECT_EQ(Wram(f, 0, 32), Bytes(glyphs.back().begin(), glyphs.back().end()));
  EXPECT_EQ(f.gDumpSize, 32u);
}

TEST(GlyphTable, LongBlocksRunIntoLaterSlotsAndStopAtTheBufferEnd) {
  // Two entries (first pointer 4, buffer 128 bytes): block 0 yields 40 bytes, block 1 yields 200.
  const Bytes first = RandomBytes(40, 5), second = RandomBytes(200, 6);
  test::RomBuilder rom;
  rom.put16(0x130000, 0x0004).put16(0x130002, 0x0100);
  rom.put(0x130004, test::CompressBlock(first)).put(0x130100, test::CompressBlock(second));

  HeadlessProgram p;
  TmyForm& f = p.form();
  test::LoadRomImage(f, rom.file());
  uint32_t size = 0;
  std::unique_ptr<uint8_t[]> font = f.DecompressBlockTable(0x130000, &size);
  ASSERT_EQ(size, 128u);
  Bytes expected(first.begin(), first.begin() + 32);
  expected.insert(expected.end(), second.begin(), second.begin() + 96);
  EXPECT_EQ(Bytes(font.get(), font.get() + size), expected);
}

TEST(GlyphTable, TableCutByTheRomEndKeepsWhatWasRead) {
  // A table in the middle of its bank: entries while T + 2i < bank + first pointer (8 entries),
  // but the ROM ends in the middle of the fourth pointer.
  const std::vector<Glyph> glyphs = NumberedGlyphs(3);
  test::RomBuilder rom(0x138007);
  rom.put16(0x138000, 0x8010).put16(0x138002, 0x0100).put16(0x138004, 0x0200).put8(0x138006, 0x03);
  rom.put(0x130100, test::CompressBlock(glyphs[1])).put(0x130200, test::CompressBlock(glyphs[2]));

  HeadlessProgram p;
  TmyForm& f = p.form();
  test::LoadRomImage(f, rom.file());
  uint32_t size = 0;
  std::unique_ptr<uint8_t[]> font = f.DecompressBlockTable(0x138000, &size);
  ASSERT_NE(font, nullptr);
  ASSERT_EQ(size, 0x8010u * 32);
  Bytes expected(size, 0);  // block 0 lies past the ROM's end and yields nothing
  std::copy(glyphs[1].begin(), glyphs[1].end(), expected.begin() + 32);
  std::copy(glyphs[2].begin(), glyphs[2].end(), expected.begin() + 64);
  EXPECT_EQ(Bytes(font.get(), font.get() + size), expected);
}

TEST(GlyphTable, RomWithoutRoomForTheTableGivesAnEmptyFont) {
  for (size_t romSize : {size_t{0x120000}, size_t{0x130001}}) {
    HeadlessProgram p;
    TmyForm& f = p.form();
    test::LoadRomImage(f, test::RomBuilder(romSize).file());
    uint32_t size = 99;
    std::unique_ptr<uint8_t[]> font = f.DecompressBlockTable(0x130000, &size);
    EXPECT_NE(font, nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_TRUE(p.ui.messages().empty());
  }
}

TEST(GlyphTable, FailedBufferAllocationReportsAndCloses) {
  HeadlessProgram p;
  TmyForm& f = p.form();
  test::LoadRomImage(f, test::RomBuilder().fontTable(NumberedGlyphs(2)).file());
  f.failAllocation = [](const std::string& what) { return what == "gFONT"; };
  uint32_t size = 99;
  EXPECT_EQ(f.DecompressBlockTable(0x130000, &size), nullptr);
  EXPECT_EQ(p.ui.messages(), std::vector<std::string>{"Error: Could not allocate needed memory."});
  EXPECT_TRUE(f.closed);
}

// ---- menu commands ----

TEST(DumpMemory, WritesTheLastDecompressionFromWorkingRamOffsetZero) {
  test::TempDir dir;
  HeadlessProgram p;
  TmyForm& f = p.form();
  const Bytes data = RandomBytes(300, 9);
  test::LoadRomImage(f, Unheadered(test::CompressBlock(data)));
  ASSERT_EQ(f.DecompressBlock(0), 300);

  EXPECT_FALSE(p.ui.menuItem(MenuId::DumpMemory1).enabled());
  f.RunMenuCommand(MenuId::DumpMemory1);  // disabled: nothing happens
  EXPECT_TRUE(p.ui.script.dialogsRun.empty());

  f.FSave.fileName = "left over";
  p.ui.script.saveAnswers.push_back(dir.file("wram.bin"));
  f.DumpMemory1Click(kNoSender);
  ASSERT_EQ(p.ui.script.dialogsRun.size(), 1u);
  const FileDialog& shown = p.ui.script.dialogsRun.back();
  EXPECT_EQ(shown.title, "Dump Working RAM to file...");
  EXPECT_EQ(shown.initialDir, f.gStartDir);
  EXPECT_EQ(shown.fileName, "");
  EXPECT_EQ(test::ReadFileBytes(dir.file("wram.bin")), data);
  EXPECT_TRUE(p.ui.messages().empty());
}

TEST(DumpMemory, CancelWritesNothingAndAFailedOpenIsReported) {
  test::TempDir dir;
  HeadlessProgram p;
  TmyForm& f = p.form();
  p.ui.script.saveAnswers.push_back(std::nullopt);
  f.DumpMemory1Click(kNoSender);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  EXPECT_TRUE(p.ui.messages().empty());

  p.ui.script.saveAnswers.push_back(dir.file("missing/wram.bin"));
  f.DumpMemory1Click(kNoSender);
  EXPECT_EQ(p.ui.messages(), std::vector<std::string>{"Error: Could not open file for saving..."});
  EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
}

TEST(DecompresstoFiles, ShowsTheListDataWindow) {
  HeadlessProgram p;
  p.ui.win(FormId::cmForm).setVisible(false);
  p.form().RunMenuCommand(MenuId::DecompresstoFiles1);  // hidden in the menu, reached by Ctrl+B
  EXPECT_TRUE(p.ui.win(FormId::cmForm).visible());
  EXPECT_EQ(p.ui.win(FormId::cmForm).showCount, 1);
}

}  // namespace
}  // namespace ts2
