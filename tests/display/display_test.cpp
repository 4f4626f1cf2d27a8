#include <gtest/gtest.h>

#include <array>
#include <random>

#include "display/encode.h"
#include "display_fixture.h"
#include "script/textfile.h"

namespace ts2 {
namespace {

// The block's pointer table at 0x1A8000, its texts in bank 0x1B0000; string s has the pointer
// 0x1000 + 0x10 s and holds one character, s.
constexpr uint32_t kTable = 0x1A8000, kTextField = 0x1B0000;
constexpr int kStrings = 13;

class PListClickTest : public test::DisplayTest {
 protected:
  void SetUp() override {
    test::RomBuilder rom(0x1C0000);
    for (int s = 0; s < kStrings; ++s) {
      const uint16_t ptr = static_cast<uint16_t>(0x1000 + 0x10 * s);
      rom.put16(kTable + 2 * s, ptr);
      rom.put8(kTextField + ptr, 0x00);
      rom.put8(kTextField + ptr + 1, static_cast<uint8_t>(s));
    }
    LoadRom(rom.data());
    SetFont(std::vector<test::Glyph>(kStrings, test::SolidGlyph(0xFF, 0xFF)));
    SetBlock(kTable, kTextField, kStrings);
  }

  void Select(int s, TObject sender) {
    p.ui.pList.setItemIndex(s);
    f.pListClick(sender);
  }
  TObject Click() { return &p.ui.pList; }

