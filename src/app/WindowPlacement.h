#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

namespace vantrelis::app {

// Where the main window opens: the top left of its inside (the frame not counted, as it is saved), at
// the saved "Screen.Left" and "Screen.Top" (platform units) when
// each lies on the screen (from its first pixel up to, not including, its size); an edge that is
// not saved, or lies off the screen, is centred.
QPoint PlaceWindow(const QString& savedLeft, const QString& savedTop, const QRect& screen,
                   const QSize& window);

} // namespace vantrelis::app
