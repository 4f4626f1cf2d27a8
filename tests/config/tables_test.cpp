#include <gtest/gtest.h>

#include <string>

#include "config/config.h"
#include "core/fileutil.h"
#include "fixture.h"

namespace ts2 {
namespace {

using test::ChangedEntries;
using test::ConfigTest;

std::string Section(const std::string& body) {
  return ".TABLE\n" + body + ".ENDTABLE\n";
}

// ---- code entries ----

TEST_F(ConfigTest, CodeEntriesAndThePositionRule) {
  // "=" at position 0-2: one-byte code, further right: two-byte code. Text, length, null flag.
  // clang-format off
  const std::tuple<std::string, bool, uint32_t, std::string, uint16_t, uint8_t> cases[] = {
      {"41=A", false, 0x41, "A", 1, 0},          {"0041=A", true, 0x0041, "A", 1, 0},
      {"  6=C", true, 0x06, "C", 1, 0},          // blanks count in the position
      {"8141=", true, 0x8141, "[$8141]", 0, 1},  {"42=", false, 0x42, "[$42]", 0, 1},
      {"8143=A\\x41B", true, 0x8143, "AAB", 3, 0},
      {"8145=\\x00A\\x4g", true, 0x8145, std::string("\0A\x04", 3), 3, 0},
      {"8147=A\\x", true, 0x8147, std::string("A\0", 2), 2, 0},  // an escape at the end takes what is left
      {"8148=\\X41\\y", true, 0x8148, "\\X41\\y", 6, 0},         // only "\x" is an escape
      {"8149=first second", true, 0x8149, "first", 5, 0},
      {"814A==x", true, 0x814A, "=x", 2, 0},
      {"4G=x", false, 0x04, "G", 1, 0},          // the code stops at "G", which becomes the text
  };
  // clang-format on
  std::string body;
  for (const auto& c : cases) body += std::get<0>(c) + "\n";
  Load(Section(body));
  for (const auto& [line, wide, code, text, length, null] : cases) {
    const CharEntry& e = wide ? c16(code) : c8(code);
    EXPECT_EQ(std::tuple(e.text, e.length, e.nullFlag, e.colour), std::tuple(text, length, null, 0x0F))
        << line;
  }
}

TEST_F(ConfigTest, EntriesTheTablesCannotHoldAreDroppedAndLaterOnesReplace) {
  Load(
      Section("ZZ=foo\n"    // not hexadecimal
              "0x =bar\n"   // "0x" and no digit: no code, not code 0 with the text "x"
              "=\n"         // no code at all
              "-1=x\n"      // a sign makes it 0xFFFFFFFF
              "123456=x\n"  // beyond the two-byte table
              "1FF=x\n"     // "=" at position 3: two-byte 0x1FF is fine
              ".NULL 05\n"  // a range needs four words
              "8140=abc\n8140=\n8140=z\n"));
  EXPECT_EQ(c16(0x1FF).text, "x");
  EXPECT_EQ(ChangedEntries(form().gCharTable, 256), 0);
  EXPECT_EQ(ChangedEntries(form().gCharTable16, 65536), 2);
  EXPECT_EQ(std::tuple(c16(0x8140).text, c16(0x8140).length), std::tuple("z", 1));
  EXPECT_EQ(c16(0x8140).nullFlag, 1);  // set by the empty text, never cleared
}

// ---- null ranges ----

TEST_F(ConfigTest, NullRangesAreClippedToTheirTable) {
  form().gCharTable[0x10].length = 3;  // a range leaves lengths alone
  Load(
      Section(".NULL 1F - $10\n"          // bounds swapped
              ".NULL 80 - 9F\n"           // "80" is decimal
              ".NULL 250 to 300\n"        // clipped
              ".NULL 300 - 400\n"         // nothing of it lies in the table
              ".NULL16 $FFF0 - $1FFFF\n"  // clipped
              ".NULL16 -5 - 2\n"          // clipped below
              ".NULL16 7 7\n"));          // three words: ignored
  for (int code = 0; code < 0x10000; ++code) {
    const bool null8 =
        (code >= 0x10 && code <= 0x1F) || (code >= 0x50 && code <= 0x9F) || (code >= 0xFA && code <= 0xFF);
    const bool null16 = code <= 2 || code >= 0xFFF0;
    ASSERT_EQ(c16(code).nullFlag, null16) << code;
    ASSERT_EQ(code < 256 ? c8(code).nullFlag : 0, code < 256 && null8) << code;
  }
  EXPECT_EQ(c8(0x9F).text, "[$9F]");
  EXPECT_EQ(c16(0xFFFF).text, "[$FFFF]");
  EXPECT_EQ(c8(0x10).length, 3);
}

TEST_F(ConfigTest, ColourSection) {
  Load(".COLORTABLE\n.NULL=C\n.ENDCOLOR\n");  // before any null declaration: nothing changes
  EXPECT_EQ(ChangedEntries(form().gCharTable, 256), 0);

  Load(Section(".NULL 00 - 1F\n8141=\n") +
       ".COLORTABLE\n.NULL=C\n.null16=$22\n"
       "41=0C\n8140=$1FF\n0041=7\n42=\n"                   // "0C" is decimal 0; bytes take the low 8 bits
       "ZZ=5\n-1=5\n12345=5\n.NULL16 5\n.NULL16=\n0x=6\n"  // ignored: no code, no "=" or no colour word
       ".ENDCOLOR\n");
  for (int code = 0; code < 256; ++code)
    EXPECT_EQ(c8(code).colour, code < 32 ? 12 : code == 0x41 ? 0 : 15) << code;
  EXPECT_EQ(std::tuple(c16(0x8141).colour, c16(0x8140).colour, c16(0x41).colour), std::tuple(0x22, 0xFF, 7));
  EXPECT_EQ(ChangedEntries(form().gCharTable16, 65536), 3);
  EXPECT_FALSE(c8(0x41).text);  // a colour gives no text
}

TEST_F(ConfigTest, SectionEnds) {
  Load(
      ".TABLE\n"
      ".BLOCK 1 0 0 0\n"  // directives are not read inside a section
      ".ENDCOLOR\n"       // not this section's end
      ".endtable\n"       // the end is case-sensitive
      "41=A\n"
      "-- .ENDTABLE --\n"  // found anywhere in the line
      ".BLOCK 2 0 0 0\n"
      ".COLORTABLE\n.ENDTABLE\n41=5\n"
      ".TABLE .ENDCOLOR\n42=B\n.ENDTABLE\n"  // the colour end line is tested against .TABLE only
      ".COLORTABLE\n.BLOCK .ENDCOLOR 1 2 3\n.BLOCK 3 0 0 0\n");
  EXPECT_EQ(p.ui.bList.lines, (std::vector<std::string>{"Block 2", "Block 3"}));
  EXPECT_EQ(std::tuple(c8(0x41).text, c8(0x41).colour, c8(0x42).text), std::tuple("A", 5, "B"));

  // Unclosed sections run to the end of the file, which still completes the load.
  Load(".BLOCK 1 0 0 0\n.TABLE\n43=C\n.BLOCK 2 0 0 0\n");
  EXPECT_EQ(std::tuple(p.ui.bList.hint(), form().gDataLoaded, c8(0x43).text),
            std::tuple("1 item(s)", 1, "C"));
  Load(".COLOR\n43=3", "b.txt");
  EXPECT_EQ(std::tuple(c8(0x43).colour, form().gDataLoaded), std::tuple(3, 1));
  EXPECT_EQ(p.ui.window(FormId::myForm).caption(), "Script Editor: Tormel Saragon 2 - [ b.txt ]");
}

// ---- out of memory ----

TEST_F(ConfigTest, OutOfMemoryForATextClosesTheProgram) {
  int texts = 0;
  form().failAllocation = [&](const std::string& what) { return what == kAllocCharText && ++texts > 2; };
  Load(".BLOCK 1 0 0 0\n.TABLE\n41=A\n42=B\n43=C\n44=D\n.ENDTABLE\n");
  EXPECT_EQ(p.ui.messages(), std::vector<std::string>{"Error: Program outof memory. 'TABLE DATA Load'. "});
  EXPECT_TRUE(p.ui.win(FormId::myForm).closed);
  EXPECT_TRUE(form().closed);
  EXPECT_EQ(form().gDataLoaded, 0);
  EXPECT_EQ(p.ui.window(FormId::myForm).caption(), kMainCaption);
}

}  // namespace
}  // namespace ts2
