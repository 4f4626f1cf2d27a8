// Undo ... in Other Files: what Replace All and an import wrote into the files other than the
// shown one, put back file by file while each still holds what was written; the latest first.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/fileutil.h"
#include "support/loaded_program.h"
#include "views/script_form.h"

namespace ts2 {
namespace {

namespace fs = std::filesystem;
using test::ReadFileText;

constexpr uint32_t kA = 0x1A8000, kB = 0x1B0000, kC = 0x1C0000;
constexpr char kFileA[] = ".STRING 0\r\nThe sword\r\n.ENDS\r\n.STRING 1\r\n\r\n.ENDS\r\n";
constexpr char kFileB[] = ".STRING 0\r\nA Sword, a SWORD\r\n.ENDS\r\n";
constexpr char kFileC[] = ".STRING 0\r\nsword\n.ENDS\r\n";  // a lone LF kept as it is

class UndoOtherFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    lp.dir.write("Dumps/001A8000.txt", kFileA);
    lp.dir.write("Dumps/001B0000.txt", kFileB);
    lp.dir.write("Dumps/001C0000.txt", kFileC);
    lp.select(0);
  }
  TScriptForm& script() { return lp.p.program.ScriptForm(); }
  void replaceAll(const std::string& text, const std::string& with) {
    script().Find({text, {}, false});
    lp.p.ui.script.questionAnswers = {true};
    script().ReplaceAll(with);
  }
  void undo(bool answer = true) {
    lp.p.ui.script.questionAnswers = {answer};
    lp.form().RunMenuCommand(MenuId::UndoOtherFiles1);
  }
  const headless::Script::Said& said(size_t back = 0) const {
    return lp.p.ui.script.said[lp.p.ui.script.said.size() - 1 - back];
  }
  const MenuItem& item() { return lp.p.ui.menuItem(MenuId::UndoOtherFiles1); }
  test::LoadedProgram lp{{{kA, 2}, {kB, 1}, {kC, 1}}};
};

TEST_F(UndoOtherFiles, ReplaceAllIsPutBackWhereItsFilesStillHoldWhatItWrote) {
  EXPECT_FALSE(item().enabled());
  replaceAll("sword", "blade");
  ASSERT_EQ(ReadFileText(lp.textFile(kB)), ".STRING 0\r\nA blade, a blade\r\n.ENDS\r\n");
  EXPECT_TRUE(said().text.ends_with(" Edit > Undo Replace All in Other Files puts the other files back."));
  EXPECT_TRUE(item().enabled());
  EXPECT_EQ(item().caption(), "&Undo Replace All in Other Files");

  undo(false);
  EXPECT_EQ(
      said().text,
      "Put back the 2 files that Replace All wrote, as they were before it?\n001B0000.txt\n001C0000.txt\n\n"
      "A file changed since is left as it is.\n\nIts changes to \"001A8000.txt\" were made in the Text "
      "Editor: undo them there with Ctrl+Z.");
  EXPECT_EQ(ReadFileText(lp.textFile(kB)), ".STRING 0\r\nA blade, a blade\r\n.ENDS\r\n");  // No: kept
  EXPECT_TRUE(item().enabled());

  const std::string laterC = ".STRING 0\r\nblade, saved again\r\n.ENDS\r\n";
  lp.dir.write("Dumps/001C0000.txt", laterC);  // a later change, not to be undone unseen
  const std::string shown = lp.editor().text();
  undo();
  EXPECT_EQ(ReadFileText(lp.textFile(kB)), kFileB);
  EXPECT_EQ(ReadFileText(lp.textFile(kC)), laterC);
  EXPECT_EQ(said().text,
            "Put back 1 of 2 files as they were before Replace All.\n\"001C0000.txt\" changed since; it was "
            "left as it is.");
  EXPECT_EQ(lp.editor().text(), shown);  // the Text Editor's part is its own undo's
  EXPECT_FALSE(item().enabled());
  EXPECT_EQ(item().caption(), "&Undo Changes to Other Files");
}

// A file that cannot be written back keeps its earlier bytes for a second try: the change stays
// on the menu with that file only.
TEST_F(UndoOtherFiles, AFileThatCouldNotBePutBackIsTriedAgainLater) {
  replaceAll("sword", "blade");
  const fs::path blocker = lp.textFile(kB) + ".tmp~";  // where its new bytes would go first
  fs::create_directory(blocker);
  undo();
  EXPECT_EQ(ReadFileText(lp.textFile(kC)), kFileC);
  EXPECT_EQ(ReadFileText(lp.textFile(kB)), ".STRING 0\r\nA blade, a blade\r\n.ENDS\r\n");
  EXPECT_TRUE(said().text.starts_with("Put back 1 of 2 files as they were before Replace All.\n\"" +
                                      lp.textFile(kB) + "\" could not be put back ("))
      << said().text;
  EXPECT_TRUE(said().text.ends_with(
      "; it was left as it is.\nEdit > Undo Replace All in Other Files tries it again."))
      << said().text;
  EXPECT_TRUE(item().enabled());
  EXPECT_EQ(item().caption(), "&Undo Replace All in Other Files");

  fs::remove(blocker);
  undo();
  EXPECT_EQ(said(1).text,
            "Put back the 1 file that Replace All wrote, as they were before it?\n001B0000.txt\n\nA file "
            "changed since is left as it is.");
  EXPECT_EQ(said().text, "Put back 1 file as they were before Replace All.");
  EXPECT_EQ(ReadFileText(lp.textFile(kB)), kFileB);
  EXPECT_FALSE(item().enabled());
}

