#pragma once

#include "dm/DmProfile.h"
#include "dm/local/LibraryStore.h"
#include "dm/local/TrusteeEntry.h"

#include <QString>
#include <QVariant>
#include <memory>
#include <set>
#include <vector>

namespace vantrelis::dm::local {

class LocalLibrary;

// One SECURITY row of a profile: its row id (0 when not known) and what it holds.
struct StoredTrustee {
    qint64 rowId = 0;
    qint64 id = 0;
    qint64 rights = 0;
    bool operator==(const StoredTrustee& other) const { return id == other.id && rights == other.rights; }
};

// A profile: PROFILE row of a document (and, for a folder, its FOLDER row) held as the column
// values the object model shows, plus its trustee list from SECURITY. Edits stay in memory until
// save, which writes them in one transaction or not at all. A new profile (of a new folder) is
// written by its first successful save, with its FOLDER, VERSIONS and ROOT_OBJECT rows.
class LocalProfile : public DmProfile, public std::enable_shared_from_this<LocalProfile> {
public:
    // A new folder's profile, nothing written yet.
    static std::shared_ptr<LocalProfile> CreateNew(std::shared_ptr<LocalLibrary> library);
    // The profile of an existing document; nullptr when the library has no PROFILE row for it.
    static std::shared_ptr<LocalProfile> Load(std::shared_ptr<LocalLibrary> library, qint64 docNumber);

    explicit LocalProfile(std::shared_ptr<LocalLibrary> library);

    std::shared_ptr<DmColumns> columns() override;
    std::shared_ptr<DmTrustees> trustees() override;
    int open(int mode) override;
    void close() override;
    bool save(int mode) override;
    qint64 errorNumber() const override { return m_errorNumber; }
    QString errorText() const override { return m_errorText; }

    // Column access by index into ProfileColumns(), for the column objects.
    QString columnValue(int column) const;
    // Raises a Fault (and keeps its number and text) on a protected column or an unfit value.
    void setColumnValue(int column, const QString& value);
    void fillDefaults();

    bool isNew() const { return m_isNew; }
    qint64 docNumber() const { return m_docNumber; }
    qint64 systemId() const { return m_systemId; }
    bool isFolder() const { return m_isFolder; }
    bool isPublic() const { return m_isPublic; }
    void setPublic(bool isPublic) { m_isPublic = isPublic; }
    const std::shared_ptr<LocalLibrary>& library() const { return m_library; }

    // The trustee list, for the trustee object. Edits raise a Fault for names the library lacks.
    const std::vector<TrusteeEntry>& trusteeEntries();
    void beginTrusteeEdit();
    void endTrusteeEdit(bool commit);
    void addTrustee(const QString& name, bool isGroup, qint64 rights);
    void removeTrustee(const QString& name, bool isGroup);

private:
    bool read(qint64 docNumber);
    void loadTrustees();
    // Fills the trustee list from SECURITY rows read as (ROWID, PERSONORGROUP, ACCESSRIGHTS, USER_ID,
    // GROUP_ID) starting at `first`; rows whose ROWID is NULL are skipped.
    void takeTrusteeRows(const QueryResult& rows, std::size_t first);
    // Whether the held saves write trustee rows.
    bool hasTrusteeWrites() const;
    // While a run journals the library: the document's trustee list before a save that writes it
    // (null when there is nothing to journal), and the journal row of the change, written in the
    // save's transaction.
    QString journalledTrustees(bool writesTrustees) const;
    void journalTrustees(const QString& before) const;
    // Sends the profile's UPDATE (`columns` as it sets them, then the SYSTEM_ID) and, in a journalled
    // run, journals the columns it changed on a document the run did not create. Answers the rows
    // changed.
    qint64 writeUpdate(LibraryStore& db, const QString& text, const QVariantList& values,
                       const QStringList& columns) const;
    // Drops pending edits; the trustee list is read again on its next use unless `keepTrustees`.
    void forgetEdits(bool keepTrustees = false);
    // Whether a save can be held back while the trustee edit is open: it changes nothing but
    // trustees and plain columns (no lookups, no public flag, no dropped list).
    bool deferrable() const;
    // Records a save: the trustees touched since the last one, as the SECURITY writes that save
    // stands for, and the column values it saves.
    void closeRound();
    // Writes the saves held back in one go; edits made after the last of them stay pending. When
    // the library refuses that write, the saves are written one by one up to the one it refuses.
    // False leaves the error number and text.
    bool flushRounds();
    bool writeHeld();
    void writeHeldOneByOne() noexcept;
    // After a save that began on an unchanged library: what was written becomes what is stored,
    // as reading the profile again would show it.
    void takeSaved(const QString& lastEdit, std::vector<StoredTrustee> rows);
    // Whether the saved columns read back exactly as edited (no lookups, no public change).
    bool savesAsEdited() const;
    // The values to store for the changed columns (all columns of a new profile), by column index;
    // false leaves the error number and text.
    bool resolve(std::vector<QVariant>& stored);
    bool create(const std::vector<QVariant>& stored);
    bool update(const std::vector<QVariant>& stored);
    // The SECURITY writes of the saves held in m_rounds. Against the rows known to be stored
    // (`current`), only the rows from the first one that differs on are rewritten, which leaves the
    // same rows in the same order; otherwise every save's deletes and inserts run as they came.
    // Answers the rows the profile then has (valid when `current`).
    std::vector<StoredTrustee> writeRounds(bool current, std::size_t& statements, bool dryRun);
    bool hasChanges() const;
    [[noreturn]] void raise(qint64 number, const QString& text);
    void setError(qint64 number, const QString& text);

    std::shared_ptr<LocalLibrary> m_library;
    bool m_isNew = true;
    bool m_isFolder = true;
    bool m_isPublic = false;
    bool m_storedPublic = false;
    qint64 m_systemId = 0;
    qint64 m_docNumber = 0;
    // Parallel to ProfileColumns(): the values as stored and as edited.
    std::vector<QString> m_stored;
    std::vector<QString> m_values;
    // "$DEFAULT_RIGHTS" was set to 0 since the last save: the trustee list is to be dropped.
    bool m_clearSecurity = false;

    bool m_trusteesLoaded = false;
    std::vector<TrusteeEntry> m_trustees;
    std::set<qint64> m_touched; // trustees whose SECURITY rows the next save rewrites
    // The SECURITY rows as the library held them when last read or saved, duplicates included, in
    // their stored order.
    std::vector<StoredTrustee> m_storedRows;
    // Saves not written yet (held while the trustee edit is open): per save, the touched trustees
    // in the order that save writes them, with the entry each keeps (rights -1: none).
    struct RoundWrite {
        qint64 id = 0;
        bool present = false;
        qint64 rights = 0;
    };
    struct Round {
        std::vector<RoundWrite> writes;
        std::vector<QString> values;
    };
    std::vector<Round> m_rounds;
    // The held saves could not be written when the edit ended: the next save answers no.
    bool m_heldSaveFailed = false;
    bool m_editing = false;
    std::vector<TrusteeEntry> m_editTrustees; // state at beginEdit, for endEdit(false)
    std::set<qint64> m_editTouched;

    // The library as it was when the values and the trustee list above were last known to match it.
    LibraryStore::ChangeStamp m_stamp;

    qint64 m_errorNumber = 0;
    QString m_errorText;
};

} // namespace vantrelis::dm::local
