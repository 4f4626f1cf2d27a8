// Fill Repeated Strings on the demo set with a fourth block whose pointer table repeats three of
// the first block's strings: ts2tool propagate, and the editor's command as an edit to undo.
#include <gtest/gtest.h>

#include <fstream>

#include "core/fileutil.h"
#include "headless/headless.h"
#include "tool.h"
#include "views/script_form.h"

namespace ts2::test {
namespace {

class Repeated : public DemoSet {
 protected:
  void SetUp() override {
    DemoSet::SetUp();
    // Block CA0100: block CA0000's strings 2, 0 and 1 ("Ask Mira or Tom.", "Welcome to Tormel
    // Saragon!", "Take the SWORD and go.").
    std::fstream rom(dir.file("demo.sfc"), std::ios::in | std::ios::out | std::ios::binary);
    rom.seekp(0xA0100);
    rom.write("\x37\x00\x00\x00\x1B\x00", 6);
    rom.close();
    dir.write("demo.txt", ReadFileText(dir.file("demo.txt")) + ".BLOCK $CA0100 $CB0000 $CB0000 3\r\n");
  }
};

TEST_F(Repeated, PropagateFillsUntranslatedStringsAndNamesOriginalsTranslatedOtherwise) {
  ToolRun r = RunTool(dir, "propagate demo.sfc demo.txt -n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "Dumps/000A0100.txt: new file, strings 0, 1, 2\n"
            "3 strings would be filled in 1 file; 0 originals translated otherwise left alone\n");
  EXPECT_FALSE(FileExists(dir.file("Dumps/000A0100.txt")));

  // A file that cannot be written is not counted as filled.
  std::filesystem::create_directory(dir.file("Dumps/000A0100.txt.tmp~"));
  r = RunTool(dir, "propagate demo.sfc demo.txt");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "0 strings filled in 0 files; 0 originals translated otherwise left alone\n");
  EXPECT_TRUE(r.err.ends_with("; Dumps/000A0100.txt was left as it was\n")) << r.err;
  std::filesystem::remove(dir.file("Dumps/000A0100.txt.tmp~"));

  // String 2 translated otherwise: left alone, named; the others filled.
  dir.write("Dumps/000A0100.txt", ".STRING 2\r\nPrends l'arme.\r\n.ENDS\r\n");
  r = RunTool(dir, "propagate demo.sfc demo.txt");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "Dumps/000A0100.txt: strings 0, 1\n"
            "translated otherwise: Block CA0000 string 1, Block CA0100 string 2: \"Take the SWORD and go.\"\n"
            "2 strings filled in 1 file; 1 original translated otherwise left alone\n");
  EXPECT_EQ(
      ReadFileText(dir.file("Dumps/000A0100.txt")),
      ".STRING 0\r\nDemande \xE0 Mira ou \xE0 Tom.\r\n[PLAYER], ils savent tuot.\r\n.ENDS\r\n\r\n\r\n\r\n"
      ".STRING 1\r\nBienvenue \xE0 Tormel Saragon!\r\n.ENDS\r\n\r\n\r\n\r\n"
      ".STRING 2\r\nPrends l'arme.\r\n.ENDS\r\n");
  r = RunTool(dir, "propagate demo.sfc demo.txt");
  EXPECT_EQ(r.out,
            "translated otherwise: Block CA0000 string 1, Block CA0100 string 2: \"Take the SWORD and go.\"\n"
            "0 strings filled in 0 files; 1 original translated otherwise left alone\n");
  EXPECT_EQ(RunTool(dir, "propagate demo.sfc").status, 2);
}

