// The PATCH command on the headless toolkit: dialogs, messages, the temporary file and the ROM
// image in memory.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "core/fileutil.h"
#include "headless/headless.h"
#include "patch/bps.h"
#include "patch/crc32.h"
#include "random_ips.h"
#include "support/bps_builder.h"
#include "support/loaded_program.h"

namespace ts2 {
namespace {

using test::AddEnd;
using test::AddRandomRecords;
using test::IpsBuilder;
using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

constexpr char kComplete[] = "Patching is complete! Remember to SAVE the changes!";
constexpr char kNotFound[] = "File not found or is invalid. No patching performed.";
constexpr char kTemp[] = "__temp__.qqq";

// A loaded ROM in a temporary working directory (where the temporary file goes).
struct Patching : test::LoadedProgram {
  explicit Patching(bool header = false) : LoadedProgram({}, test::RomBuilder(), header) {}
  std::string patch(const std::string& name, const IpsBuilder& b) { return dir.write(name, b.bytes()); }
  void choose(Lines files) { p.ui.script.openAnswers.push_back(std::move(files)); }
  void run() { form().PATCHRomFile1Click(&p.ui.menuItem(MenuId::PATCHRomFile1)); }
  bool tempLeft() const { return std::filesystem::exists(dir.path() / kTemp); }
  // The ROM file with `changes` made at file offsets.
  Bytes romWith(std::initializer_list<std::pair<size_t, uint8_t>> changes) const {
    Bytes b = romFile;
    for (auto [at, byte] : changes) b[at] = byte;
    return b;
  }
};

TEST(PatchDialog, IsSetUpForPatchFilesAndMultipleSelectionEndsOnEveryWayOut) {
  enum Outcome { Cancel, Success, Invalid };
  for (Outcome o : {Cancel, Success, Invalid}) {
    SCOPED_TRACE(o);
    Patching t;
    t.form().Open1.fileName = "left over.ips";
    t.form().gIPS.patchPath = "old.ips";
    if (o == Cancel) t.p.ui.script.openAnswers.push_back(std::nullopt);
    if (o == Success) t.choose({t.patch("a.ips", IpsBuilder().eof())});
    if (o == Invalid) t.choose({t.dir.write("a.ips", "X")});
    t.run();
    ASSERT_EQ(t.p.ui.script.dialogsRun.size(), 1u);
    const FileDialog& d = t.p.ui.script.dialogsRun[0];
    EXPECT_EQ(
        std::tuple(d.title, d.filter, d.initialDir, d.fileName, d.multiSelect),
        std::tuple("Select PATCH file(s)...",
                   "Patch files (*.ips;*.bps)|*.ips;*.bps|IPS files (*.ips)|*.ips|BPS files (*.bps)|*.bps",
                   t.form().gStartDir, "", true));
    EXPECT_FALSE(t.form().Open1.multiSelect);
    if (o == Cancel) {  // nothing changes, and the patcher state starts afresh
      EXPECT_EQ(t.image(), t.romFile);
      EXPECT_TRUE(t.p.ui.messages().empty());
      EXPECT_EQ(t.form().gIPS.patchPath, "");
    }
  }
}

TEST(PatchApply, RecordAt0x200WithACopierHeaderChangesTheFirstRomByte) {
  Patching t(/*header=*/true);
  const uint8_t before = t.form().gROM[0];
  t.choose({t.patch("a.ips", IpsBuilder().record(0x200, {uint8_t(before ^ 0xFF)}).eof())});
  t.run();
  EXPECT_EQ(t.form().gROMHeaderSize, 0x200u);
  EXPECT_EQ(t.form().gROM[0], before ^ 0xFF);
  EXPECT_EQ(t.image(), t.romWith({{0x200, before ^ 0xFF}}));  // the header itself is untouched
  EXPECT_EQ(t.p.ui.messages(), Lines{kComplete});
  EXPECT_EQ(t.form().gROMModified, 1);
  EXPECT_FALSE(t.tempLeft());
}

TEST(PatchApply, GrowthIsKeptAndSaved) {
  Patching t;
  const uint32_t size = t.form().gROMSize;
  t.choose({t.patch("grow.ips", IpsBuilder().record(size + 10, {1, 2}).eof())});
  t.run();
  Bytes want = t.romFile;
  want.resize(size + 10, 0);
  want.insert(want.end(), {1, 2});
  EXPECT_EQ(t.image(), want);
  EXPECT_EQ(t.form().RomData().size(), size + 12);
  t.form().SaveRomFile1Click(kNoSender);
  EXPECT_EQ(test::ReadFileBytes(t.romPath), want);
}

TEST(PatchApply, SeveralPatchesApplyInOrderWithOneCompletionMessage) {
  Patching t;
  t.choose({t.patch("1.ips", IpsBuilder().record(0x100, {1, 1, 1}).eof()),
            t.patch("2.ips", IpsBuilder().record(0x101, {2}).eof()),
            t.patch("3.ips", IpsBuilder().run(0x102, 2, 3))});  // no end marker
  t.run();
  EXPECT_EQ(t.image(), t.romWith({{0x100, 1}, {0x101, 2}, {0x102, 3}, {0x103, 3}}));
  EXPECT_EQ(t.p.ui.messages(), Lines{kComplete});
  EXPECT_EQ(t.form().gIPS.patchPath, t.dir.file("3.ips"));
}

TEST(PatchApply, LongPatchPathIsOpenedAndStoredWhole) {
  Patching t;
  const std::string name =
      std::string(200, 'a') + "/" + std::string(200, 'b') + "/" + std::string(200, 'c') + "/p.ips";
  const std::string path = t.patch(name, IpsBuilder().record(0x20, {0x42}).eof());
  ASSERT_GT(path.size(), 524u);
  t.choose({path});
  t.run();
  EXPECT_EQ(t.form().gROM[0x20], 0x42);
  EXPECT_EQ(t.form().gIPS.patchPath, path);
}

TEST(PatchFailure, InvalidPatchKeepsEarlierPatchesAndLeavesTheTemporaryFile) {
  Patching t;
  t.choose({t.patch("good.ips", IpsBuilder().record(0x10, {0x99}).eof()),
            t.dir.write("bad.ips", Bytes{'P', 'A', 'T', 'C', 'Z', 0, 0, 0x11, 0, 1, 0x55}),
            t.patch("later.ips", IpsBuilder().record(0x11, {0x77}).eof())});
  t.run();
  EXPECT_EQ(t.image(), t.romWith({{0x10, 0x99}}));
  EXPECT_EQ(t.p.ui.messages(), Lines{"Not a valid \"PATCH\" file!"});
  EXPECT_EQ(t.form().gROMModified, 1);  // the image holds the first patch
  ASSERT_TRUE(t.tempLeft());
  EXPECT_EQ(test::ReadFileBytes(t.dir.file(kTemp)), t.image());
}

TEST(PatchFailure, MissingPatchOrUnwritableTemporaryFileEndsTheCommand) {
  for (bool missing : {true, false}) {
    SCOPED_TRACE(missing ? "missing patch" : "temporary file in the way");
    Patching t;
    if (!missing) std::filesystem::create_directory(t.dir.path() / kTemp);
    t.choose({missing ? t.dir.file("gone.ips") : t.patch("a.ips", IpsBuilder().record(0x10, {0x99}).eof()),
              t.patch("later.ips", IpsBuilder().record(0x11, {0x77}).eof())});
    t.run();
    EXPECT_EQ(t.image(), t.romFile);
    EXPECT_EQ(t.p.ui.messages(), Lines{kNotFound});
    EXPECT_EQ(t.form().gROMModified, 0);
  }
}

TEST(PatchApply, TheTemporaryFileNeverWritesThroughALinkOrAnotherName) {
  for (bool symbolic : {true, false}) {
    SCOPED_TRACE(symbolic ? "symbolic link" : "hard link");
    Patching t;
    const std::string notes = t.dir.write("notes.txt", std::string_view("my notes\n"));
    if (symbolic)
      std::filesystem::create_symlink(notes, t.dir.path() / kTemp);
    else
      std::filesystem::create_hard_link(notes, t.dir.path() / kTemp);
    t.choose({t.patch("a.ips", IpsBuilder().record(0x10, {0x99}).eof())});
    t.run();
    EXPECT_EQ(test::ReadFileText(notes), "my notes\n");
    EXPECT_EQ(t.image(), t.romWith({{0x10, 0x99}}));
    EXPECT_FALSE(t.tempLeft());
  }
}

TEST(PatchFailure, CutShortPatchChangesNothingAndSaysWhere) {
  Patching t;
  Bytes cut = IpsBuilder().record(0x10, {0x99}).record(0x20, {1, 2, 3}).bytes();
  cut.pop_back();  // the second record, at patch offset 11, loses its last data byte
  t.choose({t.dir.write("cut.ips", cut)});
  t.run();
  EXPECT_EQ(t.image(), t.romFile);
  EXPECT_EQ(t.p.ui.messages(),
            Lines{"Error: \"cut.ips\" is cut short: the record at patch offset 0xB runs past "
                  "the end of the file. No patching performed with it."});
  EXPECT_EQ(t.form().gROMModified, 0);
  // It ends as an invalid patch does: the temporary file holds the image as it was.
  EXPECT_EQ(test::ReadFileBytes(t.dir.file(kTemp)), t.romFile);
}

TEST(PatchFailure, NoMemoryForThePatchedImageEndsTheProgram) {
  Patching t;
  t.form().failAllocation = [](const std::string& what) { return what == "gROM"; };
  t.choose({t.patch("a.ips", IpsBuilder().record(0x10, {0x99}).eof())});
  t.run();
  ASSERT_FALSE(t.p.ui.script.said.empty());
  const auto& stop = t.p.ui.script.said.front();
  EXPECT_EQ(std::tuple(stop.kind, stop.text, stop.caption),
            std::tuple(headless::Script::Said::Stop,
                       "Fatal Error: Could Not Allocate Memory for PATCHED File.\nPogram will be shutdown.",
                       "IPS Error"));
  EXPECT_EQ(t.form().gROM, nullptr);
  EXPECT_TRUE(t.p.ui.win(FormId::myForm).closed);
  EXPECT_FALSE(t.tempLeft());
}

// However a run of several patches ends, an image that one of them changed is marked modified,
// so that closing asks about it and Yes saves it.
TEST(PatchFailure, AnImageChangedByEarlierPatchesIsMarkedModified) {
  enum Later { Invalid, CutShort, Missing, NoMemory };
  for (Later later : {Invalid, CutShort, Missing, NoMemory}) {
    SCOPED_TRACE(later);
    Patching t;
    Bytes cut = IpsBuilder().record(0x20, {1, 2, 3}).bytes();
    cut.pop_back();
    const std::string second = later == Invalid    ? t.dir.write("bad.ips", "PATCZ")
                               : later == CutShort ? t.dir.write("cut.ips", cut)
                               : later == Missing  ? t.dir.file("gone.ips")
                                                   : t.patch("big.ips", IpsBuilder().record(0x20, {1}).eof());
    int images = 0;  // the second patched image cannot be allocated
    if (later == NoMemory)
      t.form().failAllocation = [&](const std::string& what) { return what == "gROM" && ++images == 2; };
    t.choose({t.patch("good.ips", IpsBuilder().record(0x10, {0x99}).eof()), second});
    t.p.ui.script.questionAnswers = {true};
    t.run();
    if (later != NoMemory) {
      EXPECT_EQ(t.image(), t.romWith({{0x10, 0x99}}));
      EXPECT_EQ(t.form().gROMModified, 1);
      t.form().RunMenuCommand(MenuId::Exit1);
    }
    EXPECT_TRUE(t.form().closed);
    EXPECT_EQ(t.p.ui.script.said.at(t.p.ui.script.said.size() - 2).text,
              "ROM data modified. Do you wish to save changes?");
    EXPECT_EQ(test::ReadFileBytes(t.romPath), t.romWith({{0x10, 0x99}}));
  }
}

// A patch that leaves every byte as it was (applied twice, or to the wrong ROM) is reported after
// the completion message; the command otherwise ends as usual.
TEST(PatchApply, APatchThatChangesNothingIsReported) {
  constexpr char kUnchanged[] = "The patch changed nothing: this ROM may already have it.";
  Patching t;
  const std::string fix = t.patch("fix.ips", IpsBuilder().record(0x10, {0x99}).eof());
  const std::string more = t.patch("more.ips", IpsBuilder().record(0x11, {0x98}).eof());
  t.choose({fix});
  t.run();
  EXPECT_EQ(t.p.ui.messages(), Lines{kComplete});
  for (const Lines& chosen : {Lines{fix}, Lines{more, fix}}) {
    t.p.ui.script.said.clear();
    t.p.ui.script.questionAnswers = {false};  // not saved first
    t.choose(chosen);
    t.run();
    const std::string warning = chosen.size() == 1 ? kUnchanged : std::string("\"fix.ips\": ") + kUnchanged;
    EXPECT_EQ(t.p.ui.messages(), (Lines{"Rom has been modified. Save these changes?", kComplete, warning}));
    EXPECT_EQ(t.form().gROMModified, 1);
  }
}

TEST(PatchSaveQuestion, AskedOnAModifiedRomBeforeTheDialog) {
  enum Answer { Yes, No, YesThenCancel };
  for (Answer a : {Yes, No, YesThenCancel}) {
    SCOPED_TRACE(a);
    Patching t;
    t.choose({t.patch("1.ips", IpsBuilder().record(0x30, {0x31}).eof())});
    t.run();
    t.p.ui.script.said.clear();
    t.p.ui.script.questionAnswers.push_back(a != No);
    if (a == YesThenCancel) t.p.ui.script.openAnswers.push_back(std::nullopt);
    if (a != YesThenCancel) t.choose({t.patch("2.ips", IpsBuilder().record(0x40, {0x41}).eof())});
    t.run();
    const auto& asked = t.p.ui.script.said.at(0);
    EXPECT_EQ(std::tuple(asked.kind, asked.text, asked.caption),
              std::tuple(headless::Script::Said::Question, "Rom has been modified. Save these changes?",
                         " IPS Patcher..."));
    EXPECT_EQ(test::ReadFileBytes(t.romPath), a == No ? t.romFile : t.romWith({{0x30, 0x31}}));
    if (a == YesThenCancel) {  // saved, nothing patched: the image is no longer modified
      EXPECT_EQ(t.image(), t.romWith({{0x30, 0x31}}));
      EXPECT_EQ(t.p.ui.lastMessage(), "ROM File saved successfully!");
      EXPECT_EQ(t.form().gROMModified, 0);
    } else {
      EXPECT_EQ(t.image(), t.romWith({{0x30, 0x31}, {0x40, 0x41}}));
      EXPECT_EQ(t.p.ui.lastMessage(), kComplete);
      EXPECT_EQ(t.form().gROMModified, 1);
    }
  }
}

// BPS patches: told by their magic, checked whole, applied to the game data behind the header.
struct BpsPatching : Patching {
  BpsPatching() : Patching(/*header=*/true) {}
  Bytes game(const Bytes& file) const { return Bytes(file.begin() + 0x200, file.end()); }
  std::string bps(const std::string& name, const Bytes& from, const Bytes& to) {
    return dir.write(name, bps::CreatePatch(game(from), game(to)));
  }
};

TEST(PatchBps, AppliesBehindTheCopierHeaderMixedWithIps) {
  BpsPatching t;
  const Bytes afterIps = t.romWith({{0x300, 0x11}});
  Bytes grown = t.romWith({{0x300, 0x11}, {0x201, 0x22}, {0x5000, 0x33}});
  grown.insert(grown.end(), 100, 0x44);
  t.choose(
      {t.patch("1.ips", IpsBuilder().record(0x300, {0x11}).eof()),  // named .ips or not, the magic decides
       t.bps("2.ips", afterIps, grown)});
  t.run();
  EXPECT_EQ(t.image(), grown);
  EXPECT_EQ(t.form().gROM, t.form().romAlloc.get() + 0x200);
  EXPECT_EQ(t.p.ui.messages(), Lines{kComplete});
  EXPECT_EQ(t.form().gROMModified, 1);
  EXPECT_FALSE(t.tempLeft());

  // The same BPS patch again: its source is gone, so it is refused, not reported as a no-op.
  t.choose({t.dir.file("2.ips")});
  t.p.ui.script.questionAnswers.push_back(false);
  t.run();
  EXPECT_EQ(t.image(), grown);
  EXPECT_NE(t.p.ui.lastMessage().find("was made for another ROM"), std::string::npos);
}

TEST(PatchBps, APatchThatChangesNothingIsReported) {
  BpsPatching t;
  t.choose({t.bps("same.bps", t.romFile, t.romFile)});
  t.run();
  EXPECT_EQ(t.image(), t.romFile);
  EXPECT_EQ(t.p.ui.messages(),
            (Lines{kComplete, "The patch changed nothing: this ROM may already have it."}));
}

TEST(PatchBps, AFailingPatchStopsTheRunWithNothingOfItApplied) {
  BpsPatching t;
  const Bytes target = t.romWith({{0x400, 0x99}});
  Bytes otherRom = t.romFile;
  otherRom[0x1000] ^= 0xFF;
  Bytes damaged = bps::CreatePatch(t.game(t.romFile), t.game(target));
  damaged[damaged.size() - 9] ^= 1;  // inside the target's CRC-32
  const std::string expects =
      Format("%zu bytes with CRC-32 0x%08X", otherRom.size() - 0x200, Crc32(t.game(otherRom)));
  const std::string has =
      Format("%zu bytes with CRC-32 0x%08X", t.romFile.size() - 0x200, Crc32(t.game(t.romFile)));
  const struct {
    const char* name;
    Bytes patch;
    std::string message;
  } cases[] = {
      {"made for another ROM", bps::CreatePatch(t.game(otherRom), t.game(target)),
       "Error: \"b.bps\" was made for another ROM: it expects " + expects + ", this ROM has " + has +
           " (without its copier header). No patching performed with it."},
      {"damaged", damaged, "is damaged: its CRC-32 is"},
      {"cut short", Bytes(damaged.begin(), damaged.begin() + 6), "is cut short"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BpsPatching t;
    t.choose({t.patch("a.ips", IpsBuilder().record(0x10, {0x77}).eof()), t.dir.write("b.bps", c.patch),
              t.patch("c.ips", IpsBuilder().record(0x11, {0x78}).eof())});
    t.run();
    EXPECT_EQ(t.image(), t.romWith({{0x10, 0x77}}));
    EXPECT_EQ(t.form().gROMModified, 1);  // the patch applied before it stays, marked
    ASSERT_EQ(t.p.ui.messages().size(), 1u);
    EXPECT_NE(t.p.ui.messages()[0].find(c.message), std::string::npos) << t.p.ui.messages()[0];
    EXPECT_FALSE(t.tempLeft());
  }
}

// ts2tool's route (records straight into the image, no temporary file) makes the same image and
// finds the same patches unchanged as PATCH's route, on random patches whose records overlap,
// restore what an earlier record wrote, grow the image, write what is there already or cut it (a
// truncation size, as ts2tool reads it).
TEST(PatchRoutes, InMemoryMakesWhatTheTemporaryFileMakes) {
  std::mt19937 rng(6);
  for (int run = 0; run < 60; ++run) {
    SCOPED_TRACE(testing::Message() << "run " << run);
    Patching viaFile, inMemory;
    const Bytes rom = viaFile.image();
    const uint32_t size = static_cast<uint32_t>(rom.size());
    std::vector<std::string> filesVia, filesIn;
    for (int patch = 0; patch < 3; ++patch) {
      IpsBuilder b;
      AddRandomRecords(b, rng, rom, 1, 256);  // every run byte
      AddEnd(b, rng, size);
      filesVia.push_back(viaFile.patch(Format("p%d.ips", patch), b));
      filesIn.push_back(inMemory.patch(Format("p%d.ips", patch), b));
    }
    viaFile.form().ipsTruncation = inMemory.form().ipsTruncation = run % 2 == 1;
    std::vector<std::string> unchangedFile, unchangedMemory;
    ASSERT_TRUE(viaFile.form().ApplyPatchFiles(filesVia, TmyForm::PatchRoute::TempFile, &unchangedFile));
    ASSERT_TRUE(inMemory.form().ApplyPatchFiles(filesIn, TmyForm::PatchRoute::InMemory, &unchangedMemory));
    EXPECT_EQ(inMemory.image(), viaFile.image());
    EXPECT_EQ(unchangedMemory, unchangedFile);
    EXPECT_FALSE(inMemory.tempLeft());
  }
}

}  // namespace
}  // namespace ts2
