#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "headless/headless.h"
#include "support/builders.h"
#include "views/kanadump.h"

namespace ts2 {
namespace {

using Lines = std::vector<std::string>;

// A program with a ROM image in memory, a selected block and string records in Working RAM.
class KanaDump : public ::testing::Test {
 protected:
  static constexpr uint32_t kRomData = 0x10000;

  headless::HeadlessProgram p;
  TmyForm& f = p.form();
  test::TempDir dir;

  void SetUp() override {
    // A copier header in front: the marker is counted from the end of the game data.
    f.gROMSize = kRomData + 0x200;
    f.gROMHeaderSize = 0x200;
    f.romAlloc = std::make_unique<uint8_t[]>(f.gROMSize);
    std::fill(f.romAlloc.get(), f.romAlloc.get() + f.gROMSize, 0xEE);
    f.gROM = f.romAlloc.get() + f.gROMHeaderSize;
    SetChar(0x4100, "A");
    SetChar(0x4200, "B");
    Text(0x800, {0x41, 0x00, 0x00, 0xFD, 0x42, 0x00, 0xFF, 0xFF});  // "A" CR LF "B"
    Text(0x900, {0xFF, 0xFF});                                      // empty
    SelectBlock(3);
  }

  void SetChar(uint32_t code, const std::string& text) {
    f.gCharTable16[code].length = static_cast<uint16_t>(text.size());
    f.gCharTable16[code].text = text;
  }
  void Text(uint32_t offset, const std::vector<uint8_t>& bytes) {
    std::copy(bytes.begin(), bytes.end(), f.gWRAM.get() + offset);
  }
  void Record(uint32_t index, uint16_t kind, uint16_t textOffset) {
    Write16LE(f.gWRAM.get() + 64 * index + 2, kind);
    Write16LE(f.gWRAM.get() + 64 * index + 14, textOffset);
  }
  void SelectBlock(int32_t block) { f.gCurBlock = block; }
  void Marker(int32_t block, uint8_t value) { f.gROM[kRomData - 1 - block] = value; }
  void ListStrings(int count) {
    p.ui.pList.clear();
    for (int i = 0; i < count; ++i) p.ui.pList.add(std::to_string(i));
  }
  // The three kinds of strings: text, non-text, empty text.
  void ThreeStrings() {
    Record(0, 2, 0x800);
    Record(1, 5, 0x800);
    Record(2, 2, 0x900);
    ListStrings(3);
  }

