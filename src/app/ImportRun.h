#pragma once

#include "app/AppContext.h"
#include "app/ColumnTable.h"
#include "app/DocumentFiler.h"
#include "app/ImportFileReader.h"
#include "app/LineProfileFill.h"
#include "app/PathOutcome.h"
#include "app/PathWalk.h"
#include "app/RunJournal.h"
#include "app/RunProgress.h"
#include "app/RunReport.h"
#include "app/RunSummary.h"
#include "app/RunView.h"
#include "engine/FolderOperations.h"
#include "engine/folders/CheckOnlyFolders.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <functional>

namespace vantrelis::app {

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

    // Go, or with `checkOnly` "Check only": the same run, but nothing is written and the log says
    // what Go would create and file (as with --check).
    void Button_Go_Click(bool checkOnly = false);

    const RunSummary& summary() const { return m_summary; }

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
    // How a library's visit ended, for the report's lines that were not walked.
    struct LibraryEnd {
        QString error;       // why the library (or the rest of it) was left; empty: walked or stopped
        bool failed = false; // its remaining lines failed (another writer held it) rather than skipped
    };
    // Walks the library's paths; false when the run stops.
    bool ProcessLibrary(int index, const QString& caption, const QString& setName, LibraryEnd& end);
    // The rights error line (empty when the rights are there); `passing` is set when the rights could
    // not be read because another writer held the library.
    QString HasFolderRights(bool& passing);
    // Whether another writer has held the current library for as long as the run waits for it.
    bool LibraryHeld() const;
    // Leaves the library that another writer holds: one error line, and the paths from `firstPath`
    // (1-based) on counted as failed.
    void GiveUpLibrary(const QString& name, qint64 firstPath, LibraryEnd& end);
    // The reason of the lines left because another writer holds the library.
    static QString HeldReason(const QString& name);
    void LoadForeignColumns();
    void Finish() noexcept;
    // The outcome of a path in the counters and the summary.
    void Count(const PathOutcome& outcome);
    void ShowRate();
    bool OpenReport();
    void ReportFailed(const QString& reason);

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
    qint64 m_errorCount = 0; // paths of the library that failed (the Errors counter)
    qint64 m_addedCount = 0; // paths of the library that created their folder (the Added counter)
    RunProgress m_progress;
    QElapsedTimer m_runTimer;
    bool m_stopped = false;
    RunSummary m_summary;
    ImportLines m_lines;

    DocumentFiler m_filer;
    PathWalk m_walk;
    RunReport m_report;
    RunJournal m_journal;
};

} // namespace vantrelis::app
