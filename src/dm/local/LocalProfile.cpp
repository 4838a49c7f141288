#include "dm/local/LocalProfile.h"

#include "common/Fault.h"
#include "dm/RunJournalText.h"
#include "dm/local/LocalColumns.h"
#include "dm/local/LocalErrors.h"
#include "dm/local/LocalLibrary.h"
#include "dm/local/LocalParameters.h"
#include "dm/local/LocalRunJournal.h"
#include "dm/local/LocalTrustees.h"
#include "dm/local/ProfileColumnMap.h"

#include <QDateTime>
#include <algorithm>

namespace vantrelis::dm::local {

namespace {

int Column(const char* name) {
    return ProfileColumnIndex(QLatin1String(name));
}

// The time of a save as LAST_EDIT_DATE holds it, formatted once per second (saves come by the
// thousand in a run).
QString Now() {
    thread_local qint64 second = -1;
    thread_local QString text;
    const qint64 now = QDateTime::currentMSecsSinceEpoch() / 1000;
    if (now != second) {
        text = QDateTime::fromSecsSinceEpoch(now).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        second = now;
    }
    return text;
}

QString ValueText(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return {};
    return value.toString();
}

QString Quoted(const QString& value) {
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

QString InvalidValueText(const QString& value, const QString& column) {
    return QStringLiteral("Invalid value %1 for column %2").arg(Quoted(value), column);
}

// SYSTEM_ID of the row of `table` whose `key` column equals `value` (the library's collation
// decides letter case); an invalid QVariant when there is none.
QVariant LookupId(LibraryStore& db, const QString& table, const QString& key, const QString& value) {
    return db.lookupKey(QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.%1 WHERE %2 = ?1").arg(table, key),
                        {value});
}

} // namespace

LocalProfile::LocalProfile(std::shared_ptr<LocalLibrary> library)
    : m_library(std::move(library)), m_stored(ProfileColumns().size()), m_values(ProfileColumns().size()) {
    const int rights = Column("$DEFAULT_RIGHTS");
    m_stored[static_cast<std::size_t>(rights)] = QStringLiteral("0");
    m_values[static_cast<std::size_t>(rights)] = QStringLiteral("0");
    m_trusteesLoaded = true; // a new profile starts with an empty list
}

std::shared_ptr<LocalProfile> LocalProfile::CreateNew(std::shared_ptr<LocalLibrary> library) {
    library->database(); // raises when the library is not connected
    return std::make_shared<LocalProfile>(std::move(library));
}

std::shared_ptr<LocalProfile> LocalProfile::Load(std::shared_ptr<LocalLibrary> library, qint64 docNumber) {
    auto profile = std::make_shared<LocalProfile>(std::move(library));
    if (!profile->read(docNumber))
        return nullptr;
    return profile;
}

namespace {

// The SECURITY rows of a profile with the names of the people and groups they name. (The index on
// THING holds the rows in their stored order, so ORDER BY S.ROWID costs no sort.)
QString TrusteeJoins(const QString& profileKey) {
    return QStringLiteral(" LEFT JOIN DOCSADM.SECURITY S ON S.THING = ") + profileKey +
           QStringLiteral(" LEFT JOIN DOCSADM.PEOPLE U ON U.SYSTEM_ID = S.PERSONORGROUP"
                          " LEFT JOIN DOCSADM.GROUPS G ON G.SYSTEM_ID = S.PERSONORGROUP");
}

// One SELECT for every column: lookups joined to the rows they name, and the document's FOLDER row
// (its number and public flag last), then its SECURITY rows in their stored order, one result row
// each (the columns repeat). A reference to a missing row reads as empty and is not rewritten
// unless the column is changed.
QString ProfileReadText() {
    const auto& defs = ProfileColumns();
    QStringList selected;
    QString joins;
    for (std::size_t i = 0; i < defs.size(); ++i) {
        const auto& def = defs[i];
        const QString alias = QStringLiteral("L%1").arg(i);
        switch (def.kind) {
        case ColumnKind::Lookup:
            selected << alias + QLatin1Char('.') + def.lookupKey;
            joins += QStringLiteral(" LEFT JOIN DOCSADM.%1 %2 ON %2.SYSTEM_ID = P.%3")
                         .arg(def.lookupTable, alias, def.profileColumn);
            break;
        case ColumnKind::Matter:
            selected << QStringLiteral("LM.MATTER_ID");
            break;
        case ColumnKind::Client:
            selected << QStringLiteral("LC.CLIENT_ID");
            break;
        default:
            selected << QStringLiteral("P.") + def.profileColumn;
            break;
        }
    }
    selected << QStringLiteral("F.DOCNUMBER") << QStringLiteral("F.IS_PUBLIC");
    selected << QStringLiteral("S.ROWID") << QStringLiteral("S.PERSONORGROUP")
             << QStringLiteral("S.ACCESSRIGHTS") << QStringLiteral("U.USER_ID")
             << QStringLiteral("G.GROUP_ID");
    joins += QStringLiteral(" LEFT JOIN DOCSADM.MATTER LM ON LM.SYSTEM_ID = P.MATTER"
                            " LEFT JOIN DOCSADM.CLIENT LC ON LC.SYSTEM_ID = LM.CLIENT_ID"
                            " LEFT JOIN DOCSADM.FOLDER F ON F.DOCNUMBER = P.DOCNUMBER") +
             TrusteeJoins(QStringLiteral("P.SYSTEM_ID"));
    return QStringLiteral("SELECT ") + selected.join(QStringLiteral(", ")) +
           QStringLiteral(" FROM DOCSADM.PROFILE P") + joins +
           QStringLiteral(" WHERE P.DOCNUMBER = ?1 ORDER BY S.ROWID");
}

} // namespace

bool LocalProfile::read(qint64 docNumber) {
    auto db = m_library->database();
    const auto& defs = ProfileColumns();
    static const QString text = ProfileReadText();
    const QueryResult result = db->query(text, {docNumber});
    if (result.rows.empty())
        return false;

    const auto& row = result.rows.front();
    for (std::size_t i = 0; i < defs.size(); ++i)
        m_stored[i] = ValueText(row.at(i));
    const auto rights = static_cast<std::size_t>(Column("$DEFAULT_RIGHTS"));
    if (m_stored[rights].isEmpty())
        m_stored[rights] = QStringLiteral("0");
    m_values = m_stored;
    m_systemId = row.at(static_cast<std::size_t>(Column("SYSTEM_ID"))).toLongLong();
    m_docNumber = docNumber;
    m_isNew = false;

    m_isFolder = !row.at(defs.size()).isNull();
    m_isPublic = m_isFolder && ValueText(row.at(defs.size() + 1)).trimmed().toUpper() == QLatin1String("Y");
    m_storedPublic = m_isPublic;

    m_rounds.clear();
    m_heldSaveFailed = false;
    forgetEdits();
    takeTrusteeRows(result, defs.size() + 2);
    m_stamp = db->changeStamp();
    return true;
}

void LocalProfile::forgetEdits(bool keepTrustees) {
    m_values = m_stored;
    m_isPublic = m_storedPublic;
    m_clearSecurity = false;
    m_touched.clear();
    m_editing = false;
    m_editTrustees.clear();
    m_editTouched.clear();
    if (m_isNew) {
        m_trustees.clear();
        m_trusteesLoaded = true;
    } else if (!keepTrustees) {
        m_trusteesLoaded = false;
    }
}

std::shared_ptr<DmColumns> LocalProfile::columns() {
    return std::make_shared<LocalColumns>(shared_from_this());
}

std::shared_ptr<DmTrustees> LocalProfile::trustees() {
    return std::make_shared<LocalTrustees>(shared_from_this());
}

int LocalProfile::open(int /*mode*/) {
    // Every mode opens for reading and writing here; the profile is re-read when nothing is pending,
    // so an open sees what SQL wrote since the object was made.
    try {
        if (m_isNew) {
            setError(kErrorNoDocument, QStringLiteral("The profile has not been saved yet"));
            return 0;
        }
        if (!hasChanges() && m_library->database()->unchangedSince(m_stamp)) {
            forgetEdits(true);
            return 1;
        }
        if (!hasChanges() && read(m_docNumber))
            return 1;
        const qint64 found =
            m_library->database()
                ->scalar(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1"),
                         {m_docNumber})
                .toLongLong();
        if (found > 0)
            return 1;
        setError(kErrorNoDocument, QStringLiteral("Document #%1 does not exist in library %2")
                                       .arg(m_docNumber)
                                       .arg(m_library->name()));
    } catch (const Fault& fault) {
        setError(fault.number(), fault.description());
    }
    return 0;
}

void LocalProfile::close() {
    if (m_isNew)
        return;
    // Saves that answered yes while the trustee edit stayed open are written now.
    if (!m_rounds.empty()) {
        m_editing = false;
        flushRounds();
    }
    m_heldSaveFailed = false;
    forgetEdits();
}

bool LocalProfile::hasChanges() const {
    return m_values != m_stored || m_clearSecurity || !m_touched.empty() || !m_rounds.empty() ||
           m_isPublic != m_storedPublic;
}

QString LocalProfile::columnValue(int column) const {
    if (column < 0 || column >= static_cast<int>(m_values.size()))
        return {};
    return m_values[static_cast<std::size_t>(column)];
}

void LocalProfile::setColumnValue(int column, const QString& value) {
    const auto& def = ProfileColumns().at(static_cast<std::size_t>(column));
    QString text = value.trimmed();
    switch (def.kind) {
    case ColumnKind::Protected:
        raise(kErrorProtectedColumn, QStringLiteral("Column %1 is protected").arg(def.name));
    case ColumnKind::Number: {
        bool ok = true;
        if (!text.isEmpty())
            text = QString::number(text.toLongLong(&ok));
        if (!ok)
            raise(kErrorNotANumber,
                  QStringLiteral("Column %1 takes a whole number, not %2").arg(def.name, Quoted(value)));
        if (def.name == QLatin1String("$DEFAULT_RIGHTS")) {
            if (text.isEmpty())
                text = QStringLiteral("0");
            m_clearSecurity = text == QLatin1String("0");
        }
        break;
    }
    case ColumnKind::Flag:
        text = text.toUpper();
        if (!text.isEmpty() && text != QLatin1String("Y") && text != QLatin1String("N"))
            raise(kErrorInvalidValue, InvalidValueText(value, def.name));
        break;
    case ColumnKind::Text:
        text = value; // free text is kept as given
        break;
    default:
        break;
    }
    m_values[static_cast<std::size_t>(column)] = text;
}

void LocalProfile::fillDefaults() {
    if (!m_isNew)
        return;
    const auto params = m_library->localParameters();
    auto fill = [this](const char* name, const QString& value) {
        auto& slot = m_values[static_cast<std::size_t>(Column(name))];
        if (slot.isEmpty())
            slot = value;
    };
    const QString user = m_library->userName();
    fill("AUTHOR_ID", user);
    fill("TYPIST_ID", user);
    if (m_isFolder)
        fill("APP_ID", QStringLiteral("FOLDER"));
    fill("FORM", params->value(QStringLiteral("DOCSParms.DefaultForm")).toString());
    const QVariant fullText = params->value(QStringLiteral("DOCSParms.FullTextIndexing"));
    if (fullText.isValid())
        fill("FULLTEXT", fullText.toBool() ? QStringLiteral("Y") : QStringLiteral("N"));
}

bool LocalProfile::save(int /*mode*/) {
    if (m_heldSaveFailed) {
        // The error of the held saves' write stays for the caller to read.
        m_heldSaveFailed = false;
        return false;
    }
    m_errorNumber = 0;
    m_errorText.clear();
    try {
        if (!m_isNew && !hasChanges())
            return true;
        if (!m_isNew && deferrable()) {
            // While the trustee edit is open each change is saved by itself; the rows they add up to
            // are written when the edit ends, in one go, as they would stand after every save.
            closeRound();
            return m_editing || flushRounds();
        }
        if (!m_rounds.empty() && !flushRounds())
            return false;
        std::vector<QVariant> stored(ProfileColumns().size());
        if (!resolve(stored))
            return false;
        return m_isNew ? create(stored) : update(stored);
    } catch (const Fault& fault) {
        setError(fault.number(), fault.description());
        return false;
    }
}

bool LocalProfile::resolve(std::vector<QVariant>& stored) {
    auto db = m_library->database();
    const auto& defs = ProfileColumns();
    auto changed = [this](std::size_t i) { return m_isNew || m_values[i] != m_stored[i]; };

    for (std::size_t i = 0; i < defs.size(); ++i) {
        const auto& def = defs[i];
        const QString& value = m_values[i];
        if (!changed(i) || def.kind == ColumnKind::Protected || def.kind == ColumnKind::Client ||
            def.kind == ColumnKind::Matter)
            continue;
        if (def.name == QLatin1String("DOCNAME") && value.trimmed().isEmpty()) {
            setError(kErrorRequiredValue, QStringLiteral("Column DOCNAME requires a value"));
            return false;
        }
        if (value.isEmpty()) {
            stored[i] = QVariant(); // NULL
            continue;
        }
        switch (def.kind) {
        case ColumnKind::Number:
            stored[i] = value.toLongLong();
            break;
        case ColumnKind::Lookup: {
            const QVariant id = LookupId(*db, def.lookupTable, def.lookupKey, value);
            if (!id.isValid() || id.isNull()) {
                setError(kErrorInvalidValue, InvalidValueText(value, def.name));
                return false;
            }
            stored[i] = id.toLongLong();
            break;
        }
        default:
            stored[i] = value;
            break;
        }
    }

    // Client and matter: PROFILE holds only the matter, found by client id and matter id.
    const auto client = static_cast<std::size_t>(Column("CLIENT_ID"));
    const auto matter = static_cast<std::size_t>(Column("MATTER_ID"));
    if (changed(client) || changed(matter)) {
        const QString clientId = m_values[client];
        const QString matterId = m_values[matter];
        QVariant matterKey = QVariant(); // NULL
        QueryResult rows;
        if (!clientId.isEmpty()) {
            const QVariant clientKey =
                LookupId(*db, QStringLiteral("CLIENT"), QStringLiteral("CLIENT_ID"), clientId);
            if (!clientKey.isValid() || clientKey.isNull()) {
                setError(kErrorInvalidValue, InvalidValueText(clientId, QStringLiteral("CLIENT_ID")));
                return false;
            }
            if (matterId.isEmpty()) {
                setError(kErrorRequiredValue,
                         QStringLiteral("Column MATTER_ID requires a value when CLIENT_ID is %1")
                             .arg(Quoted(clientId)));
                return false;
            }
            const QVariant matterFound = db->lookupKey(
                QStringLiteral(
                    "SELECT SYSTEM_ID FROM DOCSADM.MATTER WHERE CLIENT_ID = ?1 AND MATTER_ID = ?2"),
                {clientKey.toLongLong(), matterId});
            if (matterFound.isValid() && !matterFound.isNull())
                rows.rows.push_back({matterFound});
        } else if (!matterId.isEmpty()) {
            rows = db->query(QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.MATTER WHERE MATTER_ID = ?1"),
                             {matterId});
            if (rows.rows.size() > 1) {
                setError(
                    kErrorAmbiguousValue,
                    QStringLiteral("Ambiguous value %1 for column MATTER_ID: name its client in CLIENT_ID")
                        .arg(Quoted(matterId)));
                return false;
            }
        }
        if (!matterId.isEmpty()) {
            if (rows.rows.empty()) {
                setError(kErrorInvalidValue, InvalidValueText(matterId, QStringLiteral("MATTER_ID")));
                return false;
            }
            matterKey = rows.rows.front().at(0).toLongLong();
        }
        stored[matter] = matterKey;
    }
    return true;
}

bool LocalProfile::create(const std::vector<QVariant>& stored) {
    auto db = m_library->database();
    const auto& defs = ProfileColumns();

    // Keys first: the key counter runs its own short transaction. A failed save only leaves a gap.
    const qint64 systemId = db->nextKey(QStringLiteral("SYSTEMKEY"));
    const qint64 docNumber = db->nextKey(QStringLiteral("DOCNUMBER"));
    const qint64 folderId = db->nextKey(QStringLiteral("SYSTEMKEY"));
    const qint64 versionId = db->nextKey(QStringLiteral("SYSTEMKEY"));
    const qint64 rootId = m_isPublic ? db->nextKey(QStringLiteral("SYSTEMKEY")) : 0;
    const QString now = Now();

    QStringList names = {QStringLiteral("SYSTEM_ID"), QStringLiteral("DOCNUMBER"), QStringLiteral("STATUS"),
                         QStringLiteral("CREATION_DATE"), QStringLiteral("LAST_EDIT_DATE")};
    QVariantList values = {systemId, docNumber, 0, now, now};
    for (std::size_t i = 0; i < defs.size(); ++i) {
        if (defs[i].kind == ColumnKind::Protected || defs[i].profileColumn.isEmpty())
            continue;
        names << defs[i].profileColumn;
        values << stored[i];
    }
    QStringList marks;
    for (int i = 1; i <= values.size(); ++i)
        marks << QStringLiteral("?%1").arg(i);

    const QVariant author = stored[static_cast<std::size_t>(Column("AUTHOR_ID"))];
    const QVariant typist = stored[static_cast<std::size_t>(Column("TYPIST_ID"))];

    db->begin();
    try {
        db->execute(QStringLiteral("INSERT INTO DOCSADM.PROFILE (") + names.join(QStringLiteral(", ")) +
                        QStringLiteral(") VALUES (") + marks.join(QStringLiteral(", ")) + QLatin1Char(')'),
                    values);
        db->execute(QStringLiteral(
                        "INSERT INTO DOCSADM.FOLDER (SYSTEM_ID, DOCNUMBER, IS_PUBLIC) VALUES (?1, ?2, ?3)"),
                    {folderId, docNumber, m_isPublic ? QStringLiteral("Y") : QStringLiteral("N")});
        db->execute(
            QStringLiteral("INSERT INTO DOCSADM.VERSIONS (VERSION_ID, DOCNUMBER, VERSION, SUBVERSION, "
                           "VERSION_LABEL, AUTHOR, TYPIST, STATUS) VALUES (?1, ?2, 1, '!', '1', ?3, ?4, 0)"),
            {versionId, docNumber, author, typist});
        if (m_isPublic) {
            // The root list entry; the caller names it (DISPLAYNAME '') as DM leaves it.
            db->execute(
                QStringLiteral("INSERT INTO DOCSADM.ROOT_OBJECT (SYSTEM_ID, DOCNUMBER, PERSONORGROUP, "
                               "DISPLAYNAME) VALUES (?1, ?2, ?3, '')"),
                {rootId, docNumber, m_library->userSystemId()});
        }
        m_systemId = systemId;
        if (!m_clearSecurity) {
            for (const auto& entry : m_trustees) {
                db->execute(
                    QStringLiteral("INSERT INTO DOCSADM.SECURITY (THING, PERSONORGROUP, ACCESSRIGHTS) "
                                   "VALUES (?1, ?2, ?3)"),
                    {systemId, entry.id, entry.rights});
            }
        }
        db->commit();
    } catch (...) {
        m_systemId = 0;
        db->rollback();
        throw;
    }

    m_isNew = false;
    m_isFolder = true;
    if (!read(docNumber)) {
        setError(kErrorNoDocument, QStringLiteral("Document #%1 vanished after its save").arg(docNumber));
        return false;
    }
    return true;
}

namespace {

// The UPDATE of a saved profile's changed columns and LAST_EDIT_DATE.
struct ProfileUpdate {
    QString text;
    QVariantList values;
    bool columnsChanged = false;
    QStringList columns; // the columns set, in the order of `values`
};

ProfileUpdate BuildUpdate(const std::vector<QString>& values, const std::vector<QString>& storedValues,
                          const std::vector<QVariant>& stored, qint64 systemId, const QString& now) {
    const auto& defs = ProfileColumns();
    ProfileUpdate update;
    QStringList sets;
    for (std::size_t i = 0; i < defs.size(); ++i) {
        if (defs[i].kind == ColumnKind::Protected || defs[i].profileColumn.isEmpty())
            continue;
        const auto client = static_cast<std::size_t>(Column("CLIENT_ID"));
        const bool changed = values[i] != storedValues[i] ||
                             (defs[i].kind == ColumnKind::Matter && values[client] != storedValues[client]);
        if (!changed)
            continue;
        update.values << stored[i];
        update.columns << defs[i].profileColumn;
        sets << QStringLiteral("%1 = ?%2").arg(defs[i].profileColumn).arg(update.values.size());
    }
    update.columnsChanged = !sets.isEmpty();
    update.values << now;
    update.columns << QStringLiteral("LAST_EDIT_DATE");
    sets << QStringLiteral("LAST_EDIT_DATE = ?%1").arg(update.values.size());
    update.values << systemId;
    update.text = QStringLiteral("UPDATE DOCSADM.PROFILE SET ") + sets.join(QStringLiteral(", ")) +
                  QStringLiteral(" WHERE SYSTEM_ID = ?%1").arg(update.values.size());
    return update;
}

} // namespace

qint64 LocalProfile::writeUpdate(LibraryStore& db, const QString& text, const QVariantList& values,
                                 const QStringList& columns) const {
    LocalRunJournal* journal = m_library->activeJournal();
    if (!journal || m_isNew || journal->createdByRun(m_docNumber))
        return db.execute(text, values);
    // The columns as they were, for the journal: a run taken back puts them back. A save that sets the
    // edit time alone needs no read when this transaction read or wrote it already.
    std::vector<QVariant> was;
    QVariant lastEdit;
    if (columns.size() == 1 && journal->lastEditKnown(m_docNumber, lastEdit)) {
        was.push_back(lastEdit);
    } else {
        const QueryResult read = db.query(QStringLiteral("SELECT ") + columns.join(QStringLiteral(", ")) +
                                              QStringLiteral(" FROM DOCSADM.PROFILE WHERE SYSTEM_ID = ?1"),
                                          {m_systemId});
        if (!read.rows.empty())
            was = read.rows.front();
    }
    const qint64 changed = db.execute(text, values);
    if (changed == 0 || was.size() != static_cast<std::size_t>(columns.size()))
        return changed;
    RunJournalText::ColumnList before;
    RunJournalText::ColumnList after;
    QVariant rights;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        const QVariant& old = was.at(static_cast<std::size_t>(i));
        const QVariant& now = values.at(i);
        if (columns.at(i) == QLatin1String("DEFAULT_RIGHTS"))
            rights = now;
        if (old.isNull() == now.isNull() && old.toString() == now.toString())
            continue;
        before.emplace_back(columns.at(i), old.isNull() ? QString() : old.toString());
        after.emplace_back(columns.at(i), now.isNull() ? QString() : now.toString());
    }
    journal->profileSaved(m_docNumber, before, after, rights, values.at(columns.size() - 1));
    return changed;
}

bool LocalProfile::update(const std::vector<QVariant>& stored) {
    auto db = m_library->database();
    const QString now = Now();
    const ProfileUpdate change = BuildUpdate(m_values, m_stored, stored, m_systemId, now);

    // Nothing else wrote to the library since the profile and its trustee list were last read or
    // saved: the profile reads back as written.
    const bool current = savesAsEdited() && db->unchangedSince(m_stamp);
    const bool becomesPublic = m_isPublic && !m_storedPublic;
    const qint64 rootId =
        becomesPublic && m_isFolder &&
                db->scalar(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.ROOT_OBJECT WHERE DOCNUMBER = ?1"),
                           {m_docNumber})
                        .toLongLong() == 0
            ? db->nextKey(QStringLiteral("SYSTEMKEY"))
            : 0;

    closeRound();
    std::vector<StoredTrustee> rows;
    db->begin();
    try {
        const QString trusteesBefore = journalledTrustees(m_clearSecurity || hasTrusteeWrites());
        const qint64 changed = writeUpdate(*db, change.text, change.values, change.columns);
        if (changed == 0) {
            db->rollback();
            m_rounds.clear();
            setError(kErrorNoDocument, QStringLiteral("Document #%1 does not exist in library %2")
                                           .arg(m_docNumber)
                                           .arg(m_library->name()));
            return false;
        }
        if (m_isFolder && m_isPublic != m_storedPublic) {
            db->execute(QStringLiteral("UPDATE DOCSADM.FOLDER SET IS_PUBLIC = ?1 WHERE DOCNUMBER = ?2"),
                        {m_isPublic ? QStringLiteral("Y") : QStringLiteral("N"), m_docNumber});
            if (!m_isPublic)
                db->execute(QStringLiteral("DELETE FROM DOCSADM.ROOT_OBJECT WHERE DOCNUMBER = ?1"),
                            {m_docNumber});
            else if (rootId != 0)
                db->execute(
                    QStringLiteral("INSERT INTO DOCSADM.ROOT_OBJECT (SYSTEM_ID, DOCNUMBER, PERSONORGROUP, "
                                   "DISPLAYNAME) VALUES (?1, ?2, ?3, '')"),
                    {rootId, m_docNumber, m_library->userSystemId()});
        }
        if (m_clearSecurity) {
            // DEFAULT_RIGHTS 0: the document has no security of its own, so its list goes, edits included.
            db->execute(QStringLiteral("DELETE FROM DOCSADM.SECURITY WHERE THING = ?1"), {m_systemId});
            m_rounds.clear();
        } else {
            std::size_t statements = 0;
            rows = writeRounds(current, statements, false);
        }
        journalTrustees(trusteesBefore);
        db->commit();
    } catch (...) {
        m_rounds.clear();
        db->rollback();
        throw;
    }

    if (current) {
        takeSaved(now, std::move(rows));
        return true;
    }
    if (!read(m_docNumber)) {
        setError(kErrorNoDocument, QStringLiteral("Document #%1 vanished after its save").arg(m_docNumber));
        return false;
    }
    return true;
}

bool LocalProfile::hasTrusteeWrites() const {
    for (const Round& round : m_rounds)
        if (!round.writes.empty())
            return true;
    return false;
}

QString LocalProfile::journalledTrustees(bool writesTrustees) const {
    LocalRunJournal* journal = m_library->activeJournal();
    if (!writesTrustees || !journal || m_isNew || journal->createdByRun(m_docNumber))
        return QString();
    return journal->trusteeList(m_docNumber, m_systemId);
}

void LocalProfile::journalTrustees(const QString& before) const {
    if (before.isNull())
        return;
    if (LocalRunJournal* journal = m_library->activeJournal())
        journal->trusteesSaved(m_docNumber, before, journal->trusteesAfterSave(m_docNumber, m_systemId));
}

bool LocalProfile::deferrable() const {
    return !m_isNew && !m_clearSecurity && savesAsEdited();
}

void LocalProfile::closeRound() {
    // A save writes the trustees it touched by their keys: each one's rows go, and its entry (if it
    // keeps one) follows the rows already there.
    Round saved;
    saved.values = m_values;
    std::vector<RoundWrite>& round = saved.writes;
    for (const qint64 id : m_touched) {
        RoundWrite write{id, false, 0};
        for (const auto& entry : m_trustees) {
            if (entry.id == id) {
                write.present = true;
                write.rights = entry.rights;
                break;
            }
        }
        round.push_back(write);
    }
    m_rounds.push_back(std::move(saved));
    m_touched.clear();
}

std::vector<StoredTrustee> LocalProfile::writeRounds(bool current, std::size_t& statements, bool dryRun) {
    auto db = m_library->database();
    statements = 0;
    const QString deleteOne =
        QStringLiteral("DELETE FROM DOCSADM.SECURITY WHERE THING = ?1 AND PERSONORGROUP = ?2");
    const QString insertOne = QStringLiteral(
        "INSERT INTO DOCSADM.SECURITY (THING, PERSONORGROUP, ACCESSRIGHTS) VALUES (?1, ?2, ?3)");

    // The rows every save in turn leaves.
    std::vector<StoredTrustee> rows = m_storedRows;
    for (const auto& round : m_rounds) {
        for (const RoundWrite& write : round.writes) {
            rows.erase(std::remove_if(rows.begin(), rows.end(),
                                      [&](const StoredTrustee& row) { return row.id == write.id; }),
                       rows.end());
            if (write.present)
                rows.push_back({0, write.id, write.rights});
        }
    }

    if (!current) {
        // The stored rows are not known: every save's writes, in the order they were made.
        for (const auto& round : m_rounds) {
            for (const RoundWrite& write : round.writes) {
                statements += write.present ? 2 : 1;
                if (dryRun)
                    continue;
                db->execute(deleteOne, {m_systemId, write.id});
                if (write.present)
                    db->execute(insertOne, {m_systemId, write.id, write.rights});
            }
        }
        if (!dryRun)
            m_rounds.clear();
        return rows;
    }

    // The rows that stay where they are: the longest run from the start that the saves leave as
    // it was. The rest is deleted from the first of them on (by its row id, which the library hands
    // out in rising order) and written again, so the order comes out as the saves leave it.
    std::size_t same = 0;
    while (same < rows.size() && same < m_storedRows.size() && rows[same] == m_storedRows[same])
        ++same;
    while (same > 0 && same < m_storedRows.size() && m_storedRows[same].rowId == 0)
        --same;
    if (same < m_storedRows.size()) {
        ++statements;
        if (!dryRun) {
            if (same == 0 || m_storedRows[same].rowId == 0)
                db->execute(QStringLiteral("DELETE FROM DOCSADM.SECURITY WHERE THING = ?1"), {m_systemId});
            else
                db->execute(QStringLiteral("DELETE FROM DOCSADM.SECURITY WHERE THING = ?1 AND ROWID >= ?2"),
                            {m_systemId, m_storedRows[same].rowId});
        }
    }
    for (std::size_t i = same; i < rows.size(); ++i) {
        ++statements;
        rows[i].rowId = 0;
        if (!dryRun)
            db->execute(insertOne, {m_systemId, rows[i].id, rows[i].rights});
    }
    if (!dryRun)
        m_rounds.clear();
    return rows;
}

bool LocalProfile::flushRounds() {
    if (m_rounds.empty())
        return true;
    // What was edited after the last held save is not part of it and stays pending.
    const std::vector<QString> unsavedValues = m_values;
    const std::set<qint64> unsavedTouched = m_touched;
    const std::vector<TrusteeEntry> edited = m_trustees;
    const std::vector<QString> held = m_rounds.back().values;
    m_values = held;
    m_touched.clear();
    const bool written = writeHeld();
    for (std::size_t i = 0; i < held.size(); ++i) {
        if (unsavedValues[i] != held[i])
            m_values[i] = unsavedValues[i];
    }
    m_touched = unsavedTouched;
    if (!unsavedTouched.empty()) {
        loadTrustees();
        for (const qint64 id : unsavedTouched) {
            const auto keep =
                std::find_if(edited.begin(), edited.end(), [id](const auto& e) { return e.id == id; });
            const auto at = std::find_if(m_trustees.begin(), m_trustees.end(),
                                         [id](const auto& e) { return e.id == id; });
            if (at != m_trustees.end() && keep != edited.end())
                *at = *keep;
            else if (at != m_trustees.end())
                m_trustees.erase(at);
            else if (keep != edited.end())
                m_trustees.push_back(*keep);
        }
    }
    return written;
}

bool LocalProfile::writeHeld() {
    auto db = m_library->database();
    const bool current = db->unchangedSince(m_stamp);
    try {
        std::vector<QVariant> stored(ProfileColumns().size());
        if (!resolve(stored)) {
            m_rounds.clear();
            forgetEdits();
            return false;
        }
        const QString now = Now();
        const ProfileUpdate change = BuildUpdate(m_values, m_stored, stored, m_systemId, now);
        if (!current) {
            // Written as a save of a library that may have changed: the row must still be there, every
            // save's trustee writes run as they came, and the profile is read again afterwards.
            db->begin();
            try {
                const QString trusteesBefore = journalledTrustees(hasTrusteeWrites());
                if (writeUpdate(*db, change.text, change.values, change.columns) == 0) {
                    db->rollback();
                    m_rounds.clear();
                    forgetEdits();
                    setError(kErrorNoDocument, QStringLiteral("Document #%1 does not exist in library %2")
                                                   .arg(m_docNumber)
                                                   .arg(m_library->name()));
                    return false;
                }
                std::size_t statements = 0;
                writeRounds(false, statements, false);
                journalTrustees(trusteesBefore);
                db->commit();
            } catch (...) {
                db->rollback();
                throw;
            }
            if (!read(m_docNumber)) {
                setError(kErrorNoDocument,
                         QStringLiteral("Document #%1 vanished after its save").arg(m_docNumber));
                return false;
            }
            return true;
        }
        const bool dated =
            change.columnsChanged || m_stored[static_cast<std::size_t>(Column("LAST_EDIT_DATE"))] != now;
        std::size_t trusteeStatements = 0;
        writeRounds(true, trusteeStatements, true);
        // One statement is all or nothing by itself; more share a savepoint, as do the trustee
        // writes and their journal row.
        const bool journalled = trusteeStatements > 0 && m_library->activeJournal();
        const bool together = (dated ? 1 : 0) + trusteeStatements > 1 || journalled;
        if (together)
            db->begin();
        std::vector<StoredTrustee> rows;
        try {
            const QString trusteesBefore = journalledTrustees(trusteeStatements > 0);
            if (dated)
                writeUpdate(*db, change.text, change.values, change.columns);
            std::size_t written = 0;
            rows = writeRounds(true, written, false);
            journalTrustees(trusteesBefore);
            if (together)
                db->commit();
        } catch (...) {
            if (together)
                db->rollback();
            throw;
        }
        takeSaved(now, std::move(rows));
        return true;
    } catch (const Fault& fault) {
        setError(fault.number(), fault.description());
        writeHeldOneByOne();
        return false;
    }
}

void LocalProfile::writeHeldOneByOne() noexcept {
    // As the saves would have been written as they came: each by itself, up to the first one the
    // library refuses. What is stored is read again on the next use.
    try {
        auto db = m_library->database();
        std::vector<QString> written = m_stored;
        for (const Round& round : m_rounds) {
            m_values = round.values;
            std::vector<QVariant> stored(ProfileColumns().size());
            if (!resolve(stored))
                break;
            const ProfileUpdate change = BuildUpdate(m_values, written, stored, m_systemId, Now());
            db->begin();
            try {
                writeUpdate(*db, change.text, change.values, change.columns);
                for (const RoundWrite& write : round.writes) {
                    db->execute(QStringLiteral(
                                    "DELETE FROM DOCSADM.SECURITY WHERE THING = ?1 AND PERSONORGROUP = ?2"),
                                {m_systemId, write.id});
                    if (write.present)
                        db->execute(QStringLiteral("INSERT INTO DOCSADM.SECURITY (THING, PERSONORGROUP, "
                                                   "ACCESSRIGHTS) VALUES (?1, ?2, ?3)"),
                                    {m_systemId, write.id, write.rights});
                }
                db->commit();
            } catch (...) {
                db->rollback();
                break;
            }
            written = round.values;
        }
    } catch (...) {
    }
    m_rounds.clear();
    m_stamp = {};
    try {
        read(m_docNumber);
    } catch (...) {
        forgetEdits();
    }
}

bool LocalProfile::savesAsEdited() const {
    if (m_isPublic != m_storedPublic)
        return false;
    const auto& defs = ProfileColumns();
    for (std::size_t i = 0; i < defs.size(); ++i) {
        const ColumnKind kind = defs[i].kind;
        if (m_values[i] != m_stored[i] && kind != ColumnKind::Number && kind != ColumnKind::Flag &&
            kind != ColumnKind::Text)
            return false;
    }
    return true;
}

void LocalProfile::takeSaved(const QString& lastEdit, std::vector<StoredTrustee> rows) {
    m_stored = m_values;
    m_stored[static_cast<std::size_t>(Column("LAST_EDIT_DATE"))] = lastEdit;
    if (m_clearSecurity)
        rows.clear();
    // The list as reading it again would give: one entry per trustee, in the rows' order.
    std::vector<TrusteeEntry> entries;
    for (const StoredTrustee& row : rows) {
        bool known = false;
        for (const auto& entry : entries)
            known = known || entry.id == row.id;
        if (known)
            continue;
        TrusteeEntry entry;
        entry.id = row.id;
        entry.rights = row.rights;
        for (const auto& edited : m_trustees) {
            if (edited.id == row.id) {
                entry.name = edited.name;
                entry.isGroup = edited.isGroup;
                break;
            }
        }
        entries.push_back(entry);
    }
    m_trustees = std::move(entries);
    m_trusteesLoaded = true;
    m_rounds.clear();
    forgetEdits(true);
    m_storedRows = std::move(rows);
    m_stamp = m_library->database()->changeStamp();
}

void LocalProfile::takeTrusteeRows(const QueryResult& rows, std::size_t first) {
    m_trustees.clear();
    m_storedRows.clear();
    for (const auto& row : rows.rows) {
        if (row.size() < first + 5 || row.at(first).isNull())
            continue;
        StoredTrustee stored;
        stored.rowId = row.at(first).toLongLong();
        stored.id = row.at(first + 1).toLongLong();
        stored.rights = row.at(first + 2).toLongLong();
        m_storedRows.push_back(stored);
        bool duplicate = false;
        for (const auto& known : m_trustees)
            duplicate = duplicate || known.id == stored.id;
        if (duplicate)
            continue;
        TrusteeEntry entry;
        entry.id = stored.id;
        entry.rights = stored.rights;
        entry.isGroup = row.at(first + 3).isNull() && !row.at(first + 4).isNull();
        entry.name = entry.isGroup ? ValueText(row.at(first + 4)) : ValueText(row.at(first + 3));
        m_trustees.push_back(entry);
    }
    m_trusteesLoaded = true;
}

void LocalProfile::loadTrustees() {
    if (m_trusteesLoaded)
        return;
    const auto db = m_library->database();
    if (!db->unchangedSince(m_stamp))
        m_stamp = {}; // the list is read as it is now, the columns were read before
    const QueryResult rows = db->query(
        QStringLiteral("SELECT S.ROWID, S.PERSONORGROUP, S.ACCESSRIGHTS, U.USER_ID, G.GROUP_ID FROM "
                       "DOCSADM.SECURITY S LEFT JOIN DOCSADM.PEOPLE U ON U.SYSTEM_ID = S.PERSONORGROUP "
                       "LEFT JOIN DOCSADM.GROUPS G ON G.SYSTEM_ID = S.PERSONORGROUP WHERE S.THING = ?1 "
                       "ORDER BY S.ROWID"),
        {m_systemId});
    takeTrusteeRows(rows, 0);
}

const std::vector<TrusteeEntry>& LocalProfile::trusteeEntries() {
    loadTrustees();
    return m_trustees;
}

void LocalProfile::beginTrusteeEdit() {
    loadTrustees();
    m_editing = true;
    m_editTrustees = m_trustees;
    m_editTouched = m_touched;
}

void LocalProfile::endTrusteeEdit(bool commit) {
    // The saves made during the edit are written as it ends.
    if (!m_rounds.empty()) {
        m_editing = false;
        m_heldSaveFailed = !flushRounds();
    }
    if (m_editing && !commit) {
        m_trustees = m_editTrustees;
        m_touched = m_editTouched;
    }
    m_editing = false;
    m_editTrustees.clear();
    m_editTouched.clear();
}

void LocalProfile::addTrustee(const QString& name, bool isGroup, qint64 rights) {
    loadTrustees();
    const auto found = m_library->database()->findTrustee(isGroup, name);
    if (!found)
        raise(kErrorUnknownTrustee, QStringLiteral("Unknown %1 %2 in library %3")
                                        .arg(isGroup ? QStringLiteral("group") : QStringLiteral("user"),
                                             Quoted(name), m_library->name()));
    TrusteeEntry entry;
    entry.id = found->id;
    entry.name = found->name;
    entry.isGroup = isGroup;
    entry.rights = rights;
    bool replaced = false;
    for (auto& known : m_trustees) {
        if (known.id == entry.id) {
            known = entry;
            replaced = true;
        }
    }
    if (!replaced)
        m_trustees.push_back(entry);
    m_touched.insert(entry.id);
}

void LocalProfile::removeTrustee(const QString& name, bool isGroup) {
    loadTrustees();
    const auto found = m_library->database()->findTrustee(isGroup, name);
    const QString kind = isGroup ? QStringLiteral("group") : QStringLiteral("user");
    if (!found)
        raise(kErrorUnknownTrustee,
              QStringLiteral("Unknown %1 %2 in library %3").arg(kind, Quoted(name), m_library->name()));
    const qint64 key = found->id;
    for (auto it = m_trustees.begin(); it != m_trustees.end(); ++it) {
        if (it->id == key) {
            m_trustees.erase(it);
            m_touched.insert(key);
            return;
        }
    }
    raise(kErrorNotATrustee,
          QStringLiteral("The %1 %2 holds no entry in the trustee list").arg(kind, Quoted(name)));
}

void LocalProfile::setError(qint64 number, const QString& text) {
    m_errorNumber = number;
    m_errorText = text;
}

void LocalProfile::raise(qint64 number, const QString& text) {
    setError(number, text);
    throw Fault(number, QString::fromLatin1(kModelFaultSource), text);
}

} // namespace vantrelis::dm::local
