// The whole-script views on a program: string states in List Data following the Text Editor,
// block progress counted between events, Find in Script jumping to a match, Replace and Replace
// All (the current block in the editor, the other files on disk).
#include <gtest/gtest.h>

#include <filesystem>

#include "display/spelling.h"
#include "support/loaded_program.h"
#include "support/word_list_speller.h"
#include "views/script_form.h"

namespace ts2 {
namespace {

namespace fs = std::filesystem;
using test::ReadFileText;

constexpr uint32_t kA = 0x1A8000, kB = 0x1B0000, kC = 0x1C0000;

class ScriptForm : public ::testing::Test {
 protected:
  void SetUp() override {
    lp.dir.write(
        "Dumps/001A8000.txt",
        ".STRING 0\r\nThe sword\r\n.ENDS\r\n.STRING 1\r\n\r\n.ENDS\r\n.STRING 2\r\nA [ B\r\n.ENDS\r\n");
    lp.dir.write("Dumps/001B0000.txt", ".STRING 0\r\nA Sword, a SWORD\r\n.ENDS\r\n");
  }
  TScriptForm& script() { return lp.p.program.ScriptForm(); }
  // Selects `replaced` characters `after` characters past the first `where`, and types `typed`.
  void typeAt(const char* where, int replaced, const char* typed, int after = 0) {
    lp.editor().setSelection(static_cast<int>(lp.editor().text().find(where)) + after, replaced);
    lp.editor().type(typed);
  }
  // Clicks the string's line in List Data.
  void choose(int string) {
    lp.p.ui.pList.setItemIndex(string);
    lp.p.program.listClick(ControlId::pList);
  }
  std::vector<ItemMark> marks(const headless::HListBox& list) {
    std::vector<ItemMark> out;
    for (int i = 0; i < list.count(); ++i)
      out.push_back(list.marks.count(i) ? list.marks.at(i).mark : ItemMark::kNone);
    return out;
  }
  test::LoadedProgram lp{{{kA, 3}, {kB, 1}, {kC, 2}}};
};

TEST_F(ScriptForm, StringStatesFollowTheTextEditor) {
  lp.select(0);
  using M = ItemMark;
  EXPECT_EQ(marks(lp.p.ui.pList), (std::vector<M>{M::kTranslated, M::kUntranslated, M::kFindings}));
  EXPECT_EQ(lp.p.ui.pList.marks[2].tip, "line 1, column 3: \"[\" opens no tag and no \"[$\" run");
  EXPECT_EQ(lp.p.ui.pList.lines[2], "String# 2    ");  // the caption stays as it was

  // String 1 is edited: its state follows at once; string 2's section broken by the same edit
  // follows once typing pauses.
  choose(1);
  typeAt(".STRING 1\n", 0, "Hello", 10);
  EXPECT_EQ(lp.p.ui.pList.marks[1].mark, M::kTranslated);
  typeAt("A [ B", 1, "x", 2);
  EXPECT_EQ(lp.p.ui.pList.marks[2].mark, M::kFindings);
  lp.p.ui.runLaterTasks();
  EXPECT_EQ(marks(lp.p.ui.pList), (std::vector<M>{M::kTranslated, M::kTranslated, M::kTranslated}));
}

// Keys typed while the pause is awaited move it: one wait at a time, and the other strings'
// states follow only once a wait ends with no key typed since it began.
TEST_F(ScriptForm, TheOtherStatesFollowThePauseAfterTheLastKey) {
  lp.select(0);
  lp.p.ui.runLaterTasks();  // the blocks counted
  using M = ItemMark;
  typeAt("[ B", 1, "x");  // string 2's finding mended, while string 0 is shown
  typeAt("sword", 0, "a");
  typeAt("sword", 0, "b");
  EXPECT_EQ(lp.p.ui.runLaterTasks(1), 1);  // one wait for the three keys: it began before two of them
  EXPECT_EQ(lp.p.ui.pList.marks[2].mark, M::kFindings);
  typeAt("sword", 0, "c");  // a key while the next wait runs
  EXPECT_EQ(lp.p.ui.runLaterTasks(1), 1);
  EXPECT_EQ(lp.p.ui.pList.marks[2].mark, M::kFindings);
  EXPECT_EQ(lp.p.ui.runLaterTasks(1), 1);  // no key since this one began
  EXPECT_EQ(lp.p.ui.pList.marks[2].mark, M::kTranslated);
  EXPECT_EQ(lp.p.ui.runLaterTasks(), 0);
}

// A block shown as it is on disk takes the states its count found; whichever way the text got
// there (counted or not yet, edited, saved, changed on disk behind the program's back, other
// options), the states are those the plain computation gives for the editor's text.
TEST_F(ScriptForm, ShownStatesAreThoseOfTheEditorsText) {
  const auto expectPlain = [&](const char* step) {
    SCOPED_TRACE(step);
    const LintOptions options{.variableWidth = lp.form().Checked(MenuId::UseVWFRoutine1),
                              .playerWidth = lp.form().gPlayerWidth};
    const std::vector<StringStatus> plain = StatesOf(lp.editor().text(), lp.form().gCurStringCount, options);
    const std::vector<StringStatus>& shown = script().states;
    ASSERT_EQ(shown.size(), plain.size());
    for (size_t i = 0; i < plain.size(); ++i) {
      EXPECT_EQ(shown[i].state, plain[i].state) << i;
      EXPECT_EQ(shown[i].headerLine, plain[i].headerLine) << i;
      ASSERT_EQ(shown[i].findings.size(), plain[i].findings.size()) << i;
      for (size_t j = 0; j < plain[i].findings.size(); ++j)
        EXPECT_EQ(shown[i].findings[j].message, plain[i].findings[j].message) << i;
      EXPECT_EQ(lp.p.ui.pList.marks[static_cast<int>(i)].tip, StateText(plain[i])) << i;
    }
  };
  lp.select(0);
  expectPlain("before counting");
  lp.p.ui.runLaterTasks();
  lp.select(1);
  lp.select(0);
  expectPlain("counted");
  typeAt("The sword", 0, "[");
  lp.p.ui.runLaterTasks();
  expectPlain("edited, typing paused");
  lp.form().RunMenuCommand(MenuId::SaveTextFile1);
  lp.select(1);
  lp.select(0);
  expectPlain("saved, shown again");
  lp.dir.write("Dumps/001B0000.txt", ".STRING 0\r\nA [ B\r\n.ENDS\r\n");  // unannounced
  lp.select(1);
  expectPlain("changed on disk");
  EXPECT_EQ(script().states[0].state, StringState::kWithFindings);
  lp.form().RunMenuCommand(MenuId::UseVWFRoutine1);
  expectPlain("other options");
  lp.p.ui.runLaterTasks();
  lp.select(0);
  expectPlain("other options, counted");
}

TEST_F(ScriptForm, UnknownWordsAreMarkedApartFromFindingsWhileSpellingIsOn) {
  lp.select(0);
  auto speller = std::make_unique<test::WordListSpeller>();
  speller->words = {U"The", U"sword", U"A"};
  lp.form().spelling = std::make_shared<SpellChecker>(std::move(speller));
  script().SpellingChanged();
  using M = ItemMark;
  EXPECT_EQ(marks(lp.p.ui.pList), (std::vector<M>{M::kTranslated, M::kUntranslated, M::kFindings}));

  // A misspelling typed into string 1 shows at once, apart from findings.
  choose(1);
  typeAt(".STRING 1\n", 0, "Teh sword", 10);
  EXPECT_EQ(lp.p.ui.pList.marks[1].mark, M::kMisspelled);
  EXPECT_EQ(lp.p.ui.pList.marks[1].tip, "Translated\nSpelling: unknown word \"Teh\"");
  // One in string 2, which already has a finding: both are shown once typing pauses.
  typeAt("A [ B", 0, "wrod ");
  lp.p.ui.runLaterTasks();
  EXPECT_EQ(marks(lp.p.ui.pList), (std::vector<M>{M::kTranslated, M::kMisspelled, M::kFindingsMisspelled}));

  // Spelling off: only the findings are left.
  lp.form().spelling.reset();
  script().SpellingChanged();
  EXPECT_EQ(marks(lp.p.ui.pList), (std::vector<M>{M::kTranslated, M::kTranslated, M::kFindings}));
}

TEST_F(ScriptForm, BlockProgressIsCountedFromDiskWithoutCreatingFiles) {
  lp.select(1);
  EXPECT_GT(lp.p.ui.runLaterTasks(), 0);
  EXPECT_FALSE(script().counting());
  using M = ItemMark;
  EXPECT_EQ(marks(lp.p.ui.bList), (std::vector<M>{M::kFindings, M::kTranslated, M::kUntranslated}));
  EXPECT_EQ(lp.p.ui.bList.marks[0].tip, "1 of 3 translated, 1 with findings");
  EXPECT_EQ(lp.p.ui.bList.marks[2].tip, "0 of 2 translated, 0 with findings (no file yet)");
  EXPECT_FALSE(fs::exists(lp.textFile(kC)));
  EXPECT_EQ(script().Total().translated, 2u);

  // Saving counts the file again.
  typeAt("A Sword", 0, "[");
  lp.form().RunMenuCommand(MenuId::SaveTextFile1);
  EXPECT_EQ(lp.p.ui.bList.marks[1].tip, "0 of 1 translated, 1 with findings");
}

// Blocks on one pointer table share a file: each keeps its own count, and the totals count the
// file's strings once, with the block that has the most, wherever it is in the list.
TEST_F(ScriptForm, TheTotalsCountASharedFileOnce) {
  lp.setBlocks({{kA, 2}, {kB, 1}, {kA, 3}});
  lp.select(1);
  lp.p.ui.runLaterTasks();
  ASSERT_FALSE(script().counting());
  const BlockProgress total = script().Total();
  EXPECT_EQ(std::tuple(total.strings, total.translated, total.withFindings), std::tuple(4u, 2u, 1u));
  EXPECT_EQ(script().progress[0]->translated, 1u);  // each row stays the block's
}

TEST_F(ScriptForm, FindSearchesTheEditorsTextAndJumpsToTheMatch) {
  lp.select(0);
  // Unsaved text of the current block is searched as it stands.
  typeAt("The sword", 3, "Her");
  const auto& results = script().Find({"sword", {}, false});
  ASSERT_EQ(results.size(), 3u);
  EXPECT_EQ(results[0].lineText, "Her sword");
  EXPECT_EQ(results[1].block, 1);
  EXPECT_EQ(results[2].column, 11u);

  // A match in another block: the unsaved text is asked about first, then the block, the string
  // and the selection follow.
  lp.p.ui.script.questionAnswers = {false};
  ASSERT_TRUE(script().ActivateResult(2));
  EXPECT_EQ(lp.form().gCurBlock, 1);
  EXPECT_EQ(lp.form().gCurString, 0);
  EXPECT_EQ(lp.editor().selLength(), 5);
  EXPECT_EQ(lp.editor().text().substr(static_cast<size_t>(lp.editor().selStart()), 5), "SWORD");
  EXPECT_EQ(lp.p.ui.script.said.size(), 1u);  // the unsaved-text question

  // Whole words, the case, and the original strings' scope take their options.
  EXPECT_EQ(script().Find({"SWORD", {.matchCase = true}, false}).size(), 1u);
  EXPECT_EQ(script().Find({"swor", {.wholeWord = true}, false}).size(), 0u);
}

// The match Find in Script selects is the program's selection: a string chosen afterwards has
// its section searched from the top. A selection the translator makes still moves it behind.
TEST_F(ScriptForm, AShownMatchIsNoSelectionToSearchBehind) {
  lp.select(0);
  const auto chosen = [&](int string) {
    choose(string);
    return lp.form().gSectionLine;
  };
  ASSERT_EQ(script().Find({"[ B", {}, false}).size(), 1u);  // in string 2, the block's last
  ASSERT_TRUE(script().ActivateResult(0));
  ASSERT_EQ(lp.editor().selLength(), 3);
  EXPECT_EQ(chosen(0), 0);
  EXPECT_EQ(lp.editor().selLength(), 0);
  // After Replace, the next match it selects is shown alike.
  ASSERT_EQ(script().Find({" ", {}, false}).size(), 6u);
  ASSERT_TRUE(script().ActivateResult(0));  // in string 0; the next is in string 2
  ASSERT_TRUE(script().Replace("_"));
  ASSERT_EQ(lp.editor().selLength(), 1);
  EXPECT_EQ(chosen(1), 3);
  // The translator's own selection of the same text.
  const int at = static_cast<int>(lp.editor().text().find("[ B"));
  lp.editor().setSelection(at, 3);
  EXPECT_EQ(chosen(0), -1);
}

TEST_F(ScriptForm, ReplaceEditsTheCurrentBlockAndGoesOn) {
  // The last match of a block: replaced, and the Text Editor stays on its block, asking nothing
  // (a No to the unsaved-text question would drop the replacement just made).
  lp.select(0);
  ASSERT_EQ(script().Find({"sword", {}, false}).size(), 3u);
  ASSERT_TRUE(script().ActivateResult(0));
  EXPECT_TRUE(script().Replace("blade"));
  EXPECT_EQ(lp.form().gCurBlock, 0);
  EXPECT_TRUE(lp.p.ui.script.said.empty());
  EXPECT_NE(lp.editor().text().find("The blade"), std::string::npos);
  // The next match is the next block's first, which the next step goes to (asking first).
  EXPECT_FALSE(script().Replace("blade"));
  ASSERT_EQ(script().NextResult(), 0u);  // "A Sword": block 1 is now the first with matches
  EXPECT_EQ(script().results[0].block, 1);
  lp.p.ui.script.questionAnswers = {true};
  ASSERT_TRUE(script().ActivateResult(script().NextResult()));
  EXPECT_EQ(lp.form().gCurBlock, 1);
  EXPECT_NE(test::ReadFileText(lp.textFile(kA)).find("The blade"), std::string::npos);
  lp.p.ui.script.said.clear();

  lp.select(1);
  const int undo = lp.editor().undoSteps;
  ASSERT_EQ(script().Find({"sword", {}, false}).size(), 2u);
  lp.editor().setSelection(0, 5);
  EXPECT_FALSE(script().Replace("blade"));  // the selection is no match: nothing replaced
  ASSERT_TRUE(script().ActivateResult(0));
  EXPECT_TRUE(script().Replace("blade"));
  EXPECT_EQ(lp.editor().text(), ".STRING 0\nA blade, a SWORD\n.ENDS\n");
  // On to the next match, which the next Replace takes; then there is none left after it.
  EXPECT_EQ(lp.editor().text().substr(static_cast<size_t>(lp.editor().selStart()), 5), "SWORD");
  EXPECT_TRUE(script().Replace("blade"));
  EXPECT_EQ(lp.editor().text(), ".STRING 0\nA blade, a blade\n.ENDS\n");
  EXPECT_EQ(lp.editor().undoSteps, undo + 2);  // each one an edit to undo
  EXPECT_FALSE(script().Replace("blade"));
}

TEST_F(ScriptForm, ReplaceAllAsksThenReportsAFileItCouldNotWrite) {
  lp.dir.write("Dumps/001C0000.txt", ".STRING 0\r\nsword\r\n.ENDS\r\n.STRING 1\r\nno\r\n.ENDS\r\n");
  fs::create_directory(lp.dir.path() / "Dumps/001C0000.txt.tmp~");  // its save cannot be made
  const std::string blockC = ReadFileText(lp.textFile(kC));
  lp.select(0);
  const int undo = lp.editor().undoSteps;
  script().Find({"sword", {}, false});

  lp.p.ui.script.questionAnswers = {false};
  script().ReplaceAll("blade");
  EXPECT_EQ(lp.p.ui.script.said.back().text, "Replace 4 occurrences of \"sword\" with \"blade\" in 3 files?");
  EXPECT_EQ(lp.editor().undoSteps, undo);  // No: nothing changed

  // A line made to read as a header would give strings' text to others: refused before asking.
  lp.p.ui.script.said.clear();
  script().ReplaceAll(".STRING 1");
  ASSERT_EQ(lp.p.ui.script.said.size(), 1u);
  EXPECT_EQ(lp.p.ui.script.said.back().text.rfind("Replacing would make line ", 0), 0u);
  EXPECT_EQ(lp.editor().undoSteps, undo);
  EXPECT_EQ(ReadFileText(lp.textFile(kC)), blockC);

  lp.p.ui.script.questionAnswers = {true};
  script().ReplaceAll("blade");
  EXPECT_EQ(lp.editor().undoSteps, undo + 1);  // one edit to undo in the Text Editor
  EXPECT_TRUE(lp.editor().modified());
  EXPECT_NE(lp.editor().text().find("The blade\n"), std::string::npos);
  EXPECT_EQ(ReadFileText(lp.textFile(kA)).find("blade"), std::string::npos);  // not saved unasked
  EXPECT_EQ(ReadFileText(lp.textFile(kB)), ".STRING 0\r\nA blade, a blade\r\n.ENDS\r\n");
  EXPECT_EQ(ReadFileText(lp.textFile(kC)), blockC);
  const std::string report = lp.p.ui.script.said.back().text;
  EXPECT_EQ(
      report.rfind("Replaced 3 occurrences in 2 files. The changes to \"001A8000.txt\" are in the Text "
                   "Editor: save it to keep them, or undo them there with Ctrl+Z. Edit > Undo Replace All "
                   "in Other Files puts the other files back.\n\"" +
                       lp.textFile(kC) + "\" could not be written (",
                   0),
      0u)
      << report;
  EXPECT_NE(report.find("it was left as it was."), std::string::npos);
  EXPECT_EQ(script().results.size(), 1u);  // what is left: the file that was not written

  // The texts are told as typed, whatever their bytes would read as in UTF-8: "Ã©", not "é".
  script().Find({"\xC3\xA9", {}, false});
  script().ReplaceAll("x");
  EXPECT_EQ(lp.p.ui.script.said.back().text,
            "\"\xC3\x83\xC2\xA9\" was not found in the translations: nothing to replace.");
}

}  // namespace
}  // namespace ts2