  std::string DumpToFile() {
    const std::string path = dir.file("dump.txt");
    p.ui.script.saveAnswers.push_back(path);
    f.DumpKanatoafile1Click(kNoSender);
    return std::filesystem::exists(path) ? test::ReadFileText(path) : "<no file>";
  }
  Lines View() {
    f.ViewKanaDump1Click(kNoSender);
    return p.ui.kanaMemo.lines;
  }
};

TEST_F(KanaDump, FileHoldsOneSectionPerString) {
  ThreeStrings();
  f.FSave.fileName = "left over";
  EXPECT_EQ(DumpToFile(),
            ".STRING 0\r\nA\r\nB\r\n.ENDS\r\n\r\n"
            ".STRING 1\r\nNON-TEXT DATA\r\n.ENDS\r\n\r\n"
            ".STRING 2\r\n.ENDS\r\n\r\n");
  EXPECT_EQ(p.ui.messages(), Lines{"Text Data dumped to the file!"});
  ASSERT_EQ(p.ui.script.dialogsRun.size(), 1u);
  const FileDialog& d = p.ui.script.dialogsRun[0];
  EXPECT_EQ(d.title, "Dump Working RAM to file...");
  EXPECT_EQ(d.initialDir, f.gStartDir);
  EXPECT_EQ(d.fileName, "");
}

TEST_F(KanaDump, ViewerAddsTheSameSectionsAsMemoItems) {
  ThreeStrings();
  EXPECT_EQ(View(), (Lines{".STRING 0", "",
                           "",          "A",
                           "B",         ".ENDS",
                           "",          "",
                           "",  //
                           ".STRING 1", "NON-TEXT DATA",
                           ".ENDS",     "",
                           "",  //
                           ".STRING 2", "",
                           "",          ".ENDS",
                           "",          "",
                           ""}));
  EXPECT_TRUE(p.ui.win(FormId::viewKana).visible());
  EXPECT_TRUE(p.ui.kanaMemo.visible());
  EXPECT_TRUE(p.ui.messages().empty());
}

TEST_F(KanaDump, MarkedBlockIsAlreadyEnglish) {
  ThreeStrings();
  Marker(3, 3);
  EXPECT_EQ(DumpToFile(),
            ".STRING 0\r\nBlock is in english already.\r\n.ENDS\r\n\r\n"
            ".STRING 1\r\nNON-TEXT DATA\r\n.ENDS\r\n\r\n"
            ".STRING 2\r\nBlock is in english already.\r\n.ENDS\r\n\r\n");
  const Lines view = View();
  ASSERT_GE(view.size(), 5u);
  EXPECT_EQ(Lines(view.begin(), view.begin() + 5),
            (Lines{".STRING 0", "Block is in english already.", ".ENDS", "", ""}));
}

TEST_F(KanaDump, MarkerOfAnotherBlockDoesNotCount) {
  Record(0, 2, 0x800);
  ListStrings(1);
  Marker(2, 3);  // the byte where block 2 looks, holding 3
  Marker(3, 2);
  EXPECT_EQ(DumpToFile(), ".STRING 0\r\nA\r\nB\r\n.ENDS\r\n\r\n");
}

TEST_F(KanaDump, BlocksFrom256OnNeverMatchTheirMarker) {
  Record(0, 2, 0x800);
  ListStrings(1);
  SelectBlock(256);
  Marker(256, 0x00);  // equal to the block index in its low byte
  EXPECT_EQ(DumpToFile(), ".STRING 0\r\nA\r\nB\r\n.ENDS\r\n\r\n");
  EXPECT_FALSE(BlockMarkedEnglish(f.RomData(), 0x1FF));
  EXPECT_FALSE(BlockMarkedEnglish(f.RomData(), -1));
  EXPECT_FALSE(BlockMarkedEnglish(std::vector<uint8_t>{0}, 1));
  EXPECT_TRUE(BlockMarkedEnglish(std::vector<uint8_t>{0}, 0));
}

TEST_F(KanaDump, EmptyBlockGivesAnEmptyFileAndAnEmptyViewer) {
  ListStrings(0);
  EXPECT_EQ(DumpToFile(), "");
  EXPECT_EQ(p.ui.messages(), Lines{"Text Data dumped to the file!"});
  p.ui.kanaMemo.setText("stale");
  EXPECT_EQ(View(), Lines{});
}

TEST_F(KanaDump, KanaEditIsSetAsideAndRestored) {
  ThreeStrings();
  p.ui.kanaEdit.setText("keep\r\nthis");
  DumpToFile();
  EXPECT_EQ(p.ui.kanaEdit.lines, (Lines{"keep", "this"}));
  EXPECT_TRUE(p.ui.kanaEdit.visible());
  EXPECT_EQ(p.ui.Memo1.text(), "keep\nthis\n");
  View();
  EXPECT_EQ(p.ui.kanaEdit.lines, (Lines{"keep", "this"}));
  EXPECT_TRUE(p.ui.kanaEdit.visible());
  EXPECT_EQ(p.ui.win(FormId::KanaForm).caption(), "Kana Text: String #0");
}

TEST_F(KanaDump, NothingHappensWithoutRomOrWhenCancelled) {
  ThreeStrings();
  p.ui.kanaEdit.setText("keep");
  p.ui.script.saveAnswers.push_back(std::nullopt);
  f.DumpKanatoafile1Click(kNoSender);
  EXPECT_TRUE(p.ui.messages().empty());
  EXPECT_EQ(p.ui.kanaEdit.setTextCount, 1);

  f.romAlloc.reset();
  f.gROM = nullptr;
  f.DumpKanatoafile1Click(kNoSender);
  f.ViewKanaDump1Click(kNoSender);
  EXPECT_EQ(p.ui.script.dialogsRun.size(), 1u);  // only the cancelled one
  EXPECT_FALSE(p.ui.win(FormId::viewKana).visible());
  EXPECT_TRUE(p.ui.messages().empty());
}

TEST_F(KanaDump, FileThatCannotBeCreatedIsReported) {
  ThreeStrings();
  p.ui.kanaEdit.setText("keep");
  const std::string path = dir.file("missing/dump.txt");
  p.ui.script.saveAnswers.push_back(path);
  f.DumpKanatoafile1Click(kNoSender);
  EXPECT_EQ(p.ui.messages(), Lines{"Error: Could not open file for saving..."});
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(p.ui.kanaEdit.lines, Lines{"keep"});
}

TEST_F(KanaDump, RecordsAndTextsStayInsideWorkingRam) {
  // 2049 listed strings: the last record would start at the end of Working RAM. String 0's text
  // starts at an odd offset with no end word, so it runs to the end of Working RAM.
  ListStrings(2049);
  Record(0, 2, 0xFFFF);
  const std::string dump = DumpToFile();
  std::string zeros;
  for (int i = 0; i < 0x8000; ++i) zeros += "[$0000]";  // 0x10001 bytes: the last one is not read
  EXPECT_EQ(dump.rfind(".STRING 0\r\n" + zeros + "\r\n.ENDS\r\n\r\n", 0), 0u);
  const std::string last = ".STRING 2048\r\nNON-TEXT DATA\r\n.ENDS\r\n\r\n";
  ASSERT_GE(dump.size(), last.size());
  EXPECT_EQ(dump.substr(dump.size() - last.size()), last);
  EXPECT_FALSE(ReadStringRecord(std::vector<uint8_t>(kWramSize), 2048).has_value());
  EXPECT_TRUE(ReadStringRecord(std::vector<uint8_t>(kWramSize), 2047).has_value());
}

}  // namespace
}  // namespace ts2
