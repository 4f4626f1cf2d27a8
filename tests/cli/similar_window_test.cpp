// The Similar Strings window's contents on the demo set with a fourth block whose originals are
// like the first block's: nothing done while hidden, the matches of the shown string from every
// block (the shown one as the Text Editor holds it, the others as their files are, read again when
// they change or a patch changes the originals), and a match's translation made the string's;
// and Find in Script's matches in the originals, each with its string's translation.
#include <gtest/gtest.h>

#include <fstream>

#include "core/fileutil.h"
#include "headless/headless.h"
#include "tool.h"
#include "views/script_form.h"

namespace ts2::test {
namespace {

class SimilarWindow : public DemoSet {
 protected:
  void SetUp() override {
    DemoSet::SetUp();
    // Block CA0100: "Welcome to Tormel Saragon?", block CA0000's "Take the SWORD and go." again,
    // and "Welcome to Saragon, hero!!".
    std::fstream rom(dir.file("demo.sfc"), std::ios::in | std::ios::out | std::ios::binary);
    rom.seekp(0xA0100);
    rom.write("\x00\x02\x1B\x00\x1B\x02", 6);
    rom.seekp(0xB0200);
    rom.write("\x19Welcome to Tormel Saragon?\x19Welcome to Saragon, hero!!", 54);
    rom.close();
    dir.write("demo.txt", ReadFileText(dir.file("demo.txt")) + ".BLOCK $CA0100 $CB0000 $CB0000 3\r\n");
    dir.write("Dumps/000A0100.txt", ".STRING 0\r\n\r\n.ENDS\r\n");
    ASSERT_TRUE(p.form().OpenRomFile(dir.file("demo.sfc"), dir.file("demo.txt")));
    panel.onChange = [this] { ++changes; };
    showBlock(3);
  }
  void showBlock(int b) {
    p.ui.bList.setItemIndex(b);
    p.form().bListClick(&p.ui.bList);
  }
  void showString(int s) {
    p.ui.pList.setItemIndex(s);
    p.form().pListClick(&p.ui.pList);
  }
  // Types `text` over `length` bytes of the Text Editor, `from` past where `at` first is.
  void typeOver(const std::string& at, int length, const std::string& text, int from = 0) {
    p.ui.TDMemo.setSelection(static_cast<int>(p.ui.TDMemo.text().find(at)) + from, length);
    p.ui.TDMemo.type(text);
  }
  std::vector<std::string> rows() const {
    std::vector<std::string> out;
    for (size_t i = 0; i < panel.matches.size(); ++i) {
      std::string row = std::to_string(panel.matches[i].percent) + "% " + panel.places[i] + ":";
      for (const std::string& line : panel.matches[i].translation) row += " " + line;
      out.push_back(row);
    }
    return out;
  }

