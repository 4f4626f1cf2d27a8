// The whole script: every block's file searched (the Text Editor's text for the block it shows),
// and Replace All writing each file whole, or leaving one it cannot write exactly as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/loaded_program.h"
#include "views/script.h"

namespace ts2 {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kA = 0x1A8000, kB = 0x1B0000, kC = 0x1C0000;

class ScriptFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(lp.dir.path() / "Dumps");
    lp.dir.write("Dumps/001A8000.txt", ".STRING 0\r\nThe Sword\r\n.ENDS\r\n.STRING 1\r\nno\r\n.ENDS\r\n");
    lp.dir.write("Dumps/001B0000.txt", "// sword\r\n.STRING 0\r\nsword \x80\x9F\xFF sword\r\n.ENDS\r\n");
    lp.dir.write("Dumps/001C0000.txt", ".STRING 0\r\nSWORD\r\n.ENDS\r\n");
  }
  std::vector<ScriptBlock> blocks() { return ScriptBlocks(lp.form(), "Dumps"); }

  // Block D shares block A's pointer table, so it shares its file.
  test::LoadedProgram lp{{{kA, 2}, {kB, 1}, {kC, 1}, {kA, 2}, {0x1D0000, 3}}};
};

TEST_F(ScriptFiles, FindsInEveryFileOnceAndInTheEditorsText) {
  const TextFinder finder("sword", {});
  std::vector<std::tuple<int, uint32_t, int, size_t>> found;
  for (const ScriptMatch& m : FindInTranslations(blocks(), finder))
    found.emplace_back(m.block, m.at.string, m.at.line, m.at.column);
  const std::vector<std::tuple<int, uint32_t, int, size_t>> expected = {
      {0, 0, 1, 4}, {1, 0, 2, 0}, {1, 0, 2, 10}, {2, 0, 1, 0}};
  EXPECT_EQ(found, expected);

  // The block the editor shows is searched in its unsaved text; a block without a file is not.
  const TextOfBlock editor = [](const ScriptBlock& b) -> std::optional<std::string> {
    if (b.index == 1) return std::string(".STRING 0\nno more\n.ENDS\n");
    return FileText(b);
  };
  const std::vector<ScriptMatch> matches = FindInTranslations(blocks(), finder, editor);
  ASSERT_EQ(matches.size(), 2u);
  EXPECT_EQ(matches[0].lineText, "The Sword");
  EXPECT_EQ(matches[1].block, 2);
  EXPECT_FALSE(fs::exists(lp.dir.path() / "Dumps/001D0000.txt"));
}

// Blocks on one pointer table with different counts: their file is searched for the longer
// block's strings, though the shorter comes first, and its matches are the longer block's.
TEST_F(ScriptFiles, ASharedFileIsSearchedForTheLongerBlocksStrings) {
  lp.dir.write("Dumps/001A8000.txt",
               ".STRING 0\r\nsword\r\n.ENDS\r\n.STRING 1\r\nno\r\n.ENDS\r\n.STRING 2\r\nsword\r\n.ENDS\r\n");
  lp.setBlocks({{kA, 2}, {kA, 3}});
  std::vector<std::pair<int, uint32_t>> found;
  for (const ScriptMatch& m : FindInTranslations(blocks(), TextFinder("sword", {})))
    found.emplace_back(m.block, m.at.string);
  EXPECT_EQ(found, (std::vector<std::pair<int, uint32_t>>{{1, 0}, {1, 2}}));
}

TEST_F(ScriptFiles, ReplaceAllGoesOnPastAFileItCannotWrite) {
  const std::string before = test::ReadFileText(lp.dir.file("Dumps/001B0000.txt"));
  // The save's temporary file cannot be made beside block B's file.
  fs::create_directory(lp.dir.path() / "Dumps/001B0000.txt.tmp~");
  const std::vector<FileReplaced> done = ReplaceInFiles(blocks(), TextFinder("sword", {}), "Blade");
  ASSERT_EQ(done.size(), 3u);
  EXPECT_EQ(done[0].file, "Dumps/001A8000.txt");
  EXPECT_EQ(done[0].replacements, 1);
  EXPECT_EQ(done[0].error, "");
  EXPECT_EQ(done[1].file, "Dumps/001B0000.txt");
  EXPECT_EQ(done[1].replacements, 2);
  EXPECT_NE(done[1].error, "");
  EXPECT_EQ(done[2].error, "");
  EXPECT_EQ(test::ReadFileText(lp.dir.file("Dumps/001A8000.txt")),
            ".STRING 0\r\nThe Blade\r\n.ENDS\r\n.STRING 1\r\nno\r\n.ENDS\r\n");
  EXPECT_EQ(test::ReadFileText(lp.dir.file("Dumps/001B0000.txt")), before);
  EXPECT_EQ(test::ReadFileText(lp.dir.file("Dumps/001C0000.txt")), ".STRING 0\r\nBlade\r\n.ENDS\r\n");
}

}  // namespace
}  // namespace ts2
