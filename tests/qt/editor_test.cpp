// The Text Editor's TDMemo: bytes in and out, line and search operations against the shared
// text operations, selection without scrolling, and the events typing raises.
#include <QAccessible>
#include <QAccessibleEditableTextInterface>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSyntaxHighlighter>
#include <array>
#include <random>

#include "display/encode.h"
#include "qt/qt_text.h"
#include "qt/qt_text_editor.h"

#include "qt_fixture.h"

namespace ts2::test {
namespace {

struct EditorTest : ToolkitFixture {
  RichEdit& memo() { return ui.richEdit(ControlId::TDMemo); }
  QPlainTextEdit* widget() { return textEditor(); }
  // The windows shown, the Text Editor active with the keys.
  void showEditor() {
    ui.showStartWindows();
    focusTextEditor();
  }
};

TEST_F(EditorTest, EveryByteButCrAndLfSurvivesTheEditor) {
  std::string bytes;
  for (int b = 0; b < 256; ++b)
    if (b != '\r' && b != '\n') bytes.push_back(static_cast<char>(b));
  const std::string text = bytes + "\n" + std::string(bytes.rbegin(), bytes.rend()) + "\n\xA0 \xA0\n";
  memo().setText(text);
  EXPECT_EQ(memo().text(), text);
  EXPECT_EQ(memo().textLength(), static_cast<int>(text.size()));
  EXPECT_EQ(memo().lineCount(), 3);
  EXPECT_EQ(memo().line(0), bytes);
  EXPECT_FALSE(memo().modified());
  EXPECT_TRUE(sink.changes.empty());  // setting the text is not an edit
  memo().addLine("more");             // nor is adding a line
  EXPECT_EQ(memo().line(3), "more");
  EXPECT_FALSE(memo().modified());
  EXPECT_TRUE(sink.changes.empty());
}

// The native line and search operations answer as the shared text operations do.
TEST_F(EditorTest, LineAndSearchOperationsMatchTheTextOperations) {
  const std::string texts[] = {"",
                               "a\n",
                               "\n\n",
                               "x\ny\n\nz",
                               ".STRING 1\nab\n.ENDS\n.string 10\n",
                               "caf\xE9 CAF\xC9\n",
                               "a\xA0"
                               "b a b\n"};
  const std::string needles[] = {".string 1", ".STRING 10", "\n", "y\n\nz", "a b", "caf\xC9", "\xA0", "zz"};
  for (const std::string& text : texts) {
    SCOPED_TRACE(testing::Message() << "text '" << text << "'");
    memo().setText(text);
    EXPECT_EQ(memo().lineCount(), textops::LineCount(text));
    for (int i = -1; i <= textops::LineCount(text) + 1; ++i)
      EXPECT_EQ(memo().line(i), textops::Line(text, i)) << i;
    const int size = static_cast<int>(text.size());
    for (int p = -1; p <= size + 1; ++p)
      EXPECT_EQ(memo().lineFromChar(p), textops::LineFromChar(text, p)) << p;
    for (const std::string& what : needles)
      for (int from : {-1, 0, 1, size - 1, size + 1})
        for (int length : {-1, 2, size, size + 5})
          EXPECT_EQ(memo().findText(what, from, length), textops::FindNoCase(text, what, from, length))
              << "'" << what << "' from " << from << " length " << length;
  }
}

TEST_F(EditorTest, SetSelectionLeavesTheViewWhereItIs) {
  ui.showStartWindows();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form(FormId::TxtForm)));
  std::string text;
  for (int i = 0; i < 500; ++i) text += "line " + std::to_string(i) + "\n";
  memo().setText(text);
  // A selection far below the view, then one above it.
  for (auto [top, at] : {std::pair{0, static_cast<int>(text.find("line 400"))}, {120, 0}}) {
    memo().scrollLines(top - memo().firstVisibleLine());
    memo().setSelection(at, 8);
    QCoreApplication::processEvents();
    EXPECT_EQ(memo().firstVisibleLine(), top);
    EXPECT_EQ(memo().selStart(), at);
    EXPECT_EQ(memo().selLength(), 8);
  }
  memo().setSelection(-5, 1000000);  // clamped to the text
  EXPECT_EQ(memo().selStart(), 0);
  EXPECT_EQ(memo().selLength(), memo().textLength());
}

