// ts2tool recover on the demo set: the unsaved text an editor left in its autosave folder,
// listed, restored over its file (not over a file changed since, unless forced) or discarded.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>

#include "core/filestamp.h"
#include "core/fileutil.h"
#include "script/autosave.h"
#include "script/copy_lock.h"
#include "tool.h"

namespace ts2::test {
namespace {

class Recover : public DemoSet {
 protected:
  void SetUp() override {
    DemoSet::SetUp();
    ::setenv("TZ", "UTC", 1);  // the kept time is printed in local time
    file = ReadFileText(this->dir.file("Dumps/000A0000.txt"));
    kept = file;
    kept.replace(kept.find("Prends"), 6, "Saisis");
  }
  // Leaves a copy of `text` as the editor would, begun from the file holding `base`.
  void leave(const std::string& text, const std::string& base, int slot = 0) {
    const std::string path = dir.file("Dumps/000A0000.txt");
    const auto bytes = std::span(reinterpret_cast<const uint8_t*>(base.data()), base.size());
    std::string error;
    ASSERT_TRUE(WriteKeptText(autosave(), path, text, {AutosaveKey(path), true, HashBytes(bytes), 1796662800},
                              &error, slot))
        << error;
  }
  std::string autosave() const { return dir.file("state/autosave"); }
  ToolRun recover(const std::string& options) {
    return RunTool(dir, "recover demo.sfc demo.txt --autosave '" + autosave() + "' " + options);
  }
  std::string file, kept;
};

TEST_F(Recover, ListsRestoresAndDiscardsWhatTheEditorKept) {
  EXPECT_RUN(recover(""), 0, "0 files with unsaved text\n");

  leave(kept, file);
  EXPECT_RUN(recover(""), 0,
             "Dumps/000A0000.txt: kept 2026-12-07 17:00; string 1 differs\n1 file with unsaved text\n");

  ToolRun r = recover("--restore -n");
  EXPECT_EQ(r.out,
            "Dumps/000A0000.txt: kept 2026-12-07 17:00; string 1 differs; would be restored\n"
            "1 file would be restored of 1 with unsaved text\n");
  EXPECT_EQ(ReadFileText(dir.file("Dumps/000A0000.txt")), file);

  r = recover("--restore");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFileText(dir.file("Dumps/000A0000.txt")), kept);
  EXPECT_FALSE(FindKeptText(autosave(), dir.file("Dumps/000A0000.txt")));

  leave(file, kept);
  EXPECT_RUN(recover("--discard"), 0,
             "Dumps/000A0000.txt: kept 2026-12-07 17:00; string 1 differs; discarded\n"
             "1 file discarded of 1 with unsaved text\n");
  EXPECT_EQ(ReadFileText(dir.file("Dumps/000A0000.txt")), kept);
  EXPECT_FALSE(FindKeptText(autosave(), dir.file("Dumps/000A0000.txt")));
}

// A translation folder that is not there (run away from the project) is an error, as it is to
// the other commands, unless copies name files in it: those are still listed.
TEST_F(Recover, AMissingFolderIsSaidUnlessCopiesNameFilesInIt) {
  ToolRun r = recover("--dumps Elsewhere");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "ts2tool: no translation folder Elsewhere\n");

  leave(kept, file);
  std::filesystem::rename(dir.file("Dumps"), dir.file("Moved"));
  r = recover("");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(
      r.out,
      "Dumps/000A0000.txt: kept 2026-12-07 17:00; strings 0, 1, 2, 3, 4 and 5 differ; the file is gone\n"
      "1 file with unsaved text\n");
}

// The editor names its Dumps folder from the working folder, without links; a path through a link
// to the same folder finds the same copies.
TEST_F(Recover, AFolderReachedThroughALinkHasItsCopies) {
  leave(kept, file);
  const std::string link = dir.file("through");
  ASSERT_EQ(::symlink(dir.path().c_str(), link.c_str()), 0);
  const ToolRun r = recover("--dumps '" + link + "/Dumps'");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_HAS(r.out, "string 1 differs");
  EXPECT_HAS(r.out, "1 file with unsaved text");
}

