// Open ROM, Save ROM, closing the main window and allocation failures.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <thread>

#include "core/fileutil.h"
#include "core/romfile.h"
#include "headless/headless.h"
#include "support/builders.h"
#include "support/loaded_program.h"

namespace ts2 {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

constexpr char kWrongRom[] = "Error: This is not the ROM used.\nPlease load the correct ROM.";
constexpr char kSaveOpenFailed[] = "Fatal Error: Could not open ROM File for saving...";
constexpr char kSaved[] = "ROM File saved successfully!";

// A ROM with the title and a two-glyph font (first pointer 4: a 128-byte font buffer).
Bytes GoodRom(size_t size = 0x140000, bool header = false) {
  return test::RomBuilder(size)
      .fontTable({test::SolidGlyph(0xFF), test::SolidGlyph(0x81, 0x7E)})
      .file(header);
}

// Each test runs in its own working directory, where Open ROM makes "Dumps".
class RomTest : public testing::Test {
 protected:
  void OpenRom(const std::string& path) {
    p.ui.script.openAnswers.push_back(Lines{path});
    f.RunMenuCommand(MenuId::OpenBinaryTextData1);
  }
  test::TempDir dir;
  test::ScopedCwd cwd{dir.path()};
  headless::HeadlessProgram p;
  TmyForm& f = p.form();
};

TEST_F(RomTest, OnlyBit0x200OfTheSizeDecidesTheCopierHeader) {
  // 2,097,664 bytes has the bit set; 0x300100 is no whole megabit either but has it clear.
  for (const auto& [file, header] : {std::pair{GoodRom(0x200000, true), 512u}, {GoodRom(0x300100), 0u}}) {
    const std::string path = dir.write(header ? "rom.smc" : "rom.sfc", file);
    OpenRom(path);
    EXPECT_TRUE(p.ui.messages().empty());
    ASSERT_NE(f.gROM, nullptr);
    EXPECT_EQ(std::tuple(f.gROMSize, f.gROMHeaderSize), std::tuple(uint32_t(file.size()), header));
    EXPECT_EQ(f.gROM, f.romAlloc.get() + header);
    EXPECT_EQ(f.gROMPath, path);
    EXPECT_EQ(f.gFONTSize, 128u);
  }
  const FileDialog& shown = p.ui.script.dialogsRun.front();
  EXPECT_EQ(std::tuple(shown.title, shown.filter, shown.initialDir),
            std::tuple("Open ROM File", "SNES ROM | *.s*c; *.fig;", f.gStartDir));
  EXPECT_EQ(f.gDumpDir, CurrentDirectory() + "/Dumps");
  EXPECT_TRUE(fs::is_directory(dir.file("Dumps")));
}

TEST_F(RomTest, WrongOrShortFilesAreNotTheRomUsed) {
  Bytes shortFile = test::RomBuilder().file();
  shortFile.resize(0xFFCE);  // one byte short of the title's end
  const std::pair<const char*, Bytes> cases[] = {
      {"last title character", test::RomBuilder().title("TORMEL SARAGON3").file()},
      {"lower case", test::RomBuilder().title("Tormel Saragon2").file()},
      // Bit 0x200 set: taken as headered whatever the first bytes hold, so the title is missed.
      {"size says header", test::RomBuilder(0x140200).file()},
      {"short file", shortFile},
      {"empty file", {}},
  };
  for (const auto& [name, file] : cases) {
    SCOPED_TRACE(name);
    p.ui.script.said.clear();
    OpenRom(dir.write("x.sfc", file));
    EXPECT_EQ(p.ui.messages(), Lines{kWrongRom});
    EXPECT_EQ(f.romAlloc, nullptr);
    EXPECT_EQ(f.gROM, nullptr);
    EXPECT_EQ(f.gFONT, nullptr);
  }
}

TEST_F(RomTest, RomEndingBeforeTheFontTableOpensWithAnEmptyFont) {
  OpenRom(dir.write("short.sfc", test::RomBuilder(0x120000).file()));
  EXPECT_TRUE(p.ui.messages().empty());  // no misleading out-of-memory stop
  ASSERT_NE(f.gFONT, nullptr);
  EXPECT_EQ(f.gFONTSize, 0u);
  EXPECT_FALSE(f.closed);
}

TEST_F(RomTest, CancelledDialogChangesNothing) {
  p.ui.script.openAnswers.push_back(std::nullopt);
  f.RunMenuCommand(MenuId::OpenBinaryTextData1);
  EXPECT_EQ(p.ui.script.dialogsRun.size(), 1u);
  EXPECT_TRUE(p.ui.messages().empty());
  EXPECT_EQ(f.gDumpDir, "");
  EXPECT_FALSE(fs::exists(dir.file("Dumps")));
  EXPECT_EQ(f.gROM, nullptr);
}

// An Open ROM that fails, whatever the reason, leaves the image loaded before as it was: patched
// and unsaved, with its path, its modified flag and its Dumps folder, so closing still saves it.
// (A file that cannot be opened, missing or a folder, is one of the reasons.)
TEST_F(RomTest, FailedOpenKeepsThePatchedImageItsPathAndItsFlag) {
  const std::string good = dir.write("good.sfc", GoodRom());
  const std::string sysfs = "/sys/devices/system/cpu/online";  // 4096 bytes long, 4 to read
  Bytes tooShort = GoodRom();
  tooShort.resize(0xFFCE);
  const std::string fifo = dir.file("pipe.sfc");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    const char* name;
    std::string path;
    std::string message;
    bool noMemory = false;
  };
  const std::vector<Case> cases = {
      {"missing", dir.file("missing.sfc"), "Fatal Error: Could not open file!"},
      {"a folder", dir.file("Dumps"), "Fatal Error: Could not open file!"},
      {"a named pipe", fifo, "Fatal Error: Could not open file!"},
      {"not the game", dir.write("other.sfc", test::RomBuilder().title("SOMETHING ELSE").file()), kWrongRom},
      {"too short for the title", dir.write("short.sfc", tooShort), kWrongRom},
      {"read comes back short", sysfs,
       "Error: Could not read the whole ROM file (cannot read all of " + sysfs +
           ": only 4 of its 4096 bytes could be read). Nothing was loaded."},
      {"no memory for the new image", dir.write("next.sfc", GoodRom()),
       "Fatal Error: Could not allocate needed memory!", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.path == sysfs && test::ReadFileBytes(sysfs).size() != 4) continue;  // no such file here
    headless::HeadlessProgram q;
    TmyForm& g = q.form();
    ASSERT_TRUE(g.OpenRomFile(good));
    g.gROM[0x20] = 0x5A;  // patched, not saved
    g.gROMModified = 1;
    const Bytes image(g.romAlloc.get(), g.romAlloc.get() + g.gROMSize);
    const uint8_t* before = g.gROM;
    const std::string dumps = g.gDumpDir;
    fs::create_directories(dir.path() / "elsewhere");
    {
      test::ScopedCwd elsewhere(dir.path() / "elsewhere");
      if (c.noMemory) g.failAllocation = [](const std::string& what) { return what == "gROM"; };
      q.ui.script.choiceAnswers = {1};  // No: do not save before opening another ROM
      q.ui.script.openAnswers.push_back(Lines{c.path});
      q.ui.script.questionAnswers = {true};  // Yes to saving the ROM at close
      g.RunMenuCommand(MenuId::OpenBinaryTextData1);
      g.failAllocation = nullptr;
    }
    ASSERT_GE(q.ui.messages().size(), 2u);
    EXPECT_EQ(q.ui.messages()[0], "ROM data modified. Do you wish to save changes?");
    EXPECT_EQ(q.ui.messages()[1], c.message);
    EXPECT_EQ(g.gROMPath, good);
    EXPECT_EQ(g.gDumpDir, dumps);
    EXPECT_FALSE(fs::exists(dir.path() / "elsewhere" / "Dumps"));
    // Running out of memory still ends the program, after asking about the image.
    EXPECT_EQ(g.closed, c.noMemory);
    if (!c.noMemory) {
      EXPECT_EQ(std::tuple(g.gROM, g.gROMModified), std::tuple(before, uint8_t{1}));
      g.RunMenuCommand(MenuId::Exit1);
    }
    EXPECT_EQ(q.ui.lastMessage(), "ROM File saved successfully!");
    EXPECT_EQ(test::ReadFileBytes(good), image);
    dir.write("good.sfc", GoodRom());
  }
}

