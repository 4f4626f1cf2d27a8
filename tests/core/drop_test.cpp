// Files dropped on the main window, and the question before another ROM replaces an image with
// unsaved changes, whichever way it is opened.
#include <filesystem>
#include <functional>

#include "core/drop.h"
#include "core/fileutil.h"
#include "desktop_fixture.h"
#include "patch/bps.h"

namespace ts2::test {
namespace {

namespace fs = std::filesystem;
using Said = headless::Script::Said;

TEST(DropFilter, PatternsComeFromTheDialogFilters) {
  EXPECT_EQ(FilterPatterns("SNES ROM | *.s*c; *.fig;"), (Lines{"*.s*c", "*.fig"}));
  EXPECT_EQ(FilterPatterns("Patch files (*.ips;*.bps)|*.ips;*.bps|IPS files (*.ips)|*.ips"),
            (Lines{"*.ips", "*.bps", "*.ips"}));
  struct Case {
    const char* path;
    std::string_view filter;
    bool matches;
  };
  const Case cases[] = {
      {"/a/game.sfc", RomFileFilter(), true},
      {"/a/GAME.SMC", RomFileFilter(), true},
      {"game.fig", RomFileFilter(), true},
      {"/a.sfc/game.txt", RomFileFilter(), false},
      {"game.sfc.txt", RomFileFilter(), false},
      {"/a/demo.txt", DataFileFilter(), true},
      {"fix.IPS", PatchFileFilter(), true},
      {"fix.ips.zip", PatchFileFilter(), false},
      {"x.bps", "B|*.bps", true},
      {"x.b", "B|*.b?s", false},
      {"readme", RomFileFilter(), false},
  };
  for (const Case& c : cases) EXPECT_EQ(MatchesFilter(c.path, c.filter), c.matches) << c.path;
}

TEST(DropPlan, SortsDroppedFilesByKind) {
  const auto notTranslation = [](const std::string& path) { return path != "/t.txt"; };
  const DropPlan plan =
      PlanDrop({"/b.ips", "/x.zip", "/r.sfc", "/t.txt", "/a.ips", "/d.txt", "/r2.smc", "/e.txt"},
               RomFileFilter(), DataFileFilter(), PatchFileFilter(), notTranslation);
  EXPECT_EQ(plan.rom, "/r.sfc");
  EXPECT_EQ(plan.dataFile, "/d.txt");                    // the first that is a data file
  EXPECT_EQ(plan.patches, (Lines{"/b.ips", "/a.ips"}));  // in the order dropped
  EXPECT_EQ(plan.unknown, Lines{"/x.zip"});
  EXPECT_EQ(plan.unused, (Lines{"/r2.smc", "/e.txt"}));
  EXPECT_EQ(plan.notData, Lines{"/t.txt"});
}

// A data file is told from the translation files and word list, which share its pattern, by the
// loader's own directives.
TEST(DropPlan, ADataFileHoldsALineTheLoaderTakesAsADirective) {
  test::TempDir dir;
  const struct {
    const char* name;
    std::string_view text;
    bool dataFile;
  } cases[] = {
      {"blocks", "A comment line\n.BLOCK 1A8000 0 0 1\n", true},
      {"a table only", ".TABLE\n0041=A\n", true},
      {"any case", ".font C00000\n", true},
      {"a translation file", "// Do not erase these: \n// .STRING #\n// .ENDS\n\n.STRING 0\nHello\n.ENDS\n",
       false},
      {"the word list", "Kor\nSaragon\n", false},
      {"empty", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(HoldsDataFileDirective(dir.write(std::string("x.txt"), c.text)), c.dataFile);
  }
}

// The editor's command line: a ROM and at most its data file are opened as Open ROM opens them
// (whatever the ROM's name); anything else is taken as a drop.
TEST(DropPlan, TheClassicCommandLineIsARomAndAtMostItsDataFile) {
  const struct {
    Lines files;
    bool classic;
  } cases[] = {
      {{"game.sfc"}, true},
      {{"game.sfc", "script.txt"}, true},
      {{"dump.bin", "script.dat"}, true},  // named otherwise: still the ROM and its data file
      {{}, false},
      {{"fix.ips"}, false},
      {{"script.txt"}, false},
      {{"script.txt", "game.sfc"}, false},
      {{"game.sfc", "fix.bps"}, false},
      {{"game.sfc", "script.txt", "fix.ips"}, false},  // a file manager opening all three
      {{"game.sfc", "a.ips", "b.ips"}, false},
      {{"a.sfc", "b.sfc"}, false},  // two ROMs opened together
      {{"dump.bin", "b.fig"}, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ClassicCommandLine(c.files, RomFileFilter(), DataFileFilter(), PatchFileFilter()), c.classic)
        << ::testing::PrintToString(c.files);
}

using Drop = DesktopFixture;

TEST_F(Drop, ARomOpensAndAsksForTheDataFileUnlessOneCameWithIt) {
  script.openAnswers.push_back(Lines{data});
  f.FilesDropped({rom});
  ASSERT_EQ(script.dialogsRun.size(), 1u);
  EXPECT_EQ(script.dialogsRun[0].title, "Open Text Block Data File");
  EXPECT_EQ(f.gROMPath, rom);
  EXPECT_EQ(f.gDataLoaded, 1);

  // Another ROM with its data file, over an image without unsaved changes: nothing is asked.
  const std::string other = dir.write("other.sfc", GoodRomFile());
  forget();
  f.FilesDropped({data, other});
  EXPECT_TRUE(script.dialogsRun.empty());
  EXPECT_TRUE(script.said.empty());
  EXPECT_EQ(f.gROMPath, other);
  EXPECT_EQ(f.gDataLoaded, 1);
  EXPECT_EQ(f.recent.entries().front(), (RecentPair{other, data}));
}

TEST_F(Drop, ADataFileAloneLoadsAsTheMenuCommandDoes) {
  f.FilesDropped({data});
  EXPECT_TRUE(script.dialogsRun.empty());
  EXPECT_EQ(p.ui.bList.lines, Lines{"Block 1A8000"});
  EXPECT_EQ(p.ui.win(FormId::myForm).caption(), std::string(kMainCaption) + " - [ data.txt ]");
}

// A translation file dropped by mistake leaves the loaded data file and Recent Files as they were,
// and is named; a data file dropped with it loads.
TEST_F(Drop, ATranslationFileIsNotTakenForTheDataFile) {
  openWithDialogs(rom, data);
  const std::string translation = dir.write("Dumps/000A0000.txt", std::string_view(".STRING 0\nHi\n.ENDS\n"));
  const std::string other = dir.write("other.txt", std::string_view(".BLOCK 1B0000 0 0 1\n"));
  const struct {
    const char* name;
    Lines dropped;
    Lines blocks;
    std::vector<RecentPair> recent;
  } cases[] = {
      {"alone", {translation}, {"Block 1A8000"}, {{rom, data}}},
      {"before a data file", {translation, other}, {"Block 1B0000"}, {{rom, other}, {rom, data}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    forget();
    f.FilesDropped(c.dropped);
    ASSERT_EQ(p.ui.messages().size(), 1u);
    EXPECT_EQ(p.ui.lastMessage(),
              "These files are not text block data files (a translation file, for example), so they were not "
              "loaded:\n000A0000.txt");
    EXPECT_EQ(p.ui.bList.lines, c.blocks);
    EXPECT_EQ(f.recent.entries(), c.recent);
  }
}

TEST_F(Drop, PatchesApplyInTheOrderDroppedAfterTheSaveQuestion) {
  openWithDialogs(rom, data);
  modifyRom();
  // A BPS patch made for the image as it is now, then an IPS patch: both write game offset
  // 0x200, and the one dropped last wins.
  const uint32_t header = f.gROMHeaderSize;
  const std::vector<uint8_t> game(f.gROM, f.romAlloc.get() + f.gROMSize);
  std::vector<uint8_t> target = game;
  target[0x200] = 0x22;
  target[0x201] = 0x33;
  const std::string b = dir.write("b.bps", bps::CreatePatch(game, target));
  const std::string a = dir.write("a.ips", IpsBuilder().record(header + 0x200, {0x11}).eof().bytes());
  forget();
  script.questionAnswers.push_back(false);  // do not save first
  f.FilesDropped({b, a});
  EXPECT_TRUE(script.dialogsRun.empty());
  ASSERT_EQ(script.said.size(), 2u);
  EXPECT_EQ(script.said[0].text, "Rom has been modified. Save these changes?");
  EXPECT_EQ(script.said[1].text, "Patching is complete! Remember to SAVE the changes!");
  EXPECT_EQ(f.gROM[0x200], 0x11);
  EXPECT_EQ(f.gROM[0x201], 0x33);
  EXPECT_EQ(f.gROMModified, 1);
}

TEST_F(Drop, WhatCannotBeUsedIsSaidOnce) {
  const std::string zip = dir.write("notes.zip", std::string_view("x"));
  const std::string patch = dir.write("fix.ips", IpsBuilder().eof().bytes());
  const std::string translation = dir.write("000A0000.txt", std::string_view(".STRING 0\nHello\n.ENDS\n"));
  fs::create_directory(dir.file("folder"));
  struct Case {
    const char* name;
    Lines dropped;
    std::vector<const char*> starts;  // each message's start, in order
  };
  const Case cases[] = {
      {"unknown files", {zip, dir.file("folder")}, {"These files were not opened"}},
      {"a patch without a ROM", {patch}, {"Open a ROM before applying patches"}},
      {"a translation file", {translation}, {"These files are not text block data files"}},
      {"both, in one drop", {zip, patch}, {"These files were not opened", "Open a ROM before"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    forget();
    f.FilesDropped(c.dropped);
    const Lines said = p.ui.messages();
    ASSERT_EQ(said.size(), c.starts.size());
    for (size_t i = 0; i < said.size(); ++i) EXPECT_EQ(said[i].rfind(c.starts[i], 0), 0u) << said[i];
    EXPECT_EQ(f.gROM, nullptr);
    EXPECT_TRUE(p.ui.bList.lines.empty());
  }
  EXPECT_NE(p.ui.messages()[0].find("notes.zip"), std::string::npos);
  EXPECT_NE(p.ui.messages()[0].find("patches (*.ips, *.bps)."), std::string::npos) << p.ui.messages()[0];
}

// Open ROM over an image with unsaved changes, from the menu, the recent list and a drop: each
// asks first; Yes saves, No goes on, Cancel or a closed box keeps everything.
TEST_F(Drop, OpenRomOverUnsavedChangesAsksFirstEveryWay) {
  const std::string other = dir.write("other.sfc", GoodRomFile());
  struct Way {
    const char* name;
    std::function<void()> open;  // opens `other` with the data file
  };
  const Way ways[] = {
      {"menu", [&] { openWithDialogs(other, data); }},
      {"recent list",
       [&] {
         f.RememberRecent(other, data);
         f.RunMenuCommand(MenuId::RecentFile1);
       }},
      {"drop",
       [&] {
         f.FilesDropped({other, data});
       }},
  };
  struct Answer {
    const char* name;
    int choice;
    bool saved, opened;
  };
  const Answer answers[] = {{"Yes", 0, true, true},
                            {"No", 1, false, true},
                            {"Cancel", 2, false, false},
                            {"closed", -1, false, false}};
  for (const Way& way : ways) {
    for (const Answer& answer : answers) {
      SCOPED_TRACE(std::string(way.name) + ", " + answer.name);
      script.openAnswers.clear();
      f.gROMModified = 0;
      openWithDialogs(rom, data);
      ASSERT_EQ(f.gROMPath, rom);
      const uint8_t before = test::ReadFileBytes(rom)[0x100];
      modifyRom();
      forget();
      script.choiceAnswers.push_back(answer.choice);
      way.open();
      ASSERT_FALSE(script.said.empty());
      EXPECT_EQ(script.said[0].kind, Said::Choice);
      EXPECT_EQ(script.said[0].text, "ROM data modified. Do you wish to save changes?");
      EXPECT_EQ(script.said[0].caption, "ROM File Modified...");
      EXPECT_EQ(test::ReadFileBytes(rom)[0x100] != before, answer.saved);
      EXPECT_EQ(f.gROMPath, answer.opened ? other : rom);
      EXPECT_EQ(f.gROMModified != 0, !answer.opened);
      if (!answer.opened) {
        EXPECT_EQ(script.said.size(), 1u);  // nothing else happened
      }
      fs::copy_file(dir.file("other.sfc"), rom, fs::copy_options::overwrite_existing);
    }
  }
}

TEST_F(Drop, AFailedSaveStopsTheOpen) {
  openWithDialogs(rom, data);
  modifyRom();
  fs::permissions(rom, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const std::string other = dir.write("other.sfc", GoodRomFile());
  forget();
  script.choiceAnswers.push_back(0);
  f.FilesDropped({other, data});
  EXPECT_EQ(f.gROMPath, rom);
  EXPECT_EQ(f.gROMModified, 1);
  EXPECT_EQ(kinds(), (std::vector<Said::Kind>{Said::Choice, Said::Message}));  // the save's own message
}

TEST_F(Drop, PatchesNeverGoIntoTheImageWhenTheRomDroppedWithThemFailsToOpen) {
  const std::string patch = dir.write("fix.ips", IpsBuilder().record(0x300, {0xA5, 0x5A}).eof().bytes());
  const std::string wrong = dir.write("wrong.sfc", std::vector<uint8_t>(0x20000, 0x42));  // no title
  const std::string missing = dir.file("missing.sfc");
  for (bool modified : {false, true}) {
    for (const std::string& other : {wrong, missing}) {
      SCOPED_TRACE(ExtractFileName(other) + (modified ? ", unsaved changes dropped" : ""));
      openWithDialogs(rom, data);
      if (modified) modifyRom();
      const std::vector<uint8_t> before(f.romAlloc.get(), f.romAlloc.get() + f.gROMSize);
      forget();
      if (modified) script.choiceAnswers.push_back(1);  // No: do not save them
      f.FilesDropped({other, patch});
      EXPECT_EQ(std::vector<uint8_t>(f.romAlloc.get(), f.romAlloc.get() + f.gROMSize), before);
      EXPECT_EQ(f.gROMModified, modified ? 1 : 0);
      EXPECT_EQ(f.gROMPath, rom);
      EXPECT_EQ(
          script.said.back().text,
          "\"" + ExtractFileName(other) + "\" was not opened, so these patches were not applied:\nfix.ips");
    }
  }
}

}  // namespace
}  // namespace ts2::test
