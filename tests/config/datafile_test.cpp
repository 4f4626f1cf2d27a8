#include <gtest/gtest.h>

#include <string>

#include "config/config.h"
#include "core/fileutil.h"
#include "fixture.h"

namespace ts2 {
namespace {

using test::ConfigTest;

// ---- choosing and opening the file ----

TEST_F(ConfigTest, DialogIsSetUpAndCancelChangesNothing) {
  form().Open1.initialDir = "/earlier";
  form().Open1.fileName = "old.sfc";
  p.ui.bList.add("Block 1");
  p.ui.script.openAnswers.push_back(std::nullopt);
  form().LoadDataFileClick(kNoSender);

  ASSERT_EQ(p.ui.script.dialogsRun.size(), 1u);
  const FileDialog& d = p.ui.script.dialogsRun[0];
  EXPECT_EQ(d.title, "Open Text Block Data File");
  EXPECT_EQ(d.filter, "Font Format File | *.txt");
  EXPECT_EQ(d.fileName, "");
  EXPECT_EQ(d.initialDir, "/earlier");
  EXPECT_EQ(p.ui.bList.lines, std::vector<std::string>{"Block 1"});
  EXPECT_EQ(p.ui.window(FormId::myForm).caption(), kMainCaption);
  EXPECT_TRUE(p.ui.messages().empty());
}

TEST_F(ConfigTest, ChosenFileIsLoaded) {
  p.ui.script.openAnswers.push_back(std::vector<std::string>{dir.write("game.txt", ".BLOCK 1 2 3 4\n")});
  form().LoadDataFileClick(kNoSender);
  EXPECT_EQ(p.ui.bList.lines, std::vector<std::string>{"Block 1"});
  EXPECT_EQ(p.ui.window(FormId::myForm).caption(), "Script Editor: Tormel Saragon 2 - [ game.txt ]");
}

TEST_F(ConfigTest, UnreadableFileChangesNothing) {
  Load(".BLOCK 1 2 3 4\n");
  form().LoadDataFile(dir.file("missing.txt"));
  form().LoadDataFile(dir.path().string());  // a folder cannot be read either
  EXPECT_EQ(p.ui.messages(), (std::vector<std::string>{kMsgDataFileOpenFailed, kMsgDataFileOpenFailed}));
  EXPECT_EQ(form().gDataLoaded, 1);
  EXPECT_EQ(p.ui.bList.lines, std::vector<std::string>{"Block 1"});
  EXPECT_EQ(p.ui.window(FormId::myForm).caption(), "Script Editor: Tormel Saragon 2 - [ data.txt ]");
}

// ---- block lines ----

TEST_F(ConfigTest, BlockLinesFillTheListAndTables) {
  Load(
      "; any unrecognised line is a comment\n"
      ".BLOCK $C60000 C60000 C70000 2A\n"
      ".block $C61000 $C60000 0 100\n"
      "  .BLOCK 1 2 3 4\n"
      ".BLOCKS 7E1234 0 0 0F\n");
  EXPECT_EQ(p.ui.bList.lines, (std::vector<std::string>{"Block C60000", "Block C61000", "Block 7E1234"}));
  const uint32_t offsets[] = {0x060000, 0x061000, 0x3E1234};
  const uint32_t field2[] = {0x060000, 0x060000, 0};
  const uint32_t field3[] = {0x070000, 0, 0};
  const uint32_t strings[] = {42, 100, 0};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(form().gBlockOffset[i], offsets[i]) << i;
    EXPECT_EQ(form().gBlockField2[i], field2[i]) << i;
    EXPECT_EQ(form().gBlockField3[i], field3[i]) << i;
    EXPECT_EQ(form().gBlockStrings[i], strings[i]) << i;
  }
  EXPECT_EQ(p.ui.bList.itemIndex(), 0);
  EXPECT_EQ(p.ui.bList.hint(), "3 item(s)");
  EXPECT_EQ(form().gDataLoaded, 1);
}

TEST_F(ConfigTest, FileWithoutBlocksLeavesAnEmptyList) {
  Load(".FORMAT 18 16 8 1 16 0 1 2 3\n");
  EXPECT_EQ(p.ui.bList.count(), 0);
  EXPECT_EQ(p.ui.bList.itemIndex(), -1);
  EXPECT_EQ(p.ui.bList.hint(), "0 item(s)");
  EXPECT_EQ(form().gDataLoaded, 1);
}

TEST_F(ConfigTest, ShortAndOverlongBlockLines) {
  // Missing value words count as 0; words are kept to 31 characters.
  const std::string longWord = "$" + std::string(27, '0') + "12345";  // 33 characters
  Load(".BLOCK $C60000\n.BLOCK\n.BLOCK " + longWord + " 1 1 1\n");
  EXPECT_EQ(p.ui.bList.lines, (std::vector<std::string>{"Block C60000", "Block 0", "Block 123"}));
  EXPECT_EQ(form().gBlockOffset[0], 0x060000u);
  EXPECT_EQ(form().gBlockField2[0], 0u);
  EXPECT_EQ(form().gBlockStrings[0], 0u);
  EXPECT_EQ(form().gBlockOffset[1], 0u);
  EXPECT_EQ(form().gBlockOffset[2], 0x123u);
  EXPECT_EQ(form().gBlockStrings[2], 1u);
}

TEST_F(ConfigTest, BlockLinesPastTheTableAreIgnoredAndReported) {
  std::string text;
  for (int i = 0; i < kMaxBlocks + 2; ++i) text += Format(".BLOCK %X 0 0 %d\n", i, i);
  Load(text);
  EXPECT_EQ(p.ui.bList.count(), kMaxBlocks);
  EXPECT_EQ(p.ui.bList.line(kMaxBlocks - 1), "Block FFF");
  EXPECT_EQ(form().gBlockStrings[kMaxBlocks - 1], static_cast<uint32_t>(kMaxBlocks - 1));
  EXPECT_EQ(p.ui.bList.hint(), "4096 item(s)");
  EXPECT_EQ(p.ui.messages(),
            std::vector<std::string>{"2 .BLOCK line(s) past the 4096-block limit were ignored."});
}

TEST_F(ConfigTest, SecondLoadListsOnlyItsBlocksAndKeepsWhatItDoesNotMention) {
  Load(
      ".BLOCK 1 0 0 1\n.BLOCK 2 0 0 2\n.FORMAT 18 16 8 1 16 0 1 2 3\n.Font C00000\n"
      ".textbox .color.red .solid\n.TABLE\n41=A\n.ENDTABLE\n");
  Load(".BLOCK 9 0 0 9\n", "second.txt");
  EXPECT_EQ(p.ui.bList.lines, std::vector<std::string>{"Block 9"});
  EXPECT_EQ(p.ui.bList.hint(), "1 item(s)");
  EXPECT_EQ(form().gBlockStrings[0], 9u);
  EXPECT_EQ(form().gBlockStrings[1], 2u);  // entries past the count keep the earlier load's values
  EXPECT_EQ(p.ui.window(FormId::myForm).caption(), "Script Editor: Tormel Saragon 2 - [ second.txt ]");
  // .FORMAT is not mentioned: the width stays 288 (the scale is not applied a second time)
  EXPECT_EQ(form().gLineWidth, 288);
  EXPECT_EQ(form().gFontAddress, 0xC00000u);
  EXPECT_TRUE(checked(MenuId::Red1));
  EXPECT_TRUE(checked(MenuId::Solid1));
  EXPECT_EQ(c8(0x41).text, "A");
}

// ---- reading lines ----

TEST_F(ConfigTest, LinesLongerThanTheBufferArriveInPieces) {
  // 255 characters fill one read; the rest of the line is read as a line of its own.
  const std::string filler(255, 'x');
  Load(filler + ".BLOCK 1 0 0 5\n" +                       // the second piece is a block line
       ".BLOCK 2 0 0 3" + std::string(241, ' ') + "7\n");  // the count falls into the next piece
  EXPECT_EQ(p.ui.bList.lines, (std::vector<std::string>{"Block 1", "Block 2"}));
  EXPECT_EQ(form().gBlockStrings[0], 5u);
  EXPECT_EQ(form().gBlockStrings[1], 3u);
}

TEST_F(ConfigTest, CrLfLineEndsAndZeroBytes) {
  const char raw[] = ".BLOCK 1 0 0 5\r\n.BLOCK 2 0 0 3\0 9\r\n.FONT 12";
  Load(std::string(raw, sizeof raw - 1));
  EXPECT_EQ(form().gBlockStrings[0], 5u);
  EXPECT_EQ(form().gBlockStrings[1], 3u);  // the zero byte ends the line
  EXPECT_EQ(form().gFontAddress, 0x12u);   // the last line needs no line end
}

// ---- directives ----

TEST_F(ConfigTest, FontAddress) {
  const std::pair<const char*, uint32_t> cases[] = {
      {".Font C00000\n", 0xC00000}, {".FONTS 1234\n", 0x1234},  // any line starting ".font" is a .Font line
      {".font 0x1F rest\n", 0x1F},  {".Font 12G\n", 0x12},     {".Font\n", 0x12},  // no value: unchanged
      {".Font G1\n", 0x12},  // not hexadecimal: unchanged
      {" .Font 99\n", 0x12},
  };
  for (auto [line, value] : cases) {
    Load(line);
    EXPECT_EQ(form().gFontAddress, value) << line;
  }
}

TEST_F(ConfigTest, TextBoxKeywords) {
  struct Case {
    const char* line;
    MenuId colour, fill;
  };
  const Case cases[] = {
      {".textbox .color.red .color.blue .solid\n", MenuId::Red1, MenuId::Solid1},
      {".textbox .Color.Red .GRADIENT\n", MenuId::Red1, MenuId::Solid1},  // case-sensitive: no change
      {".TEXTBOX.color.green\n", MenuId::Green1, MenuId::Solid1},
      {".textbox .color.blue .gradient .solid\n", MenuId::Blue1, MenuId::Gradient1},
      {".textbox .color.green.color.blue\n", MenuId::Green1, MenuId::Gradient1},
  };
  for (const Case& c : cases) {
    Load(c.line);
    for (MenuId m : {MenuId::Blue1, MenuId::Green1, MenuId::Red1})
      EXPECT_EQ(checked(m), m == c.colour) << c.line << " item " << static_cast<int>(m);
    for (MenuId m : {MenuId::Gradient1, MenuId::Solid1})
      EXPECT_EQ(checked(m), m == c.fill) << c.line << " item " << static_cast<int>(m);
  }
}

TEST_F(ConfigTest, FormatLine) {
  Load(".FORMAT 18 16 8 1 16 0 1 2 3\n");
  EXPECT_EQ(form().gLineWidth, 288);
  EXPECT_EQ(form().gGlyphH, 16);
  EXPECT_EQ(form().gGlyphW, 8);
  EXPECT_EQ(form().gWidthScale, 16);
  EXPECT_EQ(form().gFormatReserved, (std::array<uint8_t, 5>{1, 0, 1, 2, 3}));

  Load(".format\t0 16 8 1 16 0 1 2 3\n");
  EXPECT_EQ(form().gLineWidth, 0);

  // Fields the line does not supply keep their values; bytes take the low 8 bits.
  Load(".FORMAT 10 300 x 9\n");
  EXPECT_EQ(form().gLineWidth, 160);
  EXPECT_EQ(form().gGlyphH, 300 & 0xFF);
  EXPECT_EQ(form().gGlyphW, 8);
  EXPECT_EQ(form().gFormatReserved[0], 1);

  // The width is multiplied in 16 bits.
  Load(".FORMAT 5000 16 16 1 20\n");
  EXPECT_EQ(form().gLineWidth, static_cast<uint16_t>(5000 * 20));
}

// What an item's own command makes of `start`. The loader sets a view option to the opposite of
// the state it wants and runs the option's command, so the outcome is the command's result.
bool AfterCommand(MenuId item, bool start) {
  headless::HeadlessProgram ref;
  ref.form().SetChecked(item, start);
  ref.form().RunMenuCommand(item);
  return ref.form().Checked(item);
}

TEST_F(ConfigTest, ControlCodesAndVwfGoThroughTheirCommands) {
  struct Case {
    const char* line;
    MenuId item;
    bool want;
  };
  const Case cases[] = {
      {".CONTROLCODES hide\n", MenuId::HideCodes, true},
      {".controlcodes HIDE extra\n", MenuId::HideCodes, true},
      {".CONTROLCODES SHOW\n", MenuId::HideCodes, false},
      {".CONTROLCODES\n", MenuId::HideCodes, false},
      {".CONTROLCODES HIDDEN\n", MenuId::HideCodes, false},
      {".VWF ON\n", MenuId::UseVWFRoutine1, true},
      {".vwf on\n", MenuId::UseVWFRoutine1, true},
      {".VWF OFF\n", MenuId::UseVWFRoutine1, false},
      {".VWF\n", MenuId::UseVWFRoutine1, false},
  };
  for (const Case& c : cases) {
    for (bool start : {false, true}) {
      form().SetChecked(c.item, start);
      Load(c.line);
      EXPECT_EQ(checked(c.item), AfterCommand(c.item, !c.want)) << c.line << " from " << start;
    }
  }
}

TEST_F(ConfigTest, TransTextShow) {
  form().SetChecked(MenuId::DTT, true);
  Load(".TransText show\n");
  EXPECT_EQ(checked(MenuId::DTT), AfterCommand(MenuId::DTT, false));

  form().SetChecked(MenuId::DTT, true);
  Load(".TransText SHOWN\n.TRANSTEXT\n");
  EXPECT_TRUE(checked(MenuId::DTT));  // any other value does nothing
}

TEST_F(ConfigTest, ToolWindows) {
  struct Case {
    const char* line;
    FormId window;
    bool visible;
  };
  const Case cases[] = {
      {".TextWindow HIDE\n", FormId::TxtForm, false}, {".TextWindow\n", FormId::TxtForm, true},
      {".HexWindow show\n", FormId::HexForm, true},   {".hexwindow Hide\n", FormId::HexForm, false},
      {".KanaWindow on\n", FormId::KanaForm, true},   {".KANAWINDOW hide\n", FormId::KanaForm, false},
  };
  for (const Case& c : cases) {
    Load(c.line);
    EXPECT_EQ(p.ui.window(c.window).visible(), c.visible) << c.line;
  }
}

TEST_F(ConfigTest, ColourTableStartsOnAnyColorLine) {
  // ".colors" and ".color.blue" both open a colour section: the next lines are colour entries.
  Load(".colors\n41=$0C\n.BLOCK 1 2 3 4\n.ENDCOLOR\n.BLOCK 5 6 7 8\n");
  EXPECT_EQ(c8(0x41).colour, 12);
  EXPECT_EQ(p.ui.bList.lines, std::vector<std::string>{"Block 5"});

  form().SetChecked(MenuId::Red1, true);
  Load(".color.blue\n42=3\n");
  EXPECT_EQ(c8(0x42).colour, 3);
  EXPECT_TRUE(checked(MenuId::Red1));  // a section start, not a .textbox keyword
}

// ---- with Open ROM ----

class OpenRomTest : public ConfigTest {
 protected:
  std::string Rom() {
    test::RomBuilder rom;
    rom.fontTable({test::SolidGlyph(0xFF), test::SolidGlyph(0x0F, 0xF0)});
    return dir.write("game.sfc", rom.file());
  }
  test::ScopedCwd cwd{dir.path()};  // Open ROM makes its Dumps folder here
};

TEST_F(OpenRomTest, CancelledDataFileKeepsTheRomAndStopsOnAnEmptyList) {
  p.ui.script.openAnswers.push_back(std::vector<std::string>{Rom()});
  p.ui.script.openAnswers.push_back(std::nullopt);
  form().OpenBinaryTextData1Click(kNoSender);

  ASSERT_EQ(p.ui.script.dialogsRun.size(), 2u);
  EXPECT_EQ(p.ui.script.dialogsRun[1].title, "Open Text Block Data File");
  EXPECT_EQ(p.ui.script.dialogsRun[1].initialDir, form().gStartDir);
  EXPECT_NE(form().gROM, nullptr);
  EXPECT_NE(form().gFONT, nullptr);
  EXPECT_EQ(p.ui.bList.count(), 0);
  EXPECT_EQ(p.ui.bList.focusCount, 0);  // Open ROM stopped before selecting a block
  EXPECT_EQ(form().gDataLoaded, 0);
  EXPECT_TRUE(p.ui.messages().empty());
}

TEST_F(OpenRomTest, DataFileWithoutBlocks) {
  p.ui.script.openAnswers.push_back(std::vector<std::string>{Rom()});
  p.ui.script.openAnswers.push_back(std::vector<std::string>{dir.write("d.txt", ".FORMAT 18 16 8 1 16\n")});
  form().OpenBinaryTextData1Click(kNoSender);
  EXPECT_NE(form().gROM, nullptr);
  EXPECT_EQ(p.ui.bList.hint(), "0 item(s)");
  EXPECT_EQ(p.ui.bList.focusCount, 0);
  EXPECT_EQ(form().gDataLoaded, 1);  // set by the loader at the end of the file
  EXPECT_EQ(form().gLineWidth, 288);
}

TEST_F(OpenRomTest, CancelledDataFileGoesOnWithTheEarlierList) {
  p.ui.script.openAnswers.push_back(std::vector<std::string>{Rom()});
  p.ui.script.openAnswers.push_back(std::vector<std::string>{dir.write("d.txt", ".BLOCK 1 0 0 0\n")});
  form().OpenBinaryTextData1Click(kNoSender);
  form().gDataLoaded = 0;
  p.ui.script.openAnswers.push_back(std::vector<std::string>{Rom()});
  p.ui.script.openAnswers.push_back(std::nullopt);
  form().OpenBinaryTextData1Click(kNoSender);
  EXPECT_EQ(p.ui.bList.lines, std::vector<std::string>{"Block 1"});
  EXPECT_EQ(p.ui.bList.itemIndex(), 0);
  EXPECT_EQ(form().gDataLoaded, 1);
}

}  // namespace
}  // namespace ts2
