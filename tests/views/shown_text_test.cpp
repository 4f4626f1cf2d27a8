// The text the Text Editor shows, typed into and not saved, while commands reach into it (Find in
// Script, Next Untranslated String, Go to String), leave it for another block, or undo what a
// script-wide command did to it and to the other files.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>

#include "core/fileutil.h"
#include "support/loaded_program.h"
#include "views/script_form.h"

namespace ts2 {
namespace {

namespace fs = std::filesystem;
using test::ReadFileText;

constexpr uint32_t kA = 0x1A8000, kB = 0x1B0000;
constexpr char kFileA[] = ".STRING 0\r\n\r\n.ENDS\r\n.STRING 1\r\nThe sword, the sword\r\n.ENDS\r\n";
constexpr char kFileB[] = ".STRING 0\r\nA sword\r\n.ENDS\r\n";

// Writes block A's and block B's files.
void WriteFiles(test::LoadedProgram& lp) {
  lp.dir.write("Dumps/001A8000.txt", kFileA);
  lp.dir.write("Dumps/001B0000.txt", kFileB);
}

// Types `typed` in front of "The sword" in block A's string 1.
void TypeIntoA(test::LoadedProgram& lp, const std::string& typed) {
  lp.editor().setSelection(static_cast<int>(lp.editor().text().find("The sword")), 0);
  lp.editor().type(typed);
}

// Two lines of the block list share one pointer table, so one translation file: the second one
// is shown, typed into and not saved. A command that goes to a place in that very text changes no
// file, so it has nothing to ask and nothing to drop; the shown line stays the selected one.
TEST(SharedTranslationFile, GoingToAPlaceInTheShownTextKeepsTheTypedText) {
  struct Case {
    const char* command;
    std::function<void(test::LoadedProgram&, TScriptForm&)> run;
    int string;          // the string shown afterwards
    const char* edited;  // what the shown string reads afterwards
  };
  // As the Find window's Replace button does: a selection that is no match goes to the next one.
  const auto replace = [](TScriptForm& s) {
    if (!s.Replace("blade") && !s.results.empty()) s.ActivateResult(s.NextResult());
  };
  const Case cases[] = {
      {"activating a Find in Script result",
       [](test::LoadedProgram&, TScriptForm& s) {
         s.Find({"sword", {}, false});
         ASSERT_FALSE(s.results.empty());
         s.ActivateResult(0);
       },
       1, "Hello The sword, the sword"},
      {"Replace in the Find window: to the first match, replaced and on to the next, replaced",
       [&](test::LoadedProgram&, TScriptForm& s) {
         s.Find({"sword", {}, false});
         for (int i = 0; i < 3; ++i) replace(s);
       },
       1, "Hello The blade, the blade"},
      {"Next Untranslated String",
       [](test::LoadedProgram&, TScriptForm& s) { s.SelectNext(StringState::kUntranslated); }, 0,
       "Hello The sword, the sword"},
      {"Go to String with a PO reference",
       [](test::LoadedProgram& lp, TScriptForm& s) {
         lp.p.ui.script.textAnswers = {std::string("001A8000.txt .STRING 0")};
         s.GoTo();
       },
       0, "Hello The sword, the sword"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    test::LoadedProgram lp{{{kA, 2}, {kA, 2}, {kB, 1}}};
    WriteFiles(lp);
    lp.select(1);
    ASSERT_EQ(lp.form().gCurBlock, 1);
    TypeIntoA(lp, "Hello ");  // string 1, the shown one; string 0 is the untranslated one left
    lp.p.ui.list(ControlId::pList).setItemIndex(1);
    lp.p.program.listClick(ControlId::pList);
    lp.p.ui.script.said.clear();

    c.run(lp, lp.p.program.ScriptForm());  // a question would be answered No, as nothing is queued

    for (const auto& said : lp.p.ui.script.said)
      EXPECT_NE(said.kind, headless::Script::Said::Question) << said.text;
    EXPECT_NE(lp.editor().text().find(c.edited), std::string::npos) << lp.editor().text();
    EXPECT_TRUE(lp.editor().modified());
    EXPECT_EQ(ReadFileText(lp.textFile(kA)), kFileA);
    EXPECT_EQ(lp.form().gCurBlock, 1);
    EXPECT_EQ(lp.p.ui.list(ControlId::bList).itemIndex(), 1);
    EXPECT_EQ(lp.form().gCurString, c.string);
  }
}

// A script-wide command with block A shown makes A's part in the Text Editor and writes B on disk.
// Undo ... in Other Files leaves A's part to Ctrl+Z only while the editor still shows A as it did
// then; once A was left or read again, A's file is put back like B's, under the same rule: a file
// changed since is left, and one that never got the part needs nothing.
TEST(SessionUndo, TheShownFilesPartIsPutBackOnceCtrlZNoLongerReachesIt) {
  constexpr uint32_t kC = 0x1C0000;
  struct Command {
    const char* what;
    std::function<void(test::LoadedProgram&)> run;
  };
  const Command commands[] = {
      {"Replace All",
       [](test::LoadedProgram& lp) {
         lp.p.program.ScriptForm().Find({"sword", {}, false});
         lp.p.ui.script.questionAnswers = {true};
         lp.p.program.ScriptForm().ReplaceAll("blade");
       }},
      {"Import Translations from PO",
       [](test::LoadedProgram& lp) {
         lp.dir.write("in.po",
                      "msgctxt \"001A8000.txt .STRING 0\"\nmsgid \"\"\nmsgstr \"Hello\"\n\n"
                      "msgctxt \"001B0000.txt .STRING 0\"\nmsgid \"\"\nmsgstr \"Une epee\"\n\n");
         lp.p.ui.script.openAnswers.push_back(std::vector<std::string>{lp.dir.file("in.po")});
         lp.p.ui.script.questionAnswers = {true};
         lp.form().RunMenuCommand(MenuId::ImportPo1);
       }},
  };
  struct Case {
    const char* name;
    const char* then;  // between the command and the undo: save, type, show-A, show-C, no (to saving)
    bool listsA;       // the question names A's file with B's; else B's alone
    bool ctrlZ;        // the question leaves A's part to Ctrl+Z
    bool aPutBack;     // A's file is as before the command; else as it was before the undo
    enum { Made, Before, AnotherBlock } editor;
    const char* report;  // %s: the command
  };
  const Case cases[] = {
      {"A still shown", "", false, true, false, Case::Made, "Put back 1 file as they were before %s."},
      {"A saved, another block shown", "save show-C", true, false, true, Case::AnotherBlock,
       "Put back 2 files as they were before %s."},
      {"A saved, typed into and saved again, another block shown", "save type save show-C", true, false,
       false, Case::AnotherBlock,
       "Put back 1 of 2 files as they were before %s.\n\"001A8000.txt\" changed since; it was left "
       "as it is."},
      {"A's part dropped on the way to another block", "no show-C", false, false, false, Case::AnotherBlock,
       "Put back 1 file as they were before %s."},
      {"A saved, left and shown again", "save show-C show-A", true, false, false, Case::Before,
       "Put back 2 files as they were before %s. \"001A8000.txt\" was put back in the Text Editor: save it "
       "to keep that, or undo it there with Ctrl+Z."},
  };
  for (const Command& command : commands) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(command.what) + ", " + c.name);
      test::LoadedProgram lp{{{kA, 2}, {kB, 1}, {kC, 1}}};
      WriteFiles(lp);
      lp.dir.write("Dumps/001C0000.txt", ".STRING 0\r\nNothing here\r\n.ENDS\r\n");
      lp.select(0);
      command.run(lp);
      const std::string made = lp.editor().text();
      ASSERT_NE(made, FileBytesToEditorText(kFileA));
      ASSERT_NE(ReadFileText(lp.textFile(kB)), kFileB);
      std::istringstream steps(c.then);
      for (std::string step; steps >> step;) {
        if (step == "save") lp.form().RunMenuCommand(MenuId::SaveTextFile1);
        if (step == "type") lp.editor().type("later ");
        if (step == "no") lp.p.ui.script.questionAnswers = {false};
        if (step.starts_with("show-")) lp.select(step == "show-A" ? 0 : 2);
      }
      const std::string aBeforeUndo = ReadFileText(lp.textFile(kA));
      lp.p.ui.script.said.clear();
      lp.p.ui.script.questionAnswers = {true};
      lp.form().RunMenuCommand(MenuId::UndoOtherFiles1);

      ASSERT_EQ(lp.p.ui.script.said.size(), 2u);
      const std::string& asked = lp.p.ui.script.said[0].text;
      EXPECT_NE(asked.find(Format("wrote, as they were before it?%s\n001B0000.txt\n\n",
                                  c.listsA ? "\n001A8000.txt" : "")),
                std::string::npos)
          << asked;
      EXPECT_EQ(
          asked.ends_with("\"001A8000.txt\" were made in the Text Editor: undo them there with Ctrl+Z."),
          c.ctrlZ)
          << asked;
      EXPECT_EQ(lp.p.ui.script.said[1].text, Format(c.report, command.what));
      EXPECT_EQ(ReadFileText(lp.textFile(kB)), kFileB);
      EXPECT_EQ(ReadFileText(lp.textFile(kA)), c.aPutBack ? std::string(kFileA) : aBeforeUndo);
      if (c.editor == Case::Made) {
        EXPECT_EQ(lp.editor().text(), made);
      } else if (c.editor == Case::Before) {
        EXPECT_EQ(lp.editor().text(), FileBytesToEditorText(kFileA));
        EXPECT_TRUE(lp.editor().modified());
      }
    }
  }
}

