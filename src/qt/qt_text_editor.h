// The Text Editor's TDMemo: the editing widget, which refuses what a translation file cannot
// hold, and its adapter to the toolkit's RichEdit.
#pragma once

#include <QPlainTextEdit>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/editor_text.h"
#include "core/toolkit.h"
#include "qt/qt_controls.h"

namespace ts2::qt {

// After the program's own edit of the document (a command's one step to undo): typing that
// follows is a step of its own.
void EndUndoStep(QTextDocument& document);

class TextEditor : public QPlainTextEdit {
 public:
  // `onKey` sees every key first; a false return discards it. `onEdit` runs once after each
  // change the user makes (a key, a paste, a drop), however many steps the change takes.
  // `onRefused` hears of typed, pasted or dropped characters that the file's code page cannot
  // hold: they are never inserted.
  TextEditor(QWidget* parent, std::function<bool(QKeyEvent*)> onKey, std::function<void()> onEdit,
             std::function<void(const QString& characters)> onRefused = {});
  void setTextQuietly(const QString& text);  // a change of the program's: not reported
  // Replaces each range (start, length; in increasing order) with `with` as one edit of the
  // user's: one step to undo, reported once.
  void replaceRanges(const std::vector<RichEdit::Range>& ranges, const QString& with);
  // Where a line of the document lies in the viewport, told from its layout alone (a caret's
  // rectangle would measure the text up to it).
  QRectF lineArea(const QTextBlock& block) const {
    return blockBoundingGeometry(block).translated(contentOffset());
  }
  // The line at height y of the viewport, as cursorForPosition(QPoint(0, y)).block() finds it,
  // without placing a caret in it (which measures the line's text); below the text, the last line.
  QTextBlock lineAt(int y) const;
  // Takes the characters of `characters` out of the document again, as one step to undo, and says
  // so: for text that reached the document by a way other than the keys, a paste or a
  // composition (an assistive tool).
  void takeOut(const QString& characters);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  template <typename Step>
  void asOneEdit(Step step);
  void changed();
  bool refused(const QString& text);  // true (and reported) when `text` holds unencodable characters
  std::function<bool(QKeyEvent*)> onKey_;
  std::function<void()> onEdit_;
  std::function<void(const QString&)> onRefused_;
  int depth_ = 0;
  bool pending_ = false, quiet_ = false;
};

// TDMemo: bytes shown as Windows-1252, one block per line; a character is one byte, so character
// positions are byte positions. The bytes are kept beside the document, changed with each of its
// changes (QTextDocument::contentsChange), so the display's questions on every keystroke (the
// section search, the line of a position, the section's lines) never convert the whole document.
class QtRichEdit : public RichEdit, public WidgetControl {
 public:
  explicit QtRichEdit(TextEditor* editor);
  void userEdited() { modified_ = true; }
  // Whether the document's text changed since the last call (a composition begun and abandoned,
  // or a change of format, leaves it as it was).
  bool takeChange() { return std::exchange(changed_, false); }
  std::string text() const override { return bytes_.str(); }
  void setText(const std::string& text) override;
  int selStart() const override;
  int selLength() const override;
  void setSelection(int start, int length) override;
  bool modified() const override { return modified_; }
  void setModified(bool modified) override { modified_ = modified; }
  int firstVisibleLine() const override;
  void scrollLines(int lines) override;
  int textLength() const override { return bytes_.size(); }
  int lineCount() const override { return bytes_.lineCount(); }
  std::string line(int index) const override { return bytes_.line(index); }
  int lineFromChar(int position) const override { return bytes_.lineFromChar(position); }
  int findText(const std::string& what, int from, int length) const override {
    return bytes_.find(what, from, length);
  }
  std::vector<std::string> linesUntil(int first,
                                      const std::function<bool(std::string_view)>& isLast) const override {
    return bytes_.linesUntil(first, isLast);
  }
  void replaceRanges(const std::vector<Range>& ranges, const std::string& with) override;

  // The document's whole text as bytes, converted afresh (what the kept bytes must equal).
  std::string documentBytes() const;

  // Runs the program's handler of an edit. The selections it sets are kept here, and it reads
  // them back from here; the last one reaches the widget when the handler is done, and only if
  // it is not the widget's already (the display moves it to the section header to find the
  // section, then puts it back: the widget's caret, its repaints and signals never see that).
  template <typename Handler>
  void holdSelection(Handler handler) {
    ++holding_;
    handler();
    if (--holding_ == 0) applyHeldSelection();
  }

 private:
  void documentChanged(int position, int removed, int added);
  std::string documentBytes(int from, int to) const;  // characters [from, to) of the document

  void applyHeldSelection();

  TextEditor* editor_;
  EditorText bytes_;
  int holding_ = 0;
  struct Held {
    int start = 0, length = 0;
    bool set = false;
  } held_;
  bool settingText_ = false;
  bool modified_ = false;
  bool changed_ = false;
};

}  // namespace ts2::qt