// Opening a named pipe that nobody writes to would wait for a writer: it is refused at once.
TEST_F(RomTest, ANamedPipeIsRefusedWithoutWaitingForAWriter) {
  const std::string fifo = dir.file("pipe.sfc");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::atomic<bool> done{false}, writerCame{false};
  // Without the refusal the read waits in open(); a writer coming later lets it go on, and says so.
  std::thread writer([&] {
    for (int i = 0; i < 200 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (done) return;
    writerCame = true;
    const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
  });
  RomFile file;
  const RomReadStatus status = ReadRomFile(fifo, {}, file);
  done = true;
  writer.join();
  EXPECT_FALSE(writerCame);
  EXPECT_EQ(status, RomReadStatus::CannotOpen);
  EXPECT_EQ(RomReadError(status, fifo, file),
            "cannot read " + fifo + ": its length cannot be told (a pipe?)");
}

// An image buffer asks for large pages where whole ones are filled, and for a tail past the last
// whole one only from a quarter of a page on: a ROM with a copier header does not hold 2 MiB for
// its last 512 bytes. Read from the kernel's own account of the mappings (VmFlags "hg"); skipped
// where the kernel has no large pages to ask for.
TEST(ImageBufferTest, LargePagesAreAskedForWhereWholeOnesAreFilled) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "under the sanitizer, image buffers come from its allocator, which guards their ends";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  GTEST_SKIP() << "under the sanitizer, image buffers come from its allocator, which guards their ends";
#endif
#endif
  // Whether the mapping holding `at` was given MADV_HUGEPAGE, or nullopt when not found.
  const auto advised = [](const uint8_t* at) -> std::optional<bool> {
    std::ifstream maps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    while (std::getline(maps, line)) {
      unsigned long from = 0, to = 0;
      if (std::sscanf(line.c_str(), "%lx-%lx ", &from, &to) == 2 && line.find(':') > line.find(' ')) {
        const auto a = reinterpret_cast<uintptr_t>(at);
        inside = a >= from && a < to;
      } else if (inside && line.rfind("VmFlags:", 0) == 0) {
        return line.find(" hg") != std::string::npos;
      }
    }
    return std::nullopt;
  };
  constexpr size_t kLarge = size_t{2} << 20;
  struct Case {
    size_t size;
    bool tailAdvised;
  };
  for (const Case c :
       {Case{2 * kLarge + 512, false}, Case{kLarge + 512, false}, Case{2 * kLarge + kLarge / 4, true},
        Case{2 * kLarge + kLarge / 2, true}, Case{2 * kLarge, true}, Case{kLarge / 2, true}}) {
    SCOPED_TRACE(c.size);
    Buffer<uint8_t> buffer = ImageBuffer(c.size);
    ASSERT_TRUE(buffer);
    std::fill(buffer.get(), buffer.get() + c.size, uint8_t{0xA5});  // all of it is the caller's
    EXPECT_EQ(buffer.get()[c.size - 1], 0xA5);
    const std::optional<bool> head = advised(buffer.get()), tail = advised(buffer.get() + c.size - 1);
    if (!head || !*head) GTEST_SKIP() << "no large pages to ask for here";
    ASSERT_TRUE(tail);
    EXPECT_EQ(*tail, c.tailAdvised);
  }
  // Under a quarter of a large page, small pages.
  Buffer<uint8_t> small = ImageBuffer(kLarge / 4 - 1);
  ASSERT_TRUE(small);
  EXPECT_NE(advised(small.get()), std::optional<bool>(true));
}

