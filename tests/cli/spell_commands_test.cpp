// ts2tool check --spell on the demo set, as a translation team's CI runs it: the findings, the
// project's word list, and the exit statuses.
#include <gtest/gtest.h>

#include <filesystem>

#include "spell/hunspell_speller.h"
#include "tool.h"

namespace ts2::test {
namespace {

namespace fs = std::filesystem;

constexpr char kTuot[] =
    "Dumps/000A0000.txt:20: string 2, line 2 (file line 20): column 22: unknown word \"tuot\" (suggestions: "
    "tout, tuto, tut, trot, "
    "tu\xC3\xA2t)\n";
constexpr char kOverflow[] =
    "Dumps/000A0000.txt:27: string 3, line 2 (file line 27): column 28: line is 240 pixels wide, the box "
    "wraps at 216\n";

class SpellDemo : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* language : {"fr_FR", "en_US"})
      if (!spell::FindDictionary(language)) GTEST_SKIP() << "no " << language << " dictionary installed";
    ASSERT_EQ(RunTool(dir, "demo .").status, 0);
  }
  // Replaces string 2's second line in the demo's translation file.
  void SetString2(const std::string& line) {
    std::string text = ReadFileText(dir.file("Dumps/000A0000.txt"));
    text.replace(text.find(string2_), string2_.size(), line);
    dir.write("Dumps/000A0000.txt", text);
    string2_ = line;
  }
  TempDir dir;
  std::string string2_ = "[PLAYER], ils savent tuot.";
};

TEST_F(SpellDemo, TheDemosMisspellingIsAFindingBesideTheOverflow) {
  EXPECT_RUN(RunTool(dir, "check demo.sfc demo.txt --spell fr_FR"), 1,
             std::string(kTuot) + kOverflow + "2 findings in 1 file (6 strings checked)\n");
  // Alone it still fails the run; fixed, the check passes.
  EXPECT_RUN(RunTool(dir, "check demo.sfc demo.txt --spell fr_FR --vwf on"), 1,
             std::string(kTuot) + "1 finding in 1 file (6 strings checked)\n");
  SetString2("[PLAYER], ils savent tout.");
  ToolRun r = RunTool(dir, "check demo.sfc demo.txt --spell fr_FR --vwf on");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "no findings in 1 file (6 strings checked)\n");
}

TEST_F(SpellDemo, TheProjectsWordsAreKnown) {
  SetString2("[PLAYER], ils savent tout.");
  // Without the demo's word list the game's names are unknown; --words names another list.
  fs::rename(dir.file("Dumps/words.txt"), dir.file("team-words.txt"));
  ToolRun r = RunTool(dir, "check demo.sfc demo.txt --vwf on --spell fr_FR");
  EXPECT_EQ(r.status, 1);
  EXPECT_HAS(r.out, "column 13: unknown word \"Tormel\"");
  EXPECT_HAS(r.out, "column 8: unknown word \"Kor\"");
  EXPECT_HAS(r.out, "3 findings");
  r = RunTool(dir, "check demo.sfc demo.txt --vwf on --spell fr_FR --words team-words.txt");
  EXPECT_EQ(r.status, 0) << r.out;
  // The list beside another translations folder is that folder's.
  fs::create_directory(dir.path() / "team");
  fs::copy_file(dir.file("Dumps/000A0000.txt"), dir.file("team/000A0000.txt"));
  fs::copy_file(dir.file("team-words.txt"), dir.file("team/words.txt"));
  r = RunTool(dir, "check demo.sfc demo.txt --vwf on --spell fr_FR --dumps team");
  EXPECT_EQ(r.status, 0) << r.out;
}

TEST_F(SpellDemo, AnotherLanguageIsCheckedWithItsOwnDictionary) {
  SetString2("[PLAYER]'s sword, don\x92t [NEWLINE]wrod HP10");
  const ToolRun r = RunTool(dir, "check demo.sfc demo.txt --vwf on --spell en_US");
  EXPECT_EQ(r.status, 1);
  EXPECT_HAS(r.out,
             "Dumps/000A0000.txt:20: string 2, line 2 (file line 20): column 34: unknown word \"wrod\" "
             "(suggestions: word,");
}

TEST_F(SpellDemo, ExitStatuses) {
  const struct {
    std::string args;
    int status;
    std::string err;  // a part of the error line
  } cases[] = {
      {"--spell xx_XX", 2, "ts2tool: no dictionary for --spell xx_XX; installed: "},
      {"--spell", 2, ""},
      {"--words Dumps/words.txt", 2, "--words needs --spell"},
      {"--spell fr_FR --words missing.txt", 1, "ts2tool: cannot read missing.txt"},
  };
  for (const auto& c : cases) {
    const ToolRun r = RunTool(dir, "check demo.sfc demo.txt " + c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_HAS(r.err, c.err) << c.args;
    EXPECT_EQ(r.out, "") << c.args;
  }
  // The installed dictionaries are named, so that the right name can be picked.
  const ToolRun r = RunTool(dir, "check demo.sfc demo.txt --spell xx_XX");
  EXPECT_HAS(r.err, "en_US");
  EXPECT_HAS(r.err, "fr_FR");
}

}  // namespace
}  // namespace ts2::test
