// The data file: choosing it, directives, block lines, how lines are read, and Open ROM's use of it.
#include <gtest/gtest.h>

#include <string>

#include "config/config.h"
#include "core/fileutil.h"
#include "fixture.h"

namespace ts2 {
namespace {

using test::ConfigTest;
using Lines = std::vector<std::string>;

std::string Caption(const std::string& file) {
  return "Script Editor: Tormel Saragon 2 - [ " + file + " ]";
}

TEST_F(ConfigTest, DialogCancelChoiceAndUnreadableFiles) {
  form().Open1.initialDir = "/earlier";
  form().Open1.fileName = "old.sfc";
  p.ui.bList.add("Block 1");
  p.ui.script.openAnswers = {std::nullopt, Lines{dir.write("game.txt", ".BLOCK 2 0 0 0\n")}};
  form().LoadDataFileClick(kNoSender);
  EXPECT_EQ(p.ui.bList.lines, Lines{"Block 1"});  // cancelled: nothing changed
  form().LoadDataFileClick(kNoSender);
  const FileDialog& d = p.ui.script.dialogsRun.at(0);
  EXPECT_EQ(std::tuple(d.title, d.filter, d.fileName, d.initialDir),
            std::tuple("Open Text Block Data File", "Font Format File | *.txt", "", "/earlier"));
  EXPECT_EQ(p.ui.bList.lines, Lines{"Block 2"});
  EXPECT_EQ(p.ui.window(FormId::myForm).caption(), Caption("game.txt"));

  form().LoadDataFile(dir.file("missing.txt"));
  form().LoadDataFile(dir.path().string());  // a folder cannot be read either
  EXPECT_EQ(p.ui.messages(), (Lines{kMsgDataFileOpenFailed, kMsgDataFileOpenFailed}));
  EXPECT_EQ(form().gDataLoaded, 1);
  EXPECT_EQ(p.ui.bList.lines, Lines{"Block 2"});
  EXPECT_EQ(p.ui.window(FormId::myForm).caption(), Caption("game.txt"));
}

TEST_F(ConfigTest, BlockLines) {
  Load(
      "; any unrecognised line is a comment\n"
      ".BLOCK $C60000 C60000 C70000 2A\n"
      ".block $C61000 $C60000 0 100\n"
      "  .BLOCK 1 2 3 4\n"  // not in the first column
      ".BLOCKS 7E1234 0 0 0F\n"
      ".BLOCK $C60000\n"  // missing values count as 0
      ".BLOCK $" +
      std::string(27, '0') + "12345 1 1 1\n");  // words are kept to 31 characters
  EXPECT_EQ(p.ui.bList.lines,
            (Lines{"Block C60000", "Block C61000", "Block 7E1234", "Block C60000", "Block 123"}));
  const uint32_t expected[5][4] = {{0x060000, 0x060000, 0x070000, 42},
                                   {0x061000, 0x060000, 0, 100},
                                   {0x3E1234, 0, 0, 0},
                                   {0x060000, 0, 0, 0},
                                   {0x123, 1, 1, 1}};
  for (size_t i = 0; i < 5; ++i) {
    const uint32_t got[4] = {form().gBlockOffset[i], form().gBlockField2[i], form().gBlockField3[i],
                             form().gBlockStrings[i]};
    EXPECT_TRUE(std::equal(got, got + 4, expected[i])) << "block " << i;
  }
  EXPECT_EQ(std::tuple(p.ui.bList.itemIndex(), p.ui.bList.hint(), form().gDataLoaded),
            std::tuple(0, "5 item(s)", 1));
}

TEST_F(ConfigTest, BlockLinesPastTheTableAreIgnoredAndReported) {
  std::string text;
  for (int i = 0; i < kMaxBlocks + 2; ++i) text += Format(".BLOCK %X 0 0 %d\n", i, i);
  Load(text);
  EXPECT_EQ(p.ui.bList.count(), kMaxBlocks);
  EXPECT_EQ(form().gBlockStrings[kMaxBlocks - 1], static_cast<uint32_t>(kMaxBlocks - 1));
  EXPECT_EQ(p.ui.messages(), Lines{"2 .BLOCK line(s) past the 4096-block limit were ignored."});
}

TEST_F(ConfigTest, SecondLoadListsOnlyItsBlocksAndKeepsWhatItDoesNotMention) {
  Load(
      ".BLOCK 1 0 0 1\n.BLOCK 2 0 0 2\n.FORMAT 18 16 8 1 16 0 1 2 3\n.Font C00000\n"
      ".textbox .color.red .solid\n.TABLE\n41=A\n.ENDTABLE\n");
  Load(".BLOCK 9 0 0 9\n", "second.txt");
  EXPECT_EQ(p.ui.bList.lines, Lines{"Block 9"});
  EXPECT_EQ(p.ui.bList.hint(), "1 item(s)");
  EXPECT_EQ(form().gBlockStrings[1], 2u);  // entries past the count keep the earlier values
  EXPECT_EQ(p.ui.window(FormId::myForm).caption(), Caption("second.txt"));
  EXPECT_EQ(form().gLineWidth, 288);  // not scaled again
  EXPECT_EQ(form().gFontAddress, 0xC00000u);
  EXPECT_TRUE(checked(MenuId::Red1) && checked(MenuId::Solid1));
  EXPECT_EQ(c8(0x41).text, "A");
}

TEST_F(ConfigTest, HowLinesAreRead) {
  // 255 characters fill one read; the rest of the line is read as a line of its own. CR LF ends
  // a line, a zero byte ends its text, and the last line needs no line end.
  const char tail[] = ".BLOCK 3 0 0 3\0 9\r\n.FONT 12";
  Load(std::string(255, 'x') + ".BLOCK 1 0 0 5\n" +        // the second piece is a block line
       ".BLOCK 2 0 0 2" + std::string(241, ' ') + "7\n" +  // the count falls into the next piece
       std::string(tail, sizeof tail - 1));
  EXPECT_EQ(p.ui.bList.lines, (Lines{"Block 1", "Block 2", "Block 3"}));
  EXPECT_EQ(std::tuple(form().gBlockStrings[0], form().gBlockStrings[1], form().gBlockStrings[2]),
            std::tuple(5u, 2u, 3u));
  EXPECT_EQ(form().gFontAddress, 0x12u);
}

TEST_F(ConfigTest, DirectivesMatchTheirFirstCharactersInAnyCase) {
  Load(
      " .Font 99\n"    // not in the first column
      ".FONTS 1234\n"  // ".Font" followed by anything
      // Keywords are case-sensitive; within a group the later one in the fixed order wins.
      ".TextBox .color.green .color.blue .COLOR.RED .gradient .solid\n"
      ".TextWindow HIDE\n.hexwindow show\n.KANAWINDOW\n"
      ".format\t18 16 8 1 16 0 1 2 3\n");
  EXPECT_EQ(form().gFontAddress, 0x1234u);
  for (MenuId m : {MenuId::Blue1, MenuId::Green1, MenuId::Red1, MenuId::Gradient1, MenuId::Solid1})
    EXPECT_EQ(checked(m), m == MenuId::Green1 || m == MenuId::Gradient1) << static_cast<int>(m);
  EXPECT_EQ(std::tuple(p.ui.window(FormId::TxtForm).visible(), p.ui.window(FormId::HexForm).visible(),
                       p.ui.window(FormId::KanaForm).visible()),
            std::tuple(false, true, true));
  EXPECT_EQ(std::tuple(form().gLineWidth, form().gGlyphH, form().gGlyphW, form().gWidthScale),
            std::tuple(288, 16, 8, 16));
  EXPECT_EQ(form().gFormatReserved, (std::array<uint8_t, 5>{1, 0, 1, 2, 3}));

  // Fields a line does not supply keep their values; bytes take the low 8 bits; the width is
  // multiplied in 16 bits. A .Font word that is no number keeps the address.
  Load(".FORMAT 10 300 x 9\n.Font G1\n");
  EXPECT_EQ(std::tuple(form().gLineWidth, form().gGlyphH, form().gGlyphW), std::tuple(160, 300 & 0xFF, 8));
  EXPECT_EQ(form().gFontAddress, 0x1234u);
  Load(".FORMAT 5000 16 16 1 20\n.font 0x1F rest\n");
  EXPECT_EQ(form().gLineWidth, static_cast<uint16_t>(5000 * 20));
  EXPECT_EQ(form().gFontAddress, 0x1Fu);
}

TEST_F(ConfigTest, ViewOptionsTakeTheirValueWhateverTheStartState) {
  // The loader sets the opposite state and runs the option's own command, which flips it.
  const std::tuple<const char*, MenuId, bool> cases[] = {
      {".controlcodes HIDE x\n", MenuId::HideCodes, true}, {".CONTROLCODES\n", MenuId::HideCodes, false},
      {".VWF on\n", MenuId::UseVWFRoutine1, true},         {".VWF OFF\n", MenuId::UseVWFRoutine1, false},
      {".TransText show\n", MenuId::DTT, false},  // its command shows the translation and unchecks it
  };
  for (auto [line, item, want] : cases) {
    for (bool start : {false, true}) {
      form().SetChecked(item, start);
      Load(line);
      EXPECT_EQ(checked(item), want) << line << " from " << start;
    }
  }
  form().SetChecked(MenuId::DTT, true);
  Load(".TransText SHOWN\n.TRANSTEXT\n");
  EXPECT_TRUE(checked(MenuId::DTT));  // any other value does nothing
}

// ---- with Open ROM ----

class OpenRomTest : public ConfigTest {
 protected:
  void OpenRom(std::optional<std::string> dataFile) {
    p.ui.script.openAnswers.push_back(
        Lines{dir.write("game.sfc", test::RomBuilder().fontTable({test::SolidGlyph(0xFF)}).file())});
    p.ui.script.openAnswers.push_back(dataFile ? std::optional(Lines{dir.write("d.txt", *dataFile)})
                                               : std::nullopt);
    form().OpenBinaryTextData1Click(kNoSender);
  }
  test::ScopedCwd cwd{dir.path()};  // Open ROM makes its Dumps folder here
};

TEST_F(OpenRomTest, CancelledDataFileKeepsTheRomAndAnEmptyListStopsBeforeSelecting) {
  OpenRom(std::nullopt);
  EXPECT_EQ(p.ui.script.dialogsRun.at(1).initialDir, form().gStartDir);
  EXPECT_NE(form().gFONT, nullptr);
  EXPECT_EQ(std::tuple(p.ui.bList.focusCount, form().gDataLoaded), std::tuple(0, 0));
  EXPECT_TRUE(p.ui.messages().empty());

  OpenRom(".FORMAT 18 16 8 1 16\n");
  EXPECT_EQ(std::tuple(p.ui.bList.hint(), p.ui.bList.focusCount, form().gDataLoaded),
            std::tuple("0 item(s)", 0, 1));  // set by the loader at the end of the file

  OpenRom(".BLOCK 1 0 0 0\n");
  form().gDataLoaded = 0;
  OpenRom(std::nullopt);  // a cancelled data file goes on with the earlier list
  EXPECT_EQ(p.ui.bList.lines, Lines{"Block 1"});
  EXPECT_EQ(std::tuple(p.ui.bList.itemIndex(), form().gDataLoaded), std::tuple(0, 1));
}

}  // namespace
}  // namespace ts2
