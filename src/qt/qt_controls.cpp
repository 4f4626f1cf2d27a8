#include "qt/qt_controls.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <cctype>
#include <cstring>

namespace ts2::qt {

// ---- WidgetControl ----

void WidgetControl::setBounds(int left, int top, int width, int height) {
  widget_->setGeometry(left, top, std::max(width, 0), std::max(height, 0));
}

Rect WidgetControl::bounds() const {
  const QRect r = widget_->geometry();
  return {r.x(), r.y(), r.width(), r.height()};
}

Size WidgetControl::clientSize() const {
  const QRect r = widget_->contentsRect();
  return {r.width(), r.height()};
}

void WidgetControl::setVisible(bool visible) {
  widget_->setVisible(visible);
}

bool WidgetControl::visible() const {
  return !widget_->isHidden();
}

void WidgetControl::setHint(const std::string& hint) {
  hint_ = hint;
  widget_->setToolTip(FromBytes(hint));
}

void WidgetControl::setFocus() {
  widget_->setFocus(Qt::OtherFocusReason);
}

bool WidgetControl::focused() const {
  return widget_->hasFocus();
}

// ---- paint boxes ----

PaintWidget::PaintWidget(QWidget* parent, std::function<void()> onPaint)
    : QWidget(parent), onPaint_(std::move(onPaint)) {
  // The widget covers itself completely, so its updates never repaint the window beneath.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PaintWidget::setImage(QImage image) {
  if (painting_) {  // drawn by the paint event that is running
    image_ = std::move(image);
    return;
  }
  if (image == image_) return;
  image_ = std::move(image);
  update();
}

void PaintWidget::paintEvent(QPaintEvent*) {
  if (onPaint_ && !painting_) {
    painting_ = true;
    onPaint_();
    painting_ = false;
  }
  QPainter painter(this);
  if (image_.isNull()) {
    painter.fillRect(rect(), Qt::black);
    return;
  }
  const qreal ratio = devicePixelRatioF();
  const int deviceW = qRound(width() * ratio), deviceH = qRound(height() * ratio);
  const int factor = deviceW / image_.width();
  if (factor < 1 || deviceW != factor * image_.width() || deviceH != factor * image_.height()) {
    painter.drawImage(rect(), image_);  // a size between whole steps: nearest pixel
    return;
  }
  // Drawn one to one in device pixels, so that no scaling can make one pixel wider than another.
  const qint64 key = image_.cacheKey();
  if (enlarged_.isNull() || key != enlargedKey_ || enlarged_.width() != deviceW ||
      enlarged_.devicePixelRatio() != ratio) {
    enlarged_ = RepeatPixels(image_, factor);
    enlarged_.setDevicePixelRatio(ratio);
    enlargedKey_ = key;
  }
  painter.drawImage(QPointF(0, 0), enlarged_);
}

QImage RepeatPixels(const QImage& image, int factor) {
  if (factor <= 1 || image.isNull()) return image.copy();
  const int bytes = image.depth() / 8;
  if (bytes < 1 || image.depth() % 8 != 0) return image.scaled(image.size() * factor);
  QImage out(image.width() * factor, image.height() * factor, image.format());
  const size_t rowBytes = static_cast<size_t>(out.width()) * static_cast<size_t>(bytes);
  for (int y = 0; y < image.height(); ++y) {
    const uchar* from = image.constScanLine(y);
    uchar* first = out.scanLine(y * factor);
    uchar* to = first;
    for (int x = 0; x < image.width(); ++x, from += bytes)
      for (int i = 0; i < factor; ++i, to += bytes) std::memcpy(to, from, static_cast<size_t>(bytes));
    for (int i = 1; i < factor; ++i) std::memcpy(out.scanLine(y * factor + i), first, rowBytes);
  }
  return out;
}

QImage ToImage(const Bitmap& bitmap) {
  if (bitmap.width <= 0 || bitmap.height <= 0) return {};
  const size_t pixels = static_cast<size_t>(bitmap.width) * static_cast<size_t>(bitmap.height);
  if (bitmap.pixels.size() < pixels) return {};
  QImage image(bitmap.width, bitmap.height, QImage::Format_RGB16);
  for (int y = 0; y < bitmap.height; ++y)
    std::memcpy(image.scanLine(y), bitmap.scanLine(y), static_cast<size_t>(bitmap.width) * sizeof(uint16_t));
  return image;
}

// ---- list boxes ----

int LineModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shown_;
}

