#pragma once

#include "dm/DmRunJournal.h"
#include "dm/local/LibraryStore.h"

#include <QHash>
#include <QSet>
#include <memory>
#include <optional>

namespace vantrelis::dm::local {

// The run journal of one library, in its tables VANTRELIS_RUNS and VANTRELIS_RUN_CHANGES, written
// through the library's store on the connection the run's own writes use: a change row goes into
// whatever transaction the change is in. Inside a transaction the store keeps the change rows and
// writes them just before the commit (LibraryStore::insertAtCommit): a row that cannot be written
// fails the commit, and the change with it.
class LocalRunJournal : public DmRunJournal {
public:
    explicit LocalRunJournal(std::shared_ptr<LibraryStore> store);

    // Whether the library has both journal tables.
    static bool Present(LibraryStore& store);

    const std::shared_ptr<LibraryStore>& store() const { return m_store; }

    void startRun(const RunRecord& run) override;
    void finishRun(const RunRecord& run) override;
    bool active() const override { return !m_runId.isEmpty(); }
    void folderCreated(qint64 docNumber, qint64 parent, qint64 linkRow) override;
    void itemLinked(qint64 itemRow, qint64 parent, qint64 docNumber, qint64 previousRow) override;
    bool createdByRun(qint64 docNumber) const override { return m_created.contains(docNumber); }
    void noteCreated(qint64 docNumber) override;
    QString trusteeList(qint64 docNumber, qint64 profileId = 0) override;
    void trusteesReplaced(qint64 docNumber, const QString& before, const QString& after,
                          std::optional<qint64> defaultRights = std::nullopt) override;
    // A save of the object model replaced the trustees: the columns it set went with profileSaved.
    void trusteesSaved(qint64 docNumber, const QString& before, const QString& after);
    void profileChanged(qint64 docNumber, const RunJournalText::ColumnList& before,
                        const RunJournalText::ColumnList& after) override;
    // A save of an existing document's profile changed these columns (its edit time among them): its
    // row also covers what the security change it belongs to set in the profile.
    void profileSaved(qint64 docNumber, const RunJournalText::ColumnList& before,
                      const RunJournalText::ColumnList& after, const QVariant& rights,
                      const QVariant& lastEdit);
    // A document's LAST_EDIT_DATE as this transaction read or wrote it last; false when not known.
    bool lastEditKnown(qint64 docNumber, QVariant& lastEdit) const;
    // The trustee list after a save of the object model, whose profile columns profileSaved saw.
    QString trusteesAfterSave(qint64 docNumber, qint64 profileId);

    void chainRewritten(qint64 folder, const QString& before, const QString& after) override;
    std::vector<RunRecord> runs() override;

private:
    void change(const char* kind, qint64 docNumber, qint64 parent, qint64 itemRow, const QVariant& before,
                const QVariant& after);
    // A PROFILE row; it goes into the row of the document's previous change of columns when that is
    // the last row kept for the transaction's commit, in the same transaction level.
    void columnsChanged(qint64 docNumber, const RunJournalText::ColumnList& before,
                        const RunJournalText::ColumnList& after);

    // DEFAULT_RIGHTS and LAST_EDIT_DATE of a document as read (with its trustees) or written last, and
    // the transaction that did it.
    struct SecurityColumns {
        QVariant rights;
        QVariant lastEdit;
        quint64 transaction = 0;
    };
    QString readTrustees(qint64 docNumber, qint64 profileId, bool keepColumns);
    const SecurityColumns* knownColumns(qint64 docNumber) const;
    void journalColumns(qint64 docNumber, const SecurityColumns& was, const QVariant& rights,
                        const QVariant& lastEdit);

    std::shared_ptr<LibraryStore> m_store;
    QString m_runId;
    qint64 m_sequence = 0;
    QSet<qint64> m_created;
    QHash<qint64, SecurityColumns> m_columns;
    // The columns of the last PROFILE row given, and its sequence number.
    struct ProfileRow {
        qint64 docNumber = 0;
        qint64 sequence = 0;
        RunJournalText::ColumnList before;
        RunJournalText::ColumnList after;
    };
    ProfileRow m_lastProfile;
};

} // namespace vantrelis::dm::local
