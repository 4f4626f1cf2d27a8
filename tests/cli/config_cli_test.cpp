// ts2tool datafile and ts2tool tbl, run as a script would run them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "support/builders.h"

namespace ts2 {
namespace {

struct ToolRun {
  int status = -1;
  std::string out, err;
};

ToolRun RunTool(const test::TempDir& dir, const std::string& args) {
  const std::string errFile = dir.file("stderr.txt");
  const std::string command = std::string(TS2_TOOL_PATH) + " " + args + " 2>" + errFile;
  ToolRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) run.out.append(buf, n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = test::ReadFileText(errFile);
  return run;
}

// The output is compact JSON with the keys in Qt's (alphabetical) order, so exact fragments
// can be looked for.
#define EXPECT_HAS(text, fragment) EXPECT_NE((text).find(fragment), std::string::npos) << (text)

TEST(DatafileCommand, PrintsWhatTheLoaderSetUp) {
  test::TempDir dir;
  const std::string path = dir.write("d.txt",
                                     ".BLOCK $C60000 C60000 C70000 2A\n"
                                     ".BLOCK 7E1234 0 0 100\n"
                                     ".FORMAT 18 16 8 1 16 0 1 2 3\n"
                                     ".textbox .color.red .color.blue .solid\n"
                                     ".FONTS 1234\n"
                                     ".TextWindow HIDE\n"
                                     ".KanaWindow show\n"
                                     ".TABLE\n"
                                     "8142=\\x0A\\x0B\n"
                                     "41=\xE9\n"
                                     "8141=\n"
                                     ".NULL 80 - 81\n"
                                     ".ENDTABLE\n"
                                     ".COLORTABLE\n"
                                     ".NULL=C\n"
                                     "41=$0C\n"
                                     ".ENDCOLOR\n");
  const ToolRun r = RunTool(dir, "datafile " + path);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_HAS(
      r.out,
      R"("blocks":[{"field2":393216,"field3":458752,"name":"Block C60000","offset":393216,"strings":42},)"
      R"({"field2":0,"field3":0,"name":"Block 7E1234","offset":4067892,"strings":100}])");
  EXPECT_HAS(
      r.out,
      R"("format":{"glyph_h":16,"glyph_w":8,"line_width":288,"reserved":[1,0,1,2,3],"width_scale":16})");
  EXPECT_HAS(r.out, R"("font_address":4660)");
  EXPECT_HAS(r.out, R"("color":"red","fill":"solid")");
  EXPECT_HAS(r.out, R"("windows":{"hex":null,"kana":true,"text":false})");
  EXPECT_HAS(r.out, R"("chars8":[{"code":65,"colour":12,"length":1,"null":0,"text":"é"},)"
                    R"({"code":80,"colour":12,"length":0,"null":1,"text":"[$50]"},)"
                    R"({"code":81,"colour":12,"length":0,"null":1,"text":"[$51]"}])");
  EXPECT_HAS(r.out, R"("chars16":[{"code":33089,"colour":15,"length":0,"null":1,"text":"[$8141]"},)"
                    R"({"code":33090,"colour":15,"length":2,"null":0,"text":"\n\u000b"}])");
  EXPECT_EQ(r.out.back(), '\n');
}

TEST(DatafileCommand, EmptyFileAndErrors) {
  test::TempDir dir;
  const ToolRun empty = RunTool(dir, "datafile " + dir.write("e.txt", ""));
  ASSERT_EQ(empty.status, 0);
  EXPECT_HAS(empty.out, R"("blocks":[])");
  EXPECT_HAS(empty.out, R"("chars16":[],"chars8":[])");
  EXPECT_HAS(empty.out, R"("view":{"color":"blue","fill":"gradient","hide_codes":false,"vwf":false})");
  EXPECT_HAS(empty.out, R"("windows":{"hex":null,"kana":null,"text":null})");

  const ToolRun missing = RunTool(dir, "datafile " + dir.file("missing.txt"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err.rfind("ts2tool: ", 0), 0u) << missing.err;
  EXPECT_HAS(missing.err, "Fatal Error: Could not open FONT file!");

  EXPECT_EQ(RunTool(dir, "datafile").status, 2);
  EXPECT_EQ(RunTool(dir, "datafile a.txt b.txt").status, 2);
  const ToolRun help = RunTool(dir, "datafile --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_HAS(help.out, "datafile DATAFILE");
}

TEST(DatafileCommand, BlockLimitIsNotedOnStderr) {
  test::TempDir dir;
  std::string text;
  for (int i = 0; i < 4097; ++i) text += ".BLOCK 1 0 0 0\n";
  const ToolRun r = RunTool(dir, "datafile " + dir.write("big.txt", text));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "ts2tool: 1 .BLOCK line(s) past the 4096-block limit were ignored.\n");
}

TEST(TblCommand, PrintsTheThreeTables) {
  test::TempDir dir;
  const std::string path = dir.write("t.tbl", "41=A\n41=AB\n0A=\n8140=xyz\n8240=abc\nff=\xE9 x\n41 =no\n");
  const ToolRun r = RunTool(dir, "tbl " + path);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, R"({"char":{"0A":"","41":"A"},"string":{"41":"AB","FF":"é x"},"wide":{"40":"abc"}})"
                   "\n");

  const ToolRun missing = RunTool(dir, "tbl " + dir.file("none.tbl"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_HAS(missing.err, "ts2tool: ");
  EXPECT_HAS(missing.err, "Could not load the table file...");
  EXPECT_EQ(RunTool(dir, "tbl").status, 2);
}

}  // namespace
}  // namespace ts2
