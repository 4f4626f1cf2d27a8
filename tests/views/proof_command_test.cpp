// Export Proof Sheet in the editor: the shown block as the Text Editor holds it, drawn a slice at
// a time between events by a program of its own, so that the editor's selection and text stay.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/fileutil.h"
#include "headless/headless.h"
#include "support/builders.h"
#include "support/ips_builder.h"
#include "views/original.h"
#include "views/proof.h"
#include "views/script_form.h"

namespace ts2 {
namespace {

using test::ReadFileText;

// A game of three strings in block 20000, drawn with two solid glyphs; a second table at 28000
// lists the first two strings again.
class ProofCommand : public ::testing::Test {
 protected:
  static std::vector<uint8_t> Game(uint8_t dark, uint8_t light) {
    test::RomBuilder rom;
    rom.fontTable({test::SolidGlyph(dark, dark), test::SolidGlyph(light, light)});
    const uint8_t strings[3][4] = {{0x02, 1, 0, 1}, {0x00, 0}, {0x00, 1}};
    for (int s = 0; s < 3; ++s) {
      rom.put16(0x20000 + 2 * s, static_cast<uint16_t>(0x100 + 0x10 * s));
      rom.put(0x30100 + 0x10 * s, strings[s]);
    }
    rom.put16(0x28000, 0x100).put16(0x28002, 0x110);
    return rom.file();
  }
  // Writes the game, a data file with the given block lines and block 20000's translation.
  void Write(const std::string& blocks, const std::string& translation) {
    dir.write("game.sfc", Game(0, 0xFF));
    dir.write("game.txt", ".FORMAT 18 16 8 1 16 0 1 2 3\r\n" + blocks);
    dir.write("Dumps/00020000.txt", translation);
  }
  bool Open() { return form.OpenRomFile(dir.file("game.sfc"), dir.file("game.txt")); }

