#pragma once

#include "common/Log.h"
#include "dm/SqlGateway.h"
#include "dm/SqlTransaction.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vantrelis::engine {

// One change of a run as its journal row holds it.
struct JournalChange {
    qint64 seq = 0;
    QString kind; // "FOLDER", "ITEM", "TRUSTEES", "PROFILE", "CHAIN"
    qint64 docNumber = 0;
    qint64 parent = 0;
    qint64 itemRow = 0;
    QString before;
    QString after;
};

// What taking back one change did (or, in a check, would do).
struct UndoStep {
    JournalChange change;
    // "undone": taken back; "kept": left as it is, for `reason`; "gone": what the run did is no longer
    // there (nothing to take back); "failed": the library refused, a rerun tries again; "would-undo"
    // (a check): would be taken back.
    QString outcome;
    QString reason;
};

// Counts of one undo in one library.
struct UndoCounts {
    qint64 itemsUnlinked = 0;
    qint64 foldersRemoved = 0;
    qint64 trusteesRestored = 0;
    qint64 profilesRestored = 0;
    qint64 chainsRestored = 0; // folders whose order a sort changed, put back
    qint64 kept = 0;
    qint64 failed = 0;
    qint64 alreadyDone = 0; // changes an earlier undo took back or kept
    qint64 total() const {
        return itemsUnlinked + foldersRemoved + trusteesRestored + profilesRestored + chainsRestored;
    }
};

// Takes back what one import run did to the session's current library, by its journal: newest change
// first, each folder or document in a transaction of its own that also marks the change as taken
// back, so that an interrupted undo is completed by running it again and a complete one does nothing
// more. It removes only what the run created, and restores a trustee list or profile value only
// where it still is what the run left; anything else is kept and reported.
class RunUndo {
public:
    enum class Answer {
        Done,      // the run's changes here were gone through (see counts for what was kept or failed)
        NoJournal, // the library keeps no run journal
        NotHere,   // the run did not work in this library
        Stopped,   // stopRequested said stop between two changes
        Held,      // another writer held the library past the wait; a second undo goes on
    };

    RunUndo(dm::SqlGateway& gateway, Log& log);

    // `check`: reads and reports only. `step` hears every change as it is gone through; `stop` is
    // asked between changes.
    Answer Undo(const QString& runId, bool check, const std::function<void(const UndoStep&)>& step,
                const std::function<bool()>& stop = {});

    const UndoCounts& counts() const { return m_counts; }
    // The id of the undo's own journal row ("" in a check).
    void setUndoId(const QString& undoId) { m_undoId = undoId; }

private:
    bool ReadChanges(const QString& runId, std::vector<JournalChange>& pending);
    static bool GroupsByDocument(const JournalChange& change);
    UndoStep Dispatch(const JournalChange& change);
    // The step of a change whose undo raised (inside a catch): failed, with why.
    UndoStep Failed(const JournalChange& change);
    // One change in its own transaction.
    UndoStep UndoOne(const JournalChange& change);
    // Changes begin..end of one document in one transaction: all taken back (or kept), or all failed.
    std::vector<UndoStep> UndoDocument(const std::vector<JournalChange>& pending, std::size_t begin,
                                       std::size_t end);
    // The change's own transaction: none in a check or inside a document's transaction.
    std::unique_ptr<dm::SqlTransaction> Begin(std::optional<qint64> folder);
    // Writes the marks and commits (nothing without a transaction of its own).
    void Commit(std::unique_ptr<dm::SqlTransaction>& scope);
    void WriteMarks();
    // A journal row that cannot be taken back safely (unreadable, unknown): kept and reported.
    UndoStep Unreadable(const JournalChange& change, const QString& reason);
    // A change taken back: its mark, the commit of its own transaction, the count and the log line.
    UndoStep TakenBack(const JournalChange& change, std::unique_ptr<dm::SqlTransaction>& scope, qint64& count,
                       const QString& logLine);
    UndoStep UndoItem(const JournalChange& change);
    UndoStep UndoFolder(const JournalChange& change);
    UndoStep UndoTrustees(const JournalChange& change);
    UndoStep UndoProfile(const JournalChange& change);
    UndoStep UndoChain(const JournalChange& change);
    // A FOLDER_ITEM row's place in its folder's chain.
    struct ChainPlace {
        qint64 row = 0;
        qint64 parent = 0;
        qint64 next = 0;
        bool isFirst = false;
        qint64 previous = 0; // the row it was linked after, as the journal has it (0: unknown)
        QString displayName;
    };
    // The row's place; `present` false when the folder has no such row for that document.
    ChainPlace ReadPlace(qint64 row, qint64 parent, qint64 docNumber, bool& present);
    // Takes the row out of its chain: the row before it leads to the one after it, and when it headed
    // the chain that one heads it now.
    bool Unlink(const ChainPlace& place);
    void Mark(const JournalChange& change, const QString& mark);
    bool Send(const QString& statement);
    qint64 Count(const QString& statement);
    // Another run's change of a folder this run created, not taken back: that run's id, or empty.
    QString LaterRunNote(qint64 docNumber) const { return m_laterRuns.value(docNumber); }
    // Reads which other runs changed the folders this run created (LaterRunNote), all at once.
    void ReadLaterRuns();

    dm::SqlGateway& m_gateway;
    Log& m_log;
    QString m_runId;
    QString m_undoId;
    QString m_runStatus;
    QString m_runStarted;
    // The folders this run created that another run changed since, and that run.
    QHash<qint64, QString> m_laterRuns;
    bool m_check = false;
    bool m_grouped = false;
    // The marks of the transaction in progress, as VALUES rows.
    QStringList m_marks;
    UndoCounts m_counts;
    // A check takes nothing out: the items it would unlink, by folder, so that a folder emptied by
    // the undo is seen as empty.
    QHash<qint64, qint64> m_wouldUnlink;
    // Each folder link's journal row (by FOLDER_ITEM row), and the links gone through with their folder.
    QHash<qint64, qint64> m_linkSeq;
    QSet<qint64> m_handledLinks;
    // A check changes nothing: what it would have restored so far, so that an earlier change of the
    // same document is compared with that rather than with the library.
    QHash<qint64, std::vector<std::pair<qint64, qint64>>> m_wouldTrustees;
    QHash<qint64, QHash<QString, QString>> m_wouldProfile;
    // Each linked row's journalled predecessor, by row.
    QHash<qint64, qint64> m_previous;
};

} // namespace vantrelis::engine
