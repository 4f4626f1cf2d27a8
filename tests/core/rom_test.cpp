// Open ROM, Save ROM, closing the main window and allocation failures.
#include <gtest/gtest.h>

#include <cctype>
#include <deque>
#include <filesystem>
#include <functional>

#include "core/fileutil.h"
#include "headless/headless.h"
#include "support/builders.h"

namespace ts2 {
namespace {

namespace fs = std::filesystem;
using headless::HeadlessProgram;
using test::Glyph;
using Bytes = std::vector<uint8_t>;

constexpr char kWrongRom[] = "Error: This is not the ROM used.\nPlease load the correct ROM.";
constexpr char kSaveOpenFailed[] = "Fatal Error: Could not open ROM File for saving...";
constexpr char kSaved[] = "ROM File saved successfully!";

std::vector<Glyph> SampleGlyphs() {
  return {test::SolidGlyph(0xFF), test::SolidGlyph(0x81, 0x7E), test::SolidGlyph(0x00, 0xFF),
          test::SolidGlyph(0x3C, 0x18)};
}

// Answers the open dialog with `path` and runs Open ROM from the menu.
void OpenRom(HeadlessProgram& p, const std::string& path) {
  p.ui.script.openAnswers.push_back(std::vector<std::string>{path});
  p.form().RunMenuCommand(MenuId::OpenBinaryTextData1);
}

// Each Open ROM test runs in its own working directory, where Open ROM makes "Dumps".
class OpenRomTest : public testing::Test {
 protected:
  test::TempDir dir;
  test::ScopedCwd cwd{dir.path()};
  HeadlessProgram p;
  TmyForm& f = p.form();
};

TEST_F(OpenRomTest, HeaderedFileIsReadWithTheHeaderSkipped) {
  // 2,097,664 bytes: bit 0x200 of the size is set, so the title is looked up at file offset 0x101C0.
  const std::vector<Glyph> glyphs = SampleGlyphs();
  const Bytes file = test::RomBuilder(0x200000).fontTable(glyphs).file(true);
  ASSERT_EQ(file.size(), 2097664u);
  const std::string path = dir.write("rom.smc", file);
  OpenRom(p, path);

  EXPECT_TRUE(p.ui.messages().empty());
  ASSERT_NE(f.gROM, nullptr);
  EXPECT_EQ(f.gROMSize, 2097664u);
  EXPECT_EQ(f.gROMHeaderSize, 512u);
  EXPECT_EQ(f.gROM, f.romAlloc.get() + 512);
  EXPECT_EQ(f.gROMPath, path);
  EXPECT_EQ(f.gDumpDir, CurrentDirectory() + "/Dumps");
  EXPECT_TRUE(fs::is_directory(dir.file("Dumps")));

  const FileDialog& shown = p.ui.script.dialogsRun.front();
  EXPECT_EQ(shown.title, "Open ROM File");
  EXPECT_EQ(shown.filter, "SNES ROM | *.s*c; *.fig;");
  EXPECT_EQ(shown.initialDir, f.gStartDir);

  // The font: first pointer 8 (four entries) gives 8 x 32 bytes, glyph i at 32 i.
  ASSERT_NE(f.gFONT, nullptr);
  ASSERT_EQ(f.gFONTSize, 8u * 32);
  Bytes expected(f.gFONTSize, 0);
  for (size_t i = 0; i < glyphs.size(); ++i)
    std::copy(glyphs[i].begin(), glyphs[i].end(), expected.begin() + 32 * i);
  EXPECT_EQ(Bytes(f.gFONT.get(), f.gFONT.get() + f.gFONTSize), expected);
}

TEST_F(OpenRomTest, OnlyBit0x200OfTheSizeDecidesTheHeader) {
  // 0x300100 bytes: bit 0x200 clear, so no header although the size is not a whole megabit.
  OpenRom(p, dir.write("a.sfc", test::RomBuilder(0x300100).fontTable(SampleGlyphs()).file()));
  ASSERT_NE(f.gROM, nullptr);
  EXPECT_EQ(f.gROMHeaderSize, 0u);
  EXPECT_EQ(f.gROM, f.romAlloc.get());
  EXPECT_EQ(f.gFONTSize, 8u * 32);
}

struct RejectCase {
  const char* name;
  Bytes file;
};

class OpenRomRejects : public testing::TestWithParam<RejectCase> {};

TEST_P(OpenRomRejects, AsNotTheRomUsed) {
  test::TempDir dir;
  test::ScopedCwd cwd(dir.path());
  HeadlessProgram p;
  OpenRom(p, dir.write("x.sfc", GetParam().file));
  EXPECT_EQ(p.ui.messages(), std::vector<std::string>{kWrongRom});
  EXPECT_EQ(p.form().gROM, nullptr);
  EXPECT_EQ(p.form().romAlloc, nullptr);
  EXPECT_EQ(p.form().gFONT, nullptr);
}

Bytes Resized(Bytes b, size_t size) {
  b.resize(size);
  return b;
}

INSTANTIATE_TEST_SUITE_P(
    Title, OpenRomRejects,
    testing::Values(RejectCase{"WrongTitle", test::RomBuilder().title("TORMEL SARAGON3").file()},
                    RejectCase{"LowerCase", test::RomBuilder().title("Tormel Saragon2").file()},
                    // Bit 0x200 set: treated as headered whatever the first bytes hold, so the
                    // title at file offset 0xFFC0 is not where it is looked for.
                    RejectCase{"SizeSaysHeader", test::RomBuilder(0x140200).file()},
                    // One byte short of the title's end; and an empty file.
                    RejectCase{"ShortFile", Resized(test::RomBuilder().file(), 0xFFCE)},
                    RejectCase{"ShortHeaderedFile", Resized(test::RomBuilder().file(true), 0xFFFF)},
                    RejectCase{"EmptyFile", {}}),
    [](const testing::TestParamInfo<RejectCase>& info) { return std::string(info.param.name); });

TEST_F(OpenRomTest, RomWithoutRoomForTheFontTableOpensWithAnEmptyFont) {
  // The title is there but the file ends before 0x130000: the font is empty (glyphs draw
  // blank) and no misleading out-of-memory message stops the program.
  OpenRom(p, dir.write("short.sfc", test::RomBuilder(0x120000).file()));
  EXPECT_TRUE(p.ui.messages().empty());
  ASSERT_NE(f.gROM, nullptr);
  ASSERT_NE(f.gFONT, nullptr);
  EXPECT_EQ(f.gFONTSize, 0u);
  EXPECT_FALSE(f.closed);
}

TEST_F(OpenRomTest, CancelledDialogChangesNothing) {
  p.ui.script.openAnswers.push_back(std::nullopt);
  f.RunMenuCommand(MenuId::OpenBinaryTextData1);
  EXPECT_EQ(p.ui.script.dialogsRun.size(), 1u);
  EXPECT_TRUE(p.ui.messages().empty());
  EXPECT_EQ(f.gDumpDir, "");
  EXPECT_FALSE(fs::exists(dir.file("Dumps")));
  EXPECT_EQ(f.gROM, nullptr);
  EXPECT_EQ(f.gROMPath, "");
}

TEST_F(OpenRomTest, UnreadableFileKeepsTheLoadedImageAndItsPath) {
  const std::string good = dir.write("good.sfc", test::RomBuilder().fontTable(SampleGlyphs()).file());
  OpenRom(p, good);
  ASSERT_NE(f.gROM, nullptr);
  const uint8_t* image = f.gROM;
  for (const std::string& bad : {dir.file("missing.sfc"), dir.file("Dumps")}) {  // absent; a directory
    OpenRom(p, bad);
    EXPECT_EQ(p.ui.lastMessage(), "Fatal Error: Could not open file!");
    EXPECT_EQ(f.gROM, image);
    EXPECT_EQ(f.gROMPath, good);
    EXPECT_FALSE(f.closed);
  }
}

TEST_F(OpenRomTest, WrongRomAfterAGoodOneLeavesNoImage) {
  const std::string good = dir.write("good.sfc", test::RomBuilder().fontTable(SampleGlyphs()).file());
  OpenRom(p, good);
  p.ui.bList.add("Block 0");
  p.ui.pList.add("String 0");
  f.gROMModified = 1;

  OpenRom(p, dir.write("other.sfc", test::RomBuilder().title("SOMETHING ELSE").file()));
  EXPECT_EQ(p.ui.lastMessage(), kWrongRom);
  EXPECT_EQ(f.gROM, nullptr);
  // The lists stay as they were; commands that need the image do nothing.
  EXPECT_EQ(p.ui.bList.lines, std::vector<std::string>{"Block 0"});
  EXPECT_EQ(p.ui.pList.lines, std::vector<std::string>{"String 0"});
  const size_t said = p.ui.script.said.size();
  const Bytes before = test::ReadFileBytes(good);
  f.RunMenuCommand(MenuId::SaveRomFile1);
  EXPECT_EQ(p.ui.script.said.size(), said);
  EXPECT_EQ(test::ReadFileBytes(good), before);
  EXPECT_EQ(f.DecompressBlock(0x130000), -1);
}

// ---- Save ROM ----

TEST_F(OpenRomTest, SaveWritesHeaderAndPatchedDataExactly) {
  Bytes file = test::RomBuilder(0x200000).fontTable(SampleGlyphs()).file(true);
  for (size_t i = 0; i < 512; ++i) file[i] = static_cast<uint8_t>(i * 3);  // a header worth keeping
  const std::string path = dir.write("rom.smc", file);
  OpenRom(p, path);
  ASSERT_NE(f.gROM, nullptr);
  f.gROM[0x1234] = 0x5A;  // as a patch would
  f.gROMModified = 1;

  f.RunMenuCommand(MenuId::SaveRomFile1);
  EXPECT_EQ(p.ui.messages(), std::vector<std::string>{kSaved});
  EXPECT_EQ(f.gROMModified, 0);
  file[512 + 0x1234] = 0x5A;
  EXPECT_EQ(test::ReadFileBytes(path), file);
  EXPECT_FALSE(fs::exists(path + ".tmp~"));
}

TEST_F(OpenRomTest, FailedSaveKeepsTheFileAndTheModifiedFlag) {
  const Bytes file = test::RomBuilder().fontTable(SampleGlyphs()).file();
  const std::string path = dir.write("rom.sfc", file);
  OpenRom(p, path);
  ASSERT_NE(f.gROM, nullptr);
  f.gROM[0x100] = 0x77;
  f.gROMModified = 1;

  struct Case {
    const char* name;
    std::function<void()> arrange, undo;
    std::string message;  // the start of the message shown
  };
  const std::string temp = path + ".tmp~";
  const Case cases[] = {
      // The file cannot be created next to the ROM (its name is taken by a folder).
      {"CannotCreate", [&] { fs::create_directory(temp); }, [&] { fs::remove(temp); }, kSaveOpenFailed},
      // A write-protected ROM file is refused, not replaced.
      {"WriteProtected", [&] { fs::permissions(path, fs::perms::owner_read | fs::perms::group_read); },
       [&] { fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write); }, kSaveOpenFailed},
      // The written copy cannot replace the file.
      {"CannotReplace",
       [&] {
         fs::rename(path, dir.file("aside"));
         fs::create_directory(path);
       },
       [&] {
         fs::remove(path);
         fs::rename(dir.file("aside"), path);
       },
       "Error: Could not write the ROM file ("},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.arrange();
    f.SaveRomFile1Click(kNoSender);
    c.undo();
    EXPECT_EQ(p.ui.lastMessage().rfind(c.message, 0), 0u) << p.ui.lastMessage();
    EXPECT_EQ(f.gROMModified, 1);
    EXPECT_EQ(test::ReadFileBytes(path), file);
    EXPECT_FALSE(fs::exists(temp) && !fs::is_directory(temp));
  }
}

// ---- closing ----

struct CloseCase {
  const char* name;
  bool textModified, romModified;
  std::deque<bool> answers;
  std::vector<std::string> said;  // questions and messages, in order
  bool romWritten;
};

class CloseTest : public testing::TestWithParam<CloseCase> {};

TEST_P(CloseTest, AsksTextFirstThenRom) {
  const CloseCase& c = GetParam();
  test::TempDir dir;
  test::ScopedCwd cwd(dir.path());
  HeadlessProgram p;
  TmyForm& f = p.form();
  const Bytes file = test::RomBuilder().fontTable(SampleGlyphs()).file();
  const std::string path = dir.write("rom.sfc", file);
  OpenRom(p, path);
  ASSERT_NE(f.gROM, nullptr);
  f.gROM[0x10] = 0x99;
  f.gROMModified = c.romModified;
  p.ui.TDMemo.setModified(c.textModified);
  p.ui.script.questionAnswers = c.answers;

  f.RunMenuCommand(MenuId::Exit1);
  EXPECT_EQ(p.ui.messages(), c.said);
  for (const auto& s : p.ui.script.said) {
    if (s.kind != headless::Script::Said::Question) continue;
    EXPECT_EQ(s.caption, s.text.rfind("TEXT", 0) == 0 ? "TEXT File Modified..." : "ROM File Modified...");
  }
  EXPECT_EQ(test::ReadFileBytes(path)[0x10] == 0x99, c.romWritten);
  EXPECT_TRUE(f.closed);
  EXPECT_EQ(f.gMainReady, 0);
  EXPECT_EQ(f.gROM, nullptr);
  EXPECT_EQ(f.gWRAM, nullptr);
  EXPECT_EQ(f.gFONT, nullptr);
}

const char kTextQ[] = "TEXT data not saved. Do you wish to save it?";
const char kRomQ[] = "ROM data modified. Do you wish to save changes?";

INSTANTIATE_TEST_SUITE_P(
    Close, CloseTest,
    testing::Values(CloseCase{"NothingModified", false, false, {}, {}, false},
                    CloseCase{"BothModifiedNoToBoth", true, true, {false, false}, {kTextQ, kRomQ}, false},
                    CloseCase{
                        "BothModifiedYesToRom", true, true, {false, true}, {kTextQ, kRomQ, kSaved}, true},
                    CloseCase{"OnlyRomModifiedNo", false, true, {false}, {kRomQ}, false},
                    CloseCase{"OnlyTextModified", true, false, {false}, {kTextQ}, false}),
    [](const testing::TestParamInfo<CloseCase>& info) { return std::string(info.param.name); });

// ---- allocation failures ----

struct AllocCase {
  const char* buffer;  // the allocation made to fail
  std::vector<std::string> messages;
};

class AllocationFailure : public testing::TestWithParam<AllocCase> {};

TEST_P(AllocationFailure, ReportsAndEndsTheProgram) {
  const AllocCase& c = GetParam();
  test::TempDir dir;
  test::ScopedCwd cwd(dir.path());
  const std::string rom = dir.write("rom.sfc", test::RomBuilder().fontTable(SampleGlyphs()).file());
  headless::HeadlessToolkit ui;
  Program program(ui, [&](const std::string& what) { return what == c.buffer; });
  if (!program.myForm.closed) {
    ui.script.openAnswers.push_back(std::vector<std::string>{rom});
    program.myForm.OpenBinaryTextData1Click(kNoSender);
  }
  EXPECT_EQ(ui.messages(), c.messages);
  EXPECT_TRUE(program.myForm.closed);
  EXPECT_TRUE(ui.win(FormId::myForm).closed);
  EXPECT_EQ(program.myForm.gMainReady, 0);
  EXPECT_EQ(program.myForm.gROM, nullptr);
}

const std::vector<std::string> kNoBuffers = {"Fatal Error: Could not allocate memory!"};

INSTANTIATE_TEST_SUITE_P(
    Buffers, AllocationFailure,
    testing::Values(AllocCase{"gBitmap", {"Fatal Error: Could not acquire Video Pointer."}},
                    AllocCase{"gVideo", kNoBuffers}, AllocCase{"gPages[0]", kNoBuffers},
                    AllocCase{"gPages[1]", kNoBuffers}, AllocCase{"gBlockOffset", kNoBuffers},
                    AllocCase{"gBlockStrings", kNoBuffers}, AllocCase{"gBlockField2", kNoBuffers},
                    AllocCase{"gBlockField3", kNoBuffers}, AllocCase{"gWRAM", kNoBuffers},
                    AllocCase{"gTransText", kNoBuffers},
                    AllocCase{"gROM", {"Fatal Error: Could not allocate needed memory!"}},
                    AllocCase{"gFONT",
                              {"Error: Could not allocate needed memory.",
                               "Fatal Error: Could allocate needed memory for 'gFONT'!"}}),
    [](const testing::TestParamInfo<AllocCase>& info) {
      std::string name;
      for (char ch : std::string(info.param.buffer))
        if (std::isalnum(static_cast<unsigned char>(ch))) name += ch;
      return name;
    });

// ---- FileLength ----

TEST(FileLength, TellsTheLengthAndKeepsThePosition) {
  EXPECT_EQ(FileLength(nullptr), -1);
  test::TempDir dir;
  const std::string path = dir.write("f.bin", Bytes(1000, 1));
  std::FILE* file = std::fopen(path.c_str(), "rb");
  ASSERT_NE(file, nullptr);
  std::fseek(file, 123, SEEK_SET);
  EXPECT_EQ(FileLength(file), 1000);
  EXPECT_EQ(std::ftell(file), 123);
  std::fclose(file);
}

}  // namespace
}  // namespace ts2