// A working folder deeper than the original platform's 260-character paths: every path is kept
// whole, so the Dumps folder and the translation files land in this folder and nowhere else.
TEST(LongPaths, AreNeverCutShort) {
  test::TempDir dir;
  fs::path deep = dir.path();
  for (char c : {'a', 'b', 'c'}) deep /= std::string(200, c);
  fs::create_directories(deep);
  test::ScopedCwd cwd(deep);
  headless::HeadlessProgram p;
  TmyForm& f = p.form();
  EXPECT_EQ(f.gStartDir, deep.string());
  const std::string rom = (deep / "game.sfc").string();
  std::ofstream(rom, std::ios::binary)
      .write(reinterpret_cast<const char*>(GoodRom().data()), GoodRom().size());
  std::ofstream(deep / "data.txt") << ".BLOCK 1A8000 0 0 1\n";
  p.ui.script.openAnswers.push_back(Lines{rom});
  p.ui.script.openAnswers.push_back(Lines{(deep / "data.txt").string()});
  f.RunMenuCommand(MenuId::OpenBinaryTextData1);
  ASSERT_GT(f.gDumpDir.size(), 600u);
  EXPECT_EQ(f.gDumpDir, (deep / "Dumps").string());
  EXPECT_EQ(f.gTextPath, (deep / "Dumps" / "001A8000.txt").string());
  EXPECT_TRUE(fs::is_regular_file(f.gTextPath));
  EXPECT_EQ(f.gROMPath, rom);
  p.ui.script.openAnswers.push_back(Lines{(deep / "x.tbl").string()});
  std::ofstream(deep / "x.tbl") << "41=A\n";
  f.RunMenuCommand(MenuId::LoadTableFile1);
  EXPECT_EQ(f.gTablePath, (deep / "x.tbl").string());
}