// Text typed into a file that another program (a git pull) changed since is not written over it
// unless asked for.
TEST_F(Recover, AFileChangedSinceIsRestoredOnlyWhenForced) {
  leave(kept, "the file as it was when the typing began");
  ToolRun r = recover("--restore");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(
      r.out,
      "Dumps/000A0000.txt: kept 2026-12-07 17:00; string 1 differs; the file changed since; not restored "
      "(--force restores it)\n0 files restored of 1 with unsaved text\n");
  EXPECT_EQ(ReadFileText(dir.file("Dumps/000A0000.txt")), file);
  r = recover("--restore --force");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFileText(dir.file("Dumps/000A0000.txt")), kept);

  // A copy whose note is missing (cut short between its two writes): whether the file changed
  // since cannot be told, so it is treated as if it had.
  dir.write("Dumps/000A0000.txt", file);
  leave(kept, file);
  std::filesystem::remove(AutosavePathsOf(autosave(), dir.file("Dumps/000A0000.txt")).info);
  r = recover("--restore");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(
      r.out,
      "Dumps/000A0000.txt: kept at an unknown time; string 1 differs; whether the file changed since is "
      "not known; not restored (--force restores it)\n0 files restored of 1 with unsaved text\n");
  EXPECT_EQ(ReadFileText(dir.file("Dumps/000A0000.txt")), file);
  EXPECT_EQ(recover("--restore --force").status, 0);
  EXPECT_EQ(ReadFileText(dir.file("Dumps/000A0000.txt")), kept);

  for (const char* wrong : {"--restore --discard", "--force", "--discard --force"})
    EXPECT_EQ(recover(wrong).status, 2) << wrong;
}

// What became of the file since its text was typed, said as it happened. A file the editor could
// not make is restored without --force while it is still missing: nothing is written over.
TEST_F(Recover, SaysWhatBecameOfTheFile) {
  const std::string path = dir.file("Dumps/000A0000.txt");
  const struct {
    const char* what;
    bool neverMade, there;
    const char* listed;
    int restored;  // the exit status of --restore
  } cases[] = {
      {"deleted since", false, false, "strings 0, 1, 2, 3, 4 and 5 differ; the file is gone", 1},
      {"never made", true, false, "strings 0, 1, 2, 3, 4 and 5 differ; the file was never made", 0},
      {"made since by another program", true, true, "string 1 differs; the file was made since", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    dir.write("Dumps/000A0000.txt", file);
    std::string error;
    ASSERT_TRUE(WriteKeptText(autosave(), path, kept,
                              {AutosaveKey(path), true, c.neverMade ? 0 : HashBytes(file), 1796662800},
                              &error));
    if (!c.there) std::filesystem::remove(path);
    EXPECT_EQ(recover("").out, "Dumps/000A0000.txt: kept 2026-12-07 17:00; " + std::string(c.listed) +
                                   "\n1 file with unsaved text\n");
    EXPECT_EQ(recover("--restore").status, c.restored);
    EXPECT_EQ(ReadFileText(path), c.restored == 0 ? kept : c.there ? file : "");
    recover("--discard");
  }
}

// A copy a running editor keeps is that editor's; copies left by two editors are the editor's to
// offer one by one, since restoring both would write one over the other.
TEST_F(Recover, LeavesARunningEditorsCopyAndSeveralCopiesOfOneFileToTheEditor) {
  const std::string path = dir.file("Dumps/000A0000.txt");
  leave(kept, file);
  {
    std::optional<CopyLock> running = CopyLock::Take(AutosavePathsOf(autosave(), path).lock);
    ASSERT_TRUE(running && running->held());
    EXPECT_RUN(recover("--discard"), 0,
               "Dumps/000A0000.txt: being edited in a running editor (process " + std::to_string(getpid()) +
                   "); left alone\n0 files discarded of 0 with unsaved text\n");
    EXPECT_TRUE(FindKeptText(autosave(), path));
    running->Abandon();  // the editor crashes
  }
  std::string other = file;
  other.replace(other.find("Prends"), 6, "Attrape");
  leave(other, file, 1);
  EXPECT_RUN(
      recover("--restore --force"), 1,
      "Dumps/000A0000.txt: kept 2026-12-07 17:00; string 1 differs; not restored (2 copies: the editor "
      "offers each)\n"
      "Dumps/000A0000.txt: kept 2026-12-07 17:00; string 1 differs; not restored (2 copies: the editor "
      "offers each)\n"
      "0 files restored of 1 with unsaved text\n");
  EXPECT_EQ(ReadFileText(path), file);
  ToolRun r = recover("--discard");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.out.ends_with("1 file discarded of 1 with unsaved text\n")) << r.out;
  EXPECT_TRUE(LeftKeptTexts(autosave(), path).empty());
}

// While an editor has the file open, a copy another editor left is not restored under it: the
// running editor's next save would replace it, or it the editor's text.
TEST_F(Recover, RestoresNothingUnderARunningEditor) {
  const std::string path = dir.file("Dumps/000A0000.txt");
  leave(kept, file);  // left by an editor that crashed
  std::optional<CopyLock> running = CopyLock::Take(AutosavePathsOf(autosave(), path, 1).lock);
  ASSERT_TRUE(running && running->held());
  for (const char* options : {"--restore", "--restore --force"}) {
    const ToolRun r = recover(options);
    EXPECT_STARTS(r.out, "Dumps/000A0000.txt: being edited in a running editor (process " +
                             std::to_string(getpid()) + "); left alone\n")
        << options;
    EXPECT_EQ(ReadFileText(path), file) << options;
    EXPECT_EQ(LeftKeptTexts(autosave(), path).size(), 1u) << options;
  }
}

}  // namespace
}  // namespace ts2::test
