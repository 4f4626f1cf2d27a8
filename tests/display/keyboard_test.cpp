#include <gtest/gtest.h>

#include "display_fixture.h"

namespace ts2 {
namespace {

constexpr ShiftState kNone{}, kShift{true, false, false}, kCtrl{false, true, false}, kBoth{true, true, false},
    kAlt{false, false, true};

class Keyboard : public test::DisplayTest {
 protected:
  void SetUp() override { LoadBlankString(); }
};

TEST_F(Keyboard, ShiftScrollsTheRomPageCtrlTheTranslationOtherKeysRedraw) {
  const struct {
    const char* name;
    uint16_t romScroll, transScroll;  // before the key
    int key;
    ShiftState shift;
    bool passes;
    uint16_t romAfter, transAfter;
  } cases[] = {
      // clang-format off
      {"ShiftUpAtTop",         0,   0,   VK_UP,   kShift, false, 0,   0},
      {"ShiftUp",              32,  0,   VK_UP,   kShift, true,  16,  0},
      {"ShiftDown",            0,   48,  VK_DOWN, kShift, true,  16,  48},
      {"ShiftDownAtBottom",    672, 0,   VK_DOWN, kShift, false, 672, 0},
      {"ShiftDownBeforeEnd",   656, 0,   VK_DOWN, kShift, true,  672, 0},
      {"CtrlDown",             0,   0,   VK_DOWN, kCtrl,  true,  0,   16},
      {"CtrlUpAtTop",          16,  0,   VK_UP,   kCtrl,  false, 16,  0},
      {"CtrlDownAtBottom",     0,   672, VK_DOWN, kCtrl,  false, 0,   672},
      {"CtrlShiftActsOnTrans", 0,   0,   VK_DOWN, kBoth,  true,  0,   16},
      {"CtrlShiftUpAtTop",     32,  0,   VK_UP,   kBoth,  false, 32,  0},
      {"ShiftLetter",          16,  0,   'A',     kShift, false, 16,  0},
      {"LetterAlone",          32,  64,  'A',     kNone,  true,  32,  64},
      {"PlainDownScrollsNot",  0,   0,   VK_DOWN, kNone,  true,  0,   0},
      {"AltIsNoPage",          16,  0,   VK_UP,   kAlt,   true,  16,  0},
      // Positions set elsewhere, off the 16-row grid, still stay within 0 to 672.
      {"OffGridUp",            8,   0,   VK_UP,   kShift, true,  0,   0},
      {"OffGridDown",          670, 0,   VK_DOWN, kShift, true,  672, 0},
      {"PastTheEnd",           700, 0,   VK_DOWN, kShift, false, 700, 0},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    f.gPages[0].scroll = c.romScroll;
    f.gPages[1].scroll = c.transScroll;
    p.ui.status.setPanelText(1, "before");
    const int draws = Draws();
    // The key arrives the way the toolkit delivers it.
    EXPECT_EQ(p.program.keyDown(FormId::myForm, c.key, c.shift), c.passes);
    EXPECT_EQ(f.gPages[0].scroll, c.romAfter);
    EXPECT_EQ(f.gPages[1].scroll, c.transAfter);
    EXPECT_FALSE(f.Checked(MenuId::DTT));
    // A passed key redraws both boxes and shows both line numbers; a discarded one does nothing.
    EXPECT_EQ(Draws(), draws + (c.passes ? 2 : 0));
    EXPECT_EQ(p.ui.status.panelText(1), c.passes ? "Line {Kana, Ascii}: " + std::to_string(c.romAfter / 16) +
                                                       ", " + std::to_string(c.transAfter / 16)
                                                 : "before");
  }
}

}  // namespace
}  // namespace ts2
