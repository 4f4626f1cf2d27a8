#include <gtest/gtest.h>

#include <string>

#include "config/config.h"
#include "config/scan.h"

namespace ts2 {
namespace {

TEST(ParseValue, EveryNumberForm) {
  // clang-format off
  const std::pair<std::string, int32_t> cases[] = {
      // "$", "X", "x": hexadecimal from the second character (the conversion takes a "0x" prefix)
      {"$C60000", 0xC60000}, {"xff", 0xFF}, {"X1f", 0x1F}, {"$0x10", 0x10}, {"$G", 0},
      // apostrophe: the code of the next character
      {"'A", 'A'}, {"'\xE9", 0xE9}, {"'", 0},
      // leading zero: "0x" hexadecimal, otherwise decimal
      {"0X1a", 0x1A}, {"0F", 0}, {"010", 10},
      // backslash: "\x" hexadecimal, otherwise decimal from the backslash, which is 0
      {"\\x41", 0x41}, {"\\41", 0},
      // a letter A-F anywhere makes the word hexadecimal, otherwise decimal
      {"1F", 31}, {"9F", 0x9F}, {"100", 100}, {"12G", 12}, {"G12", 0}, {"1g2b", 0x1}, {"", 0},
      // signs and the 32-bit limits of the conversion
      {"-1F", -31}, {"+7", 7}, {"4294967296", -1}, {"$1FFFFFFFF", -1}, {"2147483648", INT32_MIN},
      // a word ends at a zero byte
      {std::string("$1\0" "2", 4), 1},
  };
  // clang-format on
  for (const auto& [word, value] : cases) EXPECT_EQ(ParseValue(word), value) << "word \"" << word << "\"";
}

TEST(SnesToFileOffset, ClearsTheMirrorBits) {
  for (auto [in, out] : {std::pair<uint32_t, uint32_t>{0xC60000, 0x060000},
                         {0x7E1234, 0x3E1234},
                         {0x2A, 0x2A},
                         {0xFFFFFFFF, 0xFF3FFFFF}})
    EXPECT_EQ(SnesToFileOffset(in), out) << std::hex << in;
}

TEST(LineScanner, FailedConversionsConsumeNothing) {
  LineScanner s("zz 4G -0x10 0xZ 99999999999");
  EXPECT_EQ(s.hex(), std::nullopt);
  EXPECT_EQ(s.word(), "zz");
  EXPECT_EQ(s.hex(), 4u);
  EXPECT_EQ(s.word(), "G");
  EXPECT_EQ(s.hex(), 0xFFFFFFF0u);
  EXPECT_EQ(s.hex(), std::nullopt);  // "0x" without a digit after it is no number
  EXPECT_EQ(s.word(), "0xZ");
  EXPECT_EQ(s.decimal(), INT32_MAX);
  EXPECT_EQ(s.word(), std::nullopt);
}

}  // namespace
}  // namespace ts2
