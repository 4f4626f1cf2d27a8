// The Glossary window's contents on the demo set: nothing done while it is hidden, the shown
// string's terms and whether the translation has them as it is typed, terms added to the file
// (and the file's own changes noticed), a term's translation put at the caret.
#include <gtest/gtest.h>

#include <functional>

#include "core/fileutil.h"
#include "headless/headless.h"
#include "tool.h"
#include "views/glossary.h"
#include "views/script_form.h"
#include "views/states.h"

namespace ts2::test {
namespace {

class GlossaryWindow : public DemoSet {
 protected:
  void SetUp() override {
    DemoSet::SetUp();
    ASSERT_TRUE(p.form().OpenRomFile(dir.file("demo.sfc"), dir.file("demo.txt")));
    panel.onChange = [this] { ++changes; };
    showString(2);  // "Ask Mira or Tom." / "Demande à Mira ou à Tom.", "[PLAYER], ils savent tuot."
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
  using Presence = GlossaryPanel::Presence;
  using Rows = std::vector<std::pair<std::string, Presence>>;  // "term = translations", presence
  Rows rows() const {
    Rows out;
    for (const GlossaryPanel::Row& r : panel.rows)
      out.emplace_back(r.source + " = " + r.translations, r.presence);
    return out;
  }

  ScopedCwd cwd{dir.path()};
  headless::HeadlessProgram p;
  GlossaryPanel& panel = p.program.ScriptForm().glossary;
  int changes = 0;
};

TEST_F(GlossaryWindow, FollowsTheStringAndTheTypingOnlyWhileShown) {
  dir.write("Dumps/glossary.csv",
            "Mira,Myra\nTom,Tom\nsword,\xC3\xA9p\xC3\xA9"
            "e\nDragon,Dragon\n");
  p.form().RunMenuCommand(MenuId::Glossary1);  // the headless toolkit shows no window
  EXPECT_EQ(changes, 0);
  EXPECT_TRUE(panel.rows.empty());

  panel.shown = true;
  p.form().RunMenuCommand(MenuId::Glossary1);
  EXPECT_EQ(rows(), (Rows{{"Mira = Myra", Presence::kMissing}, {"Tom = Tom", Presence::kPresent}}));
  EXPECT_EQ(panel.summary, "String 2: 2 terms, 1 missing.");

  // Typed: the row follows at once; a key that changes nothing the window shows tells it nothing.
  const int before = changes;
  typeOver("Mira ou", 4, "Myra");
  EXPECT_EQ(rows()[0].second, Presence::kPresent);
  EXPECT_EQ(panel.summary, "String 2: 2 terms, 0 missing.");
  EXPECT_EQ(changes, before + 1);
  p.ui.TDMemo.type("!");
  EXPECT_EQ(changes, before + 1);

  showString(1);  // "Take the SWORD and go." / "Prends l'épée et pars."
  EXPECT_EQ(rows(), (Rows{{"sword = \xC3\xA9p\xC3\xA9"
                           "e",
                           Presence::kPresent}}));
  showString(5);  // "Beware the DRAGON!" / "Attention au DRAGON !"
  EXPECT_EQ(rows(), (Rows{{"Dragon = Dragon", Presence::kPresent}}));
  typeOver("Attention au DRAGON !", 21, " ");  // only blanks: not translated yet
  EXPECT_EQ(rows(), (Rows{{"Dragon = Dragon", Presence::kNotTranslated}}));
  EXPECT_EQ(panel.summary, "String 5: 1 term (not translated yet).");
  showString(0);
  EXPECT_EQ(panel.summary, "String 0: no glossary terms.");

  // Hidden: the window's contents stay as they were, whatever is shown.
  panel.shown = false;
  const int hidden = changes;
  showString(2);
  EXPECT_EQ(changes, hidden);
  EXPECT_EQ(panel.summary, "String 0: no glossary terms.");
}

TEST_F(GlossaryWindow, TermsAreAddedToTheFileAndItsOtherChangesNoticed) {
  panel.shown = true;
  p.form().RunMenuCommand(MenuId::Glossary1);
  EXPECT_EQ(panel.summary, "No glossary yet: terms added here are kept in " + panel.Path() + ".");
  EXPECT_EQ(panel.Path(), p.form().gDumpDir + "/glossary.csv");

  std::string error;
  EXPECT_FALSE(panel.AddTerm(" ", "x", "", error));
  EXPECT_EQ(error, "the term is empty");
  EXPECT_FALSE(FileExists(dir.file("Dumps/glossary.csv")));
  ASSERT_TRUE(panel.AddTerm("Mira", "Myra", "the healer", error)) << error;
  EXPECT_EQ(ReadFileText(dir.file("Dumps/glossary.csv")), "source,target,note\nMira,Myra,the healer\n");
  EXPECT_EQ(rows(), (Rows{{"Mira = Myra", Presence::kMissing}}));
  ASSERT_EQ(panel.rows.size(), 1u);
  EXPECT_EQ(panel.rows[0].note, "the healer");

  // Another program adds a row, then this window adds one: both stay.
  dir.write("Dumps/glossary.csv", ReadFileText(dir.file("Dumps/glossary.csv")) + "Tom,Thomas\n");
  p.program.applicationActivated();
  EXPECT_EQ(panel.rows.size(), 2u);
  ASSERT_TRUE(panel.AddTerm("Mira", "Mirabelle", "", error)) << error;
  EXPECT_EQ(ReadFileText(dir.file("Dumps/glossary.csv")),
            "source,target,note\nMira,Myra,the healer\nTom,Thomas\nMira,Mirabelle\n");
  EXPECT_EQ(panel.rows[0].translations, "Myra / Mirabelle");

  // A row with a mistake is named above the terms.
  dir.write("Dumps/glossary.csv", "Mira,Myra\nKor\n");
  showString(1);
  showString(2);
  EXPECT_EQ(
      panel.summary,
      "String 2: 1 term, 1 missing.\nglossary.csv line 2: no translation in the second column for \"Kor\"");
}

TEST_F(GlossaryWindow, ATermsTranslationGoesInAtTheCaret) {
  dir.write("Dumps/glossary.csv", "Mira,Myra\nMira,Mirabelle\n");
  panel.shown = true;
  p.form().RunMenuCommand(MenuId::Glossary1);
  const std::string text = p.ui.TDMemo.text();
  const int at = static_cast<int>(text.find("Mira ou"));
  p.ui.TDMemo.setSelection(at, 4);
  ASSERT_TRUE(panel.InsertTranslation(0, 1));
  EXPECT_EQ(p.ui.TDMemo.text().substr(static_cast<size_t>(at), 12), "Mirabelle ou");
  EXPECT_EQ(p.ui.TDMemo.selStart(), at + 9);
  EXPECT_TRUE(p.ui.TDMemo.modified());
  EXPECT_EQ(panel.rows[0].presence, GlossaryPanel::Presence::kPresent);
  EXPECT_FALSE(panel.InsertTranslation(0, 2));
  EXPECT_FALSE(panel.InsertTranslation(1));

  // Read again before the rows follow: their term numbers are the old glossary's, so none is put
  // in (term 0 is now another term).
  dir.write("Dumps/glossary.csv", "Tom,Tommy\n");
  ASSERT_TRUE(panel.Refresh());
  const std::string typed = p.ui.TDMemo.text();
  EXPECT_FALSE(panel.InsertTranslation(0));
  EXPECT_EQ(p.ui.TDMemo.text(), typed);
  panel.Follow(true);
  ASSERT_EQ(panel.rows.size(), 1u);
  EXPECT_TRUE(panel.InsertTranslation(0));
  EXPECT_HAS(p.ui.TDMemo.text(), "Tommy");
}

// A term the translation lacks is a finding of the string, as `ts2tool check` reports it: its
// mark, its block's count, Next String with Findings; typing the term clears it at once.
TEST_F(GlossaryWindow, MissingTermsAreFindingsOfTheirStrings) {
  const auto mark = [this](int s) { return p.ui.pList.marks[s].mark; };
  p.ui.runLaterTasks();
  EXPECT_EQ(mark(2), ItemMark::kTranslated);
  EXPECT_EQ(p.ui.bList.marks[0].tip, "5 of 6 translated, 1 with findings");

  dir.write("Dumps/glossary.csv", "Mira,Myra\n");
  p.program.applicationActivated();  // back from the spreadsheet
  p.ui.runLaterTasks();
  EXPECT_EQ(mark(2), ItemMark::kFindings);
  EXPECT_EQ(p.ui.pList.marks[2].tip,
            "line 1, column 1: the original has \"Mira\": the glossary translates it as \"Myra\"");
  EXPECT_EQ(p.ui.bList.marks[0].tip, "4 of 6 translated, 2 with findings");
  showString(0);
  p.form().RunMenuCommand(MenuId::NextFinding1);
  EXPECT_EQ(p.form().gCurString, 2);

  typeOver("Mira ou", 4, "Myra");
  EXPECT_EQ(mark(2), ItemMark::kTranslated);

  // A term added from the window counts at once too: string 5 ("Beware the DRAGON!") lacks it.
  std::string error;
  ASSERT_TRUE(panel.AddTerm("dragon", "Dragonne", "", error)) << error;
  p.ui.runLaterTasks();
  EXPECT_EQ(mark(5), ItemMark::kFindings);
  // The glossary gone: no term is missing any more.
  std::remove(dir.file("Dumps/glossary.csv").c_str());
  p.program.applicationActivated();
  p.ui.runLaterTasks();
  EXPECT_EQ(mark(5), ItemMark::kTranslated);
}

// The kept terms are taken as they are while the script's generation stays: every command that
// changes what the originals are read from counts its change.
TEST_F(GlossaryWindow, EveryChangeOfWhatTheOriginalsAreReadFromIsCounted) {
  const std::string ips = dir.write("fix.ips", std::string("PATCH\x00\x01\x00\x00\x01\x5A"
                                                           "EOF",
                                                           14));
  const struct {
    const char* what;
    std::function<void(TmyForm&)> run;
  } writers[] = {
      {"Open ROM", [this](TmyForm& f) { f.OpenRomFile(dir.file("demo.sfc"), dir.file("demo.txt")); }},
      {"a data file loaded", [this](TmyForm& f) { f.LoadDataFile(dir.file("demo.txt")); }},
      {"a patch applied", [ips](TmyForm& f) { f.RunPatches({ips}); }},
      {"the ROM read again from its file", [](TmyForm& f) { f.ReloadRomFile(); }},
  };
  for (const auto& w : writers) {
    const uint64_t before = p.form().scriptGeneration;
    p.ui.script.defaultQuestionAnswer = false;
    w.run(p.form());
    EXPECT_GT(p.form().scriptGeneration, before) << w.what;
  }
}

// A block's terms kept from its last computation are those found afresh: with the same glossary,
// another glossary, and after the original texts change.
TEST_F(GlossaryWindow, KeptTermsOfABlockAreThoseFoundAfresh) {
  const auto toUtf8 = [this](std::string_view sjis) { return p.ui.shiftJisToUtf8(sjis); };
  const TmyForm& f = p.form();
  const auto same = [](const BlockTerms& a, const BlockTerms& b) {
    return a.strings == b.strings && a.key == b.key;
  };
  const Glossary first("sword,x\nMira,x\nTom,x\n"), second("Tom,x\nSWORD,x\ngold,x\n");
  TermsMemo memo;
  const BlockTerms fresh = TermsOfBlock(first, 1, f, 0, 6, toUtf8);
  EXPECT_EQ(fresh.strings[2], (std::vector<size_t>{1, 2}));
  EXPECT_TRUE(same(TermsOfBlock(first, 1, f, 0, 6, toUtf8, &memo), fresh));
  EXPECT_TRUE(same(TermsOfBlock(first, 1, f, 0, 6, toUtf8, &memo), fresh));  // from the memo
  const BlockTerms other = TermsOfBlock(second, 2, f, 0, 6, toUtf8, &memo);
  EXPECT_TRUE(same(other, TermsOfBlock(second, 2, f, 0, 6, toUtf8)));
  EXPECT_NE(other.key, fresh.key);
  // Every table text "o" now reads "0": "Tom" and "SWORD" are no more where they stood.
  for (size_t code = 0; code < 0x10000; ++code)
    if (f.gCharTable16.pageMade(code) && f.gCharTable16.at(code).text == "o")
      p.form().gCharTable16[code].text = "0";
  ++p.form().scriptGeneration;  // as every writer of the tables counts its change
  const BlockTerms changed = TermsOfBlock(second, 2, f, 0, 6, toUtf8, &memo);
  EXPECT_TRUE(same(changed, TermsOfBlock(second, 2, f, 0, 6, toUtf8)));
  EXPECT_NE(changed.strings, other.strings);
}

}  // namespace
}  // namespace ts2::test
