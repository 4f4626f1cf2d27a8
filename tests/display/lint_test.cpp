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

// Each finding as "line:column message".
std::vector<std::string> LintLines(const std::vector<std::string>& section, LintOptions options = {}) {
  std::vector<std::string> out;
  for (const LintFinding& f : LintSection(section, options))
    out.push_back(std::to_string(f.line) + ":" + std::to_string(f.column) + " " + f.message);
  return out;
}

using Findings = std::vector<std::string>;
using Lines = std::vector<std::string>;

TEST(Lint, Findings) {
  const std::string a(27, 'x'), x20(20, 'x');
  const Lines six = {"1", "2", "3", "4", "5", "6"};
  auto plus = [](Lines lines, const std::string& last) {
    lines.push_back(last);
    return lines;
  };
  const struct {
    Lines text;
    bool vwf;
    Findings expected;
    int playerWidth = kDefaultPlayerWidth;
  } cases[] = {
      // The width up to the wrap point: 27 characters at fixed width; with variable width the
      // blank advances 6 and 'A' (ink in columns 0-3) 5.
      {{a}, false, {}},
      {{a + "y"}, false, {"1:28 line is 224 pixels wide, the box wraps at 216"}},
      {{std::string(11, ' ') + std::string(30, 'A')}, true, {}},
      // A glyph that takes the pen past the wrap point is still drawn on its line; the next
      // one is not, and a line break after it leaves an empty line in the box.
      {{std::string(12, ' ') + std::string(29, 'A')}, true, {}},
      {{std::string(12, ' ') + std::string(30, 'A')},
       true,
       {"1:41 line is 222 pixels wide, the box wraps at 216"}},
      {{std::string(12, ' ') + std::string(29, 'A'), "B"},
       true,
       {"1:41 line reaches the wrap point (217 pixels, the box wraps at 216): the box shows an empty "
        "line after it"}},
      {{a, "b"},
       false,
       {"1:27 line reaches the wrap point (216 pixels, the box wraps at 216): the box shows an empty "
        "line after it"}},
      // The tag is the player's name, measured as 8 of the widest glyph (8 pixels at fixed width).
      {{"[PLAYER]" + std::string(19, 'x')}, false, {}},
      {{"[PLAYER]" + std::string(26, 'x')}, false, {"1:1 fits only if the name has at most 1 character"}},
      {{"[PLAYER]" + a}, false, {"1:28 line is 280 pixels wide, the box wraps at 216"}},
      // With variable width, 8 of the widest letter (not of a symbol such as "‰"): 64 + 150.
      {{"[PLAYER]" + std::string(30, 'A')}, true, {}},
      // A new line inside a text line starts the width again.
      {{a.substr(1) + "[NEWLINE]" + a}, false, {}},
      {{a.substr(1) + "[$FE]" + a + "yz"}, false, {"1:59 line is 232 pixels wide, the box wraps at 216"}},
      {{a + "[NEWLINE]x"},
       false,
       {"1:27 line reaches the wrap point (216 pixels, the box wraps at 216): the box shows an empty "
        "line after it"}},
      // The box lines the renderer draws: an empty last line is one, so is a wrap, and so is
      // the pen left at the wrap point by a full line.
      {six, false, {}},
      {plus(six, "7"), false, {"7:1 needs 7 box lines, the box shows 6"}},
      {plus(six, ""),
       false,
       {"7:1 empty line at the end: the string gets an extra line break",
        "7:1 needs 7 box lines, the box shows 6"}},
      {{"1", "2", "3", "4", std::string(30, 'x')},
       false,
       {"5:28 line is 240 pixels wide, the box wraps at 216"}},
      {{a, "2", "3", "4", "5", "6"},
       false,
       {"1:27 line reaches the wrap point (216 pixels, the box wraps at 216): the box shows an empty "
        "line after it",
        "6:1 needs 7 box lines, the box shows 6"}},
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
      // 255 characters at 27 a line: ten lines, the seventh from character 163.
      {{std::string(300, 'x')},
       false,
       {"1:28 line is 2040 pixels wide, the box wraps at 216", "1:163 needs 10 box lines, the box shows 6",
        "1:256 line is longer than 255 characters: the rest is dropped"}},
      // The player's name measured at its longest.
      {{"[PLAYER]" + x20}, false, {"1:1 fits only if the name has at most 7 characters"}},
      {{"[PLAYER]" + x20}, false, {}, 7},
      {{"[PLAYER]" + x20}, false, {}, 0},
      // Every name on the line is as long; the finding points at the first.
      {{"Hi [player], " + std::string(10, 'x') + "[$FD]"},
       false,
       {"1:4 fits only if the name has at most 6 characters"}},
      {{"[PLAYER] [PLAYER]" + std::string(10, 'x')}, false, {}},
      // A name that would not fit even with one character leaves the line too wide.
      {{std::string(20, 'x') + "[PLAYER]" + std::string(7, 'x')},
       false,
       {"1:21 line is 280 pixels wide, the box wraps at 216"}},
      // A long name wraps the pen onto more box lines.
      {{"1", "2", "3", "4", "5", "[PLAYER]"},
       false,
       {"6:1 fits only if the name has at most 27 characters", "6:1 needs 7 box lines, the box shows 6"},
       28},
  };
  for (const auto& c : cases)
    EXPECT_EQ(LintLines(Section(c.text), {.variableWidth = c.vwf, .playerWidth = c.playerWidth}), c.expected)
        << c.text.back() << " width " << c.playerWidth;
}

TEST(Lint, SectionShape) {
  const std::string kEndsEarly =
      "line begins \".ENDS\": the string ends before it, and this line and the rest are not in the game";
  const struct {
    Lines section;
    Findings expected;
  } cases[] = {
      {Section({"", "text"}), {"1:1 empty line at the start: the string gets an extra line break"}},
      {Section({"text", ""}), {"2:1 empty line at the end: the string gets an extra line break"}},
      {Section({"", "text", ""}),
       {"1:1 empty line at the start: the string gets an extra line break",
        "3:1 empty line at the end: the string gets an extra line break"}},
      {Section({"text", "", "more"}), {}},
      {Section({" ", "text"}), {}},  // a blank is text
      {Section({""}), {}},           // one empty line: an empty string
      {Section({"", ""}), {}},       // not translated yet
      // The closing line missing, or broken by typing after it: the next header is swallowed.
      {{".STRING 2", "text", ".STRING 3", "more", ".ENDS"}, {"2:1 section 2 has no .ENDS before .STRING 3"}},
      {{".STRING 2", "text", ".ENDS x", "", ".string 3", "more", ".ENDS"},
       {"2:1 " + kEndsEarly, "4:1 section 2 has no .ENDS before .STRING 3"}},
      // The encoder's end of a string: a text line beginning ".ENDS" in any case, but the first.
      {Section({"Hello", ".ends is here", "more"}), {"2:1 " + kEndsEarly}},
      {Section({"Hello", ".Endspiel"}), {"2:1 " + kEndsEarly}},
      {Section({".ends first", "more"}), {}},
      {Section({"Hello", " .ends"}), {}},  // a blank before it: text
      {{".STRING 2", "text", "see .STRING 10, .STRING 11"}, {"2:5 section 2 has no .ENDS before .STRING 10"}},
      {{".STRING 2", "text", " .ENDS\t"}, {}},
      {{".STRING 2", "// .STRING #", ".STRING 03", ".ENDS"}, {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(LintLines(c.section), c.expected) << ::testing::PrintToString(c.section);
}

}  // namespace
}  // namespace ts2
