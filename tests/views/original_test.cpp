// The original text of ROM strings: decoded codes through the two-byte character table, and the
// Kana Text window following the selected string.
#include <gtest/gtest.h>

#include "display/display_fixture.h"
#include "views/original.h"

namespace ts2 {
namespace {

using Codes = std::vector<uint16_t>;

CharEntry Entry(const std::string& text) {
  return CharEntry{static_cast<uint16_t>(text.size()), 15, 0, text};
}

std::string Original(const Codes& codes) {
  static const std::vector<CharEntry> table = [] {
    std::vector<CharEntry> t(0x10000);
    t[0x0041] = Entry("A");
    t[0x0142] = Entry("B");                      // a code above 0xFF, as entry bytes make them
    t[0x2000] = Entry("\x82\xA0");               // Shift-JIS bytes pass through untouched
    t[0x0043] = Entry(std::string("C\0D", 3));   // an escaped zero byte ends the text
    t[0x0050] = CharEntry{0, 15, 1, "[$0050]"};  // declared null: placeholder, length 0
    t[0xF105] = Entry("<F105>");                 // control codes are named, never looked up
    t[0xFE00] = Entry("<FE00>");                 // past the control codes: a character again
    return t;
  }();
  return OriginalText(codes, table);
}

TEST(OriginalText, CodesThroughTheTable) {
  const std::vector<std::pair<Codes, std::string>> cases = {
      {{}, ""},
      {{0x41, 0x142, 0x2000, 0x43}, "AB\x82\xA0\x43"},
      // No text: the code itself, whatever the byte order it was stored in.
      {{0x42, 0x4100, 0x50, 0xFFFF}, "[$0042][$4100][$0050][$FFFF]"},
      {{0xFE00, 0xFF00}, "<FE00>[$FF00]"},
      // Control codes: the high byte names them, the low byte is the argument.
      {{0xF000, 0xF105, 0xF2AA, 0xF300, 0xF400, 0xF500, 0xF600, 0xF700, 0xF800, 0xFA11, 0xFB00},
       "[Key][Pause$05][$F200][SFX][Player][MEM_Num][MEM_Text][FadeIn][FadeOut][$FA00][FixTextBox]"},
      // Line breaks, and Yes-No with its two argument codes, also when the string cuts them off.
      {{0x41, 0xFD00, 0x41, 0xFC00, 0xFD00}, "A\r\nA[ClrWin]\r\n\r\n"},
      {{0xF900, 0x1234, 0x41, 0x41}, "[Yes-No][$1234][$0041]A"},
      {{0x41, 0xF900, 0x1234}, "A[Yes-No][$1234]"},
  };
  for (const auto& [codes, text] : cases) EXPECT_EQ(Original(codes), text) << ::testing::PrintToString(codes);
  EXPECT_EQ(OriginalText(Codes{0x41}, {}), "[$0041]");  // no table at all
}

// Three strings of block 0: plain bytes, wide codes with a line break, and entry bytes.
class KanaWindowTest : public test::DisplayTest {
 protected:
  static constexpr uint32_t kTable = 0x8000, kBank = 0x10000;
  void SetUp() override {
    test::RomBuilder rom(0x20000);
    const std::vector<std::vector<uint8_t>> strings = {
        {0x01, 'A', 'B'},
        {0xE2, 'A', 0x00, 0x00, 0xFD, 'B', 0x00},
        {0x21, 0x21, 'A', 'B'},  // K = 1: the entry raises character 1 to 0x142
    };
    uint16_t at = 0x100;
    for (size_t s = 0; s < strings.size(); ++s) {
      rom.put16(kTable + 2 * static_cast<uint32_t>(s), at);
      rom.put(kBank + at, strings[s]);
      at = static_cast<uint16_t>(at + strings[s].size());
    }
    LoadRom(rom.data());
    SetFont(std::vector<test::Glyph>(0x200));
    for (char c : std::string("AB")) f.gCharTable16[static_cast<uint8_t>(c)] = Entry(std::string(1, c));
    SetBlock(kTable, kBank, 3);
  }
  void Select(int s) {
    p.ui.pList.setItemIndex(s);
    f.pListClick(&p.ui.pList);
  }
};

TEST_F(KanaWindowTest, FollowsTheSelectedString) {
  const std::vector<std::vector<std::string>> shown = {{"AB"}, {"A", "B"}, {"A[$0142]"}};
  for (int s : {1, 0, 2}) {
    Select(s);
    EXPECT_EQ(p.ui.kanaEdit.lines, shown[static_cast<size_t>(s)]) << s;
    EXPECT_EQ(p.ui.kanaEdit.updateDepth, 0);
  }
  EXPECT_EQ(p.ui.window(FormId::KanaForm).caption(), "Kana Text: String #2");
  // Typing in the editor shows the same string: kanaEdit is left alone.
  const int sets = p.ui.kanaEdit.setTextCount;
  p.ui.TDMemo.setText(".STRING 2\nx\n.ENDS\n");
  p.ui.TDMemo.setSelection(11, 0);
  p.ui.TDMemo.type("y");
  EXPECT_EQ(p.ui.kanaEdit.setTextCount, sets);
  // A change of the script (a patch, another data file) shows on the next keystroke.
  f.gROM[kBank + 0x10C] = 'B';
  ++f.scriptGeneration;
  p.ui.TDMemo.type("z");
  EXPECT_EQ(p.ui.kanaEdit.lines, std::vector<std::string>{"B[$0142]"});
  // The kana conversion writes kanaEdit; the next selection shows the original again.
  p.program.KanaForm.ConvertToKana(0);
  Select(2);
  EXPECT_EQ(p.ui.kanaEdit.lines, std::vector<std::string>{"B[$0142]"});
}

TEST_F(KanaWindowTest, OriginalTextOfOutsideBlocksAndImage) {
  EXPECT_EQ(OriginalTextOf(f, 0, 1), "A\r\nB");
  EXPECT_EQ(OriginalTextOf(f, -1, 0), "");
  EXPECT_EQ(OriginalTextOf(f, kMaxBlocks, 0), "");
  f.gBlockOffset[1] = 0x1FFFF;  // the pointer's second byte lies past the image
  EXPECT_EQ(OriginalTextOf(f, 1, 0), "");
}

}  // namespace
}  // namespace ts2
