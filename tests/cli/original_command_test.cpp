// ts2tool original: the original text of the script as UTF-8 sections; --block in its three
// forms; the Shift-JIS to UTF-8 conversion behind it.
#include <gtest/gtest.h>

#include "cli/sjis_utf8.h"
#include "tool.h"

namespace ts2::test {
namespace {

TEST(ShiftJisToUtf8, CharacterByCharacter) {
  const std::string kBad = "\xEF\xBF\xBD";  // U+FFFD
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"abc\\~\r\n", "abc\\~\r\n"},                      // ASCII stays, backslash and tilde too
      {"\x82\xA0\x82\xA2", "\xE3\x81\x82\xE3\x81\x84"},  // hiragana a, i
      {"\x81\x5F", "\xEF\xBC\xBC"},                      // a trail byte in the ASCII range
      {"\xB1", "\xEF\xBD\xB1"},                          // half-width katakana
      {"\x87\x40", "\xE2\x91\xA0"},                      // the code page's own additions
      {"\x85\x40x", kBad + "x"},                         // a pair with no character: one U+FFFD
      {"\x80"
       "A\xA0\xFD",
       kBad + "A" + kBad + kBad},
      {"\x82\r\n", kBad + "\r\n"},  // a lead byte without a trail byte keeps what follows
      {"A\x82", "A" + kBad},
  };
  for (const auto& [sjis, utf8] : cases) EXPECT_EQ(cli::ShiftJisToUtf8(sjis), utf8) << sjis;
}

using Original = DemoSet;

constexpr char kBlock0[] =
    "// Block CA0000 (translation file 000A0000.txt): 6 strings\r\n\r\n"
    ".STRING 0\r\nWelcome to Tormel Saragon!\r\n.ENDS\r\n\r\n"
    ".STRING 1\r\nTake the SWORD and go.\r\n.ENDS\r\n\r\n"
    ".STRING 2\r\nAsk Mira or Tom.\r\n.ENDS\r\n\r\n"
    ".STRING 3\r\nGold: 100 \xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\r\n.ENDS\r\n\r\n"
    ".STRING 4\r\nFind Kor in the east.\r\n.ENDS\r\n\r\n"
    ".STRING 5\r\nBeware the DRAGON!\r\n.ENDS\r\n\r\n";

TEST_F(Original, WritesABlocksStringsAsSectionsInUtf8) {
  ToolRun r = RunTool(dir, "original demo.sfc demo.txt --block 0");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, kBlock0);
  // Every block, in list order; -o writes the same bytes.
  r = RunTool(dir, "original demo.sfc demo.txt -o all.txt");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  const std::string all = ReadFileText(dir.file("all.txt"));
  EXPECT_EQ(all.substr(0, sizeof kBlock0 - 1), kBlock0);
  const size_t second = all.find("// Block C60000 (translation file 00060000.txt): 4 strings\r\n");
  const size_t third = all.find("// Block CA8000 (translation file 000A8000.txt): 3 strings\r\n");
  EXPECT_TRUE(second != std::string::npos && third != std::string::npos && second < third) << all;
  EXPECT_NE(all.find(".STRING 2\r\nThe inn is warm and quiet.\r\n.ENDS\r\n", second), std::string::npos);
}

TEST_F(Original, BlockByIndexListedAddressOrFileOffset) {
  const std::string second = RunTool(dir, "original demo.sfc demo.txt --block 1").out;
  ASSERT_EQ(second.substr(0, 25), "// Block C60000 (translat");
  for (const char* block : {"C60000", "c60000", "'$C60000'", "0x60000", "0X60000", "01"})
    EXPECT_EQ(RunTool(dir, std::string("original demo.sfc demo.txt --block ") + block).out, second) << block;
  // Other commands take the same forms.
  const ToolRun decoded = RunTool(dir, "decode demo.sfc demo.txt --block CA8000 --string 1");
  EXPECT_HAS(decoded.out, "\"pointer_offset\":688130") << decoded.err;

  const struct {
    const char* block;
    int status;
    const char* error;
  } bad[] = {
      {"3", 1, "ts2tool: block 3 does not exist (the data file lists 3)\n"},
      {"C70000", 1, "ts2tool: block C70000 does not exist (the data file lists 3)\n"},
      {"0x70000", 1, "ts2tool: block 0x70000 does not exist (the data file lists 3)\n"},
      {"xyz", 2, nullptr},
      {"0xZ", 2, nullptr},
      {"-1", 2, nullptr},
  };
  for (const auto& b : bad) {
    const ToolRun r = RunTool(dir, std::string("original demo.sfc demo.txt --block ") + b.block);
    EXPECT_EQ(r.status, b.status) << b.block;
    EXPECT_EQ(r.out, "") << b.block;
    if (b.error) {
      EXPECT_EQ(r.err, b.error);
    }
  }
}

TEST_F(Original, CodesWithoutTextControlCodesAndALineBreakAtTheEnd) {
  // A block of one wide string (pointer table 0x8000, text at 0x8100): A, a code without text,
  // Pause 05, a line break, hiragana a, a table text that is no Shift-JIS, a closing line break.
  std::string rom = ReadFileText(dir.file("demo.sfc"));
  const uint8_t string[] = {0xE6, 0x41, 0x00, 0x34, 0x12, 0x05, 0xF1, 0x00,
                            0xFD, 0x80, 0x00, 0x00, 0x30, 0x00, 0xFD};
  rom[0x8000] = 0x00;
  rom[0x8001] = static_cast<char>(0x81);
  std::copy(std::begin(string), std::end(string), rom.begin() + 0x8100);
  dir.write("demo.sfc", rom);
  dir.write("one.txt",
            ".BLOCK $C08000 $C00000 0 1\n.TABLE\n0041=A\n0080=\\x82\\xA0\n3000=\\x85\\x40\n.ENDTABLE\n");
  const ToolRun r = RunTool(dir, "original demo.sfc one.txt");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "// Block C08000 (translation file 00008000.txt): 1 string\r\n\r\n"
            ".STRING 0\r\nA[$1234][Pause$05]\r\n\xE3\x81\x82\xEF\xBF\xBD\r\n\r\n.ENDS\r\n\r\n");
}

}  // namespace
}  // namespace ts2::test
