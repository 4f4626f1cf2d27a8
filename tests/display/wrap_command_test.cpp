// Wrap Long Lines in the editor: the shown string's too-wide lines broken in the Text Editor as
// one edit to undo; what cannot be done is said.
#include <gtest/gtest.h>

#include "support/loaded_program.h"

namespace ts2 {
namespace {

constexpr uint32_t kA = 0x1A8000;

TEST(WrapLongLinesCommand, BreaksTheShownStringsLinesAsOneEdit) {
  test::LoadedProgram lp{{{kA, 3}}};
  const std::string longLine = "aaaa bbbb cccc dddd eeee ffff gggg";  // 34 characters: 27 fit
  lp.dir.write("Dumps/001A8000.txt", ".STRING 0\r\n" + longLine + "\r\n.ENDS\r\n.STRING 1\r\n" +
                                         std::string(30, 'x') + "\r\n.ENDS\r\n.STRING 2\r\nshort\r\n" +
                                         longLine);
  lp.select(0);
  const std::string before = lp.editor().text();
  const int undo = lp.editor().undoSteps;
  const auto wrap = [&](int string) {
    lp.p.ui.pList.setItemIndex(string);
    lp.p.program.listClick(ControlId::pList);
    lp.form().RunMenuCommand(MenuId::WrapLongLines1);
  };
  const auto said = [&] {
    return lp.p.ui.script.said.empty() ? std::string() : lp.p.ui.script.said.back().text;
  };

  wrap(0);
  EXPECT_EQ(lp.editor().text(),
            ".STRING 0\naaaa bbbb cccc dddd eeee\nffff gggg\n" + before.substr(before.find(".ENDS")));
  EXPECT_EQ(lp.editor().undoSteps, undo + 1);
  EXPECT_EQ(said(), "");
  EXPECT_EQ(lp.form().ui.statusBar().panelText(kStatusFitPanel).rfind("Fits", 0), 0u);
  wrap(0);
  EXPECT_EQ(said(), "Every line of string 0 fits the box: there is nothing to wrap.");

  wrap(1);  // one word wider than the box
  EXPECT_EQ(said(), "Line 1 of string 1 holds a word wider than the box: it cannot be broken at a space.");
  EXPECT_EQ(lp.editor().undoSteps, undo + 1);

  // A last section without a closing line or a final line break keeps them so.
  wrap(2);
  const std::string text = lp.editor().text();
  EXPECT_EQ(text.substr(text.find(".STRING 2")), ".STRING 2\nshort\naaaa bbbb cccc dddd eeee\nffff gggg");

  lp.form().gSectionLine = -1;
  lp.form().RunMenuCommand(MenuId::WrapLongLines1);
  EXPECT_EQ(said().rfind("Choose a string that has a section", 0), 0u);
}

}  // namespace
}  // namespace ts2
