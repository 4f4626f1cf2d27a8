#include "qt/qt_place.h"

#include <algorithm>
#include <limits>

namespace ts2::qt {

namespace {

qint64 Area(const QRect& r) {
  return r.isEmpty() ? 0 : qint64{r.width()} * r.height();
}

qint64 SquaredDistance(const QPoint& a, const QPoint& b) {
  const qint64 dx = a.x() - b.x(), dy = a.y() - b.y();
  return dx * dx + dy * dy;
}

}  // namespace

QRect ToolWindowPlace(const QSize& wanted, const QRect& main, const std::vector<QRect>& tools,
                      const std::vector<QRect>& windows, const QRect& screen) {
  constexpr int kGap = 4;
  // The main window and the editor's windows show the string the tool windows follow: hiding
  // some of them is worse than hiding as much of another tool window.
  constexpr qint64 kEditorWeight = 4;
  const QSize frame = wanted.boundedTo(screen.size());
  std::vector<QRect> all = tools;
  all.insert(all.end(), windows.begin(), windows.end());
  // How much of the others a frame there would hide, weighed.
  const auto hidden = [&](const QPoint& at) {
    const QRect r(at, frame);
    qint64 area = kEditorWeight * Area(r & main);
    for (const QRect& w : windows) area += kEditorWeight * Area(r & w);
    for (const QRect& w : tools) area += Area(r & w);
    return area;
  };
  const auto isFree = [&](const QPoint& at) { return screen.contains(QRect(at, frame)) && hidden(at) == 0; };
  int rightEdge = main.right();
  for (const QRect& w : all) rightEdge = std::max(rightEdge, w.right());
  std::vector<QPoint> places = {{main.left() - kGap - frame.width(), main.top()},
                                {rightEdge + 1 + kGap, main.top()}};
  for (const QRect& w : all) places.emplace_back(w.left(), w.bottom() + 1 + kGap);
  for (const QPoint& at : places)
    if (isFree(at)) return QRect(at, frame);

  // Against each edge of the windows and of the screen, beside it or in line with it.
  std::vector<int> xs = {screen.left(), screen.right() + 1 - frame.width()};
  std::vector<int> ys = {screen.top(), screen.bottom() + 1 - frame.height()};
  all.push_back(main);
  for (const QRect& w : all) {
    xs.insert(xs.end(), {w.left(), w.right() + 1 + kGap, w.left() - kGap - frame.width()});
    ys.insert(ys.end(), {w.top(), w.bottom() + 1 + kGap, w.top() - kGap - frame.height()});
  }
  QPoint at;
  qint64 least = std::numeric_limits<qint64>::max(), nearest = 0;
  for (const int x : xs)
    for (const int y : ys) {
      const QPoint p(std::clamp(x, screen.left(), screen.right() + 1 - frame.width()),
                     std::clamp(y, screen.top(), screen.bottom() + 1 - frame.height()));
      const qint64 area = hidden(p);
      const qint64 distance = SquaredDistance(p, main.topLeft());
      if (area < least || (area == least && distance < nearest)) {
        at = p;
        least = area;
        nearest = distance;
      }
    }
  return QRect(at, frame);
}

}  // namespace ts2::qt
