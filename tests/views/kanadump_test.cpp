#include <gtest/gtest.h>

#include <filesystem>

#include "core/bytes.h"
#include "headless/headless.h"
#include "support/builders.h"
#include "support/rom_state.h"
#include "views/kanadump.h"

namespace ts2 {
namespace {

using Lines = std::vector<std::string>;

// A ROM image in memory (with a copier header), block 3 selected, texts and string records in
// Working RAM: string 0 is text "A" CR LF "B", string 1 non-text, string 2 an empty text.
class KanaDump : public ::testing::Test {
 protected:
  static constexpr uint32_t kRomData = 0x10000;
  headless::HeadlessProgram p;
  TmyForm& f = p.form();
  test::TempDir dir;
  std::string path = dir.file("dump.txt");

  void SetUp() override {
    test::LoadRomImage(f, std::vector<uint8_t>(kRomData + 0x200, 0xEE));
    f.gCurBlock = 3;
    f.gCharTable16[0x4100] = CharEntry{1, 15, 0, "A"};
    f.gCharTable16[0x4200] = CharEntry{1, 15, 0, "B"};
    const uint8_t text[] = {0x41, 0x00, 0x00, 0xFD, 0x42, 0x00, 0xFF, 0xFF};
    std::copy(std::begin(text), std::end(text), f.gWRAM.get() + 0x800);
    Write16LE(f.gWRAM.get() + 0x900, 0xFFFF);
    Record(0, 2, 0x800);
    Record(1, 5, 0x800);
    Record(2, 2, 0x900);
    ListStrings(3);
  }
  void Record(uint32_t index, uint16_t kind, uint16_t textOffset) {
    Write16LE(f.gWRAM.get() + 64 * index + 2, kind);
    Write16LE(f.gWRAM.get() + 64 * index + 14, textOffset);
  }
  void ListStrings(int count) {
    p.ui.pList.clear();
    for (int i = 0; i < count; ++i) p.ui.pList.add(std::to_string(i));
  }
  std::string DumpToFile() {
    p.ui.script.saveAnswers.push_back(path);
    f.DumpKanatoafile1Click(kNoSender);
    return std::filesystem::exists(path) ? test::ReadFileText(path) : "<no file>";
  }
  Lines View() {
    f.ViewKanaDump1Click(kNoSender);
    return p.ui.kanaMemo.lines;
  }
};

TEST_F(KanaDump, OneSectionPerStringInFileAndViewer) {
  f.FSave.fileName = "left over";
  p.ui.kanaEdit.setText("keep\r\nthis");
  EXPECT_EQ(DumpToFile(),
            ".STRING 0\r\nA\r\nB\r\n.ENDS\r\n\r\n"
            ".STRING 1\r\nNON-TEXT DATA\r\n.ENDS\r\n\r\n"
            ".STRING 2\r\n.ENDS\r\n\r\n");
  EXPECT_EQ(p.ui.messages(), Lines{"Text Data dumped to the file!"});
  const FileDialog& d = p.ui.script.dialogsRun.at(0);
  EXPECT_EQ(std::tuple(d.title, d.initialDir, d.fileName),
            std::tuple("Dump Working RAM to file...", f.gStartDir, ""));
  // clang-format off
  EXPECT_EQ(View(), (Lines{".STRING 0", "", "", "A", "B", ".ENDS", "", "", "",
                           ".STRING 1", "NON-TEXT DATA", ".ENDS", "", "",
                           ".STRING 2", "", "", ".ENDS", "", "", ""}));
  // clang-format on
  EXPECT_TRUE(p.ui.win(FormId::viewKana).visible());
  EXPECT_EQ(p.ui.messages().size(), 1u);
  // kanaEdit served as scratch space and holds its text again; Memo1 keeps a copy.
  EXPECT_EQ(p.ui.kanaEdit.lines, (Lines{"keep", "this"}));
  EXPECT_TRUE(p.ui.kanaEdit.visible());
  EXPECT_EQ(p.ui.Memo1.text(), "keep\nthis\n");
}

// A table text may hold a line feed, which does not break the window's line: in the file it is
// CR LF, as every other line end.
TEST_F(KanaDump, LineFeedsInATableTextAreWrittenAsCrLf) {
  f.gCharTable16[0x4300] = CharEntry{3, 15, 0, "X\nY"};
  const uint8_t text[] = {0x43, 0x00, 0x41, 0x00, 0xFF, 0xFF};
  std::copy(std::begin(text), std::end(text), f.gWRAM.get() + 0xA00);
  Record(0, 2, 0xA00);
  ListStrings(1);
  EXPECT_EQ(DumpToFile(), ".STRING 0\r\nX\r\nYA\r\n.ENDS\r\n\r\n");
}

TEST_F(KanaDump, MarkerByteDecidesEnglishBlocks) {
  const std::string english = ".STRING 0\r\nBlock is in english already.\r\n.ENDS\r\n\r\n";
  const std::string text = ".STRING 0\r\nA\r\nB\r\n.ENDS\r\n\r\n";
  struct Case {
    int32_t block, markerAt;
    uint8_t marker;
    const std::string& expected;
  };
  const Case cases[] = {
      {3, 3, 3, english},  {3, 2, 3, text},     // the byte of another block
      {3, 3, 2, text},     {0, 0, 0, english},  // the last byte of the game data
      {256, 256, 0, text},                      // equal in its low byte only: blocks from 256 never match
      {-1, 0, 0xFF, text},
  };
  ListStrings(1);
  for (const Case& c : cases) {
    std::fill_n(f.romAlloc.get(), f.gROMSize, 0xEE);
    f.gROM[kRomData - 1 - c.markerAt] = c.marker;
    f.gCurBlock = c.block;
    EXPECT_EQ(DumpToFile(), c.expected) << c.block << " " << c.markerAt;
  }
  f.gCurBlock = 3;
  f.gROM[kRomData - 4] = 3;
  EXPECT_EQ(View(), (Lines{".STRING 0", "Block is in english already.", ".ENDS", "", ""}));
}

TEST_F(KanaDump, EmptyBlockGivesAnEmptyFileAndViewer) {
  ListStrings(0);
  EXPECT_EQ(DumpToFile(), "");
  EXPECT_EQ(p.ui.messages(), Lines{"Text Data dumped to the file!"});
  p.ui.kanaMemo.setText("stale");
  EXPECT_EQ(View(), Lines{});
}

TEST_F(KanaDump, CancelUncreatableFileAndNoRom) {
  p.ui.kanaEdit.setText("keep");
  p.ui.script.saveAnswers.push_back(std::nullopt);
  f.DumpKanatoafile1Click(kNoSender);
  EXPECT_TRUE(p.ui.messages().empty());
  path = dir.file("missing/dump.txt");
  EXPECT_EQ(DumpToFile(), "<no file>");
  EXPECT_EQ(p.ui.messages(), Lines{"Error: Could not open file for saving..."});
  EXPECT_EQ(p.ui.kanaEdit.lines, Lines{"keep"});
  // Nor can a read-only file or a folder be opened for writing; each is left as it was.
  path = dir.write("read-only.txt", "kept");
  std::filesystem::permissions(path, std::filesystem::perms::owner_read);
  EXPECT_EQ(DumpToFile(), "kept");
  path = dir.file("folder");
  std::filesystem::create_directory(path);
  p.ui.script.saveAnswers.push_back(path);
  f.DumpKanatoafile1Click(kNoSender);
  EXPECT_TRUE(std::filesystem::is_directory(path));
  EXPECT_EQ(p.ui.messages(), Lines(3, "Error: Could not open file for saving..."));

  f.romAlloc.reset();
  f.gROM = nullptr;
  const size_t dialogs = p.ui.script.dialogsRun.size();
  f.DumpKanatoafile1Click(kNoSender);
  f.ViewKanaDump1Click(kNoSender);
  EXPECT_EQ(p.ui.script.dialogsRun.size(), dialogs);
  EXPECT_FALSE(p.ui.win(FormId::viewKana).visible());
}

TEST_F(KanaDump, RecordsAndTextsStayInsideWorkingRam) {
  // String 2048's record would start at the end of Working RAM: it holds no text record.
  // String 0's text starts at an odd offset with no end word and runs to the end of Working
  // RAM: 0x10001 bytes, of which the last one cannot start a word.
  ListStrings(2049);
  Record(0, 2, 0xFFFF);
  std::string zeros;
  for (int i = 0; i < 0x8000; ++i) zeros += "[$0000]";
  const std::string dump = DumpToFile();
  EXPECT_EQ(dump.rfind(".STRING 0\r\n" + zeros + "\r\n.ENDS\r\n\r\n", 0), 0u);
  const std::string last = ".STRING 2048\r\nNON-TEXT DATA\r\n.ENDS\r\n\r\n";
  EXPECT_EQ(dump.substr(dump.size() - last.size()), last);
}

}  // namespace
}  // namespace ts2
