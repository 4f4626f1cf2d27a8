#include "qt/qt_row_cache.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPaintEngine>
#include <QPainter>
#include <QStyle>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace ts2::qt {

namespace {

bool Integral(qreal value) {
  return value == std::floor(value);
}

}  // namespace

bool IsQtOwnStyle(const QStyle* style) {
  const char* name = style->metaObject()->className();
  return std::strcmp(name, "QFusionStyle") == 0 || std::strcmp(name, "QWindowsStyle") == 0;
}

bool RowCacheDelegate::Key::operator==(const Key& other) const {
  // The cheap fields first; the text, palette and font only for a row that matches the rest.
  return icon == other.icon && state == other.state && features == other.features &&
         direction == other.direction && displayAlignment == other.displayAlignment &&
         decorationAlignment == other.decorationAlignment && elide == other.elide &&
         decorationPosition == other.decorationPosition && checkState == other.checkState &&
         viewItemPosition == other.viewItemPosition && hints == other.hints &&
         showDecorationSelected == other.showDecorationSelected && size == other.size &&
         decorationSize == other.decorationSize && widget == other.widget && style == other.style &&
         format == other.format && data == other.data && rowBackground == other.rowBackground &&
         underRow == other.underRow && font == other.font && locale == other.locale &&
         palette == other.palette;
}

RowCacheDelegate::RowCacheDelegate(QAbstractItemView* view) : QStyledItemDelegate(view), view_(view) {}

void RowCacheDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  const QWidget* widget = option.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  // What QStyledItemDelegate::paint does.
  const auto plain = [&] {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
  };

  const QWidget* viewport = view_->viewport();
  const QImage* image = caching_ ? PaintedImage(*painter) : nullptr;
  if (!image || !IsQtOwnStyle(style) || !viewport->autoFillBackground()) return plain();
  const QBrush underRow = viewport->palette().brush(viewport->backgroundRole());
  if (underRow.style() != Qt::SolidPattern || underRow.color().alpha() != 255) return plain();

  std::array<QModelRoleData, kRoles> roles{
      QModelRoleData(Qt::FontRole),       QModelRoleData(Qt::TextAlignmentRole),
      QModelRoleData(Qt::ForegroundRole), QModelRoleData(Qt::CheckStateRole),
      QModelRoleData(Qt::DisplayRole),    QModelRoleData(Qt::DecorationRole),
      QModelRoleData(Qt::BackgroundRole)};
  index.multiData(roles);
  Key key;
  for (int i = 0; i < kRoles; ++i)
    key.data[static_cast<size_t>(i)] = std::move(roles[static_cast<size_t>(i)].data());
  QVariant& decoration = key.data[5];
  if (decoration.isValid() && !decoration.isNull()) {
    if (decoration.userType() != QMetaType::QIcon) return plain();  // colours, images: not kept
    key.icon = qvariant_cast<QIcon>(decoration).cacheKey();
    if (key.icon == 0) return plain();
    decoration = QVariant();  // the icon's key stands for it
  }
  key.state = static_cast<int>(option.state);
  key.features = static_cast<int>(option.features);
  key.direction = static_cast<int>(option.direction);
  key.displayAlignment = static_cast<int>(option.displayAlignment);
  key.decorationAlignment = static_cast<int>(option.decorationAlignment);
  key.elide = static_cast<int>(option.textElideMode);
  key.decorationPosition = static_cast<int>(option.decorationPosition);
  key.checkState = static_cast<int>(option.checkState);
  key.viewItemPosition = static_cast<int>(option.viewItemPosition);
  key.hints = static_cast<int>(painter->renderHints());
  key.showDecorationSelected = option.showDecorationSelected;
  key.size = option.rect.size();
  key.decorationSize = option.decorationSize;
  key.palette = option.palette;
  key.font = option.font;
  key.locale = option.locale;
  key.rowBackground = option.backgroundBrush;
  key.underRow = underRow;
  key.widget = widget;
  key.style = style;
  key.format = image->format();
  ++paints_;
  for (Entry& entry : entries_) {
    if (!(entry.key == key)) continue;
    entry.used = paints_;
    painter->save();
    painter->setCompositionMode(QPainter::CompositionMode_Source);  // the kept pixels as they were
    painter->drawImage(option.rect.topLeft(), entry.pixels);
    painter->restore();
    ++copies_;
    return;
  }

  plain();
  // Kept only when the whole row was just painted: the row's pixels are then the viewport's fill
  // and Qt's drawing of the row (the style clips it to the row).
  QImage pixels = WholePaint(*painter, *image, option.rect);
  if (!pixels.isNull()) KeepEntry(entries_, Entry{std::move(key), std::move(pixels), paints_}, kEntries);
}

const QImage* PaintedImage(const QPainter& painter) {
  QPaintEngine* engine = painter.paintEngine();
  QPaintDevice* device = engine ? engine->paintDevice() : nullptr;
  const QTransform& toDevice = painter.deviceTransform();
  if (!device || device->devType() != QInternal::Image || toDevice.type() > QTransform::TxTranslate ||
      !Integral(toDevice.dx()) || !Integral(toDevice.dy()) || painter.opacity() != 1.0 ||
      painter.compositionMode() != QPainter::CompositionMode_SourceOver)
    return nullptr;
  return static_cast<const QImage*>(device);
}

QImage WholePaint(QPainter& painter, const QImage& image, const QRect& rect) {
  const QTransform& toDevice = painter.deviceTransform();
  const QRect inDevice = rect.translated(static_cast<int>(toDevice.dx()), static_cast<int>(toDevice.dy()));
  if (inDevice.isEmpty() || !image.rect().contains(inDevice)) return {};
  QRegion painted = painter.paintEngine()->systemClip();
  if (painted.isEmpty()) painted = image.rect();
  if (painter.hasClipping()) painted &= toDevice.map(painter.clipRegion());
  if (!QRegion(inDevice).subtracted(painted).isEmpty()) return {};
  return image.copy(inDevice);
}

}  // namespace ts2::qt
