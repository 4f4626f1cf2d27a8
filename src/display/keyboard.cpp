// The main window's keyboard: Shift scrolls the ROM-text page, Ctrl the translation page, in
// steps of 16 pixel rows; every key that is not discarded redraws both boxes and shows the line
// numbers of both pages.
#include <algorithm>

#include "core/fileutil.h"
#include "core/forms.h"

namespace ts2 {

namespace {
constexpr int kScrollStep = 16;                         // half a ROM-text line, one translation line
constexpr int kVisibleRows = 96;                        // rows of a page shown in its box
constexpr int kMaxScroll = kPageHeight - kVisibleRows;  // 672: the last window that fits the page
}  // namespace

bool TmyForm::FormKeyDown(int key, ShiftState shift) {
  int page = -1;
  if (shift.shift) page = 0;
  if (shift.ctrl) page = 1;  // Ctrl wins when both are held

  if (page >= 0) {
    uint16_t& scroll = gPages[static_cast<size_t>(page)].scroll;
    if (key == VK_UP) {
      if (scroll == 0) return false;
      scroll = static_cast<uint16_t>(scroll - std::min<int>(scroll, kScrollStep));
    } else if (key == VK_DOWN) {
      if (scroll >= kMaxScroll) return false;
      scroll = static_cast<uint16_t>(std::min<int>(scroll + kScrollStep, kMaxScroll));
    } else {
      return false;
    }
  }

  RedrawBothPages();
  ui.statusBar().setPanelText(1, Format("Line {Kana, Ascii}: %d, %d", gPages[0].scroll / kScrollStep,
                                        gPages[1].scroll / kScrollStep));
  return true;
}

}  // namespace ts2
