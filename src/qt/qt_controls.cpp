#include "qt/qt_controls.h"

#include <QAccessible>
#include <QIcon>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <array>
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
  shownStamps_.clear();
  if (painting_) {  // drawn by the paint event that is running
    image_ = std::move(image);
    return;
  }
  if (image == image_) return;
  image_ = std::move(image);
  update();
}

namespace {

// The first and the last pixel where two rows of n pixels differ (n and -1 when none), compared
// four pixels at a time.
int FirstDifference(const uint16_t* a, const uint16_t* b, int n) {
  int i = 0;
  while (i + 4 <= n && std::memcmp(a + i, b + i, 4 * sizeof(uint16_t)) == 0) i += 4;
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

int LastDifference(const uint16_t* a, const uint16_t* b, int n) {
  int i = n;
  while (i >= 4 && std::memcmp(a + i - 4, b + i - 4, 4 * sizeof(uint16_t)) == 0) i -= 4;
  while (i > 0 && a[i - 1] == b[i - 1]) --i;
  return i - 1;
}

}  // namespace

void PaintWidget::showBitmap(const Bitmap& bitmap) {
  const int w = bitmap.width, h = bitmap.height;
  if (image_.isNull() || image_.width() != w || image_.height() != h ||
      image_.format() != QImage::Format_RGB16 ||
      bitmap.pixels.size() < static_cast<size_t>(w) * static_cast<size_t>(h)) {
    setImage(ToImage(bitmap));
    if (bitmap.rowsStamped() && !image_.isNull()) shownStamps_ = bitmap.rowStamps;
    return;
  }
  const size_t rowBytes = static_cast<size_t>(w) * sizeof(uint16_t);
  const bool stamped = bitmap.rowsStamped();
  if (!stamped)
    shownStamps_.clear();
  else if (shownStamps_.size() != static_cast<size_t>(h))
    shownStamps_.assign(static_cast<size_t>(h), 0);
  int first = -1, last = -1, left = w, right = -1;
  for (int y = 0; y < h; ++y) {
    if (stamped) {
      uint64_t& seen = shownStamps_[static_cast<size_t>(y)];
      const uint64_t stamp = bitmap.rowStamps[static_cast<size_t>(y)];
      if (seen == stamp) continue;  // not written since it was copied
      seen = stamp;
    }
    const uint16_t* row = bitmap.scanLine(y);
    const auto* shown = reinterpret_cast<const uint16_t*>(image_.constScanLine(y));
    if (std::memcmp(shown, row, rowBytes) == 0) continue;
    // The columns that differ: a key changes a glyph or a few, not the row.
    const int from = FirstDifference(row, shown, w), to = LastDifference(row, shown, w);
    std::memcpy(reinterpret_cast<uint16_t*>(image_.scanLine(y)) + from, row + from,
                static_cast<size_t>(to + 1 - from) * sizeof(uint16_t));
    if (first < 0) first = y;
    last = y;
    left = std::min(left, from);
    right = std::max(right, to);
  }
  // Drawn by the paint event that is running, or nothing changed.
  if (first >= 0 && !painting_) update(widgetRect(QRect(QPoint(left, first), QPoint(right, last))));
}

void QtPaintBox::drawStretched(const Bitmap& bitmap) {
  if (held_) {
    pending_ = &bitmap;
    return;
  }
  box_->showBitmap(bitmap);
}

void QtPaintBox::setHeld(bool held) {
  held_ = held;
  if (held_ || !pending_) return;
  const Bitmap& bitmap = *pending_;
  pending_ = nullptr;
  box_->showBitmap(bitmap);
}

QRect PaintWidget::widgetRect(const QRect& pixels) const {
  const int w = image_.width(), h = image_.height();
  const int left = pixels.left() * width() / w, top = pixels.top() * height() / h;
  // Rounded up: a stretched pixel is covered whole.
  const int right = ((pixels.right() + 1) * width() + w - 1) / w;
  const int bottom = ((pixels.bottom() + 1) * height() + h - 1) / h;
  return QRect(left, top, right - left, bottom - top);
}

void PaintWidget::paintEvent(QPaintEvent* event) {
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
  // Only the image pixels under the region to repaint.
  const QRect dirty = event->rect() & rect();
  if (dirty.isEmpty() || height() <= 0 || width() <= 0) return;
  const int w = image_.width(), h = image_.height();
  const int first = dirty.top() * h / height();
  const int last = std::min(h - 1, (dirty.bottom() + 1) * h / height());
  const int left = dirty.left() * w / width();
  const int right = std::min(w - 1, (dirty.right() + 1) * w / width());
  const int rows = last + 1 - first, cols = right + 1 - left;
  const qreal ratio = devicePixelRatioF();
  const int deviceW = qRound(width() * ratio), deviceH = qRound(height() * ratio);
  const int factor = deviceW / w;
  if (factor < 1 || deviceW != factor * w || deviceH != factor * h) {
    // A size between whole steps: stretched, nearest pixel.
    const qreal sx = static_cast<qreal>(width()) / w, sy = static_cast<qreal>(height()) / h;
    painter.drawImage(QRectF(left * sx, first * sy, cols * sx, rows * sy), image_,
                      QRectF(left, first, cols, rows));
    return;
  }
  // Drawn one to one in device pixels, so that no scaling can make one pixel wider than another;
  // the pixels to repaint are enlarged again, the others are kept. One image pixel a device
  // pixel: the image itself is drawn.
  if (factor == 1) {
    QImage shown = image_;  // shares the pixels
    shown.setDevicePixelRatio(ratio);
    painter.drawImage(QPointF(left / ratio, first / ratio), shown, QRectF(left, first, cols, rows));
    return;
  }
  if (enlarged_.width() != deviceW || enlarged_.height() != deviceH || enlarged_.format() != image_.format())
    enlarged_ = QImage(deviceW, deviceH, image_.format());
  RepeatPixels(image_, factor, QRect(left, first, cols, rows), enlarged_);
  enlarged_.setDevicePixelRatio(ratio);
  painter.drawImage(QPointF(left * factor / ratio, first * factor / ratio), enlarged_,
                    QRectF(left * factor, first * factor, cols * factor, rows * factor));
}

QImage RepeatPixels(const QImage& image, int factor) {
  if (factor <= 1 || image.isNull()) return image.copy();
  if (image.depth() < 8 || image.depth() % 8 != 0) return image.scaled(image.size() * factor);
  QImage out(image.width() * factor, image.height() * factor, image.format());
  RepeatPixels(image, factor, image.rect(), out);
  return out;
}

void RepeatPixels(const QImage& image, int factor, const QRect& pixels, QImage& out) {
  const int bytes = image.depth() / 8;
  if (bytes < 1 || factor < 1) return;
  const QRect part = pixels & image.rect();
  if (part.isEmpty()) return;
  const size_t partBytes = static_cast<size_t>(part.width()) * static_cast<size_t>(factor * bytes);
  const size_t skip = static_cast<size_t>(part.left()) * static_cast<size_t>(factor * bytes);
  for (int y = part.top(); y <= part.bottom(); ++y) {
    const uchar* from =
        image.constScanLine(y) + static_cast<size_t>(part.left()) * static_cast<size_t>(bytes);
    uchar* row = out.scanLine(y * factor) + skip;
    uchar* to = row;
    for (int x = part.left(); x <= part.right(); ++x, from += bytes)
      for (int i = 0; i < factor; ++i, to += bytes) std::memcpy(to, from, static_cast<size_t>(bytes));
    for (int i = 1; i < factor; ++i) std::memcpy(out.scanLine(y * factor + i) + skip, row, partBytes);
  }
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

namespace {

// The marks of the lists: a grey ring for nothing translated, a green disc for translated, a red
// triangle for findings (told apart by shape as well as colour). Unknown words add a blue wave
// under the disc or the triangle: a misspelling is shown apart from what overflows.
QIcon MarkIcon(ItemMark mark) {
  constexpr size_t kMarks = 6;
  static const std::array<QIcon, kMarks> icons = [] {
    std::array<QIcon, kMarks> out;
    for (ItemMark m : {ItemMark::kUntranslated, ItemMark::kTranslated, ItemMark::kFindings,
                       ItemMark::kMisspelled, ItemMark::kFindingsMisspelled}) {
      const bool wave = m == ItemMark::kMisspelled || m == ItemMark::kFindingsMisspelled;
      QPixmap pixmap(10, wave ? 14 : 10);
      pixmap.fill(Qt::transparent);
      QPainter p(&pixmap);
      p.setRenderHint(QPainter::Antialiasing);
      if (m == ItemMark::kUntranslated) {
        p.setPen(QPen(QColor(0x90, 0x90, 0x90), 1.5));
        p.drawEllipse(QRectF(1.5, 1.5, 7, 7));
      } else if (m == ItemMark::kTranslated || m == ItemMark::kMisspelled) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x20, 0x90, 0x30));
        p.drawEllipse(QRectF(1, 1, 8, 8));
      } else {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xD0, 0x20, 0x20));
        p.drawPolygon(QPolygonF({QPointF(5, 0.5), QPointF(9.5, 9.5), QPointF(0.5, 9.5)}));
      }
      if (wave) {
        p.setPen(QPen(QColor(0x20, 0x50, 0xD0), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF(
            {QPointF(0.5, 12.5), QPointF(2.5, 11), QPointF(5, 13), QPointF(7.5, 11), QPointF(9.5, 12.5)}));
      }
      p.end();
      out[static_cast<size_t>(m)] = QIcon(pixmap);
    }
    return out;
  }();
  return icons[static_cast<size_t>(mark)];
}

}  // namespace

int LineModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shown_;
}

QVariant LineModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= shown_) return {};
  const std::string& line = lines_[static_cast<size_t>(index.row())];
  if (role == Qt::DisplayRole) return FromBytes(line);
  const auto row = static_cast<size_t>(index.row());
  if (row < marks_.size() && marks_[row].mark != ItemMark::kNone) {
    if (role == Qt::DecorationRole) return MarkIcon(marks_[row].mark);
    // The state the mark shows, and its findings, for those who hear the list rather than see it.
    if (role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole) return FromMessage(marks_[row].tip);
    if (role == Qt::ForegroundRole &&
        (marks_[row].mark == ItemMark::kFindings || marks_[row].mark == ItemMark::kFindingsMisspelled))
      return QColor(0xA0, 0x10, 0x10);
    if (role == Qt::ForegroundRole && marks_[row].mark == ItemMark::kMisspelled)
      return QColor(0x10, 0x40, 0xA0);
    if (role == Qt::ForegroundRole && marks_[row].mark == ItemMark::kUntranslated)
      return QColor(0x70, 0x70, 0x70);
  }
  if (role == Qt::SizeHintRole) {
    // Every line is as high as the first: the view asks the first line only.
    const QFontMetrics metrics(static_cast<const QWidget*>(QObject::parent())->font());
    return QSize(metrics.horizontalAdvance(FromBytes(line)) + 8, rowHeight_);
  }
  return {};
}

