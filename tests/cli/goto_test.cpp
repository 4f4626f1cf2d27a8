// View > Go to String on the demo set: each form of place shows its block and string, a file's
// line puts the caret on it, and a place not in the script is named.
#include <gtest/gtest.h>

#include "core/fileutil.h"
#include "headless/headless.h"
#include "tool.h"
#include "views/script_form.h"

namespace ts2::test {
namespace {

class GoTo : public DemoSet {
 protected:
  void SetUp() override {
    DemoSet::SetUp();
    ASSERT_TRUE(p.form().OpenRomFile(dir.file("demo.sfc"), dir.file("demo.txt")));
    p.ui.script.said.clear();
  }
  void go(const std::string& place) {
    p.ui.script.textAnswers.push_back(place);
    p.form().RunMenuCommand(MenuId::GoTo1);
  }
  // The Text Editor's line (1-based) and column (1-based) of the caret.
  std::pair<int, int> caret() const {
    const std::string text = p.ui.TDMemo.text().substr(0, static_cast<size_t>(p.ui.TDMemo.selStart()));
    const size_t nl = text.rfind('\n');
    return {static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1,
            static_cast<int>(text.size() - (nl == std::string::npos ? 0 : nl + 1)) + 1};
  }
  ScopedCwd cwd{dir.path()};
  headless::HeadlessProgram p;
};

TEST_F(GoTo, ShowsTheBlockAndStringEachFormNames) {
  const struct {
    const char* place;
    int block, string;
    std::pair<int, int> caret;  // {0, 0}: not looked at
  } cases[] = {
      {"3", 0, 3, {}},
      {"C60000 1", 1, 1, {}},
      {"Block CA8000", 2, 0, {}},
      {"block 0 string 4: Find Kor to the east.", 0, 4, {}},
      {"Dumps/000A0000.txt:13: string 1: Prends l'\xC3\x89p\xC3\xA9"
       "e et pars.",
       0,
       1,
       {13, 1}},
      {"000A0000.txt:19: string 2, line 1 (file line 19): column 9: the original has \"Mira\"",
       0,
       2,
       {19, 9}},
      {"#: 000A0000.txt:25", 0, 3, {25, 1}},  // a PO reference: the string whose section holds it
      {"msgctxt \"000A0000.txt .STRING 5\"", 0, 5, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.place);
    go(c.place);
    EXPECT_TRUE(p.ui.script.said.empty()) << p.ui.script.said.back().text;
    EXPECT_EQ(p.form().gCurBlock, c.block);
    EXPECT_EQ(p.form().gCurString, c.string);
    EXPECT_EQ(p.ui.pList.itemIndex(), c.string);
    if (c.caret.first) {
      EXPECT_EQ(caret(), c.caret);
    }
  }
  EXPECT_EQ(p.ui.script.textsOffered.back(), cases[std::size(cases) - 2].place);  // the last one, again
}

TEST_F(GoTo, APlaceNotInTheScriptIsNamedAndNothingMoves) {
  go("2");
  const struct {
    const char* place;
    const char* said;
  } cases[] = {
      {"nowhere",
       "\"nowhere\" names no place: give a string number (12), a block and a string (CA0000 12), or "
       "a translation file's line (000A0000.txt:25)."},
      {"6", "Block CA0000 has 6 strings: there is no string 6."},
      {"BEEF00 1", "There is no block BEEF00: the data file lists 3."},
      {"00BEEF00.txt:3", "No block of this script has the translation file \"00BEEF00.txt\"."},
      {"000A0000.txt:900", "\"000A0000.txt\" has no line 900."},
  };
  for (const auto& c : cases) {
    p.ui.script.said.clear();
    go(c.place);
    ASSERT_EQ(p.ui.script.said.size(), 1u) << c.place;
    EXPECT_EQ(p.ui.script.said[0].text, c.said);
    EXPECT_EQ(p.form().gCurString, 2) << c.place;
  }
  // Cancelled: nothing said, nothing moved.
  p.ui.script.said.clear();
  p.form().RunMenuCommand(MenuId::GoTo1);
  EXPECT_TRUE(p.ui.script.said.empty());
  EXPECT_EQ(p.form().gCurString, 2);
}

// Another block is shown as a click in List Data shows it: unsaved text is asked about first,
// and keeping the block (Cancel on a failed save) keeps everything where it was.
TEST_F(GoTo, AnotherBlockAsksAboutUnsavedTextFirst) {
  p.ui.TDMemo.type("typed ");
  p.ui.script.questionAnswers.push_back(true);
  go("C60000 0");
  EXPECT_EQ(p.form().gCurBlock, 1);
  ASSERT_FALSE(p.ui.script.said.empty());
  EXPECT_EQ(p.ui.script.said[0].text, "Current data not saved. Do you wish to save it?");
  EXPECT_HAS(ReadFileText(dir.file("Dumps/000A0000.txt")), "typed ");
}

}  // namespace
}  // namespace ts2::test
