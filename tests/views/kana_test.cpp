#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "headless/headless.h"
#include "views/kana.h"

namespace ts2 {
namespace {

using Bytes = std::vector<uint8_t>;

CharEntry Entry(const std::string& text) {
  CharEntry e;
  e.length = static_cast<uint16_t>(text.size());
  e.text = text;
  return e;
}

// A character table with the entries the cases below rely on.
std::vector<CharEntry> Table() {
  std::vector<CharEntry> t(0x10000);
  t[0x4100] = Entry("A");
  t[0x4200] = Entry("B");
  t[0xF105] = Entry("<F105>");
  t[0xFF00] = Entry("<FF00>");
  t[0x12AB] = Entry("<12AB>");                // must not be found for the bytes AB 12
  t[0x8140] = Entry("\x82\xA0");              // Shift-JIS bytes pass through untouched
  t[0x4300] = Entry(std::string("C\0D", 3));  // an escaped zero byte ends the text
  t[0x5000].text = "[$5000]";                 // declared null: placeholder, length 0
  t[0x5000].nullFlag = 1;
  return t;
}

std::string Convert(const Bytes& bytes, size_t offset = 0) {
  static const std::vector<CharEntry> table = Table();
  return KanaText(bytes, offset, table);
}

struct Case {
  const char* name;
  Bytes bytes;
  std::string text;
};

TEST(KanaText, ConvertsCharactersAndControlWords) {
  const std::vector<Case> cases = {
      {"end word at the start", {0xFF, 0xFF, 0x41, 0x00}, ""},
      {"characters", {0x41, 0x00, 0x42, 0x00, 0xFF, 0xFF}, "AB"},
      {"pause takes its argument byte", {0x05, 0xF1, 0xFF, 0xFF}, "[Pause$05]"},
      {"F1 05 is a character", {0xF1, 0x05, 0xFF, 0xFF}, "<F105>"},
      {"FF 00 is a character", {0xFF, 0x00, 0xFF, 0xFF}, "<FF00>"},
      {"yes-no reads two words",
       {0x00, 0xF9, 0x34, 0x12, 0x78, 0x56, 0x41, 0x00, 0xFF, 0xFF},
       "[Yes-No][$1234][$5678]A"},
      {"clear window ends the line", {0x00, 0xFC, 0x41, 0x00, 0xFF, 0xFF}, "[ClrWin]\r\nA"},
      {"line end", {0x41, 0x00, 0x00, 0xFD, 0x42, 0x00, 0xFF, 0xFF}, "A\r\nB"},
      {"named codes ignore their argument byte",
       {0x7E, 0xF0, 0x7E, 0xF2, 0x7E, 0xF3, 0x7E, 0xF4, 0x7E, 0xF5, 0x7E,
        0xF6, 0x7E, 0xF7, 0x7E, 0xF8, 0x7E, 0xFA, 0x7E, 0xFB, 0xFF, 0xFF},
       "[Key][$F200][SFX][Player][MEM_Num][MEM_Text][FadeIn][FadeOut][$FA00][FixTextBox]"},
      {"no entry shows the stored word", {0xAB, 0x12, 0xFF, 0xFF}, "[$12AB]"},
      {"null-declared code shows the stored word", {0x00, 0x50, 0xFF, 0xFF}, "[$5000]"},
      {"zero byte ends a table text", {0x43, 0x00, 0xFF, 0xFF}, "C"},
      {"Shift-JIS text", {0x81, 0x40, 0xFF, 0xFF}, "\x82\xA0"},
      // An unknown code shows as its word and moves on one byte: FE 04 is then read as a
      // character (0xFE04, stored word 0x04FE) and F0 FF as another unknown code.
      {"unknown codes move one byte", {0x00, 0xFE, 0x04, 0xF0, 0xFF, 0xFF}, "[$FE00][$04FE][$FFF0]"},
      {"00 FF is not the end word", {0x00, 0xFF, 0xFF, 0xFF}, "[$FF00]"},
  };
  for (const Case& c : cases) EXPECT_EQ(Convert(c.bytes), c.text) << c.name;
}

TEST(KanaText, StopsAtTheEndOfTheBuffer) {
  const std::vector<Case> cases = {
      {"no end word", {0x41, 0x00, 0x42, 0x00}, "AB"},
      {"a word that would straddle the end is not read", {0x41, 0x00, 0x42}, "A"},
      {"a yes-no word cut off ends the string", {0x41, 0x00, 0x00, 0xF9, 0x34, 0x12, 0x78}, "A"},
      {"an unknown code on the last word", {0x00, 0xFF}, "[$FF00]"},
      {"empty", {}, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Convert(c.bytes), c.text) << c.name;
  EXPECT_EQ(Convert({0x41, 0x00}, 2), "");
  EXPECT_EQ(Convert({0x41, 0x00}, 100), "");
}

TEST(KanaText, IndicesPastTheTableShowTheirWord) {
  const std::vector<CharEntry> small(0x100);
  EXPECT_EQ(KanaText(Bytes{0x41, 0x00, 0xFF, 0xFF}, 0, small), "[$0041]");
  EXPECT_EQ(KanaText(Bytes{0x41, 0x00, 0xFF, 0xFF}, 0, {}), "[$0041]");
}

class ConvertToKana : public ::testing::Test {
 protected:
  headless::HeadlessProgram p;
  TmyForm& f = p.form();
  headless::HMemo& kanaEdit = p.ui.kanaEdit;

  void Put(uint32_t offset, const Bytes& bytes) {
    std::copy(bytes.begin(), bytes.end(), f.gWRAM.get() + offset);
  }
};

TEST_F(ConvertToKana, ReplacesTheMemoTextInOneUpdate) {
  f.gCharTable16[0x4100] = Entry("A");
  f.gCharTable16[0x4200] = Entry("B");
  kanaEdit.setText("old");
  const int setTexts = kanaEdit.setTextCount;
  Put(0x100, {0x41, 0x00, 0x00, 0xFD, 0x42, 0x00, 0xFF, 0xFF});
  p.program.KanaForm.ConvertToKana(0x100);
  EXPECT_EQ(kanaEdit.lines, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(kanaEdit.setTextCount, setTexts + 1);
  EXPECT_EQ(kanaEdit.updateDepth, 0);
}

TEST_F(ConvertToKana, EndWordFirstLeavesTheMemoEmpty) {
  kanaEdit.setText("old");
  Put(0x40, {0xFF, 0xFF});
  p.program.KanaForm.ConvertToKana(0x40);
  EXPECT_EQ(kanaEdit.lineCount(), 0);
}

TEST_F(ConvertToKana, StopsAtTheEndOfWorkingRam) {
  Put(kWramSize - 3, {0x00, 0x41, 0x00});
  p.program.KanaForm.ConvertToKana(kWramSize - 3);
  EXPECT_EQ(kanaEdit.lines, std::vector<std::string>{"[$4100]"});
  p.program.KanaForm.ConvertToKana(kWramSize - 1);
  EXPECT_EQ(kanaEdit.lineCount(), 0);
  p.program.KanaForm.ConvertToKana(0xFFFFFFFF);
  EXPECT_EQ(kanaEdit.lineCount(), 0);
}

}  // namespace
}  // namespace ts2
