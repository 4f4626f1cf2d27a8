// Files as other programs leave them: saves through symbolic links, files changed or deleted by
// another program while the editor has them open, and a folder that takes no new file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>

#include "core/filestamp.h"
#include "core/fileutil.h"
#include "support/loaded_program.h"

namespace ts2 {
namespace {

namespace fs = std::filesystem;
using test::LoadedProgram;
using test::ReadFileBytes;
using test::ReadFileText;
using Lines = std::vector<std::string>;

constexpr uint32_t kA = 0x1A8000;

bool Said(const LoadedProgram& lp, const std::string& text) {
  const Lines said = lp.p.ui.messages();
  return std::find(said.begin(), said.end(), text) != said.end();
}

// How another program changes a file: with a modification time of its own, or keeping the old one
// (a tool that keeps times, a file system whose clock ticks in seconds), in place or by writing a
// new file and renaming it over the old.
enum class Change { NewTime, SameTimeInPlace, SameTimeByRename };

// Replaces a file's bytes as another program would.
void WriteAsAnotherProgram(const std::string& path, const std::string& bytes, Change how = Change::NewTime) {
  const auto stamp = fs::last_write_time(path);
  const std::string written = how == Change::SameTimeByRename ? path + ".theirs" : path;
  std::ofstream(written, std::ios::binary | std::ios::trunc) << bytes;
  fs::last_write_time(written, how == Change::NewTime ? stamp + std::chrono::seconds(5) : stamp);
  if (written != path) fs::rename(written, path);
}

// Block A shown: its translation file and the ROM image, either of which a test leaves unsaved.
struct Shown : LoadedProgram {
  Shown() : LoadedProgram({{kA, 1}}) { select(0); }
  std::string path(bool rom) { return rom ? form().gROMPath : form().gTextPath; }
  // Leaves unsaved work in the image, or typed at the end of the Text Editor's text; returns the
  // bytes a save writes for it.
  std::vector<uint8_t> change(bool rom, const std::string& typed = "mine\n") {
    if (rom) {
      form().gROM[0x20] = 0x5A;
      form().gROMModified = 1;
      return image();
    }
    editor().setSelection(editor().textLength(), 0);
    editor().type(typed);
    const std::string bytes = EditorTextToFileBytes(editor().text());
    return {bytes.begin(), bytes.end()};
  }
  bool unsaved(bool rom) { return rom ? form().gROMModified != 0 : editor().modified(); }
  // What is loaded: the image's bytes, or the Text Editor's text, and what it is for `bytes` read.
  std::string held(bool rom) {
    const std::vector<uint8_t> bytes = image();
    return rom ? std::string(bytes.begin(), bytes.end()) : editor().text();
  }
  static std::string Loaded(bool rom, const std::string& bytes) {
    return rom ? bytes : FileBytesToEditorText(bytes);
  }
  void save(bool rom) { form().RunMenuCommand(rom ? MenuId::SaveRomFile1 : MenuId::SaveTextFile1); }
};

// A folder in which nothing can be created, removed or renamed (its files can still be written),
// or a file that cannot be written, for every user: the immutable flag binds a privileged user,
// where permission bits would not. Cleared again on destruction.
class ImmutableFolder {
 public:
  explicit ImmutableFolder(const fs::path& dir) : fd_(::open(dir.c_str(), O_RDONLY)) {
    int flags = 0;
    ok_ = fd_ >= 0 && ::ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0 &&
          (flags |= FS_IMMUTABLE_FL, ::ioctl(fd_, FS_IOC_SETFLAGS, &flags) == 0);
    if (!ok_ && fd_ >= 0 && ::geteuid() != 0) ok_ = ::chmod(dir.c_str(), 0555) == 0;  // binds others
  }
  ~ImmutableFolder() {
    int flags = 0;
    if (fd_ >= 0 && ::ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0) {
      flags &= ~FS_IMMUTABLE_FL;
      ::ioctl(fd_, FS_IOC_SETFLAGS, &flags);
    }
    if (fd_ >= 0) ::close(fd_);
  }
  bool ok() const { return ok_; }

