// Next Untranslated String and Next String with Findings: string after string, block after
// block, around to the start; the shown block as the Text Editor holds it, and its unsaved text
// asked about before another block is shown.
#include <gtest/gtest.h>

#include "support/loaded_program.h"
#include "views/script_form.h"

namespace ts2 {
namespace {

constexpr uint32_t kA = 0x1A8000, kB = 0x1B0000, kC = 0x1C0000;

class NextString : public ::testing::Test {
 protected:
  void SetUp() override {
    // A: 1 untranslated, 2 with findings ("[" opens nothing); B: all translated; C: no file.
    lp.dir.write("Dumps/001A8000.txt",
                 ".STRING 0\r\nOne\r\n.ENDS\r\n.STRING 1\r\n\r\n.ENDS\r\n.STRING 2\r\nA [ B\r\n.ENDS\r\n");
    lp.dir.write("Dumps/001B0000.txt", ".STRING 0\r\nTwo\r\n.ENDS\r\n");
    lp.select(0);
  }
  std::pair<int, int> next(MenuId item) {
    lp.form().RunMenuCommand(item);
    return {lp.form().gCurBlock, lp.form().gCurString};
  }
  test::LoadedProgram lp{{{kA, 3}, {kB, 1}, {kC, 2}}};
};

TEST_F(NextString, GoesThroughEveryBlockAndAroundToTheStart) {
  using P = std::pair<int, int>;
  EXPECT_EQ(next(MenuId::NextUntranslated1), P(0, 1));
  EXPECT_EQ(next(MenuId::NextUntranslated1), P(2, 0));  // B has nothing left; C has no file yet
  EXPECT_EQ(next(MenuId::NextUntranslated1), P(2, 1));
  EXPECT_EQ(next(MenuId::NextUntranslated1), P(0, 1));  // around from the first block
  EXPECT_EQ(next(MenuId::NextFinding1), P(0, 2));
  EXPECT_EQ(next(MenuId::NextFinding1), P(0, 2));  // the only one: found again

  // The shown block counts as typed: string 1 translated, string 2 fixed, unsaved.
  lp.p.ui.pList.setItemIndex(0);
  lp.p.program.listClick(ControlId::pList);
  const std::string text = lp.editor().text();
  lp.editor().setSelection(static_cast<int>(text.find(".STRING 1\n") + 10), 0);
  lp.editor().type("Un");
  lp.editor().setSelection(static_cast<int>(lp.editor().text().find("A [ B") + 2), 1);
  lp.editor().type("x");
  EXPECT_EQ(next(MenuId::NextFinding1), P(0, 0));  // not moved
  EXPECT_EQ(lp.p.ui.script.said.back().text, "No translated string of any block has findings.");
  // Another block: the unsaved text is asked about first, as a click in List Data does.
  lp.p.ui.script.questionAnswers = {true};
  EXPECT_EQ(next(MenuId::NextUntranslated1), P(2, 0));
  const auto& said = lp.p.ui.script.said;
  ASSERT_GE(said.size(), 2u);
  EXPECT_EQ(said[said.size() - 2].kind, headless::Script::Said::Question);
  EXPECT_NE(test::ReadFileText(lp.textFile(kA)).find(".STRING 1\r\nUn\r\n"), std::string::npos);
}

// Other blocks count as their files are: not as text typed there and dropped, and again once
// another program changed them.
TEST_F(NextString, OtherBlocksAreTheirFilesAsTheyAreNow) {
  using P = std::pair<int, int>;
  // C's two strings typed in and dropped (No to the save question).
  EXPECT_EQ(next(MenuId::NextUntranslated1), P(0, 1));
  EXPECT_EQ(next(MenuId::NextUntranslated1), P(2, 0));
  lp.p.ui.runLaterTasks();
  for (const char* header : {".STRING 0\n", ".STRING 1\n"}) {
    lp.editor().setSelection(static_cast<int>(lp.editor().text().find(header) + 10), 0);
    lp.editor().type("Typed");
  }
  lp.p.ui.runLaterTasks();  // the pause in typing: C's states are of the typed text
  lp.p.ui.script.questionAnswers = {false};
  lp.select(0);
  lp.p.ui.runLaterTasks();
  lp.p.ui.pList.setItemIndex(2);
  lp.p.program.listClick(ControlId::pList);
  EXPECT_EQ(next(MenuId::NextUntranslated1), P(2, 0));
  EXPECT_EQ(lp.p.ui.bList.marks[2].tip.rfind("0 of 2 translated", 0), 0u) << lp.p.ui.bList.marks[2].tip;

  // B changed by another program (a pull): counted again when the user comes back.
  lp.select(0);
  lp.p.ui.runLaterTasks();
  EXPECT_EQ(lp.p.ui.bList.marks[1].tip, "1 of 1 translated, 0 with findings");
  lp.dir.write("Dumps/001B0000.txt", ".STRING 0\r\n\r\n.ENDS\r\n");
  lp.p.program.applicationActivated();
  EXPECT_EQ(lp.p.ui.bList.marks[1].tip, "0 of 1 translated, 0 with findings");
  EXPECT_EQ(lp.p.program.ScriptForm().Total().translated, 1u);  // A's string 0
  // Translated again while the editor is in front: F8 reads it as it is now, not as counted.
  lp.dir.write("Dumps/001B0000.txt", ".STRING 0\r\nTwo again\r\n.ENDS\r\n");
  EXPECT_EQ(next(MenuId::NextUntranslated1), P(0, 1));
  EXPECT_EQ(next(MenuId::NextUntranslated1), P(2, 0));
}

}  // namespace
}  // namespace ts2
