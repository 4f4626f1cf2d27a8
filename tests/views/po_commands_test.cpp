// Export Script as PO and Import Translations from PO in the editor: the Text Editor's unsaved
// text goes out and comes back into the Text Editor as one edit to undo; other blocks' files are
// written on disk; a file with a wrong entry changes nothing; the working directory stays.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/fileutil.h"
#include "script/po.h"
#include "script/textfile.h"
#include "support/loaded_program.h"
#include "views/script_form.h"

namespace ts2 {
namespace {

namespace fs = std::filesystem;
using test::ReadFileText;

constexpr uint32_t kA = 0x1A8000, kB = 0x1B0000, kC = 0x1C0000;

class PoCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    lp.dir.write("Dumps/001A8000.txt", ".STRING 0\r\nThe sword\r\n.ENDS\r\n.STRING 1\r\n\r\n.ENDS\r\n");
    lp.dir.write("Dumps/001B0000.txt", ".STRING 0\r\nA Sword\r\n.ENDS\r\n");
    lp.p.ui.script.openDialogSetsDirectory = true;  // as the desktop's dialog does
    lp.select(0);
  }
  std::string said() const { return lp.p.ui.script.said.back().text; }
  void importFile(const std::string& po, std::deque<bool> answers = {true}) {
    fs::create_directories(lp.dir.path() / "sub");
    lp.dir.write("sub/in.po", po);
    lp.p.ui.script.questionAnswers = std::move(answers);
    lp.p.ui.script.openAnswers.push_back(std::vector<std::string>{lp.dir.file("sub/in.po")});
    lp.form().RunMenuCommand(MenuId::ImportPo1);
  }
  static std::string Entry(const std::string& context, const std::string& str) {
    return "msgctxt \"" + context + "\"\nmsgid \"\"\nmsgstr \"" + str + "\"\n\n";
  }
  test::LoadedProgram lp{{{kA, 2}, {kB, 1}, {kC, 2}}};
};

TEST_F(PoCommands, ExportHoldsTheTextEditorsUnsavedText) {
  const std::string cwd = CurrentDirectory();
  lp.editor().setSelection(static_cast<int>(lp.editor().text().find("The sword")), 3);
  lp.editor().type("A");
  lp.p.ui.script.saveAnswers.push_back(lp.dir.file("sub/script"));
  fs::create_directory(lp.dir.path() / "sub");
  lp.form().RunMenuCommand(MenuId::ExportPo1);
  EXPECT_EQ(CurrentDirectory(), cwd);
  EXPECT_EQ(
      said(),
      "\"script.po\" holds the 5 strings of 3 translation files, 2 of them translated. Translation tools and "
      "platforms (Poedit, Lokalize, Weblate) open it; Edit > Import Translations from PO brings their work "
      "back.");
  std::string error;
  const auto entries = po::Parse(ReadFileText(lp.dir.file("sub/script.po")), error);
  ASSERT_TRUE(entries) << error;
  ASSERT_EQ(entries->size(), 6u);
  EXPECT_EQ((*entries)[1].context, "001A8000.txt .STRING 0");
  EXPECT_EQ((*entries)[1].str, "A sword");  // unsaved, as the Text Editor holds it
  EXPECT_EQ((*entries)[3].str, "A Sword");
  EXPECT_NE((*entries)[0].str.find("Language: \n"), std::string::npos);  // spelling is off: not known

  // The spelling dictionary's language is the translation's.
  lp.form().spellingLanguage = "pt_BR";
  lp.p.ui.script.saveAnswers.push_back(lp.dir.file("sub/script"));
  lp.form().RunMenuCommand(MenuId::ExportPo1);
  EXPECT_NE(ReadFileText(lp.dir.file("sub/script.po")).find("\"Language: pt_BR\\n\""), std::string::npos);
  EXPECT_EQ(ReadFileText(lp.textFile(kA)).find("A sword"), std::string::npos);  // nothing saved

  // Without a ROM there is nothing to export, and no dialog is run.
  test::LoadedProgram empty;
  empty.form().RunMenuCommand(MenuId::ExportPo1);
  EXPECT_TRUE(empty.p.ui.script.dialogsRun.empty());
  EXPECT_EQ(empty.p.ui.script.said.back().text.rfind("Open the ROM and its text block data file first", 0),
            0u);
}