TEST_F(RomTest, SaveWritesHeaderAndPatchedDataExactly) {
  Bytes file = GoodRom(0x200000, true);
  for (size_t i = 0; i < 512; ++i) file[i] = static_cast<uint8_t>(i * 3);  // a header worth keeping
  const std::string path = dir.write("rom.smc", file);
  OpenRom(path);
  ASSERT_NE(f.gROM, nullptr);
  f.gROM[0x1234] = 0x5A;
  f.gROMModified = 1;
  f.RunMenuCommand(MenuId::SaveRomFile1);
  EXPECT_EQ(p.ui.messages(), Lines{kSaved});
  EXPECT_EQ(f.gROMModified, 0);
  file[512 + 0x1234] = 0x5A;
  EXPECT_EQ(test::ReadFileBytes(path), file);
  EXPECT_FALSE(fs::exists(path + ".tmp~"));
}

TEST_F(RomTest, FailedSaveKeepsTheFileAndTheModifiedFlag) {
  const Bytes file = GoodRom();
  const std::string path = dir.write("rom.sfc", file), temp = path + ".tmp~", aside = dir.file("aside");
  OpenRom(path);
  ASSERT_NE(f.gROM, nullptr);
  f.gROM[0x100] = 0x77;
  f.gROMModified = 1;
  struct Case {
    const char* name;
    std::function<void()> arrange, undo;
    std::string message;  // the start of the message shown
  };
  // clang-format off
  const Case cases[] = {
      // The copy cannot be created next to the ROM (its name is taken by a folder).
      {"cannot create", [&] { fs::create_directory(temp); }, [&] { fs::remove(temp); }, kSaveOpenFailed},
      // A write-protected ROM file is refused, not replaced behind its back.
      {"write-protected", [&] { fs::permissions(path, fs::perms::owner_read); },
       [&] { fs::permissions(path, fs::perms::owner_all); }, kSaveOpenFailed},
      {"cannot replace", [&] { fs::rename(path, aside); fs::create_directory(path); },
       [&] { fs::remove(path); fs::rename(aside, path); }, "Error: Could not write the ROM file ("},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.arrange();
    p.ui.script.choiceAnswers = {0};  // a folder in the file's place is a change: overwrite it
    f.SaveRomFile1Click(kNoSender);
    c.undo();
    EXPECT_EQ(p.ui.lastMessage().rfind(c.message, 0), 0u) << p.ui.lastMessage();
    EXPECT_EQ(f.gROMModified, 1);
    EXPECT_EQ(test::ReadFileBytes(path), file);
  }
}

