#pragma once

#include "app/RunView.h"
#include "common/Clock.h"
#include "dm/DmRunJournal.h"
#include "dm/DmSession.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace vantrelis::app {

class AppContext;
struct CommandLine;

// The journal side of one import run: its id, the same in every library it touches, and its row
// in each library that has the journal tables (started when the run starts work there, completed
// when it leaves). While the run writes to a library, the session's journal slot holds that
// library's journal, so that the engine and the object model journal each change they make.
class RunJournal {
public:
    RunJournal(dm::DmSession& session, const Clock& clock);
    ~RunJournal();
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    // "20261209-051530-K3QZ": the date and time, then four random characters of the base32 alphabet
    // (A-Z, 2-7), so that runs started in the same second still differ.
    static QString NewRunId(const QDateTime& now);
    // The switches that shaped a run, as its row keeps them: "/ADNF /ADEF --profile-from-line".
    static QString Options(const RunChoices& choices, const CommandLine& commandLine);
    // SHA-256 of a file's bytes in hex; empty when it cannot be read.
    static QString FileChecksum(const QString& file);

    // A new run (nothing is written yet). A check-only run is never journalled.
    void Begin(const RunChoices& choices, const QString& setName, const CommandLine& commandLine,
               bool checkOnly);
    const QString& runId() const { return m_record.runId; }

    // The run starts work on the session's current library: its row, when the library keeps a
    // journal. Raises when the library refuses the row (the run does not work there unjournalled).
    void LibraryStart();
    // The run leaves the library: completes its row with its counts and status. Never raises.
    void LibraryEnd(qint64 paths, qint64 folders, qint64 documents, qint64 errors,
                    const QString& status) noexcept;

private:
    dm::DmSession& m_session;
    const Clock& m_clock;
    bool m_checkOnly = true;
    dm::RunRecord m_record;
    std::shared_ptr<dm::DmRunJournal> m_journal;
};

// One line of `--runs` for one run in one library.
QString RunLine(const QString& libraryName, const dm::RunRecord& run);
// The line for a library that keeps no journal.
QString NoJournalLine(const QString& libraryName);

// The libraries whose journals a listing or an undo reads: the current one, then the ticked ones.
QStringList JournalLibraries(const dm::DmSession& session, const RunChoices& choices);
// Local time as a journal row keeps it: "2026-12-09T05:15:30".
QString IsoTimeText(const QDateTime& time);

// One run in one library.
struct ListedRun {
    QString library;
    dm::RunRecord run;
};
// The runs of the current library and of the ticked ones, newest first (the same run in two
// libraries together, in the libraries' order), and a line for each library without the journal
// tables (or that could not be opened). The current library is connected again afterwards.
struct RunListing {
    std::vector<ListedRun> runs;
    QStringList without;
};
RunListing CollectRuns(AppContext& context, const RunChoices& choices);

// `--runs`: CollectRuns as lines, a line per run and library, then the libraries without runs.
QStringList ListRuns(AppContext& context, const RunChoices& choices);

} // namespace vantrelis::app
