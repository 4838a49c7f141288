#pragma once

#include "app/AppContext.h"
#include "app/ColumnTable.h"
#include "app/ImportFileReader.h"
#include "app/LineProfileFill.h"
#include "app/LineReport.h"
#include "app/RunProgress.h"
#include "app/RunView.h"
#include "engine/FolderOperations.h"
#include "engine/folders/CheckOnlyFolders.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <functional>

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

// The import run (`Button_Go_Click`): checks the window's choices, reads the import file into
// folder paths and, library by library, finds or creates every level of every path and files the
// rule's documents into the deepest folder. Talks to the window only through the run view.
class ImportRun {
public:
    ImportRun(AppContext& context, RunView& view, engine::FolderOperations& folders);

    // Receives the summary line at the end of every run (an unattended run prints it).
    void setSummaryOutput(std::function<void(const QString&)> output) { m_summaryOutput = std::move(output); }
    // Receives the errors that must reach someone even when nobody reads the log (standard error
    // unless set).
    void setErrorOutput(std::function<void(const QString&)> output) { m_errorOutput = std::move(output); }

    void Button_Go_Click();

    const RunSummary& summary() const { return m_summary; }

    // The colours of the status label's text while running and idle (0x00BBGGRR).
    static constexpr quint32 kRunningColour = 0x000000C0;
    static constexpr quint32 kIdleColour = 0x00C00000;
    // The longest time the documents filed into a folder wait for their commit (and another writer
    // for the library).
    static constexpr qint64 kBatchMs = 100;

private:
    // The rule row's facts for one library.
    struct Rule {
        int row = 0;
        QString templateText;
        QString security;
        QString form;
    };

    bool Checks(const RunChoices& choices, const QString& setName);
    bool CheckFailed(const QString& logText, const QString& boxText);
    Rule FindRule(const QString& setName) const;
    bool Prepare(const RunChoices& choices, const QString& setName, const Rule& rule);
    void ProcessLibraries(const RunChoices& choices, const QString& setName);
    bool ProcessLibrary(int index, const QString& caption, const QString& setName);
    bool HasFolderRights();
    void LoadForeignColumns();
    void Finish() noexcept;

    // One path and its documents (ImportRunWalk.cpp).
    void WalkPath(qint64 pathIndex, const Rule& rule);
    bool ParentFolderExists(qint32 parent);
    qint32 FindTopLevelFolder(const QString& level);
    qint32 FindFolderInParent(const QString& level, qint32 parent);
    void FileDocuments(qint64 pathIndex, qint32 folder, bool folderExisted, bool sortFlag, const Rule& rule);
    void ShowRate();

    // The per-line report (ImportRunReport.cpp): opened with the checks, one row per path as it is
    // walked, and the lines left over of each library.
    bool OpenReport();
    void ReportLibraryStart(const QString& caption);
    void ReportPathStart();
    void ReportPathEnd(qint64 pathIndex);
    void ReportLinesBefore(qint64 line);
    void ReportLibraryEnd();
    void WriteReportRow(const LineReport::Row& row);
    void NoteReportFailure();
    void CloseReport() noexcept;

    bool Unattended() const;
    bool StopRequested() const;

    AppContext& m_context;
    RunView& m_view;
    // The folder engine, or in a check-only run the plan of what it would do.
    engine::CheckOnlyFolders m_folders;
    std::function<void(const QString&)> m_summaryOutput;
    std::function<void(const QString&)> m_errorOutput;
    // New folders take their line's lookup values (the import file's lines are kept then).
    LineProfileFill m_profileFill;
    bool m_fillFromLine = false;

    // Working values of the run.
    RunChoices m_choices;
    ColumnTable m_columns;
    QStringList m_paths;
    QString m_savedStatus;
    QString m_savedLibrary;
    QString m_libraryName;
    qint64 m_errorCount = 0;
    qint64 m_addedCount = 0;
    RunProgress m_progress;
    QElapsedTimer m_runTimer;
    bool m_stopped = false;
    RunSummary m_summary;

    // The per-line report's state.
    LineReport m_report;
    ImportLines m_lines;
    QString m_reportLibrary;
    qsizetype m_nextSkipped = 0;
    qint64 m_reportedPaths = 0;
    int m_librariesBefore = 0;
    qint32 m_leaf = 0; // the folder the walk reached for the current path
    QString m_firstError;
    RunSummary m_pathBefore;
    qint64 m_pathErrorsBefore = 0;
};

} // namespace vantrelis::app