TEST(Close, AsksTextFirstThenRomAndSavesOnlyOnYes) {
  const char kTextQ[] = "TEXT File Modified...: TEXT data not saved. Do you wish to save it?";
  const char kRomQ[] = "ROM File Modified...: ROM data modified. Do you wish to save changes?";
  struct Case {
    bool textModified, romModified;
    std::deque<bool> answers;
    Lines said;  // "caption: text" of questions, texts of messages, in order
    bool romWritten;
  };
  const Case cases[] = {
      {false, false, {}, {}, false},
      {true, true, {false, false}, {kTextQ, kRomQ}, false},
      {true, true, {false, true}, {kTextQ, kRomQ, kSaved}, true},
      {false, true, {false}, {kRomQ}, false},
      {true, false, {false}, {kTextQ}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.said));
    test::LoadedProgram lp;
    TmyForm& f = lp.form();
    f.gROM[0x10] = 0x99;
    f.gROMModified = c.romModified;
    lp.editor().setModified(c.textModified);
    lp.p.ui.script.questionAnswers = c.answers;
    f.RunMenuCommand(MenuId::Exit1);
    Lines said;
    for (const auto& s : lp.p.ui.script.said)
      said.push_back(s.kind == headless::Script::Said::Question ? s.caption + ": " + s.text : s.text);
    EXPECT_EQ(said, c.said);
    EXPECT_EQ(test::ReadFileBytes(lp.romPath)[0x10] == 0x99, c.romWritten);
    EXPECT_TRUE(f.closed);
    EXPECT_EQ(std::tuple(f.gMainReady, f.gROM, f.gWRAM.get(), f.gFONT.get()),
              std::tuple(0, nullptr, nullptr, nullptr));
  }
}

