// ts2tool info, decompress and patch: what they print and write.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/ips_builder.h"
#include "tool.h"

namespace ts2::test {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(InfoCommand, PrintsSizeHeaderAndTitleAsJson) {
  TempDir dir;
  const struct {
    Bytes file;
    std::string json;
  } cases[] = {
      {RomBuilder(0x200000).file(true),
       R"({"file_size":2097664,"header_size":512,"title":"TORMEL SARAGON2","title_ok":true})"},
      // A wrong title still exits 0; its bytes are given as Latin-1.
      {RomBuilder(0x20000).title("Tormel \xE9 2").file(),
       "{\"file_size\":131072,\"header_size\":0,\"title\":\"Tormel \xC3\xA9 2     \",\"title_ok\":false}"},
      // Too short to hold the title.
      {Bytes(0x1000, 0), R"({"file_size":4096,"header_size":0,"title":null,"title_ok":false})"},
  };
  for (const auto& c : cases) {
    dir.write("rom.bin", c.file);
    const ToolRun r = RunTool(dir, "info rom.bin");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.json + "\n");
    EXPECT_EQ(r.err, "");
  }
}

TEST(DecompressCommand, WritesTheTableTheBlockOrTheWholeWorkingRam) {
  TempDir dir;
  std::vector<Glyph> glyphs;
  for (int i = 0; i < 6; ++i) {
    Glyph g{};
    for (int k = 0; k < 32; ++k) g[k] = static_cast<uint8_t>(i * 40 + k * (i + 1));
    glyphs.push_back(g);
  }
  RomBuilder builder;
  builder.fontTable(glyphs);
  const uint32_t block2 = 0x130000 + (builder.data()[0x130004] | builder.data()[0x130005] << 8);
  dir.write("rom.smc", builder.file(true));
  const Bytes glyph2(glyphs[2].begin(), glyphs[2].end());

  // First pointer 12 (six entries): 12 x 32 bytes, glyph i at 32 i, the rest zero.
  ToolRun r = RunTool(dir, "decompress rom.smc 0x130000 --table");
  ASSERT_EQ(r.status, 0) << r.err;
  Bytes expected(12 * 32, 0);
  for (size_t i = 0; i < glyphs.size(); ++i)
    std::copy(glyphs[i].begin(), glyphs[i].end(), expected.begin() + 32 * i);
  EXPECT_EQ(Bytes(r.out.begin(), r.out.end()), expected);

  // One block, its offset in decimal, to a file.
  ASSERT_EQ(RunTool(dir, "decompress rom.smc " + std::to_string(block2) + " -o g.bin").status, 0);
  EXPECT_EQ(ReadFileBytes(dir.file("g.bin")), glyph2);

  // A fresh Working RAM: the result at 0 and in staging at 0x10000.
  r = RunTool(dir, "decompress rom.smc " + std::to_string(block2) + " --wram");
  ASSERT_EQ(r.status, 0) << r.err;
  expected.assign(0x20000, 0);
  std::copy(glyph2.begin(), glyph2.end(), expected.begin());
  std::copy(glyph2.begin(), glyph2.end(), expected.begin() + 0x10000);
  EXPECT_EQ(Bytes(r.out.begin(), r.out.end()), expected);
}

TEST(PatchCommand, AppliesPatchesInOrderAndWritesTheWholeImage) {
  TempDir dir;
  const Bytes rom = RomBuilder(0x20200).file();  // a headered size: offsets count from the file start
  dir.write("rom.sfc", rom);
  dir.write("a.ips", IpsBuilder().record(0x10, {1, 2}).eof().bytes());
  dir.write("b.ips", IpsBuilder().run(0x11, 3, 9).record(0x20204, {7}).eof().bytes());
  ToolRun r = RunTool(dir, "patch rom.sfc a.ips b.ips -o out.sfc");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  Bytes want = rom;
  want[0x10] = 1;
  want[0x11] = want[0x12] = want[0x13] = 9;
  want.resize(0x20204, 0);
  want.push_back(7);
  EXPECT_EQ(ReadFileBytes(dir.file("out.sfc")), want);
  EXPECT_EQ(ReadFileBytes(dir.file("rom.sfc")), rom);  // the input is never touched
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "__temp__.qqq"));

  // Applied again, the patch changes nothing: a warning, and the image is written all the same.
  r = RunTool(dir, "patch out.sfc b.ips -o again.sfc");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "ts2tool: warning: The patch changed nothing: this ROM may already have it.\n");
  EXPECT_EQ(ReadFileBytes(dir.file("again.sfc")), want);

  // An invalid patch gives the editor's message.
  dir.write("bad.ips", "NOPE!");
  r = RunTool(dir, "patch rom.sfc a.ips bad.ips -o bad.sfc");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "ts2tool: Not a valid \"PATCH\" file!\n");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "bad.sfc"));
}

// Every output file is replaced whole or not at all: a write that fails (here a file-size limit)
// leaves the old file, and an output that is also an input is read before it is replaced.
TEST(ToolOutputs, AreReplacedWholeOrNotAtAll) {
  TempDir dir;
  const Bytes rom = RomBuilder(0x20000).file();
  dir.write("rom.sfc", rom);
  dir.write("a.ips", IpsBuilder().record(0x10, {1, 2}).eof().bytes());
  ToolRun r = RunTool(dir, "patch rom.sfc a.ips -o rom.sfc");
  ASSERT_EQ(r.status, 0) << r.err;
  Bytes patched = rom;
  patched[0x10] = 1, patched[0x11] = 2;
  EXPECT_EQ(ReadFileBytes(dir.file("rom.sfc")), patched);

  for (const char* args : {"skeleton 100 -o out", "decompress rom.sfc 0 --wram -o out"}) {
    SCOPED_TRACE(args);
    dir.write("out", "old");
    // The shell ignores the limit's signal, so the write fails with an error the tool reports.
    EXPECT_EQ(RunShell(dir, std::string("trap '' XFSZ && ulimit -f 1 && TOOL ") + args).status, 1);
    EXPECT_EQ(ReadFileText(dir.file("out")), "old");
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.tmp~")));    // nothing left over
    EXPECT_EQ(RunTool(dir, std::string(args) + "-new").status, 0);  // the same run, unlimited, works
  }
  EXPECT_EQ(RunTool(dir, "skeleton 2 -o /dev/null").status, 0);  // a device is written, not replaced
}

// A ROM file that delivers fewer bytes than its length is not read at all.
TEST(ToolInputs, AShortRomReadIsAnError) {
  const std::string sysfs = "/sys/devices/system/cpu/online";  // says 4096 bytes, gives 4
  if (ReadFileBytes(sysfs).size() != 4) GTEST_SKIP() << "no " << sysfs << " here";
  TempDir dir;
  const ToolRun r = RunTool(dir, "info " + sysfs);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "ts2tool: cannot read all of " + sysfs + ": only 4 of its 4096 bytes could be read\n");
}

}  // namespace
}  // namespace ts2::test
