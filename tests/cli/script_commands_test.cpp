// ts2tool progress, find and replace on the demo set, as a team's scripts run them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "core/fileutil.h"
#include "tool.h"

namespace ts2::test {
namespace {

namespace fs = std::filesystem;

using ScriptDemo = DemoSet;

// The demo's first block is translated, string 3 with a line too wide; the other two blocks have
// no file yet, and counting them creates none.
TEST_F(ScriptDemo, ProgressCountsEveryBlockWithoutWriting) {
  const std::vector<fs::path> before = Listing(dir.path());
  EXPECT_RUN(RunTool(dir, "progress demo.sfc demo.txt"), 0,
             "{\"blocks\":["
             "{\"index\":0,\"table\":\"0A0000\",\"file\":\"000A0000.txt\",\"exists\":true,\"strings\":6,"
             "\"translated\":5,\"with_findings\":1},"
             "{\"index\":1,\"table\":\"060000\",\"file\":\"00060000.txt\",\"exists\":false,\"strings\":4,"
             "\"translated\":0,\"with_findings\":0},"
             "{\"index\":2,\"table\":\"0A8000\",\"file\":\"000A8000.txt\",\"exists\":false,\"strings\":3,"
             "\"translated\":0,\"with_findings\":0}],"
             "\"strings\":13,\"translated\":5,\"with_findings\":1}\n");
  EXPECT_EQ(Listing(dir.path()), before);

  // With the glyphs' own widths the long line fits.
  ToolRun r = RunTool(dir, "progress demo.sfc demo.txt --vwf on");
  EXPECT_HAS(r.out, "\"strings\":13,\"translated\":6,\"with_findings\":0}");

  // A fourth block on the first one's pointer table shares its file: it has a row of its own, and
  // the totals count the file's strings once.
  dir.write("demo.txt", ReadFileText(dir.file("demo.txt")) + ".BLOCK $CA0000 $CB0000 $CB0000 2\n");
  r = RunTool(dir, "progress demo.sfc demo.txt");
  EXPECT_TRUE(
      r.out.ends_with("{\"index\":3,\"table\":\"0A0000\",\"file\":\"000A0000.txt\",\"exists\":true,"
                      "\"strings\":2,\"translated\":2,\"with_findings\":0}],"
                      "\"strings\":13,\"translated\":5,\"with_findings\":1}\n"))
      << r.out;
}

// A translation folder that is not there (a typo, a job run from another folder) is an error for
// every command that reads the translations: counting, exporting or drawing the whole script as
// untranslated would be taken for the truth.
TEST_F(ScriptDemo, AMissingTranslationFolderIsAnError) {
  const struct {
    const char* args;
    int status;
  } cases[] = {
      {"progress demo.sfc demo.txt --dumps nowhere", 2},
      {"export demo.sfc demo.txt --dumps nowhere -o out.po", 1},
      {"proof demo.sfc demo.txt --dumps nowhere -o out.html", 1},
      {"check demo.sfc demo.txt --dumps nowhere", 1},
      {"find demo.sfc demo.txt x --dumps nowhere", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const ToolRun r = RunTool(dir, c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "ts2tool: no translation folder nowhere\n");
  }
  EXPECT_FALSE(fs::exists(dir.path() / "nowhere"));
  EXPECT_FALSE(fs::exists(dir.path() / "out.po"));
  EXPECT_FALSE(fs::exists(dir.path() / "out.html"));
}

TEST_F(ScriptDemo, ProgressAndFindErrors) {
  const struct {
    const char* args;
    int status;
  } cases[] = {
      {"progress demo.sfc", 2},
      {"progress demo.sfc demo.txt --vwf maybe", 2},
      {"progress missing.sfc demo.txt", 2},
      {"progress demo.sfc missing.txt", 2},
      {"find demo.sfc demo.txt", 2},
      {"find demo.sfc demo.txt x --bogus", 2},
      {"find missing.sfc demo.txt x", 2},
      {"find demo.sfc demo.txt '\xC4\x87'", 2},  // ć: no Windows-1252 byte for it
      {"find demo.sfc demo.txt ''", 2},
  };
  for (const auto& c : cases) {
    const ToolRun r = RunTool(dir, c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_EQ(r.out, "") << c.args;
    EXPECT_STARTS(r.err, "ts2tool: ") << c.args;
  }
}

TEST_F(ScriptDemo, FindListsMatchingLinesLikeGrep) {
  const struct {
    const char* args;
    int status;
    const char* out;
  } cases[] = {
      // ÉPÉE, typed in UTF-8, finds Épée only when the case does not matter.
      {"find demo.sfc demo.txt '\xC3\x89P\xC3\x89\x45' -i", 0,
       "Dumps/000A0000.txt:13: string 1: Prends l'\xC3\x89p\xC3\xA9\x65 et pars.\n"},
      {"find demo.sfc demo.txt '\xC3\x89P\xC3\x89\x45'", 1, ""},
      // An accent typed apart from its letter finds the letter that has it.
      {"find demo.sfc demo.txt 'pe\xCC\x81"
       "e'",
       0, "Dumps/000A0000.txt:13: string 1: Prends l'\xC3\x89p\xC3\xA9\x65 et pars.\n"},
      {"find demo.sfc demo.txt or -i -w", 0, "Dumps/000A0000.txt:26: string 3: Or : 100\n"},
      // One line per matching line, however often it matches.
      {"find demo.sfc demo.txt '\xC3\xA0' --dumps Dumps/", 0,
       "Dumps/000A0000.txt:7: string 0: Bienvenue \xC3\xA0 Tormel Saragon!\n"
       "Dumps/000A0000.txt:19: string 2: Demande \xC3\xA0 Mira ou \xC3\xA0 Tom.\n"
       "Dumps/000A0000.txt:33: string 4: Trouve Kor, \xC3\xA0 l'est.\n"},
      {"find demo.sfc demo.txt sword -i --original", 0, "block 0 string 1: Take the SWORD and go.\n"},
      {"find demo.sfc demo.txt the -w --original", 0,
       "block 0 string 1: Take the SWORD and go.\n"
       "block 0 string 4: Find Kor in the east.\n"
       "block 0 string 5: Beware the DRAGON!\n"
       "block 1 string 0: Chapter One: the Old Road\n"},
      // The kana through the table, typed in UTF-8.
      {"find demo.sfc demo.txt '\xE3\x81\x84' --original", 0,
       "block 0 string 3: Gold: 100 \xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\n"},
      {"find demo.sfc demo.txt Prends --original", 1, ""},
      // Beside each string found, its translation: how its words were translated.
      {"find demo.sfc demo.txt the -w --original --translated", 0,
       "block 0 string 1: Take the SWORD and go.\n  = Prends l'\xC3\x89p\xC3\xA9\x65 et pars.\n"
       "block 0 string 4: Find Kor in the east.\n  = Trouve Kor, \xC3\xA0 l'est.\n"
       "block 0 string 5: Beware the DRAGON!\n  = Attention au DRAGON !\n"
       "block 1 string 0: Chapter One: the Old Road\n  (not translated)\n"},
      {"find demo.sfc demo.txt or -i --translated", 2, ""},
  };
  for (const auto& c : cases) {
    const ToolRun r = RunTool(dir, c.args);
    EXPECT_EQ(r.status, c.status) << c.args << ": " << r.err;
    EXPECT_EQ(r.out, c.out) << c.args;
  }
}

// Replace All from the command line: only section bodies change, every other byte stays, -n
// writes nothing, and a file that cannot be written is named and left as it was.
// The replacement is made in every file before anything is printed: a reader that goes away
// early or an output that cannot be written leaves no file behind the others.
TEST_F(ScriptDemo, ReplaceWritesEveryFileWhateverBecomesOfItsOutput) {
  const char* files[] = {"Dumps/000A0000.txt", "Dumps/00060000.txt", "Dumps/000A8000.txt"};
  for (const char* shell : {" >/dev/full", " | true", " | head -c 1 >/dev/null"}) {
    SCOPED_TRACE(shell);
    for (const char* file : files) dir.write(file, ".STRING 0\r\nMira\r\n.ENDS\r\n");
    RunShell(dir, std::string("TOOL replace demo.sfc demo.txt Mira Myra") + shell);
    for (const char* file : files)
      EXPECT_EQ(ReadFileText(dir.file(file)), ".STRING 0\r\nMyra\r\n.ENDS\r\n") << file;
  }
}

// A command that changes translation files takes turns with another program's change of the
// folder (an import, a replace, a save): it reads the files only once the other has written, so
// neither change is written over with old text.
TEST_F(ScriptDemo, ChangingCommandsWaitForTheFoldersLock) {
  const std::string file = dir.file("Dumps/000A0000.txt"), original = ReadFileText(file);
  const struct {
    const char* args;
    std::string theirs;  // in the file once the command has run
  } cases[] = {
      {"replace demo.sfc demo.txt Mira Myra", "Myra"},
      {"wrap demo.sfc demo.txt", "\r\n.ENDS"},  // any text: the command's change is the file's
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    dir.write("Dumps/000A0000.txt", original);
    auto mine = std::make_unique<FolderLock>(dir.file("Dumps"), 0);
    ASSERT_TRUE(mine->held());
    const pid_t tool = ::fork();
    if (tool == 0) {
      ::execl(
          "/bin/sh", "sh", "-c",
          ("cd '" + dir.path().string() + "' && '" TS2_TOOL_PATH "' " + c.args + " >/dev/null 2>&1").c_str(),
          nullptr);
      ::_exit(127);
    }
    ::usleep(300000);  // long enough for the command to read and write, were it not waiting
    std::string text = ReadFileText(file);
    const size_t tom = text.find("Tom.");
    ASSERT_NE(tom, std::string::npos);
    text.replace(tom, 3, "Thomas");
    ASSERT_TRUE(WriteFileAtomic(file, text.data(), text.size()));
    const std::string ours = text;
    mine.reset();
    int status = 0;
    ASSERT_EQ(::waitpid(tool, &status, 0), tool);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const std::string after = ReadFileText(file);
    EXPECT_HAS(after, "Thomas.") << "our change was written over";
    EXPECT_NE(after, ours) << "the command's change is missing";
    EXPECT_HAS(after, c.theirs);
  }
}

TEST_F(ScriptDemo, ReplaceChangesOnlyTheMatchesInSectionBodies) {
  const std::string file = dir.file("Dumps/000A0000.txt");
  const std::string original = ReadFileText(file);
  // The demo's translation with every `from` replaced by `to` (the bytes the files hold).
  const auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = original;
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
      text.replace(at, from.size(), to);
    return text;
  };
  const struct {
    const char* args;
    int status;
    std::string out, after;
  } cases[] = {
      {"'\xC3\xA0' '\xC3\xA1' -n", 0,  // à to á, shown and not written
       "Dumps/000A0000.txt:7: string 0: Bienvenue \xC3\xA1 Tormel Saragon!\n"
       "Dumps/000A0000.txt:19: string 2: Demande \xC3\xA1 Mira ou \xC3\xA1 Tom.\n"
       "Dumps/000A0000.txt:33: string 4: Trouve Kor, \xC3\xA1 l'est.\n"
       "4 occurrences in 1 file would be replaced\n",
       original},
      {"'\xC3\xA0' '\xC5\x93'", 0,  // à to œ: one byte each, 0x80-0x9F included
       "Dumps/000A0000.txt:7: string 0: Bienvenue \xC5\x93 Tormel Saragon!\n"
       "Dumps/000A0000.txt:19: string 2: Demande \xC5\x93 Mira ou \xC5\x93 Tom.\n"
       "Dumps/000A0000.txt:33: string 4: Trouve Kor, \xC5\x93 l'est.\n"
       "4 occurrences in 1 file replaced\n",
       replaced("\xE0", "\x9C")},
      {"mira Myra -i -w", 0,
       "Dumps/000A0000.txt:19: string 2: Demande \xC3\xA0 Myra ou \xC3\xA0 Tom.\n"
       "1 occurrence in 1 file replaced\n",
       replaced("Mira", "Myra")},
      {"-w -- Mira -Mira", 0,  // after "--" a word that begins with a dash is text
       "Dumps/000A0000.txt:19: string 2: Demande \xC3\xA0 -Mira ou \xC3\xA0 Tom.\n"
       "1 occurrence in 1 file replaced\n",
       replaced("Mira", "-Mira")},
      {"' Tom' ''", 0,
       "Dumps/000A0000.txt:19: string 2: Demande \xC3\xA0 Mira ou \xC3\xA0.\n1 occurrence in 1 file "
       "replaced\n",
       replaced(" Tom", "")},
      {"player Joueur -i -w", 1, "0 occurrences in 0 files replaced\n", original},  // [PLAYER] is a code
      // A line that would read as a header or an end would give strings' text to other strings.
      {"Bienvenue 'Voir .STRING 1'", 2, "", original},
      {"a \"$(printf 'b\\nc')\"", 2, "", original},
      {"a '\xE4\xB8\x96'", 2, "", original},  // 世: no Windows-1252 byte for it
      {"'' x", 2, "", original},
      {"a b --dumps nowhere", 2, "", original},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    dir.write("Dumps/000A0000.txt", original);
    const ToolRun r = RunTool(dir, std::string("replace demo.sfc demo.txt ") + c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(ReadFileText(file), c.after);
    if (c.status == 2) {
      EXPECT_STARTS(r.err, "ts2tool: ");
    }
  }

  // Part of a "[$" run or a tag is never replaced; a match holding whole codes is.
  dir.write("Dumps/000A0000.txt", ".STRING 0\r\nOr : 20[$20]20 [$2020][PLAYER]\r\n.ENDS\r\n");
  EXPECT_EQ(RunTool(dir, "replace demo.sfc demo.txt 20 30").status, 0);
  EXPECT_EQ(RunTool(dir, "replace demo.sfc demo.txt '[PLAYER]' '[NEWLINE]'").status, 0);
  EXPECT_EQ(ReadFileText(file), ".STRING 0\r\nOr : 30[$20]30 [$2020][NEWLINE]\r\n.ENDS\r\n");

  // A file that cannot be written stays as it was: its temporary file's name taken by a folder,
  // or the file read-only (which renaming over it would not notice, even for the superuser).
  for (bool readOnly : {false, true}) {
    SCOPED_TRACE(readOnly ? "read-only" : "temporary file in the way");
    dir.write("Dumps/000A0000.txt", original);
    if (readOnly)
      fs::permissions(file, fs::perms::owner_read | fs::perms::group_read);
    else
      fs::create_directory(file + ".tmp~");
    const ToolRun r = RunTool(dir, "replace demo.sfc demo.txt Mira Myra");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "0 occurrences in 0 files replaced\n");
    EXPECT_HAS(r.err, "Dumps/000A0000.txt was left as it was");
    EXPECT_EQ(ReadFileText(file), original);
    fs::remove_all(file + ".tmp~");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
  }
}

}  // namespace
}  // namespace ts2::test