void LineModel::setMark(int row, ItemMark mark, const std::string& tip) {
  if (row < 0 || static_cast<size_t>(row) >= lines_.size()) return;
  const auto r = static_cast<size_t>(row);
  if (marks_.size() <= r) marks_.resize(r + 1);
  if (marks_[r].mark == mark && marks_[r].tip == tip) return;
  const bool shownChange = marks_[r].mark != mark;  // a new tooltip alone shows nothing new
  marks_[r] = {mark, tip};
  if (row < shown_)
    emit dataChanged(index(row), index(row),
                     shownChange ? QList<int>{Qt::DecorationRole, Qt::ToolTipRole,
                                              Qt::AccessibleDescriptionRole, Qt::ForegroundRole}
                                 : QList<int>{Qt::ToolTipRole, Qt::AccessibleDescriptionRole});
}

void LineModel::setMarks(const std::vector<ItemMark>& marks, const std::function<std::string(int)>& tipOf) {
  const size_t count = std::min(marks.size(), lines_.size());
  if (marks_.size() < count) marks_.resize(count);
  // The shown rows that changed, from the first to the last: one change for the view, which
  // repaints them once, instead of one per row (a block of 10,000 strings).
  int first = -1, last = -1;
  bool shownChange = false;
  for (size_t r = 0; r < count; ++r) {
    std::string tip = tipOf(static_cast<int>(r));
    Mark& now = marks_[r];
    if (now.mark == marks[r] && now.tip == tip) continue;
    const auto row = static_cast<int>(r);
    if (row < shown_) {
      shownChange = shownChange || now.mark != marks[r];
      if (first == -1) first = row;
      last = row;
    }
    now = {marks[r], std::move(tip)};
  }
  if (first != -1)
    emit dataChanged(index(first), index(last),
                     shownChange ? QList<int>{Qt::DecorationRole, Qt::ToolTipRole,
                                              Qt::AccessibleDescriptionRole, Qt::ForegroundRole}
                                 : QList<int>{Qt::ToolTipRole, Qt::AccessibleDescriptionRole});
}