QVariant LineModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= shown_) return {};
  const std::string& line = lines_[static_cast<size_t>(index.row())];
  if (role == Qt::DisplayRole) return FromBytes(line);
  if (role == Qt::SizeHintRole) {
    // Every line is as high as the first: the view asks the first line only.
    const QFontMetrics metrics(static_cast<const QWidget*>(QObject::parent())->font());
    return QSize(metrics.horizontalAdvance(FromBytes(line)) + 8, rowHeight_);
  }
  return {};
}

void LineModel::clear() {
  beginResetModel();
  lines_.clear();
  shown_ = 0;
  endResetModel();
}

void LineModel::add(std::string line) {
  const bool scheduled = static_cast<int>(lines_.size()) > shown_;
  lines_.push_back(std::move(line));
  if (!scheduled)
    QMetaObject::invokeMethod(
        this, [this] { publish(); }, Qt::QueuedConnection);
}

void LineModel::publish() {
  const int size = static_cast<int>(lines_.size());
  if (shown_ >= size) return;
  beginInsertRows(QModelIndex(), shown_, size - 1);
  shown_ = size;
  endInsertRows();
}

ListWidget::ListWidget(QWidget* parent, std::function<void()> onUserSelect)
    : QListView(parent), model_(new LineModel(this)), onUserSelect_(std::move(onUserSelect)) {
  setModel(model_);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setUniformItemSizes(true);
  // Reported once a line is selected, not when the current line moves: a mouse press moves the
  // current line first and the selection after it, and the program reads the selection.
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this](const QItemSelection& selected) {
            if (programmatic || selected.isEmpty()) return;
            ++reports_;
            if (onUserSelect_) onUserSelect_();
          });
}

void ListWidget::mousePressEvent(QMouseEvent* event) {
  const int reports = reports_;
  QListView::mousePressEvent(event);
  // A click on the line that is already selected changes nothing, but is a click all the same.
  const QModelIndex hit = indexAt(event->position().toPoint());
  if (reports_ == reports && hit.isValid() && selectionModel()->isSelected(hit) && onUserSelect_)
    onUserSelect_();
}

void QtListBox::clear() {
  list_->programmatic = true;
  list_->lines()->clear();
  list_->programmatic = false;
}

void QtListBox::add(const std::string& line) {
  list_->lines()->add(line);
}

int QtListBox::count() const {
  return static_cast<int>(list_->lines()->lines().size());
}

std::string QtListBox::line(int index) const {
  const auto& lines = list_->lines()->lines();
  return index >= 0 && index < count() ? lines[static_cast<size_t>(index)] : std::string();
}

void QtListBox::setItemIndex(int index) {
  list_->programmatic = true;
  if (index < 0 || index >= count()) {
    list_->selectionModel()->clear();
  } else {
    list_->lines()->publish();
    const QModelIndex item = list_->lines()->index(index);
    list_->selectionModel()->setCurrentIndex(item, QItemSelectionModel::ClearAndSelect);
    list_->scrollTo(item);
  }
  list_->programmatic = false;
}

int QtListBox::itemIndex() const {
  const QModelIndexList rows = list_->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.front().row();
}

bool QtListBox::selected(int index) const {
  return index >= 0 && list_->selectionModel()->isRowSelected(index, QModelIndex());
}

// ---- the Text Editor ----

TextEditor::TextEditor(QWidget* parent, std::function<bool(QKeyEvent*)> onKey, std::function<void()> onEdit,
                       std::function<void(const QString&)> onRefused)
    : QPlainTextEdit(parent),
      onKey_(std::move(onKey)),
      onEdit_(std::move(onEdit)),
      onRefused_(std::move(onRefused)) {
  connect(this, &QPlainTextEdit::textChanged, this, [this] { changed(); });
}

