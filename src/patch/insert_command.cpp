// The two insertion commands. Both need a table file; "Insert Text File into ROM" prepares its
// progress window and ends there, "Insert COMPRESSION into ROM" does nothing beyond its checks.
// Neither changes the ROM image.
#include <algorithm>

#include "core/forms.h"

namespace ts2 {

namespace {
constexpr char kMsgNeedTable[] = "Error: Must load a table file first!";
constexpr char kCaptionBuilding[] = "Building Pointer Table...";
}  // namespace

void TmyForm::Insert1Click(TObject /*Sender*/) {
  if (!gROM || !gWRAM) return;
  // A table file counts as chosen even when reading it failed.
  if (gTablePath.empty()) {
    ui.message(kMsgNeedTable);
    return;
  }
  ui.list(ControlId::ListBox1).clear();
  ui.window(FormId::InsertForm).show();
  ui.list(ControlId::ptrBox).clear();
  // A block without strings would give a maximum of -1, below the minimum: the gauge then runs
  // from 0 to 0 instead.
  Gauge& gauge = ui.gauge();
  gauge.setMaxValue(std::max(0, gCurStringCount - 1));
  gauge.setMinValue(0);
  ui.window(FormId::InsertForm).setCaption(kCaptionBuilding);
}

void TmyForm::InsertCOMPRESSIONintoROM1Click(TObject /*Sender*/) {
  if (!gROM || !gWRAM) return;
  if (gTablePath.empty()) ui.message(kMsgNeedTable);
}

}  // namespace ts2
