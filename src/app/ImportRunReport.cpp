// The per-line report of a run: one row for every import file line in every library the run went
// to, in file order, written as the run goes.

#include "app/ImportRun.h"
#include "common/Text.h"

#include <limits>

namespace vantrelis::app {

bool ImportRun::OpenReport() {
    const QString fileName = m_context.commandLine().reportFile;
    if (fileName.isEmpty())
        return true;
    if (!m_report.Open(fileName)) {
        const QString text = QStringLiteral("Error: Report file ") + fileName +
                             QStringLiteral(" cannot be written (") + m_report.error() +
                             QStringLiteral(") - cannot continue");
        return CheckFailed(text, text);
    }
    m_context.log().setErrorWatch([this](const QString& line) {
        if (m_firstError.isEmpty())
            m_firstError = line;
    });
    // Even the header row may not fit.
    NoteReportFailure();
    return true;
}

void ImportRun::ReportLibraryStart(const QString& caption) {
    m_reportLibrary = caption;
    m_nextSkipped = 0;
    m_reportedPaths = 0;
    m_librariesBefore = m_summary.libraries;
    m_firstError.clear();
}

void ImportRun::ReportPathStart() {
    m_leaf = 0;
    m_firstError.clear();
    m_pathBefore = m_summary;
    m_pathErrorsBefore = m_errorCount;
}

void ImportRun::ReportLinesBefore(qint64 line) {
    for (; m_nextSkipped < m_lines.skipped.size() && m_lines.skipped.at(m_nextSkipped).line < line;
         ++m_nextSkipped) {
        const ImportLines::Skipped& skipped = m_lines.skipped.at(m_nextSkipped);
        LineReport::Row row;
        row.line = skipped.line;
        row.library = m_reportLibrary;
        row.outcome = QStringLiteral("skipped");
        row.error = skipped.reason;
        WriteReportRow(row);
    }
}

void ImportRun::ReportPathEnd(qint64 pathIndex) {
    if (!m_report.isOpen() || pathIndex > m_lines.pathLines.size())
        return;
    LineReport::Row row;
    row.line = m_lines.pathLines.at(pathIndex - 1);
    ReportLinesBefore(row.line);
    row.library = m_reportLibrary;
    row.path = m_paths.at(pathIndex - 1);
    row.foldersCreated = m_summary.folders - m_pathBefore.folders;
    row.documentsFiled = m_summary.documents - m_pathBefore.documents;
    row.documentErrors = m_summary.errors - m_pathBefore.errors;
    row.folder = m_folders.IsPlanned(m_leaf) ? 0 : m_leaf;
    row.error = m_firstError;
    if (m_errorCount > m_pathErrorsBefore)
        row.outcome = QStringLiteral("failed");
    else if (m_leaf == 0)
        row.outcome = QStringLiteral("skipped");
    else if (row.documentErrors > 0)
        // The folder is there but not all its documents: a rerun of the failed lines must take it.
        row.outcome = QStringLiteral("partial");
    else if (row.foldersCreated > 0)
        row.outcome = m_folders.checkOnly() ? QStringLiteral("would-create") : QStringLiteral("created");
    else
        row.outcome = QStringLiteral("found");
    if (row.outcome == QLatin1String("skipped") && row.error.isEmpty())
        row.error = StopRequested() ? QStringLiteral("the run was stopped before the path was done")
                                    : QStringLiteral("the path is blank");
    WriteReportRow(row);
    m_reportedPaths = pathIndex;
}

void ImportRun::ReportLibraryEnd() {
    if (!m_report.isOpen())
        return;
    // What stopped the library before its paths: the first error since it began, or the stop.
    const bool walked = m_summary.libraries > m_librariesBefore;
    const QString reason = walked || m_firstError.isEmpty()
                               ? QStringLiteral("not processed - the run was stopped before this line")
                               : QStringLiteral("not processed - ") + m_firstError;
    for (qint64 j = m_reportedPaths + 1; j <= m_lines.pathLines.size(); ++j) {
        LineReport::Row row;
        row.line = m_lines.pathLines.at(j - 1);
        ReportLinesBefore(row.line);
        row.library = m_reportLibrary;
        row.path = m_paths.at(j - 1);
        row.outcome = QStringLiteral("skipped");
        row.error = reason;
        WriteReportRow(row);
    }
    ReportLinesBefore(std::numeric_limits<qint64>::max());
}

void ImportRun::WriteReportRow(const LineReport::Row& row) {
    m_report.Write(row);
    NoteReportFailure();
}

void ImportRun::NoteReportFailure() {
    if (!m_report.failed() || m_summary.reportIncomplete)
        return;
    // The library work goes on; the run ends with errors and says the report is incomplete.
    m_summary.reportIncomplete = true;
    const QString text = QStringLiteral("Error: Report file ") + m_context.commandLine().reportFile +
                         QStringLiteral(" could not be written (") + m_report.error() +
                         QStringLiteral(") - the report is incomplete");
    m_context.log().WriteLog(text);
    if (m_errorOutput)
        m_errorOutput(text);
}

void ImportRun::CloseReport() noexcept {
    m_context.log().setErrorWatch({});
    m_report.Close();
}

} // namespace vantrelis::app
