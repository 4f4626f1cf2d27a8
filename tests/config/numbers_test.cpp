#include <gtest/gtest.h>

#include <string>

#include "config/config.h"
#include "config/scan.h"

namespace ts2 {
namespace {

TEST(ParseValue, EveryNumberForm) {
  struct Case {
    std::string word;
    int32_t value;
  };
  const Case cases[] = {
      // "$", "X", "x": hexadecimal from the second character
      {"$C60000", 0xC60000},
      {"xff", 0xFF},
      {"X1f", 0x1F},
      {"$0x10", 0x10},  // the conversion itself takes an "0x" prefix
      {"$", 0},
      {"$G", 0},
      // apostrophe: the code of the next character
      {"'A", 'A'},
      {"'\xE9", 0xE9},
      {"'", 0},
      {"'AB", 'A'},
      // leading zero: "0x" hexadecimal, otherwise decimal
      {"0x1A", 0x1A},
      {"0X1a", 0x1A},
      {"0F", 0},
      {"010", 10},
      {"0", 0},
      {"0x", 0},
      // backslash
      {"\\x41", 0x41},
      {"\\X41", 0x41},
      {"\\41", 0},
      {"\\", 0},
      // a hexadecimal letter anywhere makes the word hexadecimal, otherwise decimal
      {"1F", 31},
      {"FF", 255},
      {"2A", 42},
      {"C60000", 0xC60000},
      {"10", 10},
      {"100", 100},
      {"80", 80},
      {"9F", 0x9F},
      {"12G", 12},  // G is no hexadecimal letter: decimal up to it
      {"G12", 0},
      {"1g2b", 0x1},
      {"", 0},
      // signs and 32-bit limits of the conversion
      {"-1", -1},
      {"-1F", -31},
      {"+7", 7},
      {"4294967295", -1},
      {"4294967296", -1},  // overflow gives 0xFFFFFFFF
      {"$FFFFFFFF", -1},
      {"$1FFFFFFFF", -1},
      {"2147483648", INT32_MIN},
      // a word ends at a zero byte
      {std::string("$1\0"
                   "2",
                   4),
       1},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseValue(c.word), c.value) << "word \"" << c.word << "\"";
}

TEST(SnesToFileOffset, ClearsTheMirrorBits) {
  const std::pair<uint32_t, uint32_t> cases[] = {
      {0, 0},        {0xC60000, 0x060000}, {0x7E1234, 0x3E1234}, {0x060000, 0x060000},
      {0xC00000, 0}, {0x400000, 0},        {0x2A, 0x2A},         {0xFFFFFFFF, 0xFF3FFFFF},
  };
  for (auto [in, out] : cases) EXPECT_EQ(SnesToFileOffset(in), out) << std::hex << in;
}

TEST(LineScanner, ReadsLikeTheCLibrary) {
  LineScanner a("  .Font\t1a2B rest");
  EXPECT_EQ(a.word(), ".Font");
  EXPECT_EQ(a.hex(), 0x1A2Bu);
  EXPECT_EQ(a.word(), "rest");
  EXPECT_EQ(a.word(), std::nullopt);

  // A failed conversion consumes nothing; the next word starts where it stood.
  LineScanner b("zz 12");
  EXPECT_EQ(b.hex(), std::nullopt);
  EXPECT_EQ(b.word(), "zz");
  EXPECT_EQ(b.decimal(), 12);

  // Conversions stop at the first character outside their base.
  LineScanner c("4G x -0x10 0xZ");
  EXPECT_EQ(c.hex(), 4u);
  EXPECT_EQ(c.word(), "G");
  EXPECT_EQ(c.word(), "x");
  EXPECT_EQ(c.hex(), 0xFFFFFFF0u);
  EXPECT_EQ(c.hex(), 0u);  // "0x" without a digit after it reads the 0
  EXPECT_EQ(c.word(), "xZ");

  LineScanner d("-5 99999999999 -99999999999 7x");
  EXPECT_EQ(d.decimal(), -5);
  EXPECT_EQ(d.decimal(), INT32_MAX);
  EXPECT_EQ(d.decimal(), INT32_MIN);
  EXPECT_EQ(d.decimal(), 7);
  EXPECT_EQ(d.decimal(), std::nullopt);
}

}  // namespace
}  // namespace ts2