// The line at a height of the view is the one a caret placed there lands in: above, inside and
// below the text, scrolled anywhere, in fonts of other sizes, with lines wider than the view.
TEST_F(EditorTest, LineAtAHeightIsWhereACaretPlacedThereLands) {
  ui.showStartWindows();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form(FormId::TxtForm)));
  auto* editor = static_cast<qt::TextEditor*>(widget());
  std::mt19937 rng(3);
  for (int round = 0; round < 12; ++round) {
    std::string text;
    const int lines = 1 + static_cast<int>(rng() % 120);
    for (int i = 0; i < lines; ++i)
      text += std::string(rng() % 90, 'w') + " line " + std::to_string(i) + (i + 1 < lines ? "\n" : "");
    memo().setText(text);
    QFont font = editor->font();
    font.setPixelSize(9 + static_cast<int>(rng() % 12));
    editor->setFont(font);
    editor->verticalScrollBar()->setValue(static_cast<int>(rng() % static_cast<unsigned>(lines)));
    editor->horizontalScrollBar()->setValue(static_cast<int>(rng() % 300));
    QCoreApplication::processEvents();
    for (int y = -8; y <= editor->viewport()->height() + 8; ++y)
      ASSERT_EQ(editor->lineAt(y).blockNumber(),
                editor->cursorForPosition(QPoint(0, y)).block().blockNumber())
          << "round " << round << " y " << y;
  }
}

// The selections the program's handler of an edit sets are held until it is done: it reads back
// what a handler working on the widget reads, the widget ends with the selection it would have,
// and a selection put back where it was never reaches the widget (no caret moves, no signals).
TEST_F(EditorTest, SelectionsSetWhileAnEditIsHandledAreHeldUntilItIsDone) {
  showEditor();
  QPlainTextEdit* edit = widget();
  const std::string text = ".STRING 0\nabc\n.ENDS\n.STRING 1\nde\n";
  using Selections = std::vector<std::pair<int, int>>;  // start and length, in the order set
  const std::vector<Selections> handlers = {
      {},
      {{0, 0}, {15, 0}},  // to the header and back to the caret after the typed letter
      {{0, 0}, {8, 0}, {15, 0}},
      {{2, 3}},
      {{-5, 1000}},  // clamped to the text
      {{25, 2}, {0, 0}},
  };
  for (const Selections& sets : handlers) {
    SCOPED_TRACE(testing::Message() << sets.size() << " selections, the last "
                                    << (sets.empty() ? -1 : sets.back().first));
    const auto run = [&](RichEdit& m, std::vector<std::pair<int, int>>& read) {
      for (auto [start, length] : sets) {
        m.setSelection(start, length);
        read.emplace_back(m.selStart(), m.selLength());
      }
    };
    // Plainly: the edit, then the same selections set on the widget.
    memo().setText(text);
    memo().setSelection(14, 0);
    QTest::keyClick(edit, Qt::Key_X);
    std::vector<std::pair<int, int>> plainRead;
    run(memo(), plainRead);
    const int plainAnchor = edit->textCursor().anchor(), plainPosition = edit->textCursor().position();
    // Held: the same selections set by the handler of the edit.
    memo().setText(text);
    memo().setSelection(14, 0);
    std::vector<std::pair<int, int>> heldRead;
    int moves = 0;
    sink.onChange = [&](ControlId) { run(memo(), heldRead); };
    const QMetaObject::Connection counting =
        QObject::connect(edit, &QPlainTextEdit::cursorPositionChanged, [&] { ++moves; });
    QTest::keyClick(edit, Qt::Key_X);
    QObject::disconnect(counting);
    sink.onChange = nullptr;
    EXPECT_EQ(heldRead, plainRead);
    EXPECT_EQ(edit->textCursor().anchor(), plainAnchor);
    EXPECT_EQ(edit->textCursor().position(), plainPosition);
    EXPECT_EQ(memo().selStart(), std::min(plainAnchor, plainPosition));
    const bool putBack = sets.empty() || (sets.back() == std::pair{15, 0});
    EXPECT_EQ(moves, putBack ? 1 : 2);  // the typed letter's move, and the handler's if it moved it
  }
}

TEST_F(EditorTest, TypingRaisesOneChangePerEditAndSetsModified) {
  showEditor();
  memo().setText("ab\ncd");
  memo().setSelection(2, 0);
  QTest::keyClicks(widget(), "xyz");
  QTest::keyClick(widget(), Qt::Key_Backspace);
  QTest::keyClick(widget(), Qt::Key_Return);
  // Shift+Return starts a new line as Return does: a line break has no other form in bytes.
  QTest::keyClick(widget(), Qt::Key_Return, Qt::ShiftModifier);
  QTest::keyClick(widget(), Qt::Key_Enter, Qt::ShiftModifier | Qt::KeypadModifier);
  EXPECT_EQ(sink.changes, std::vector<ControlId>(7, ControlId::TDMemo));
  EXPECT_TRUE(memo().modified());
  EXPECT_EQ(memo().text(), "abxy\n\n\n\ncd");
  EXPECT_EQ(memo().selStart(), 7);
}

