#pragma once

#include "dm/RunJournalText.h"

#include <QString>
#include <optional>
#include <vector>

namespace vantrelis::dm {

// One run in one library, as its journal row holds it. Times are local ISO text
// ("2026-12-09T05:15:30"); an unfinished run has no end time.
struct RunRecord {
    QString runId;
    QString started;
    QString ended;
    QString user;
    QString machine;
    QString importFile;
    QString fileChecksum; // SHA-256 of the import file's bytes, in hex
    QString importSet;
    QString options; // the switches that shaped the run
    qint64 paths = 0;
    qint64 foldersAdded = 0;
    qint64 documentsFiled = 0;
    qint64 errors = 0;
    QString status; // "running", "finished", "stopped", "failed"
};

// What one run changed in one library, row by row, so that the run can be taken back. Each change
// is written in the transaction of the change itself: a rolled-back change leaves no row. A
// library without the journal tables has no journal (DmLibrary::runJournal answers nullptr).
// A row the library refuses raises Fault, at the call or at the commit of the change's transaction, so
// that the change fails with it.
class DmRunJournal {
public:
    virtual ~DmRunJournal() = default;

    // Writes the run's row; from here on changes are journalled under its id.
    virtual void startRun(const RunRecord& run) = 0;
    // Completes the run's row (end time, counts, status); later changes are not journalled.
    virtual void finishRun(const RunRecord& run) = 0;
    virtual bool active() const = 0;

    // A folder the run created: its parent (0 at the top level) and the FOLDER_ITEM row linking it
    // (0 for a top-level folder).
    virtual void folderCreated(qint64 docNumber, qint64 parent, qint64 linkRow) = 0;
    // An item linked into a parent's chain: its FOLDER_ITEM row, and the row it was linked after
    // (0 when it became the chain's first).
    virtual void itemLinked(qint64 itemRow, qint64 parent, qint64 docNumber, qint64 previousRow) = 0;
    // Whether a document was created by this run: its own trustees and columns need no journal
    // (taking the run back removes the document).
    virtual bool createdByRun(qint64 docNumber) const = 0;
    virtual void noteCreated(qint64 docNumber) = 0;
    // The document's trustee list as it stands, as the journal writes it: compact JSON, an array of
    // [trustee SYSTEM_ID, rights] in stored order. `profileId`, the profile's SYSTEM_ID when the
    // caller holds it, saves a lookup.
    virtual QString trusteeList(qint64 docNumber, qint64 profileId = 0) = 0;
    // `defaultRights`: what the caller set DEFAULT_RIGHTS to with the trustees, when it did (nothing
    // else of the profile changed); without it the journal reads the profile to see what changed.
    virtual void trusteesReplaced(qint64 docNumber, const QString& before, const QString& after,
                                  std::optional<qint64> defaultRights = std::nullopt) = 0;
    // Profile columns changed on an existing document: the columns that changed, their values before
    // and after.
    virtual void profileChanged(qint64 docNumber, const RunJournalText::ColumnList& before,
                                const RunJournalText::ColumnList& after) = 0;
    // A folder's chain relinked in place (a sort): the rows it rewrote, as RunJournalText::ChainRows
    // gives them, before and after.
    virtual void chainRewritten(qint64 folder, const QString& before, const QString& after) = 0;

    // The library's runs, newest first.
    virtual std::vector<RunRecord> runs() = 0;
};

} // namespace vantrelis::dm
