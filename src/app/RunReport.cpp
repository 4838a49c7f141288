#include "app/RunReport.h"

#include <limits>

namespace vantrelis::app {

RunReport::RunReport(const ImportLines& lines, const QStringList& paths) : m_lines(lines), m_paths(paths) {}

bool RunReport::Open(const QString& fileName) {
    m_failureTold = false;
    if (!m_file.Open(fileName))
        return false;
    // Even the header row may not fit.
    NoteFailure();
    return true;
}

void RunReport::Write(const LineReport::Row& row) {
    m_file.Write(row);
    NoteFailure();
}

void RunReport::NoteFailure() {
    if (!m_file.failed() || m_failureTold)
        return;
    m_failureTold = true;
    if (m_failureOutput)
        m_failureOutput(m_file.error());
}

void RunReport::LibraryStart(const QString& caption) {
    m_library = caption;
    m_nextSkipped = 0;
    m_reportedPaths = 0;
}

void RunReport::LinesBefore(qint64 line) {
    for (; m_nextSkipped < m_lines.skipped.size() && m_lines.skipped.at(m_nextSkipped).line < line;
         ++m_nextSkipped) {
        const ImportLines::Skipped& skipped = m_lines.skipped.at(m_nextSkipped);
        LineReport::Row row;
        row.line = skipped.line;
        row.library = m_library;
        row.outcome = QStringLiteral("skipped");
        row.error = skipped.reason;
        Write(row);
    }
}

void RunReport::PathEnd(qint64 pathIndex, const PathOutcome& outcome, bool planned, bool checkOnly,
                        bool stopped) {
    if (!isOpen() || pathIndex > m_lines.pathLines.size())
        return;
    LineReport::Row row;
    row.line = m_lines.pathLines.at(pathIndex - 1);
    LinesBefore(row.line);
    row.library = m_library;
    row.path = m_paths.at(pathIndex - 1);
    row.foldersCreated = outcome.foldersCreated;
    row.documentsFiled = outcome.documentsFiled;
    row.documentErrors = outcome.documentErrors;
    row.folder = planned ? 0 : outcome.folder;
    row.error = outcome.firstError;
    switch (outcome.kind) {
    case PathOutcome::Kind::Failed:
        row.outcome = QStringLiteral("failed");
        break;
    case PathOutcome::Kind::Skipped:
        row.outcome = QStringLiteral("skipped");
        if (row.error.isEmpty())
            row.error = stopped ? QStringLiteral("the run was stopped before the path was done")
                                : QStringLiteral("the path is blank");
        break;
    case PathOutcome::Kind::Created:
    case PathOutcome::Kind::Found:
        if (outcome.documentErrors > 0)
            // The folder is there but not all its documents: a rerun of the failed lines must take it.
            row.outcome = QStringLiteral("partial");
        else if (outcome.kind == PathOutcome::Kind::Found)
            row.outcome = QStringLiteral("found");
        else
            row.outcome = checkOnly ? QStringLiteral("would-create") : QStringLiteral("created");
        break;
    }
    Write(row);
    m_reportedPaths = pathIndex;
}

void RunReport::LibraryEnd(const QString& reason, bool failed) {
    if (!isOpen())
        return;
    const QString error = reason.isEmpty()
                              ? QStringLiteral("not processed - the run was stopped before this line")
                              : QStringLiteral("not processed - ") + reason;
    for (qint64 j = m_reportedPaths + 1; j <= m_lines.pathLines.size(); ++j) {
        LineReport::Row row;
        row.line = m_lines.pathLines.at(j - 1);
        LinesBefore(row.line);
        row.library = m_library;
        row.path = m_paths.at(j - 1);
        row.outcome = failed ? QStringLiteral("failed") : QStringLiteral("skipped");
        row.error = error;
        Write(row);
    }
    LinesBefore(std::numeric_limits<qint64>::max());
}

void RunReport::Close() {
    m_file.Close();
}

} // namespace vantrelis::app
