// The translation lint: where lines pass the wrap point, sections that outgrow the box, and text
// that the encoder turns into other bytes; and the fit panel that shows its verdict.
#include <gtest/gtest.h>

#include "display/lint.h"
#include "display_fixture.h"

namespace ts2 {
namespace {

std::vector<std::string> Section(std::vector<std::string> text) {
  text.insert(text.begin(), ".STRING 0");
  text.push_back(".ENDS");
  return text;
}

// Each finding as "line:column kind-number message".
std::vector<std::string> Lint(const std::vector<std::string>& text, bool vwf = false) {
  std::vector<std::string> out;
  for (const LintFinding& f : LintSection(Section(text), vwf))
    out.push_back(std::to_string(f.line) + ":" + std::to_string(f.column) + " " + f.message);
  return out;
}

using Findings = std::vector<std::string>;

TEST(Lint, WidthIsMeasuredUpToTheWrapPoint) {
  const std::string a(27, 'x');
  // The blank advances 6 with variable width, 'A' (ink in columns 0-3) 5.
  const std::string fits216 = std::string(11, ' ') + std::string(30, 'A');
  const std::string over217 = std::string(12, ' ') + std::string(29, 'A');
  struct Case {
    std::string line;
    bool vwf;
    Findings expected;
  } cases[] = {
      {a, false, {}},
      {a + "y", false, {"1:28 line is 224 pixels wide, the box wraps at 216"}},
      {fits216, true, {}},
      {over217, true, {"1:41 line is 217 pixels wide, the box wraps at 216"}},
      // The tag draws one blank glyph, which advances 8 at fixed width.
      {"[PLAYER]" + std::string(26, 'x'), false, {}},
      {"[PLAYER]" + a, false, {"1:35 line is 224 pixels wide, the box wraps at 216"}},
      // A new line inside a text line starts the width again.
      {a + "[NEWLINE]" + a, false, {}},
      {a + "[$FE]" + a + "yz", false, {"1:60 line is 232 pixels wide, the box wraps at 216"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Lint({c.line}, c.vwf), c.expected) << c.line;
}

TEST(Lint, CountsTheBoxLinesTheRendererDraws) {
  EXPECT_EQ(Lint({"1", "2", "3", "4", "5", "6"}), Findings{});
  EXPECT_EQ(Lint({"1", "2", "3", "4", "5", "6", "7"}), Findings{"7:1 needs 7 box lines, the box shows 6"});
  // An empty last line is a line of the string too.
  EXPECT_EQ(Lint({"1", "2", "3", "4", "5", "6", ""}), Findings{"7:1 needs 7 box lines, the box shows 6"});
  // A wrap takes a line, and so does the pen left at the wrap point by a full line.
  EXPECT_EQ(Lint({"1", "2", "3", "4", std::string(30, 'x')}),
            (Findings{"5:28 line is 240 pixels wide, the box wraps at 216"}));
  EXPECT_EQ(Lint({std::string(27, 'x'), "2", "3", "4", "5", "6"}),
            Findings{"6:1 needs 7 box lines, the box shows 6"});
  EXPECT_EQ(Lint({"1", "2", "3", "4", "5[NEWLINE]6[NEWLINE]7"}),
            Findings{"5:21 needs 7 box lines, the box shows 6"});
  // 0xFF ends the drawing: nothing behind it counts.
  EXPECT_EQ(Lint({"1[$FF]", "2", "3", "4", "5", "6", "7"}),
            Findings{"1:4 code FF ends the string: the rest is not shown"});
}

TEST(Lint, FindsTextThatBecomesOtherBytes) {
  struct Case {
    std::string line;
    Findings expected;
  } cases[] = {
      {"ok [player] [$4142] [$]", {}},
      {"[$123]xy", {"1:1 odd number of hex digits in \"[$\" run"}},
      {"ab [$41G2]", {"1:8 'G' is not a hex digit in \"[$\" run"}},
      {"[$4 1]", {"1:4 0x20 is not a hex digit in \"[$\" run"}},
      {"a[b", {"1:2 \"[\" opens no tag and no \"[$\" run"}},
      {"end[", {"1:4 \"[\" opens no tag and no \"[$\" run"}},
      // The tags are tried once per "[", in table order.
      {"[NEWLINE][PLAYER]", {"1:10 \"[\" opens no tag and no \"[$\" run"}},
      {"a\tb", {"1:2 0x09 has no glyph: drawn blank"}},
      {"x\x80\x81y\x82", {"1:2 0x80 0x81 have no glyphs: drawn blank", "1:5 0x82 has no glyph: drawn blank"}},
      {"\xE9t\xE9", {}},  // accented letters have glyphs
      {"x\xFEy\xFF", {"1:2 character 0xFE starts a new line", "1:4 character 0xFF ends the string"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Lint({c.line}), c.expected) << c.line;
}

TEST(Lint, LinesLongerThanTheEncoderReadsAreCut) {
  // 255 characters at 27 a line: ten lines, the seventh from character 163.
  const Findings found = Lint({std::string(300, 'x')});
  EXPECT_EQ(found, (Findings{"1:28 line is 2040 pixels wide, the box wraps at 216",
                             "1:163 needs 10 box lines, the box shows 6",
                             "1:256 line is longer than 255 characters: the rest is dropped"}));
}

TEST(Lint, FitTextNamesTheFirstFinding) {
  EXPECT_EQ(FitText({}), "Fits");
  EXPECT_EQ(FitText(LintSection(Section({"ok", "a[b", std::string(28, 'x')}), false)), "L2: stray [");
}

// The fit panel follows the shown string and every keystroke.
class FitPanelTest : public test::DisplayTest {
 protected:
  void SetUp() override {
    test::RomBuilder rom(0x1C0000);
    for (int s = 0; s < 2; ++s) rom.put16(0x1A8000 + 2 * s, static_cast<uint16_t>(0x1000 + 0x10 * s));
    LoadRom(rom.data());
    SetFont({test::SolidGlyph(0xFF, 0xFF)});
    SetBlock(0x1A8000, 0x1B0000, 2);
  }
  std::string Panel() const { return p.ui.status.panelText(2); }
};

TEST_F(FitPanelTest, ShowsTheVerdictForTheShownString) {
  const std::string line25(25, 'i');
  p.ui.TDMemo.setText(".STRING 0\n" + line25 + "\n.ENDS\n");
  f.pListClick(&p.ui.pList);
  EXPECT_EQ(Panel(), "Fits");
  p.ui.TDMemo.setSelection(10 + 25, 0);
  p.ui.TDMemo.type("xyz");  // 28 characters
  EXPECT_EQ(Panel(), "L1: too wide");
  // Narrow letters fit with variable width; the toggle renews the verdict.
  f.UseVWFRoutine1Click(kNoSender);
  EXPECT_EQ(Panel(), "Fits");
  p.ui.pList.setItemIndex(1);
  f.pListClick(&p.ui.pList);
  EXPECT_EQ(Panel(), "No translation");
  EXPECT_EQ(p.ui.status.panelText(1), "Line {Kana, Ascii}: 0, 0");
}

}  // namespace
}  // namespace ts2