void TextEditor::setTextQuietly(const QString& text) {
  quiet_ = true;
  setPlainText(text);
  quiet_ = false;
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
    if (event->matches(QKeySequence::InsertLineSeparator)) {
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
  if (refused(event->commitString())) {
    // The composition ends without inserting what it composed.
    QInputMethodEvent none(QString(), event->attributes());
    asOneEdit([&] { QPlainTextEdit::inputMethodEvent(&none); });
    event->accept();
    return;
  }
  asOneEdit([&] { QPlainTextEdit::inputMethodEvent(event); });
}

void TextEditor::insertFromMimeData(const QMimeData* source) {
  // Only plain text arrives, with its line breaks as the file keeps them; text with a character
  // the file cannot hold is refused whole rather than saved with '?' in its place.
  if (!source || !source->hasText()) return;
  const QString text = PlainLineBreaks(source->text());
  if (refused(text)) return;
  asOneEdit([&] { insertPlainText(text); });
}

std::string QtRichEdit::text() const {
  // The raw text keeps every character as stored (the plain text turns U+00A0 into a blank).
  QString raw = editor_->document()->toRawText();
  raw.replace(QChar::ParagraphSeparator, u'\n');
  return ToBytes(raw);
}

void QtRichEdit::setText(const std::string& text) {
  editor_->setTextQuietly(FromBytes(text));
  editor_->setTextCursor(QTextCursor(editor_->document()));
  modified_ = false;
}

int QtRichEdit::selStart() const {
  return editor_->textCursor().selectionStart();
}

int QtRichEdit::selLength() const {
  const QTextCursor cursor = editor_->textCursor();
  return cursor.selectionEnd() - cursor.selectionStart();
}

void QtRichEdit::setSelection(int start, int length) {
  const int size = textLength();
  start = std::clamp(start, 0, size);
  length = std::clamp(length, 0, size - start);
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

int QtRichEdit::firstVisibleLine() const {
  // Without word wrap the vertical scroll position counts whole lines.
  return editor_->verticalScrollBar()->value();
}

void QtRichEdit::scrollLines(int lines) {
  QScrollBar* vertical = editor_->verticalScrollBar();
  vertical->setValue(vertical->value() + lines);
}

int QtRichEdit::textLength() const {
  return editor_->document()->characterCount() - 1;
}

int QtRichEdit::lineCount() const {
  const QTextDocument* doc = editor_->document();
  int lines = doc->blockCount();
  if (doc->lastBlock().length() <= 1) --lines;  // a final line end opens no further line
  return lines;
}

std::string QtRichEdit::line(int index) const {
  if (index < 0) return {};
  const QTextBlock block = editor_->document()->findBlockByNumber(index);
  return block.isValid() ? ToBytes(block.text()) : std::string();
}

int QtRichEdit::lineFromChar(int position) const {
  position = std::clamp(position, 0, textLength());
  return editor_->document()->findBlock(position).blockNumber();
}

int QtRichEdit::findText(const std::string& what, int from, int length) const {
  const int size = textLength();
  if (from < 0 || length < 0 || from > size) return -1;
  const int end = static_cast<int>(std::min<long long>(size, static_cast<long long>(from) + length));
  const int n = static_cast<int>(what.size());
  if (what.empty() || n > end - from) return -1;
  // The document's search matches within a line and reads U+00A0 as a blank: other texts are
  // searched in the text itself.
  if (what.find_first_of("\n\r\xA0") != std::string::npos)
    return textops::FindNoCase(text(), what, from, length);

  const QTextDocument* doc = editor_->document();
  const QString needle = FromBytes(what);
  for (int at = from;;) {
    const QTextCursor hit = doc->find(needle, at);
    if (hit.isNull()) return -1;
    const int start = hit.selectionStart();
    if (start + n > end) return -1;
    // The document folds letter case beyond ASCII; a match counts only when the bytes match
    // with ASCII letters folded.
    const QTextBlock block = doc->findBlock(start);
    const std::string found = ToBytes(block.text().mid(start - block.position(), n));
    if (textops::FindNoCase(found, what, 0, n) == 0) return start;
    at = start + 1;
  }
}

// ---- Memo1 ----

void MemoryRichEdit::setText(const std::string& text) {
  text_ = text;
  selStart_ = selLength_ = firstVisible_ = 0;
  modified_ = false;
}

void MemoryRichEdit::setSelection(int start, int length) {
  const int size = static_cast<int>(text_.size());
  selStart_ = std::clamp(start, 0, size);
  selLength_ = std::clamp(length, 0, size - selStart_);
}

void MemoryRichEdit::scrollLines(int lines) {
  firstVisible_ = std::clamp(firstVisible_ + lines, 0, std::max(0, lineCount() - 1));
}

// ---- kana memos ----

namespace {

// Splits at CR LF pairs; the piece after the last pair is a line too.
std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> pieces;
  size_t start = 0;
  for (;;) {
    const size_t crlf = text.find("\r\n", start);
    if (crlf == std::string::npos) {
      pieces.push_back(text.substr(start));
      return pieces;
    }
    pieces.push_back(text.substr(start, crlf - start));
    start = crlf + 2;
  }
}

}  // namespace

bool KanaMemoEdit::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride && isReadOnly()) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::SelectAll) || key->matches(QKeySequence::Copy)) {
      event->accept();  // the key goes to the memo, not to a shortcut
      return true;
    }
  }
  return QPlainTextEdit::event(event);
}