void LineModel::clear() {
  beginResetModel();
  marks_.clear();
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
    : QListView(parent),
      model_(new LineModel(this)),
      rows_(new RowCacheDelegate(this)),
      onUserSelect_(std::move(onUserSelect)) {
  setModel(model_);
  setItemDelegate(rows_);  // the edited string's row is repainted on every keystroke
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setUniformItemSizes(true);
  // Connected before anything that could ask for the selected line while the change is reported.
  const auto forget = [this] { selectedLine_ = kNotKnown; };
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, &watch_, forget);
  connect(selectionModel(), &QItemSelectionModel::currentChanged, &watch_, forget);
  connect(selectionModel(), &QItemSelectionModel::modelChanged, &watch_, forget);
  connect(model_, &QAbstractItemModel::modelAboutToBeReset, &watch_, forget);
  connect(model_, &QAbstractItemModel::modelReset, &watch_, forget);
  connect(model_, &QAbstractItemModel::rowsInserted, &watch_, forget);
  connect(model_, &QAbstractItemModel::rowsRemoved, &watch_, forget);
  connect(model_, &QAbstractItemModel::rowsMoved, &watch_, forget);
  connect(model_, &QAbstractItemModel::layoutChanged, &watch_, forget);
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

void ListWidget::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                             const QList<int>& roles) {
  // A line's mark (icon, colour, tooltip) never changes its size, and every line is as high as
  // the first: the lines are repainted where they are. QListView would lay out the whole list again
  // for any change of data, on every keystroke that changes the edited string's mark.
  const bool sizeKept = !roles.isEmpty() && !roles.contains(Qt::DisplayRole) &&
                        !roles.contains(Qt::SizeHintRole) && !roles.contains(Qt::FontRole);
  if (!sizeKept) {
    QListView::dataChanged(topLeft, bottomRight, roles);
  } else if (roles == QList<int>{Qt::ToolTipRole, Qt::AccessibleDescriptionRole} &&
             !QAccessible::isActive()) {
    // A tooltip is read when it is shown; a screen reader is told of the new description.
  } else if (topLeft != bottomRight && !QAccessible::isActive()) {
    // Many lines at once (a block's marks): the shown part is repainted. The item view would ask
    // every line of the range where it lies to bound the repaint, 10,000 lines for a large block.
    viewport()->update();
  } else if (topLeft == bottomRight && topLeft.isValid() && !QAccessible::isActive()) {
    // One line (the edited string's mark): what the item view does for it, with the line's place
    // kept (the list has no editors).
    if (isVisible()) {
      const QRect rect = lineRect(topLeft);
      if (viewport()->rect().intersects(rect)) viewport()->update(rect);
    }
  } else {
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
  }
}

