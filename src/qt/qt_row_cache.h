// A list row painter that keeps the pixels of the rows it painted last and copies them back when
// a row is to be painted again exactly as before.
#pragma once

#include <QFont>
#include <QIcon>
#include <QImage>
#include <QLocale>
#include <QPalette>
#include <QStyledItemDelegate>
#include <QVariant>
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

class QAbstractItemView;
class QPainter;
class QStyle;

namespace ts2::qt {

// Paints rows as QStyledItemDelegate does. After Qt's own paint of a row that lies wholly inside
// the part being repainted, the row's pixels are read back from the window's image; a later
// paint of a row with the same inputs (the row's data, the view's option: state, size, palette,
// font...; the style, the background under it, the painter's hints) copies them instead of
// making the row's option and laying out and drawing its text and icon again. The edited string's row is
// repainted on every keystroke with one of a few marks.
//
// Rows are painted the plain way whenever the copy could differ from Qt's paint: a style other
// than Qt's own Fusion and Windows styles (another style may read the widget or animate), a
// scaled or fractionally placed painter (device pixel ratio above 1), an image the painter does
// not draw into, a translucent background, opacity or another composition mode.
// Qt's own styles whose drawing reads the option alone (and the painter): no animation, no widget
// state. A style sheet or a platform's style is not one of them.
bool IsQtOwnStyle(const QStyle* style);

// The image `painter` draws into (a window's backing store) when it draws at whole device pixels,
// unscaled, opaque and over what is there: pixels read back from it are what a paint drew.
const QImage* PaintedImage(const QPainter& painter);

// A copy of `rect` (in the painter's coordinates, which differ from the image's by a whole
// translation) of `image`, the image `painter` draws into, when the paint just made covered all of
// it (the engine's system clip and the painter's own clip); a null image otherwise.
QImage WholePaint(QPainter& painter, const QImage& image, const QRect& rect);

// `entry` kept among at most `most`, in place of the one used longest ago when they are as many.
template <typename Entry>
void KeepEntry(std::vector<Entry>& entries, Entry entry, size_t most) {
  if (entries.size() < most) {
    entries.push_back(std::move(entry));
    return;
  }
  *std::min_element(entries.begin(), entries.end(),
                    [](const Entry& a, const Entry& b) { return a.used < b.used; }) = std::move(entry);
}

class RowCacheDelegate : public QStyledItemDelegate {
 public:
  explicit RowCacheDelegate(QAbstractItemView* view);
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  // Off: every row is painted by Qt; what is kept stays for when it is on again.
  void setCaching(bool on) { caching_ = on; }
  void clear() { entries_.clear(); }
  int copies() const { return copies_; }  // rows copied from the kept pixels so far

 private:
  // The roles QStyledItemDelegate::initStyleOption reads, in its order.
  static constexpr int kRoles = 7;
  // Everything the drawing of a row reads: the option as the view gives it and the row's data,
  // from which initStyleOption makes the option the style draws, and the rest.
  struct Key {
    std::array<QVariant, kRoles> data;  // the decoration as an icon's key instead
    qint64 icon = 0;
    int state = 0, features = 0, direction = 0, displayAlignment = 0, decorationAlignment = 0;
    int elide = 0, decorationPosition = 0, checkState = 0, viewItemPosition = 0, hints = 0;
    bool showDecorationSelected = false;
    QSize size, decorationSize;
    QPalette palette;
    QFont font;
    QLocale locale;
    QBrush rowBackground, underRow;  // the option's brush; the viewport's fill under the row
    const QWidget* widget = nullptr;
    const QStyle* style = nullptr;
    QImage::Format format = QImage::Format_Invalid;
    bool operator==(const Key& other) const;
  };
  struct Entry {
    Key key;
    QImage pixels;
    uint64_t used = 0;  // when it was last painted or copied
  };
  static constexpr size_t kEntries = 8;  // a few marks of a few rows

  QAbstractItemView* view_;
  bool caching_ = true;
  mutable std::vector<Entry> entries_;
  mutable uint64_t paints_ = 0;
  mutable int copies_ = 0;
};

}  // namespace ts2::qt