QtMemo::QtMemo(QPlainTextEdit* edit) : WidgetControl(edit), edit_(edit) {
  QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [this] {
    if (programmatic_) return;
    edited_ = true;
    wrapValid_ = false;
  });
}

void QtMemo::clear() {
  lines_.clear();
  programmatic_ = true;
  edit_->clear();
  programmatic_ = false;
  edited_ = wrapValid_ = false;
}

void QtMemo::setText(const std::string& text) {
  clear();
  if (text.empty()) return;
  appendLines(text, true);
}

void QtMemo::addLine(const std::string& item) {
  if (edited_) syncFromDocument();
  appendLines(item, false);
}

void QtMemo::appendLines(const std::string& text, bool dropFinalEmpty) {
  std::vector<std::string> pieces = SplitCrLf(text);
  if (dropFinalEmpty && pieces.size() > 1 && pieces.back().empty()) pieces.pop_back();
  programmatic_ = true;
  QTextCursor cursor(edit_->document());
  cursor.movePosition(QTextCursor::End);
  cursor.beginEditBlock();
  for (std::string& piece : pieces) {
    if (!lines_.empty()) cursor.insertBlock();
    lines_.emplace_back(piece);
    cursor.insertText(lines_.back().text());
  }
  cursor.endEditBlock();
  programmatic_ = false;
  wrapValid_ = false;
}

std::string QtMemo::text() const {
  if (edited_) syncFromDocument();
  std::string out;
  for (const SjisText& line : lines_) out += line.bytes(0, static_cast<int>(line.text().size())) + "\r\n";
  return out;
}

int QtMemo::lineCount() const {
  return static_cast<int>(wrapped().size());
}

std::string QtMemo::line(int index) const {
  const std::vector<Shown>& shown = wrapped();
  if (index < 0 || index >= static_cast<int>(shown.size())) return {};
  const Shown& s = shown[static_cast<size_t>(index)];
  return lines_[static_cast<size_t>(s.line)].bytes(s.from, s.count);
}

void QtMemo::beginUpdate() {
  if (updateDepth_++ == 0) edit_->setUpdatesEnabled(false);
}

void QtMemo::endUpdate() {
  if (updateDepth_ == 0) return;
  if (--updateDepth_ == 0) edit_->setUpdatesEnabled(true);
}

void QtMemo::syncFromDocument() const {
  lines_.clear();
  const QTextDocument* doc = edit_->document();
  if (!doc->isEmpty())
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
      lines_.emplace_back(SjisText::Encode(b.text()));
  edited_ = false;
  wrapValid_ = false;
}

int QtMemo::wrapWidth() const {
  if (edit_->lineWrapMode() == QPlainTextEdit::NoWrap) return 0;
  // The width the shown lines wrap at, also while the memo is hidden: its viewport without the
  // vertical scroll bar and the document's margins.
  int width = edit_->contentsRect().width();
  if (edit_->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn)
    width -= edit_->verticalScrollBar()->sizeHint().width();
  width -= static_cast<int>(2 * edit_->document()->documentMargin());
  return std::max(width, 0);
}

const std::vector<QtMemo::Shown>& QtMemo::wrapped() const {
  if (edited_) syncFromDocument();
  const int width = wrapWidth();
  if (wrapValid_ && width == wrappedWidth_) return wrapped_;
  wrapped_.clear();
  const QTextDocument* doc = edit_->document();
  for (size_t i = 0; i < lines_.size(); ++i) {
    const QString& text = lines_[i].text();
    const int line = static_cast<int>(i);
    if (text.isEmpty() || width <= 0) {
      wrapped_.push_back({line, 0, static_cast<int>(text.size())});
      continue;
    }
    QTextLayout layout(text, doc->defaultFont());
    layout.setTextOption(doc->defaultTextOption());
    layout.beginLayout();
    for (QTextLine shown = layout.createLine(); shown.isValid(); shown = layout.createLine()) {
      shown.setLineWidth(width);
      wrapped_.push_back({line, shown.textStart(), shown.textLength()});
    }
    layout.endLayout();
  }
  wrappedWidth_ = width;
  wrapValid_ = true;
  return wrapped_;
}

// ---- status bar ----

