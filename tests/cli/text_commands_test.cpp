// ts2tool datafile, tbl, encode, skeleton and kana: their exact output.
#include <gtest/gtest.h>

#include "core/fileutil.h"
#include "script/textfile.h"
#include "support/loaded_program.h"
#include "tool.h"

namespace ts2::test {
namespace {

// The JSON is compact with the keys in Qt's (alphabetical) order, so exact fragments can be
// looked for.

TEST(DatafileCommand, PrintsWhatTheLoaderSetUp) {
  TempDir dir;
  dir.write("d.txt",
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
  ToolRun r = RunTool(dir, "datafile d.txt");
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
  EXPECT_HAS(r.out, R"("view":{"color":"red","fill":"solid","hide_codes":false,"vwf":false})");
  EXPECT_HAS(r.out, R"("windows":{"hex":null,"kana":true,"text":false})");
  EXPECT_HAS(r.out, R"("chars8":[{"code":65,"colour":12,"length":1,"null":0,"text":"é"},)"
                    R"({"code":80,"colour":12,"length":0,"null":1,"text":"[$50]"},)"
                    R"({"code":81,"colour":12,"length":0,"null":1,"text":"[$51]"}])");
  EXPECT_HAS(r.out, R"("chars16":[{"code":33089,"colour":15,"length":0,"null":1,"text":"[$8141]"},)"
                    R"({"code":33090,"colour":15,"length":2,"null":0,"text":"\n\u000b"}])");
  EXPECT_EQ(r.out.back(), '\n');

  // What the loader says goes to stderr; the load itself succeeded.
  std::string many;
  for (int i = 0; i < 4097; ++i) many += ".BLOCK 1 0 0 0\n";
  dir.write("big.txt", many);
  r = RunTool(dir, "datafile big.txt");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "ts2tool: 1 .BLOCK line(s) past the 4096-block limit were ignored.\n");
}

TEST(EncodeCommand, PrintsTheFirstSectionsBytesFromAFileOrStdin) {
  TempDir dir;
  const struct {
    const char* text;
    const char* bytes;
  } cases[] = {
      {".STRING 0\r\nAB[$4142]C\r\nx\r\n.ENDS\r\n\r\n.STRING 1\r\nno\r\n.ENDS\r\n",
       "41 42 41 42 43 FE 78 FF\n"},
      {".STRING 3\n\n\n.ENDS\n", "FE FF\n"},  // lone LF line ends are accepted
      {"", "FF\n"},
  };
  for (const auto& c : cases) {
    const std::string file = dir.write("section.txt", c.text);
    EXPECT_EQ(RunTool(dir, "encode section.txt").out, c.bytes) << c.text;
    EXPECT_EQ(RunTool(dir, "encode", file).out, c.bytes) << "stdin: " << c.text;
  }
}

// A lone CR ends a line for ts2tool as it does in the editor: both turn the same file into the
// same bytes.
TEST(EncodeCommand, LoneCrEndsALineAsInTheEditor) {
  for (const char* file : {".STRING 0\rab\rcd\r.ENDS\r", ".STRING 0\r\nab\rcd\r\n.ENDS\r\n",
                           ".STRING 0\nab\r\rcd\n.ENDS\n", ".STRING 0\rab\r"}) {
    SCOPED_TRACE(testing::PrintToString(std::string(file)));
    LoadedProgram lp({{0x1A8000, 1}});
    lp.dir.write("Dumps/001A8000.txt", file);
    lp.select(0);
    std::string shown;
    for (const uint8_t* b = lp.form().gTransText.get();; ++b) {
      shown += Format(shown.empty() ? "%02X" : " %02X", *b);
      if (*b == 0xFF) break;
    }
    EXPECT_EQ(RunTool(lp.dir, "encode Dumps/001A8000.txt").out, shown + "\n");
    EXPECT_LACKS(shown, "0D");
  }
}

// tbl, kana and skeleton: their exact output, on stdout or in the file -o names.
TEST(TextCommands, WriteTheirExactOutput) {
  TempDir dir;
  dir.write("t.tbl", "41=A\n41=AB\n0A=\n8140=xyz\n8240=abc\nff=\xE9 x\n41 =no\n");
  dir.write("chars.txt", ".TABLE\r\n4100=A\r\n8140=\\x82\\xA0\r\n.ENDTABLE\r\n");
  const struct {
    const char* args;
    std::string out;
    const char* file = nullptr;
    std::string written = {};
  } cases[] = {
      {"tbl t.tbl", R"({"char":{"0A":"","41":"A"},"string":{"41":"AB","FF":"é x"},"wide":{"40":"abc"}})"
                    "\n"},
      {"kana chars.txt \"41 00 05 F1 00 FD 81 40 AB 12 FF FF\"", "A[Pause$05]\r\n\x82\xA0[$12AB]"},
      {"skeleton 0x3", TranslationSkeleton(3)},
      {"skeleton 65535 -o new.txt", "", "new.txt", TranslationSkeleton(65535)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    EXPECT_RUN(RunTool(dir, c.args), 0, c.out);
    if (c.file) {
      EXPECT_EQ(ReadFileText(dir.file(c.file)), c.written);
    }
  }
}

}  // namespace
}  // namespace ts2::test
