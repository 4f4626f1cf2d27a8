// ts2tool wrap on the demo set: the too-wide line of the demo's string 3 broken at a space, every
// other byte kept, and a word wider than the box named.
#include <gtest/gtest.h>

#include <sstream>

#include "core/utf8.h"
#include "tool.h"

namespace ts2::test {
namespace {

using WrapDemo = DemoSet;

TEST_F(WrapDemo, BreaksTooWideLinesAtSpacesAndNamesWordsWiderThanTheBox) {
  const std::string file = dir.file("Dumps/000A0000.txt");
  const std::string original = ReadFileText(file);
  const std::string tooWide =
      "Tu as 100 pi\xE8"
      "ces dans ta poche\r\n";
  ASSERT_NE(original.find(tooWide), std::string::npos);
  const std::string wrapped = [&] {
    std::string text = original;
    return text.replace(text.find(tooWide), tooWide.size(),
                        "Tu as 100 pi\xE8"
                        "ces dans ta\r\npoche\r\n");
  }();
  const std::string changed =
      "Dumps/000A0000.txt:26: string 3: Or : 100\n"
      "Dumps/000A0000.txt:27: string 3: Tu as 100 pi\xC3\xA8"
      "ces dans ta\n"
      "Dumps/000A0000.txt:28: string 3: poche\n";

  ToolRun r = RunTool(dir, "wrap demo.sfc demo.txt -n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, changed + "1 line break would be added in 1 string of 1 file\n");
  EXPECT_EQ(ReadFileText(file), original);

  // A file that cannot be written stays as it was, and the summary counts nothing as added.
  const std::string padded = original + "// " + std::string(2000, '-') + "\r\n";  // past the 1 KiB limit
  dir.write("Dumps/000A0000.txt", padded);
  r = RunShell(dir, "trap '' XFSZ; ulimit -f 1; exec TOOL wrap demo.sfc demo.txt");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "0 line breaks added in 0 strings of 0 files\n");
  EXPECT_EQ(ReadFileText(file), padded);
  dir.write("Dumps/000A0000.txt", original);

  EXPECT_RUN(RunTool(dir, "wrap demo.sfc demo.txt --block CA0000"), 0,
             changed + "1 line break added in 1 string of 1 file\n");
  EXPECT_EQ(ReadFileText(file), wrapped);
  EXPECT_EQ(RunTool(dir, "check demo.sfc demo.txt").status, 0);  // nothing too wide is left

  // Done already; and a word wider than the box stays as it is, named.
  const std::string word(30, 'W');
  std::string withWord = wrapped;
  withWord.replace(withWord.find("Trouve Kor"), 10, word);
  dir.write("Dumps/000A0000.txt", withWord);
  EXPECT_RUN(RunTool(dir, "wrap demo.sfc demo.txt"), 0,
             "Dumps/000A0000.txt:34: string 4: holds a word wider than the box: " + word +
                 ", \xC3\xA0 l'est.\n0 line breaks added in 0 strings of 0 files; 1 line holds a word wider "
                 "than the box\n");
  EXPECT_EQ(ReadFileText(file), withWord);
  EXPECT_EQ(RunTool(dir, "wrap demo.sfc demo.txt --vwf maybe").status, 2);
  r = RunTool(dir, "wrap demo.sfc demo.txt --block 9");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "ts2tool: block 9 does not exist (the data file lists 3)\n");
}

// Strings that gain lines move the strings after them down: every line printed, broken or holding
// a word wider than the box, is named by its place in the file as written (or, with -n, as it
// would be written).
TEST_F(WrapDemo, NamesEachLineWhereTheWrittenFileHasIt) {
  const std::string file = dir.file("Dumps/000A0000.txt");
  const std::string longLine = "derriere la grande montagne bleue du nord.";
  std::string text = ReadFileText(file);
  // String 3 gains a line already; string 4 gains two and holds a word too wide; string 5 gains one.
  text.replace(text.find("Trouve Kor"), 10, std::string(30, 'W') + " " + longLine + "\r\n" + longLine);
  text.replace(text.find("DRAGON !"), 8, "DRAGON ! " + longLine);
  dir.write("Dumps/000A0000.txt", text);

  const ToolRun dry = RunTool(dir, "wrap demo.sfc demo.txt -n");
  ASSERT_EQ(dry.status, 0) << dry.err;
  const ToolRun run = RunTool(dir, "wrap demo.sfc demo.txt");
  ASSERT_EQ(run.status, 0) << run.err;
  const size_t summary = run.out.rfind('\n', run.out.size() - 2) + 1;
  EXPECT_EQ(dry.out.substr(0, summary), run.out.substr(0, summary));
  EXPECT_EQ(run.out.substr(summary),
            "5 line breaks added in 3 strings of 1 file; 1 line holds a word wider than the box\n");

  std::vector<std::string> written;  // the file's lines, UTF-8
  std::istringstream lines(ToUtf8(Cp1252ToUnicode(ReadFileText(file))));
  for (std::string line; std::getline(lines, line);) written.push_back(line.substr(0, line.find('\r')));
  std::istringstream said(run.out.substr(0, summary));
  int named = 0;
  for (std::string line; std::getline(said, line); ++named) {
    const std::string prefix = "Dumps/000A0000.txt:";
    ASSERT_TRUE(line.starts_with(prefix)) << line;
    const size_t number = std::stoul(line.substr(prefix.size()));
    std::string shown = line.substr(line.find(": ", line.find(": string ") + 2) + 2);
    if (const std::string wide = "holds a word wider than the box: "; shown.starts_with(wide))
      shown.erase(0, wide.size());
    ASSERT_LE(number, written.size()) << line;
    EXPECT_EQ(written[number - 1], shown) << line;
  }
  EXPECT_EQ(named, 11);
}

}  // namespace
}  // namespace ts2::test
