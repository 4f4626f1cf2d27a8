#include "qt/qt_text_editor.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>

#include "qt/qt_text.h"

namespace ts2::qt {

// ---- the editing widget ----

TextEditor::TextEditor(QWidget* parent, std::function<bool(QKeyEvent*)> onKey, std::function<void()> onEdit,
                       std::function<void(const QString&)> onRefused)
    : QPlainTextEdit(parent),
      onKey_(std::move(onKey)),
      onEdit_(std::move(onEdit)),
      onRefused_(std::move(onRefused)) {
  connect(this, &QPlainTextEdit::textChanged, this, [this] { changed(); });
}

void EndUndoStep(QTextDocument& document) {
  // Qt adds a letter typed next to the last insertion of an edit block to that block's undo step
  // while the document counts as modified, so Ctrl+Z would take back the command with the
  // typing. The program keeps its own modified flag; the document's is only Qt's.
  document.setModified(false);
}

void TextEditor::setTextQuietly(const QString& text) {
  quiet_ = true;
  setPlainText(text);
  quiet_ = false;
}

void TextEditor::replaceRanges(const std::vector<RichEdit::Range>& ranges, const QString& with) {
  if (ranges.empty()) return;
  asOneEdit([&] {
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    for (auto r = ranges.rbegin(); r != ranges.rend(); ++r) {
      cursor.setPosition(r->start);
      cursor.setPosition(r->start + r->length, QTextCursor::KeepAnchor);
      cursor.insertText(with);
    }
    cursor.endEditBlock();
    EndUndoStep(*document());
    // The caret after the last replacement, where the earlier ones have moved it.
    int shift = 0;
    for (size_t i = 0; i + 1 < ranges.size(); ++i) shift += static_cast<int>(with.size()) - ranges[i].length;
    cursor.setPosition(ranges.back().start + shift + static_cast<int>(with.size()));
    setTextCursor(cursor);
  });
}

void TextEditor::changed() {
  if (quiet_) return;
  if (depth_ > 0) {
    pending_ = true;  // reported when the step ends
  } else if (onEdit_) {
    onEdit_();
  }
}

template <typename Step>
void TextEditor::asOneEdit(Step step) {
  // Some edits change the document twice (a line break in an empty line first sets the line's
  // format): the program hears of each edit once.
  ++depth_;
  step();
  if (--depth_ == 0 && pending_) {
    pending_ = false;
    if (onEdit_) onEdit_();
  }
}

QTextBlock TextEditor::lineAt(int y) const {
  // As QPlainTextEdit's own hit test walks: from the first shown line, down past the lines that
  // end above y, or up past those that start below it.
  QTextBlock block = firstVisibleBlock();
  if (!block.isValid()) return block;
  const QAbstractTextDocumentLayout* layout = document()->documentLayout();
  qreal top = contentOffset().y();
  QRectF r = layout->blockBoundingRect(block);
  while (block.next().isValid() && top + r.bottom() <= y) {
    top += r.height();
    block = block.next();
    r = layout->blockBoundingRect(block);
  }
  while (block.previous().isValid() && top + r.top() > y) {
    block = block.previous();
    r = layout->blockBoundingRect(block);
    top -= r.height();
  }
  return block;
}

bool TextEditor::refused(const QString& text) {
  const QString bad = Unencodable(text);
  if (bad.isEmpty()) return false;
  if (onRefused_) onRefused_(bad);
  return true;
}

void TextEditor::keyPressEvent(QKeyEvent* event) {
  if (onKey_ && !onKey_(event)) {
    event->accept();
    return;
  }
  if (!isReadOnly() && refused(event->text())) {
    event->accept();
    return;
  }
  asOneEdit([&] {
    // Asking the platform's key bindings costs more than the rest of a typed letter's check:
    // only these keys are ever bound to a line separator (Shift+Return, Shift+Enter, Meta+O).
    const int key = event->key();
    const bool separatorKey = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_O;
    if (separatorKey && event->matches(QKeySequence::InsertLineSeparator)) {
      // A line break inside a line has no byte of its own: every line break starts a new line.
      QKeyEvent plain(event->type(), Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
      QPlainTextEdit::keyPressEvent(&plain);
      event->setAccepted(plain.isAccepted());
    } else {
      QPlainTextEdit::keyPressEvent(event);
    }
  });
}

void TextEditor::inputMethodEvent(QInputMethodEvent* event) {
  // A letter and its accent as two characters become the one character the code page has.
  const QString commit = event->commitString().normalized(QString::NormalizationForm_C);
  if (refused(commit)) {
    // The composition ends without inserting what it composed.
    QInputMethodEvent none(QString(), event->attributes());
    asOneEdit([&] { QPlainTextEdit::inputMethodEvent(&none); });
    event->accept();
    return;
  }
  if (commit != event->commitString()) {
    QInputMethodEvent composed(event->preeditString(), event->attributes());
    composed.setCommitString(commit, event->replacementStart(), event->replacementLength());
    asOneEdit([&] { QPlainTextEdit::inputMethodEvent(&composed); });
    event->setAccepted(composed.isAccepted());
    return;
  }
  asOneEdit([&] { QPlainTextEdit::inputMethodEvent(event); });
}

void TextEditor::insertFromMimeData(const QMimeData* source) {
  // Only plain text arrives, with its line breaks as the file keeps them and accents composed
  // with their letters (text from a PDF often has them apart); text with a character the file
  // cannot hold is refused whole rather than saved with '?' in its place.
  if (!source || !source->hasText()) return;
  const QString text = PlainLineBreaks(source->text()).normalized(QString::NormalizationForm_C);
  if (refused(text)) return;
  asOneEdit([&] { insertPlainText(text); });
}

void TextEditor::takeOut(const QString& characters) {
  asOneEdit([&] {
    QTextCursor edit(document());
    edit.beginEditBlock();
    for (const char32_t c : characters.toUcs4()) {
      // Case-sensitively: "ſ" folded would find every "s".
      const QString one = QString::fromUcs4(&c, 1);
      constexpr auto kExact = QTextDocument::FindCaseSensitively;
      for (QTextCursor found = document()->find(one, 0, kExact); !found.isNull();
           found = document()->find(one, found, kExact))
        found.removeSelectedText();
    }
    edit.endEditBlock();
  });
  if (onRefused_) onRefused_(characters);
}

// ---- the adapter ----

QtRichEdit::QtRichEdit(TextEditor* editor) : WidgetControl(editor), editor_(editor) {
  QObject::connect(
      editor->document(), &QTextDocument::contentsChange, editor,
      [this](int position, int removed, int added) { documentChanged(position, removed, added); });
}

void QtRichEdit::replaceRanges(const std::vector<Range>& ranges, const std::string& with) {
  held_ = {};  // the caret goes after the last replacement
  editor_->replaceRanges(ranges, FromBytes(with));
}

void QtRichEdit::setText(const std::string& text) {
  held_ = {};  // the caret goes to the start
  settingText_ = true;
  editor_->setTextQuietly(FromBytes(text));
  settingText_ = false;
  // The document makes a line break of a CR (and of a CR LF pair); any other byte is one character.
  if (text.find('\r') == std::string::npos) {
    bytes_.assign(text);
  } else {
    bytes_.assign(documentBytes());
  }
  editor_->setTextCursor(QTextCursor(editor_->document()));
  modified_ = false;
}

void QtRichEdit::documentChanged(int position, int removed, int added) {
  if (settingText_) return;  // setText takes the bytes it was given
  const int oldSize = bytes_.size();
  const int newSize = editor_->document()->characterCount() - 1;
  // The document may count its own final line end among the characters removed and added (at the
  // end of the text, after an undo): the sizes tell how many really changed.
  removed = std::min(removed, oldSize - position);
  added = removed + (newSize - oldSize);
  if (position < 0 || removed < 0 || added < 0 || position + added > newSize) {
    bytes_.assign(documentBytes());
    changed_ = true;
    return;
  }
  std::string now = documentBytes(position, position + added);
  // A change of format only (a syntax highlighter's, which reports its blocks as replaced) leaves
  // the bytes as they are.
  if (removed == added && bytes_.substr(position, position + removed) == now) return;
  bytes_.replace(position, removed, now);
  changed_ = true;
  // '?' also stands for a character the code page lacks: such a character that came in past the
  // widget's own checks goes out again once this change is done, rather than be saved as '?'. Not
  // when an undo brings it back (with a step to redo): the taking out was the step undone.
  if (now.find('?') != std::string::npos && !editor_->document()->isRedoAvailable()) {
    QTextCursor range(editor_->document());
    range.setPosition(position);
    range.setPosition(position + added, QTextCursor::KeepAnchor);
    const QString refused = Unencodable(PlainLineBreaks(range.selectedText()));
    if (!refused.isEmpty())
      QMetaObject::invokeMethod(
          editor_, [editor = editor_, refused] { editor->takeOut(refused); }, Qt::QueuedConnection);
  }
}

std::string QtRichEdit::documentBytes() const {
  // The raw text keeps every character as stored (the plain text turns U+00A0 into a blank).
  QString raw = editor_->document()->toRawText();
  raw.replace(QChar::ParagraphSeparator, u'\n');
  return ToBytes(raw);
}

std::string QtRichEdit::documentBytes(int from, int to) const {
  std::string bytes;
  bytes.reserve(static_cast<size_t>(std::max(0, to - from)));
  for (QTextBlock block = editor_->document()->findBlock(from); block.isValid() && block.position() < to;
       block = block.next()) {
    const int start = block.position();
    const QString text = block.text();
    const int end = start + static_cast<int>(text.size());  // where the block's line end stands
    const int first = std::max(from, start), last = std::min(to, end);
    if (first < last) bytes += ToBytes(text.mid(first - start, last - first));
    if (end >= from && end < to) bytes += '\n';
  }
  return bytes;
}

int QtRichEdit::selStart() const {
  if (held_.set) return held_.start;
  return editor_->textCursor().selectionStart();
}

int QtRichEdit::selLength() const {
  if (held_.set) return held_.length;
  const QTextCursor cursor = editor_->textCursor();
  return cursor.selectionEnd() - cursor.selectionStart();
}

void QtRichEdit::setSelection(int start, int length) {
  const int size = textLength();
  start = std::clamp(start, 0, size);
  length = std::clamp(length, 0, size - start);
  if (holding_ > 0) {
    held_ = {start, length, true};
    return;
  }
  QTextCursor cursor(editor_->document());
  cursor.setPosition(start);
  cursor.setPosition(start + length, QTextCursor::KeepAnchor);
  // Moving the selection must not move the view: the display keeps the editor where it is.
  QScrollBar* vertical = editor_->verticalScrollBar();
  QScrollBar* horizontal = editor_->horizontalScrollBar();
  const int top = vertical->value(), left = horizontal->value();
  editor_->setTextCursor(cursor);
  vertical->setValue(top);
  horizontal->setValue(left);
}

void QtRichEdit::applyHeldSelection() {
  if (!held_.set) return;
  const Held held = held_;
  held_ = {};
  // The selection as setSelection makes it: anchored at its start.
  const QTextCursor now = editor_->textCursor();
  if (now.anchor() != held.start || now.position() != held.start + held.length)
    setSelection(held.start, held.length);
}

int QtRichEdit::firstVisibleLine() const {
  // Without word wrap the vertical scroll position counts whole lines.
  return editor_->verticalScrollBar()->value();
}

void QtRichEdit::scrollLines(int lines) {
  QScrollBar* vertical = editor_->verticalScrollBar();
  vertical->setValue(vertical->value() + lines);
}

}  // namespace ts2::qt