  std::vector<uint8_t> Translation(size_t n) const {
    return std::vector<uint8_t>(f.gTransText.get(), f.gTransText.get() + n);
  }
  std::vector<std::string> Memo1Lines() const { return SplitEditorLines(p.ui.Memo1.text()); }
};

constexpr char kSections[] =
    "// Do not erase these: \n// .STRING #\n// .ENDS\n\n\n"
    ".STRING 0\nzero\n.ENDS\n\n"
    ".STRING 1\none\n.ENDS\n\n"
    ".STRING 10\nten\n.ENDS\n\n"
    ".STRING 12\ntwelve\nline2\n.ENDS\n";

TEST_F(PListClickTest, ShowsTheStringItsSectionAndOffsets) {
  p.ui.TDMemo.setText(kSections);
  Select(2, Click());
  // String 2 has no section but none of 20-29 either: only the status changes below.
  EXPECT_EQ(p.ui.status.panelText(0), "Offset: 1A1020 | PTR: 1020 -> 1A8004");
  EXPECT_EQ(p.ui.status.panelText(1), "Line {Kana, Ascii}: 0, 0");
  EXPECT_EQ(p.ui.window(FormId::KanaForm).caption(), "Kana Text: String #2");
  // The Hex Data window shows the string's bytes: header 00, character 02.
  EXPECT_EQ(p.program.HexForm.dataAddress, kTextField + 0x1020);
  EXPECT_EQ(p.program.HexForm.data[1], 0x02);

  // String 1 finds its own section before ".STRING 10".
  Select(1, Click());
  EXPECT_EQ(f.gSectionLine, 9);
  EXPECT_EQ(Memo1Lines(), (std::vector<std::string>{".STRING 1", "one", ".ENDS"}));
  EXPECT_EQ(Translation(4), (std::vector<uint8_t>{'o', 'n', 'e', 0xFF}));
  // The ROM string (glyph 1, all ink) is in the upper box, the translation's 'o' (row 5: .##.)
  // in the lower one.
  EXPECT_EQ(Px(16, 16), 0xFFFF);
  EXPECT_EQ(Px(16, 144 + 5), 31 - 13 / 3);  // box row 13 of the gradient
  EXPECT_EQ(Px(17, 144 + 5), 0xFFFF);
}

TEST_F(PListClickTest, SearchMatchesAnyTextContainingTheHeader) {
  // Without section 1, ".STRING 1" first occurs in ".STRING 12".
  p.ui.TDMemo.setText(".STRING 0\nzero\n.ENDS\n.STRING 12\ntwelve\n.ENDS\n");
  Select(1, Click());
  EXPECT_EQ(Memo1Lines(), (std::vector<std::string>{".STRING 12", "twelve", ".ENDS"}));
}

TEST_F(PListClickTest, ASelectionMovesTheSearchBehindIt) {
  p.ui.TDMemo.setText(kSections);
  const int first = static_cast<int>(std::string(kSections).find(".STRING 1"));
  p.ui.TDMemo.setSelection(first, 3);
  Select(1, Click());
  EXPECT_EQ(Memo1Lines().front(), ".STRING 10");
  // The caret is put on the match with an empty selection, so the next search starts at the top.
  EXPECT_EQ(p.ui.TDMemo.selStart(), f.gFindPos);
  EXPECT_EQ(p.ui.TDMemo.selLength(), 0);
  Select(1, Click());
  EXPECT_EQ(Memo1Lines().front(), ".STRING 1");
}

TEST_F(PListClickTest, AMissingSectionKeepsTheLastTranslation) {
  p.ui.TDMemo.setText(kSections);
  Select(12, Click());
  const std::vector<uint16_t> lowerBox(f.gBitmap.scanLine(136), f.gBitmap.scanLine(248));
  Select(5, Click());
  EXPECT_EQ(Memo1Lines().front(), ".STRING 12");
  EXPECT_EQ(Translation(13),
            (std::vector<uint8_t>{'t', 'w', 'e', 'l', 'v', 'e', 0xFE, 'l', 'i', 'n', 'e', '2', 0xFF}));
  EXPECT_EQ(std::vector<uint16_t>(f.gBitmap.scanLine(136), f.gBitmap.scanLine(248)), lowerBox);
  EXPECT_EQ(p.ui.status.panelText(0), "Offset: 1A1050 | PTR: 1050 -> 1A800A");
}

TEST_F(PListClickTest, SenderDecidesScrollAndFocus) {
  p.ui.TDMemo.setText(std::string(30, '\n') + kSections);
  // A click scrolls the section's first line to the top and gives pList the focus; no sender (a
  // block selection) scrolls only; a text change neither scrolls nor focuses.
  const struct {
    int string;
    TObject sender;
    bool scrolled;
  } steps[] = {{10, Click(), true}, {0, kNoSender, true}, {12, kSenderTextChanged, false}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.string);
    p.ui.TDMemo.scrollLines(-100);
    Select(step.string, step.sender);
    EXPECT_EQ(p.ui.TDMemo.firstVisibleLine(), step.scrolled ? f.gSectionLine : 0);
    EXPECT_EQ(p.ui.pList.focusCount, 1);
  }
  // A click while the List Data window is hidden gives no focus.
  p.ui.win(FormId::cmForm).setVisible(false);
  Select(1, Click());
  EXPECT_EQ(p.ui.pList.focusCount, 1);
}

TEST_F(PListClickTest, BeforeAnySectionTheTranslationIsEmpty) {
  EXPECT_EQ(f.gTransText[0], 0xFF);
  Select(2, Click());  // no section: the translation is not drawn
  EXPECT_EQ(Px(8, 136), 0);
  f.SetChecked(MenuId::DTT, true);  // as the view commands redraw it
  f.RenderString(16, 8);
  EXPECT_EQ(Px(9, 136), 0x8430);        // an empty box
  EXPECT_EQ(Px(17, 146), 31 - 10 / 3);  // gradient, no glyph
}

TEST_F(PListClickTest, NothingWithoutROMOrSelection) {
  for (bool rom : {true, false}) {
    p.ui.pList.setItemIndex(rom ? -1 : 0);
    if (!rom) f.gROM = nullptr;
    f.pListClick(Click());
    EXPECT_EQ(p.ui.status.panelText(0), "Offset: 000000 | PTR: 0000");
    EXPECT_EQ(p.ui.pList.focusCount, 0);
  }
}

TEST_F(PListClickTest, FirstDisplayWithoutFormatOnlySetsTheDefaults) {
  f.gLineWidth = 0;
  p.ui.TDMemo.setText(kSections);
  Select(1, Click());
  EXPECT_EQ(p.ui.status.panelText(0), "Offset: 1A0000 | PTR: 0000 -> 1A8002");
  EXPECT_EQ(p.program.HexForm.dataAddress, kTextField + 0x1010);  // the hex view is right already
  for (int y = 8; y < 120; ++y) EXPECT_EQ(f.gBitmap.scanLine(y)[100], 0) << y;  // no upper box
  EXPECT_EQ(f.gLineWidth, 144);
  Select(1, Click());
  EXPECT_EQ(p.ui.status.panelText(0), "Offset: 1A1010 | PTR: 1010 -> 1A8002");
  EXPECT_NE(f.gBitmap.scanLine(20)[100], 0);
}

TEST_F(PListClickTest, TypingRedrawsWithoutMovingCaretOrScroll) {
  p.ui.TDMemo.setText(std::string(20, '\n') + kSections);
  Select(1, Click());
  p.ui.TDMemo.scrollLines(-3);
  const int top = p.ui.TDMemo.firstVisibleLine();
  const int at = static_cast<int>(p.ui.TDMemo.text().find("one")) + 3;
  p.ui.TDMemo.setSelection(at, 0);
  f.gPages[1].scroll = 16;
  p.ui.win(FormId::TxtForm).setActive(true);
  const int draws = p.ui.videoBox.drawCount;

  p.ui.TDMemo.type("!");
  EXPECT_EQ(p.ui.TDMemo.selStart(), at + 1);
  EXPECT_EQ(p.ui.TDMemo.selLength(), 0);
  EXPECT_EQ(p.ui.TDMemo.firstVisibleLine(), top);
  EXPECT_EQ(f.gPages[1].scroll, 16);
  EXPECT_EQ(p.ui.videoBox.drawCount, draws + 2);  // both boxes
  EXPECT_EQ(Translation(5), (std::vector<uint8_t>{'o', 'n', 'e', '!', 0xFF}));
  EXPECT_EQ(p.ui.pList.focusCount, 1);  // only the first click

  // A selection survives the redraw too, and so does the caret after a resize.
  p.ui.TDMemo.setSelection(at - 2, 2);
  p.program.TxtForm.TDMemoChange();
  EXPECT_EQ(p.ui.TDMemo.selStart(), at - 2);
  EXPECT_EQ(p.ui.TDMemo.selLength(), 2);
  p.ui.TDMemo.setSelection(at, 0);
  p.program.TxtForm.FormResize();
  EXPECT_EQ(p.ui.TDMemo.selStart(), at);
  EXPECT_EQ(p.ui.TDMemo.firstVisibleLine(), f.gSectionLine);  // no sender: scrolled to the section
  // Shown from elsewhere, the boxes start at the top again.
  p.ui.win(FormId::TxtForm).setActive(false);
  Select(1, Click());
  EXPECT_EQ(f.gPages[1].scroll, 0);
}

TEST_F(PListClickTest, FitPanelFollowsTheShownStringAndEveryKeystroke) {
  p.ui.TDMemo.setText(".STRING 0\n" + std::string(25, 'i') + "\n.ENDS\n");
  Select(0, Click());
  EXPECT_EQ(p.ui.status.panelText(2), "Fits");
  p.ui.TDMemo.setSelection(10 + 25, 0);
  p.ui.TDMemo.type("xyz");  // 28 characters
  EXPECT_EQ(p.ui.status.panelText(2), "L1: wide");
  EXPECT_EQ(p.ui.status.panelHint(2),
            "string 0, line 1 (file line 2): column 28: line is 224 pixels wide, the box wraps at 216");
  // Narrow letters fit with variable width; the toggle renews the verdict.
  f.UseVWFRoutine1Click(kNoSender);
  EXPECT_EQ(p.ui.status.panelText(2), "Fits");
  Select(1, Click());
  EXPECT_EQ(p.ui.status.panelText(2), "No translation");
}

TEST_F(PListClickTest, TheTextEditorDiscardsShiftDeleteOnly) {
  TTxtForm& editor = p.program.TxtForm;
  EXPECT_FALSE(editor.TDMemoKeyDown(VK_DELETE, ShiftState{.shift = true}));
  EXPECT_TRUE(editor.TDMemoKeyDown(VK_DELETE, ShiftState{.ctrl = true}));
  EXPECT_TRUE(editor.TDMemoKeyDown('A', ShiftState{.shift = true}));
}

// The display on every keystroke answers from the editor's kept text; what it shows is what the
// plain search of the whole text gives: the first header at or after the end of a non-empty
// selection (".STRING 1" also matching ".STRING 10", letters in any case), the section up to its
// trimmed ".ENDS", encoded.
TEST_F(PListClickTest, EveryKeystrokeShowsWhatThePlainSearchFinds) {
  const std::vector<std::string> pieces = {
      ".STRING 1\n", ".string 10\n", ".STRING 12 ", "\n.ENDS\n", " .ENDS \n", "[PLAYER]",
      "text",        "\n",           ".STRING 0",   "1",         "x"};
  std::mt19937 rng(41);
  std::string text = kSections;
  p.ui.TDMemo.setText(text);
  p.ui.win(FormId::TxtForm).setActive(true);
  for (int step = 0; step < 400 && !HasFailure(); ++step) {
    const int n = std::array{0, 1, 3, 10, 12}[rng() % 5];
    if (step % 25 == 0) Select(n, Click());
    const int size = p.ui.TDMemo.textLength();
    const int at = static_cast<int>(rng() % (size + 1));
    const int length = rng() % 5 == 0 ? static_cast<int>(rng() % (size - at + 1)) : 0;
    p.ui.TDMemo.setSelection(at, length);
    // Typing replaces the selection; a redraw with a selection searches behind it.
    if (rng() % 4 == 0) {
      p.program.TxtForm.TDMemoChange();
    } else {
      p.ui.TDMemo.type(rng() % 3 == 0 ? std::string() : pieces[rng() % pieces.size()]);
    }
    text = p.ui.TDMemo.text();
    const int from = p.ui.TDMemo.selLength() != 0 ? p.ui.TDMemo.selStart() + p.ui.TDMemo.selLength() : 0;
    const std::optional<SectionLines> found = FindSection(text, f.gCurString, from);
    SCOPED_TRACE(testing::Message() << "step " << step << " string " << f.gCurString << " from " << from);
    if (!found) {
      EXPECT_EQ(f.gSectionLine, -1);
      continue;
    }
    EXPECT_EQ(f.gFindPos, found->match);
    EXPECT_EQ(f.gSectionLine, found->headerLine);
    const std::vector<std::string> section = SectionAt(text, found->headerLine);
    EXPECT_EQ(p.ui.Memo1.text(), JoinEditorLines(section));
    const std::vector<uint8_t> bytes = EncodeSectionLines(section);
    EXPECT_EQ(Translation(bytes.size()), bytes);
  }
}

}  // namespace
}  // namespace ts2
