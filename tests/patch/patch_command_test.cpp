// The PATCH command on the headless toolkit: dialogs, messages, the temporary file and the ROM
// image in memory.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/fileutil.h"
#include "headless/headless.h"
#include "patch/ips.h"
#include "support/builders.h"
#include "support/ips_builder.h"

namespace ts2 {
namespace {

using headless::HeadlessProgram;
using test::IpsBuilder;
using Bytes = std::vector<uint8_t>;

constexpr char kComplete[] = "Patching is complete! Remember to SAVE the changes!";
constexpr char kNotFound[] = "File not found or is invalid. No patching performed.";
constexpr char kNotAPatch[] = "Not a valid \"PATCH\" file!";
constexpr char kTemp[] = "__temp__.qqq";

// A loaded ROM in a temporary working directory (where the temporary file goes).
struct Patching {
  explicit Patching(bool header = false) {
    test::RomBuilder rom;
    rom.fontTable({test::SolidGlyph(0xFF)});
    romFile = rom.file(header);
    romPath = dir.write("game.sfc", romFile);
    EXPECT_TRUE(p.form().OpenRomFile(romPath));
    p.ui.script.said.clear();
    p.ui.script.dialogsRun.clear();
  }
  std::string patch(const std::string& name, const Bytes& bytes) { return dir.write(name, bytes); }
  void choose(std::vector<std::string> files) { p.ui.script.openAnswers.push_back(std::move(files)); }
  void run() { p.form().PATCHRomFile1Click(&p.ui.menuItem(MenuId::PATCHRomFile1)); }
  Bytes image() { return Bytes(p.form().romAlloc.get(), p.form().romAlloc.get() + p.form().gROMSize); }
  bool tempLeft() const { return std::filesystem::exists(dir.path() / kTemp); }