  test::TempDir dir;
  test::ScopedCwd cwd{dir.path()};
  headless::HeadlessProgram program;
  TmyForm& form = program.form();
  headless::Script& script = program.ui.script;
};

TEST_F(ProofCommand, DrawsTheShownBlockOrTheScriptBetweenEventsAndWritesItOnce) {
  Write(".BLOCK $020000 $030000 0 3\r\n.BLOCK $028000 $030000 0 2\r\n",
        ".STRING 0\r\nSaved\r\n.ENDS\r\n.STRING 2\r\nTwo\r\n.ENDS\r\n");
  // Without a data file there is no block to show, and no dialog is run.
  form.RunMenuCommand(MenuId::ExportProof1);
  EXPECT_TRUE(script.dialogsRun.empty());
  EXPECT_EQ(script.said.back().text.rfind("Open the ROM and its text block data file", 0), 0u);

  ASSERT_TRUE(Open());
  program.ui.list(ControlId::pList).setItemIndex(2);
  form.pListClick(&program.ui.list(ControlId::pList));
  RichEdit& editor = program.ui.richEdit(ControlId::TDMemo);
  editor.setText(".STRING 0\r\nUnsaved\r\n.ENDS\r\n.STRING 2\r\nTwo\r\n.ENDS\r\n");
  const std::string text = editor.text();

  // One string a slice: the first is drawn at once, the others when events are let through.
  program.program.ScriptForm().proofSlice = std::chrono::milliseconds(0);
  script.choiceAnswers.push_back(0);  // the shown block
  script.saveAnswers.push_back(dir.file("sheet"));
  form.RunMenuCommand(MenuId::ExportProof1);
  EXPECT_NE(
      script.said.back().text.find("Block 20000 (3 strings), or of the whole script (5 strings in 2 blocks)"),
      std::string::npos)
      << script.said.back().text;
  EXPECT_EQ(script.dialogsRun.back().fileName, dir.file("game-20000.html"));
  EXPECT_FALSE(std::filesystem::exists(dir.file("sheet.html")));
  const size_t dialogs = script.dialogsRun.size();
  form.RunMenuCommand(MenuId::ExportProof1);  // asked again meanwhile: said, nothing started
  EXPECT_EQ(script.dialogsRun.size(), dialogs);
  EXPECT_EQ(script.said.back().text,
            "A proof sheet is being made (1 of 3 strings drawn): \"sheet.html\" is written when it is done.");
  program.ui.runLaterTasks();
  const std::string html = ReadFileText(dir.file("sheet.html"));
  EXPECT_EQ(script.said.back().text.rfind("\"sheet.html\" shows the 3 strings of Block 20000", 0), 0u)
      << script.said.back().text;
  EXPECT_NE(html.find("<pre>\nUnsaved</pre>"), std::string::npos);
  EXPECT_NE(html.find("No section in the translation file."), std::string::npos);  // string 1
  EXPECT_EQ(html.find("Saved"), std::string::npos);
  EXPECT_EQ(html.find("block-28000"), std::string::npos);

  // The whole script: the other block as its file is (it has none yet); a closed question or
  // Cancel makes nothing.
  for (int cancelled : {-1, 2}) {
    script.choiceAnswers.push_back(cancelled);
    form.RunMenuCommand(MenuId::ExportProof1);
  }
  EXPECT_EQ(script.dialogsRun.size(), dialogs);
  script.choiceAnswers.push_back(1);
  script.saveAnswers.push_back(dir.file("script.html"));
  form.RunMenuCommand(MenuId::ExportProof1);
  EXPECT_EQ(script.dialogsRun.back().fileName, dir.file("game-proof.html"));
  program.ui.runLaterTasks();
  const std::string all = ReadFileText(dir.file("script.html"));
  EXPECT_EQ(script.said.back().text.rfind("\"script.html\" shows the 5 strings of the script's 2 blocks", 0),
            0u)
      << script.said.back().text;
  EXPECT_NE(all.find("<pre>\nUnsaved</pre>"), std::string::npos);
  EXPECT_NE(all.find("<section id=\"block-28000\">"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.file("Dumps/00028000.txt")));

  // The editor as it was.
  EXPECT_EQ(form.gCurString, 2);
  EXPECT_EQ(editor.text(), text);
  EXPECT_EQ(ReadFileText(dir.file("Dumps/00020000.txt")).find("Unsaved"), std::string::npos);
}

// A sheet is of the moment it was asked for: a data file rewritten since the editor read it is
// refused, files changed while the sheet is drawn are drawn as they were, and closing the editor
// writes the sheet rather than dropping it.
TEST_F(ProofCommand, IsOfTheMomentItWasAskedForAndOutlivesTheEditor) {
  const std::string blocks = ".BLOCK $020000 $030000 0 3\r\n.BLOCK $028000 $030000 0 2\r\n";
  Write(blocks, ".STRING 0\r\nMine\r\n.ENDS\r\n");
  dir.write("Dumps/00028000.txt", ".STRING 1\r\nTheirs\r\n.ENDS\r\n");
  ASSERT_TRUE(Open());
  program.program.ScriptForm().proofSlice = std::chrono::milliseconds(0);

  // The blocks the other way round: the sheet would name them wrongly.
  dir.write("game.txt",
            ".FORMAT 18 16 8 1 16 0 1 2 3\r\n.BLOCK $028000 $030000 0 2\r\n"
            ".BLOCK $020000 $030000 0 3\r\n");
  form.RunMenuCommand(MenuId::ExportProof1);
  EXPECT_TRUE(script.dialogsRun.empty());
  EXPECT_EQ(
      script.said.back().text,
      "Error: \"game.txt\" was changed by another program since the editor read it. Load it again (File > "
      "Load Text Block Data File) to make a proof sheet of the blocks it says now. No file was written.");
  dir.write("game.txt", ".FORMAT 18 16 8 1 16 0 1 2 3\r\n" + blocks);
  form.LoadDataFile(dir.file("game.txt"));

  // The whole script, one string drawn; then the other block's file rewritten and the editor
  // closed before any event let the sheet go on.
  script.choiceAnswers.push_back(1);
  script.saveAnswers.push_back(dir.file("sheet.html"));
  form.RunMenuCommand(MenuId::ExportProof1);
  ASSERT_FALSE(std::filesystem::exists(dir.file("sheet.html"))) << script.said.back().text;
  form.RunMenuCommand(MenuId::ExportProof1);  // the count is of every block, not of those begun
  EXPECT_EQ(script.said.back().text,
            "A proof sheet is being made (1 of 5 strings drawn): \"sheet.html\" is written when it is done.");
  dir.write("Dumps/00028000.txt", ".STRING 1\r\nLater\r\n.ENDS\r\n");
  headless::HGauge& gauge = program.ui.CGauge1;
  gauge.setMaxValue(7);
  gauge.setProgress(3);
  gauge.shown.clear();
  EXPECT_TRUE(form.FormClose());
  // The gauge showed the sheet drawn to its end, then what it showed before.
  ASSERT_GE(gauge.shown.size(), 2u);
  EXPECT_EQ(gauge.shown[gauge.shown.size() - 2], (headless::HGauge::Shown{0, 5, 5}));
  EXPECT_EQ(gauge.shown.back(), (headless::HGauge::Shown{0, 7, 3}));
  const std::string html = ReadFileText(dir.file("sheet.html"));
  EXPECT_NE(html.find("<pre>\nMine</pre>"), std::string::npos);
  EXPECT_NE(html.find("<pre>\nTheirs</pre>"), std::string::npos);
  EXPECT_EQ(html.find("Later"), std::string::npos);
  EXPECT_EQ(script.said.back().text.rfind("\"sheet.html\" shows the 5 strings of the script's 2 blocks", 0),
            0u)
      << script.said.back().text;
  program.ui.runLaterTasks();  // the slice still queued finds nothing to do
}

// The sheet shows what the editor's boxes show: the image it holds (patched, grown, not saved)
// and the font it decoded, even after another program changed the file.
TEST_F(ProofCommand, DrawsTheImageAndFontTheEditorHolds) {
  Write(".BLOCK $020000 $030000 0 3\r\n", ".STRING 0\r\nZero\r\n.ENDS\r\n.STRING 2\r\nTwo\r\n.ENDS\r\n");
  const std::vector<uint8_t> file = Game(0, 0xFF);
  ASSERT_TRUE(Open());
  // String 0 changed and the image grown by a patch that is not saved; then the file replaced by
  // another program with one whose font has its glyphs the other way round.
  const std::string before = OriginalTextOf(form, 0, 0);
  const std::vector<uint8_t> patch = test::IpsBuilder()
                                         .record(0x30101, {0, 0, 1})
                                         .record(static_cast<uint32_t>(file.size()), {0xAA})
                                         .eof()
                                         .bytes();
  dir.write("fix.ips", std::string(patch.begin(), patch.end()));
  form.PatchRom({dir.file("fix.ips")});
  ASSERT_EQ(form.gROMSize, file.size() + 1);
  ASSERT_NE(OriginalTextOf(form, 0, 0), before);
  dir.write("game.sfc", Game(0xFF, 0));

  // Pictures as their pixels, so that the sheet's can be told from the editor's own.
  program.ui.png = [](const Bitmap& b) {
    return std::string(reinterpret_cast<const char*>(b.pixels.data()), b.pixels.size() * sizeof(uint16_t));
  };
  program.program.ScriptForm().proofSlice = std::chrono::milliseconds(100);
  script.saveAnswers.push_back(dir.file("sheet.html"));
  form.RunMenuCommand(MenuId::ExportProof1);
  program.ui.runLaterTasks();
  const std::string html = ReadFileText(dir.file("sheet.html"));
  ASSERT_FALSE(html.empty()) << script.said.back().text;
  for (uint32_t n = 0; n < 3; ++n) {
    program.ui.list(ControlId::pList).setItemIndex(static_cast<int>(n));
    form.pListClick(&program.ui.list(ControlId::pList));
    EXPECT_NE(html.find("<pre>\n" + OriginalTextOf(form, 0, n) + "</pre>"), std::string::npos) << n;
    if (n != 1) {  // string 1 has no section: its picture is the original's box alone
      EXPECT_NE(html.find("base64," + Base64(program.ui.pngOf(form.gBitmap)) + "\""), std::string::npos) << n;
    }
  }
}

}  // namespace
}  // namespace ts2
