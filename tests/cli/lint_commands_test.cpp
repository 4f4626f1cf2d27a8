// ts2tool check and font on the demo set, and the demo set opened in the editor.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "headless/headless.h"
#include "tool.h"

namespace ts2::test {
namespace {

namespace fs = std::filesystem;

uint32_t BigEndian32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<uint8_t>(s.at(at + i));
  return v;
}

using Demo = DemoSet;

TEST_F(Demo, CheckFindsOnlyThePlantedOverflowAndWritesNothing) {
  const std::vector<fs::path> before = Listing(dir.path());
  EXPECT_RUN(
      RunTool(dir, "check demo.sfc demo.txt"), 1,
      "Dumps/000A0000.txt:27: string 3, line 2 (file line 27): column 28: line is 240 pixels wide, the "
      "box wraps at 216\n"
      "1 finding in 1 file (6 strings checked)\n");
  // The glyphs' own widths fit the line.
  EXPECT_RUN(RunTool(dir, "check demo.sfc demo.txt --vwf on"), 0,
             "no findings in 1 file (6 strings checked)\n");
  EXPECT_EQ(Listing(dir.path()), before);
}

TEST_F(Demo, CheckReadsEveryBlocksFileInTheFolderGiven) {
  fs::create_directory(dir.path() / "team");
  // Block 1 (pointer table 0x60000) has 4 strings: section 9 is not one of them.
  dir.write("team/00060000.txt",
            ".STRING 0\r\nSeven\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n.ENDS\r\n"
            ".STRING 1\r\nok\r\n.ENDS\r\n"
            ".STRING 9\r\n" +
                std::string(40, 'x') + "\r\n.ENDS\r\n");
  dir.write("team/000A8000.txt", ".STRING 1\r\nfine\r\n.ENDS\r\n");
  const ToolRun r = RunTool(dir, "check demo.sfc demo.txt --dumps team/");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(
      r.out,
      "team/00060000.txt:8: string 0, line 7 (file line 8): column 1: needs 7 box lines, the box shows 6\n"
      "1 finding in 1 file (3 strings checked)\n");
}

TEST_F(Demo, CheckMeasuresALongNameAndNamesSectionsTheEditorDoesNotShow) {
  fs::create_directory(dir.path() / "team");
  dir.write("team/000A0000.txt", ".STRING 3\r\n[PLAYER], take the sword now\r\n.ENDS\r\n");
  EXPECT_RUN(RunTool(dir, "check demo.sfc demo.txt --dumps team"), 1,
             "team/000A0000.txt:2: string 3, line 1 (file line 2): column 1: fits only if the name has at "
             "most 7 characters\n"
             "1 finding in 1 file (1 string checked)\n");
  EXPECT_RUN(RunTool(dir, "check demo.sfc demo.txt --dumps team --player-width 7"), 0,
             "no findings in 1 file (1 string checked)\n");
  // The editor shows a string the first section whose header begins with its own.
  fs::create_directory(dir.path() / "order");
  dir.write("order/000A0000.txt",
            ".STRING 0\r\nA\r\n.ENDS\r\n.STRING 10\r\nDix\r\n.ENDS\r\n"
            ".STRING 1\r\nUn\r\n.ENDS\r\n.STRING 20\r\nX\r\n.ENDS\r\n");
  EXPECT_RUN(
      RunTool(dir, "check demo.sfc demo.txt --dumps order"), 1,
      "order/000A0000.txt:10: string 2, line 0 (file line 10): column 1: the editor shows the section "
      "at file line 10 (.STRING 20) for string 2, as it has none of its own\n"
      "order/000A0000.txt:7: string 1, line 0 (file line 7): column 1: the editor shows the section at "
      "file line 4 (.STRING 10) for string 1, which comes first: move this section before it\n"
      "2 findings in 1 file (2 strings checked)\n");
  // The count agrees: string 1 is translated, with that finding.
  ToolRun r = RunTool(dir, "progress demo.sfc demo.txt --dumps order");
  EXPECT_HAS(r.out,
             "\"file\":\"000A0000.txt\",\"exists\":true,\"strings\":6,\"translated\":1,\"with_findings\":1}");

  r = RunTool(dir, "check demo.sfc demo.txt --dumps team --player-width 65");
  EXPECT_EQ(r.status, 2);
  EXPECT_STARTS(r.err, "ts2tool: --player-width takes 0 to 64 characters, not '65' (usage: ts2tool check ");
}

TEST_F(Demo, CheckNamesGlossaryTermsTheTranslationLacks) {
  // The demo's string 1 "Take the SWORD and go." reads "Prends l'\u00e9p\u00e9e et pars.", string 2 "Ask Mira
  // or Tom." reads "Demande \u00e0 Mira ou \u00e0 Tom.", string 3 "Gold: 100 \u3042\u3044\u3046" reads "Or :
  // 100 ...".
  dir.write("Dumps/glossary.csv",
            "source;target;note\r\nsword;\xC3\xA9p\xC3\xA9"
            "e\r\nMira;Myra;the healer\r\nMira;Mirabelle\r\n"
            "gold;Or\r\n\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86;ABC\r\nDragon;Dragon\r\n");
  const std::string overflow =
      "Dumps/000A0000.txt:27: string 3, line 2 (file line 27): column 28: line is 240 pixels wide, the box "
      "wraps "
      "at 216\n";
  ToolRun r = RunTool(dir, "check demo.sfc demo.txt");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(
      r.out,
      "Dumps/000A0000.txt:19: string 2, line 1 (file line 19): column 1: the original has \"Mira\": the "
      "glossary translates it as \"Myra\" or \"Mirabelle\"\n"
      "Dumps/000A0000.txt:26: string 3, line 1 (file line 26): column 1: the original has "
      "\"\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\": the glossary translates it as \"ABC\"\n" +
          overflow + "3 findings in 1 file (6 strings checked)\n");
  // String 5 ("Beware the DRAGON!") reads "Attention au DRAGON !".
  // progress counts by the same rules: strings 2 and 3 have findings.
  r = RunTool(dir, "progress demo.sfc demo.txt");
  EXPECT_HAS(r.out, "\"exists\":true,\"strings\":6,\"translated\":4,\"with_findings\":2}");

  // Another glossary named, and one with mistakes: each named, nothing checked.
  dir.write("terms.csv", "Mira,Mira\n");
  r = RunTool(dir, "check demo.sfc demo.txt --glossary terms.csv");
  EXPECT_EQ(r.out, overflow + "1 finding in 1 file (6 strings checked)\n");
  dir.write("terms.csv", "Mira,Mira\nTom\n\"Kor,x\n");
  r = RunTool(dir, "check demo.sfc demo.txt --glossary terms.csv");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(
      r.err,
      "terms.csv:2: no translation in the second column for \"Tom\"\nterms.csv:3: a quoted field is not "
      "closed\n");
  r = RunTool(dir, "check demo.sfc demo.txt --glossary missing.csv");
  EXPECT_EQ(r.status, 1);
  EXPECT_HAS(r.err, "missing.csv");
}

TEST_F(Demo, FontSheetHoldsSixteenGlyphsARow) {
  ASSERT_EQ(RunTool(dir, "decompress demo.sfc 0x130000 --table -o glyphs.bin").status, 0);
  const size_t glyphs = ReadFileBytes(dir.file("glyphs.bin")).size() / 32;
  ASSERT_GT(glyphs, 0u);
  ASSERT_EQ(RunTool(dir, "font demo.sfc -o sheet.png").status, 0);
  const std::string png = ReadFileText(dir.file("sheet.png"));
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  // Drawn twice the size: a label column of three hex digits, 16 cells of 10 pixels; a label row,
  // then a row of cells 18 pixels high for every 16 glyphs.
  EXPECT_EQ(BigEndian32(png, 16), 2u * (28 + 16 * 10 + 2));
  EXPECT_EQ(BigEndian32(png, 20), 2u * (20 + (glyphs + 15) / 16 * 18 + 2));
}

TEST_F(Demo, OpensInTheEditorAndEveryStringIsDrawn) {
  ScopedCwd cwd(dir.path());
  headless::HeadlessProgram p;
  TmyForm& f = p.form();
  ASSERT_TRUE(f.OpenRomFile(dir.file("demo.sfc"), dir.file("demo.txt")));
  ASSERT_EQ(p.ui.bList.count(), 3);
  auto inked = [&](int page) {
    const TextPage& pg = f.gPages[page];
    const size_t shown = static_cast<size_t>(96) * pg.width;
    return std::any_of(pg.pixels.get(), pg.pixels.get() + shown, [](uint16_t px) { return px != 0; });
  };
  for (int b = 0; b < 3; ++b) {
    p.ui.bList.setItemIndex(b);
    f.bListClick(&p.ui.bList);
    ASSERT_GT(p.ui.pList.count(), 0);
    for (int s = 0; s < p.ui.pList.count(); ++s) {
      SCOPED_TRACE(testing::Message() << "block " << b << " string " << s);
      p.ui.pList.setItemIndex(s);
      f.pListClick(&p.ui.pList);
      EXPECT_TRUE(inked(0));
      if (b == 0) {  // the translated block
        EXPECT_TRUE(inked(1));
        EXPECT_EQ(p.ui.status.panelText(2), s == 3 ? "L2: wide" : "Fits");
        if (s == 3) {
          EXPECT_STARTS(p.ui.status.panelHint(2), "string 3, line 2 (file line 27): column ");
        }
      }
    }
  }
  EXPECT_EQ(p.ui.messages(), std::vector<std::string>{});
}

}  // namespace
}  // namespace ts2::test
