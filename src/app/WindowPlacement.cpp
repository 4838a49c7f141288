#include "app/WindowPlacement.h"

#include "common/Text.h"

namespace vantrelis::app {

namespace {

int PlaceEdge(const QString& saved, int screenStart, int screenLength, int windowLength) {
    const int centred = screenStart + (screenLength - windowLength) / 2;
    if (TrimBlanks(saved).isEmpty())
        return centred;
    const qint64 edge = LeadingWhole(saved);
    if (edge < screenStart || edge >= screenStart + screenLength)
        return centred;
    return static_cast<int>(edge);
}

} // namespace

QPoint PlaceWindow(const QString& savedLeft, const QString& savedTop, const QRect& screen,
                   const QSize& window) {
    return {PlaceEdge(savedLeft, screen.left(), screen.width(), window.width()),
            PlaceEdge(savedTop, screen.top(), screen.height(), window.height())};
}

} // namespace vantrelis::app
