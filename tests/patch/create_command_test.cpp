// Create Patch on the headless toolkit: the patch made from an original ROM and the image in
// memory turns the original into that image, in the format and header layout chosen.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/fileutil.h"
#include "headless/headless.h"
#include "patch/bps.h"
#include "patch/ips.h"
#include "support/loaded_program.h"

namespace ts2 {
namespace {

using Bytes = std::vector<uint8_t>;

// A loaded ROM (game.sfc, the original on disk) whose image in memory the translator changed.
struct Creating : test::LoadedProgram {
  explicit Creating(bool header = false) : LoadedProgram({}, test::RomBuilder(), header) {
    form().gROM[0x8000] ^= 0xFF;
    form().gROM[0x8001] = 0x42;
    form().gROMModified = 1;
  }
  void run(const std::optional<std::string>& save) {
    p.ui.script.openAnswers.push_back(std::vector<std::string>{romPath});
    p.ui.script.saveAnswers.push_back(save ? std::optional(dir.file(*save)) : std::nullopt);
    form().RunMenuCommand(MenuId::CreatePatch1);
  }
  Bytes game() { return Bytes(form().RomData().begin(), form().RomData().end()); }
  Bytes originalGame() { return Bytes(romFile.begin() + form().gROMHeaderSize, romFile.end()); }
};

TEST(CreatePatch, TheSavedPatchTurnsTheOriginalIntoTheImage) {
  enum Applied { GameData, WholeFile };
  const struct {
    const char* name;
    bool header;
    std::string saveAs, written;
    std::optional<bool> headerless;  // the answer to the header question; none: not asked
    Applied appliedTo;
    std::string said;
  } cases[] = {
      {"BPS", false, "t.bps", "t.bps", std::nullopt, GameData, "\"t.bps\" (BPS, "},
      {"BPS over a copier header", true, "t.bps", "t.bps", std::nullopt, GameData, "\"t.bps\" (BPS, "},
      {"a name without .bps or .ips", false, "t", "t.bps", std::nullopt, GameData, "\"t.bps\" (BPS, "},
      {"IPS", false, "t.IPS", "t.IPS", std::nullopt, WholeFile, "\"t.IPS\" (IPS, "},
      {"IPS for copies without the header", true, "t.ips", "t.ips", true, GameData,
       "It fits copies without a copier header."},
      {"IPS for copies with the header", true, "t.ips", "t.ips", false, WholeFile,
       "It fits copies with a copier header."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Creating t(c.header);
    if (c.headerless) t.p.ui.script.questionAnswers.push_back(*c.headerless);
    t.run(c.saveAs);
    EXPECT_EQ(t.p.ui.script.said.size(), c.headerless ? 2u : 1u);  // the question only when asked
    ASSERT_EQ(t.p.ui.messages().size(), c.headerless ? 2u : 1u);
    const std::string said = t.p.ui.lastMessage();
    EXPECT_NE(said.find(c.said), std::string::npos) << said;
    EXPECT_NE(
        said.find("turns \"game.sfc\" into the ROM image as the editor holds it, unsaved changes included"),
        std::string::npos)
        << said;
    const std::optional<std::vector<uint8_t>> patch = ReadWholeFile(t.dir.file(c.written));
    ASSERT_TRUE(patch);
    Bytes result;
    if (c.written.ends_with(".bps")) {
      const bps::Study study = bps::StudyPatch(*patch);
      ASSERT_TRUE(study.ok());
      ASSERT_EQ(bps::Apply(study, *patch, t.originalGame(), result), bps::Error::None);
      EXPECT_EQ(result, t.game());
    } else {
      result = c.appliedTo == GameData ? t.originalGame() : t.romFile;
      ASSERT_EQ(ips::ApplyPatch(*patch, result), ips::Error::None);
      EXPECT_EQ(result, c.appliedTo == GameData ? t.game() : t.image());
    }
    EXPECT_EQ(t.form().gROMModified, 1);  // making a patch saves nothing
  }
}

// An original with a copier header and an image without one (or the other way round): whole files
// would differ everywhere, so the IPS patch compares the game data and fits copies without a
// header, without asking.
TEST(CreatePatch, IpsBetweenFilesOfDifferentHeadersComparesTheGameData) {
  for (const bool romHeader : {false, true}) {
    SCOPED_TRACE(romHeader);
    Creating t(romHeader);
    Bytes other(t.originalGame());
    if (!romHeader) other.insert(other.begin(), 0x200, 0);  // the original has the header
    t.p.ui.script.openAnswers.push_back(std::vector<std::string>{t.dir.write("clean.sfc", other)});
    t.run("t.ips");
    ASSERT_EQ(t.p.ui.messages().size(), 1u);  // no question
    EXPECT_NE(t.p.ui.lastMessage().find("It fits copies without a copier header."), std::string::npos);
    const std::optional<std::vector<uint8_t>> patch = ReadWholeFile(t.dir.file("t.ips"));
    ASSERT_TRUE(patch);
    Bytes result = t.originalGame();
    ASSERT_EQ(ips::ApplyPatch(*patch, result), ips::Error::None);
    EXPECT_EQ(result, t.game());
  }
}

// Every way out before the patch is written leaves no file and says why, or nothing when the
// translator cancelled.
TEST(CreatePatch, NothingIsWrittenWhenItCannotBeMade) {
  {
    headless::HeadlessProgram none;  // no ROM loaded: no dialog, a message that says what to do
    none.form().RunMenuCommand(MenuId::CreatePatch1);
    EXPECT_TRUE(none.ui.script.dialogsRun.empty());
    EXPECT_NE(none.ui.lastMessage().find("Open the translated ROM first"), std::string::npos);
  }
  const struct {
    const char* name;
    std::function<void(Creating&)> setUp;
    std::optional<std::string> saveAs;
    std::string said;  // a part of the only message; empty: none
  } cases[] = {
      {"the original's dialog cancelled",
       [](Creating& t) { t.p.ui.script.openAnswers.push_back(std::nullopt); }, "t.bps", ""},
      {"the save dialog cancelled", [](Creating&) {}, std::nullopt, ""},
      {"an original that is not the game",
       [](Creating& t) {
         t.p.ui.script.openAnswers.push_back(std::vector<std::string>{t.dir.write("other.sfc", "not a ROM")});
       },
       "t.bps", "\"other.sfc\" is not a ROM of this game. No patch was made."},
      {"an original that cannot be read",
       [](Creating& t) {
         t.p.ui.script.openAnswers.push_back(std::vector<std::string>{t.dir.file("gone.sfc")});
       },
       "t.bps", "Could not read the original ROM (cannot read "},
      {"an image the same as the original",
       [](Creating& t) {
         t.form().gROM[0x8000] ^= 0xFF;
         t.form().gROM[0x8001] = t.romFile[0x8001];
       },
       "t.bps", "a patch would change nothing. No patch was made."},
      {"a folder that does not exist", [](Creating&) {}, "nowhere/t.bps",
       "Error: Could not write the patch (cannot create "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Creating t;
    c.setUp(t);  // an answer queued here comes before run()'s own
    t.run(c.saveAs);
    const std::vector<std::string> said = t.p.ui.messages();
    if (c.said.empty()) {
      EXPECT_TRUE(said.empty());
    } else {
      ASSERT_EQ(said.size(), 1u);
      EXPECT_NE(said[0].find(c.said), std::string::npos) << said[0];
    }
    EXPECT_FALSE(std::filesystem::exists(t.dir.file("t.bps")));
    EXPECT_FALSE(std::filesystem::exists(t.dir.file("nowhere")));
  }
}

// The dialogs start beside the ROM: the original is looked for there, and the patch is offered
// under the ROM's name. They are its own: the shared open dialog keeps what Open ROM left in it.
TEST(CreatePatch, TheDialogsStartBesideTheRom) {
  Creating t;
  const FileDialog shared = t.form().Open1;
  // The original in another folder, chosen as the desktop's dialog chooses: the editor's working
  // directory (where PATCH puts its temporary file) stays its own.
  std::filesystem::create_directory(t.dir.path() / "clean");
  std::filesystem::copy_file(t.romPath, t.dir.path() / "clean/game.sfc");
  t.p.ui.script.openAnswers.push_back(std::vector<std::string>{t.dir.file("clean/game.sfc")});
  t.p.ui.script.openDialogSetsDirectory = true;
  const std::string before = CurrentDirectory();
  t.run("t.bps");
  EXPECT_EQ(CurrentDirectory(), before);
  EXPECT_NE(t.p.ui.lastMessage().find("turns \"game.sfc\""), std::string::npos) << t.p.ui.lastMessage();
  EXPECT_EQ(std::tuple(t.form().Open1.title, t.form().Open1.initialDir, t.form().Open1.fileName,
                       t.form().Open1.filter),
            std::tuple(shared.title, shared.initialDir, shared.fileName, shared.filter));
  ASSERT_EQ(t.p.ui.script.dialogsRun.size(), 2u);
  const FileDialog& open = t.p.ui.script.dialogsRun[0];
  const FileDialog& save = t.p.ui.script.dialogsRun[1];
  const std::string folder = std::filesystem::path(t.romPath).parent_path().string();
  EXPECT_EQ(std::tuple(open.title, open.initialDir, open.filter, open.multiSelect),
            std::tuple("Select the original ROM the patch starts from", folder, std::string(RomFileFilter()),
                       false));
  EXPECT_EQ(std::tuple(save.title, save.initialDir, save.fileName, save.filter),
            std::tuple("Save Patch As", folder, folder + "/game.bps",
                       "BPS patch (*.bps)|*.bps|IPS patch (*.ips)|*.ips"));
}

}  // namespace
}  // namespace ts2
