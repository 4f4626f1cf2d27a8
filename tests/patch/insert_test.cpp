#include <gtest/gtest.h>

#include "headless/headless.h"
#include "support/builders.h"

namespace ts2 {
namespace {

using headless::HeadlessProgram;

constexpr char kNeedTable[] = "Error: Must load a table file first!";

struct Loaded {
  Loaded() {
    test::RomBuilder rom;
    rom.fontTable({test::SolidGlyph(0xFF)});
    EXPECT_TRUE(p.form().OpenRomFile(dir.write("game.sfc", rom.file())));
    p.ui.script.said.clear();
  }
  test::TempDir dir;
  test::ScopedCwd cwd{dir.path()};
  HeadlessProgram p;
};

TEST(Insert, BothCommandsAreSilentWithoutARom) {
  HeadlessProgram p;
  p.form().Insert1Click(kNoSender);
  p.form().InsertCOMPRESSIONintoROM1Click(kNoSender);
  EXPECT_TRUE(p.ui.messages().empty());
  EXPECT_FALSE(p.ui.win(FormId::InsertForm).visible());
}

TEST(Insert, BothCommandsRefuseWithoutATableFile) {
  Loaded t;
  t.p.ui.ListBox1.add("kept");
  t.p.form().Insert1Click(kNoSender);
  t.p.form().InsertCOMPRESSIONintoROM1Click(kNoSender);
  EXPECT_EQ(t.p.ui.messages(), (std::vector<std::string>{kNeedTable, kNeedTable}));
  EXPECT_FALSE(t.p.ui.win(FormId::InsertForm).visible());
  EXPECT_EQ(t.p.ui.ListBox1.count(), 1);
  EXPECT_EQ(t.p.ui.win(FormId::InsertForm).caption(), "InsertForm");
}

TEST(Insert, ATableFileThatFailedToLoadStillCounts) {
  Loaded t;
  t.p.form().gTablePath = t.dir.file("missing.tbl");  // chosen, then unreadable
  t.p.form().InsertCOMPRESSIONintoROM1Click(kNoSender);
  t.p.form().Insert1Click(kNoSender);
  EXPECT_TRUE(t.p.ui.messages().empty());
  EXPECT_TRUE(t.p.ui.win(FormId::InsertForm).visible());
}

TEST(Insert, PreparesTheProgressWindowTheSameWayEachTime) {
  Loaded t;
  t.p.form().gTablePath = "t.tbl";
  t.p.form().gCurStringCount = 40;
  t.p.ui.ListBox1.add("old");
  t.p.ui.ptrBox.add("old");
  t.p.ui.CGauge1.setProgress(0);
  const std::vector<uint8_t> before(t.p.form().romAlloc.get(),
                                    t.p.form().romAlloc.get() + t.p.form().gROMSize);
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    t.p.form().RunMenuCommand(MenuId::Insert1);
    const auto& w = t.p.ui.win(FormId::InsertForm);
    EXPECT_TRUE(w.visible());
    EXPECT_EQ(w.showCount, run);
    EXPECT_EQ(w.caption(), "Building Pointer Table...");
    EXPECT_EQ(t.p.ui.ListBox1.count(), 0);
    EXPECT_EQ(t.p.ui.ptrBox.count(), 0);
    EXPECT_FALSE(t.p.ui.ptrBox.visible());
    EXPECT_EQ(t.p.ui.CGauge1.minValue(), 0);
    EXPECT_EQ(t.p.ui.CGauge1.maxValue(), 39);
    EXPECT_EQ(t.p.ui.CGauge1.progress(), 0);
  }
  EXPECT_EQ(std::vector<uint8_t>(t.p.form().romAlloc.get(), t.p.form().romAlloc.get() + t.p.form().gROMSize),
            before);
  EXPECT_EQ(t.p.form().gROMModified, 0);
}

TEST(Insert, GaugeOfABlockWithoutStringsRunsFromZeroToZero) {
  Loaded t;
  t.p.form().gTablePath = "t.tbl";
  t.p.form().gCurStringCount = 0;
  t.p.form().Insert1Click(kNoSender);
  EXPECT_EQ(t.p.ui.CGauge1.minValue(), 0);
  EXPECT_EQ(t.p.ui.CGauge1.maxValue(), 0);
}

}  // namespace
}  // namespace ts2
