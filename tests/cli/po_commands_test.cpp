// ts2tool export and import on the demo set, with the gettext utilities in between, as a team
// that translates on a translation platform runs them.
#include <gtest/gtest.h>

#include <filesystem>

#include "tool.h"

namespace ts2::test {
namespace {

namespace fs = std::filesystem;

using PoDemo = DemoSet;

TEST_F(PoDemo, ExportedFileIsValidGettextAndComesBackThroughTheGettextTools) {
  const std::string file = dir.file("Dumps/000A0000.txt");
  const std::string original = ReadFileText(file);
  ToolRun r = RunTool(dir, "export demo.sfc demo.txt --language fr -o demo.po");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string po = ReadFileText(dir.file("demo.po"));
  EXPECT_HAS(po, "\"Language: fr\\n\"\n");
  EXPECT_HAS(po,
             "#. Block CA0000, string 3\n"
             "#. line 2 (column 28): line is 240 pixels wide, the box wraps at 216\n"
             "#: 000A0000.txt:25\n"
             "msgctxt \"000A0000.txt .STRING 3\"\n");
  // gettext's own checks of the format, the header and the entries.
  r = RunProgram("msgfmt", dir, "--check -o /dev/null demo.po");
  EXPECT_EQ(r.status, 0) << r.err;

  const std::vector<fs::path> before = Listing(dir.path());
  const struct {
    const char* tool;  // makes in.po from demo.po
    const char* out;
    std::string after;
  } cases[] = {
      // Rewrapped by msgcat to 20 columns: the same texts.
      {"msgcat -w 20 -o in.po demo.po", "0 strings changed in 0 files; 6 already so, 7 not translated\n",
       original},
      {"msgfilter -i demo.po -o in.po sed -e 's/Tom/Thomas/'",
       "Dumps/000A0000.txt: string 2\n1 string changed in 1 file; 5 already so, 7 not translated\n",
       std::string(original).replace(original.find("Tom."), 4, "Thomas.")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tool);
    fs::remove(dir.file("in.po"));
    ASSERT_EQ(std::system(("cd '" + dir.path().string() + "' && " + c.tool).c_str()), 0);
    r = RunTool(dir, "import demo.sfc demo.txt in.po -n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFileText(file), original);
    r = RunTool(dir, "import demo.sfc demo.txt -", dir.file("in.po"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(ReadFileText(file), c.after);
    dir.write("Dumps/000A0000.txt", original);
  }
  fs::remove(dir.file("in.po"));
  EXPECT_EQ(Listing(dir.path()), before);

  // Empty lines at a translation's start or end (typed on a new section's blank line) are kept,
  // and the file still passes gettext's check.
  std::string edged = original;
  edged.replace(edged.find(".STRING 0\r\n"), 11, ".STRING 0\r\n\r\n");
  edged.replace(edged.find("pars.\r\n"), 7, "pars.\r\n\r\n");
  dir.write("Dumps/000A0000.txt", edged);
  ASSERT_EQ(RunTool(dir, "export demo.sfc demo.txt -o edged.po").status, 0);
  r = RunProgram("msgfmt", dir, "--check -o /dev/null edged.po");
  EXPECT_EQ(r.status, 0) << r.err;
  r = RunTool(dir, "import demo.sfc demo.txt edged.po");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_STARTS(r.out, "0 strings changed in 0 files");
  EXPECT_EQ(ReadFileText(file), edged);
}

// What is left to do: the demo's block 0 is translated but for string 3's line too wide; the
// other two blocks (7 strings) have no file yet.
TEST_F(PoDemo, ExportOnlyWhatIsLeftToDo) {
  const struct {
    const char* only;
    int status;
    std::vector<std::string> contexts;
  } cases[] = {
      {"findings", 0, {"000A0000.txt .STRING 3"}},
      {"untranslated",
       0,
       {"00060000.txt .STRING 0", "00060000.txt .STRING 1", "00060000.txt .STRING 2",
        "00060000.txt .STRING 3", "000A8000.txt .STRING 0", "000A8000.txt .STRING 1",
        "000A8000.txt .STRING 2"}},
      {"findings,untranslated --block CA8000",
       0,
       {"000A8000.txt .STRING 0", "000A8000.txt .STRING 1", "000A8000.txt .STRING 2"}},
      {"untranslated,", 2, {}},
      {"all", 2, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.only);
    const ToolRun r = RunTool(dir, std::string("export demo.sfc demo.txt --only ") + c.only);
    EXPECT_EQ(r.status, c.status) << r.err;
    std::vector<std::string> contexts;
    for (size_t at = r.out.find("\nmsgctxt \""); at != std::string::npos;
         at = r.out.find("\nmsgctxt \"", at + 1)) {
      const size_t from = at + 10;
      contexts.push_back(r.out.substr(from, r.out.find('"', from) - from));
    }
    EXPECT_EQ(contexts, c.contexts);
  }
  // Such a file imports like any other.
  ASSERT_EQ(RunTool(dir, "export demo.sfc demo.txt --only findings -o left.po").status, 0);
  EXPECT_RUN(RunTool(dir, "import demo.sfc demo.txt left.po"), 0,
             "0 strings changed in 0 files; 1 already so, 0 not translated\n");
}

TEST_F(PoDemo, ExportNamesTheGlossarysTermsAndCountsAMissingOneAsAFinding) {
  dir.write("Dumps/glossary.csv",
            "source,target,note\nsword,\xC3\xA9p\xC3\xA9"
            "e,the hero's\nSword,lame\nMira,Myra\n");
  ToolRun r = RunTool(dir, "export demo.sfc demo.txt --block CA0000");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_HAS(r.out,
             "#. Block CA0000, string 1\n#. Glossary: sword = \xC3\xA9p\xC3\xA9"
             "e / lame (the hero's)\n"
             "#: 000A0000.txt:12\n");
  EXPECT_HAS(r.out,
             "#. Block CA0000, string 2\n#. line 1 (column 1): the original has \"Mira\": the glossary "
             "translates it as \"Myra\"\n#. Glossary: Mira = Myra\n#: 000A0000.txt:18\n");
  r = RunTool(dir, "export demo.sfc demo.txt --only findings");
  EXPECT_HAS(r.out, "msgctxt \"000A0000.txt .STRING 2\"");
  EXPECT_HAS(r.out, "msgctxt \"000A0000.txt .STRING 3\"");
  EXPECT_LACKS(r.out, "msgctxt \"000A0000.txt .STRING 1\"");
  // The gettext tools read the comments as such.
  dir.write("g.po", RunTool(dir, "export demo.sfc demo.txt").out);
  EXPECT_EQ(std::system(("msgfmt --check -o /dev/null '" + dir.file("g.po") + "'").c_str()), 0);
  // Another glossary named; one with a mistake fails the export, naming the row.
  dir.write("other.csv", "Tom,Thomas\n");
  r = RunTool(dir, "export demo.sfc demo.txt --glossary other.csv --block CA0000");
  EXPECT_HAS(r.out, "#. Glossary: Tom = Thomas\n");
  EXPECT_LACKS(r.out, "Glossary: Mira");
  dir.write("other.csv", "Tom\n");
  r = RunTool(dir, "export demo.sfc demo.txt --glossary other.csv");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "other.csv:1: no translation in the second column for \"Tom\"\n");
}

TEST_F(PoDemo, ImportWritesNewFilesAndRefusesAWrongFileWhole) {
  const std::string first = ReadFileText(dir.file("Dumps/000A0000.txt"));
  const auto entry = [](const char* context, const char* str) {
    return std::string("msgctxt \"") + context + "\"\nmsgid \"\"\nmsgstr \"" + str + "\"\n\n";
  };
  // A translation for a block with no file yet, and one for the translated block.
  dir.write("good.po", entry("00060000.txt .STRING 1", "La nuit tombe.") +
                           entry("000A0000.txt .STRING 5", "Attention au DRAGON\\xC2\\xA0!"));
  ToolRun r = RunTool(dir, "import demo.sfc demo.txt good.po");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "Dumps/000A0000.txt: string 5\nDumps/00060000.txt: new file, string 1\n"
            "2 strings changed in 2 files; 0 already so, 0 not translated\n");
  EXPECT_HAS(ReadFileText(dir.file("Dumps/00060000.txt")), ".STRING 1\r\nLa nuit tombe.\r\n.ENDS\r\n");
  EXPECT_HAS(ReadFileText(dir.file("Dumps/000A0000.txt")), "Attention au DRAGON\xA0!\r\n");

  // One entry wrong: each is named with its line, and no file is touched.
  dir.write("Dumps/000A0000.txt", first);
  fs::remove(dir.file("Dumps/00060000.txt"));
  dir.write("bad.po", entry("00060000.txt .STRING 1", "La nuit tombe.") +
                          entry("000A0000.txt .STRING 9", "x") +
                          entry("000A0000.txt .STRING 0", "\\xE4\\xB8\\x96"));
  const std::vector<fs::path> before = Listing(dir.path());
  r = RunTool(dir, "import demo.sfc demo.txt bad.po");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            "ts2tool: bad.po:6: 000A0000.txt has no string 9 (its block has 6 strings)\n"
            "ts2tool: bad.po:10: the translation holds '\xE4\xB8\x96' (U+4E16), which translation files "
            "cannot hold\n"
            "ts2tool: bad.po: 2 entries cannot be imported; no translation file was written\n");
  EXPECT_EQ(Listing(dir.path()), before);
  EXPECT_EQ(ReadFileText(dir.file("Dumps/000A0000.txt")), first);

  // A file the gettext tools would not read either.
  dir.write("broken.po", "msgid \"a\nmsgstr \"\"\n");
  r = RunTool(dir, "import demo.sfc demo.txt broken.po");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "ts2tool: broken.po:1: the string is not closed\n");
  r = RunTool(dir, "import demo.sfc demo.txt");
  EXPECT_EQ(r.status, 2);
}

}  // namespace
}  // namespace ts2::test
