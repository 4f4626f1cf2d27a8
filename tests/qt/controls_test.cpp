// List boxes, kana memos and the conversions between the toolkit's bytes and Qt.
#include <QListView>
#include <QPlainTextEdit>

#include "qt/qt_text.h"
#include "qt_fixture.h"

namespace ts2::test {
namespace {

// ---- list boxes ----

struct ListTest : ToolkitFixture {
  ListTest() {
    showAndActivate();
    for (int i = 0; i < 6; ++i) pList().add("String# " + std::to_string(i));
  }
  ListBox& pList() { return ui.list(ControlId::pList); }
  QListView* view() { return control<QListView>(FormId::cmForm, "pList"); }
  void click(int row) {
    QCoreApplication::processEvents();  // lines reach the view in batches
    const QRect r = view()->visualRect(view()->model()->index(row, 0));
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, r.center());
  }
};

TEST_F(ListTest, ProgramSelectionIsSilentAndUserSelectionIsReported) {
  pList().setBounds(0, 0, 150, 100);
  pList().setItemIndex(2);
  EXPECT_EQ(pList().itemIndex(), 2);
  EXPECT_TRUE(pList().selected(2));
  EXPECT_FALSE(pList().selected(1));
  EXPECT_TRUE(sink.clicks.empty());

  click(4);
  EXPECT_EQ(pList().itemIndex(), 4);
  click(4);  // the current line again: still a click
  EXPECT_EQ(sink.clicks, std::vector<ControlId>(2, ControlId::pList));

  view()->setFocus();
  QTest::keyClick(view(), Qt::Key_Down);
  EXPECT_EQ(pList().itemIndex(), 5);
  EXPECT_EQ(sink.clicks.size(), 3u);
  QTest::keyClick(view(), Qt::Key_Down);  // at the end: nothing changes, nothing is reported
  EXPECT_EQ(sink.clicks.size(), 3u);

  pList().setItemIndex(-1);
  EXPECT_EQ(pList().itemIndex(), -1);
  pList().setItemIndex(99);
  EXPECT_EQ(pList().itemIndex(), -1);
  EXPECT_EQ(sink.clicks.size(), 3u);
}

TEST_F(ListTest, LinesCountAndClearWithoutReports) {
  EXPECT_EQ(pList().count(), 6);
  EXPECT_EQ(pList().line(5), "String# 5");
  EXPECT_EQ(pList().line(6), "");
  EXPECT_EQ(pList().line(-1), "");
  pList().setItemIndex(3);
  pList().clear();
  EXPECT_EQ(pList().count(), 0);
  EXPECT_EQ(pList().itemIndex(), -1);
  EXPECT_TRUE(sink.clicks.empty());

  pList().setHint("12 item(s)");
  EXPECT_EQ(pList().hint(), "12 item(s)");
  EXPECT_EQ(view()->toolTip().toStdString(), "12 item(s)");
  pList().setBounds(156, 0, 156, 75);
  EXPECT_EQ(pList().bounds().left, 156);
  EXPECT_EQ(pList().bounds().width, 156);
}

TEST_F(ListTest, ManyLinesAreListedAndSelectable) {
  pList().clear();
  for (int i = 0; i < 65535; ++i) pList().add("String# " + std::to_string(i));
  pList().setItemIndex(65534);
  EXPECT_EQ(pList().itemIndex(), 65534);
  QCoreApplication::processEvents();
  EXPECT_EQ(view()->model()->rowCount(), 65535);
  EXPECT_EQ(view()->sizeHintForRow(0), 14);
}

// ---- kana memos ----

struct MemoTest : ToolkitFixture {
  Memo& kana() { return ui.memo(ControlId::kanaEdit); }
};

// "あいう" and "カナ" in Shift-JIS, with half-width kana and ASCII around them.
const std::string kHiragana = "\x82\xA0\x82\xA2\x82\xA4";
const std::string kKatakana = "\x83\x4A\x83\x69";

TEST_F(MemoTest, LinesComeBackAsTheBytesThatWereSet) {
  ASSERT_TRUE(qt::SjisText::Available());
  const std::string first = "[Key]" + kHiragana + " \xB1\xB2";
  kana().setText(first + "\r\n" + kKatakana + "\r\n");
  EXPECT_EQ(kana().lineCount(), 2);
  EXPECT_EQ(kana().line(0), first);
  EXPECT_EQ(kana().line(1), kKatakana);
  EXPECT_EQ(kana().text(), first + "\r\n" + kKatakana + "\r\n");
  auto* edit = control<QPlainTextEdit>(FormId::KanaForm, "kanaEdit");
  EXPECT_TRUE(edit->toPlainText().contains(QString::fromUtf8("あいう")));
  EXPECT_TRUE(edit->toPlainText().contains(QString::fromUtf8("カナ")));

  kana().addLine(".STRING 1\r\n\r\nx");
  EXPECT_EQ(kana().lineCount(), 5);
  EXPECT_EQ(kana().line(2), ".STRING 1");
  EXPECT_EQ(kana().line(3), "");
  EXPECT_EQ(kana().line(4), "x");
  kana().clear();
  EXPECT_EQ(kana().lineCount(), 0);
  EXPECT_EQ(kana().text(), "");
}

TEST_F(MemoTest, LongLinesWrapAndEachPieceKeepsItsBytes) {
  std::string line;
  for (int i = 0; i < 40; ++i) line += kHiragana + "ab ";
  line += "\x82";  // a lead byte without its second byte ends the line
  kana().beginUpdate();
  kana().setText(line);
  kana().endUpdate();
  ASSERT_GT(kana().lineCount(), 1);
  std::string joined;
  for (int i = 0; i < kana().lineCount(); ++i) joined += kana().line(i);
  EXPECT_EQ(joined, line);

  // A wider memo shows fewer lines.
  const int narrow = kana().lineCount();
  ui.window(FormId::KanaForm).setClientWidth(800);
  EXPECT_LT(kana().lineCount(), narrow);
}

TEST_F(MemoTest, UserEditsAreReadBackInShiftJis) {
  Memo& dump = ui.memo(ControlId::kanaMemo);
  dump.setText("old");
  auto* edit = control<QPlainTextEdit>(FormId::viewKana, "kanaMemo");
  edit->setPlainText(QString::fromUtf8("あ\nb"));
  EXPECT_EQ(dump.lineCount(), 2);
  EXPECT_EQ(dump.line(0), "\x82\xA0");
  dump.addLine("c");
  EXPECT_EQ(dump.text(), "\x82\xA0\r\nb\r\nc\r\n");
}

// ---- conversions ----

TEST(QtTextTest, ShiftJisMapsEachCharacterToItsBytes) {
  const std::string bytes = "A" + kHiragana + "\xB1" + "\x82";
  const qt::SjisText text(bytes);
  EXPECT_EQ(text.text().size(), 1 + 3 + 1 + 1);
  EXPECT_EQ(text.bytes(0, 1), "A");
  EXPECT_EQ(text.bytes(1, 2), "\x82\xA0\x82\xA2");
  EXPECT_EQ(text.bytes(4, 1), "\xB1");
  EXPECT_EQ(text.bytes(5, 1), "\x82");
  EXPECT_EQ(text.bytes(0, 99), bytes);
  EXPECT_EQ(text.bytes(-3, 2), "A\x82\xA0");
  EXPECT_EQ(qt::SjisText::Encode(QString::fromUtf8("あいう")), kHiragana);
}

TEST(QtTextTest, LatinOneCarriesEveryByte) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(qt::ToBytes(qt::FromBytes(all)), all);
  EXPECT_EQ(qt::ToBytes(QString::fromUtf8("€")), "?");
}

