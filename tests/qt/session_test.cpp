// Sessions on the real windows: a ROM and data file named on the command line, the lists and
// the Text Editor filled, blocks and strings clicked, typing, the main window's keys and the
// kana text, checked against what ts2tool draws for the same files.
#include <QClipboard>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <filesystem>
#include <fstream>

#include "qt/qt_controls.h"
#include "qt_fixture.h"

namespace ts2::test {
namespace {

using DemoSession = DemoFixture;

TEST_F(DemoSession, CommandLineFilesFillTheWindowsAndClicksFollow) {
  ASSERT_TRUE(open());
  EXPECT_TRUE(answers.dialogs.empty());  // nothing was asked
  EXPECT_EQ(ui.window(FormId::myForm).caption(), std::string(kMainCaption) + " - [ demo.txt ]");
  ListBox& bList = ui.list(ControlId::bList);
  ListBox& pList = ui.list(ControlId::pList);
  auto* editor = textEditor();
  ASSERT_EQ(bList.count(), 3);
  EXPECT_EQ(bList.line(2), "Block CA8000");
  EXPECT_EQ(pList.itemIndex(), 0);
  EXPECT_TRUE(editor->toPlainText().contains(QStringLiteral("Bienvenue")));
  EXPECT_FALSE(ui.richEdit(ControlId::TDMemo).modified());
  // The List Data window lays its lists out side by side.
  const Size client = ui.window(FormId::cmForm).clientSize();
  EXPECT_EQ(bList.bounds().width, client.width / 2);
  EXPECT_EQ(pList.bounds().left, client.width / 2);

  // The third block: its strings listed, its new translation file created and shown.
  clickLine("bList", 2);
  ASSERT_EQ(pList.count(), 3);
  EXPECT_EQ(pList.itemIndex(), 0);
  const std::string file = ReadFileText(dir.file("Dumps/000A8000.txt"));
  EXPECT_EQ(editor->toPlainText(), QString::fromLatin1(file).remove(u'\r'));
  EXPECT_EQ(ui.statusBar().panelText(0), "Offset: 0A0000 | PTR: 0000 -> 0A8000");

  // A string: its offsets in panel 0, on the screen too, and its number in the kana caption.
  clickLine("pList", 2);
  EXPECT_EQ(ui.statusBar().panelText(0), "Offset: 0A002E | PTR: 002E -> 0A8004");
  EXPECT_EQ(Panel(form(FormId::myForm), 0)->text(), QStringLiteral("Offset: 0A002E | PTR: 002E -> 0A8004"));
  EXPECT_EQ(ui.window(FormId::KanaForm).caption(), "Kana Text: String #2");

  // Back to the first block: its translation file again.
  clickLine("bList", 0);
  EXPECT_EQ(pList.count(), 6);
  EXPECT_TRUE(editor->toPlainText().contains(QStringLiteral("Bienvenue")));
}

TEST_F(DemoSession, EditsAndTheClosePromptGoThroughTheProgram) {
  ASSERT_TRUE(open());
  auto* editor = focusTextEditor();
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

TEST_F(DemoSession, ShownStringIsTheBitmapThatRenderWrites) {
  ASSERT_TRUE(open());
  auto* video = static_cast<qt::PaintWidget*>(control<QWidget>(FormId::myForm, "Video"));
  // Every kind of string header; block 1's pointer table lies at 0x60000; block 0 has a
  // translation, the others the sections of their new files.
  for (auto [block, string] : {std::pair{0, 0}, {0, 3}, {0, 2}, {1, 0}, {1, 3}, {2, 1}, {2, 2}}) {
    SCOPED_TRACE(testing::Message() << "block " << block << " string " << string);
    clickLine("bList", block);
    clickLine("pList", string);
    ASSERT_EQ(ui.list(ControlId::pList).itemIndex(), string);
    EXPECT_EQ(bitmap().pixels,
              rendered("--block " + std::to_string(block) + " --string " + std::to_string(string)));
    EXPECT_EQ(video->image(), qt::ToImage(bitmap()));  // and Video shows it
  }
}

TEST_F(DemoSession, TypingRedrawsTheLowerBoxAtOnceWithoutMovingCaretOrEditor) {
  ASSERT_TRUE(open());
  clickLine("pList", 2);  // its section is scrolled to the top of the editor
  auto* editor = textEditor();
  RichEdit& memo = ui.richEdit(ControlId::TDMemo);
  const int top = editor->verticalScrollBar()->value();
  EXPECT_GT(top, 0);
  focusTextEditor();
  const int at = memo.findText("Tom.", 0, memo.textLength()) + 4;
  memo.setSelection(at, 0);
  const std::vector<uint16_t> before = bitmap().pixels;

  QTest::keyClicks(editor, "!?");
  EXPECT_EQ(memo.line(memo.lineFromChar(at)), "Demande \xE0 Mira ou \xE0 Tom.!?");
  EXPECT_EQ(memo.selStart(), at + 2);
  EXPECT_EQ(memo.selLength(), 0);
  EXPECT_EQ(editor->verticalScrollBar()->value(), top);
  // The translation box (rows 136 to 247) changed, and nothing outside it.
  auto rows = [](const std::vector<uint16_t>& px, int from, int to) {
    return std::vector<uint16_t>(px.begin() + from * 320, px.begin() + to * 320);
  };
  EXPECT_EQ(rows(bitmap().pixels, 0, 136), rows(before, 0, 136));
  EXPECT_NE(rows(bitmap().pixels, 136, 248), rows(before, 136, 248));
  EXPECT_EQ(rows(bitmap().pixels, 248, 256), rows(before, 248, 256));

  // What was drawn is what the saved file draws.
  QTest::keyClick(editor, Qt::Key_S, Qt::ControlModifier);
  EXPECT_FALSE(memo.modified());
  EXPECT_EQ(bitmap().pixels, rendered("--string 2"));
}

TEST_F(DemoSession, PastedTypographyIsDrawnSavedAndReadBackAsOneByteEach) {
  ASSERT_TRUE(open());
  clickLine("pList", 2);
  auto* editor = focusTextEditor();
  RichEdit& memo = ui.richEdit(ControlId::TDMemo);
  memo.setSelection(memo.findText("Tom.", 0, memo.textLength()) + 4, 0);
  QApplication::clipboard()->setText(QString::fromUtf8(" \u2026 c\u0153ur \u20AC"));
  editor->paste();
  EXPECT_TRUE(answers.boxes.empty());
  const std::string line = "Demande \xE0 Mira ou \xE0 Tom. \x85 c\x9Cur \x80";
  const auto* encoded = reinterpret_cast<const char*>(program.myForm.gTransText.get());
  EXPECT_NE(std::string(encoded, 0x100).find(line), std::string::npos);
  EXPECT_EQ(Panel(form(FormId::myForm), 2)->toolTip().indexOf(QStringLiteral("glyph")), -1);  // all drawn

  QTest::keyClick(editor, Qt::Key_S, Qt::ControlModifier);
  const std::string path = program.myForm.gTextPath;
  EXPECT_NE(ReadFileText(path).find(line + "\r\n"), std::string::npos);
  clickLine("bList", 1);
  clickLine("bList", 0);  // read back from the file
  EXPECT_NE(editor->toPlainText().indexOf(QString::fromUtf8("Tom. \u2026 c\u0153ur \u20AC")), -1);
}

// Coming back to the editor: a file changed meanwhile is shown as it is now when nothing typed is
// unsaved, and asked about when something is.
TEST_F(DemoSession, ComingBackToTheEditorShowsOrAsksAboutAFileChangedMeanwhile) {
  ASSERT_TRUE(open());
  const std::string path = program.myForm.gTextPath;
  auto* memo = textEditor();
  int n = 0;
  const auto teammate = [&] {
    const auto stamp = std::filesystem::last_write_time(path);
    std::ofstream(path, std::ios::binary | std::ios::app) << "// from a teammate " << ++n << "\r\n";
    std::filesystem::last_write_time(path, stamp + std::chrono::seconds(5));
  };
  teammate();
  emit qApp->applicationStateChanged(Qt::ApplicationActive);
  EXPECT_TRUE(answers.boxes.empty());
  EXPECT_TRUE(memo->toPlainText().endsWith(QStringLiteral("// from a teammate 1\n")));

  memo->moveCursor(QTextCursor::Start);
  QTest::keyClicks(memo, "x");
  teammate();
  answers.choices = {1};  // Reload
  answers.yes = {false};  // and drop what was typed
  emit qApp->applicationStateChanged(Qt::ApplicationActive);
  ASSERT_FALSE(answers.boxes.empty());
  EXPECT_EQ(answers.boxes.front().second, ChangedOnDiskQuestion(path));
  EXPECT_TRUE(memo->toPlainText().endsWith(QStringLiteral("// from a teammate 2\n")));
}

TEST_F(DemoSession, MainWindowKeysScrollTheBoxesAndRedraw) {
  ASSERT_TRUE(open());
  activate(FormId::myForm);
  QWidget* main = form(FormId::myForm);
  const auto& pages = program.myForm.gPages;
  const std::vector<uint16_t> shown = bitmap().pixels;
  // The rows of both boxes overwritten, to see whether anything draws them again (marked as
  // written, as every writer of the bitmap marks its rows).
  for (int y : {8, 136}) {
    std::fill_n(bitmap().scanLine(y), 112 * bitmap().width, uint16_t{0x1234});
    bitmap().markWritten(y, y + 111);
  }
  const std::vector<uint16_t> marked = bitmap().pixels;

  QTest::keyClick(main, Qt::Key_Up, Qt::ShiftModifier);  // at the top already: nothing at all
  QTest::keyClick(main, Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(pages[0].scroll, 0);
  EXPECT_EQ(bitmap().pixels, marked);
  QTest::keyClick(main, Qt::Key_A);  // a letter alone draws both boxes again
  EXPECT_EQ(bitmap().pixels, shown);

  for (int i = 0; i < 9; ++i) QTest::keyClick(main, Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(pages[0].scroll, 144);
  EXPECT_EQ(pages[1].scroll, 0);
  EXPECT_EQ(ui.statusBar().panelText(1), "Line {Kana, Ascii}: 9, 0");
  EXPECT_EQ(Panel(main, 1)->toolTip(), QStringLiteral("Line {Kana, Ascii}: 9, 0"));
  EXPECT_TRUE(Panel(main, 1)->text().startsWith(QStringLiteral("Line {Kana")))
      << Panel(main, 1)->text().toStdString();
  EXPECT_EQ(bitmap().pixels, rendered("--scroll-rom 144"));

  QTest::keyClick(main, Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(pages[1].scroll, 16);
  EXPECT_EQ(ui.statusBar().panelText(1), "Line {Kana, Ascii}: 9, 1");
  EXPECT_EQ(bitmap().pixels, rendered("--scroll-rom 144 --scroll-trans 16"));
}

TEST_F(DemoSession, KanaTextShowsTheTablesHiraganaAndGivesBackItsBytes) {
  ASSERT_TRUE(open());
  if (!qt::SjisText::Available()) GTEST_SKIP() << "Qt has no Shift-JIS codec here";
  // Codes 0x2000 on are hiragana in the demo's table; each word's first byte is the code's high
  // byte. Then a line break (00 FD), ka and A, and the end.
  const uint8_t words[] = {0x20, 0x00, 0x20, 0x01, 0x20, 0x02, 0x00,
                           0xFD, 0x20, 0x05, 0x00, 0x41, 0xFF, 0xFF};
  std::copy(std::begin(words), std::end(words), program.myForm.gWRAM.get());
  QTest::keyClick(form(FormId::myForm), Qt::Key_K, Qt::ControlModifier);  // shows the window
  ASSERT_TRUE(ui.window(FormId::KanaForm).visible());
  program.KanaForm.ConvertToKana(0);

  auto* kana = control<QPlainTextEdit>(FormId::KanaForm, "kanaEdit");
  EXPECT_EQ(kana->toPlainText(), QStringLiteral("\u3042\u3044\u3046\n\u304B"
                                                "A"));
  Memo& memo = ui.memo(ControlId::kanaEdit);
  ASSERT_EQ(memo.lineCount(), 2);
  EXPECT_EQ(memo.line(0), "\x82\xA0\x82\xA2\x82\xA4");
  EXPECT_EQ(memo.line(1),
            "\x82\xA9"
            "A");
}

TEST_F(DemoSession, KanaTextFollowsTheSelectionWithTheOriginalToSelectAndCopy) {
  ASSERT_TRUE(open());
  if (!qt::SjisText::Available()) GTEST_SKIP() << "Qt has no Shift-JIS codec here";
  auto* kana = control<QPlainTextEdit>(FormId::KanaForm, "kanaEdit");
  EXPECT_EQ(kana->toPlainText(), QStringLiteral("Welcome to Tormel Saragon!"));
  // String 3 holds wide codes, three of them the kana glyphs the table gives hiragana for.
  clickLine("pList", 3);
  const QString gold = QStringLiteral("Gold: 100 \u3042\u3044\u3046");
  EXPECT_EQ(kana->toPlainText(), gold);
  EXPECT_EQ(ui.window(FormId::KanaForm).caption(), "Kana Text: String #3");

  // Selected and copied with the keys, although the window is read-only and the menu has
  // Ctrl+A and Ctrl+C.
  program.myForm.DisplayKanaTextDump1Click(kNoSender);
  activate(FormId::KanaForm);
  kana->setFocus();
  QApplication::clipboard()->clear();
  sink.commands.clear();
  QTest::keyClick(kana, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(kana, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(sink.commands, std::vector<MenuId>{});
  EXPECT_EQ(QApplication::clipboard()->text(), gold);
  EXPECT_EQ(kana->toPlainText(), gold);
}

}  // namespace
}  // namespace ts2::test
