#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "display_fixture.h"
#include "redraw_spy.h"

namespace ts2 {
namespace {

using headless::HeadlessProgram;
using headless::kFrameW;
using headless::kMainFrameH;
using test::SpyProgram;

// ---- view commands ----

TEST(ViewCommands, TogglesFlipTheirCheckAndRedrawEachTime) {
  for (MenuId item : {MenuId::HideCodes, MenuId::UseVWFRoutine1}) {
    SCOPED_TRACE(std::string(MenuInfo(item).name));
    SpyProgram p;
    TmyForm& f = p.form();
    for (bool checked : {true, false}) {
      f.RunMenuCommand(item);
      EXPECT_EQ(f.Checked(item), checked);
    }
    EXPECT_EQ(p.redraws(), 2);
  }
}

TEST(ViewCommands, EachRadioItemChecksOnlyItselfInItsGroup) {
  const std::vector<MenuId> colours{MenuId::Blue1, MenuId::Green1, MenuId::Red1};
  const std::vector<MenuId> fills{MenuId::Gradient1, MenuId::Solid1};
  for (MenuId clicked : {MenuId::Blue1, MenuId::Green1, MenuId::Red1, MenuId::Gradient1, MenuId::Solid1}) {
    SCOPED_TRACE(std::string(MenuInfo(clicked).name));
    SpyProgram p;
    TmyForm& f = p.form();
    f.RunMenuCommand(clicked);
    f.RunMenuCommand(clicked);  // clicking the checked item keeps it checked
    const bool isColour = std::find(colours.begin(), colours.end(), clicked) != colours.end();
    // The clicked group checks only the clicked item; the other group keeps its start state.
    for (MenuId item : colours)
      EXPECT_EQ(f.Checked(item), isColour ? item == clicked : item == MenuId::Blue1);
    for (MenuId item : fills)
      EXPECT_EQ(f.Checked(item), isColour ? item == MenuId::Gradient1 : item == clicked);
    EXPECT_EQ(p.redraws(), 2);
  }
}

TEST(ViewCommands, NoneLeavesDttChecked) {
  HeadlessProgram p;
  for (MenuId item :
       {MenuId::DTT, MenuId::HideCodes, MenuId::UseVWFRoutine1, MenuId::Green1, MenuId::Solid1,
        MenuId::TEOnTop, MenuId::Zoominx21, MenuId::DefaultWindowSize1, MenuId::DisplayTextEditor1}) {
    // The data-file loader sets DTT to the opposite of what it wants before running its command.
    if (item == MenuId::DTT) p.form().SetChecked(MenuId::DTT, true);
    p.form().RunMenuCommand(item);
    EXPECT_FALSE(p.form().Checked(MenuId::DTT)) << MenuInfo(item).name;
  }
}

using BoxColour = test::DisplayTest;

TEST_F(BoxColour, GreenThenSolidFillsTheBoxInteriors) {
  // A blank string and an empty translation: boxes with no ink in them.
  LoadRom(std::vector<uint8_t>(0x20000, 0));
  SetFont(std::vector<test::Glyph>(256));
  SetBlock(0x2000, 0x10000, 1);
  f.Red1Click(MenuId::Green1);
  f.Red1Click(MenuId::Solid1);
  // Interior tiles of each box, clear of the first text line and of the borders.
  for (auto [top, bottom, left, right] : {std::array{40, 110, 32, 270}, std::array{168, 238, 32, 226}})
    for (int y = top; y <= bottom; ++y)
      for (int x = left; x <= right; ++x) ASSERT_EQ(Px(x, y), 0x03E0) << x << "," << y;
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

TEST(WindowCommands, ZoomDoublesOnceAndDefaultSizeRestores) {
  HeadlessProgram p;
  TmyForm& f = p.form();
  auto& main = p.ui.win(FormId::myForm);
  for (int press = 1; press <= 2; ++press) {  // a second zoom gives the same size, not four times
    main.setMaximized(true);                  // both commands leave the maximized state first
    f.RunMenuCommand(MenuId::Zoominx21);
    EXPECT_FALSE(main.maximized());
    EXPECT_EQ(main.clientSize().width, 640);
    EXPECT_EQ(main.clientSize().height, 275 + 256);
    EXPECT_EQ(p.ui.videoBox.clientSize().width, 640);
    EXPECT_EQ(p.ui.videoBox.clientSize().height, 512);
  }
  // Placed without a sender: the Kana Text window goes below the List Data window.
  Placement w = PlacementOf(p);
  EXPECT_EQ(w.txt.left, 10 + 640 + kFrameW + 2);
  EXPECT_EQ(w.txt.top, w.main.top);
  EXPECT_EQ(w.list.top, w.txt.top + w.txt.height + 2);
  EXPECT_EQ(w.kana.left, w.list.left);
  EXPECT_EQ(w.kana.top, w.list.top + w.list.height + 2);

  main.setMaximized(true);
  f.RunMenuCommand(MenuId::DefaultWindowSize1);
  EXPECT_FALSE(main.maximized());
  EXPECT_EQ(main.clientSize().width, 320);
  EXPECT_EQ(main.clientSize().height, 275);
  EXPECT_EQ(p.ui.videoBox.clientSize().height, 256);
  // Placed with the main window as sender: Kana Text below the main window. Sizes never change.
  w = PlacementOf(p);
  ASSERT_EQ(w.main.width, 320 + kFrameW);  // outer bounds include the frame
  ASSERT_EQ(w.main.height, 275 + kMainFrameH);
  EXPECT_EQ(w.txt.left, 10 + 336 + 2);
  EXPECT_EQ(w.txt.top, 21);
  EXPECT_EQ(w.list.left, w.txt.left);
  EXPECT_EQ(w.list.top, 21 + 326 + 2);
  EXPECT_EQ(w.kana.left, 10);
  EXPECT_EQ(w.kana.top, 21 + 334 + 2);
  EXPECT_EQ(w.txt.width, 326);
  EXPECT_EQ(w.list.height, 114);
}

TEST(WindowCommands, NothingMovesWhileMaximizedOrBeforeTheMainWindowIsReady) {
  for (bool maximized : {true, false}) {
    SCOPED_TRACE(maximized ? "maximized" : "not ready");
    HeadlessProgram p;
    const Placement before = PlacementOf(p);
    if (maximized) {
      p.ui.win(FormId::myForm).setMaximized(true);
    } else {
      p.form().gMainReady = 0;
    }
    p.form().FormResize(&p.ui.window(FormId::myForm));
    p.form().FormResize(kNoSender);
    const Placement after = PlacementOf(p);
    EXPECT_EQ(after.txt.left, before.txt.left);
    EXPECT_EQ(after.list.top, before.list.top);
    EXPECT_EQ(after.kana.top, before.kana.top);
  }
}

}  // namespace
}  // namespace ts2
