#include <gtest/gtest.h>

#include "headless/headless.h"
#include "views/kana.h"

namespace ts2 {
namespace {

using Bytes = std::vector<uint8_t>;

CharEntry Entry(const std::string& text) {
  return CharEntry{static_cast<uint16_t>(text.size()), 15, 0, text};
}

std::string Convert(const Bytes& bytes, size_t offset = 0) {
  static const std::vector<CharEntry> table = [] {
    std::vector<CharEntry> t(0x10000);
    t[0x4100] = Entry("A");
    t[0x4200] = Entry("B");
    t[0xF105] = Entry("<F105>");
    t[0xFF00] = Entry("<FF00>");
    t[0x12AB] = Entry("<12AB>");                 // the bytes AB 12 must not find this one
    t[0x8140] = Entry("\x82\xA0");               // Shift-JIS bytes pass through untouched
    t[0x4300] = Entry(std::string("C\0D", 3));   // an escaped zero byte ends the text
    t[0x5000] = CharEntry{0, 15, 1, "[$0050]"};  // declared null: placeholder, length 0
    return t;
  }();
  return KanaText(bytes, offset, table);
}

TEST(KanaText, ConvertsCharactersAndControlWords) {
  // clang-format off
  const std::vector<std::pair<Bytes, std::string>> cases = {
      {{0xFF, 0xFF, 0x41, 0x00}, ""},
      {{0x05, 0xF1, 0xF1, 0x05, 0xFF, 0xFF}, "[Pause$05]<F105>"},  // the second byte decides
      {{0x00, 0xF9, 0x34, 0x12, 0x78, 0x56, 0x41, 0x00, 0xFF, 0xFF}, "[Yes-No][$1234][$5678]A"},
      {{0x00, 0xFC, 0x41, 0x00, 0x00, 0xFD, 0x42, 0x00, 0xFF, 0xFF}, "[ClrWin]\r\nA\r\nB"},
      {{0x7E, 0xF0, 0x7E, 0xF2, 0x7E, 0xF3, 0x7E, 0xF4, 0x7E, 0xF5, 0x7E, 0xF6, 0x7E, 0xF7, 0x7E, 0xF8,
        0x7E, 0xFA, 0x7E, 0xFB, 0xFF, 0xFF},
       "[Key][$F200][SFX][Player][MEM_Num][MEM_Text][FadeIn][FadeOut][$FA00][FixTextBox]"},
      {{0xAB, 0x12, 0x00, 0x50, 0xFF, 0x00, 0xFF, 0xFF}, "[$12AB][$5000]<FF00>"},  // looked up at 0xAB12
      {{0x43, 0x00, 0x81, 0x40, 0xFF, 0xFF}, "C\x82\xA0"},
      // An unknown code shows as its word and moves on one byte: FE 04 is then a character
      // (stored word 0x04FE) and F0 FF another unknown code.
      {{0x00, 0xFE, 0x04, 0xF0, 0xFF, 0xFF}, "[$FE00][$04FE][$FFF0]"},
      // Without an end word the reading stops where the next word no longer fits.
      {{0x41, 0x00, 0x42}, "A"},
      {{0x41, 0x00, 0x00, 0xF9, 0x34, 0x12, 0x78}, "A"},
      {{0x00, 0xFF}, "[$FF00]"},
  };
  // clang-format on
  for (const auto& [bytes, text] : cases) EXPECT_EQ(Convert(bytes), text) << ::testing::PrintToString(bytes);
  EXPECT_EQ(Convert({0x41, 0x00}, 100), "");
  EXPECT_EQ(KanaText(Bytes{0x41, 0x00}, 0, {}), "[$0041]");  // no table at all
}

TEST(ConvertToKana, SetsKanaEditOnceFromWorkingRam) {
  headless::HeadlessProgram p;
  TmyForm& f = p.form();
  headless::HMemo& kanaEdit = p.ui.kanaEdit;
  f.gCharTable16[0x4100] = Entry("A");
  const Bytes text = {0x41, 0x00, 0x00, 0xFD, 0x41, 0x00, 0xFF, 0xFF};
  std::copy(text.begin(), text.end(), f.gWRAM.get() + 0x100);
  kanaEdit.setText("old");
  p.program.KanaForm.ConvertToKana(0x100);
  EXPECT_EQ(kanaEdit.lines, (std::vector<std::string>{"A", "A"}));
  EXPECT_EQ(std::tie(kanaEdit.setTextCount, kanaEdit.updateDepth), std::make_tuple(2, 0));
  f.gWRAM[kWramSize - 2] = 0x41;  // 00 41, then a last byte that cannot start a word
  p.program.KanaForm.ConvertToKana(kWramSize - 3);
  EXPECT_EQ(kanaEdit.lines, std::vector<std::string>{"[$4100]"});
}

}  // namespace
}  // namespace ts2
