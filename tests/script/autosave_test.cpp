// Unsaved typed text kept in the autosave folder: written when typing pauses, gone once the
// editor holds no unsaved edits of its file, offered back by the next run after a crash.
#include "script/autosave.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "core/filestamp.h"
#include "core/fileutil.h"
#include "support/loaded_program.h"

namespace ts2 {
namespace {

namespace fs = std::filesystem;
using test::LoadedProgram;
using test::ReadFileText;

constexpr uint32_t kA = 0x1A8000, kB = 0x1A9000;
constexpr char kFileA[] = ".STRING 0\r\nBonjour\r\n.ENDS\r\n", kKept[] = ".STRING 0\r\nKept\r\n.ENDS\r\n";

std::span<const uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

TEST(AutosaveInfo, ReadsBackWhatItWritesAndRefusesAnythingElse) {
  for (const AutosaveInfo& info :
       {AutosaveInfo{"/home/t/Dumps/000A0000.txt", true, 0x0123456789ABCDEFull, 1765125600},
        AutosaveInfo{"/odd/50%\nname\r.txt", false, 0, -5}, AutosaveInfo{"/x", true, 0, 0}}) {
    const std::optional<AutosaveInfo> back = ParseAutosaveInfo(AutosaveInfoText(info));
    ASSERT_TRUE(back) << info.file;
    EXPECT_EQ(back->file, info.file);
    EXPECT_EQ(back->baseKnown, info.baseKnown);
    EXPECT_EQ(back->baseHash, info.baseHash);
    EXPECT_EQ(back->time, info.time);
  }
  const std::string good = AutosaveInfoText({"/a/b.txt", true, 0xFF, 7});
  for (const std::string& bad : std::vector<std::string>{
           std::string(),
           good.substr(0, good.size() - 1),                          // cut short
           "ts2edit autosave 2" + good.substr(18),                   // another version
           good + "more\n",                                          // a line too many
           "ts2edit autosave 1\nfile \nbase unknown\ntime 1\n",      // no path
           "ts2edit autosave 1\nfile /a%4\nbase unknown\ntime 1\n",  // broken escape
           "ts2edit autosave 1\nfile /a\nbase 00FF\ntime 1\n",       // short hash
           "ts2edit autosave 1\nfile /a\nbase unknown\ntime 99999999999999999999\n",
           "ts2edit autosave 1\nfile /a\nbase unknown\ntime -\n",
           "ts2edit autosave 1\nfilex /a\nbase unknown\ntime 1\n",
       })
    EXPECT_FALSE(ParseAutosaveInfo(bad)) << bad;
}

TEST(AutosaveFiles, ACopyBelongsToOnePathOnly) {
  test::TempDir dir;
  const std::string folder = dir.file("autosave");
  const std::string a = dir.file("p1/Dumps/000A0000.txt"), b = dir.file("p2/Dumps/000A0000.txt");
  std::string error;
  ASSERT_TRUE(WriteKeptText(folder, a, "kept\r\n", {AutosaveKey(a), false, 0, 1}, &error)) << error;
  EXPECT_NE(AutosavePathsOf(folder, a).text, AutosavePathsOf(folder, b).text);
  EXPECT_EQ(FindKeptText(folder, a)->bytes, "kept\r\n");
  EXPECT_EQ(FindKeptText(folder, dir.file("p1/Dumps/../Dumps/000A0000.txt"))->bytes, "kept\r\n");
  EXPECT_FALSE(FindKeptText(folder, b));
  EXPECT_EQ(FilesWithKeptText(folder, {b, a}), std::vector<std::string>{a});
  // A ".." after a link is the link's, as the system takes it: with p1/sub a link to p2/deep,
  // p1/sub/../Dumps is p2's folder, and p1's copy is not its file's.
  fs::create_directories(dir.file("p2/deep"));
  fs::create_directories(dir.file("p1"));
  fs::create_symlink(dir.file("p2/deep"), dir.file("p1/sub"));
  const std::string throughLink = dir.file("p1/sub/../Dumps/000A0000.txt");
  EXPECT_EQ(AutosaveKey(throughLink), AutosaveKey(b));
  EXPECT_FALSE(FindKeptText(folder, throughLink));

  // An information file naming another path (two paths, one hash) disowns the copy; a missing
  // or damaged one does not, since the text is all that matters then.
  const AutosavePaths paths = AutosavePathsOf(folder, a);
  dir.write(fs::relative(paths.info, dir.path()).string(), AutosaveInfoText({b, false, 0, 1}));
  EXPECT_FALSE(FindKeptText(folder, a));
  dir.write(fs::relative(paths.info, dir.path()).string(), "damaged");
  EXPECT_TRUE(FindKeptText(folder, a));
  EXPECT_TRUE(RemoveKeptText(folder, a));
  EXPECT_FALSE(fs::exists(paths.text) || fs::exists(paths.info));
  EXPECT_TRUE(RemoveKeptText(folder, a));  // nothing left to remove is no failure
}

// A copy's lock is held while its editor runs and goes with the process, however it ends.
TEST(CopyLock, HeldUntilLetGoOrItsProcessEnds) {
  test::TempDir dir;
  const std::string path = dir.file("copy.lock");
  long holder = -1;
  EXPECT_FALSE(CopyLock::HeldElsewhere(path, &holder));
  {
    std::optional<CopyLock> lock = CopyLock::Take(path);
    ASSERT_TRUE(lock && lock->held());
    EXPECT_TRUE(CopyLock::HeldElsewhere(path, &holder));
    EXPECT_EQ(holder, getpid());
    holder = -1;
    EXPECT_FALSE(CopyLock::Take(path, &holder));
    EXPECT_EQ(holder, getpid());
  }
  EXPECT_FALSE(fs::exists(path));  // let go of: the file goes with it

  // A killed editor: its lock file stays, held by no one.
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::optional<CopyLock> lock = CopyLock::Take(path);
    const char held = lock && lock->held() ? 'y' : 'n';
    if (write(ready[1], &held, 1) != 1) _exit(1);
    for (;;) pause();
  }
  char held = 0;
  ASSERT_EQ(read(ready[0], &held, 1), 1);
  EXPECT_EQ(held, 'y');
  EXPECT_TRUE(CopyLock::HeldElsewhere(path, &holder));
  EXPECT_EQ(holder, child);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  EXPECT_TRUE(fs::exists(path));
  EXPECT_FALSE(CopyLock::HeldElsewhere(path));
  std::optional<CopyLock> taken = CopyLock::Take(path);
  EXPECT_TRUE(taken && taken->held());
}

class Autosaving : public ::testing::Test {
 protected:
  void SetUp() override {
    lp.dir.write("Dumps/001A8000.txt", kFileA);
    lp.p.ui.autosaveDir = folder;
    lp.select(0);
  }
  std::optional<KeptText> kept() const { return FindKeptText(folder, lp.textFile(kA)); }
  void typeAndPause(const std::string& text) {
    lp.editor().setSelection(static_cast<int>(lp.editor().text().find("Bonjour")), 0);
    lp.editor().type(text);
    lp.p.ui.runLaterTasks();
  }
  // A run of its own, on block A's file as kFileA (and block B's), keeping copies in the folder.
  std::unique_ptr<LoadedProgram> fresh() {
    auto run = std::make_unique<LoadedProgram>(std::vector<test::BlockSpec>{{kA, 1}, {kB, 1}});
    run->dir.write("Dumps/001A8000.txt", kFileA);
    run->p.ui.autosaveDir = folder;
    return run;
  }
  // A fresh run whose autosave folder holds `bytes` as left by an earlier run that typed them over
  // a file with the hash `base` (none: not known).
  std::unique_ptr<LoadedProgram> leftBehind(const std::string& bytes, std::optional<uint64_t> base = 42) {
    auto run = fresh();
    std::string error;
    EXPECT_TRUE(WriteKeptText(folder, run->textFile(kA), bytes,
                              {AutosaveKey(run->textFile(kA)), base.has_value(), base.value_or(0), 1},
                              &error))
        << error;
    return run;
  }
  // Shows block A in `run`, the offer of a left copy answered with `answer`.
  static void Offer(LoadedProgram& run, int answer) {
    run.p.ui.script.choiceAnswers.push_back(answer);
    run.select(0);
    run.p.ui.runLaterTasks();
  }
  // Takes every name a recovery copy beside block A's file could have.
  static void TakeEveryCopyName(LoadedProgram& run) {
    for (int n = 1; n <= 99; ++n)
      run.dir.write("Dumps/001A8000.txt.unsaved" + (n == 1 ? std::string() : "-" + std::to_string(n)), "x");
  }
  LoadedProgram lp{{{kA, 1}, {kB, 1}}};
  std::string folder = lp.dir.file("state/ts2edit/autosave");
};

TEST_F(Autosaving, APauseKeepsTheTextAsASaveWouldWriteIt) {
  lp.editor().setSelection(static_cast<int>(lp.editor().text().find("Bonjour")), 0);
  lp.editor().type("Oh");
  lp.editor().type(", ");
  // Keys typed while the wait runs move the pause: the first wait ends without a copy.
  lp.p.ui.runLaterTasks(1);
  EXPECT_FALSE(kept());
  lp.p.ui.runLaterTasks(1);
  ASSERT_TRUE(kept());
  EXPECT_EQ(kept()->bytes, ".STRING 0\r\nOh, Bonjour\r\n.ENDS\r\n");
  ASSERT_TRUE(kept()->info);
  EXPECT_EQ(kept()->info->file, AutosaveKey(lp.textFile(kA)));
  EXPECT_TRUE(kept()->info->baseKnown);
  EXPECT_EQ(kept()->info->baseHash, HashBytes(Bytes(kFileA)));
  EXPECT_EQ(ReadFileText(lp.textFile(kA)), kFileA);  // the file itself is left alone

  typeAndPause("Ah ");
  EXPECT_EQ(kept()->bytes, ".STRING 0\r\nOh, Ah Bonjour\r\n.ENDS\r\n");
}

TEST_F(Autosaving, TheCopyGoesOnlyWhenTheEditsAreKeptElsewhereOrDropped) {
  enum Step { Save, Switch, Close, UndoByHand };
  enum Room { InDumps, OnlyInTmp, Nowhere };  // where a save or a recovery copy can go
  const struct {
    const char* what;
    Step step;
    bool yes;  // the answer to saving first
    Room room;
    bool copyStays;
  } cases[] = {
      {"saving", Save, true, InDumps, false},
      {"another block, saving first", Switch, true, InDumps, false},
      {"another block, dropping the edits", Switch, false, InDumps, false},
      {"closing, saving first", Close, true, InDumps, false},
      {"closing, dropping the edits", Close, false, InDumps, false},
      {"the edits undone by hand, then a pause", UndoByHand, false, InDumps, false},
      // A copy only the temporary folder took may not outlast a restart: the lasting one stays.
      {"another block, saving first, when only the temporary folder takes a copy", Switch, true, OnlyInTmp,
       true},
      {"closing, saving first, when only the temporary folder takes a copy", Close, true, OnlyInTmp, true},
      {"closing, when neither a save nor a recovery copy can be written", Close, true, Nowhere, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::unique_ptr<LoadedProgram> run = fresh();
    LoadedProgram& lp = *run;
    lp.select(0);
    lp.editor().type("typed ");
    lp.p.ui.runLaterTasks();
    ASSERT_TRUE(FindKeptText(folder, lp.textFile(kA)));
    std::optional<test::ScopedTmpDir> tmp;
    if (c.room != InDumps) {
      fs::rename(lp.dir.path() / "Dumps", lp.dir.path() / "Dumps.moved");
      fs::create_directory(lp.dir.path() / "tmp");
      tmp.emplace(c.room == OnlyInTmp ? lp.dir.file("tmp") : lp.dir.write("not-a-folder", "x"));
    }
    if (c.step == Switch || c.step == Close) lp.p.ui.script.questionAnswers.push_back(c.yes);
    if (c.step == Save) lp.p.program.menuCommand(MenuId::SaveTextFile1);
    if (c.step == Switch) lp.select(1);
    if (c.step == Close) lp.p.program.menuCommand(MenuId::Exit1);
    if (c.step == UndoByHand) {
      lp.editor().setModified(false);
      lp.p.program.textChanged(ControlId::TDMemo);
      lp.p.ui.runLaterTasks();
    }
    EXPECT_EQ(fs::exists(lp.dir.path() / "tmp" / "001A8000.txt.unsaved"), c.room == OnlyInTmp);
    EXPECT_EQ(FindKeptText(folder, lp.textFile(kA)).has_value(), c.copyStays);
  }
}

// An editor that ended without closing (a crash, a killed session) leaves its copy; the next run
// names it when the data file is loaded and offers it when its block is shown.
TEST_F(Autosaving, TheNextRunOffersWhatACrashLeft) {
  typeAndPause("lost? ");
  const std::string typed = lp.editor().text();
  lp.p.ui.script.questionAnswers.push_back(false);
  lp.select(1);  // block B's file shown, A's edits dropped: its copy goes
  lp.editor().type("B's line");
  lp.p.ui.runLaterTasks();
  // Put back what the crash would have left of block A.
  std::string error;
  ASSERT_TRUE(WriteKeptText(folder, lp.textFile(kA), EditorTextToFileBytes(typed),
                            {AutosaveKey(lp.textFile(kA)), true, HashBytes(Bytes(kFileA)), 1}, &error));

  const std::string keptB = FindKeptText(folder, lp.textFile(kB))->bytes;
  lp.p.program.autosave().Abandon();  // as the crash lets go of it

  // The next run (the first one never closed).
  const std::string data = lp.dir.write("game.txt", ".BLOCK 1A9000 0 0 1\n.BLOCK 1A8000 0 0 1\n");
  headless::HeadlessProgram next;
  next.ui.autosaveDir = folder;
  next.ui.script.choiceAnswers.push_back(0);  // B's copy: Restore
  ASSERT_TRUE(next.form().OpenRomFile(lp.romPath, data));
  next.ui.runLaterTasks();  // asked once Open ROM has shown the first block (twice, as it does)
  EXPECT_EQ(next.form().gTextPath, lp.textFile(kB));
  EXPECT_EQ(next.ui.TDMemo.text(), FileBytesToEditorText(keptB));
  EXPECT_TRUE(next.ui.TDMemo.modified());
  EXPECT_EQ(next.ui.TDMemo.undoSteps, 1);  // one step back to the file
  const auto& said = next.ui.script.said;
  ASSERT_GE(said.size(), 2u);
  EXPECT_EQ(said[0].kind, headless::Script::Said::Choice);
  EXPECT_EQ(said[0].caption, "Unsaved Text Found...");
  EXPECT_NE(said[0].text.find("Text typed in \"001A9000.txt\" (string 0) was not saved"), std::string::npos);
  EXPECT_EQ(said[1].text,
            "Text typed but not saved when the editor last stopped is kept for 1 block: Block 1A8000 "
            "(001A8000.txt). Choose a block to be offered its text.");

  // Saving the restored text ends its copy.
  next.program.menuCommand(MenuId::SaveTextFile1);
  EXPECT_FALSE(FindKeptText(folder, lp.textFile(kB)));
  EXPECT_EQ(FileBytesToEditorText(ReadFileText(lp.textFile(kB))), next.ui.TDMemo.text());
}

// Two copies of the editor with unsaved text of one file: each keeps a copy of its own, neither
// is offered the other's as one a crash left, and a save in one leaves the other's copy alone.
TEST_F(Autosaving, TwoEditorsOnOneFileKeepACopyEach) {
  const std::string file = lp.textFile(kA);
  typeAndPause("A ");
  const std::string first = kept()->bytes;
  const std::string data = lp.dir.write("game.txt", ".BLOCK 1A8000 0 0 1\n");
  headless::HeadlessProgram second;
  second.ui.autosaveDir = folder;
  ASSERT_TRUE(second.form().OpenRomFile(lp.romPath, data));
  second.ui.runLaterTasks();
  ASSERT_EQ(second.ui.script.said.size(), 1u);
  EXPECT_EQ(second.ui.script.said[0].kind, headless::Script::Said::Message);
  EXPECT_EQ(second.ui.script.said[0].text,
            "\"001A8000.txt\" is open in another copy of the editor (process " + std::to_string(getpid()) +
                ") with text typed there and not saved yet. Whichever editor saves the file last replaces "
                "what the other saved: type in one of them only.");
  EXPECT_EQ(second.ui.TDMemo.text(), FileBytesToEditorText(kFileA));

  second.ui.TDMemo.setSelection(static_cast<int>(second.ui.TDMemo.text().find("Bonjour")), 0);
  second.ui.TDMemo.type("B ");
  second.ui.runLaterTasks();
  EXPECT_EQ(kept()->bytes, first);
  ASSERT_TRUE(FindKeptText(folder, file, 1));
  EXPECT_EQ(FindKeptText(folder, file, 1)->bytes, ".STRING 0\r\nB Bonjour\r\n.ENDS\r\n");
  EXPECT_TRUE(AutosavePathsOf(folder, file, 1).text.ends_with("-2.txt"));
  EXPECT_EQ(EditorsKeeping(folder, file).size(), 2u);
  EXPECT_TRUE(LeftKeptTexts(folder, file).empty());
  EXPECT_TRUE(FilesWithKeptText(folder, {file}).empty());

  lp.p.program.menuCommand(MenuId::SaveTextFile1);
  EXPECT_FALSE(kept());
  EXPECT_TRUE(FindKeptText(folder, file, 1));

  // The second one crashes: the next run is offered its text, and holds it from then on.
  second.program.autosave().Abandon();
  EXPECT_EQ(FilesWithKeptText(folder, {file}), std::vector<std::string>{file});
  headless::HeadlessProgram third;
  third.ui.autosaveDir = folder;
  third.ui.script.choiceAnswers.push_back(0);
  ASSERT_TRUE(third.form().OpenRomFile(lp.romPath, data));
  third.ui.runLaterTasks();
  EXPECT_EQ(third.ui.TDMemo.text(), FileBytesToEditorText(".STRING 0\r\nB Bonjour\r\n.ENDS\r\n"));
  EXPECT_TRUE(LeftKeptTexts(folder, file).empty());
  EXPECT_EQ(EditorsKeeping(folder, file).size(), 1u);
}

TEST_F(Autosaving, EachAnswerToTheOfferKeepsTheTextSomewhereOrDropsItOnTheUsersWord) {
  const std::string kept = kKept;
  struct Case {
    int answer;  // -1: the box closed
    bool restored, recoveryCopy;
  };
  for (const Case c :
       {Case{0, true, false}, Case{1, false, true}, Case{2, false, false}, Case{-1, false, true}}) {
    const std::unique_ptr<LoadedProgram> left = leftBehind(kept);
    LoadedProgram& run = *left;
    Offer(run, c.answer);
    ASSERT_EQ(run.p.ui.script.said.size(), c.recoveryCopy ? 2u : 1u) << c.answer;
    // The file changed since the edits began (its hash is not 42): the question says so.
    EXPECT_NE(run.p.ui.script.said[0].text.find("The file has changed since"), std::string::npos);
    EXPECT_EQ(run.editor().text(), FileBytesToEditorText(c.restored ? kept : kFileA)) << c.answer;
    EXPECT_EQ(run.editor().modified(), c.restored) << c.answer;
    if (c.restored) {
      EXPECT_EQ(run.editor().selStart(), 10);  // at "Kept", where the file differs
    }
    EXPECT_EQ(FindKeptText(folder, run.textFile(kA)).has_value(), c.restored) << c.answer;
    EXPECT_EQ(fs::exists(run.textFile(kA) + ".unsaved"), c.recoveryCopy) << c.answer;
    if (c.recoveryCopy) {
      EXPECT_EQ(ReadFileText(run.textFile(kA) + ".unsaved"), kept);
      EXPECT_EQ(run.p.ui.script.said[1].text,
                "The unsaved text was kept in \"" + run.textFile(kA) + ".unsaved\".");
    }
    EXPECT_EQ(ReadFileText(run.textFile(kA)), kFileA) << c.answer;  // the file is never written unasked
  }
}

// Keep as a Copy where only the temporary folder takes the copy: the left copy stays as well.
TEST_F(Autosaving, KeepingAsACopyInTheTemporaryFolderKeepsTheLeftCopyToo) {
  const std::unique_ptr<LoadedProgram> left = leftBehind(kKept);
  LoadedProgram& run = *left;
  TakeEveryCopyName(run);
  fs::create_directory(run.dir.path() / "tmp");
  test::ScopedTmpDir tmp(run.dir.file("tmp"));
  Offer(run, 1);
  const std::string copy = run.dir.file("tmp/001A8000.txt.unsaved");
  EXPECT_EQ(ReadFileText(copy), kKept);
  EXPECT_EQ(run.p.ui.script.said.back().text,
            "The unsaved text was kept in \"" + copy +
                "\". That is the system's temporary folder, which may be emptied when the computer starts "
                "again: move the copy somewhere safe.");
  ASSERT_TRUE(FindKeptText(folder, run.textFile(kA)));
  EXPECT_EQ(FindKeptText(folder, run.textFile(kA))->bytes, kKept);
}

// A left copy that could be set aside nowhere stays, and is not offered again; what is typed
// meanwhile is still kept, in a slot of its own.
TEST_F(Autosaving, ALeftCopyKeptNowhereStaysAndNewTypingIsStillKept) {
  const std::unique_ptr<LoadedProgram> left = leftBehind(kKept);
  LoadedProgram& run = *left;
  TakeEveryCopyName(run);  // no copy beside the file, and no temporary folder either
  test::ScopedTmpDir tmp(run.dir.write("not-a-folder", "x"));
  Offer(run, -1);
  const size_t said = run.p.ui.script.said.size();
  run.editor().setSelection(0, 0);
  run.editor().type("new ");
  run.p.ui.runLaterTasks();
  EXPECT_EQ(run.p.ui.script.said.size(), said);  // not offered again
  ASSERT_TRUE(FindKeptText(folder, run.textFile(kA), 0));
  EXPECT_EQ(FindKeptText(folder, run.textFile(kA), 0)->bytes, kKept);
  ASSERT_TRUE(FindKeptText(folder, run.textFile(kA), 1));
  EXPECT_EQ(FindKeptText(folder, run.textFile(kA), 1)->bytes, "new " + std::string(kFileA));
}

// The offer comes when a block is shown, never once typing has begun: a key meant for the Text
// Editor (Enter, Space) would answer it, and Restore would put the kept text in place of what is
// being typed. A copy found meanwhile stays where it is, for the next showing of its file.
TEST_F(Autosaving, NoOfferComesOnceTypingHasBegun) {
  const std::string left = kKept;
  const struct {
    const char* what;
    bool leftBeforeShowing;  // else left while the file is shown (another editor's, ended)
  } cases[] = {{"keys typed before the offer of the block just chosen", true},
               {"a copy left while the file is shown", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::unique_ptr<LoadedProgram> made = fresh();
    LoadedProgram& run = *made;
    const std::string &dir = folder, file = run.textFile(kA);
    std::string error;
    auto leave = [&] {
      ASSERT_TRUE(WriteKeptText(dir, file, left, {AutosaveKey(file), false, 0, 1}, &error));
    };
    if (c.leftBeforeShowing) leave();
    run.select(0);
    if (!c.leftBeforeShowing) {
      run.p.ui.runLaterTasks();
      leave();
    }
    run.p.ui.script.choiceAnswers = {0};  // a typed Enter on the default button
    run.editor().setSelection(0, 0);
    run.editor().type("typed ");
    run.p.ui.runLaterTasks();
    for (const auto& said : run.p.ui.script.said) EXPECT_NE(said.kind, headless::Script::Said::Choice);
    EXPECT_EQ(run.editor().text(), "typed " + FileBytesToEditorText(kFileA));
    ASSERT_TRUE(FindKeptText(dir, file, 0));
    EXPECT_EQ(FindKeptText(dir, file, 0)->bytes, left);
    ASSERT_TRUE(FindKeptText(dir, file, 1));
    EXPECT_EQ(FindKeptText(dir, file, 1)->bytes, "typed " + std::string(kFileA));

    // Saved, then shown again: now it is offered, and Enter keeps it in a recovery copy.
    run.p.program.menuCommand(MenuId::SaveTextFile1);
    run.select(1);
    run.p.ui.script.choiceAnswers = {headless::Script::kEnter};
    run.select(0);
    run.p.ui.runLaterTasks();
    EXPECT_EQ(run.p.ui.script.said.end()[-2].kind, headless::Script::Said::Choice);
    EXPECT_EQ(run.editor().text(), "typed " + FileBytesToEditorText(kFileA));
    EXPECT_EQ(ReadFileText(run.textFile(kA) + ".unsaved"), left);
    EXPECT_TRUE(LeftKeptTexts(dir, file).empty());
  }
}

// A copy whose note is missing cannot tell what the file held, and one typed where there was no
// file yet cannot have started from what the file holds now: the offer warns as for a change.
TEST_F(Autosaving, TheOfferWarnsWhenWhatTheFileHeldIsNotKnownOrWasNothing) {
  const struct {
    const char* name;
    std::optional<uint64_t> base;  // the hash the edits began from; 0: no file then
    bool noteLost;
    const char* warning;
  } cases[] = {
      {"note missing", 42, true,
       "What the file held when that text was typed is not known (its note is missing): it may have changed "
       "since, and restoring the text and saving it would replace that change."},
      {"no file then", 0, false,
       "The file did not exist when that text was typed and has been made since: restoring the text and "
       "saving it would replace what the file holds now."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::unique_ptr<LoadedProgram> left = leftBehind("other\r\n", c.base);
    LoadedProgram& run = *left;
    if (c.noteLost) fs::remove(AutosavePathsOf(folder, run.textFile(kA)).info);
    Offer(run, 2);
    ASSERT_FALSE(run.p.ui.script.said.empty());
    EXPECT_TRUE(run.p.ui.script.said[0].text.ends_with(c.warning)) << run.p.ui.script.said[0].text;
  }
}

// A lock that cannot be taken (a file system without locks) is said once; the copy is still kept.
TEST_F(Autosaving, AFolderWithoutLocksIsSaidOnceAndCopiesAreStillKept) {
  fs::create_directories(AutosavePathsOf(folder, lp.textFile(kA)).lock);  // no lock can be taken there
  lp.p.ui.script.said.clear();
  typeAndPause("one ");
  typeAndPause("two ");
  ASSERT_EQ(lp.p.ui.script.said.size(), 1u);
  EXPECT_EQ(
      lp.p.ui.script.said[0].text,
      "The autosave folder \"" + folder +
          "\" takes no lock here, so another copy of the editor cannot tell which unsaved copies are this "
          "one's. Type in one copy of the editor only, and save often.");
  ASSERT_TRUE(kept());
  EXPECT_EQ(kept()->bytes, ".STRING 0\r\none two Bonjour\r\n.ENDS\r\n");
}

TEST_F(Autosaving, ACopyThatHoldsTheFileAsItIsGoesUnasked) {
  const std::unique_ptr<LoadedProgram> left = leftBehind(kFileA, std::nullopt);
  LoadedProgram& run = *left;
  run.select(0);
  run.p.ui.runLaterTasks();
  EXPECT_TRUE(run.p.ui.script.said.empty());
  EXPECT_FALSE(FindKeptText(folder, run.textFile(kA)));
}

TEST_F(Autosaving, AFolderThatCannotBeWrittenIsReportedOnce) {
  lp.dir.write("state/blocked", "a file where the folder would be");
  lp.p.ui.autosaveDir = lp.dir.file("state/blocked/autosave");
  typeAndPause("one ");
  typeAndPause("two ");
  ASSERT_EQ(lp.p.ui.script.said.size(), 1u);
  EXPECT_TRUE(lp.p.ui.script.said[0].text.starts_with(
      "Error: Could not keep a copy of the unsaved text in \"" + lp.p.ui.autosaveDir + "\""))
      << lp.p.ui.script.said[0].text;
  EXPECT_TRUE(lp.editor().modified());
}

TEST_F(Autosaving, NoFolderMeansNoCopiesAndNoWaits) {
  lp.p.ui.autosaveDir.clear();
  lp.p.ui.runLaterTasks();
  lp.editor().type("x");
  EXPECT_EQ(lp.p.ui.runLaterTasks(), 1);  // the other strings' states only
  EXPECT_FALSE(fs::exists(folder));
}

}  // namespace
}  // namespace ts2
