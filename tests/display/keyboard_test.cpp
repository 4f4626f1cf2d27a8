#include <gtest/gtest.h>

#include "redraw_spy.h"

namespace ts2 {
namespace {

using test::SpyProgram;

constexpr ShiftState kNone{}, kShift{true, false, false}, kCtrl{false, true, false}, kBoth{true, true, false},
    kAlt{false, false, true};

std::string Panel1(SpyProgram& p) {
  return p.ui.status.panelText(1);
}

struct KeyCase {
  const char* name;
  uint16_t romScroll, transScroll;  // before the key
  int key;
  ShiftState shift;
  bool passes;
  uint16_t romAfter, transAfter;
};

class KeyTable : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyTable, ScrollsOrDiscards) {
  const KeyCase& c = GetParam();
  SpyProgram p;
  TmyForm& f = p.form();
  f.gPages[0].scroll = c.romScroll;
  f.gPages[1].scroll = c.transScroll;
  const std::string panelBefore = Panel1(p);

  // The key arrives the way the toolkit delivers it.
  EXPECT_EQ(p.program.keyDown(FormId::myForm, c.key, c.shift), c.passes);

  EXPECT_EQ(f.gPages[0].scroll, c.romAfter);
  EXPECT_EQ(f.gPages[1].scroll, c.transAfter);
  EXPECT_FALSE(f.Checked(MenuId::DTT));
  if (c.passes) {
    EXPECT_EQ(p.redraws(), 1);
    EXPECT_EQ(Panel1(p), "Line {Kana, Ascii}: " + std::to_string(c.romAfter / 16) + ", " +
                             std::to_string(c.transAfter / 16));
  } else {
    EXPECT_EQ(p.redraws(), 0) << "a discarded key must not redraw";
    EXPECT_EQ(Panel1(p), panelBefore);
  }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Keys, KeyTable, ::testing::Values(
  KeyCase{"ShiftUpAtTop",        0,   0,   VK_UP,   kShift, false, 0,   0},
  KeyCase{"ShiftUp",             32,  0,   VK_UP,   kShift, true,  16,  0},
  KeyCase{"ShiftDown",           0,   48,  VK_DOWN, kShift, true,  16,  48},
  KeyCase{"ShiftDownAtBottom",   672, 0,   VK_DOWN, kShift, false, 672, 0},
  KeyCase{"ShiftDownBeforeEnd",  656, 0,   VK_DOWN, kShift, true,  672, 0},
  KeyCase{"CtrlDown",            0,   0,   VK_DOWN, kCtrl,  true,  0,   16},
  KeyCase{"CtrlUpAtTop",         16,  0,   VK_UP,   kCtrl,  false, 16,  0},
  KeyCase{"CtrlDownAtBottom",    0,   672, VK_DOWN, kCtrl,  false, 0,   672},
  KeyCase{"CtrlShiftActsOnTrans",0,   0,   VK_DOWN, kBoth,  true,  0,   16},
  KeyCase{"CtrlShiftUpAtTop",    32,  0,   VK_UP,   kBoth,  false, 32,  0},
  KeyCase{"ShiftLetter",         16,  0,   'A',     kShift, false, 16,  0},
  KeyCase{"LetterAlone",         32,  64,  'A',     kNone,  true,  32,  64},
  KeyCase{"PlainDownScrollsNot", 0,   0,   VK_DOWN, kNone,  true,  0,   0},
  KeyCase{"AltIsNoPage",         16,  0,   VK_UP,   kAlt,   true,  16,  0},
  // Positions set elsewhere, off the 16-row grid, still stay within 0 to 672.
  KeyCase{"OffGridUp",           8,   0,   VK_UP,   kShift, true,  0,   0},
  KeyCase{"OffGridDown",         670, 0,   VK_DOWN, kShift, true,  672, 0},
  KeyCase{"PastTheEnd",          700, 0,   VK_DOWN, kShift, false, 700, 0}),
  [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(Keyboard, NineShiftDownsShowLineNine) {
  SpyProgram p;
  for (int i = 0; i < 9; ++i) EXPECT_TRUE(p.form().FormKeyDown(VK_DOWN, kShift));
  EXPECT_EQ(p.form().gPages[0].scroll, 144);
  EXPECT_EQ(p.form().gPages[1].scroll, 0);
  EXPECT_EQ(Panel1(p), "Line {Kana, Ascii}: 9, 0");
  EXPECT_EQ(p.redraws(), 9);
}

}  // namespace
}  // namespace ts2
