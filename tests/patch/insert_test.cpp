#include <gtest/gtest.h>

#include "headless/headless.h"
#include "support/loaded_program.h"

namespace ts2 {
namespace {

using test::LoadedProgram;
using Lines = std::vector<std::string>;

constexpr char kNeedTable[] = "Error: Must load a table file first!";

TEST(Insert, SilentWithoutARomAndRefusedWithoutATableFile) {
  headless::HeadlessProgram bare;
  bare.form().Insert1Click(kNoSender);
  bare.form().InsertCOMPRESSIONintoROM1Click(kNoSender);
  bare.form().PATCHRomFile1Click(kNoSender);
  EXPECT_TRUE(bare.ui.messages().empty());
  EXPECT_TRUE(bare.ui.script.dialogsRun.empty());
  EXPECT_FALSE(bare.ui.win(FormId::InsertForm).visible());

  LoadedProgram lp;
  lp.p.ui.ListBox1.add("kept");
  lp.form().Insert1Click(kNoSender);
  lp.form().InsertCOMPRESSIONintoROM1Click(kNoSender);
  EXPECT_EQ(lp.p.ui.messages(), (Lines{kNeedTable, kNeedTable}));
  EXPECT_FALSE(lp.p.ui.win(FormId::InsertForm).visible());
  EXPECT_EQ(lp.p.ui.ListBox1.count(), 1);
}

TEST(Insert, ATableFileThatFailedToLoadCountsAndEachRunPreparesTheSameWindow) {
  LoadedProgram lp;
  lp.p.ui.script.openAnswers.push_back(Lines{lp.dir.file("missing.tbl")});
  lp.form().LoadTableFile1Click(kNoSender);  // chosen, then unreadable
  lp.p.ui.script.said.clear();
  lp.form().gCurStringCount = 40;
  lp.p.ui.ListBox1.add("old");
  lp.p.ui.ptrBox.add("old");
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    lp.form().RunMenuCommand(MenuId::Insert1);
    lp.form().InsertCOMPRESSIONintoROM1Click(kNoSender);
    const auto& w = lp.p.ui.win(FormId::InsertForm);
    EXPECT_EQ(std::tuple(w.visible(), w.showCount, w.caption()),
              std::tuple(true, run, "Building Pointer Table..."));
    EXPECT_EQ(std::tuple(lp.p.ui.ListBox1.count(), lp.p.ui.ptrBox.count()), std::tuple(0, 0));
    EXPECT_EQ(std::tuple(lp.p.ui.CGauge1.minValue(), lp.p.ui.CGauge1.maxValue()), std::tuple(0, 39));
  }
  EXPECT_TRUE(lp.p.ui.messages().empty());
  EXPECT_EQ(lp.image(), lp.romFile);
  EXPECT_EQ(lp.form().gROMModified, 0);

  lp.form().gCurStringCount = 0;  // a gauge from 0 to -1 would be invalid
  lp.form().Insert1Click(kNoSender);
  EXPECT_EQ(lp.p.ui.CGauge1.maxValue(), 0);
}

}  // namespace
}  // namespace ts2