StatusWidget::StatusWidget(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(true);
  for (QLabel*& label : panels_) {
    label = new QLabel(this);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    label->setIndent(2);
    // The whole text shows on hover also while another window (the lists, the editor) is active,
    // as it is after choosing a string.
    label->setAttribute(Qt::WA_AlwaysShowToolTips);
  }
}

void StatusWidget::resizeEvent(QResizeEvent*) {
  layoutPanels();
}

void StatusWidget::setFullText(int panel, const QString& text) {
  full_[panel] = text;
  panels_[panel]->setText(text);
}

// Panel 0 keeps its 200 pixels and panel 1 at least its 50; panel 2 takes the width its short
// text needs out of the rest, and panel 1 what remains.
void StatusWidget::layoutPanels() {
  constexpr int kPanel0Width = 200, kPanel1Min = 50, kGap = 2;
  const int rest = std::max(0, width() - kPanel0Width - 2 * kGap);
  panels_[2]->setFont(font());  // its width is measured in the bar's own font, on its whole text
  panels_[2]->setText(full_[2]);
  const int panel2 = std::clamp(panels_[2]->sizeHint().width(), 0, std::max(0, rest - kPanel1Min));
  const int panel1 = rest - panel2;
  panels_[0]->setGeometry(0, 0, kPanel0Width, height());
  panels_[1]->setGeometry(kPanel0Width + kGap, 0, panel1, height());
  panels_[2]->setGeometry(kPanel0Width + 2 * kGap + panel1, 0, panel2, height());
  for (QLabel* label : panels_) fitText(label);
}

void StatusWidget::fitText(QLabel* label) const {
  // A text wider than its panel (the string's offsets in the 200-pixel panel 0) is drawn in the
  // largest smaller font it fits in, down to kMinFontPx, rather than cut off; one that fits in
  // none is cut with an ellipsis in the bar's font.
  constexpr int kMinFontPx = 8;
  const int index =
      static_cast<int>(std::find(std::begin(panels_), std::end(panels_), label) - std::begin(panels_));
  const QString text = index < 3 ? full_[index] : label->text();
  QFont font = this->font();
  const int normal = QFontInfo(font).pixelSize();
  const int room = label->contentsRect().width() - label->indent() - 1;
  for (int px = normal; px >= kMinFontPx; --px) {
    font.setPixelSize(px);
    if (QFontMetrics(font).horizontalAdvance(text) <= room) {
      label->setFont(font);
      label->setText(text);
      return;
    }
  }
  label->setFont(this->font());
  label->setText(QFontMetrics(this->font()).elidedText(text, Qt::ElideRight, std::max(0, room)));
}

void QtStatusBar::setPanelText(int panel, const std::string& text) {
  if (panel < 0 || panel > 2) return;
  texts_[panel] = text;
  hints_[panel].clear();
  widget_->setFullText(panel, FromBytes(text));
  widget_->panel(panel)->setToolTip(widget_->fullText(panel));  // the whole text, however narrow the panel
  if (panel == 2) {
    widget_->layoutPanels();
  } else {
    widget_->fitText(widget_->panel(panel));
  }
}

std::string QtStatusBar::panelText(int panel) const {
  return panel >= 0 && panel <= 2 ? texts_[panel] : std::string();
}

void QtStatusBar::setPanelHint(int panel, const std::string& hint) {
  if (panel < 0 || panel > 2) return;
  hints_[panel] = hint;
  widget_->panel(panel)->setToolTip(hint.empty() ? widget_->fullText(panel) : FromMessage(hint));
}

std::string QtStatusBar::panelHint(int panel) const {
  if (panel < 0 || panel > 2) return {};
  return hints_[panel].empty() ? texts_[panel] : hints_[panel];
}

// ---- gauge ----

QtGauge::QtGauge(QProgressBar* bar) : WidgetControl(bar), bar_(bar) {
  show();
}

void QtGauge::setMaxValue(int value) {
  max_ = value;
  show();
}

void QtGauge::setMinValue(int value) {
  min_ = value;
  show();
}

void QtGauge::setProgress(int value) {
  progress_ = value;
  show();
}

void QtGauge::show() {
  // The values are kept as set; a range that holds no step (a maximum at or below the
  // minimum, as for a block without strings) shows an empty bar.
  if (max_ > min_) {
    bar_->setRange(min_, max_);
    bar_->setValue(std::clamp(progress_, min_, max_));
  } else {
    bar_->setRange(0, 1);
    bar_->setValue(0);
  }
}

}  // namespace ts2::qt