  test::TempDir dir;
  test::ScopedCwd cwd{dir.path()};
  HeadlessProgram p;
  Bytes romFile;
  std::string romPath;
};

// ---- the dialog ----

TEST(PatchDialog, IsSetUpForMultipleIpsFilesAndSwitchedBackOnEveryWayOut) {
  enum Outcome { Cancel, Success, Invalid, Missing };
  for (Outcome o : {Cancel, Success, Invalid, Missing}) {
    SCOPED_TRACE(o);
    Patching t;
    t.p.form().Open1.fileName = "left over.ips";
    if (o == Cancel) t.p.ui.script.openAnswers.push_back(std::nullopt);
    if (o == Success) t.choose({t.patch("a.ips", IpsBuilder().eof().bytes())});
    if (o == Invalid) t.choose({t.patch("a.ips", Bytes{'X'})});
    if (o == Missing) t.choose({t.dir.file("missing.ips")});
    t.run();
    ASSERT_EQ(t.p.ui.script.dialogsRun.size(), 1u);
    const FileDialog& shown = t.p.ui.script.dialogsRun[0];
    EXPECT_EQ(shown.title, "Select PATCH file(s)...");
    EXPECT_EQ(shown.filter, "IPS files (*.ips)|*.ips");
    EXPECT_EQ(shown.initialDir, t.p.form().gStartDir);
    EXPECT_EQ(shown.fileName, "");
    EXPECT_TRUE(shown.multiSelect);
    EXPECT_FALSE(t.p.form().Open1.multiSelect);
  }
}

TEST(PatchDialog, CancelChangesNothingAndZeroesThePatcherState) {
  Patching t;
  t.p.form().gIPS.patchPath = "old.ips";
  t.p.form().gIPS.patchLength = 99;
  t.p.ui.script.openAnswers.push_back(std::nullopt);
  t.run();
  EXPECT_EQ(t.image(), t.romFile);
  EXPECT_TRUE(t.p.ui.messages().empty());
  EXPECT_EQ(t.p.form().gIPS.patchPath, "");
  EXPECT_EQ(t.p.form().gIPS.patchLength, 0);
  EXPECT_EQ(t.p.form().gROMModified, 0);
}

TEST(PatchDialog, NothingHappensWithoutARom) {
  test::TempDir dir;
  test::ScopedCwd cwd(dir.path());
  HeadlessProgram p;
  p.form().PATCHRomFile1Click(kNoSender);
  EXPECT_TRUE(p.ui.script.dialogsRun.empty());
  EXPECT_TRUE(p.ui.messages().empty());
}

// ---- applying ----

TEST(PatchApply, RecordAt0x200WithACopierHeaderChangesTheFirstRomByte) {
  Patching t(/*header=*/true);
  ASSERT_EQ(t.p.form().gROMHeaderSize, 0x200u);
  const uint8_t before = t.p.form().gROM[0];
  t.choose({t.patch("a.ips", IpsBuilder().record(0x200, {uint8_t(before ^ 0xFF)}).eof().bytes())});
  t.run();
  EXPECT_EQ(t.p.form().gROMHeaderSize, 0x200u);
  EXPECT_EQ(t.p.form().gROM, t.p.form().romAlloc.get() + 0x200);
  EXPECT_EQ(t.p.form().gROM[0], before ^ 0xFF);
  Bytes want = t.romFile;
  want[0x200] ^= 0xFF;
  EXPECT_EQ(t.image(), want);  // the header itself is untouched
  EXPECT_EQ(t.p.ui.messages(), std::vector<std::string>{kComplete});
  EXPECT_EQ(t.p.form().gROMModified, 1);
  EXPECT_FALSE(t.tempLeft());
}

TEST(PatchApply, GrowthIsKeptAndSaved) {
  Patching t;
  const uint32_t size = t.p.form().gROMSize;
  t.choose({t.patch("grow.ips", IpsBuilder().record(size + 10, {1, 2}).eof().bytes())});
  t.run();
  ASSERT_EQ(t.p.form().gROMSize, size + 12);
  Bytes want = t.romFile;
  want.resize(size + 10, 0);
  want.insert(want.end(), {1, 2});
  EXPECT_EQ(t.image(), want);
  EXPECT_EQ(t.p.form().RomData().size(), size + 12);

  t.p.form().SaveRomFile1Click(kNoSender);
  EXPECT_EQ(test::ReadFileBytes(t.romPath), want);
}

TEST(PatchApply, SeveralPatchesApplyInOrderWithOneCompletionMessage) {
  Patching t;
  t.choose({t.patch("1.ips", IpsBuilder().record(0x100, {1, 1, 1}).eof().bytes()),
            t.patch("2.ips", IpsBuilder().record(0x101, {2}).eof().bytes()),
            t.patch("3.ips", IpsBuilder().run(0x102, 2, 3).bytes())});  // no end marker
  t.run();
  Bytes want = t.romFile;
  want[0x100] = 1;
  want[0x101] = 2;
  want[0x102] = want[0x103] = 3;
  EXPECT_EQ(t.image(), want);
  EXPECT_EQ(t.p.ui.messages(), std::vector<std::string>{kComplete});
  EXPECT_EQ(t.p.form().gIPS.patchPath, t.dir.file("3.ips"));
  EXPECT_FALSE(t.tempLeft());
}

TEST(PatchApply, LongPatchPathIsOpenedWholeAndStoredCut) {
  Patching t;
  std::filesystem::path deep = t.dir.path();
  for (int i = 0; i < 3; ++i) deep /= std::string(200, char('a' + i));
  std::filesystem::create_directories(deep);
  const std::string path = (deep / "p.ips").string();
  ASSERT_GT(path.size(), 524u);
  {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    const Bytes patch = IpsBuilder().record(0x20, {0x42}).eof().bytes();
    std::fwrite(patch.data(), 1, patch.size(), f);
    std::fclose(f);
  }
  t.choose({path});
  t.run();
  EXPECT_EQ(t.p.form().gROM[0x20], 0x42);
  EXPECT_EQ(t.p.form().gIPS.patchPath, path.substr(0, 524));
}

// ---- failures ----

TEST(PatchFailure, InvalidPatchKeepsEarlierPatchesAndLeavesTheTemporaryFile) {
  Patching t;
  t.choose({t.patch("good.ips", IpsBuilder().record(0x10, {0x99}).eof().bytes()),
            t.patch("bad.ips", Bytes{'P', 'A', 'T', 'C', 'Z', 0, 0, 0x11, 0, 1, 0x55}),
            t.patch("later.ips", IpsBuilder().record(0x11, {0x77}).eof().bytes())});
  t.run();
  Bytes want = t.romFile;
  want[0x10] = 0x99;
  EXPECT_EQ(t.image(), want);
  EXPECT_EQ(t.p.ui.messages(), std::vector<std::string>{kNotAPatch});
  EXPECT_EQ(t.p.form().gROMModified, 0);
  ASSERT_TRUE(t.tempLeft());
  EXPECT_EQ(test::ReadFileBytes(t.dir.file(kTemp)), want);
}

TEST(PatchFailure, MissingPatchEndsTheCommand) {
  Patching t;
  t.choose({t.patch("good.ips", IpsBuilder().record(0x10, {0x99}).eof().bytes()), t.dir.file("gone.ips"),
            t.patch("later.ips", IpsBuilder().record(0x11, {0x77}).eof().bytes())});
  t.run();
  EXPECT_EQ(t.p.form().gROM[0x10], 0x99);
  EXPECT_EQ(t.p.form().gROM[0x11], t.romFile[0x11]);
  EXPECT_EQ(t.p.ui.messages(), std::vector<std::string>{kNotFound});
  EXPECT_EQ(t.p.form().gROMModified, 0);
}

TEST(PatchFailure, UnwritableTemporaryFileKeepsTheImage) {
  Patching t;
  std::filesystem::create_directory(t.dir.path() / kTemp);  // in the way of the temporary file
  t.choose({t.patch("a.ips", IpsBuilder().record(0x10, {0x99}).eof().bytes())});
  t.run();
  EXPECT_EQ(t.image(), t.romFile);
  EXPECT_EQ(t.p.ui.messages(), std::vector<std::string>{kNotFound});
  EXPECT_EQ(t.p.form().gROMModified, 0);
}

TEST(PatchFailure, CutShortPatchChangesNothingAndSaysWhere) {
  Patching t;
  Bytes cut = IpsBuilder().record(0x10, {0x99}).record(0x20, {1, 2, 3}).bytes();
  cut.pop_back();  // the second record, at patch offset 11, loses its last data byte
  t.choose({t.patch("cut.ips", cut)});
  t.run();
  EXPECT_EQ(t.image(), t.romFile);
  EXPECT_EQ(t.p.ui.messages(),
            std::vector<std::string>{"Error: \"cut.ips\" is cut short: the record at patch "
                                     "offset 0xB runs past the end of the file. No patching "
                                     "performed with it."});
  EXPECT_EQ(t.p.form().gROMModified, 0);
  // It ends as an invalid patch does: the temporary file holds the image as it was.
  ASSERT_TRUE(t.tempLeft());
  EXPECT_EQ(test::ReadFileBytes(t.dir.file(kTemp)), t.romFile);
}

TEST(PatchFailure, NoMemoryForThePatchedImageEndsTheProgram) {
  Patching t;
  t.p.form().failAllocation = [](const std::string& what) { return what == "gROM"; };
  t.choose({t.patch("a.ips", IpsBuilder().record(0x10, {0x99}).eof().bytes())});
  t.run();
  ASSERT_FALSE(t.p.ui.script.said.empty());
  const auto& stop = t.p.ui.script.said.front();
  EXPECT_EQ(stop.kind, headless::Script::Said::Stop);
  EXPECT_EQ(stop.text, "Fatal Error: Could Not Allocate Memory for PATCHED File.\nPogram will be shutdown.");
  EXPECT_EQ(stop.caption, "IPS Error");
  EXPECT_EQ(t.p.form().gROM, nullptr);
  EXPECT_EQ(t.p.form().romAlloc, nullptr);
  EXPECT_TRUE(t.p.ui.win(FormId::myForm).closed);
  EXPECT_FALSE(t.tempLeft());
  EXPECT_FALSE(t.p.form().Open1.multiSelect);
}

// ---- the save question ----

TEST(PatchSaveQuestion, YesSavesFirstThenPatchesNoPatchesTheUnsavedImage) {
  for (bool yes : {true, false}) {
    SCOPED_TRACE(yes ? "Yes" : "No");
    Patching t;
    t.choose({t.patch("1.ips", IpsBuilder().record(0x30, {0x31}).eof().bytes())});
    t.run();
    ASSERT_EQ(t.p.form().gROMModified, 1);
    t.p.ui.script.said.clear();

    t.p.ui.script.questionAnswers.push_back(yes);
    t.choose({t.patch("2.ips", IpsBuilder().record(0x40, {0x41}).eof().bytes())});
    t.run();
    const auto& said = t.p.ui.script.said;
    ASSERT_GE(said.size(), 2u);
    EXPECT_EQ(said[0].kind, headless::Script::Said::Question);
    EXPECT_EQ(said[0].text, "Rom has been modified. Save these changes?");
    EXPECT_EQ(said[0].caption, " IPS Patcher...");

    Bytes first = t.romFile;
    first[0x30] = 0x31;
    EXPECT_EQ(test::ReadFileBytes(t.romPath), yes ? first : t.romFile);
    Bytes both = first;
    both[0x40] = 0x41;
    EXPECT_EQ(t.image(), both);
    EXPECT_EQ(said.back().text, kComplete);
    EXPECT_EQ(t.p.form().gROMModified, 1);
  }
}

TEST(PatchSaveQuestion, YesThenCancelSavesAndLeavesTheImage) {
  Patching t;
  t.choose({t.patch("1.ips", IpsBuilder().record(0x30, {0x31}).eof().bytes())});
  t.run();
  const Bytes patched = t.image();
  t.p.ui.script.said.clear();
  t.p.ui.script.questionAnswers.push_back(true);
  t.p.ui.script.openAnswers.push_back(std::nullopt);
  t.run();
  EXPECT_EQ(t.image(), patched);
  EXPECT_EQ(test::ReadFileBytes(t.romPath), patched);
  EXPECT_EQ(t.p.form().gROMModified, 0);
  EXPECT_EQ(t.p.ui.messages(), (std::vector<std::string>{"Rom has been modified. Save these changes?",
                                                         "ROM File saved successfully!"}));
}

}  // namespace
}  // namespace ts2
