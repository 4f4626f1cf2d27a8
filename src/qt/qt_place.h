// Where a tool window (Script Overview, Find in Script, Glossary, Similar Strings) first opens.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <vector>

namespace ts2::qt {

// The place and size for a window whose frame is `frame` large, on `screen` (its available part),
// where it covers neither the main window `main` nor any of `tools` (the other tool windows on
// screen) and `windows` (the editor's other windows on screen: the Text Editor, List Data, the
// Kana Text and Hex Data windows). Tried in turn: left of the main window; right of all of them;
// below each of `tools`, then of `windows`, in their order. When none of these places is free: of
// the places along the edges of those windows and of the screen, the one that hides least of them,
// the editor's windows counting more than the tool windows (of equals, the one whose corner is
// nearest the main window's). Always on the screen, and never larger than it: the size is `frame`
// cut to the screen's.
QRect ToolWindowPlace(const QSize& frame, const QRect& main, const std::vector<QRect>& tools,
                      const std::vector<QRect>& windows, const QRect& screen);

}  // namespace ts2::qt
