// ts2tool info and ts2tool decompress.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "support/builders.h"

namespace ts2 {
namespace {

using test::Glyph;
using Bytes = std::vector<uint8_t>;

struct Result {
  int status = -1;
  std::string out, err;
};

// Runs ts2tool with `args` (already quoted for the shell), capturing stdout and stderr.
Result Tool(const test::TempDir& dir, const std::string& args) {
  const std::string out = dir.file("stdout"), err = dir.file("stderr");
  const std::string command =
      std::string("'") + TS2_TOOL_PATH + "' " + args + " >'" + out + "' 2>'" + err + "'";
  const int raw = std::system(command.c_str());
  Result r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = test::ReadFileText(out);
  r.err = test::ReadFileText(err);
  return r;
}

std::string Q(const std::string& path) {
  return "'" + path + "'";
}

std::vector<Glyph> SampleGlyphs() {
  std::vector<Glyph> glyphs;
  for (int i = 0; i < 6; ++i) {
    Glyph g{};
    for (int k = 0; k < 32; ++k) g[k] = static_cast<uint8_t>(i * 40 + k * (i + 1));
    glyphs.push_back(g);
  }
  return glyphs;
}

TEST(ToolInfo, ReportsSizeHeaderAndTitle) {
  test::TempDir dir;
  struct Case {
    const char* name;
    Bytes file;
    std::string json;
  };
  const Case cases[] = {
      {"Headered", test::RomBuilder(0x200000).file(true),
       R"({"file_size":2097664,"header_size":512,"title":"TORMEL SARAGON2","title_ok":true})"},
      {"Unheadered", test::RomBuilder(0x300100).file(),
       R"({"file_size":3145984,"header_size":0,"title":"TORMEL SARAGON2","title_ok":true})"},
      // A wrong title still exits 0; its bytes are given as Latin-1.
      {"WrongTitle", test::RomBuilder(0x20000).title("Tormel \xE9 2").file(),
       "{\"file_size\":131072,\"header_size\":0,\"title\":\"Tormel \xC3\xA9 2     \",\"title_ok\":false}"},
      // Too short to hold the title.
      {"Short", Bytes(0x1000, 0), R"({"file_size":4096,"header_size":0,"title":null,"title_ok":false})"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Result r = Tool(dir, "info " + Q(dir.write("rom.bin", c.file)));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.json + "\n");
    EXPECT_EQ(r.err, "");
  }
}

TEST(ToolDecompress, TableGivesTheGlyphsCompressedIntoIt) {
  test::TempDir dir;
  const std::vector<Glyph> glyphs = SampleGlyphs();
  const std::string rom = dir.write("rom.smc", test::RomBuilder().fontTable(glyphs).file(true));

  const Result r = Tool(dir, "decompress " + Q(rom) + " 0x130000 --table");
  ASSERT_EQ(r.status, 0) << r.err;
  // First pointer 12 (six entries): 12 x 32 bytes, glyph i at 32 i, the rest zero.
  Bytes expected(12 * 32, 0);
  for (size_t i = 0; i < glyphs.size(); ++i)
    std::copy(glyphs[i].begin(), glyphs[i].end(), expected.begin() + 32 * i);
  EXPECT_EQ(Bytes(r.out.begin(), r.out.end()), expected);
}

TEST(ToolDecompress, OneBlockToFileAndWholeWorkingRam) {
  test::TempDir dir;
  const std::vector<Glyph> glyphs = SampleGlyphs();
  test::RomBuilder builder;
  builder.fontTable(glyphs);
  const uint32_t block2 = 0x130000 + (builder.data()[0x130004] | builder.data()[0x130005] << 8);
  const std::string rom = dir.write("rom.sfc", builder.file());
  const std::string offset = std::to_string(block2);  // decimal works as well as 0x...

  ASSERT_EQ(Tool(dir, "decompress " + Q(rom) + " " + offset + " -o " + Q(dir.file("g.bin"))).status, 0);
  EXPECT_EQ(test::ReadFileBytes(dir.file("g.bin")), Bytes(glyphs[2].begin(), glyphs[2].end()));

  const Result wram = Tool(dir, "decompress " + Q(rom) + " " + offset + " --wram");
  ASSERT_EQ(wram.status, 0) << wram.err;
  ASSERT_EQ(wram.out.size(), 0x20000u);
  Bytes expected(0x20000, 0);  // a fresh Working RAM: result at 0 and in staging at 0x10000
  std::copy(glyphs[2].begin(), glyphs[2].end(), expected.begin());
  std::copy(glyphs[2].begin(), glyphs[2].end(), expected.begin() + 0x10000);
  EXPECT_EQ(Bytes(wram.out.begin(), wram.out.end()), expected);
}

TEST(ToolDecompress, UsageAndInputErrors) {
  test::TempDir dir;
  const std::string rom = dir.write("rom.sfc", test::RomBuilder().fontTable(SampleGlyphs()).file());
  struct Case {
    const char* args;
    int status;
  };
  const Case cases[] = {
      {"decompress", 2},
      {"decompress ROM", 2},
      {"decompress ROM zz", 2},
      {"decompress ROM 0x100000000", 2},
      {"decompress ROM 0x130000 --bogus", 2},
      {"decompress ROM 0x130000 -o", 2},
      {"decompress ROM 0x130000 extra", 2},
      {"info", 2},
      {"info ROM ROM", 2},
      {"decompress MISSING 0x130000", 1},
      {"decompress ROM 0x140000", 1},  // past the end of the ROM data
      {"info MISSING", 1},
      {"info DIR", 1},
  };
  for (const Case& c : cases) {
    std::string args = c.args;
    auto replace = [&](const std::string& word, const std::string& with) {
      if (size_t at = args.find(word); at != std::string::npos) args.replace(at, word.size(), with);
    };
    replace("MISSING", Q(dir.file("missing.sfc")));
    replace("ROM ROM", Q(rom) + " " + Q(rom));
    replace("ROM", Q(rom));
    replace("DIR", Q(dir.path().string()));
    SCOPED_TRACE(args);
    const Result r = Tool(dir, args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err.rfind("ts2tool: ", 0), 0u) << r.err;
    EXPECT_EQ(r.out, "");
  }
}

TEST(ToolDecompress, HelpPrintsUsage) {
  test::TempDir dir;
  for (const char* command : {"info", "decompress"}) {
    const Result r = Tool(dir, std::string(command) + " --help");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind(std::string("usage: ts2tool ") + command, 0), 0u) << r.out;
  }
  const Result all = Tool(dir, "--help");
  EXPECT_EQ(all.status, 0);
  EXPECT_NE(all.out.find("decompress"), std::string::npos);
  EXPECT_NE(all.out.find("info"), std::string::npos);
}

}  // namespace
}  // namespace ts2
