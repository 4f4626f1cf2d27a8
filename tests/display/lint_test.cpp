// The translation lint: where lines pass the wrap point, sections that outgrow the box, and text
// that the encoder turns into other bytes.
#include <gtest/gtest.h>

#include "display/lint.h"

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
using Lines = std::vector<std::string>;

TEST(Lint, Findings) {
  const std::string a(27, 'x');
  const Lines six = {"1", "2", "3", "4", "5", "6"};
  auto plus = [](Lines lines, const std::string& last) {
    lines.push_back(last);
    return lines;
  };
  const struct {
    Lines text;
    bool vwf;
    Findings expected;
  } cases[] = {
      // The width up to the wrap point: 27 characters at fixed width; with variable width the
      // blank advances 6 and 'A' (ink in columns 0-3) 5.
      {{a}, false, {}},
      {{a + "y"}, false, {"1:28 line is 224 pixels wide, the box wraps at 216"}},
      {{std::string(11, ' ') + std::string(30, 'A')}, true, {}},
      {{std::string(12, ' ') + std::string(29, 'A')},
       true,
       {"1:41 line is 217 pixels wide, the box wraps at 216"}},
      // The tag draws one blank glyph, which advances 8 at fixed width.
      {{"[PLAYER]" + std::string(26, 'x')}, false, {}},
      {{"[PLAYER]" + a}, false, {"1:35 line is 224 pixels wide, the box wraps at 216"}},
      // A new line inside a text line starts the width again.
      {{a + "[NEWLINE]" + a}, false, {}},
      {{a + "[$FE]" + a + "yz"}, false, {"1:60 line is 232 pixels wide, the box wraps at 216"}},
      // The box lines the renderer draws: an empty last line is one, so is a wrap, and so is
      // the pen left at the wrap point by a full line.
      {six, false, {}},
      {plus(six, "7"), false, {"7:1 needs 7 box lines, the box shows 6"}},
      {plus(six, ""), false, {"7:1 needs 7 box lines, the box shows 6"}},
      {{"1", "2", "3", "4", std::string(30, 'x')},
       false,
       {"5:28 line is 240 pixels wide, the box wraps at 216"}},
      {{a, "2", "3", "4", "5", "6"}, false, {"6:1 needs 7 box lines, the box shows 6"}},
      {{"1", "2", "3", "4", "5[NEWLINE]6[NEWLINE]7"}, false, {"5:21 needs 7 box lines, the box shows 6"}},
      // 0xFF ends the drawing: nothing behind it counts.
      {{"1[$FF]", "2", "3", "4", "5", "6", "7"},
       false,
       {"1:4 code FF ends the string: the rest is not shown"}},
      // Text that becomes other bytes.
      {{"ok [player] [$4142] [$]"}, false, {}},
      {{"[$123]xy"}, false, {"1:1 odd number of hex digits in \"[$\" run"}},
      {{"ab [$41G2]"}, false, {"1:8 'G' is not a hex digit in \"[$\" run"}},
      {{"[$4 1]"}, false, {"1:4 0x20 is not a hex digit in \"[$\" run"}},
      {{"a[b"}, false, {"1:2 \"[\" opens no tag and no \"[$\" run"}},
      {{"end["}, false, {"1:4 \"[\" opens no tag and no \"[$\" run"}},
      // The tags are tried once per "[", in table order.
      {{"[NEWLINE][PLAYER]"}, false, {"1:10 \"[\" opens no tag and no \"[$\" run"}},
      {{"a\tb"}, false, {"1:2 0x09 has no glyph: drawn blank"}},
      // The code page's printable characters in 0x80-0x9F are drawn; its unassigned bytes are not.
      {{"x\x80\x81\x8Dy\x9C"}, false, {"1:3 0x81 0x8D have no glyphs: drawn blank"}},
      {{"\xE9t\xE9"}, false, {}},  // accented letters have glyphs
      {{"x\xFEy\xFF"}, false, {"1:2 character 0xFE starts a new line", "1:4 character 0xFF ends the string"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Lint(c.text, c.vwf), c.expected) << c.text.back();
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

}  // namespace
}  // namespace ts2