TEST(QtTextTest, FiltersBecomeQtNameFilters) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"SNES ROM | *.s*c; *.fig;", "SNES ROM (*.s*c *.fig)"},
      {"IPS files (*.ips)|*.ips", "IPS files (*.ips)"},
      {"Font Format File | *.txt", "Font Format File (*.txt)"},
      {"Table|*.tbl|All files|*.*", "Table (*.tbl);;All files (*.*)"},
      {"Text", "Text (*)"},
      {"|*.bin", "*.bin (*.bin)"},
  };
  for (const auto& [filter, expected] : cases)
    EXPECT_EQ(qt::NameFilters(filter).toStdString(), expected) << filter;
}

TEST(QtTextTest, KeysBecomeVirtualKeys) {
  const std::vector<std::pair<int, int>> cases = {
      {Qt::Key_Left, VK_LEFT},
      {Qt::Key_Up, VK_UP},
      {Qt::Key_Right, VK_RIGHT},
      {Qt::Key_Down, VK_DOWN},
      {Qt::Key_Delete, VK_DELETE},
      {Qt::Key_A, 'A'},
      {Qt::Key_Z, 'Z'},
      {Qt::Key_0, '0'},
      {Qt::Key_9, '9'},
      {Qt::Key_Return, 0x0D},
      {Qt::Key_Enter, 0x0D},
      {Qt::Key_Shift, VK_SHIFT},
      {Qt::Key_Control, 0x11},
      {Qt::Key_F1, 0x70},
      {Qt::Key_Backspace, 0x08},
      {Qt::Key_Eacute, 0},
  };
  for (const auto& [key, vk] : cases) EXPECT_EQ(qt::VirtualKeyOf(key), vk) << std::hex << key;
  const ShiftState both = qt::ShiftOf(Qt::ShiftModifier | Qt::ControlModifier);
  EXPECT_TRUE(both.shift && both.ctrl && !both.alt);
}

}  // namespace
}  // namespace ts2::test
