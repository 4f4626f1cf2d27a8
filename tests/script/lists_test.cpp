// The List Data window: selecting a block, its string list, and where its strings lie in the ROM.
#include <gtest/gtest.h>

#include <tuple>

#include "core/fileutil.h"
#include "script/lists.h"
#include "script/textfile.h"
#include "support/loaded_program.h"

namespace ts2 {
namespace {

using test::LoadedProgram;

TEST(BlockSelection, MakesTheSelectedBlockCurrentAndListsItsStrings) {
  LoadedProgram lp({{0x1A8000, 3, 0x1B0000}, {0x60000, 12, 0x60000}});
  const int focusBefore = lp.p.ui.bList.focusCount;
  lp.select(1);
  TmyForm& f = lp.form();
  EXPECT_EQ(std::tuple(f.gCurBlock, f.gCurBlockOffset, f.gCurStringCount), std::tuple(1, 0x60000u, 12));
  const auto& pList = lp.p.ui.pList;
  ASSERT_EQ(pList.lines.size(), 12u);
  EXPECT_EQ(pList.lines[11], "String# 11   ");
  EXPECT_EQ(std::tuple(pList.itemIndex(), pList.hint()), std::tuple(0, "12 item(s)"));
  EXPECT_EQ(lp.p.ui.bList.focusCount, focusBefore + 1);
  EXPECT_EQ(f.gTextPath, f.gDumpDir + "/00060000.txt");

  lp.p.ui.win(FormId::cmForm).setVisible(false);
  lp.select(0);
  EXPECT_EQ(lp.p.ui.bList.focusCount, focusBefore + 1);  // a hidden window takes no focus
  EXPECT_EQ(f.gCurStringCount, 3);
}

TEST(BlockSelection, CountsUseOnlyTheLowSixteenBits) {
  // 70000 & 0xFFFF = 4464; 0x10000 gives a block without strings, which selects no string.
  for (const auto& [stored, count, last] :
       {std::tuple<uint32_t, size_t, const char*>{70000, 4464, "String# 4463 "},
        {12346, 12346, "String# 12345"},
        {0x10000, 0, ""}}) {
    LoadedProgram lp({{0x1A8000, stored}});
    lp.select(0);
    const auto& pList = lp.p.ui.pList;
    ASSERT_EQ(pList.lines.size(), count);
    EXPECT_EQ(count > 0 ? pList.lines.back() : "", last);
    EXPECT_EQ(pList.itemIndex(), count > 0 ? 0 : -1);
    EXPECT_EQ(pList.hint(), Format("%zu item(s)", count));
    EXPECT_EQ(test::ReadFileText(lp.textFile(0x1A8000)), TranslationSkeleton(static_cast<uint32_t>(count)));
  }
}

TEST(BlockSelection, WithoutRomImageOrTableEntryNothingChanges) {
  headless::HeadlessProgram p;
  p.ui.bList.add("Block 0");
  p.ui.bList.setItemIndex(0);
  p.program.listClick(ControlId::bList);
  EXPECT_TRUE(p.form().gTextPath.empty());

  LoadedProgram lp({{0x1A8000, 5}});
  for (int i = 1; i <= kMaxBlocks; ++i) lp.p.ui.bList.add("extra");
  lp.select(kMaxBlocks);  // a line past the block tables
  EXPECT_TRUE(lp.p.ui.pList.lines.empty());
  EXPECT_TRUE(lp.form().gTextPath.empty());
}

TEST(ListLayout, ListsShareTheClientWidthSideBySide) {
  headless::HeadlessProgram p;
  for (const auto& [width, height, half] : {std::tuple{401, 200, 200}, {1, 10, 0}}) {
    p.ui.win(FormId::cmForm).setClientWidth(width);
    p.ui.win(FormId::cmForm).setClientHeight(height);
    const Rect b = p.ui.bList.bounds(), q = p.ui.pList.bounds();
    EXPECT_EQ(std::tuple(b.left, b.top, b.width, b.height), std::tuple(0, 0, half, height));
    EXPECT_EQ(std::tuple(q.left, q.top, q.width, q.height), std::tuple(half, 0, half, height));
  }
}

TEST(StringAddressing, FollowsThePointerWithoutLeavingTheRom) {
  test::RomBuilder rom(0x1C0000);
  rom.put16(0x1A8004, 0x1234).put16(0x1BFFFE, 0xBEEF);
  LoadedProgram lp({{0x1A8000, 3, 0x1B0000}, {0x1BFFFC, 70000}, {0x1BFFFF, 1}, {0xFFFFFFFE, 2}}, rom);
  const TmyForm& f = lp.form();
  const BlockEntry b = *BlockAt(f, 0);
  EXPECT_EQ(StringPointerOffset(b, 2), 0x1A8004u);
  ASSERT_EQ(ReadStringPointer(f, 0, 2), 0x1234);
  EXPECT_EQ(StringAddress(b, 0x1234), 0x1B1234u);
  EXPECT_EQ(StatusPointerValue(b, 0x1234), 0x1A1234u);
  EXPECT_EQ(StringAddress(BlockEntry{0x1A8000, 0x1BFFFF, 3}, 0x1234), 0x1B1234u);

  EXPECT_EQ(ReadStringPointer(f, 1, 1), 0xBEEF);
  EXPECT_FALSE(ReadStringPointer(f, 1, 2));  // the count runs past the end
  EXPECT_FALSE(ReadStringPointer(f, 2, 0));  // one byte short
  EXPECT_FALSE(ReadStringPointer(f, 3, 1));  // no wrap back to the start
  EXPECT_FALSE(ReadStringPointer(f, -1, 0));
  EXPECT_FALSE(ReadStringPointer(f, kMaxBlocks, 0));
  EXPECT_EQ(BytesFrom(f.RomData(), 0x1BFFFE).size(), 2u);
  EXPECT_TRUE(BytesFrom(f.RomData(), 0x1C0000).empty());
}

}  // namespace
}  // namespace ts2
