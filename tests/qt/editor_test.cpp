// The Text Editor's TDMemo: bytes in and out, line and search operations against the shared
// text operations, selection without scrolling, and the events typing raises.
#include <QPlainTextEdit>
#include <QScrollBar>

#include "qt_fixture.h"

namespace ts2::test {
namespace {

struct EditorTest : ToolkitFixture {
  RichEdit& memo() { return ui.richEdit(ControlId::TDMemo); }
  QPlainTextEdit* widget() { return control<QPlainTextEdit>(FormId::TxtForm, "TDMemo"); }
};

std::string EveryByteButLineEnds() {
  std::string text;
  for (int b = 0; b < 256; ++b)
    if (b != '\r' && b != '\n') text.push_back(static_cast<char>(b));
  return text;
}

TEST_F(EditorTest, EveryByteButCrAndLfSurvivesTheEditor) {
  const std::string bytes = EveryByteButLineEnds();
  const std::string text = bytes + "\n" + std::string(bytes.rbegin(), bytes.rend()) + "\n\xA0 \xA0\n";
  memo().setText(text);
  EXPECT_EQ(memo().text(), text);
  EXPECT_EQ(memo().textLength(), static_cast<int>(text.size()));
  EXPECT_EQ(memo().lineCount(), 3);
  EXPECT_EQ(memo().line(0), bytes);
  EXPECT_EQ(memo().line(2), "\xA0 \xA0");
  EXPECT_FALSE(memo().modified());
  EXPECT_TRUE(sink.changes.empty());  // setting the text is not an edit
}

// The native line and search operations answer as the shared text operations do.
TEST_F(EditorTest, LineAndSearchOperationsMatchTheTextOperations) {
  const std::vector<std::string> texts = {"",
                                          "a",
                                          "a\n",
                                          "\n",
                                          "\n\n",
                                          "x\ny\n\nz",
                                          ".STRING 1\nab\n.ENDS\n.string 10\n",
                                          "caf\xE9 CAF\xC9\n",
                                          "a\xA0"
                                          "b a b\n",
                                          "tail without end"};
  const std::vector<std::string> needles = {".string 1", ".STRING 10", "A",    "\n", "y\n\nz", "a b",
                                            "caf\xC9",   "CAF\xC9",    "\xA0", "zz", "B"};
  for (const std::string& text : texts) {
    SCOPED_TRACE(testing::Message() << "text '" << text << "'");
    memo().setText(text);
    ASSERT_EQ(memo().text(), text);
    EXPECT_EQ(memo().lineCount(), textops::LineCount(text));
    for (int i = -1; i <= textops::LineCount(text) + 1; ++i)
      EXPECT_EQ(memo().line(i), textops::Line(text, i)) << i;
    const int size = static_cast<int>(text.size());
    for (int p = -1; p <= size + 1; ++p)
      EXPECT_EQ(memo().lineFromChar(p), textops::LineFromChar(text, p)) << p;
    for (const std::string& what : needles)
      for (int from : {-1, 0, 1, 3, size - 1, size, size + 1})
        for (int length : {-1, 0, 2, 9, size, size + 5}) {
          EXPECT_EQ(memo().findText(what, from, length), textops::FindNoCase(text, what, from, length))
              << "'" << what << "' from " << from << " length " << length;
        }
  }
}

TEST_F(EditorTest, FindsASectionInALargeText) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += ".STRING " + std::to_string(i) + "\nsome words\n.ENDS\n";
  memo().setText(text);
  const int at = static_cast<int>(text.find(".STRING 19999"));
  EXPECT_EQ(memo().findText(".string 19999", 0, memo().textLength()), at);
  EXPECT_EQ(memo().lineFromChar(at), 3 * 19999);
  EXPECT_EQ(memo().findText(".STRING 19999", 0, at + 12), -1);  // range ends inside the match
}

TEST_F(EditorTest, SetSelectionLeavesTheViewWhereItIs) {
  ui.showStartWindows();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form(FormId::TxtForm)));
  std::string text;
  for (int i = 0; i < 500; ++i) text += "line " + std::to_string(i) + "\n";
  memo().setText(text);
  QCoreApplication::processEvents();
  EXPECT_EQ(memo().firstVisibleLine(), 0);

  const int at = static_cast<int>(text.find("line 400"));
  memo().setSelection(at, 8);
  QCoreApplication::processEvents();
  EXPECT_EQ(memo().selStart(), at);
  EXPECT_EQ(memo().selLength(), 8);
  EXPECT_EQ(memo().firstVisibleLine(), 0);
  EXPECT_EQ(memo().lineFromChar(memo().selStart()), 400);

  memo().scrollLines(120);
  QCoreApplication::processEvents();
  EXPECT_EQ(memo().firstVisibleLine(), 120);
  memo().setSelection(0, 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(memo().firstVisibleLine(), 120);
  memo().scrollLines(-20);
  EXPECT_EQ(memo().firstVisibleLine(), 100);

  memo().setSelection(-5, 1000000);  // clamped to the text
  EXPECT_EQ(memo().selStart(), 0);
  EXPECT_EQ(memo().selLength(), memo().textLength());
}