// Yes to a save question at close that then cannot save: the close goes on, so the bytes go to
// a recovery copy, which never replaces an earlier one and falls back to the temporary folder.
// (Where no copy can be written either, the window stays open: on_disk_test.cpp.)
TEST(Close, WorkThatCannotBeSavedIsKeptInARecoveryCopy) {
  constexpr uint32_t kBlock = 0x1A8000;
  struct Case {
    const char* name;
    bool pickBlock;      // a block is chosen, so its translation file is the text's home
    bool textFileFails;  // ... and a folder has taken that file's name
    bool folderGone;     // ... or the Dumps folder has gone
    bool romSaveFails;
    bool earlierCopy;  // a recovery copy from an earlier close is there already
    bool tempUsable;   // TMPDIR names a folder
  };
  const Case cases[] = {
      {"no block chosen yet", false, false, false, false, false, true},
      {"the text file cannot be replaced", true, true, false, false, true, true},
      {"the ROM cannot be replaced", true, false, false, true, false, true},
      {"the text's folder has gone", true, false, true, true, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::LoadedProgram lp({{kBlock, 1}});
    TmyForm& f = lp.form();
    test::TempDir temp;
    test::ScopedTmpDir tmpdir(c.tempUsable ? temp.file("") : temp.file("missing"));
    std::string home = f.gDumpDir + "/untitled.txt";
    if (c.pickBlock) {
      lp.select(0);
      home = lp.textFile(kBlock);
    }
    lp.editor().type("kept line\n");
    const std::string text = EditorTextToFileBytes(lp.editor().text());
    f.gROM[0x20] = 0x5A;
    f.gROMModified = 1;
    const Bytes image = lp.image();
    if (c.earlierCopy) std::ofstream(home + ".unsaved") << "earlier";
    if (c.textFileFails) fs::remove(home), fs::create_directory(home);
    if (c.folderGone) {
      fs::rename(f.gDumpDir, f.gDumpDir + ".moved");
      home = temp.file(ExtractFileName(home));
    }
    if (c.romSaveFails) fs::remove(lp.romPath), fs::create_directory(lp.romPath);
    lp.p.ui.script.questionAnswers = {true, true};
    lp.p.ui.script.choiceAnswers = {0, 0};  // a folder in a file's place is a change: overwrite it
    f.RunMenuCommand(MenuId::Exit1);
    EXPECT_TRUE(f.closed);

    const Lines messages = lp.p.ui.messages();
    auto said = [&](const std::string& m) {
      return std::find(messages.begin(), messages.end(), m) != messages.end();
    };
    if (!c.pickBlock || c.textFileFails || c.folderGone) {
      const std::string copy = home + (c.earlierCopy ? ".unsaved-2" : ".unsaved");
      EXPECT_EQ(test::ReadFileText(copy), text);
      EXPECT_TRUE(said("The text could not be saved, so it was kept in \"" + copy + "\"." +
                       (c.folderGone ? test::kTemporaryFolder : "")));
      if (c.earlierCopy) {
        EXPECT_EQ(test::ReadFileText(home + ".unsaved"), "earlier");
      }
    }
    if (c.romSaveFails) {
      EXPECT_EQ(test::ReadFileBytes(lp.romPath + ".unsaved"), image);
      EXPECT_TRUE(
          said("The ROM image could not be saved, so it was kept in \"" + lp.romPath + ".unsaved\"."));
    } else {
      EXPECT_EQ(test::ReadFileBytes(lp.romPath), image);
    }
  }
}

TEST(AllocationFailure, ReportsAndEndsTheProgram) {
  std::vector<std::pair<std::string, Lines>> cases = {
      {"gBitmap", {"Fatal Error: Could not acquire Video Pointer."}},
      {"gROM", {"Fatal Error: Could not allocate needed memory!"}},
      {"gFONT",
       {"Error: Could not allocate needed memory.",
        "Fatal Error: Could allocate needed memory for 'gFONT'!"}},
  };
  for (const char* buffer : {"gVideo", "gPages[0]", "gPages[1]", "gBlockOffset", "gBlockStrings",
                             "gBlockField2", "gBlockField3", "gWRAM", "gTransText"})
    cases.push_back({buffer, {"Fatal Error: Could not allocate memory!"}});
  test::TempDir dir;
  test::ScopedCwd cwd(dir.path());
  const std::string rom = dir.write("rom.sfc", GoodRom());
  // What the last run kept: a run that ends before reading it leaves it as it was.
  const std::map<std::string, std::string> kept = {
      {"recent/1/rom", "/ts2/demo.sfc"}, {"recent/1/data", "/ts2/demo.txt"}, {"window/zoom", "3"}};
  for (const auto& [buffer, messages] : cases) {
    SCOPED_TRACE(buffer);
    headless::HeadlessToolkit ui;
    ui.settingsStore.values = kept;
    const std::string& failing = buffer;  // clang before 16 cannot capture a structured binding
    Program program(ui, [&](const std::string& what) { return what == failing; });
    if (!program.myForm.closed) {
      ui.script.openAnswers.push_back(Lines{rom});
      program.myForm.OpenBinaryTextData1Click(kNoSender);
    }
    EXPECT_EQ(ui.messages(), messages);
    EXPECT_TRUE(program.myForm.closed);
    EXPECT_TRUE(ui.win(FormId::myForm).closed);
    EXPECT_EQ(program.myForm.gMainReady, 0);
    EXPECT_EQ(program.myForm.gROM, nullptr);
    EXPECT_EQ(ui.settingsStore.values, kept);
  }
}

}  // namespace
}  // namespace ts2
