// ts2tool patch, run as a separate process.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "support/builders.h"
#include "support/ips_builder.h"

namespace ts2 {
namespace {

using test::IpsBuilder;
using Bytes = std::vector<uint8_t>;

struct Result {
  int status;
  std::string err;
};

// Runs ts2tool with `args` in `dir`; stderr is captured.
Result RunTool(const test::TempDir& dir, const std::string& args) {
  const std::string errFile = dir.file("stderr.txt");
  const std::string cmd = "cd '" + dir.path().string() + "' && '" + TS2_TOOL_PATH + "' " + args +
                          " >/dev/null 2>'" + errFile + "'";
  const int raw = std::system(cmd.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, test::ReadFileText(errFile)};
}

struct CliPatch : ::testing::Test {
  test::TempDir dir;
  Bytes rom = test::RomBuilder(0x20200).file();  // a headered size: offsets count from the file start
  void SetUp() override { dir.write("rom.sfc", rom); }
};

TEST_F(CliPatch, AppliesPatchesInOrderAndWritesTheWholeImage) {
  dir.write("a.ips", IpsBuilder().record(0x10, {1, 2}).eof().bytes());
  dir.write("b.ips", IpsBuilder().run(0x11, 3, 9).record(0x20204, {7}).eof().bytes());
  const Result r = RunTool(dir, "patch rom.sfc a.ips b.ips -o out.sfc");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  Bytes want = rom;
  want[0x10] = 1;
  want[0x11] = want[0x12] = want[0x13] = 9;
  want.resize(0x20204, 0);
  want.push_back(7);
  EXPECT_EQ(test::ReadFileBytes(dir.file("out.sfc")), want);
  EXPECT_EQ(test::ReadFileBytes(dir.file("rom.sfc")), rom);  // the input is never touched
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "__temp__.qqq"));
}

TEST_F(CliPatch, BadPatchesGiveTheEditorsMessageAndNoOutput) {
  struct Case {
    const char* name;
    Bytes patch;  // empty: the file does not exist
    std::string message;
  };
  const Case cases[] = {
      {"invalid", Bytes{'N', 'O', 'P', 'E', '!'}, "Not a valid \"PATCH\" file!"},
      {"missing", Bytes{}, "File not found or is invalid. No patching performed."},
      {"cut short", Bytes{'P', 'A', 'T', 'C', 'H', 0, 0, 1, 0, 4, 0xAA},
       "Error: \"bad.ips\" is cut short: the record at patch offset 0x5 runs past the end of the file. No "
       "patching performed with it."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(dir.path() / "bad.ips");
    if (!c.patch.empty()) dir.write("bad.ips", c.patch);
    dir.write("good.ips", IpsBuilder().record(0, {1}).eof().bytes());
    const Result r = RunTool(dir, "patch rom.sfc good.ips bad.ips -o out.sfc");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ts2tool: " + c.message + "\n");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.sfc"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "__temp__.qqq"));
  }
}

TEST_F(CliPatch, UsageErrors) {
  dir.write("a.ips", IpsBuilder().eof().bytes());
  EXPECT_EQ(RunTool(dir, "patch rom.sfc a.ips").status, 2);  // no -o
  EXPECT_EQ(RunTool(dir, "patch rom.sfc -o out.sfc").status, 2);
  EXPECT_EQ(RunTool(dir, "patch rom.sfc a.ips -o out.sfc --frob").status, 2);
  EXPECT_EQ(RunTool(dir, "patch --help").status, 0);
  const Result r = RunTool(dir, "patch nosuch.sfc a.ips -o out.sfc");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("ts2tool: ", 0), 0u);
}

}  // namespace
}  // namespace ts2
