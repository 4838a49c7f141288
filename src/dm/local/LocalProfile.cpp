#include "dm/local/LocalProfile.h"

#include "common/Fault.h"
#include "dm/local/LocalColumns.h"
#include "dm/local/LocalErrors.h"
#include "dm/local/LocalLibrary.h"
#include "dm/local/LocalParameters.h"
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
    return db.scalar(QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.%1 WHERE %2 = ?1").arg(table, key),
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

// One SELECT for every column: lookups joined to the rows they name, and the document's FOLDER row
// (its number and public flag last). A reference to a missing row reads as empty and is not
// rewritten unless the column is changed.
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
    joins += QStringLiteral(" LEFT JOIN DOCSADM.MATTER LM ON LM.SYSTEM_ID = P.MATTER"
                            " LEFT JOIN DOCSADM.CLIENT LC ON LC.SYSTEM_ID = LM.CLIENT_ID"
                            " LEFT JOIN DOCSADM.FOLDER F ON F.DOCNUMBER = P.DOCNUMBER");
    return QStringLiteral("SELECT ") + selected.join(QStringLiteral(", ")) +
           QStringLiteral(" FROM DOCSADM.PROFILE P") + joins + QStringLiteral(" WHERE P.DOCNUMBER = ?1");
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

    forgetEdits();
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
    forgetEdits();
}

