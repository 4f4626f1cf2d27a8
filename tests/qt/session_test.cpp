// A short session on the real windows: a ROM and data file named on the command line, the
// lists and the Text Editor filled, a block clicked, an edit, and the close prompt.
#include <QListView>
#include <QPlainTextEdit>

#include "qt_fixture.h"
#include "support/builders.h"

namespace ts2::test {
namespace {

struct SessionTest : EditorFixture {
  SessionTest() {
    RomBuilder rom(0x200000);
    rom.fontTable({SolidGlyph(0xFF), SolidGlyph(0x0F, 0xF0)});
    // Block at 0x1A8000 with 3 strings in bank 0x1B0000, each three one-byte characters.
    for (uint16_t s = 0; s < 3; ++s) {
      rom.put16(0x1A8000 + 2 * s, static_cast<uint16_t>(0x0100 * (s + 1)));
      const uint8_t string[] = {0x02, 0x00, 0x01, 0x00};
      rom.put(0x1B0000 + 0x0100 * (s + 1), string);
    }
    romPath = dir.write("game.sfc", rom.file());
    dataPath = dir.write("game.txt", ".FORMAT 18 16 8 1 16 0 1 2 3\n.BLOCK $1A8000 $1B0000 0 3\n");
    showAndActivate();
  }
  TempDir dir;
  ScopedCwd cwd{dir.path()};
  std::string romPath, dataPath;
};

TEST_F(SessionTest, CommandLineRomAndDataFileFillTheWindows) {
  ASSERT_TRUE(program.myForm.OpenRomFile(romPath, dataPath));
  EXPECT_TRUE(answers.dialogs.empty());  // nothing was asked
  EXPECT_EQ(ui.window(FormId::myForm).caption(), std::string(kMainCaption) + " - [ game.txt ]");

  ListBox& bList = ui.list(ControlId::bList);
  ListBox& pList = ui.list(ControlId::pList);
  ASSERT_EQ(bList.count(), 1);
  EXPECT_EQ(bList.line(0), "Block 1A8000");
  EXPECT_EQ(bList.itemIndex(), 0);
  ASSERT_EQ(pList.count(), 3);
  EXPECT_EQ(pList.itemIndex(), 0);
  EXPECT_EQ(pList.hint(), "3 item(s)");

  // The Text Editor holds the block's new translation file, unmodified.
  RichEdit& editor = ui.richEdit(ControlId::TDMemo);
  EXPECT_EQ(editor.line(0), "// Do not erase these: ");
  EXPECT_EQ(editor.findText(".STRING 2", 0, editor.textLength()) > 0, true);
  EXPECT_FALSE(editor.modified());
  EXPECT_TRUE(sink.changes.empty());

  // The List Data window lays its lists out side by side.
  const Size client = ui.window(FormId::cmForm).clientSize();
  EXPECT_EQ(bList.bounds().width, client.width / 2);
  EXPECT_EQ(pList.bounds().left, client.width / 2);
  EXPECT_EQ(pList.bounds().height, client.height);
}

TEST_F(SessionTest, ClicksEditsAndTheClosePromptGoThroughTheProgram) {
  ASSERT_TRUE(program.myForm.OpenRomFile(romPath, dataPath));
  auto* strings = control<QListView>(FormId::cmForm, "pList");
  QCoreApplication::processEvents();
  const QRect row = strings->visualRect(strings->model()->index(2, 0));
  QTest::mouseClick(strings->viewport(), Qt::LeftButton, {}, row.center());
  EXPECT_EQ(sink.clicks, std::vector<ControlId>{ControlId::pList});
  EXPECT_EQ(ui.list(ControlId::pList).itemIndex(), 2);

  activate(FormId::TxtForm);
  auto* editor = control<QPlainTextEdit>(FormId::TxtForm, "TDMemo");
  editor->setFocus();
  QTest::keyClicks(editor, "Hi");
  EXPECT_EQ(sink.changes.size(), 2u);
  EXPECT_TRUE(ui.richEdit(ControlId::TDMemo).modified());

  answers.yes = {false};  // do not save the text
  ui.window(FormId::myForm).close();
  ASSERT_FALSE(answers.boxes.empty());
  EXPECT_EQ(answers.boxes.front().first, qt::DialogAnswers::Box::Question);
  EXPECT_EQ(answers.boxes.front().second, "TEXT data not saved. Do you wish to save it?");
  EXPECT_TRUE(program.myForm.closed);
  EXPECT_EQ(sink.closes, 1);
}

}  // namespace
}  // namespace ts2::test