// Yes to saving the typed text on the way to another block, and then: the file changed by
// another program meanwhile (Overwrite / Reload / Cancel), or a save that fails. Cancel leaves
// both as they are, so the block stays shown with its text; only a save that could not be made
// sends the text to a copy and goes on.
TEST(LeavingTypedText, CancelInTheChangedOnDiskBoxKeepsTheBlockAndItsText) {
  struct Case {
    const char* name;
    int choice;  // in the changed-on-disk box; none asked when the file is read-only instead
    bool readOnly;
    int shown;  // the block shown afterwards
    enum { Mine, Theirs, AsItWas } fileA;
    bool copy;  // the typed text kept in A.txt.unsaved
  };
  const Case cases[] = {
      {"Overwrite", 0, false, 1, Case::Mine, false},
      {"Reload, the typed text dropped", 1, false, 1, Case::Theirs, false},
      {"Cancel", 2, false, 0, Case::Theirs, false},
      {"the box closed", -1, false, 0, Case::Theirs, false},
      {"a save that fails", 0, true, 1, Case::AsItWas, true},
  };
  const std::string theirs = ".STRING 0\r\nfrom git\r\n.ENDS\r\n.STRING 1\r\nThe sword\r\n.ENDS\r\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::LoadedProgram lp{{{kA, 2}, {kB, 1}}};
    WriteFiles(lp);
    lp.select(0);
    TypeIntoA(lp, "Hello ");
    const std::string mine = EditorTextToFileBytes(lp.editor().text());
    const std::string file = lp.textFile(kA);
    if (c.readOnly)
      fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    else
      lp.dir.write("Dumps/001A8000.txt", theirs);
    lp.p.ui.script.questionAnswers = {true, false};  // save it? Yes; and before a reload: No
    lp.p.ui.script.choiceAnswers = {c.choice};
    lp.select(1);

    EXPECT_EQ(lp.form().gCurBlock, c.shown);
    EXPECT_EQ(lp.p.ui.list(ControlId::bList).itemIndex(), c.shown);
    EXPECT_EQ(lp.editor().text().find("Hello") != std::string::npos, c.shown == 0) << lp.editor().text();
    EXPECT_EQ(lp.editor().modified(), c.shown == 0);
    EXPECT_EQ(ReadFileText(file), c.fileA == Case::Mine ? mine : c.fileA == Case::Theirs ? theirs : kFileA);
    EXPECT_EQ(fs::exists(file + ".unsaved"), c.copy);
    EXPECT_EQ(c.copy ? ReadFileText(file + ".unsaved") : mine, mine);
  }
}

// Two blocks on one pointer table with different counts, the shorter one shown: Replace in the
// Find window replaces what Find lists in the longer block's strings of that very text.
TEST(SharedTranslationFile, ReplaceReachesTheLongerBlocksStringsInTheShownText) {
  test::LoadedProgram lp{{{kA, 1}, {kA, 2}, {kB, 1}}};
  WriteFiles(lp);
  lp.select(0);
  TScriptForm& s = lp.p.program.ScriptForm();
  s.Find({"sword", {}, false});
  ASSERT_EQ(s.results.size(), 3u);
  for (int i = 0; i < 3; ++i)  // to the first match, replaced and on to the next, replaced
    if (!s.Replace("blade") && !s.results.empty()) s.ActivateResult(s.NextResult());
  EXPECT_NE(lp.editor().text().find("The blade, the blade"), std::string::npos) << lp.editor().text();
  EXPECT_EQ(lp.form().gCurBlock, 0);
}

}  // namespace
}  // namespace ts2
