#pragma once

#include <QString>

namespace vantrelis::app {

// Rate and time left of a run: items (paths walked and documents handled) per second since the run
// began, and the time that the paths still to walk in all its libraries take at the pace so far.
class RunProgress {
public:
    // Nothing done; the first text comes with the first item.
    void Start();
    void ItemDone() { ++m_items; }
    // A path is walked; `pathsLeft` are still to walk in this and the libraries after it.
    void PathDone(qint64 pathsLeft);

    // The text at `elapsedMs` since Start(): "N items/s", with ", about h:mm:ss left" once a path is
    // done. A null string while the last text is less than kIntervalMs old.
    QString Rate(qint64 elapsedMs);

    static constexpr qint64 kIntervalMs = 250;

    // "h:mm:ss"
    static QString Duration(qint64 seconds);

private:
    qint64 m_items = 0;
    qint64 m_pathsDone = 0;
    qint64 m_pathsLeft = 0;
    qint64 m_lastAt = -1;
};

} // namespace vantrelis::app
