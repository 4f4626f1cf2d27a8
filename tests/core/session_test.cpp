// What the editor keeps between runs: the recent-file list and its menu, opening an entry, and
// the windows and zoom brought back at the next start.
#include <filesystem>

#include "core/fileutil.h"
#include "core/recent.h"
#include "desktop_fixture.h"

namespace ts2::test {
namespace {

namespace fs = std::filesystem;

RecentPair Pair(int n, const char* data = "d.txt") {
  return {"/roms/r" + std::to_string(n) + ".sfc", std::string("/roms/") + data};
}

TEST(RecentList, KeepsTheLastEightPairsNewestFirstEachOnce) {
  struct Case {
    const char* name;
    std::vector<RecentPair> added;
    std::vector<RecentPair> expected;
  };
  std::vector<RecentPair> ten, lastEight;
  for (int n = 1; n <= 10; ++n) ten.push_back(Pair(n));
  for (int n = 10; n >= 3; --n) lastEight.push_back(Pair(n));
  const Case cases[] = {
      {"newest first", {Pair(1), Pair(2)}, {Pair(2), Pair(1)}},
      {"the same pair again moves up", {Pair(1), Pair(2), Pair(1)}, {Pair(1), Pair(2)}},
      {"another data file is another pair", {Pair(1), Pair(1, "e.txt")}, {Pair(1, "e.txt"), Pair(1)}},
      {"dots resolved", {{"/roms/./a/../r1.sfc", "/roms/d.txt"}, Pair(1)}, {Pair(1)}},
      {"the oldest beyond eight fall off", ten, lastEight},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecentList list;
    for (const RecentPair& pair : c.added) list.add(pair);
    EXPECT_EQ(list.entries(), c.expected);
  }
}

TEST(RecentList, SavesAndLoadsThroughTheSettingsSkippingBrokenEntries) {
  headless::HSettings settings;
  RecentList list;
  for (int n = 1; n <= 3; ++n) list.add(Pair(n));
  list.save(settings);
  EXPECT_EQ(RecentList::Load(settings).entries(), list.entries());
  // A shorter list clears the slots it no longer uses.
  list.remove(0);
  list.save(settings);
  EXPECT_FALSE(settings.value("recent/3/rom"));
  EXPECT_EQ(RecentList::Load(settings).entries(), list.entries());
  // Edited by hand: an entry without its data file and a repeated one are left out.
  settings.setValue("recent/3/rom", "/x.sfc");
  settings.setValue("recent/4/rom", list.entries()[0].rom);
  settings.setValue("recent/4/data", list.entries()[0].dataFile);
  EXPECT_EQ(RecentList::Load(settings).entries(), list.entries());
}

TEST(RecentList, CaptionsNameBothFilesAndTheFolder) {
  EXPECT_EQ(RecentCaption(0, {"/w/game.sfc", "/w/data.txt"}), "&1 game.sfc + data.txt  (/w)");
  EXPECT_EQ(RecentCaption(7, {"/w/a&b.sfc", "/x/data.txt"}), "&8 a&&b.sfc + /x/data.txt  (/w)");
}

using Recent = DesktopFixture;

TEST_F(Recent, AnOpenedPairIsListedAndOpensBothInOneStep) {
  for (int n : {1, 8}) EXPECT_FALSE(p.ui.menuItem(kRecentFileItems[n - 1]).visible());
  EXPECT_FALSE(p.ui.menuItem(MenuId::RecentFiles1).enabled());
  openWithDialogs(rom, data);
  ASSERT_EQ(f.gDataLoaded, 1);
  EXPECT_TRUE(p.ui.menuItem(MenuId::RecentFiles1).enabled());
  EXPECT_TRUE(p.ui.menuItem(MenuId::RecentFile1).visible());
  EXPECT_EQ(p.ui.menuItem(MenuId::RecentFile1).caption(), RecentCaption(0, {rom, data}));
  EXPECT_FALSE(p.ui.menuItem(MenuId::RecentFile2).visible());
  EXPECT_EQ(p.ui.settingsStore.values.at("recent/1/rom"), rom);

  // Another program with the same settings: the entry opens ROM and data file, no dialog.
  headless::HeadlessProgram next;
  next.ui.settingsStore = p.ui.settingsStore;
  next.form().RestoreSession();
  EXPECT_EQ(next.form().gROM, nullptr);  // starting opens nothing by itself
  next.form().RunMenuCommand(MenuId::RecentFile1);
  EXPECT_TRUE(next.ui.script.dialogsRun.empty());
  EXPECT_TRUE(next.ui.messages().empty());
  EXPECT_EQ(next.form().gROMPath, rom);
  EXPECT_EQ(next.form().gDataLoaded, 1);
  EXPECT_EQ(next.ui.bList.count(), 1);
  EXPECT_EQ(next.form().gDumpDir, dir.file("Dumps"));
}

TEST_F(Recent, AnEntryWhoseFileIsGoneIsDroppedWithAMessage) {
  struct Case {
    const char* name;
    bool keepRom, keepData;
    const char* message;
  };
  const Case cases[] = {
      {"ROM gone", false, true, "This file no longer exists"},
      {"data file gone", true, false, "This file no longer exists"},
      {"both gone", false, false, "These files no longer exist"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string r = dir.write(std::string("gone.sfc"), GoodRomFile());
    const std::string d = dir.write(std::string("gone.txt"), std::string_view(".BLOCK 1A8000 0 0 1\n"));
    f.RememberRecent(rom, data);
    f.RememberRecent(r, d);  // first in the list
    if (!c.keepRom) fs::remove(r);
    if (!c.keepData) fs::remove(d);
    forget();
    f.RunMenuCommand(MenuId::RecentFile1);
    ASSERT_EQ(p.ui.messages().size(), 1u);
    EXPECT_EQ(p.ui.lastMessage().rfind(c.message, 0), 0u) << p.ui.lastMessage();
    EXPECT_EQ(f.gROM, nullptr);
    ASSERT_EQ(f.recent.entries().size(), 1u);
    EXPECT_EQ(f.recent.entries()[0].rom, rom);
    EXPECT_EQ(p.ui.menuItem(MenuId::RecentFile1).caption(), RecentCaption(0, {rom, data}));
    EXPECT_FALSE(p.ui.menuItem(MenuId::RecentFile2).visible());
    EXPECT_FALSE(p.ui.settingsStore.value("recent/2/rom"));
  }
}

// Two editors running at once keep one settings file: each one's opened pairs survive the
// other's opening files and closing.
TEST_F(Recent, TwoEditorsKeepEachOthersEntries) {
  const RecentPair mine{rom, data}, theirs{dir.file("b.sfc"), dir.file("b.txt")};
  headless::HeadlessProgram other;
  other.ui.settingsStore = p.ui.settingsStore;
  f.RestoreSession();
  other.form().RestoreSession();
  // The settings as both see them: what one wrote is what the other reads next.
  const auto share = [](headless::HeadlessProgram& from, headless::HeadlessProgram& to) {
    to.ui.settingsStore = from.ui.settingsStore;
  };
  other.form().RememberRecent(theirs.rom, theirs.dataFile);
  share(other, p);
  f.RememberRecent(mine.rom, mine.dataFile);
  EXPECT_EQ(f.recent.entries(), (std::vector<RecentPair>{mine, theirs}));
  EXPECT_EQ(p.ui.menuItem(MenuId::RecentFile2).caption(), RecentCaption(1, theirs));
  share(p, other);
  other.ui.win(FormId::myForm).close();
  EXPECT_EQ(RecentList::Load(other.ui.settingsStore).entries(), (std::vector<RecentPair>{mine, theirs}));
  share(other, p);
  p.ui.win(FormId::myForm).close();
  EXPECT_EQ(RecentList::Load(p.ui.settingsStore).entries(), (std::vector<RecentPair>{mine, theirs}));
}

// A data file that gave no block (a translation file opened as one) is no pair to open again.
TEST_F(Recent, APairIsListedOnlyWhenTheDataFileGaveABlock) {
  const struct {
    const char* name;
    std::string_view text;
    bool listed;
  } cases[] = {
      {"a block", ".BLOCK 1A8000 0 0 1\n", true},
      {"directives but no block", ".Font C00000\n.VWF on\n", false},
      {"a translation file", "// .STRING #\n.STRING 0\nHello\n.ENDS\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = dir.write(std::string("other.txt"), c.text);
    openWithDialogs(rom, data);
    f.LoadDataFile(file);
    ASSERT_EQ(f.recent.entries().empty(), false);
    EXPECT_EQ(f.recent.entries().front(), (RecentPair{rom, c.listed ? file : data}));
    EXPECT_EQ(f.recent.entries().size(), c.listed ? 2u : 1u);
    f.ChangeRecent([](RecentList& list) { list = RecentList(); });
  }
}

TEST(SessionRestore, WindowsAndZoomComeBackAtTheNextStart) {
  headless::HeadlessProgram first;
  first.form().RestoreSession();  // as every start does: nothing kept yet
  first.ui.win(FormId::myForm).setPosition(100, 50);
  first.form().RunMenuCommand(MenuId::Zoominx31);
  first.ui.win(FormId::TxtForm).setPosition(1200, 40);
  first.ui.win(FormId::TxtForm).setClientWidth(400);
  first.ui.win(FormId::cmForm).setVisible(false);
  first.ui.win(FormId::KanaForm).setVisible(true);
  first.ui.win(FormId::KanaForm).setPosition(5000, 5000);  // on a screen taken away since
  first.ui.win(FormId::myForm).close();

  headless::HeadlessProgram next;
  next.ui.settingsStore = first.ui.settingsStore;
  next.form().RestoreSession();
  EXPECT_EQ(next.form().zoom, 3);
  EXPECT_EQ(next.ui.win(FormId::myForm).clientSize().width, 960);
  EXPECT_EQ(next.ui.win(FormId::myForm).bounds().left, 100);
  const Rect txt = next.ui.win(FormId::TxtForm).bounds();
  EXPECT_EQ(std::pair(txt.left, txt.top), std::pair(1200, 40));
  EXPECT_EQ(next.ui.win(FormId::TxtForm).clientSize().width, 400);
  EXPECT_FALSE(next.ui.win(FormId::cmForm).visible());
  EXPECT_TRUE(next.ui.win(FormId::KanaForm).visible());
  // Out of reach: placed by the zoom, beside the main window, instead.
  EXPECT_LT(next.ui.win(FormId::KanaForm).bounds().left, 1920);
  EXPECT_EQ(next.form().gROM, nullptr);
  EXPECT_TRUE(next.ui.script.dialogsRun.empty());
}

// Script Overview and Find in Script come back where the translator left them, on a screen there
// still is, at a sane size; whether they were shown does not (a start without files has no script).
TEST(SessionRestore, ScriptWindowsComeBackWhereTheyWere) {
  headless::HeadlessProgram first;
  first.ui.settingsStore.values["windows/FindInScript"] = "10,20,300,200";  // from a run before
  first.form().RestoreSession();
  first.ui.showToolWindow(ToolWindow::ScriptOverview, first.program.ScriptForm());
  first.ui.toolPlaces[ToolWindow::ScriptOverview] = {1300, 60, 500, 320};  // moved and sized there
  first.ui.win(FormId::myForm).close();
  EXPECT_EQ(first.ui.settingsStore.value("windows/ScriptOverview"), "1300,60,500,320");
  EXPECT_EQ(first.ui.settingsStore.value("windows/FindInScript"), "10,20,300,200");  // not opened: kept

  const struct {
    const char* value;
    std::optional<std::tuple<int, int, int, int>> kept;
  } cases[] = {
      {"1300,60,500,320", std::tuple(1300, 60, 500, 320)},
      {"5000,5000,500,320", std::nullopt},  // on a screen taken away since
      {"10,20,0,200", std::nullopt},
      {"10,20,300,99999", std::nullopt},
      {"10,20,300", std::nullopt},
      {"10,20,300,200,1", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    headless::HeadlessProgram next;
    next.ui.settingsStore.values["windows/ScriptOverview"] = c.value;
    next.form().RestoreSession();
    const auto kept = next.ui.keptToolPlaces.find(ToolWindow::ScriptOverview);
    ASSERT_EQ(kept != next.ui.keptToolPlaces.end(), c.kept.has_value());
    if (c.kept) {
      EXPECT_EQ(std::tuple(kept->second.left, kept->second.top, kept->second.width, kept->second.height),
                *c.kept);
    }
    EXPECT_TRUE(next.ui.toolWindowsShown.empty());
  }
}

// A zoom kept on a large screen comes back only as far as the screen now holding the main window
// shows all of it: the status bar, or the menu bar under a panel, must not end up out of reach.
TEST(SessionRestore, AZoomComesBackOnlyAsFarAsTheScreenHoldsTheWindow) {
  const struct {
    const char* name;
    int kept;
    std::vector<Rect> screens;
    std::string at;  // the main window's kept place
    int zoom;
  } cases[] = {
      {"room for it", 4, {{0, 0, 1920, 1200}}, "100,50", 4},
      {"a full HD screen", 4, {{0, 0, 1920, 1080}}, "100,50", 3},
      {"a laptop's screen", 4, {{0, 0, 1366, 768}}, "100,50", 2},
      {"too small for any", 3, {{0, 0, 640, 480}}, "0,0", 1},
      {"the smaller of two screens", 4, {{0, 0, 2560, 1440}, {2560, 0, 1024, 700}}, "2600,10", 2},
      {"the larger of two screens", 4, {{0, 0, 2560, 1440}, {2560, 0, 1024, 700}}, "20,10", 4},
      {"a screen taken away: the first one's", 3, {{0, 0, 1280, 800}}, "3000,10", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    headless::HeadlessProgram p;
    p.ui.screenAreas = c.screens;
    p.ui.settingsStore.values["window/zoom"] = std::to_string(c.kept);
    p.ui.settingsStore.values["windows/myForm"] = c.at;
    p.form().RestoreSession();
    EXPECT_EQ(p.form().zoom, c.zoom);
    EXPECT_EQ(p.ui.win(FormId::myForm).clientSize().width, c.zoom * kMainClientW);
  }
}

TEST(SessionRestore, NothingKeptChangesNothing) {
  headless::HeadlessProgram p;
  p.ui.settingsStore.values["windows/TxtForm"] = "1,2,three,4,1";  // not numbers: ignored
  const Rect before = p.ui.win(FormId::TxtForm).bounds();
  p.form().RestoreSession();
  const Rect after = p.ui.win(FormId::TxtForm).bounds();
  EXPECT_EQ(std::tuple(after.left, after.top, after.width),
            std::tuple(before.left, before.top, before.width));
  EXPECT_EQ(p.form().zoom, 1);
}

}  // namespace
}  // namespace ts2::test