QRect ListWidget::lineRect(const QModelIndex& index) {
  executeDelayedItemsLayout();  // as visualRect does: a layout still to come moves the lines now
  const int vertical = verticalOffset(), horizontal = horizontalOffset();
  const QSize size = viewport()->size();
  if (kept_.row == index.row() && kept_.layouts == layouts_ && kept_.vertical == vertical &&
      kept_.horizontal == horizontal && kept_.viewport == size && index.model() == model_)
    return kept_.rect;
  const QRect rect = visualRect(index);
  // Asked again, the offsets reflect a layout visualRect may have just run.
  kept_ = {index.row(), layouts_, verticalOffset(), horizontalOffset(), viewport()->size(), rect};
  return rect;
}

void ListWidget::doItemsLayout() {
  // Every change that moves lines (new lines, sizes, fonts, spacing) lays them out again.
  ++layouts_;
  QListView::doItemsLayout();
  ++layouts_;
}

void ListWidget::changeEvent(QEvent* event) {
  // The kept rows are keyed by the style, palette and font they were painted with; a new theme
  // (the platform's fonts or colours) may change the drawing under the same keys.
  const QEvent::Type type = event->type();
  if (type == QEvent::StyleChange || type == QEvent::PaletteChange || type == QEvent::FontChange ||
      type == QEvent::ThemeChange)
    rows_->clear();
  QListView::changeEvent(event);
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

void QtListBox::setItemMark(int index, ItemMark mark, const std::string& tip) {
  list_->lines()->setMark(index, mark, tip);
}

void QtListBox::setItemMarks(const std::vector<ItemMark>& marks,
                             const std::function<std::string(int)>& tipOf) {
  list_->lines()->setMarks(marks, tipOf);
}

int ListWidget::selectedLine() {
  if (selectedLine_ != kNotKnown) return selectedLine_;
  // The first row selectedRows() would list, without the set of rows it builds to list them. The
  // list selects one line at most, and this program selects a line by making it the current one,
  // so a selected current line is the selected line.
  const QItemSelectionModel* selection = selectionModel();
  const QModelIndex current = selection->currentIndex();
  selectedLine_ = -1;
  if (current.isValid() && selection->isSelected(current)) {
    selectedLine_ = current.row();
  } else {
    // Otherwise from the ranges: the list has one column, so a selected line is a selected row,
    // and its ranges come in the order selectedRows() walks them.
    for (const QItemSelectionRange& range : selection->selection())
      if (range.isValid() && !range.isEmpty()) {
        selectedLine_ = range.top();
        break;
      }
  }
  return selectedLine_;
}

int QtListBox::itemIndex() const {
  return list_->selectedLine();
}

bool QtListBox::selected(int index) const {
  // One line at most is selected.
  return index >= 0 && index == list_->selectedLine();
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

std::string QtMemo::selectedText() const {
  // Qt gives line breaks inside a selection as paragraph separators.
  return edit_->textCursor()
      .selectedText()
      .replace(QChar::ParagraphSeparator, QLatin1Char(' '))
      .toStdString();
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

void QtMemo::selectText(int line, int column, int length) {
  if (edited_) syncFromDocument();
  if (line < 0 || static_cast<size_t>(line) >= lines_.size() || column < 0 || length < 0) return;
  // One block of the document a line of the text.
  const QTextBlock block = edit_->document()->findBlockByNumber(line);
  if (!block.isValid()) return;
  const SjisText& shown = lines_[static_cast<size_t>(line)];
  QTextCursor cursor(block);
  cursor.setPosition(block.position() + shown.characterAt(static_cast<size_t>(column)));
  cursor.setPosition(
      block.position() + shown.characterAt(static_cast<size_t>(column) + static_cast<size_t>(length)),
      QTextCursor::KeepAnchor);
  edit_->setTextCursor(cursor);
  edit_->ensureCursorVisible();
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

bool PanelLabel::Key::operator==(const Key& other) const {
  // The cheap fields first.
  return size == other.size && group == other.group && enabled == other.enabled && style == other.style &&
         image == other.image && alignment == other.alignment && indent == other.indent &&
         margin == other.margin && frame == other.frame && lineWidth == other.lineWidth &&
         midLineWidth == other.midLineWidth && direction == other.direction && format == other.format &&
         wrap == other.wrap && margins == other.margins && text == other.text && under == other.under &&
         font == other.font && palette == other.palette;
}

void PanelLabel::paintEvent(QPaintEvent* event) {
  const QWidget* bar = parentWidget();
  QStyle* shownStyle = style();
  const auto plain = [&] { QLabel::paintEvent(event); };
  if (!caching_ || !bar || !bar->autoFillBackground() || !IsQtOwnStyle(shownStyle)) return plain();
  const QBrush under = bar->palette().brush(bar->backgroundRole());
  if (under.style() != Qt::SolidPattern || under.color().alpha() != 255) return plain();

  Key key;
  {
    QPainter painter(this);
    const QImage* image = PaintedImage(painter);
    if (!image) {
      painter.end();
      return plain();
    }
    key.text = text();
    key.font = font();
    key.palette = palette();
    key.group = static_cast<int>(key.palette.currentColorGroup());
    key.under = under;
    key.size = size();
    key.margins = contentsMargins();
    key.alignment = static_cast<int>(alignment());
    key.indent = indent();
    key.margin = margin();
    key.frame = frameStyle();
    key.lineWidth = lineWidth();
    key.midLineWidth = midLineWidth();
    key.direction = static_cast<int>(layoutDirection());
    key.format = static_cast<int>(textFormat());
    key.image = static_cast<int>(image->format());
    key.enabled = isEnabled();
    key.wrap = wordWrap();
    key.style = shownStyle;
    ++paints_;
    for (Entry& entry : entries_) {
      if (!(entry.key == key)) continue;
      entry.used = paints_;
      painter.setCompositionMode(QPainter::CompositionMode_Source);  // the kept pixels as they were
      painter.drawImage(QPoint(0, 0), entry.pixels);
      ++copies_;
      return;
    }
  }
  plain();
  // Kept only when the whole label was just painted: its pixels are then the bar's fill and Qt's
  // drawing of the label.
  QPainter painter(this);
  const QImage* image = PaintedImage(painter);
  if (!image) return;
  QImage pixels = WholePaint(painter, *image, rect());
  if (!pixels.isNull()) KeepEntry(entries_, Entry{std::move(key), std::move(pixels), paints_}, kEntries);
}

StatusWidget::StatusWidget(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(true);
  for (PanelLabel*& label : panels_) {
    label = new PanelLabel(this);
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

void StatusWidget::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange)
    for (std::optional<QFont>& given : given_) given.reset();
  QWidget::changeEvent(event);
}

void StatusWidget::setFullText(int panel, const QString& text) {
  full_[panel] = text;
  panels_[panel]->setText(text);
  // A screen reader reads the whole text, also when the panel shows it cut short.
  panels_[panel]->setAccessibleName(text);
}

// Panel 0 keeps its 200 pixels and panel 1 at least its 50; panel 2 takes the width its short
// text needs out of the rest, and panel 1 what remains.
void StatusWidget::layoutPanels() {
  constexpr int kPanel0Width = 200, kPanel1Min = 50, kGap = 2;
  const int rest = std::max(0, width() - kPanel0Width - 2 * kGap);
  const int panel2 = std::clamp(panel2Width(full_[2]), 0, std::max(0, rest - kPanel1Min));
  const int panel1 = rest - panel2;
  panels_[0]->setGeometry(0, 0, kPanel0Width, height());
  panels_[1]->setGeometry(kPanel0Width + kGap, 0, panel1, height());
  panels_[2]->setGeometry(kPanel0Width + 2 * kGap + panel1, 0, panel2, height());
  for (int panel = 0; panel < 3; ++panel) fitText(panel);
}

int StatusWidget::panel2Width(const QString& text) {
  for (const HintWidth& kept : hintWidths_)
    if (kept.width >= 0 && kept.text == text && kept.font == font()) return kept.width;
  // Measured in the bar's own font, on the whole text; fitText then sets what the panel shows.
  panels_[2]->setFont(font());
  given_[2].reset();
  panels_[2]->setText(text);
  const int width = panels_[2]->sizeHint().width();
  // An empty label measures differently before its first text and after one: not kept.
  if (!text.isEmpty()) hintWidths_[nextHint_++ % kKept] = {text, font(), width};
  return width;
}

void StatusWidget::fitText(int panel) {
  QLabel* label = panels_[panel];
  const FitChoice& choice =
      fitChoice(panel, full_[panel], label->contentsRect().width() - label->indent() - 1);
  // Both are left alone when they hold these already.
  if (!given_[panel] || *given_[panel] != choice.font ||
      given_[panel]->resolveMask() != choice.font.resolveMask()) {
    label->setFont(choice.font);
    given_[panel] = choice.font;
  }
  label->setText(choice.shown);
}

const StatusWidget::FitChoice& StatusWidget::fitChoice(int panel, const QString& text, int room) {
  for (const FitChoice& kept : choices_[panel])
    if (kept.room == room && kept.text == text && kept.base == font()) return kept;
  FitChoice& made = choices_[panel][nextChoice_[panel]++ % kKept];
  made = {text, room, font(), font(), text};
  // A text wider than its panel (the string's offsets in the 200-pixel panel 0) is drawn in the
  // largest smaller font it fits in, down to kMinFontPx, rather than cut off; one that fits in
  // none is cut with an ellipsis in the bar's font. Most texts fit in the bar's own font, whose
  // metrics are at hand.
  constexpr int kMinFontPx = 8;
  if (fontMetrics().horizontalAdvance(text) <= room) return made;
  QFont font = this->font();
  const int normal = QFontInfo(font).pixelSize();
  for (int px = normal - 1; px >= kMinFontPx; --px) {
    font.setPixelSize(px);
    if (QFontMetrics(font).horizontalAdvance(text) <= room) {
      made.font = font;
      return made;
    }
  }
  made.shown = QFontMetrics(this->font()).elidedText(text, Qt::ElideRight, std::max(0, room));
  return made;
}

void QtStatusBar::setPanelText(int panel, const std::string& text) {
  if (panel < 0 || panel > 2) return;
  if (texts_[panel] == text) return;  // shown already (the display sets them on every keystroke)
  texts_[panel] = text;
  hints_[panel].clear();
  widget_->setFullText(panel, FromBytes(text));
  showTip(panel);  // the whole text, however narrow the panel
  if (panel == 2) {
    widget_->layoutPanels();
  } else {
    widget_->fitText(panel);
  }
}

std::string QtStatusBar::panelText(int panel) const {
  return panel >= 0 && panel <= 2 ? texts_[panel] : std::string();
}

void QtStatusBar::setPanelHint(int panel, const std::string& hint) {
  if (panel < 0 || panel > 2) return;
  if (hints_[panel] == hint) return;  // shown already, or to be when the panels are let go
  hints_[panel] = hint;
  showTip(panel);
}

void QtStatusBar::showTip(int panel) {
  if (held_) {
    tipStale_[panel] = true;
    return;
  }
  tipStale_[panel] = false;
  const QString tip = hints_[panel].empty() ? widget_->fullText(panel) : FromMessage(hints_[panel]);
  QLabel* label = widget_->panel(panel);
  if (label->toolTip() != tip) label->setToolTip(tip);
}

void QtStatusBar::setHeld(bool held) {
  held_ = held;
  if (held) return;
  for (int panel = 0; panel < 3; ++panel)
    if (tipStale_[panel]) showTip(panel);
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
