// A translation file that is there but cannot be read, as ts2tool's commands meet it: each names
// it and stops, exit status as for any input it cannot read, and writes nothing. Taken for a
// missing file, import wrote a new file over it and find, progress and export reported its
// strings as untranslated.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "tool.h"

namespace ts2::test {
namespace {

namespace fs = std::filesystem;

// ts2tool with file permissions holding for it: as the superuser, without the capabilities that
// pass over them.
ToolRun RunBarred(const TempDir& dir, const std::string& args) {
  if (::geteuid() != 0) return RunTool(dir, args);
  return RunProgram("setpriv", dir,
                    "--bounding-set -dac_override,-dac_read_search '" TS2_TOOL_PATH "' " + args);
}

using Unreadable = DemoSet;

TEST_F(Unreadable, EveryCommandOverTheTranslationsNamesItAndWritesNothing) {
  if (::geteuid() == 0 && std::system("setpriv --version >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "setpriv is needed to read without the superuser's rights";
  ASSERT_EQ(RunTool(dir, "export demo.sfc demo.txt --block 0 -o block0.po").status, 0);
  const std::string file = dir.file("Dumps/000A0000.txt"), bytes = ReadFileText(file);
  fs::permissions(file, fs::perms::owner_write);  // there, writable, not readable
  const std::vector<fs::path> before = Listing(dir.path());

  const struct {
    const char* args;
    int status;
  } cases[] = {
      {"import demo.sfc demo.txt block0.po", 1},
      {"propagate demo.sfc demo.txt", 1},
      {"find demo.sfc demo.txt Tom", 2},
      {"progress demo.sfc demo.txt", 2},
      {"export demo.sfc demo.txt -o all.po", 1},
      {"replace demo.sfc demo.txt Tom Tim", 2},
      {"wrap demo.sfc demo.txt", 1},
      {"similar demo.sfc demo.txt --all", 1},
      {"proof demo.sfc demo.txt -o proof.html", 1},
      {"render demo.sfc demo.txt --block 0 --string 1 --dumps Dumps -o string.png", 1},
      {"render demo.sfc demo.txt --at 000A0000.txt:3 --dumps Dumps -o string.png", 1},
      {"check demo.sfc demo.txt", 1},
      {"recover demo.sfc demo.txt --autosave kept --restore", 1},
  };
  for (const auto& c : cases) {
    const ToolRun r = RunBarred(dir, c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.out << r.err;
    EXPECT_STARTS(r.err, "ts2tool: cannot read Dumps/000A0000.txt: Permission denied\n") << c.args;
    EXPECT_EQ(r.out, "") << c.args;
    EXPECT_EQ(Listing(dir.path()), before) << c.args;
  }
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(ReadFileText(file), bytes);

  // The earlier files a proof sheet compares with, likewise.
  const std::string earlier = dir.write("before/000A0000.txt", bytes);
  fs::permissions(earlier, fs::perms::owner_write);
  const ToolRun since = RunBarred(dir, "proof demo.sfc demo.txt --since before -o proof.html");
  EXPECT_EQ(since.status, 1);
  EXPECT_EQ(since.err, "ts2tool: cannot read before/000A0000.txt: Permission denied\n");
  EXPECT_FALSE(fs::exists(dir.file("proof.html")));

  // The other blocks' files are not there: those are new files, as they always were.
  fs::remove(file);
  const ToolRun r = RunBarred(dir, "import demo.sfc demo.txt block0.po");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_HAS(r.out, "Dumps/000A0000.txt: new file");
}

}  // namespace
}  // namespace ts2::test
