#pragma once

#include "app/ImportFileReader.h"
#include "app/LineReport.h"
#include "app/PathOutcome.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace vantrelis::app {

// The per-line report of a run: one row for every import file line in every library the run went
// to, in file order, written as the run goes. The rows of the paths come from their outcomes.
class RunReport {
public:
    // `lines` and `paths` are the run's: where each path came from, and the paths.
    RunReport(const ImportLines& lines, const QStringList& paths);

    // Receives the reason once, when a write first fails (the report is incomplete from there).
    void setFailureOutput(std::function<void(const QString&)> output) { m_failureOutput = std::move(output); }

    // Creates the file with its header row; false with the reason in error().
    bool Open(const QString& fileName);
    bool isOpen() const { return m_file.isOpen(); }
    const QString& error() const { return m_file.error(); }

    void LibraryStart(const QString& caption);
    // The row of path `pathIndex` (1-based). `planned`: its folder is only planned by a check.
    void PathEnd(qint64 pathIndex, const PathOutcome& outcome, bool planned, bool checkOnly, bool stopped);
    // The lines of the library not yet reported, for `reason` (the error that left the library; empty:
    // the run stopped): failed when `failed` (the library was held by another writer; a rerun does
    // them), else skipped.
    void LibraryEnd(const QString& reason, bool failed);
    void Close();

private:
    // The lines that gave no path, up to `line`.
    void LinesBefore(qint64 line);
    void Write(const LineReport::Row& row);
    void NoteFailure();

    const ImportLines& m_lines;
    const QStringList& m_paths;
    LineReport m_file;
    std::function<void(const QString&)> m_failureOutput;
    bool m_failureTold = false;
    QString m_library;
    qsizetype m_nextSkipped = 0;
    qint64 m_reportedPaths = 0;
};

} // namespace vantrelis::app
