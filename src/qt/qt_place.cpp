#include "qt/qt_place.h"

#include <algorithm>
#include <cstdlib>

namespace ts2::qt {

QPoint ToolWindowPlace(const QSize& frame, const QRect& main, const std::vector<QRect>& shown,
                       const QRect& screen) {
  constexpr int kGap = 4;
  constexpr int kCascade = 28;  // about a title bar: the window below still shows its caption
  const auto isFree = [&](const QPoint& at) {
    const QRect r(at, frame);
    if (!screen.contains(r) || r.intersects(main)) return false;
    return std::none_of(shown.begin(), shown.end(), [&](const QRect& w) { return r.intersects(w); });
  };
  int rightEdge = main.right();
  for (const QRect& w : shown) rightEdge = std::max(rightEdge, w.right());
  std::vector<QPoint> places = {{main.left() - kGap - frame.width(), main.top()},
                                {rightEdge + 1 + kGap, main.top()}};
  for (const QRect& w : shown) places.emplace_back(w.left(), w.bottom() + 1 + kGap);
  for (const QPoint& at : places)
    if (isFree(at)) return at;

  const auto onScreen = [&](QPoint at) {
    at.setX(std::clamp(at.x(), screen.left(), std::max(screen.left(), screen.right() + 1 - frame.width())));
    at.setY(std::clamp(at.y(), screen.top(), std::max(screen.top(), screen.bottom() + 1 - frame.height())));
    return at;
  };
  QPoint at = onScreen(main.center() - QPoint(frame.width() / 2, frame.height() / 2));
  // Off the corner of any window already there, one step per window at most, as far as the
  // screen allows.
  const auto taken = [&](const QPoint& p) {
    return std::any_of(shown.begin(), shown.end(), [&](const QRect& w) {
      return std::abs(w.left() - p.x()) < kCascade && std::abs(w.top() - p.y()) < kCascade;
    });
  };
  for (size_t step = 0; step < shown.size() && taken(at); ++step) {
    const QPoint next = onScreen(at + QPoint(kCascade, kCascade));
    if (next == at) break;
    at = next;
  }
  return at;
}

}  // namespace ts2::qt