// A command's edit (Replace, a glossary term, a similar string's translation) is one step to
// undo, and the typing after it another: one Ctrl+Z takes back the typing only.
TEST_F(EditorTest, TypingAfterACommandsEditIsAStepOfItsOwn) {
  showEditor();
  const struct {
    const char* name;
    std::vector<RichEdit::Range> ranges;
    const char* with;
    const char* replaced;
  } cases[] = {
      {"one word", {{10, 4}}, "Myra", "Demande a Myra ou a Tom."},
      {"two words", {{10, 4}, {20, 3}}, "Lia", "Demande a Lia ou a Lia."},
      {"put in at the caret", {{15, 0}}, "la sage ", "Demande a Mira la sage ou a Tom."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    memo().setText("Demande a Mira ou a Tom.");
    memo().setModified(false);
    memo().replaceRanges(c.ranges, c.with);
    QTest::keyClicks(widget(), "xy");
    QTest::keyClick(widget(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(memo().text(), c.replaced);
    EXPECT_TRUE(memo().modified());
    QTest::keyClick(widget(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(memo().text(), "Demande a Mira ou a Tom.");
  }
}

TEST_F(EditorTest, KeysGoThroughTheEditorHandlerWhichMayDiscardThem) {
  showEditor();
  sink.onEditorKey = [](int key, ShiftState shift) { return !(key == VK_DELETE && shift.shift); };
  memo().setText("abcdef");
  memo().setSelection(1, 3);
  QTest::keyClick(widget(), Qt::Key_Delete, Qt::ShiftModifier);  // would cut the selection
  EXPECT_EQ(memo().text(), "abcdef");
  QTest::keyClick(widget(), Qt::Key_Delete);
  EXPECT_EQ(memo().text(), "aef");
}

// Typed, pasted and composed text reaches the file as Windows-1252 bytes; a character the code
// page cannot hold is refused where it comes in, with a message naming it, never kept as '?'.
TEST_F(EditorTest, InputBecomesWindows1252OrIsRefusedWithAMessage) {
  showEditor();
  enum How { Type, Paste, Compose };
  struct Case {
    How how;
    const char* input;         // UTF-8
    const char* bytes;         // what the text holds afterwards
    const char* refused = "";  // the characters named in the message
  };
  const Case cases[] = {
      {Type, "c\u0153ur \u20AC", "c\x9Cur \x80"},
      {Type, "a\u0107", "a", "\u0107"},
      {Paste, "La nuit tombe\u2026 mon c\u0153ur bat \u00E0 100 \u20AC.",
       "La nuit tombe\x85 mon c\x9Cur bat \xE0 100 \x80."},
      {Paste, "\u2018quote\u2019 \u2013 \u2122\r\nnext\rthird\u2028fourth",
       "\x91quote\x92 \x96 \x99\nnext\nthird\nfourth"},
      {Paste, "\u0141\u00F3d\u017A \u0141", "", "\u0141\u017A"},  // Łódź: refused whole
      {Compose, "\u00EA", "\xEA"},
      {Compose, "\u4E16", "", "\u4E16"},
      // An accent apart from its letter (as text from a PDF often has it) is the letter with it.
      {Paste, "cafe\u0301 \u212B", "caf\xE9 \xC5"},
      {Compose, "e\u0301", "\xE9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    memo().setText("");
    answers.boxes.clear();
    const QString input = QString::fromUtf8(c.input);
    if (c.how == Type) {
      // Each character as a keyboard layout delivers it: a key press carrying its text.
      for (const char32_t ch : input.toUcs4()) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUcs4(&ch, 1));
        QApplication::sendEvent(widget(), &press);
      }
    }
    if (c.how == Paste) {
      QApplication::clipboard()->setText(input);
      widget()->paste();
    }
    if (c.how == Compose) {
      QInputMethodEvent commit;
      commit.setCommitString(input);
      QApplication::sendEvent(widget(), &commit);
    }
    EXPECT_EQ(memo().text(), c.bytes);
    if (*c.refused == '\0') {
      EXPECT_TRUE(answers.boxes.empty());
    } else {
      ASSERT_EQ(answers.boxes.size(), 1u);
      const std::string& said = answers.boxes.front().second;
      for (const char32_t ch : QString::fromUtf8(c.refused).toUcs4()) {
        const QString one = QString::fromUcs4(&ch, 1);
        const QString code = QStringLiteral("(U+%1)").arg(
            QString::number(static_cast<uint>(ch), 16).toUpper().rightJustified(4, u'0'));
        EXPECT_NE(said.find(("\"" + one + "\" " + code).toStdString()), std::string::npos) << said;
      }
    }
  }
}

// What reaches the document past the widget's checks (an assistive tool inserts through the
// accessibility interface) is taken out again and named, never saved as '?'. A composition begun
// and abandoned changes no text, so nothing is unsaved.
TEST_F(EditorTest, TextThatBypassesTheChecksIsTakenOutAndAnAbandonedCompositionChangesNothing) {
  showEditor();
  memo().setText("ab");
  answers.boxes.clear();
  QAccessibleInterface* access = QAccessible::queryAccessibleInterface(widget());
  ASSERT_TRUE(access && access->editableTextInterface());
  access->editableTextInterface()->insertText(1, QString::fromUtf8("\u4E16? \U0001F600"));
  QCoreApplication::processEvents();
  EXPECT_EQ(memo().text(), "a? b");
  EXPECT_EQ(dynamic_cast<qt::QtRichEdit&>(memo()).documentBytes(), "a? b");
  // Only the character itself goes: a long s takes no "s" or "S" with it.
  memo().setText("Sass");
  access->editableTextInterface()->insertText(4, QString::fromUtf8("\u017F"));
  QCoreApplication::processEvents();
  EXPECT_EQ(memo().text(), "Sass");
  answers.boxes.clear();
  memo().setText("ab");
  access->editableTextInterface()->insertText(1, QString::fromUtf8("\u4E16? \U0001F600"));
  QCoreApplication::processEvents();
  ASSERT_EQ(answers.boxes.size(), 1u);
  EXPECT_NE(answers.boxes.front().second.find("(U+4E16), \"\U0001F600\" (U+1F600)"), std::string::npos)
      << answers.boxes.front().second;
  // Undo brings them back (the step undone is their taking out), and the next undo the text
  // before them; redo goes forward through both again.
  widget()->undo();
  QCoreApplication::processEvents();
  EXPECT_EQ(widget()->toPlainText(), QString::fromUtf8("a\u4E16? \U0001F600b"));
  widget()->undo();
  QCoreApplication::processEvents();
  EXPECT_EQ(memo().text(), "ab");
  widget()->redo();
  widget()->redo();
  QCoreApplication::processEvents();
  EXPECT_EQ(memo().text(), "a? b");
  EXPECT_EQ(answers.boxes.size(), 1u);

  memo().setText("ab");
  sink.changes.clear();
  QInputMethodEvent begin(QStringLiteral("\u00B4"), {});
  QApplication::sendEvent(widget(), &begin);
  QInputMethodEvent abandon(QString(), {});
  QApplication::sendEvent(widget(), &abandon);
  EXPECT_EQ(memo().text(), "ab");
  EXPECT_FALSE(memo().modified());
  EXPECT_TRUE(sink.changes.empty());
}

TEST_F(EditorTest, HiddenScratchEditKeepsTextInMemory) {
  RichEdit& scratch = ui.richEdit(ControlId::Memo1);
  EXPECT_FALSE(scratch.visible());
  for (const char* line : {".STRING 3", "text", ""}) scratch.addLine(line);
  EXPECT_EQ(scratch.lineCount(), 3);  // an empty last line still counts
  EXPECT_EQ(scratch.text(), ".STRING 3\ntext\n\n");
}

// Section headers in bold, as a highlighter of the Text Editor would show them: its changes of
// format reach the document's listeners as blocks replaced by themselves.
class HeaderHighlighter : public QSyntaxHighlighter {
 public:
  using QSyntaxHighlighter::QSyntaxHighlighter;

 protected:
  void highlightBlock(const QString& text) override {
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    if (text.startsWith(QStringLiteral(".STRING"), Qt::CaseInsensitive))
      setFormat(0, static_cast<int>(text.size()), bold);
  }
};

// The bytes TDMemo keeps beside its document follow every change of the document, whoever makes
// it (typing, pasting, the program, undo and redo, a highlighter's formats), and the answers from
// them are those of the plain text operations on the document's text.
TEST_F(EditorTest, KeptBytesFollowTheDocumentThroughRandomEdits) {
  showEditor();
  auto& kept = dynamic_cast<qt::QtRichEdit&>(memo());
  QPlainTextEdit* edit = widget();
  HeaderHighlighter highlighter(edit->document());
  const std::vector<std::string> pieces = {".STRING 1\n",      ".string 10", "\n.ENDS\n", " .ENDS ",   "\n",
                                           "caf\xE9 \x80\xA0", "ab",         "\n\n",      ".STRING 12"};
  const std::vector<std::string> needles = {".STRING 1", ".string 10", ".STRING 12",
                                            "\n.ENDS",   "\xE9",       ".STRING 1\n.E"};
  std::mt19937 rng(1252);
  std::string start;
  for (int i = 0; i < 30; ++i) start += pieces[rng() % pieces.size()];
  memo().setText(start);
  for (int step = 0; step < 300 && !HasFailure(); ++step) {
    const int size = memo().textLength();
    QTextCursor cursor(edit->document());
    cursor.setPosition(static_cast<int>(rng() % (size + 1)));
    const std::string piece = pieces[rng() % pieces.size()];
    switch (rng() % 11) {
      case 0:  // the program's own change
        memo().setText(rng() % 2 ? piece + start : "a\rb\r\nc" + piece);
        break;
      case 1: edit->undo(); break;
      case 2: edit->redo(); break;
      case 3:  // a selection replaced by typing; one character by one is a change of equal length
        if (rng() % 2 == 0) {
          cursor.setPosition(static_cast<int>(rng() % (size + 1)), QTextCursor::KeepAnchor);
          edit->setTextCursor(cursor);
          QTest::keyClicks(edit, "xy");
        } else {
          cursor.setPosition(std::min(size, cursor.position() + 1), QTextCursor::KeepAnchor);
          edit->setTextCursor(cursor);
          QTest::keyClicks(edit, "x");
        }
        break;
      case 4:
        edit->setTextCursor(cursor);
        QTest::keyClick(edit, std::array{Qt::Key_Return, Qt::Key_Backspace, Qt::Key_Delete}[rng() % 3]);
        break;
      case 5:
        QApplication::clipboard()->setText(qt::FromBytes(piece + "\r\n" + piece));
        edit->setTextCursor(cursor);
        edit->paste();
        break;
      case 6:  // a cut across lines
        cursor.setPosition(static_cast<int>(rng() % (size + 1)), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        break;
      case 7: {  // several changes in one edit block, reported as one change over them all
        cursor.beginEditBlock();
        cursor.insertText(qt::FromBytes(piece));
        QTextCursor other(edit->document());
        other.setPosition(static_cast<int>(rng() % (edit->document()->characterCount())));
        other.setPosition(std::min(edit->document()->characterCount() - 1, other.position() + 3),
                          QTextCursor::KeepAnchor);
        other.removeSelectedText();
        cursor.insertText(qt::FromBytes(pieces[rng() % pieces.size()]));
        cursor.endEditBlock();
        break;
      }
      case 8: {  // the program's replacement of several ranges (Replace All in the current block)
        std::vector<int> at;
        for (int k = 0; k < 6; ++k) at.push_back(static_cast<int>(rng() % (size + 1)));
        std::sort(at.begin(), at.end());
        std::vector<RichEdit::Range> ranges;
        for (size_t k = 0; k + 1 < at.size(); k += 2) ranges.push_back({at[k], at[k + 1] - at[k]});
        memo().replaceRanges(ranges, piece);
        break;
      }
      default: cursor.insertText(qt::FromBytes(piece)); break;
    }
    const std::string text = kept.documentBytes();
    SCOPED_TRACE(testing::Message() << "step " << step);
    ASSERT_EQ(memo().text(), text);
    const int lines = textops::LineCount(text);
    EXPECT_EQ(memo().lineCount(), lines);
    for (int i : {0, lines / 2, lines - 1, lines}) EXPECT_EQ(memo().line(i), textops::Line(text, i));
    const int p = static_cast<int>(rng() % (text.size() + 1));
    EXPECT_EQ(memo().lineFromChar(p), textops::LineFromChar(text, p));
    for (const std::string& what : needles) {
      const int from = static_cast<int>(rng() % (text.size() + 1));
      EXPECT_EQ(memo().findText(what, from, static_cast<int>(text.size()) - from),
                textops::FindNoCase(text, what, from, static_cast<int>(text.size()) - from));
    }
    EXPECT_EQ(memo().linesUntil(lines / 3, IsClosingLine), SectionAt(text, lines / 3));
  }
}

}  // namespace
}  // namespace ts2::test
