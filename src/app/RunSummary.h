#pragma once

#include <QString>

namespace vantrelis::app {

// What one run did, for the summary line of an unattended run and its exit status.
struct RunSummary {
    qint64 paths = 0;
    int libraries = 0;             // libraries whose paths were walked
    qint64 folders = 0;            // folders created
    qint64 documents = 0;          // documents filed
    qint64 errors = 0;             // paths that failed, documents not filed, libraries skipped
    bool stopped = false;          // a check, a fault or the user ended it before its end
    bool checkOnly = false;        // nothing was written: the folders and documents are what would be
    bool reportIncomplete = false; // a write to the per-line report failed
    bool logIncomplete = false;    // a write to the log file failed
    QString logFile;

    // 0 finished without errors, 1 finished with errors counted or an incomplete report or log,
    // 2 stopped.
    int ExitStatus() const;
    // One line: what the run did and where its log is.
    QString Line() const;
};

} // namespace vantrelis::app
