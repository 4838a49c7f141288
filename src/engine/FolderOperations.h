#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <functional>
#include <utility>

namespace vantrelis::engine {

// One foreign column of a library's PROFILE table as the import run loads it from DOCSCOLUMN
// (CMSKEY 'F'): the metadata inheritance step fills these columns between a folder and its items.
struct ForeignColumn {
    QString libraryName;     // the library object's name when the list was loaded
    QString columnName;      // COLNAME
    QString referencedTable; // FTBNAME, or "PROFILE" when DOCSCOLUMN leaves it empty
    QString owningTable;     // always "PROFILE"
};

// The lookup columns a new folder takes from its import line: each PROFILE column with the key of
// the row it refers to. The creation writes them with the folder, so the folder is never there
// without them.
struct LineColumns {
    qint64 line = 0; // the import file line they come from
    QList<std::pair<QString, QString>> columns;
};

// The profile a folder that a check-only run plans would get: its parent's values (the nearest folder
// in the library, realAncestor, 0 at the top level), changed by the import line columns of the
// planned folders on the way down (by PROFILE column, upper case; the nearest folder's win).
struct PlannedProfile {
    qint64 realAncestor = 0;
    QHash<QString, QString> columns;
};

// One level of a folder path to find, or to create when it is not there.
struct LevelRequest {
    QString name;
    qint32 parent = 0; // 0: a top-level folder
    QString form;
    int ruleIndex = 0;
    qint32 sortAfterAdd = 0;
    // The columns a new folder takes from its import line; asked only when the level is to be
    // created, as finding them may cost lookups of its own.
    std::function<LineColumns()> lineColumns;
};

// What finding or creating one level did.
struct FolderLevel {
    qint32 folder = 0;    // the level's folder; 0 when it was neither found nor created
    bool found = false;   // a lookup found it, and nothing was created
    bool created = false; // this call created it (a check-only run: plans it, once per folder)
    int twins = 0;        // more than one top-level folder of that name: how many (the lowest is used)
};

// How a creation is kept from racing another writer that creates the same folder.
enum class CreationLock {
    None,    // nothing to lock (nothing is written): the level is created without a second look
    Held,    // the lock is held: a second look is final until UnlockCreation
    Refused, // the lock could not be had (reported): the level is not created
};

// The folder engine as the import run calls it: folder creation, the folder item chain and the
// document query of a folder rule, all on the current library of the session. No call lets a
// fault escape; each answers as its procedure does and leaves the session's current-folder and
// current-profile slots empty.
class FolderOperations {
public:
    virtual ~FolderOperations() = default;

    // Makes one folder under parentFolder (0 = top level) and links it there, with the given line
    // columns set. Answers the new folder's document number, or 0 when it was not completed (nothing
    // of it is left then). Clears FolderCreated() on entry and sets it on complete success.
    virtual qint32 CreateFolder(const QString& folderName, qint32 parentFolder, const QString& formName,
                                int ruleIndex, qint32 sortAfterAdd, const LineColumns& lineColumns) = 0;
    // Appends an item ("F" folder, "P" document profile) to parentFolder's item chain, with the
    // sorting, metadata inheritance and security the rule asks for. True when the item is in the
    // folder afterwards; ItemExisted() tells whether it was there already.
    virtual bool AddFolderItem(qint32 itemDocNumber, qint32 parentFolder, const QString& nodeType,
                               int ruleIndex, qint32 sortAfterAdd) = 0;
    // The statement that selects the documents that belong in a folder under the rule; empty when
    // there is nothing to file or a step failed.
    virtual QString AddDocsSQL(qint32 folderDocNumber, int ruleIndex) = 0;
    // The same statement for a folder that is not in the library yet, from the profile it would
    // get; sends only reads.
    virtual QString PlannedDocsSQL(const PlannedProfile& /*profile*/, int /*ruleIndex*/) { return {}; }

    // True for a folder that a check-only run would create: it is not in the library, so it has no
    // items to look up. A run that writes plans nothing.
    virtual bool IsPlanned(qint32 /*folder*/) const { return false; }

    // AddFolderItem calls into one folder may share one transaction, as a commit per item costs more
    // than the item itself: BeginBatch opens it (holding that folder's write lock) and answers whether
    // it did; EndBatch commits it (with false: undoes it) and answers whether the items added since
    // BeginBatch are in the library. Each item stays all or nothing within the batch. An
    // implementation that does not batch answers false and true.
    virtual bool BeginBatch(qint32 /*folder*/) { return false; }
    // A new run: what the engine kept of the libraries during the last one (the folders it knows as
    // sorted, their versions) may have been changed since by another writer.
    virtual void ForgetRunState() {}
    virtual bool EndBatch(bool /*commit*/) { return true; }

    // Before a folder is created under parentFolder: shuts out every other writer that could create
    // the same folder (on one library file its write lock, on a server the parent's lock), so that a
    // look made now stays true until the folder is in. UnlockCreation commits what was written under
    // the lock (with false: undoes it) and answers whether it is in the library.
    virtual CreationLock LockForCreation(qint32 /*parentFolder*/) { return CreationLock::None; }
    virtual bool UnlockCreation(bool /*commit*/) { return true; }

    virtual bool FolderCreated() const = 0;
    virtual void setFolderCreated(bool created) = 0;
    virtual bool ItemExisted() const = 0;

    // The run's foreign column list: loaded once per library the run connects (when the list has
    // no entry for that library yet), read by the metadata inheritance step.
    virtual void LoadForeignColumns() = 0;
    virtual const QList<ForeignColumn>& foreignColumns() const = 0;
};

} // namespace vantrelis::engine