bool LocalProfile::hasChanges() const {
    return m_values != m_stored || m_clearSecurity || !m_touched.empty() || m_isPublic != m_storedPublic;
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
    m_errorNumber = 0;
    m_errorText.clear();
    try {
        if (!m_isNew && !hasChanges())
            return true;
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
            rows =
                db->query(QStringLiteral(
                              "SELECT SYSTEM_ID FROM DOCSADM.MATTER WHERE CLIENT_ID = ?1 AND MATTER_ID = ?2"),
                          {clientKey.toLongLong(), matterId});
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

bool LocalProfile::update(const std::vector<QVariant>& stored) {
    auto db = m_library->database();
    const auto& defs = ProfileColumns();

    QStringList sets;
    QVariantList values;
    for (std::size_t i = 0; i < defs.size(); ++i) {
        if (defs[i].kind == ColumnKind::Protected || defs[i].profileColumn.isEmpty())
            continue;
        const bool changed =
            m_values[i] != m_stored[i] || (defs[i].kind == ColumnKind::Matter &&
                                           m_values[static_cast<std::size_t>(Column("CLIENT_ID"))] !=
                                               m_stored[static_cast<std::size_t>(Column("CLIENT_ID"))]);
        if (!changed)
            continue;
        values << stored[i];
        sets << QStringLiteral("%1 = ?%2").arg(defs[i].profileColumn).arg(values.size());
    }
    const bool columnsChanged = !sets.isEmpty();
    const QString now = Now();
    values << now;
    sets << QStringLiteral("LAST_EDIT_DATE = ?%1").arg(values.size());
    values << m_systemId;
    const QString where = QStringLiteral(" WHERE SYSTEM_ID = ?%1").arg(values.size());

    // Nothing else wrote to the library since the profile and its trustee list were last read or
    // saved: the profile reads back as written, and only what differs from the stored rows is written.
    const bool current = savesAsEdited() && db->unchangedSince(m_stamp);
    if (current && !m_clearSecurity) {
        const std::vector<TrusteeWrite> writes = trusteeWrites(true);
        const bool dated =
            columnsChanged || m_stored[static_cast<std::size_t>(Column("LAST_EDIT_DATE"))] != now;
        const std::size_t statements = (dated ? 1 : 0) + writes.size();
        // One statement is all or nothing by itself; more share a savepoint.
        if (statements > 1)
            db->begin();
        try {
            if (dated)
                db->execute(QStringLiteral("UPDATE DOCSADM.PROFILE SET ") + sets.join(QStringLiteral(", ")) +
                                where,
                            values);
            writeTrustees(writes);
            if (statements > 1)
                db->commit();
        } catch (...) {
            if (statements > 1)
                db->rollback();
            throw;
        }
        takeSaved(now);
        return true;
    }

    const bool becomesPublic = m_isPublic && !m_storedPublic;
    const qint64 rootId =
        becomesPublic && m_isFolder &&
                db->scalar(QStringLiteral("SELECT COUNT(*) FROM DOCSADM.ROOT_OBJECT WHERE DOCNUMBER = ?1"),
                           {m_docNumber})
                        .toLongLong() == 0
            ? db->nextKey(QStringLiteral("SYSTEMKEY"))
            : 0;

    db->begin();
    try {
        const qint64 rows = db->execute(
            QStringLiteral("UPDATE DOCSADM.PROFILE SET ") + sets.join(QStringLiteral(", ")) + where, values);
        if (rows == 0) {
            db->rollback();
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
        if (m_clearSecurity)
            // DEFAULT_RIGHTS 0: the document has no security of its own, so its list goes, edits included.
            db->execute(QStringLiteral("DELETE FROM DOCSADM.SECURITY WHERE THING = ?1"), {m_systemId});
        else
            writeTrustees(trusteeWrites(false));
        db->commit();
    } catch (...) {
        db->rollback();
        throw;
    }

    if (current) {
        takeSaved(now);
        return true;
    }
    if (!read(m_docNumber)) {
        setError(kErrorNoDocument, QStringLiteral("Document #%1 vanished after its save").arg(m_docNumber));
        return false;
    }
    return true;
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

void LocalProfile::takeSaved(const QString& lastEdit) {
    m_stored = m_values;
    m_stored[static_cast<std::size_t>(Column("LAST_EDIT_DATE"))] = lastEdit;
    if (m_clearSecurity) {
        m_trustees.clear();
        m_trusteesLoaded = true;
    } else if (!m_touched.empty()) {
        // The rewritten entries now follow the others, in the order writeTrustees() wrote them: the
        // order loadTrustees() reads (ORDER BY the rows' insertion order).
        std::stable_sort(m_trustees.begin(), m_trustees.end(), [this](const auto& a, const auto& b) {
            const bool aTouched = m_touched.count(a.id) != 0;
            const bool bTouched = m_touched.count(b.id) != 0;
            if (aTouched != bTouched)
                return bTouched;
            return aTouched && a.id < b.id;
        });
    }
    forgetEdits(true);
    m_storedTrustees = m_trustees;
    m_stamp = m_library->database()->changeStamp();
}

std::vector<LocalProfile::TrusteeWrite> LocalProfile::trusteeWrites(bool againstStored) const {
    std::vector<TrusteeWrite> writes;
    for (const qint64 id : m_touched) {
        const TrusteeEntry* edited = nullptr;
        for (const auto& entry : m_trustees)
            if (entry.id == id && !edited)
                edited = &entry;
        // A trustee the stored list does not hold has no row to delete; one that keeps no entry and
        // had none needs nothing. Rewritten entries move behind the others, as a rewrite always did.
        bool stored = true;
        if (againstStored) {
            stored = false;
            for (const auto& entry : m_storedTrustees)
                stored = stored || entry.id == id;
        }
        if (stored)
            writes.push_back({id, false, 0});
        if (edited)
            writes.push_back({id, true, edited->rights});
    }
    return writes;
}

void LocalProfile::writeTrustees(const std::vector<TrusteeWrite>& writes) {
    auto db = m_library->database();
    for (const TrusteeWrite& write : writes) {
        if (!write.insert)
            db->execute(
                QStringLiteral("DELETE FROM DOCSADM.SECURITY WHERE THING = ?1 AND PERSONORGROUP = ?2"),
                {m_systemId, write.id});
        else
            db->execute(
                QStringLiteral(
                    "INSERT INTO DOCSADM.SECURITY (THING, PERSONORGROUP, ACCESSRIGHTS) VALUES (?1, ?2, ?3)"),
                {m_systemId, write.id, write.rights});
    }
}

void LocalProfile::loadTrustees() {
    if (m_trusteesLoaded)
        return;
    const auto db = m_library->database();
    if (!db->unchangedSince(m_stamp))
        m_stamp = {}; // the list is read as it is now, the columns were read before
    // In the order the rows were written: a save rewrites the entries it changed as new rows, and
    // takeSaved() keeps the list in that order without reading it again. (The index on THING
    // already holds that order, so the ORDER BY costs no sort.)
    const QueryResult rows =
        db->query(QStringLiteral(
                      "SELECT S.PERSONORGROUP, S.ACCESSRIGHTS, U.USER_ID, G.GROUP_ID FROM DOCSADM.SECURITY S "
                      "LEFT JOIN DOCSADM.PEOPLE U ON U.SYSTEM_ID = S.PERSONORGROUP "
                      "LEFT JOIN DOCSADM.GROUPS G ON G.SYSTEM_ID = S.PERSONORGROUP WHERE S.THING = ?1 "
                      "ORDER BY S.ROWID"),
                  {m_systemId});
    m_trustees.clear();
    for (const auto& row : rows.rows) {
        TrusteeEntry entry;
        entry.id = row.at(0).toLongLong();
        entry.rights = row.at(1).toLongLong();
        entry.isGroup = row.at(2).isNull() && !row.at(3).isNull();
        entry.name = entry.isGroup ? ValueText(row.at(3)) : ValueText(row.at(2));
        bool duplicate = false;
        for (const auto& known : m_trustees)
            duplicate = duplicate || known.id == entry.id;
        if (!duplicate)
            m_trustees.push_back(entry);
    }
    m_storedTrustees = m_trustees;
    m_trusteesLoaded = true;
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