 private:
  int fd_;
  bool ok_ = false;
};

// Saving a translation file or the ROM whose path is a link writes the file the link finally
// names, in that file's folder with its permission bits, and leaves the link as it was.
// A file that is there but cannot be read must never pass for a missing one: a command would
// write a new file over what it holds.
TEST(ReadErrorOf, TellsAFileThatCannotBeReadFromOneThatIsNotThere) {
  const test::TempDir dir;
  dir.write("plain.txt", "text");
  dir.write("empty.txt", "");
  fs::create_directory(dir.path() / "folder.txt");
  ASSERT_EQ(::mkfifo(dir.file("fifo.txt").c_str(), 0600), 0);  // no writer: must not wait for one
  fs::create_symlink(dir.path() / "gone.txt", dir.path() / "dangling.txt");
  const struct {
    const char* name;
    const char* why;
  } cases[] = {
      {"plain.txt", ""},
      {"empty.txt", ""},
      {"missing.txt", ""},
      {"nofolder/x.txt", ""},
      {"plain.txt/x.txt", ""},  // a file where a folder should be: nothing there
                                // either
      {"dangling.txt", ""},
      {"fifo.txt", ""},
      {"folder.txt", "Is a directory"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadErrorOf(dir.file(c.name)), c.why) << c.name;

  // Permissions hold for everyone but the superuser.
  if (::geteuid() != 0) {
    dir.write("locked.txt", "secret");
    fs::permissions(dir.path() / "locked.txt", fs::perms::none);
    EXPECT_EQ(ReadErrorOf(dir.file("locked.txt")), "Permission denied");
  }
}

// Names given on the command line or kept in Recent Files name the file the system opens for them,
// whatever links they pass: p1/sub links to p2/deep, so p1/sub/.. is p2.
TEST(FileNames, ADotDotIsTakenAsTheSystemTakesItAndBytesStay) {
  test::TempDir dir;
  fs::create_directories(dir.path() / "p2/deep");
  fs::create_directories(dir.path() / "p1");
  fs::create_symlink(dir.path() / "p2/deep", dir.path() / "p1/sub");
  const std::string root = fs::canonical(dir.path()).string();
  const std::string latin1 = "caf\xe9";  // not UTF-8
  fs::create_directories(dir.path() / latin1);
  const struct {
    std::string given, clean;
  } cases[] = {
      {root + "/p1/./a//b.sfc", root + "/p1/a/b.sfc"},
      {"p1/./b.sfc", "p1/b.sfc"},
      {root + "/p1/sub/../demo.sfc", root + "/p2/demo.sfc"},
      {root + "/p1/sub/..", root + "/p2"},
      {root + "/p1/sub/../" + latin1 + "/../" + latin1 + "/r\xe9.sfc", root + "/p2/" + latin1 + "/r\xe9.sfc"},
      {root + "/" + latin1 + "/../" + latin1 + "/r\xe9.sfc", root + "/" + latin1 + "/r\xe9.sfc"},
      {"/no such folder/./a/../r1.sfc", "/no such folder/r1.sfc"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(CleanFileName(c.given), c.clean) << c.given;

  test::ScopedCwd cwd(dir.path() / "p1/sub");
  EXPECT_EQ(AbsoluteFileName("demo.sfc"), root + "/p2/deep/demo.sfc");
  EXPECT_EQ(AbsoluteFileName("../demo.sfc"), root + "/p2/demo.sfc");
  EXPECT_EQ(AbsoluteFileName("/x/./y.sfc"), "/x/y.sfc");
}

TEST(SaveThroughLinks, TheLinkedFileIsWrittenAndTheLinkStays) {
  enum Shape { ToAnotherFolder, Chain, Relative, Dangling };
  for (Shape shape : {ToAnotherFolder, Chain, Relative, Dangling}) {
    for (bool rom : {false, true}) {
      SCOPED_TRACE(testing::Message() << "shape " << shape << (rom ? " ROM" : " text"));
      Shown lp;
      const std::string link = lp.path(rom);
      const fs::path repo = lp.dir.path() / "repo";
      fs::create_directory(repo);
      const fs::path target = repo / (rom ? "game.sfc" : "001A8000.txt");
      fs::rename(link, target);
      fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
      if (shape == Chain) fs::create_symlink(target, repo / "middle");
      fs::create_symlink(shape == Chain      ? repo / "middle"
                         : shape == Relative ? fs::relative(target, fs::path(link).parent_path())
                                             : target,
                         link);
      const std::vector<uint8_t> before = ReadFileBytes(target.string());
      if (shape == Dangling) fs::rename(target, repo / "moved");
      lp.p.ui.script.said.clear();
      const std::vector<uint8_t> expected = lp.change(rom, "linked\n");
      lp.save(rom);
      EXPECT_TRUE(fs::is_symlink(link));
      if (shape == Dangling) {
        // Nothing is written anywhere, the work stays unsaved in memory, and the message says why.
        EXPECT_FALSE(fs::exists(target));
        EXPECT_EQ(ReadFileBytes((repo / "moved").string()), before);
        EXPECT_NE(lp.p.ui.lastMessage().find("is a link to a file that does not exist"), std::string::npos)
            << lp.p.ui.lastMessage();
        EXPECT_TRUE(lp.unsaved(rom));
        continue;
      }
      EXPECT_EQ(ReadFileBytes(target.string()), expected);
      EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
                fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
      EXPECT_FALSE(fs::exists(target.string() + ".tmp~"));
      EXPECT_EQ(lp.p.ui.lastMessage(),
                rom ? "ROM File saved successfully!" : "\"001A8000.txt\" was saved successfully!");
    }
  }
}

// A copy of work that could not be saved goes beside the file a link names, or, when that folder
// takes no new file, to the temporary folder.
TEST(SaveThroughLinks, RecoveryCopiesFollowTheLink) {
  for (bool folderTakesNothing : {false, true}) {
    SCOPED_TRACE(folderTakesNothing ? "the linked file's folder takes no file" : "the save itself fails");
    Shown lp;
    test::TempDir temp;
    test::ScopedTmpDir tmpdir(temp.file(""));
    const std::string link = lp.form().gTextPath;
    const fs::path repo = lp.dir.path() / "repo";
    fs::create_directory(repo);
    fs::rename(link, repo / "001A8000.txt");
    fs::create_symlink(repo / "001A8000.txt", link);
    const std::vector<uint8_t> text = lp.change(false);
    std::optional<ImmutableFolder> frozen, frozenFile;
    if (folderTakesNothing) {
      frozen.emplace(repo);
      frozenFile.emplace(repo / "001A8000.txt");  // else it is written in place
      if (!frozen->ok() || !frozenFile->ok()) GTEST_SKIP() << "no way to make a folder refuse new files here";
    } else {
      fs::create_directory(repo / "001A8000.txt.tmp~");  // the save's temporary file cannot be made
    }
    lp.p.ui.script.questionAnswers = {true};
    lp.form().RunMenuCommand(MenuId::Exit1);
    const std::string copy =
        folderTakesNothing ? temp.file("001A8000.txt.unsaved") : (repo / "001A8000.txt.unsaved").string();
    frozen.reset();
    frozenFile.reset();
    EXPECT_EQ(ReadFileBytes(copy), text);
    EXPECT_TRUE(Said(lp, "The text could not be saved, so it was kept in \"" + copy + "\"." +
                             (folderTakesNothing ? test::kTemporaryFolder : "")));
    EXPECT_TRUE(fs::is_symlink(link));
  }
}

// A folder that takes no new file while its files may be written (a team's shared folder, owned by
// another user): saves write the file in place, as a plain save would, and a write that fails
// part-way puts the old bytes back.
TEST(SaveInPlace, AFolderThatTakesNoNewFileHasItsFilesWrittenWhereTheyAre) {
  Shown lp;
  const std::vector<uint8_t> written[] = {lp.change(false), lp.change(true)};
  const std::vector<fs::path> before = {fs::directory_iterator(lp.dir.path()), fs::directory_iterator()};
  {
    ImmutableFolder frozen(lp.dir.path()), frozenDumps(lp.form().gDumpDir);
    if (!frozen.ok() || !frozenDumps.ok()) GTEST_SKIP() << "no way to make a folder refuse new files here";
    for (bool rom : {false, true}) {
      lp.save(rom);
      EXPECT_EQ(ReadFileBytes(lp.path(rom)), written[rom]) << rom;
      EXPECT_FALSE(lp.unsaved(rom)) << rom;
    }
  }
  EXPECT_EQ((std::vector<fs::path>{fs::directory_iterator(lp.dir.path()), fs::directory_iterator()}), before);
}

// Writes `bytes` to `path` with files limited to `limit` bytes (the write fails past it).
bool WriteUnderLimit(const std::string& path, const std::string& bytes, rlim_t limit, std::string& error) {
  struct rlimit was;
  if (::getrlimit(RLIMIT_FSIZE, &was) != 0) return false;
  struct rlimit small = was;
  small.rlim_cur = limit;
  const auto handler = std::signal(SIGXFSZ, SIG_IGN);
  ::setrlimit(RLIMIT_FSIZE, &small);
  const bool written = WriteFileAtomic(path, bytes.data(), bytes.size(), &error);
  ::setrlimit(RLIMIT_FSIZE, &was);
  std::signal(SIGXFSZ, handler);
  return written;
}

// In place, a write that fails part-way puts the old bytes back, or says the file is damaged and
// where its old bytes went; a temporary file another save left, which the folder no longer lets
// go, does not stop the save.
TEST(SaveInPlace, AFailedWriteIsUndoneOrTold) {
  test::TempDir dir;
  const std::string small = dir.write("small.txt", "old"),
                    large = dir.write("large.txt", std::string(30000, 'o'));
  const std::string left = dir.write("left.txt", "old");
  dir.write("left.txt.tmp~", "a save's leftover");
  test::TempDir temp;
  test::ScopedTmpDir tmpdir(temp.file(""));
  ImmutableFolder frozen(dir.path());
  if (!frozen.ok()) GTEST_SKIP() << "no way to make a folder refuse new files here";
  const std::string bigger(40000, 'x');
  const struct {
    std::string path;
    bool written;
    std::string error;  // after "cannot write PATH in place (its folder lets no file be replaced): "
    std::string after;
  } cases[] = {
      {small, false, "File too large", "old"},
      // The old bytes pass the limit too: neither put back nor copied.
      {large, false, "File too large; " + large + " is damaged: its old bytes could not be put back",
       std::string(30000, 'o')},
      {left, true, "", bigger},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    std::string error;
    EXPECT_EQ(WriteUnderLimit(c.path, bigger, c.written ? RLIM_INFINITY : 20000, error), c.written);
    EXPECT_EQ(error, c.written ? ""
                               : "cannot write " + c.path +
                                     " in place (its folder lets no file be replaced): " + c.error);
    EXPECT_EQ(LeftAsItWas(error), c.path != large);
    EXPECT_EQ(ReadFileText(c.path), c.after);
  }
}

// Yes at close to keeping what can be neither saved nor copied anywhere (neither the file nor its
// folder can be written, there is no temporary folder, no autosaved copy of it): the window stays open with
// all of it, rather than the program's end dropping it. Closed again, a Yes that can save closes; a No closes
// without it.
TEST(Close, StaysOpenRatherThanDropWhatCannotBeKept) {
  for (bool rom : {false, true}) {
    for (bool saveLater : {true, false}) {
      const std::string what = rom ? "changed ROM image" : "unsaved text";
      SCOPED_TRACE(what + (saveLater ? ", saved later" : ", dropped later"));
      Shown lp;
      TmyForm& f = lp.form();
      test::TempDir temp;
      test::ScopedTmpDir tmpdir(temp.file("missing"));
      const std::string path = lp.path(rom), before = ReadFileText(path);
      const std::vector<uint8_t> mine = lp.change(rom, "kept line\n");
      {
        ImmutableFolder frozen(rom ? lp.dir.path() : fs::path(f.gDumpDir)), frozenFile(path);
        if (!frozen.ok() || !frozenFile.ok()) GTEST_SKIP() << "no way to make a folder refuse new files here";
        lp.p.ui.script.questionAnswers = {true};
        f.RunMenuCommand(MenuId::Exit1);
        EXPECT_FALSE(f.closed);
        EXPECT_FALSE(lp.p.ui.win(FormId::myForm).closed);
        EXPECT_TRUE(
            Said(lp, "The editor stays open, so that the " + what +
                         " is not lost. Make room on the disk and save it, then close again; or close "
                         "again and answer No to close without it."));
        EXPECT_EQ(ReadFileText(path), before);
        EXPECT_NE(f.gROM, nullptr);
        EXPECT_TRUE(lp.unsaved(rom));
      }
      lp.p.ui.script.questionAnswers = {saveLater};
      f.RunMenuCommand(MenuId::Exit1);
      EXPECT_TRUE(f.closed);
      EXPECT_TRUE(lp.p.ui.win(FormId::myForm).closed);
      EXPECT_EQ(ReadFileText(path), saveLater ? std::string(mine.begin(), mine.end()) : before);
    }
  }
}

// Two programs saving one file at the same moment (two editors, or the editor and a batch run of
// ts2tool writing its ROM): every save succeeds and the file is always one of them whole, never
// a mix of both or a cut one. Also in a folder that takes no new file, where the saves write the
// file in place: there a read may see a save under way, but the saves still take turns on the
// file and it ends one of them whole.
TEST(SaveRace, TwoSavesOfOneFileAtOnceLeaveOneWholeFile) {
  for (const bool inPlace : {false, true}) {
    SCOPED_TRACE(inPlace ? "written in place" : "replaced");
    test::TempDir dir;
    const std::string path = dir.write("rom.sfc", std::string(1000, 'o'));
    if (inPlace) {
      // Saved by another user, who may write the file but neither add files to its folder nor read
      // the folder (so the folder's lock cannot be taken either).
      if (::geteuid() != 0) continue;  // only the superuser can save as another user here
      fs::permissions(dir.path(), fs::perms(0711));
      fs::permissions(path, fs::perms(0666));
    }
    const std::string payloads[] = {std::string(300000, 'a'), std::string(200000, 'b')};
    constexpr int kSaves = 60;
    pid_t writers[2];
    for (int w = 0; w < 2; ++w) {
      writers[w] = ::fork();
      if (writers[w] == 0) {
        if (inPlace && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(101);
        int failed = 0;
        for (int i = 0; i < kSaves; ++i)
          if (!WriteFileAtomic(path, payloads[w].data(), payloads[w].size())) ++failed;
        ::_exit(std::min(failed, 100));
      }
    }
    int mixed = 0, gaps = 0, reads = 0, done = 0;
    int status[2] = {};
    while (done < 2) {
      const std::string now = ReadFileText(path);
      ++reads;
      if (now != std::string(1000, 'o') && now != payloads[0] && now != payloads[1]) ++mixed;
      // Zeros come only from one save's end set while another was writing: never with turns.
      if (now.find('\0') != std::string::npos) ++gaps;
      for (int w = 0; w < 2; ++w)
        if (writers[w] > 0 && ::waitpid(writers[w], &status[w], WNOHANG) == writers[w]) {
          writers[w] = 0;
          ++done;
        }
    }
    for (int w = 0; w < 2; ++w) {
      ASSERT_TRUE(WIFEXITED(status[w]));
      EXPECT_EQ(WEXITSTATUS(status[w]), 0) << "saves that failed, writer " << w;
    }
    EXPECT_TRUE(inPlace || mixed == 0) << mixed << " mixed of " << reads << " reads";
    EXPECT_EQ(gaps, 0) << "of " << reads << " reads";
    const std::string last = ReadFileText(path);
    EXPECT_TRUE(last == payloads[0] || last == payloads[1]) << last.size() << " bytes";
    EXPECT_FALSE(fs::exists(path + ".tmp~") && fs::file_size(path + ".tmp~") > 0);
  }
}

// A name the save writes under first, taken by another program's file: the save does not write
// into that file, and still replaces its own.
TEST(SaveRace, AFileAtTheTemporaryNameIsNotWrittenThrough) {
  for (const bool hardLink : {false, true}) {
    SCOPED_TRACE(hardLink ? "a second name of another file" : "a symbolic link to another file");
    test::TempDir dir;
    const std::string path = dir.write("000A0000.txt", "old"), other = dir.write("notes.txt", "theirs");
    const std::string temp = path + ".tmp~";
    if (hardLink) {
      fs::create_hard_link(other, temp);
    } else {
      fs::create_symlink(other, temp);
    }
    std::string error;
    EXPECT_TRUE(WriteFileAtomic(path, "mine", 4, &error)) << error;
    EXPECT_EQ(ReadFileText(path), "mine");
    EXPECT_EQ(ReadFileText(other), "theirs");
    EXPECT_FALSE(fs::exists(fs::symlink_status(temp)));
  }
}

// Another program changed the file since the editor read it: the save asks, and each answer does
// what it says. The same question comes when the editor is activated again, once per change.
TEST(ChangedOnDisk, TheSaveAsksOverwriteReloadOrCancel) {
  enum Answer { Overwrite, Reload, Cancel, Closed = -1 };
  for (bool rom : {false, true}) {
    for (Answer answer : {Overwrite, Reload, Cancel, Closed}) {
      for (bool byActivation : {false, true}) {
        for (Change how : {Change::NewTime, Change::SameTimeInPlace, Change::SameTimeByRename}) {
          SCOPED_TRACE(testing::Message() << (rom ? "ROM " : "text ") << "answer " << answer
                                          << (byActivation ? " on activation" : " at the save") << ", change "
                                          << static_cast<int>(how));
          Shown lp;
          const std::string path = lp.path(rom);
          std::string theirs = ReadFileText(path);
          theirs[rom ? 0x30 : 0] = '#';
          const std::vector<uint8_t> mine = lp.change(rom);
          WriteAsAnotherProgram(path, theirs, how);
          lp.p.ui.script.said.clear();
          lp.p.ui.script.choiceAnswers = {answer};
          lp.p.ui.script.questionAnswers = {false};  // Reload: drop the unsaved work
          if (byActivation) {
            lp.p.program.applicationActivated();
          } else {
            lp.save(rom);
          }
          ASSERT_FALSE(lp.p.ui.script.said.empty());
          const auto& asked = lp.p.ui.script.said.front();
          EXPECT_EQ(asked.caption, "File Changed...");
          EXPECT_EQ(asked.text, ChangedOnDiskQuestion(path));
          EXPECT_EQ(ReadFileText(path), answer == Overwrite ? std::string(mine.begin(), mine.end()) : theirs);
          EXPECT_EQ(lp.unsaved(rom), answer == Cancel || answer == Closed);
          if (answer == Reload) {
            EXPECT_EQ(lp.p.ui.script.said.at(1).text,
                      rom ? "ROM data modified. Do you wish to save changes?"
                          : "Current data not saved. Do you wish to save it?");
            EXPECT_EQ(lp.held(rom), Shown::Loaded(rom, theirs));
          } else if (answer != Overwrite && byActivation) {  // asked once per change; a save asks again
            const size_t said = lp.p.ui.script.said.size();
            lp.p.program.applicationActivated();
            EXPECT_EQ(lp.p.ui.script.said.size(), said);
            lp.save(rom);
            EXPECT_EQ(lp.p.ui.script.said.at(said).text, ChangedOnDiskQuestion(path));
          }
        }
      }
    }
  }
}

// With nothing unsaved, another program's change is shown unasked when the editor comes back to
// the front: there is nothing of the editor's to keep, and Overwrite would write the old bytes back.
TEST(ChangedOnDisk, AFileWithNothingUnsavedIsReloadedUnasked) {
  for (bool rom : {false, true}) {
    SCOPED_TRACE(rom ? "ROM" : "text");
    Shown lp;
    const std::string path = lp.path(rom);
    std::string theirs = ReadFileText(path);
    theirs[rom ? 0x30 : 0] = '#';
    WriteAsAnotherProgram(path, theirs);
    lp.p.ui.script.said.clear();
    lp.p.ui.script.choiceAnswers = {0};  // what Enter would have chosen: Overwrite
    lp.p.program.applicationActivated();
    EXPECT_TRUE(lp.p.ui.script.said.empty()) << lp.p.ui.script.said.front().text;
    EXPECT_EQ(ReadFileText(path), theirs);
    EXPECT_EQ(lp.held(rom), Shown::Loaded(rom, theirs));
    EXPECT_FALSE(lp.unsaved(rom));
  }
}

// Only other bytes count as a change; a file deleted meanwhile is saved again with a word about it.
TEST(ChangedOnDisk, SameBytesAskNothingAndADeletedFileIsWrittenAgain) {
  for (bool rom : {false, true}) {
    SCOPED_TRACE(rom ? "ROM" : "text");
    Shown lp;
    const std::string path = lp.path(rom);
    WriteAsAnotherProgram(path, ReadFileText(path));  // rewritten, or touched, with the same bytes
    lp.p.program.applicationActivated();
    lp.save(rom);
    EXPECT_EQ(lp.p.ui.messages().size(), 1u);  // only the save's own message
    fs::remove(path);
    lp.p.program.applicationActivated();  // nothing to ask about yet
    lp.p.ui.script.said.clear();
    lp.save(rom);
    const std::string name = ExtractFileName(path);
    EXPECT_EQ(
        lp.p.ui.messages(),
        (Lines{"\"" + name +
                   "\" had been deleted or moved by another program; it was written again as a new file.",
               rom ? "ROM File saved successfully!" : "\"" + name + "\" was saved successfully!"}));
    EXPECT_TRUE(fs::is_regular_file(path));
  }
}

// A stamp is the file as it was read or written, taken from the file itself: another program's
// write just after it (before a separate look at the name could be made) is a change, while the
// save's own file is as stamped, without its bytes being read again.
TEST(ChangedOnDisk, AWriteJustAfterTheReadOrTheSaveIsAChange) {
  const test::TempDir dir;
  const std::string path = dir.write("000A0000.txt", ".STRING 0\r\nmine\r\n.ENDS\r\n");
  const std::string theirs = ".STRING 0\r\nyour\r\n.ENDS\r\n";  // the same size
  for (Change how : {Change::NewTime, Change::SameTimeInPlace, Change::SameTimeByRename}) {
    SCOPED_TRACE(static_cast<int>(how));
    const std::string mine = ".STRING 0\r\nmine\r\n.ENDS\r\n";
    FileIdentity written;
    ASSERT_TRUE(WriteFileAtomic(path, mine.data(), mine.size(), nullptr, &written));
    const FileStamp saved = StampOf(written, mine);
    FileStamp now;
    EXPECT_EQ(CheckOnDisk(path, saved, &now), DiskState::Unchanged);
    EXPECT_EQ(now.ctimeNs, saved.ctimeNs);  // the save's own change time: nothing to read again
    FileIdentity seen;
    const std::optional<std::vector<uint8_t>> read = ReadWholeFile(path, &seen);
    ASSERT_TRUE(read);
    WriteAsAnotherProgram(path, theirs, how);
    EXPECT_EQ(CheckOnDisk(path, StampOf(seen, *read)), DiskState::Changed);
    EXPECT_EQ(CheckOnDisk(path, saved), DiskState::Changed);
    // The same bytes written back, a link made, the bits changed: unchanged.
    WriteAsAnotherProgram(path, mine, how);
    ::chmod(path.c_str(), 0640);
    fs::create_hard_link(path, path + ".link");
    EXPECT_EQ(CheckOnDisk(path, StampOf(seen, *read)), DiskState::Unchanged);
    fs::remove(path + ".link");
  }
}

// A file this user may not write to is not replaced; one that is replaced keeps its owner and
// group where the system lets it. Run as root: root may give files away, and a process that
// takes another user's identity stands for a teammate.
TEST(SaveThroughLinks, AFileIsNotTakenFromItsOwner) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to own files as other users";
  const test::TempDir dir;
  fs::permissions(dir.path(), fs::perms::all);  // a folder the team shares for writing
  constexpr uid_t kOther = 65534;
  const std::string path = dir.write("000A0000.txt", "theirs");
  ASSERT_EQ(::chown(path.c_str(), kOther, kOther), 0);
  ::chmod(path.c_str(), 0644);
  // As root: written, the owner and group kept.
  ASSERT_TRUE(WriteFileAtomic(path, "root's", 6));
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, kOther);
  EXPECT_EQ(st.st_gid, kOther);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
  // As another user, who may create files in the folder but not write this one: refused.
  ASSERT_EQ(::chown(path.c_str(), 0, 0), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setgid(kOther) != 0 || ::setuid(kOther) != 0) ::_exit(2);
    std::string error;
    const bool saved = WriteFileAtomic(path, "mine!!", 6, &error);
    ::_exit(!saved && error.find("read-only") != std::string::npos && IsWriteProtected(path) ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(ReadFileText(path), "root's");
}

// A name as long as the folder takes (a Japanese title of some 80 characters) still has a
// temporary file and a recovery copy beside it: the names beside it are cut short, and two long
// names sharing their start do not share them.
TEST(SaveThroughLinks, AFileWithTheLongestNameIsSavedAndCopied) {
  const test::TempDir dir;
  std::string name;
  while (name.size() + 3 <= 251) name += "\xE3\x83\x88";  // a katakana letter, 3 bytes
  for (const std::string& ending : {std::string(".sfc"), std::string("x.sfc")}) {
    const std::string path = dir.write(name + ending, "old");
    std::string error;
    EXPECT_TRUE(WriteFileAtomic(path, "new", 3, &error)) << error;
    EXPECT_EQ(ReadFileText(path), "new");
    const std::optional<std::string> copy = WriteRecoveryCopy(path, "kept", 4);
    ASSERT_TRUE(copy);
    EXPECT_EQ(ReadFileText(*copy), "kept");
    EXPECT_TRUE(copy->ends_with(".unsaved")) << *copy;
  }
  // Every file of the folder: the two files and their two copies, nothing left over.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 4);
  EXPECT_EQ(NameBeside("/a/b.txt", ".tmp~"), "/a/b.txt.tmp~");  // short names as they were
}

// A recovery copy is as private as the file whose bytes it keeps, whatever the user's umask.
TEST(SaveThroughLinks, ARecoveryCopyHasItsFilesPermissions) {
  const test::TempDir dir;
  for (const mode_t mode : {0600u, 0640u, 0664u}) {
    SCOPED_TRACE(mode);
    const std::string path = dir.write("f" + std::to_string(mode) + ".txt", "text");
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    const std::optional<std::string> copy = WriteRecoveryCopy(path, "kept", 4);
    ASSERT_TRUE(copy);
    struct stat st;
    ASSERT_EQ(::stat(copy->c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, mode);
  }
}

// A reload after another program's change: unsaved work the user wants kept goes to a copy beside
// the file first, and a file that can no longer be read, or is no longer the game, replaces
// nothing: the image or the text, and its unsaved state, stay as they were.
TEST(ChangedOnDisk, AReloadKeepsWhatItCannotReplace) {
  enum Theirs { Edited, Retitled, AFolder };
  const struct {
    const char* name;
    bool rom;
    bool keep;  // the answer to "save changes?" before the reload
    Theirs theirs;
    std::string error;  // the start of the message that says why nothing was replaced; text: all of it
  } cases[] = {
      {"kept in a copy, then reloaded", true, true, Edited, ""},
      {"dropped, then reloaded", true, false, Edited, ""},
      {"no longer a file", true, false, AFolder, "Error: Could not read the ROM file again ("},
      {"no longer the game", true, false, Retitled, "Error: This is not the ROM used."},
      {"kept in a copy, not the game", true, true, Retitled, "Error: This is not the ROM used."},
      {"text kept in a copy, then reloaded", false, true, Edited, ""},
      {"text dropped, then reloaded", false, false, Edited, ""},
      {"text no longer a file", false, false, AFolder, "Error: Could not read \""},
      {"text kept, no longer a file", false, true, AFolder, "Error: Could not read \""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Shown lp;
    TmyForm& f = lp.form();
    const std::string path = lp.path(c.rom), copy = path + ".unsaved";
    std::string theirs = ReadFileText(path);
    const std::vector<uint8_t> mine = lp.change(c.rom);
    const std::string held = lp.held(c.rom);
    if (c.theirs == AFolder) {
      fs::remove(path);
      fs::create_directory(path);
    } else {
      const size_t title = theirs.find("TORMEL SARAGON2");
      ASSERT_TRUE(c.theirs == Edited || title != std::string::npos);
      theirs[c.theirs == Retitled ? title : c.rom ? 0x30 : 0] = c.theirs == Retitled ? 'X' : '#';
      WriteAsAnotherProgram(path, theirs);
    }
    lp.p.ui.script.said.clear();
    lp.p.ui.script.choiceAnswers = {1};  // Reload
    lp.p.ui.script.questionAnswers = {c.keep};
    lp.save(c.rom);

    const Lines said = lp.p.ui.messages();
    if (c.keep) {
      EXPECT_TRUE(
          Said(lp, std::string(c.rom ? "The ROM image" : "The text") + " was kept in \"" + copy + "\"."));
      EXPECT_EQ(ReadFileBytes(copy), mine);
    } else {
      EXPECT_FALSE(fs::exists(copy));
    }
    if (c.error.empty()) {
      EXPECT_EQ(lp.held(c.rom), Shown::Loaded(c.rom, theirs));
      EXPECT_FALSE(lp.unsaved(c.rom));
      EXPECT_TRUE(std::none_of(said.begin(), said.end(),
                               [](const std::string& m) { return m.rfind("Error", 0) == 0; }));
      continue;
    }
    EXPECT_EQ(lp.held(c.rom), held);
    EXPECT_TRUE(lp.unsaved(c.rom));
    ASSERT_FALSE(said.empty());
    if (c.rom) {
      EXPECT_EQ(said.back().rfind(c.error, 0), 0u) << said.back();
    } else {
      EXPECT_TRUE(Said(lp, c.error + path + "\". The Text Editor keeps its text."));
    }
    EXPECT_FALSE(f.closed);
    // The next save asks again, and Overwrite writes what was kept.
    if (fs::is_regular_file(path)) {
      const size_t asked = lp.p.ui.script.said.size();
      lp.p.ui.script.choiceAnswers = {0};
      lp.save(c.rom);
      ASSERT_GT(lp.p.ui.script.said.size(), asked);
      EXPECT_EQ(lp.p.ui.script.said.at(asked).text, ChangedOnDiskQuestion(path));
      EXPECT_EQ(ReadFileBytes(path), mine);
    }
  }
}

// Another program holding a folder's lock (flock(1), as a team's script would take it) until it
// is told to let go.
struct OtherHolder {
  explicit OtherHolder(const std::string& folder) {
    int ready[2], go[2];
    if (::pipe(ready) != 0 || ::pipe(go) != 0) return;
    pid = ::fork();
    if (pid == 0) {
      ::dup2(go[0], 0);
      ::dup2(ready[1], 1);
      ::execlp("flock", "flock", "-n", folder.c_str(), "-c", "echo held; read line", nullptr);
      ::_exit(127);
    }
    ::close(ready[1]);
    ::close(go[0]);
    char said[5] = {};
    tookIt = ::read(ready[0], said, 4) == 4 && std::string_view(said, 4) == "held";
    ::close(ready[0]);
    release = go[1];
    if (!tookIt) letGo();  // it has ended already: nothing reads the pipe
  }
  void letGo() {
    if (release < 0) return;
    if (tookIt) [[maybe_unused]]
      const ssize_t n = ::write(release, "x\n", 2);
    ::close(release);
    release = -1;
    int status;
    ::waitpid(pid, &status, 0);
  }
  ~OtherHolder() { letGo(); }
  pid_t pid = -1;
  int release = -1;
  bool tookIt = false;
};

// A folder's lock is one process's at a time, however many of that process's FolderLocks share
// it and by whichever name of the folder they take it.
TEST(FolderLock, OneProcessAtATimeSharedWithinIt) {
  test::TempDir dir;
  fs::create_directory(dir.file("Dumps"));
  fs::create_directory_symlink("Dumps", dir.file("link"));
  const std::string dumps = dir.file("Dumps");
  {
    OtherHolder other(dumps);
    ASSERT_TRUE(other.tookIt);
    EXPECT_FALSE(FolderLock(dumps, 50).held());
    EXPECT_FALSE(FolderLock(dir.file("link"), 50).held());
    EXPECT_TRUE(FolderLock(dir.path().string(), 50).held());  // another folder
    // A save in the folder waits for it, then fails clearly rather than go between its read
    // and its write.
    std::string error;
    const std::string file = dir.write("Dumps/a.txt", std::string_view("old"));
    other.letGo();
    EXPECT_TRUE(FolderLock(dumps, 50).held());
    EXPECT_TRUE(WriteFileAtomic(file, "new", 3, &error)) << error;
  }
  // Held twice here (the command, then its own save): the other process waits for the last.
  auto outer = std::make_unique<FolderLock>(dumps, 0);
  ASSERT_TRUE(outer->held());
  {
    const FolderLock inner(dir.file("link"), 0);
    EXPECT_TRUE(inner.held());
    std::string error;
    EXPECT_TRUE(WriteFileAtomic(dir.file("Dumps/b.txt"), "b", 1, &error)) << error;
  }
  EXPECT_FALSE(OtherHolder(dumps).tookIt);
  outer.reset();
  EXPECT_TRUE(OtherHolder(dumps).tookIt);
  // A folder that is not there holds nothing up: the write after it fails on its own.
  EXPECT_TRUE(FolderLock(dir.file("nowhere"), 0).held());
}

}  // namespace
}  // namespace ts2