// A translation that holds a control character cannot be copied into a section: only the strings
// that would take it are left unfilled, each named, and the others are filled.
TEST_F(Repeated, AStringWhoseTranslationCannotBeCopiedIsNamedAndTheOthersFilled) {
  const std::string file = dir.file("Dumps/000A0000.txt");
  std::string text = ReadFileText(file);
  text.replace(text.find("Bienvenue"), 9, "Bien\x1Bvenue");
  dir.write("Dumps/000A0000.txt", text);
  const std::string refused =
      "Block CA0100 string 1 not filled from Block CA0000 string 0: the translation holds the control "
      "character U+001B";

  ToolRun r = RunTool(dir, "propagate demo.sfc demo.txt");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "ts2tool: warning: " + refused + "\n");
  EXPECT_EQ(r.out,
            "Dumps/000A0100.txt: new file, strings 0, 2\n"
            "2 strings filled in 1 file; 0 originals translated otherwise left alone\n");
  EXPECT_EQ(ReadFileText(file), text);

  // The editor says the same, and never that nothing was left to fill.
  ScopedCwd cwd(dir.path());
  headless::HeadlessProgram p;
  TmyForm& f = p.form();
  ASSERT_TRUE(f.OpenRomFile(dir.file("demo.sfc"), dir.file("demo.txt")));
  const std::string unfilled =
      "\n\n1 string is left unfilled, since the translation to copy cannot go into a "
      "section:\n" +
      refused;
  f.RunMenuCommand(MenuId::FillRepeats1);
  EXPECT_EQ(p.ui.script.said.back().text, "No string was filled." + unfilled);
  std::filesystem::remove(dir.file("Dumps/000A0100.txt"));
  p.ui.script.questionAnswers = {false};
  f.RunMenuCommand(MenuId::FillRepeats1);
  EXPECT_EQ(p.ui.script.said.back().text,
            "Fill 2 untranslated strings with the translation of strings with the same original text, in 1 "
            "file?\n000A0100.txt (new): 2 strings" +
                unfilled);
}

// The same original translated otherwise: a finding of check --consistency, named at each string
// after the first (in script order) whose translation differs from the first's.
TEST_F(Repeated, CheckConsistencyNamesAnOriginalTranslatedOtherwise) {
  dir.write("Dumps/000A0100.txt",
            ".STRING 0\r\nDemande \xE0 Mira ou \xE0 Tom.\r\n[PLAYER], ils savent tuot.\r\n.ENDS\r\n"
            ".STRING 1\r\n  \r\n.ENDS\r\n.STRING 2\r\nPrends l'arme.\r\n.ENDS\r\n");
  const std::string wide =
      "Dumps/000A0000.txt:27: string 3, line 2 (file line 27): column 28: line is 240 pixels "
      "wide, the box wraps at 216\n";
  EXPECT_RUN(RunTool(dir, "check demo.sfc demo.txt --consistency"), 1,
             wide +
                 "Dumps/000A0100.txt:9: string 2, line 1 (file line 9): column 1: the same original is "
                 "translated \"Prends l'\xC3\x89p\xC3\xA9"
                 "e et pars.\" in Block CA0000 string 1\n"
                 "2 findings in 2 files (9 strings checked)\n");
  ToolRun r = RunTool(dir, "check demo.sfc demo.txt");
  EXPECT_EQ(r.out, wide + "1 finding in 1 file (9 strings checked)\n");
}

TEST_F(Repeated, TheEditorFillsTheShownBlockAsAnEditToUndoAndOthersOnDisk) {
  ScopedCwd cwd(dir.path());
  headless::HeadlessProgram p;
  TmyForm& f = p.form();
  ASSERT_TRUE(f.OpenRomFile(dir.file("demo.sfc"), dir.file("demo.txt")));
  dir.write("Dumps/000A0100.txt", ".STRING 0\r\n\r\n.ENDS\r\n");
  p.ui.bList.setItemIndex(3);
  f.bListClick(&p.ui.bList);
  ASSERT_EQ(f.gCurBlock, 3);

  p.ui.script.questionAnswers = {false};
  f.RunMenuCommand(MenuId::FillRepeats1);
  EXPECT_EQ(p.ui.script.said.back().text,
            "Fill 3 untranslated strings with the translation of strings with the same original text, in 1 "
            "file?\n000A0100.txt: 3 strings");
  EXPECT_EQ(p.ui.TDMemo.text(), ".STRING 0\n\n.ENDS\n");

  p.ui.script.questionAnswers = {true};
  f.RunMenuCommand(MenuId::FillRepeats1);
  EXPECT_EQ(p.ui.script.said.back().text,
            "Filled 3 strings in 1 file. The changes to \"000A0100.txt\" are in the Text Editor: save it to "
            "keep them, or undo them there with Ctrl+Z.");
  EXPECT_HAS(p.ui.TDMemo.text(),
             ".STRING 2\nPrends l'\xC9p\xE9"
             "e et pars.\n.ENDS");
  EXPECT_TRUE(p.ui.TDMemo.modified());
  EXPECT_EQ(ReadFileText(dir.file("Dumps/000A0100.txt")), ".STRING 0\r\n\r\n.ENDS\r\n");  // not saved yet
  f.RunMenuCommand(MenuId::FillRepeats1);
  EXPECT_EQ(p.ui.script.said.back().text,
            "No string left to fill: no untranslated string has the original text of a translated one.");
}

}  // namespace
}  // namespace ts2::test
