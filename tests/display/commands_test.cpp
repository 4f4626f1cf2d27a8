#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "display_fixture.h"

namespace ts2 {
namespace {

using headless::HeadlessProgram;
using headless::kFrameW;

// ---- view commands ----

class ViewCommands : public test::DisplayTest {
 protected:
  void SetUp() override { LoadBlankString(); }
};

TEST_F(ViewCommands, TogglesFlipTheirCheckAndRedrawEachTime) {
  for (MenuId item : {MenuId::HideCodes, MenuId::UseVWFRoutine1}) {
    SCOPED_TRACE(std::string(MenuInfo(item).name));
    const int draws = Draws();
    for (bool checked : {true, false}) {
      f.RunMenuCommand(item);
      EXPECT_EQ(f.Checked(item), checked);
      EXPECT_FALSE(f.Checked(MenuId::DTT));
    }
    EXPECT_EQ(Draws(), draws + 4);  // both boxes, twice
  }
}

TEST_F(ViewCommands, EachRadioItemChecksOnlyItselfInItsGroup) {
  MenuId colour = MenuId::Blue1, fill = MenuId::Gradient1;  // as the program starts
  for (MenuId clicked : {MenuId::Green1, MenuId::Solid1, MenuId::Red1, MenuId::Blue1, MenuId::Gradient1}) {
    SCOPED_TRACE(std::string(MenuInfo(clicked).name));
    const int draws = Draws();
    f.RunMenuCommand(clicked);
    f.RunMenuCommand(clicked);  // clicking the checked item keeps it checked
    (MenuInfo(clicked).radioGroup == MenuInfo(MenuId::Blue1).radioGroup ? colour : fill) = clicked;
    for (MenuId item : {MenuId::Blue1, MenuId::Green1, MenuId::Red1, MenuId::Gradient1, MenuId::Solid1})
      EXPECT_EQ(f.Checked(item), item == colour || item == fill) << MenuInfo(item).name;
    EXPECT_FALSE(f.Checked(MenuId::DTT));
    EXPECT_EQ(Draws(), draws + 4);
  }
}

TEST_F(ViewCommands, DisplayTranslatedTextEndsUnchecked) {
  // Left checked, the next render would draw the ROM text into the translation box: not when
  // the data-file loader checked it first, nor when no string is selected and the display stops
  // early.
  for (auto [checked, selected] : {std::pair{true, true}, {false, true}, {true, false}, {false, false}}) {
    p.ui.pList.setItemIndex(selected ? 0 : -1);
    f.SetChecked(MenuId::DTT, checked);
    f.RunMenuCommand(MenuId::DTT);
    EXPECT_FALSE(f.Checked(MenuId::DTT)) << checked << selected;
  }
}

TEST_F(ViewCommands, GreenThenSolidFillsTheBoxInteriors) {
  f.Red1Click(MenuId::Green1);
  f.Red1Click(MenuId::Solid1);
  // Interior tiles of each box, clear of the first text line and of the borders.
  for (auto [top, bottom, left, right] : {std::array{40, 110, 32, 270}, std::array{168, 238, 32, 226}})
    for (int y = top; y <= bottom; ++y)
      for (int x = left; x <= right; ++x) ASSERT_EQ(Px(x, y), 0x03E0) << x << "," << y;
}

TEST_F(ViewCommands, PlayerNameWidthIsAskedRememberedAndRenewsTheVerdict) {
  p.ui.TDMemo.setText(".STRING 0\n[PLAYER]" + std::string(20, 'x') + "\n.ENDS\n");
  f.pListClick(&p.ui.pList);
  EXPECT_EQ(p.ui.status.panelText(kStatusFitPanel), "L1: name");
  p.ui.script.numberAnswers = {7, std::nullopt};
  f.RunMenuCommand(MenuId::PlayerNameWidth1);
  EXPECT_EQ(p.ui.status.panelText(kStatusFitPanel), "Fits");
  EXPECT_EQ(p.ui.settingsStore.values["PlayerNameWidth"], "7");
  f.RunMenuCommand(MenuId::PlayerNameWidth1);  // cancelled: nothing changes
  EXPECT_EQ(f.gPlayerWidth, 7);
  ASSERT_EQ(p.ui.script.numbersAsked.size(), 2u);
  const auto& asked = p.ui.script.numbersAsked;
  EXPECT_EQ(std::tie(asked[0].value, asked[0].min, asked[0].max), std::make_tuple(8, 0, kMaxPlayerWidth));
  EXPECT_EQ(asked[1].value, 7);
}

TEST(PlayerWidth, RestoredFromTheSettingsWhenItIsOneOfOurs) {
  const std::pair<const char*, int> cases[] = {{"5", 5}, {"0", 0}, {"64", 64}, {"65", 8},
                                               {"", 8},  {"x", 8}, {"-1", 8},  {"007", 8}};
  for (const auto& [saved, width] : cases) {
    HeadlessProgram p;
    p.ui.settingsStore.values["PlayerNameWidth"] = saved;
    p.form().RestorePlayerWidth();
    EXPECT_EQ(p.form().gPlayerWidth, width) << saved;
  }
}

TEST(WindowCommands, TextEditorOnTopTogglesBothToolWindows) {
  HeadlessProgram p;
  for (bool onTop : {true, false}) {
    p.form().RunMenuCommand(MenuId::TEOnTop);
    EXPECT_EQ(p.form().Checked(MenuId::TEOnTop), onTop);
    EXPECT_EQ(p.ui.win(FormId::TxtForm).stayOnTop(), onTop);
    EXPECT_EQ(p.ui.win(FormId::KanaForm).stayOnTop(), onTop);
    EXPECT_FALSE(p.ui.win(FormId::cmForm).stayOnTop());
  }
}

TEST(WindowCommands, ShowCommandsShowAndBringForwardTheirWindow) {
  const std::pair<MenuId, FormId> cases[] = {{MenuId::DisplayTextEditor1, FormId::TxtForm},
                                             {MenuId::ViewHexData1, FormId::HexForm},
                                             {MenuId::DisplayKanaTextDump1, FormId::KanaForm}};
  HeadlessProgram p;
  for (auto [item, form] : cases) {
    const int shown = p.ui.win(form).showCount;  // shown again even when visible: brought forward
    p.form().RunMenuCommand(item);
    EXPECT_EQ(p.ui.win(form).showCount, shown + 1) << MenuInfo(item).name;
  }
}

// ---- window sizes and the placement of the tool windows ----

struct Placement {
  Rect main, txt, list, kana;
};

Placement PlacementOf(HeadlessProgram& p) {
  return {p.ui.win(FormId::myForm).bounds(), p.ui.win(FormId::TxtForm).bounds(),
          p.ui.win(FormId::cmForm).bounds(), p.ui.win(FormId::KanaForm).bounds()};
}

// Each zoom is taken from another (a second x4 gives the same size as the first, not a multiple)
// and from the maximized state, which it leaves. The main window's outer bounds include its frame:
// 16 pixels wide, 59 high.
TEST(WindowCommands, EachZoomSetsItsFactorAndPlacesTheToolWindowsAsTheFirstDoes) {
  struct Case {
    MenuId item;
    int factor, clientHeight;  // the main window's client area, the menu and status bar included
  };
  for (const Case& c : {Case{MenuId::Zoominx21, 2, 275 + 256}, Case{MenuId::Zoominx31, 3, 275 + 512},
                        Case{MenuId::Zoominx41, 4, 275 + 768}, Case{MenuId::DefaultWindowSize1, 1, 275}}) {
    SCOPED_TRACE(MenuInfo(c.item).name);
    HeadlessProgram p;
    auto& main = p.ui.win(FormId::myForm);
    main.setMaximized(true);
    p.form().RunMenuCommand(MenuId::Zoominx41);
    main.setMaximized(true);
    p.form().RunMenuCommand(c.item);
    EXPECT_FALSE(main.maximized());
    EXPECT_EQ(main.clientSize().width, 320 * c.factor);
    EXPECT_EQ(main.clientSize().height, c.clientHeight);
    EXPECT_EQ(p.ui.videoBox.clientSize().width, 320 * c.factor);
    EXPECT_EQ(p.ui.videoBox.clientSize().height, 256 * c.factor);
    EXPECT_EQ(p.form().zoom, c.factor);
    const Placement w = PlacementOf(p);
    EXPECT_EQ(std::tuple(w.main.left, w.main.top, w.main.width, w.main.height),
              std::tuple(10, 21, 320 * c.factor + kFrameW, c.clientHeight + 59));
    // Text Editor right of the main window, List Data below it, both 326 high.
    EXPECT_EQ(std::tuple(w.txt.left, w.txt.top, w.txt.height), std::tuple(10 + w.main.width + 2, 21, 326));
    EXPECT_EQ(std::tuple(w.list.left, w.list.top), std::tuple(w.txt.left, 21 + 326 + 2));
    // A zoom (placed without a sender) puts Kana Text below List Data; Default Window Size (the
    // main window as sender) below the main window.
    const Rect above = c.factor == 1 ? w.main : w.list;
    EXPECT_EQ(std::tuple(w.kana.left, w.kana.top), std::tuple(above.left, above.top + above.height + 2));
  }
}

TEST(WindowCommands, NothingMovesWhileMaximizedOrBeforeTheMainWindowIsReady) {
  for (bool maximized : {true, false}) {
    HeadlessProgram p;
    const int kanaTop = p.ui.win(FormId::KanaForm).bounds().top;
    if (maximized) {
      p.ui.win(FormId::myForm).setMaximized(true);
    } else {
      p.form().gMainReady = 0;
    }
    p.form().FormResize(kNoSender);  // would put Kana Text below List Data
    EXPECT_EQ(p.ui.win(FormId::KanaForm).bounds().top, kanaTop) << (maximized ? "maximized" : "not ready");
  }
}

}  // namespace
}  // namespace ts2