  ScopedCwd cwd{dir.path()};
  headless::HeadlessProgram p;
  SimilarPanel& panel = p.program.ScriptForm().similar;
  int changes = 0;
};

TEST_F(SimilarWindow, OffersTheScriptsTranslationsOfLikeOriginalsOnlyWhileShown) {
  showString(0);
  p.form().RunMenuCommand(MenuId::SimilarStrings1);  // the headless toolkit shows no window
  EXPECT_EQ(changes, 0);
  EXPECT_TRUE(panel.matches.empty());

  panel.shown = true;
  p.form().RunMenuCommand(MenuId::SimilarStrings1);
  EXPECT_EQ(rows(), std::vector<std::string>{"96% Block CA0000 string 0: Bienvenue \xE0 Tormel Saragon!"});
  EXPECT_EQ(panel.summary, "String 0: 1 translated string with an original 70% like it or more.");
  // "Welcome to Tormel Saragon!" differs from "Welcome to Tormel Saragon?" in its last character.
  EXPECT_EQ(panel.differing, (std::vector<std::vector<std::pair<size_t, size_t>>>{{{25, 26}}}));
  showString(1);  // block CA0000's string again
  EXPECT_EQ(rows(), std::vector<std::string>{"100% Block CA0000 string 1: Prends l'\xC9p\xE9"
                                             "e et pars."});

  // The shown block as typed, unsaved: string 0's translation is offered to string 2.
  showString(0);
  const int typed = changes;
  typeOver("\n\n.ENDS", 0, "Bienvenue, toi !", 1);
  EXPECT_EQ(changes, typed);  // a key changes nothing the window shows
  showString(2);
  EXPECT_EQ(panel.summary, "String 2: no translated string has an original 70% like it or more.");
  panel.SetLeast(50);
  EXPECT_EQ(rows(), (std::vector<std::string>{"53% Block CA0000 string 0: Bienvenue \xE0 Tormel Saragon!",
                                              "50% Block CA0100 string 0: Bienvenue, toi !"}));

  // Another block's file changed by another program: read again when the user comes back.
  dir.write("Dumps/000A0000.txt", ".STRING 0\r\nSalut, Tormel Saragon !\r\n.ENDS\r\n");
  p.program.applicationActivated();
  EXPECT_EQ(rows(), (std::vector<std::string>{"53% Block CA0000 string 0: Salut, Tormel Saragon !",
                                              "50% Block CA0100 string 0: Bienvenue, toi !"}));

  // Replace All rewrites other files: the window follows at once, without another string shown.
  p.ui.script.questionAnswers = {true};
  p.program.ScriptForm().Find({"Salut", {}, false});
  p.program.ScriptForm().ReplaceAll("Bonjour");
  EXPECT_EQ(rows(), (std::vector<std::string>{"53% Block CA0000 string 0: Bonjour, Tormel Saragon !",
                                              "50% Block CA0100 string 0: Bienvenue, toi !"}));

  // Hidden: the contents stay as they were, whatever is shown.
  panel.shown = false;
  const int hidden = changes;
  showString(1);
  EXPECT_EQ(changes, hidden);
  EXPECT_EQ(panel.summary, "String 2: 2 translated strings with an original 50% like it or more.");
}

TEST_F(SimilarWindow, OriginalsAreComparedAsTheImageNowReads) {
  panel.shown = true;
  showString(0);
  p.form().RunMenuCommand(MenuId::SimilarStrings1);
  ASSERT_EQ(panel.matches.size(), 1u);
  EXPECT_EQ(panel.matches[0].original, "Welcome to Tormel Saragon!");
  // An IPS patch that changes block CA0000's string 0 to "Welcome to Tormel Paragon!".
  dir.write("fix.ips", std::string("PATCH\x0B\x00\x13\x00\x01P", 11) + "EOF");
  p.form().PatchRom({dir.file("fix.ips")});
  ASSERT_EQ(panel.matches.size(), 1u);
  EXPECT_EQ(panel.matches[0].original, "Welcome to Tormel Paragon!");
  EXPECT_EQ(panel.matches[0].percent, 92);

  // The unpatched file opened again (its changes not saved): compared as it reads.
  p.ui.script.questionAnswers = {false};
  ASSERT_TRUE(p.form().OpenRomFile(dir.file("demo.sfc"), dir.file("demo.txt")));
  showBlock(3);
  ASSERT_EQ(panel.matches.size(), 1u);
  EXPECT_EQ(panel.matches[0].original, "Welcome to Tormel Saragon!");
}

TEST_F(SimilarWindow, TheShownFileIsReadAsTheTextEditorHoldsItForEveryBlockOfIt) {
  // A fifth block of CA0100's pointer table, whose translations are that block's file; the window
  // reads a file once, for the first block of it.
  dir.write("demo.txt", ReadFileText(dir.file("demo.txt")) + ".BLOCK $CA0100 $CB0000 $CB0000 3\r\n");
  ASSERT_TRUE(p.form().OpenRomFile(dir.file("demo.sfc"), dir.file("demo.txt")));
  showBlock(4);
  panel.shown = true;
  showString(0);
  typeOver("\n\n.ENDS", 0, "Bienvenue, toi !", 1);  // unsaved
  showString(2);
  panel.SetLeast(50);
  EXPECT_EQ(rows(), (std::vector<std::string>{"53% Block CA0000 string 0: Bienvenue \xE0 Tormel Saragon!",
                                              "50% Block CA0100 string 0: Bienvenue, toi !"}));
}

TEST_F(SimilarWindow, AMatchsTranslationBecomesTheStringsAsOneEditToUndo) {
  panel.shown = true;
  showString(1);  // no section in the file yet
  p.form().RunMenuCommand(MenuId::SimilarStrings1);
  const int steps = p.ui.TDMemo.undoSteps;
  ASSERT_TRUE(panel.UseTranslation(0));
  EXPECT_EQ(p.ui.TDMemo.text(),
            ".STRING 0\n\n.ENDS\n\n\n\n.STRING 1\nPrends l'\xC9p\xE9"
            "e et pars.\n.ENDS\n");
  EXPECT_EQ(p.ui.TDMemo.undoSteps, steps + 1);
  EXPECT_TRUE(p.ui.TDMemo.modified());

  // A new section is laid out as an import lays it out. A section with text: its body replaced,
  // the rest kept.
  showString(0);
  typeOver("\n\n.ENDS", 0, "Salut !\nEncore.", 1);
  ASSERT_TRUE(panel.UseTranslation(0));
  EXPECT_EQ(p.ui.TDMemo.text(),
            ".STRING 0\nBienvenue \xE0 Tormel Saragon!\n.ENDS\n\n\n\n.STRING 1\nPrends l'\xC9p\xE9"
            "e et pars.\n.ENDS\n");
  EXPECT_FALSE(panel.UseTranslation(1));

  // String 1 now reads as its original's other translation: alike, so not marked. Changed, it is.
  showString(1);
  EXPECT_EQ(panel.otherwise, std::vector<bool>{false});
  typeOver("Prends", 6, "Prenez");
  showString(0);
  showString(1);
  EXPECT_EQ(panel.otherwise, std::vector<bool>{true});
  EXPECT_EQ(panel.summary,
            "String 1: 1 translated string with an original 70% like it or more. Its original is translated "
            "otherwise in 1 of them.");
}

TEST_F(SimilarWindow, AMatchInTheOriginalsComesWithItsStringsTranslation) {
  showString(0);
  typeOver("\n\n.ENDS", 0, "Salut !\nEncore.", 1);  // unsaved
  std::vector<std::string> found;
  for (const TScriptForm::Result& r : p.program.ScriptForm().Find({"Welcome", {}, true})) {
    std::string row = std::to_string(r.block) + ":" + std::to_string(r.string) + " =";
    for (const std::string& line : r.translation) row += " " + line;
    found.push_back(row);
  }
  EXPECT_EQ(found, (std::vector<std::string>{"0:0 = Bienvenue \xE0 Tormel Saragon!", "3:0 = Salut ! Encore.",
                                             "3:2 ="}));
  // Matches in the translations have none beside them.
  for (const TScriptForm::Result& r : p.program.ScriptForm().Find({"Bienvenue", {}, false}))
    EXPECT_TRUE(r.translation.empty());
}

// Edit > Use Similar Translation, the window hidden: the best match's translation, one step to
// undo; asked first over a translation of the string's own; said when there is none.
TEST_F(SimilarWindow, UseSimilarTranslationTakesTheBestMatchFromTheKeyboard) {
  showString(0);
  const int steps = p.ui.TDMemo.undoSteps;
  p.form().RunMenuCommand(MenuId::UseSimilar1);
  EXPECT_STARTS(p.ui.TDMemo.text(), ".STRING 0\nBienvenue \xE0 Tormel Saragon!\n.ENDS\n");
  EXPECT_EQ(p.ui.TDMemo.undoSteps, steps + 1);
  p.form().RunMenuCommand(MenuId::UseSimilar1);
  EXPECT_EQ(p.ui.script.said.back().text, "String 0 is translated as Block CA0000 string 0 is already.");

  typeOver("Bienvenue", 9, "Salut");
  p.ui.script.questionAnswers = {false};
  p.form().RunMenuCommand(MenuId::UseSimilar1);
  EXPECT_EQ(p.ui.script.said.back().text,
            "String 0 is translated already. Replace its translation with that of Block CA0000 string 0 (96% "
            "alike)?");
  EXPECT_HAS(p.ui.TDMemo.text(), "Salut");  // No: as it was
  p.ui.script.questionAnswers = {true};
  p.form().RunMenuCommand(MenuId::UseSimilar1);
  EXPECT_LACKS(p.ui.TDMemo.text(), "Salut");

  showString(2);  // "Welcome to Saragon, hero!!": 53% at best
  p.form().RunMenuCommand(MenuId::UseSimilar1);
  EXPECT_EQ(p.ui.script.said.back().text,
            "No translated string has an original 70% like string 2's or more.");
  EXPECT_FALSE(panel.shown);
}

}  // namespace
}  // namespace ts2::test
