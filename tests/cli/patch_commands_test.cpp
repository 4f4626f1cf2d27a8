// ts2tool diff, patch (BPS) and patchinfo: patches made, applied back and checked as a translator
// and a player use them.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "support/ips_builder.h"
#include "tool.h"

namespace ts2::test {
namespace {

using Bytes = std::vector<uint8_t>;

// A ROM and a translated copy: edited strings, a fill, and growth (whole KiB, so that the size
// keeps telling the same copier-header layout).
struct Pair {
  Bytes original, modified;
};

Pair MakePair(bool header, size_t grow = 0x400) {
  RomBuilder rom(0x20000);
  Pair p{rom.file(header), {}};
  p.modified = p.original;
  std::mt19937 rng(7);
  for (int i = 0; i < 40; ++i) {
    const size_t at = 0x200 + rng() % 0x1F000;
    for (size_t k = 0; k < 1 + rng() % 30; ++k) p.modified[at + k] = static_cast<uint8_t>('a' + rng() % 26);
  }
  std::fill_n(p.modified.begin() + 0x8000, 40, 0xFF);
  for (size_t i = 0; i < grow; ++i) p.modified.push_back(static_cast<uint8_t>(rng()));
  return p;
}

Bytes Game(const Bytes& file) {
  return Bytes(file.begin() + static_cast<std::ptrdiff_t>(file.size() & 0x200), file.end());
}

TEST(DiffCommand, EveryPatchAppliedBackGivesTheModifiedFile) {
  const struct {
    const char* name;
    bool header;
    const char* args;
    const char* note;  // what stderr starts with, "" for nothing
  } cases[] = {
      {"IPS of the files as they are", true, "-o out.ips", ""},
      {"IPS by --format, any name", false, "--format ips -o out.patch", ""},
      {"BPS of the game data", true, "-o out.bps", ""},
      {"BPS on headerless files", false, "-o OUT.BPS", ""},
      {"IPS without the headers", true, "--headerless -o out.ips",
       "ts2tool: --headerless: copier header dropped"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const Pair p = MakePair(c.header);
    dir.write("orig.sfc", p.original);
    dir.write("mod.sfc", p.modified);
    ToolRun r = RunTool(dir, std::string("diff orig.sfc mod.sfc ") + c.args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_STARTS(r.err, c.note);
    const std::string out = std::string(c.args).substr(std::string(c.args).find("-o ") + 3);
    const bool headerless = std::string(c.args).find("--headerless") != std::string::npos;
    // A headerless patch is for headerless copies: apply it to one.
    dir.write("player.sfc", headerless ? Game(p.original) : p.original);
    r = RunTool(dir, "patch player.sfc " + out + " -o patched.sfc");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFileBytes(dir.file("patched.sfc")), headerless ? Game(p.modified) : p.modified);
  }
}

TEST(DiffCommand, ShorterModifiedAndHeaderMismatch) {
  TempDir dir;
  const Pair p = MakePair(false, 0);
  Bytes shorter(p.modified.begin(), p.modified.end() - 0x1000);
  dir.write("orig.sfc", p.original);
  dir.write("short.sfc", shorter);
  ASSERT_EQ(RunTool(dir, "diff orig.sfc short.sfc -o s.ips").status, 0);
  ASSERT_EQ(RunTool(dir, "patch orig.sfc s.ips -o back.sfc").status, 0);
  EXPECT_EQ(ReadFileBytes(dir.file("back.sfc")), shorter);  // the truncation size applies here

  dir.write("hdr.sfc", MakePair(true, 0).modified);
  ToolRun r = RunTool(dir, "diff orig.sfc hdr.sfc -o h.ips");
  EXPECT_EQ(r.status, 0);
  EXPECT_HAS(r.err, "warning: orig.sfc has 0 bytes of copier header and hdr.sfc has 512");

  // Two headered files make a patch for headered copies only, which is said.
  dir.write("hdr-orig.sfc", MakePair(true, 0).original);
  const char* note = "ts2tool: note: both files have a copier header, so the patch fits only copies with one";
  r = RunTool(dir, "diff hdr-orig.sfc hdr.sfc -o h.ips");
  EXPECT_EQ(r.status, 0);
  EXPECT_STARTS(r.err, note);
  r = RunTool(dir, "diff hdr-orig.sfc hdr.sfc -o h.ips --headerless");
  EXPECT_LACKS(r.err, note);
  r = RunTool(dir, "diff hdr-orig.sfc hdr.sfc -o h.bps");
  EXPECT_EQ(r.err, "");
}

TEST(DiffCommand, FailuresWriteNothing) {
  TempDir dir;
  dir.write("small.sfc", Bytes(16, 0));
  Bytes huge(0x1000000 + 0x20000, 0);
  huge.back() = 1;
  dir.write("huge.sfc", huge);
  dir.write("vast.sfc", Bytes{});
  std::filesystem::resize_file(dir.path() / "vast.sfc", (64u << 20) + 1);  // sparse: nothing is written
  const struct {
    const char* args;
    int status;
    const char* err;
  } cases[] = {
      {"diff small.sfc huge.sfc -o out.ips", 1, "ts2tool: IPS cannot reach offset 0x"},
      {"diff small.sfc huge.sfc -o out.txt", 2, "ts2tool: cannot tell the format from out.txt"},
      {"diff small.sfc huge.sfc --format zip -o out.ips", 2, "ts2tool: --format must be ips or bps"},
      {"diff small.sfc missing.sfc -o out.ips", 1, "ts2tool: cannot read missing.sfc"},
      {"diff small.sfc -o out.ips", 2, "ts2tool: expected ORIGINAL and MODIFIED"},
      // A patch claiming more than this would be refused as damaged when applied.
      {"diff small.sfc vast.sfc -o out.bps", 1,
       "ts2tool: vast.sfc has 67108865 bytes of game data, more than a BPS patch may claim (64 MiB)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const ToolRun r = RunTool(dir, c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_STARTS(r.err, c.err);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.ips"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.bps"));
  }
}

TEST(PatchCommand, BpsForAnotherRomIsRefusedWithBothCrcs) {
  TempDir dir;
  const Pair p = MakePair(true);
  dir.write("orig.sfc", p.original);
  dir.write("mod.sfc", p.modified);
  ASSERT_EQ(RunTool(dir, "diff orig.sfc mod.sfc -o t.bps").status, 0);
  const ToolRun r = RunTool(dir, "patch mod.sfc t.bps -o out.sfc");
  EXPECT_EQ(r.status, 1);
  EXPECT_STARTS(r.err, "ts2tool: Error: \"t.bps\" was made for another ROM: it expects ");
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.sfc"));
}

// orig.sfc, mod.sfc, the IPS and BPS patches between them (t.ips, t.bps), a small fix.ips and a
// broken cut.ips (its record at 0x5 runs past the end).
void WritePatchSet(const TempDir& dir) {
  const Pair p = MakePair(true);
  dir.write("orig.sfc", p.original);
  dir.write("mod.sfc", p.modified);
  ASSERT_EQ(RunTool(dir, "diff orig.sfc mod.sfc -o t.ips").status, 0);
  ASSERT_EQ(RunTool(dir, "diff orig.sfc mod.sfc -o t.bps").status, 0);
  dir.write("fix.ips", IpsBuilder().record(0x300, {1, 2, 3}).eof().bytes());
  dir.write("cut.ips", IpsBuilder().raw({0, 0, 0x10, 0, 5, 'a', 'b'}).bytes());
}

TEST(PatchCommand, APatchFromStandardInputOrAPipeAppliesAsItsFileDoes) {
  TempDir dir;
  WritePatchSet(dir);
  const struct {
    const char* command;
    const char* files;  // the same patches as files
  } cases[] = {
      {"cat t.ips | TOOL patch orig.sfc - -o out.sfc", "t.ips"},
      {"cat t.bps | TOOL patch orig.sfc - -o out.sfc", "t.bps"},
      {"TOOL patch orig.sfc - -o out.sfc <t.bps", "t.bps"},
      {"cat fix.ips | TOOL patch orig.sfc t.bps - -o out.sfc", "t.bps fix.ips"},
      {"cat t.ips | TOOL patch orig.sfc /dev/stdin fix.ips -o out.sfc", "t.ips fix.ips"},
      {"TOOL patch orig.sfc <(cat t.bps) <(cat fix.ips) -o out.sfc", "t.bps fix.ips"},
      // Each FIFO has one writer: one opened twice would wait for ever, and timeout ends that.
      {"mkfifo f1 f2 && { timeout 20 sh -c 'cat t.ips >f1' & timeout 20 sh -c 'cat fix.ips >f2' & } && "
       "timeout 20 TOOL patch orig.sfc f1 f2 -o out.sfc",
       "t.ips fix.ips"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    ASSERT_EQ(RunTool(dir, std::string("patch orig.sfc ") + c.files + " -o want.sfc").status, 0);
    std::filesystem::remove(dir.file("out.sfc"));
    const ToolRun r = RunShell(dir, c.command);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ReadFileBytes(dir.file("out.sfc")), ReadFileBytes(dir.file("want.sfc")));
  }
}

TEST(PatchCommand, StandardInputIsNamedSoAndReadOnce) {
  TempDir dir;
  WritePatchSet(dir);
  dir.write("-", IpsBuilder().raw({0, 0, 0x10, 0, 5, 'a', 'b'}).bytes());
  constexpr char kCut[] = " is cut short: the record at patch offset 0x5 runs past the end of the file.";
  const struct {
    const char* command;
    int status;
    std::string err;  // what stderr starts with; it holds no other "ts2tool: " line
  } cases[] = {
      {"cat t.ips | TOOL patch orig.sfc - - -o out.sfc", 2,
       "ts2tool: standard input (-) can be only one of the patches (usage: "},
      {"cat cut.ips | TOOL patch orig.sfc t.ips - -o out.sfc", 1,
       std::string("ts2tool: Error: standard input") + kCut},
      {"cat t.bps | TOOL patch mod.sfc - -o out.sfc", 1,
       "ts2tool: Error: standard input was made for another ROM: it expects "},
      {"TOOL patch orig.sfc - -o out.sfc <&-", 1, "ts2tool: File not found or is invalid."},
      // A file named "-" is a file, named as any other.
      {"TOOL patch orig.sfc ./- -o out.sfc", 1, std::string("ts2tool: Error: \"-\"") + kCut},
      {"cat t.ips | TOOL patch orig.sfc t.ips - -o out.sfc", 0,
       "ts2tool: warning: standard input: The patch changed nothing: this ROM may already have it.\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    std::filesystem::remove(dir.file("out.sfc"));
    const ToolRun r = RunShell(dir, c.command);
    EXPECT_EQ(r.status, c.status);
    EXPECT_STARTS(r.err, c.err);
    EXPECT_EQ(r.err.find("ts2tool: ", 1), std::string::npos) << r.err;
    EXPECT_EQ(std::filesystem::exists(dir.file("out.sfc")), c.status == 0);
  }
}

TEST(PatchinfoCommand, ReadsStandardInput) {
  TempDir dir;
  WritePatchSet(dir);
  dir.write("a.ips", IpsBuilder().record(0x10, {1, 2, 3}).run(0x7FF8, 0x10, 0).eof().bytes());
  ToolRun r = RunShell(dir, "cat t.bps | TOOL patchinfo a.ips - --rom orig.sfc");
  EXPECT_EQ(r.status, 0) << r.err;
  for (const char* line : {"\nstandard input\n  format: BPS\n", "  rom: fits: the game data has the source's",
                           "    0x8000-0x8007: a.ips, standard input\n"})
    EXPECT_HAS(r.out, line);

  r = RunShell(dir, "TOOL patchinfo - <cut.ips");
  EXPECT_EQ(r.status, 1);
  EXPECT_STARTS(r.out, "standard input\n  format: IPS\n  error: Error: standard input is cut short");
  EXPECT_EQ(r.err, "ts2tool: standard input cannot be used\n");

  EXPECT_RUN(RunShell(dir, "TOOL patchinfo - - <t.bps"), 2, "");
}

TEST(PatchinfoCommand, DescribesFitsAndOverlaps) {
  TempDir dir;
  const Pair p = MakePair(true, 0);
  dir.write("rom.sfc", p.original);
  Bytes other = p.original;
  other[0x300] ^= 1;
  dir.write("other.sfc", other);
  dir.write("mod.sfc", p.modified);
  ASSERT_EQ(RunTool(dir, "diff rom.sfc mod.sfc -o t.bps").status, 0);
  dir.write("a.ips", IpsBuilder().record(0x10, {1, 2, 3}).run(0x7FF8, 0x10, 0).eof().bytes());
  dir.write("b.ips", IpsBuilder().record(0x8004, {5}).raw({'E', 'O', 'F', 0x01, 0x00, 0x00}).bytes());

  ToolRun r = RunTool(dir, "patchinfo a.ips b.ips t.bps --rom rom.sfc");
  EXPECT_EQ(r.status, 0) << r.err;
  for (const char* line :
       {"a.ips\n  format: IPS\n  records: 2 (1 run records)\n  writes: 19 bytes in 2 ranges, file offsets\n"
        "    0x10-0x12, 0x7FF8-0x8007\n",
        "  rom: fits: every write falls inside the image of 131584 bytes\n"
        "  warning: it writes inside the copier header (0x0-0x1FF)",
        "  truncation: to 65536 bytes (0x10000) when larger; ts2tool patch applies it, the editor does not\n"
        "  rom: fits: it cuts the image from 131584 to 65536 bytes\n",
        "t.bps\n  format: BPS\n", "  rom: fits: the game data has the source's size and CRC-32\n",
        // The BPS patch's fill at file offset 0x8000 is at game-data offset 0x7E00: moved past the header.
        "overlaps: 8 bytes written by more than one patch, file offsets\n    0x8000-0x8003: a.ips, t.bps\n"
        "    0x8004: a.ips, b.ips, t.bps\n    0x8005-0x8007: a.ips, t.bps\n"}) {
    EXPECT_HAS(r.out, line);
  }

  // A patch from a pipe is named in the overlaps as in its own heading.
  r = RunShell(dir, "TOOL patchinfo a.ips <(cat b.ips)");
  EXPECT_HAS(r.out, "    0x8004: a.ips, /dev/fd/");

  r = RunTool(dir, "patchinfo t.bps a.ips --rom other.sfc --no-overlap");
  EXPECT_EQ(r.status, 1);
  EXPECT_HAS(r.out, "  rom: made for another ROM: it expects 131072 bytes with CRC-32 0x");
  EXPECT_STARTS(r.err, "ts2tool: ");

  // A truncation into the copier header (a diff of small files) is told as patch applies it: the
  // header stays whole.
  dir.write("small.sfc", Bytes(0x238, 'A'));
  Bytes shortIps = IpsBuilder().eof().bytes();
  for (const uint8_t b : {0x00, 0x01, 0x2A}) shortIps.push_back(b);
  dir.write("short.ips", shortIps);
  r = RunTool(dir, "patchinfo short.ips --rom small.sfc");
  EXPECT_HAS(r.out, "  rom: fits: it cuts the image from 568 to 512 bytes\n");
  ASSERT_EQ(RunTool(dir, "patch small.sfc short.ips -o out.sfc").status, 0);
  EXPECT_EQ(ReadFileBytes(dir.file("out.sfc")).size(), 512u);

  dir.write("cut.bps", Bytes{'B', 'P', 'S', '1', 0x80});
  r = RunTool(dir, "patchinfo cut.bps");
  EXPECT_EQ(r.status, 1);
  EXPECT_HAS(r.out, "  error: Error: \"cut.bps\" is cut short");
}

}  // namespace
}  // namespace ts2::test