TEST_F(EditorTest, TypingRaisesOneChangePerEditAndSetsModified) {
  ui.showStartWindows();
  activate(FormId::TxtForm);
  memo().setText("ab\ncd");
  widget()->setFocus();
  memo().setSelection(2, 0);
  QTest::keyClicks(widget(), "xyz");
  EXPECT_EQ(sink.changes, std::vector<ControlId>(3, ControlId::TDMemo));
  EXPECT_TRUE(memo().modified());
  EXPECT_EQ(memo().text(), "abxyz\ncd");
  EXPECT_EQ(memo().selStart(), 5);

  QTest::keyClick(widget(), Qt::Key_Backspace);
  QTest::keyClick(widget(), Qt::Key_Return);
  EXPECT_EQ(sink.changes.size(), 5u);
  EXPECT_EQ(memo().text(), "abxy\n\ncd");

  // Shift+Return starts a new line as Return does: a line break has no other form in bytes.
  QTest::keyClick(widget(), Qt::Key_Return, Qt::ShiftModifier);
  EXPECT_EQ(memo().text(), "abxy\n\n\ncd");
  EXPECT_EQ(memo().lineCount(), 4);
  EXPECT_EQ(sink.changes.size(), 6u);

  memo().setModified(false);
  EXPECT_FALSE(memo().modified());
  memo().setText("new");
  EXPECT_EQ(sink.changes.size(), 6u);
  EXPECT_FALSE(memo().modified());
  EXPECT_EQ(memo().selStart(), 0);
}

TEST_F(EditorTest, KeysGoThroughTheEditorHandlerWhichMayDiscardThem) {
  ui.showStartWindows();
  activate(FormId::TxtForm);
  sink.onEditorKey = [](int key, ShiftState shift) { return !(key == VK_DELETE && shift.shift); };
  memo().setText("abcdef");
  widget()->setFocus();
  memo().setSelection(1, 3);
  QTest::keyClick(widget(), Qt::Key_Delete, Qt::ShiftModifier);  // would cut the selection
  EXPECT_EQ(memo().text(), "abcdef");
  ASSERT_FALSE(sink.editorKeys.empty());
  EXPECT_EQ(sink.editorKeys.back().key, VK_DELETE);
  EXPECT_TRUE(sink.editorKeys.back().shift.shift);
  QTest::keyClick(widget(), Qt::Key_Delete);
  EXPECT_EQ(memo().text(), "aef");
}

TEST_F(EditorTest, HiddenScratchEditKeepsTextInMemory) {
  RichEdit& scratch = ui.richEdit(ControlId::Memo1);
  EXPECT_FALSE(scratch.visible());
  scratch.addLine(".STRING 3");
  scratch.addLine("text");
  scratch.addLine(".ENDS");
  EXPECT_EQ(scratch.lineCount(), 3);
  EXPECT_EQ(scratch.line(1), "text");
  EXPECT_EQ(scratch.text(), ".STRING 3\ntext\n.ENDS\n");
  scratch.addLine("");  // an empty last line still counts
  EXPECT_EQ(scratch.lineCount(), 4);
  scratch.clear();
  EXPECT_EQ(scratch.lineCount(), 0);
}

TEST_F(EditorTest, ProgramAddsLinesWithoutMarkingTheTextModified) {
  memo().addLine("one");
  memo().addLine("two");
  EXPECT_EQ(memo().text(), "one\ntwo\n");
  EXPECT_FALSE(memo().modified());
  EXPECT_TRUE(sink.changes.empty());
}

}  // namespace
}  // namespace ts2::test