TEST_F(PoCommands, ImportAsksThenFillsTheTextEditorAndTheFiles) {
  const std::string cwd = CurrentDirectory(), blockB = ReadFileText(lp.textFile(kB));
  const int undo = lp.editor().undoSteps;
  const std::string po = Entry("001A8000.txt .STRING 1", "Une \\xC3\\xA9p\\xC3\\xA9e") +
                         Entry("001B0000.txt .STRING 0", "Une EPEE") +
                         Entry("001C0000.txt .STRING 1", "Neuf") + "#, fuzzy\n" +
                         Entry("001A8000.txt .STRING 0", "Devin\\xC3\\xA9");
  importFile(po, {false});
  EXPECT_EQ(said(),
            "Import 3 translations from \"in.po\" into 3 files?\n001A8000.txt: 1 string\n001B0000.txt: "
            "1 string\n001C0000.txt (new): 1 string");
  EXPECT_EQ(lp.editor().undoSteps, undo);  // No: nothing changed
  EXPECT_EQ(ReadFileText(lp.textFile(kB)), blockB);
  EXPECT_FALSE(fs::exists(lp.textFile(kC)));

  importFile(po);
  EXPECT_EQ(CurrentDirectory(), cwd);
  EXPECT_EQ(lp.editor().undoSteps, undo + 1);  // one edit to undo in the Text Editor
  EXPECT_TRUE(lp.editor().modified());
  EXPECT_EQ(lp.editor().text(), ".STRING 0\nThe sword\n.ENDS\n.STRING 1\nUne \xE9p\xE9\x65\n.ENDS\n");
  EXPECT_EQ(ReadFileText(lp.textFile(kA)).find("Une"), std::string::npos);  // not saved unasked
  EXPECT_EQ(ReadFileText(lp.textFile(kB)), ".STRING 0\r\nUne EPEE\r\n.ENDS\r\n");
  EXPECT_NE(ReadFileText(lp.textFile(kC)).find(".STRING 1\r\nNeuf\r\n.ENDS\r\n"), std::string::npos);
  EXPECT_EQ(
      said(),
      "Imported 3 translations into 3 files. The changes to \"001A8000.txt\" are in the Text Editor: save it "
      "to keep them, or undo them there with Ctrl+Z. Edit > Undo Import Translations from PO in Other Files "
      "puts the other files back. 1 translation marked fuzzy (not yet confirmed) left out.");

  // Again: nothing left to do.
  importFile(po);
  EXPECT_EQ(said(),
            "Nothing to import: the translation files already hold every translation of \"in.po\". 1 "
            "translation marked fuzzy (not yet confirmed) left out.");
}

TEST_F(PoCommands, AWrongEntryImportsNothing) {
  const std::string text = lp.editor().text(), blockB = ReadFileText(lp.textFile(kB));
  importFile(Entry("001B0000.txt .STRING 0", "fine") + Entry("001A8000.txt .STRING 7", "x") +
             Entry("001A8000.txt .STRING 0", "\\xE4\\xB8\\x96"));
  EXPECT_EQ(said(),
            "\"in.po\" cannot be imported:\nLine 6: 001A8000.txt has no string 7 (its block has 2 strings)\n"
            "Line 10: the translation holds '\xE4\xB8\x96' (U+4E16), which translation files cannot hold\n"
            "No translation file was changed.");
  importFile("msgid \"open\n");
  EXPECT_EQ(said(),
            "Error: \"in.po\" is not a PO file the editor can read (line 1: the string is not closed). No "
            "translation file was changed.");
  EXPECT_EQ(lp.editor().text(), text);
  EXPECT_EQ(ReadFileText(lp.textFile(kB)), blockB);
}

// A file that is there but cannot be read is not a block without a file: a command over the
// whole script names it and does nothing, where it would have written a new file over it, left its
// translations out of a PO file, or replaced in every file but it.
TEST_F(PoCommands, AFileThatCannotBeReadStopsTheWholeScriptCommands) {
  fs::remove(lp.textFile(kB));
  fs::create_directory(lp.textFile(kB));  // read as root as well: it cannot be, whoever reads it
  const std::string text = lp.editor().text();
  const std::string error = "Error: 1 translation file is there but cannot be read:\n" +
                            TranslationFileName(lp.form().gDumpDir, kB) + ": Is a directory\n";

  importFile(Entry("001B0000.txt .STRING 0", "Une EPEE"));
  EXPECT_EQ(said(), error + "No translation file was changed.");
  lp.form().RunMenuCommand(MenuId::FillRepeats1);
  EXPECT_EQ(said(), error + "No translation file was changed.");
  lp.p.ui.script.saveAnswers.push_back(lp.dir.file("out"));
  lp.form().RunMenuCommand(MenuId::ExportPo1);
  EXPECT_EQ(said(), error + "No file was written.");
  EXPECT_FALSE(fs::exists(lp.dir.file("out.po")));

  TScriptForm& script = lp.p.program.ScriptForm();
  EXPECT_EQ(script.Find({"sword", {}, false}).size(), 1u);  // the Text Editor's, and it is named
  EXPECT_EQ(script.unreadable,
            std::vector<std::string>{TranslationFileName(lp.form().gDumpDir, kB) + ": Is a directory"});
  script.ReplaceAll("blade");
  EXPECT_EQ(said(), error + "Nothing was replaced.");
  EXPECT_EQ(lp.editor().text(), text);
  EXPECT_TRUE(fs::is_directory(lp.textFile(kB)));

  // What does not touch it goes ahead: the shown block's string, from its own text.
  importFile(Entry("001A8000.txt .STRING 1", "Deux"));
  EXPECT_EQ(said().rfind("Imported 1 translation into 1 file.", 0), 0u) << said();
}

}  // namespace
}  // namespace ts2
