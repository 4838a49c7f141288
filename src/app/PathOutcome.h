#pragma once

#include <QString>

namespace vantrelis::app {

// What the walk of one path did. The window's counters, the run's summary and the per-line report
// are all built from it.
struct PathOutcome {
    enum class Kind {
        Skipped, // nothing done: a blank path, or the run stopped before its end
        Created, // the deepest folder was created (or, in a check, would be)
        Found,   // the deepest folder was there
        Failed,  // a level could not be found or created
    };

    Kind kind = Kind::Skipped;
    qint32 folder = 0; // the deepest folder reached; 0 for none
    qint64 foldersCreated = 0;
    qint64 documentsFiled = 0;
    qint64 documentErrors = 0; // documents that could not be filed
    QString firstError;        // the first error the path met

    void noteError(const QString& text) {
        if (firstError.isEmpty())
            firstError = text;
    }
    // The errors the path adds to the run: its own failure and each document not filed.
    qint64 errors() const { return (kind == Kind::Failed ? 1 : 0) + documentErrors; }
};

} // namespace vantrelis::app
