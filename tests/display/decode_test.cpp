#include <gtest/gtest.h>

#include "display/decode.h"
#include "display_fixture.h"

namespace ts2 {
namespace {

constexpr uint32_t kTable = 0x2000, kBank = 0x10000;

// A ROM image whose string 0 of the block at kTable holds `bytes` at bank offset 0x100.
std::vector<uint8_t> RomWithString(const std::vector<uint8_t>& bytes, uint32_t table = kTable) {
  std::vector<uint8_t> rom(std::max<size_t>(0x20000, table + 2), 0);
  rom[table] = 0x00;
  rom[table + 1] = 0x01;
  std::copy(bytes.begin(), bytes.end(), rom.begin() + kBank + 0x100);
  return rom;
}

std::vector<uint16_t> Offsets(std::initializer_list<uint32_t> codes) {
  std::vector<uint16_t> out;
  for (uint32_t c : codes) out.push_back(static_cast<uint16_t>(c * 32));
  return out;
}

struct HeaderCase {
  const char* name;
  uint32_t table;
  std::vector<uint8_t> bytes;
  std::vector<uint16_t> glyphs;
};

TEST(DecodeRomString, HeaderKinds) {
  const HeaderCase cases[] = {
      {"K0 six one-byte characters", kTable, {0x05, 1, 2, 3, 4, 5, 6, 9}, Offsets({1, 2, 3, 4, 5, 6})},
      {"K7 two 16-bit characters", kTable, {0xE1, 0x34, 0x01, 0x02, 0x00}, Offsets({0x134, 0x002})},
      {"K1 entry 0x42 raises the third character",
       kTable,
       {0x23, 0x42, 7, 8, 9, 10},
       Offsets({7, 8, 0x209, 10})},
      {"special block: entry 0x02 sets bit 8",
       kSpecialEntryBlock,
       {0x23, 0x02, 7, 8, 9, 10},
       Offsets({7, 8, 0x109, 10})},
      // In the special block the whole entry is the index: 0x42 names no character.
      {"special block: entry 0x42 matches nothing",
       kSpecialEntryBlock,
       {0x23, 0x42, 7, 8, 9, 10},
       Offsets({7, 8, 9, 10})},
      // Only the next entry is tested: entry 1 waits behind an entry for a later character.
      {"entries are used in stored order", kTable, {0x42, 0x22, 0x21, 7, 8, 9}, Offsets({7, 8, 0x109})},
      {"two entries in order", kTable, {0x42, 0x20, 0xE2, 5, 6, 7}, Offsets({0x105, 6, 0x707})},
      {"32 characters at most", kTable, std::vector<uint8_t>(40, 0x1F), std::vector<uint16_t>(32, 0x1F * 32)},
      // code x 32 is taken in 16 bits: 0x800 and up lose their high bits.
      {"16-bit offsets wrap", kTable, {0xE0, 0x01, 0x08}, Offsets({0x001})},
  };
  for (const HeaderCase& c : cases) {
    const std::vector<uint8_t> rom = RomWithString(c.bytes, c.table);
    const DecodedString s = DecodeRomString(rom, c.table, kBank | 0x1234, 0);
    EXPECT_EQ(s.pointer, 0x100) << c.name;
    EXPECT_EQ(s.address, kBank + 0x100) << c.name;
    EXPECT_EQ(s.glyphs, c.glyphs) << c.name;
  }
}

TEST(DecodeRomString, NeverReadsOutsideTheImage) {
  std::vector<uint8_t> rom = RomWithString({});
  // The pointer itself lies outside: no pointer, no glyphs.
  EXPECT_FALSE(DecodeRomString(rom, static_cast<uint32_t>(rom.size()) - 1, kBank, 0).pointer);
  EXPECT_TRUE(DecodeRomString(rom, 0xFFFFFFFE, kBank, 1).glyphs.empty());
  // The header lies outside (a bank past the end): a pointer, no glyphs.
  const DecodedString far = DecodeRomString(rom, kTable, 0x7F0000, 0);
  EXPECT_EQ(far.pointer, 0x100);
  EXPECT_TRUE(far.glyphs.empty());
  EXPECT_FALSE(far.firstChar);
  // Characters past the end are left out: 6 announced, 2 present.
  rom.resize(kBank + 0x100 + 3);
  rom[kBank + 0x100] = 0x05;
  rom[kBank + 0x101] = 1;
  rom[kBank + 0x102] = 2;
  EXPECT_EQ(DecodeRomString(rom, kTable, kBank, 0).glyphs, Offsets({1, 2}));
  // A 16-bit character cut by the end is left out too; so are entries' characters.
  rom[kBank + 0x100] = 0xE1;
  EXPECT_EQ(DecodeRomString(rom, kTable, kBank, 0).glyphs, Offsets({0x201}));
  rom[kBank + 0x100] = 0x43;  // K = 2: both "characters" present are entries
  EXPECT_TRUE(DecodeRomString(rom, kTable, kBank, 0).glyphs.empty());
}

using DecodeStringTest = test::DisplayTest;

TEST_F(DecodeStringTest, SetsThePointerAndReadPosition) {
  std::vector<uint8_t> rom = RomWithString({0x01, 0x41, 0x42});
  rom[kTable + 2] = 0xFF;  // string 1's header is the image's last byte
  rom[kTable + 3] = 0xFF;
  LoadRom(rom);
  SetBlock(kTable, kBank, 2);
  f.gCurString = 0;
  EXPECT_EQ(f.DecodeString(), Offsets({0x41, 0x42}));
  EXPECT_EQ(f.gStringPtr, 0x100);
  EXPECT_EQ(f.gTextSrc, f.gROM + kBank + 0x101);
  f.gCurString = 1;
  EXPECT_TRUE(f.DecodeString().empty());
  EXPECT_EQ(f.gStringPtr, 0xFFFF);
  // A pointer table outside the image reads as pointer 0.
  f.gBlockOffset[0] = 0x7FFFFF;
  EXPECT_TRUE(f.DecodeString().empty());
  EXPECT_EQ(f.gStringPtr, 0);
  EXPECT_EQ(f.gTextSrc, nullptr);
}

}  // namespace
}  // namespace ts2
