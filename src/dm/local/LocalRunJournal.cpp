#include "dm/local/LocalRunJournal.h"

#include "dm/RunJournalText.h"

#include <algorithm>

namespace vantrelis::dm::local {

namespace {

QVariant Text(const QString& text) {
    return text.isNull() ? QVariant() : QVariant(text);
}

const QString& ChangesHead() {
    static const QString head = QStringLiteral("INSERT INTO DOCSADM.VANTRELIS_RUN_CHANGES (RUN_ID, SEQ, "
                                               "KIND, DOCNUMBER, PARENT, ITEM_ID, BEFORE_VALUES, "
                                               "AFTER_VALUES)");
    return head;
}

} // namespace

LocalRunJournal::LocalRunJournal(std::shared_ptr<LibraryStore> store) : m_store(std::move(store)) {}

bool LocalRunJournal::Present(LibraryStore& store) {
    return store.hasTable(QStringLiteral("VANTRELIS_RUNS")) &&
           store.hasTable(QStringLiteral("VANTRELIS_RUN_CHANGES"));
}

void LocalRunJournal::startRun(const RunRecord& run) {
    m_store->execute(QStringLiteral("INSERT INTO DOCSADM.VANTRELIS_RUNS (RUN_ID, STARTED, RUN_USER, MACHINE, "
                                    "IMPORT_FILE, FILE_SHA256, IMPORT_SET, OPTIONS, PATHS, FOLDERS_ADDED, "
                                    "DOCUMENTS_FILED, ERRORS, STATUS) "
                                    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, 0, 0, 0, 0, 'running')"),
                     {run.runId, run.started, Text(run.user), Text(run.machine), Text(run.importFile),
                      Text(run.fileChecksum), Text(run.importSet), Text(run.options)});
    m_runId = run.runId;
    m_sequence = 0;
    m_created.clear();
    m_columns.clear();
    m_lastProfile = {};
}

void LocalRunJournal::finishRun(const RunRecord& run) {
    if (m_runId.isEmpty())
        return;
    const QString runId = m_runId;
    m_runId.clear();
    m_created.clear();
    m_columns.clear();
    m_lastProfile = {};
    m_store->execute(
        QStringLiteral("UPDATE DOCSADM.VANTRELIS_RUNS SET ENDED = ?2, PATHS = ?3, "
                       "FOLDERS_ADDED = ?4, DOCUMENTS_FILED = ?5, ERRORS = ?6, STATUS = ?7 "
                       "WHERE RUN_ID = ?1"),
        {runId, run.ended, run.paths, run.foldersAdded, run.documentsFiled, run.errors, run.status});
}

void LocalRunJournal::change(const char* kind, qint64 docNumber, qint64 parent, qint64 itemRow,
                             const QVariant& before, const QVariant& after) {
    if (m_runId.isEmpty())
        return;
    // Written with the transaction's commit, together with the transaction's other rows.
    m_store->insertAtCommit(ChangesHead(), {m_runId, ++m_sequence, QString::fromLatin1(kind), docNumber,
                                            parent, itemRow, before, after});
}

void LocalRunJournal::columnsChanged(qint64 docNumber, const RunJournalText::ColumnList& before,
                                     const RunJournalText::ColumnList& after) {
    if (m_runId.isEmpty() || before.empty())
        return;
    // A security change and the save of the edit time that follows it, say: one row holds both, the
    // first value before and the last one after of each column. A level rolled back takes the row
    // with it whole, as it holds every change merged into it.
    QVariantList* last = m_store->lastAtCommit(ChangesHead());
    if (last && m_lastProfile.docNumber == docNumber && last->at(1).toLongLong() == m_lastProfile.sequence) {
        const auto named = [](RunJournalText::ColumnList& list, const QString& name) {
            return std::find_if(list.begin(), list.end(),
                                [&](const auto& held) { return held.first == name; });
        };
        for (const auto& column : before)
            if (named(m_lastProfile.before, column.first) == m_lastProfile.before.end())
                m_lastProfile.before.push_back(column);
        for (const auto& column : after) {
            const auto held = named(m_lastProfile.after, column.first);
            if (held == m_lastProfile.after.end())
                m_lastProfile.after.push_back(column);
            else
                held->second = column.second;
        }
        (*last)[6] = RunJournalText::ColumnValues(m_lastProfile.before);
        (*last)[7] = RunJournalText::ColumnValues(m_lastProfile.after);
        return;
    }
    change("PROFILE", docNumber, 0, 0, RunJournalText::ColumnValues(before),
           RunJournalText::ColumnValues(after));
    m_lastProfile = {docNumber, m_sequence, before, after};
}

void LocalRunJournal::folderCreated(qint64 docNumber, qint64 parent, qint64 linkRow) {
    m_created.insert(docNumber);
    change("FOLDER", docNumber, parent, linkRow, QVariant(), QVariant());
}

void LocalRunJournal::itemLinked(qint64 itemRow, qint64 parent, qint64 docNumber, qint64 previousRow) {
    // What the chain held before: the row the new one follows (its NEXT pointed past the chain's end).
    change("ITEM", docNumber, parent, itemRow, QStringLiteral("{\"previous\":%1}").arg(previousRow),
           QVariant());
}

void LocalRunJournal::noteCreated(qint64 docNumber) {
    if (!m_runId.isEmpty())
        m_created.insert(docNumber);
}

QString LocalRunJournal::readTrustees(qint64 docNumber, qint64 profileId, bool keepColumns) {
    // With the list, the profile columns that a change of security sets (DEFAULT_RIGHTS, and the
    // edit time of a save), kept for the change that follows the read.
    static const QString head = QStringLiteral(
        "SELECT P.DEFAULT_RIGHTS, P.LAST_EDIT_DATE, S.PERSONORGROUP, S.ACCESSRIGHTS FROM DOCSADM.PROFILE P "
        "LEFT JOIN DOCSADM.SECURITY S ON S.THING = P.SYSTEM_ID ");
    const QueryResult rows =
        profileId != 0
            ? m_store->query(head + QStringLiteral("WHERE P.SYSTEM_ID = ?1 ORDER BY S.ROWID"), {profileId})
            : m_store->query(head + QStringLiteral("WHERE P.DOCNUMBER = ?1 ORDER BY S.ROWID"), {docNumber});
    std::vector<std::pair<qint64, qint64>> trustees;
    trustees.reserve(rows.rows.size());
    for (const auto& row : rows.rows)
        if (!row.at(2).isNull())
            trustees.emplace_back(row.at(2).toLongLong(), row.at(3).toLongLong());
    if (keepColumns && !m_runId.isEmpty() && !rows.rows.empty())
        m_columns.insert(docNumber,
                         {rows.rows.front().at(0), rows.rows.front().at(1), m_store->transactionSerial()});
    return RunJournalText::Trustees(trustees);
}

QString LocalRunJournal::trusteeList(qint64 docNumber, qint64 profileId) {
    // A document the run created is undone whole: its trustees are not journalled, nor read for it.
    if (m_created.contains(docNumber))
        return QString();
    return readTrustees(docNumber, profileId, true);
}

QString LocalRunJournal::trusteesAfterSave(qint64 docNumber, qint64 profileId) {
    if (m_created.contains(docNumber))
        return QString();
    return readTrustees(docNumber, profileId, false);
}

const LocalRunJournal::SecurityColumns* LocalRunJournal::knownColumns(qint64 docNumber) const {
    // Known while the transaction they were read in goes on: inside it the document is this run's.
    const auto known = m_columns.constFind(docNumber);
    if (known == m_columns.constEnd() || known->transaction == 0 ||
        known->transaction != m_store->transactionSerial())
        return nullptr;
    return &known.value();
}

void LocalRunJournal::journalColumns(qint64 docNumber, const SecurityColumns& was, const QVariant& rights,
                                     const QVariant& lastEdit) {
    RunJournalText::ColumnList columnsBefore;
    RunJournalText::ColumnList columnsAfter;
    const auto compare = [&](const char* name, const QVariant& old, const QVariant& current) {
        if (old.toString() == current.toString() && old.isNull() == current.isNull())
            return;
        columnsBefore.emplace_back(QString::fromLatin1(name), old.isNull() ? QString() : old.toString());
        columnsAfter.emplace_back(QString::fromLatin1(name),
                                  current.isNull() ? QString() : current.toString());
    };
    compare("DEFAULT_RIGHTS", was.rights, rights);
    compare("LAST_EDIT_DATE", was.lastEdit, lastEdit);
    columnsChanged(docNumber, columnsBefore, columnsAfter);
}

void LocalRunJournal::trusteesSaved(qint64 docNumber, const QString& before, const QString& after) {
    if (before != after && !m_created.contains(docNumber))
        change("TRUSTEES", docNumber, 0, 0, before, after);
}

void LocalRunJournal::trusteesReplaced(qint64 docNumber, const QString& before, const QString& after,
                                       std::optional<qint64> defaultRights) {
    if (m_created.contains(docNumber))
        return;
    if (before != after)
        change("TRUSTEES", docNumber, 0, 0, before, after);
    // What the last read before the change found; what the change left is known without a read only
    // while that read's transaction goes on undisturbed.
    const auto read = m_columns.constFind(docNumber);
    if (read == m_columns.constEnd())
        return;
    const SecurityColumns was = read.value();
    SecurityColumns now = was;
    if (defaultRights && knownColumns(docNumber)) {
        // The caller set DEFAULT_RIGHTS itself and nothing else of the profile.
        now.rights = *defaultRights;
    } else {
        const QueryResult current = m_store->query(
            QStringLiteral("SELECT DEFAULT_RIGHTS, LAST_EDIT_DATE FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1"),
            {docNumber});
        if (current.rows.empty())
            return;
        now.rights = current.rows.front().at(0);
        now.lastEdit = current.rows.front().at(1);
    }
    now.transaction = m_store->transactionSerial();
    m_columns.insert(docNumber, now);
    journalColumns(docNumber, was, now.rights, now.lastEdit);
}

void LocalRunJournal::profileChanged(qint64 docNumber, const RunJournalText::ColumnList& before,
                                     const RunJournalText::ColumnList& after) {
    if (before == after || m_created.contains(docNumber))
        return;
    columnsChanged(docNumber, before, after);
}

bool LocalRunJournal::lastEditKnown(qint64 docNumber, QVariant& lastEdit) const {
    const SecurityColumns* known = knownColumns(docNumber);
    if (!known)
        return false;
    lastEdit = known->lastEdit;
    return true;
}

void LocalRunJournal::profileSaved(qint64 docNumber, const RunJournalText::ColumnList& before,
                                   const RunJournalText::ColumnList& after, const QVariant& rights,
                                   const QVariant& lastEdit) {
    if (m_runId.isEmpty() || m_created.contains(docNumber))
        return;
    // The save's own row covers what it set; what is known of the columns follows it.
    if (auto known = m_columns.find(docNumber); known != m_columns.end()) {
        if (rights.isValid())
            known->rights = rights;
        known->lastEdit = lastEdit;
    }
    columnsChanged(docNumber, before, after);
}

void LocalRunJournal::chainRewritten(qint64 folder, const QString& before, const QString& after) {
    // A folder the run created goes whole; its order needs no journal.
    if (before == after || m_created.contains(folder))
        return;
    change("CHAIN", folder, folder, 0, before, after);
}

std::vector<RunRecord> LocalRunJournal::runs() {
    const QueryResult rows = m_store->query(QStringLiteral(
        "SELECT RUN_ID, STARTED, ENDED, RUN_USER, MACHINE, IMPORT_FILE, FILE_SHA256, IMPORT_SET, "
        "OPTIONS, PATHS, FOLDERS_ADDED, DOCUMENTS_FILED, ERRORS, STATUS "
        "FROM DOCSADM.VANTRELIS_RUNS ORDER BY STARTED DESC, RUN_ID DESC"));
    std::vector<RunRecord> runs;
    for (const auto& row : rows.rows) {
        RunRecord run;
        run.runId = row.at(0).toString();
        run.started = row.at(1).toString();
        run.ended = row.at(2).toString();
        run.user = row.at(3).toString();
        run.machine = row.at(4).toString();
        run.importFile = row.at(5).toString();
        run.fileChecksum = row.at(6).toString();
        run.importSet = row.at(7).toString();
        run.options = row.at(8).toString();
        run.paths = row.at(9).toLongLong();
        run.foldersAdded = row.at(10).toLongLong();
        run.documentsFiled = row.at(11).toLongLong();
        run.errors = row.at(12).toLongLong();
        run.status = row.at(13).toString();
        runs.push_back(run);
    }
    return runs;
}

} // namespace vantrelis::dm::local