// Each change undone in turn, the latest first; a file the Text Editor shows by then is put back
// there, as an edit to undo, and its file on disk is the editor's to save.
TEST_F(UndoOtherFiles, TheLatestChangeFirstAndAShownFileInTheTextEditor) {
  replaceAll("sword", "blade");
  replaceAll("blade", "knife");
  EXPECT_EQ(ReadFileText(lp.textFile(kB)), ".STRING 0\r\nA knife, a knife\r\n.ENDS\r\n");
  EXPECT_EQ(script().changes().size(), 2u);

  undo();
  EXPECT_EQ(ReadFileText(lp.textFile(kB)), ".STRING 0\r\nA blade, a blade\r\n.ENDS\r\n");
  EXPECT_EQ(ReadFileText(lp.textFile(kC)), ".STRING 0\r\nblade\n.ENDS\r\n");

  // Block C's file, whose lone LF the editor would save as CR LF, is shown as it is on disk.
  lp.p.ui.script.questionAnswers = {true};  // block A's text is saved on the way
  lp.select(2);
  ASSERT_EQ(lp.form().gTextPath, lp.textFile(kC));
  const int steps = lp.editor().undoSteps;
  undo();
  EXPECT_EQ(lp.editor().text(), FileBytesToEditorText(kFileC));
  EXPECT_TRUE(lp.editor().modified());
  EXPECT_EQ(lp.editor().undoSteps, steps + 1);
  EXPECT_EQ(ReadFileText(lp.textFile(kC)), ".STRING 0\r\nblade\n.ENDS\r\n");
  EXPECT_EQ(ReadFileText(lp.textFile(kB)), kFileB);
  // Block A's part, saved with the later change in it and left, is no longer Ctrl+Z's: it is
  // looked at like the others, and left as it is, since it changed since.
  EXPECT_EQ(said().text,
            "Put back 2 of 3 files as they were before Replace All. \"001C0000.txt\" was put back in the "
            "Text Editor: save it to keep that, or undo it there with Ctrl+Z.\n\"001A8000.txt\" changed "
            "since; it was left as it is.");
}

// A file an import made is removed again; the files it changed get their bytes back.
TEST_F(UndoOtherFiles, AFileAnImportMadeGoesAgain) {
  fs::remove(lp.textFile(kC));
  lp.dir.write("in.po",
               "msgctxt \"001B0000.txt .STRING 0\"\nmsgid \"\"\nmsgstr \"Une EPEE\"\n\n"
               "msgctxt \"001C0000.txt .STRING 0\"\nmsgid \"\"\nmsgstr \"Neuf\"\n\n");
  lp.p.ui.script.questionAnswers = {true};
  lp.p.ui.script.openAnswers.push_back(std::vector<std::string>{lp.dir.file("in.po")});
  lp.form().RunMenuCommand(MenuId::ImportPo1);
  ASSERT_TRUE(fs::exists(lp.textFile(kC)));
  EXPECT_EQ(item().caption(), "&Undo Import Translations from PO in Other Files");

  undo();
  EXPECT_EQ(said(1).text,
            "Put back the 2 files that Import Translations from PO wrote, as they were before it?\n"
            "001B0000.txt\n001C0000.txt (made by it)\n\nA file changed since is left as it is.");
  EXPECT_EQ(said().text, "Put back 2 files as they were before Import Translations from PO.");
  EXPECT_EQ(ReadFileText(lp.textFile(kB)), kFileB);
  EXPECT_FALSE(fs::exists(lp.textFile(kC)));

  // Made again and shown in the Text Editor by then: left, and said so (it did not change).
  lp.p.ui.script.questionAnswers = {true};
  lp.p.ui.script.openAnswers.push_back(std::vector<std::string>{lp.dir.file("in.po")});
  lp.form().RunMenuCommand(MenuId::ImportPo1);
  lp.select(2);
  undo();
  EXPECT_EQ(
      said().text,
      "Put back 1 of 2 files as they were before Import Translations from PO.\n\"001C0000.txt\" was made "
      "by Import Translations from PO and is shown in the Text Editor; it was left as it is.");
  EXPECT_TRUE(fs::exists(lp.textFile(kC)));
}

// Kept within a budget: the oldest changes go first, the latest always stays.
TEST(FilesChanges, KeepsTheLatestWithinTheirBudget) {
  FilesChanges changes(1000);
  changes.Push({"Nothing", {}, {}});
  EXPECT_EQ(changes.size(), 0u);
  for (size_t i = 0; i < FilesChanges::kMaxChanges + 3; ++i)
    changes.Push({"Change " + std::to_string(i), {}, {{"f", std::string("x"), 0}}});
  EXPECT_EQ(changes.size(), FilesChanges::kMaxChanges);
  EXPECT_EQ(changes.Latest()->what, "Change " + std::to_string(FilesChanges::kMaxChanges + 2));
  changes.Push({"Large", {}, {{"f", std::string(1000, 'x'), 0}}});
  EXPECT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes.Pop()->what, "Large");
  EXPECT_FALSE(changes.Pop());
}

}  // namespace
}  // namespace ts2
