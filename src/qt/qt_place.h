// Where a tool window (Script Overview, Find in Script) first opens.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <vector>

namespace ts2::qt {

// The top-left corner for a window whose frame is `frame` large, on `screen` (its available part),
// where it covers neither the main window `main` nor any of `shown` (the frames of the other
// windows on screen: the Text Editor, List Data, the Kana Text and Hex Data windows, the other
// tool windows). Tried in turn: left of the main window; right of all of them; below each of
// `shown`, in their order. When none of these places is free: over the main window, centred, and
// moved down and right off any of `shown` whose corner is there, so that a second tool window
// never hides the first. Always on the screen.
QPoint ToolWindowPlace(const QSize& frame, const QRect& main, const std::vector<QRect>& shown,
                       const QRect& screen);

}  // namespace ts2::qt
