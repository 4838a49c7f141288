#include "dm/local/LibraryAdmin.h"

#include "common/Fault.h"
#include "dm/FolderItemRow.h"
#include "dm/local/FolderChain.h"
#include "dm/local/LibrarySchema.h"
#include "dm/local/PgLibrarySchema.h"
#include "dm/local/PgLibraryStore.h"

#include <QDate>
#include <QFileInfo>

namespace vantrelis::dm::local {

namespace {

const QString kSource = QStringLiteral("LibraryAdmin");

// The DM tables of a library, as its data dictionary lists them.
const char* const kDictionaryTables[] = {
    "PROFILE",       "FOLDER", "VERSIONS",     "FOLDER_ITEM", "SECURITY",         "ROOT_OBJECT",
    "PEOPLE",        "GROUPS", "PEOPLEGROUPS", "DOCSCOLUMN",  "REMOTE_LIBRARIES", "APPS",
    "DOCUMENTTYPES", "FORMS",  "CLIENT",       "MATTER",      "DOCSTABLE"};

struct ColumnReference {
    const char* table;
    const char* column;
    const char* foreignTable;
    const char* foreignColumn;
    const char* cmsKey; // nullptr: not a foreign profile column
};

// How the lookup columns refer to other tables; 'F' marks the foreign columns that documents
// and folders share as metadata.
const ColumnReference kReferences[] = {
    {"PROFILE", "MATTER", "MATTER", "SYSTEM_ID", "F"},
    {"MATTER", "CLIENT_ID", "CLIENT", "SYSTEM_ID", "F"},
    {"PROFILE", "DOCUMENTTYPE", "DOCUMENTTYPES", "SYSTEM_ID", "F"},
    {"PROFILE", "APPLICATION", "APPS", "SYSTEM_ID", "F"},
    {"PROFILE", "AUTHOR", "PEOPLE", "SYSTEM_ID", nullptr},
    {"PROFILE", "TYPIST", "PEOPLE", "SYSTEM_ID", nullptr},
    {"PROFILE", "FORM", "FORMS", "SYSTEM_ID", nullptr},
    {"PEOPLE", "PRIMARY_GROUP", "GROUPS", "SYSTEM_ID", nullptr},
};

struct NamedRow {
    const char* name;
    const char* description;
};

const NamedRow kApplications[] = {{"FOLDER", "Folder"},
                                  {"MS WORD", "Microsoft Word"},
                                  {"ACROBAT", "Adobe Acrobat"},
                                  {"EXCEL", "Microsoft Excel"}};
const NamedRow kDocumentTypes[] = {
    {"FOLDER", "Folder"},     {"MEMO", "Memorandum"},     {"LETTER", "Letter"}, {"PLEADING", "Pleading"},
    {"CONTRACT", "Contract"}, {"AGREEMENT", "Agreement"}, {"BRIEF", "Brief"}};
const NamedRow kForms[] = {{"DEFPROF", "Default Profile"},
                           {"FOLDERPROF", "Folder Profile"},
                           {"LEGALPROF", "Legal Document Profile"}};

// Parameters every user gets unless a row of their own says otherwise. The rights parameters are
// left to the backend, which grants them to the members of an administrators' group (kAdministratorAccess).
const NamedRow kDefaultParameters[] = {{"DOCSParms.DefaultForm", "DEFPROF"}};

QString UpperText(const QString& text) {
    return text.trimmed().toUpper();
}

} // namespace

LibraryAdmin::LibraryAdmin(std::shared_ptr<LibraryStore> database)
    : m_database(std::move(database)), m_file(std::dynamic_pointer_cast<LibraryDatabase>(m_database)) {
    if (!m_database) {
        throw Fault(kAdminBadArgument, kSource, QStringLiteral("No library database given"));
    }
}

LibraryDatabase& LibraryAdmin::database() const {
    if (!m_file) {
        throw Fault(kAdminBadArgument, kSource,
                    QStringLiteral("Library %1 is on a database server, not in a library file")
                        .arg(m_database->libraryName()));
    }
    return *m_file;
}

LibraryAdmin LibraryAdmin::CreateLibrary(const QString& file, int engineCode, const QString& libraryName) {
    const bool onServer = PgLibraryStore::IsUri(file);
    if (!onServer && QFileInfo::exists(file)) {
        throw Fault(kAdminDuplicate, kSource,
                    QStringLiteral("The file %1 already exists; a new library needs a new file").arg(file));
    }
    if (UpperText(libraryName).isEmpty()) {
        throw Fault(kAdminBadArgument, kSource, QStringLiteral("A library needs a name"));
    }
    LibraryAdmin admin(
        onServer ? std::shared_ptr<LibraryStore>(PgLibraryStore::Create(file, engineCode, libraryName))
                 : LibraryDatabase::Create(file, engineCode, libraryName));
    admin.batch([&] { admin.writeBaseRows(UpperText(libraryName)); });
    return admin;
}

LibraryAdmin LibraryAdmin::OpenLibrary(const QString& file, int engineCode, LibraryDatabase::Access access) {
    if (PgLibraryStore::IsUri(file)) {
        return LibraryAdmin(PgLibraryStore::Open(file, engineCode, QString(), access));
    }
    return LibraryAdmin(LibraryDatabase::Open(file, engineCode, access));
}

void LibraryAdmin::batch(const std::function<void()>& work) {
    // Nested batches become savepoints of the database, so each call is all or nothing by itself
    // and together with the batch around it.
    m_database->begin();
    try {
        work();
        m_database->commit();
    } catch (...) {
        m_database->rollback();
        m_idCache.clear();
        throw;
    }
}

void LibraryAdmin::writeBaseRows(const QString& libraryName) {
    for (const NamedRow& app : kApplications) {
        if (!exists(QStringLiteral("SELECT 1 FROM DOCSADM.APPS WHERE APPLICATION = ?1"), {app.name})) {
            addApplication(app.name, app.description);
        }
    }
    for (const NamedRow& type : kDocumentTypes) {
        if (!exists(QStringLiteral("SELECT 1 FROM DOCSADM.DOCUMENTTYPES WHERE TYPE_ID = ?1"), {type.name})) {
            addDocumentType(type.name, type.description);
        }
    }
    for (const NamedRow& form : kForms) {
        if (!exists(QStringLiteral("SELECT 1 FROM DOCSADM.FORMS WHERE FORM_NAME = ?1"), {form.name})) {
            addForm(form.name, form.description);
        }
    }
    // The library's own row: FOLDER_ITEM.LIBRARY = 0 means "this library".
    m_database->execute(QStringLiteral("DELETE FROM DOCSADM.REMOTE_LIBRARIES WHERE SYSTEM_ID = 0"));
    m_database->execute(QStringLiteral("INSERT INTO DOCSADM.REMOTE_LIBRARIES "
                                       "(SYSTEM_ID, LIBRARY_NAME, DATABASE_NAME, DATABASE_ENGINE) "
                                       "VALUES (0, ?1, ?2, ?3)"),
                        {libraryName, databaseName(), m_database->engineCode()});
    for (const ColumnReference& ref : kReferences) {
        if (exists(QStringLiteral("SELECT 1 FROM DOCSADM.DOCSCOLUMN WHERE TBNAME = ?1 AND COLNAME = ?2"),
                   {ref.table, ref.column})) {
            continue;
        }
        m_database->execute(QStringLiteral("INSERT INTO DOCSADM.DOCSCOLUMN "
                                           "(SYSTEM_ID, TBNAME, COLNAME, FTBNAME, FCOLNAME, CMSKEY) "
                                           "VALUES (?1, ?2, ?3, ?4, ?5, ?6)"),
                            {newKey(QStringLiteral("SYSTEMKEY")), ref.table, ref.column, ref.foreignTable,
                             ref.foreignColumn, ref.cmsKey ? QVariant(ref.cmsKey) : QVariant()});
    }
    for (const char* table : kDictionaryTables) {
        m_database->execute(
            QStringLiteral("INSERT INTO DOCSADM.DOCSTABLE (TABLE_NAME) SELECT ?1 WHERE NOT EXISTS "
                           "(SELECT 1 FROM DOCSADM.DOCSTABLE WHERE UPPER(TABLE_NAME) = ?1)"),
            {table});
    }
    for (const NamedRow& parameter : kDefaultParameters) {
        if (!exists(QStringLiteral("SELECT 1 FROM DOCSADM.LIBRARY_PARAMS WHERE USER_ID = '*' AND NAME = ?1"),
                    {parameter.name})) {
            setParameter(QStringLiteral("*"), parameter.name, parameter.description);
        }
    }
}

QString LibraryAdmin::databaseName() const {
    // A file's name without its extension; on a server, the database's name.
    if (m_file) {
        return QFileInfo(m_file->file()).completeBaseName();
    }
    const auto* server = dynamic_cast<const PgLibraryStore*>(m_database.get());
    return server ? server->databaseName() : m_database->libraryName();
}

qint64 LibraryAdmin::newKey(const QString& counterName) {
    const qint64 key = m_database->nextKey(counterName);
    if (key == 0) {
        throw Fault(kAdminBadArgument, kSource,
                    QStringLiteral("The key counter %1 gave no key").arg(counterName));
    }
    return key;
}

bool LibraryAdmin::exists(const QString& sql, const QVariantList& params) const {
    return !m_database->query(sql, params).rows.empty();
}

QString LibraryAdmin::cacheKey(const char* kind, const QString& name) const {
    return QString::fromLatin1(kind) + QLatin1Char('|') + name;
}

qint64 LibraryAdmin::lookupId(const QString& sql, const QVariantList& params, const QString& what) const {
    const QVariant value = m_database->scalar(sql, params);
    if (!value.isValid() || value.isNull()) {
        throw Fault(kAdminUnknownName, kSource, QStringLiteral("Unknown %1").arg(what));
    }
    return value.toLongLong();
}

qint64 LibraryAdmin::cachedId(const char* kind, const QString& name, const QString& sql,
                              const QVariantList& params, const QString& what) const {
    const QString key = cacheKey(kind, name);
    if (auto it = m_idCache.constFind(key); it != m_idCache.cend()) {
        return *it;
    }
    const qint64 id = lookupId(sql, params, what);
    m_idCache.insert(key, id);
    return id;
}

qint64 LibraryAdmin::personId(const QString& userId) const {
    return cachedId("person", userId,
                    QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.PEOPLE WHERE USER_ID = ?1"), {userId},
                    QStringLiteral("user \"%1\" (no such USER_ID in PEOPLE)").arg(userId));
}

qint64 LibraryAdmin::groupId(const QString& groupId) const {
    return cachedId("group", groupId,
                    QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.GROUPS WHERE GROUP_ID = ?1"), {groupId},
                    QStringLiteral("group \"%1\" (no such GROUP_ID in GROUPS)").arg(groupId));
}

qint64 LibraryAdmin::clientSystemId(const QString& clientId) const {
    return cachedId("client", clientId,
                    QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.CLIENT WHERE CLIENT_ID = ?1"), {clientId},
                    QStringLiteral("client \"%1\"").arg(clientId));
}

qint64 LibraryAdmin::matterSystemId(const QString& clientId, const QString& matterId) const {
    const qint64 client = clientSystemId(clientId);
    return cachedId(
        "matter", clientId + QLatin1Char('|') + matterId,
        QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.MATTER WHERE CLIENT_ID = ?1 AND MATTER_ID = ?2"),
        {client, matterId}, QStringLiteral("matter \"%1\" of client \"%2\"").arg(matterId, clientId));
}

qint64 LibraryAdmin::documentTypeId(const QString& typeId) const {
    return cachedId("type", typeId,
                    QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.DOCUMENTTYPES WHERE TYPE_ID = ?1"),
                    {typeId}, QStringLiteral("document type \"%1\"").arg(typeId));
}

qint64 LibraryAdmin::applicationId(const QString& application) const {
    return cachedId("app", application,
                    QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.APPS WHERE APPLICATION = ?1"),
                    {application}, QStringLiteral("application \"%1\"").arg(application));
}

qint64 LibraryAdmin::formId(const QString& formName) const {
    return lookupId(QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.FORMS WHERE FORM_NAME = ?1"), {formName},
                    QStringLiteral("form \"%1\"").arg(formName));
}

qint64 LibraryAdmin::profileId(qint64 docNumber) const {
    return lookupId(QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1"), {docNumber},
                    QStringLiteral("document #%1 (no PROFILE row)").arg(docNumber));
}

bool LibraryAdmin::isFolder(qint64 docNumber) const {
    return exists(QStringLiteral("SELECT 1 FROM DOCSADM.FOLDER WHERE DOCNUMBER = ?1"), {docNumber});
}

qint64 LibraryAdmin::addGroup(const QString& groupId, const QString& groupName, qint64 univAccess) {
    const QString id = UpperText(groupId);
    if (id.isEmpty()) {
        throw Fault(kAdminBadArgument, kSource, QStringLiteral("A group needs a GROUP_ID"));
    }
    if (univAccess < 0 || univAccess > kMaxUnivAccess) {
        throw Fault(kAdminBadArgument, kSource,
                    QStringLiteral("The universal access of group %1 must be 0 to %2, not %3")
                        .arg(id)
                        .arg(kMaxUnivAccess)
                        .arg(univAccess));
    }
    qint64 key = 0;
    batch([&] {
        if (exists(QStringLiteral("SELECT 1 FROM DOCSADM.GROUPS WHERE GROUP_ID = ?1"), {id})) {
            throw Fault(kAdminDuplicate, kSource, QStringLiteral("The group %1 already exists").arg(id));
        }
        key = insertKeyed(
            QStringLiteral("INSERT INTO DOCSADM.GROUPS (SYSTEM_ID, GROUP_ID, GROUP_NAME, UNIV_ACCESS) "
                           "VALUES (?1, ?2, ?3, ?4)"),
            {id, groupName.isEmpty() ? id : groupName, univAccess});
    });
    return key;
}

qint64 LibraryAdmin::addPerson(const QString& userId, const QString& fullName,
                               const QString& primaryGroupId) {
    const QString id = UpperText(userId);
    if (id.isEmpty()) {
        throw Fault(kAdminBadArgument, kSource, QStringLiteral("A person needs a USER_ID"));
    }
    qint64 key = 0;
    batch([&] {
        if (exists(QStringLiteral("SELECT 1 FROM DOCSADM.PEOPLE WHERE USER_ID = ?1"), {id})) {
            throw Fault(kAdminDuplicate, kSource, QStringLiteral("The user %1 already exists").arg(id));
        }
        const qint64 group = groupId(UpperText(primaryGroupId));
        key = newKey(QStringLiteral("SYSTEMKEY"));
        m_database->execute(QStringLiteral("INSERT INTO DOCSADM.PEOPLE "
                                           "(SYSTEM_ID, USER_ID, FULL_NAME, PRIMARY_GROUP, ALLOW_LOGIN) "
                                           "VALUES (?1, ?2, ?3, ?4, 'Y')"),
                            {key, id, fullName.isEmpty() ? id : fullName, group});
        // The primary group is one of the person's groups as well.
        m_database->execute(
            QStringLiteral(
                "INSERT INTO DOCSADM.PEOPLEGROUPS (PEOPLE_SYSTEM_ID, GROUPS_SYSTEM_ID) VALUES (?1, ?2)"),
            {key, group});
    });
    return key;
}

void LibraryAdmin::addMember(const QString& userId, const QString& groupIdText) {
    batch([&] {
        const qint64 person = personId(UpperText(userId));
        const qint64 group = groupId(UpperText(groupIdText));
        if (exists(QStringLiteral("SELECT 1 FROM DOCSADM.PEOPLEGROUPS WHERE PEOPLE_SYSTEM_ID = ?1 "
                                  "AND GROUPS_SYSTEM_ID = ?2"),
                   {person, group})) {
            return;
        }
        m_database->execute(
            QStringLiteral(
                "INSERT INTO DOCSADM.PEOPLEGROUPS (PEOPLE_SYSTEM_ID, GROUPS_SYSTEM_ID) VALUES (?1, ?2)"),
            {person, group});
    });
}

qint64 LibraryAdmin::addClient(const QString& clientId, const QString& clientName) {
    const QString id = clientId.trimmed();
    if (id.isEmpty()) {
        throw Fault(kAdminBadArgument, kSource, QStringLiteral("A client needs a CLIENT_ID"));
    }
    qint64 key = 0;
    batch([&] {
        if (exists(QStringLiteral("SELECT 1 FROM DOCSADM.CLIENT WHERE CLIENT_ID = ?1"), {id})) {
            throw Fault(kAdminDuplicate, kSource, QStringLiteral("The client %1 already exists").arg(id));
        }
        key = insertKeyed(
            QStringLiteral(
                "INSERT INTO DOCSADM.CLIENT (SYSTEM_ID, CLIENT_ID, CLIENT_NAME) VALUES (?1, ?2, ?3)"),
            {id, clientName});
    });
    return key;
}

qint64 LibraryAdmin::addMatter(const QString& clientId, const QString& matterId, const QString& matterName) {
    const QString id = matterId.trimmed();
    if (id.isEmpty()) {
        throw Fault(kAdminBadArgument, kSource, QStringLiteral("A matter needs a MATTER_ID"));
    }
    qint64 key = 0;
    batch([&] {
        const qint64 client = clientSystemId(clientId.trimmed());
        if (exists(QStringLiteral("SELECT 1 FROM DOCSADM.MATTER WHERE CLIENT_ID = ?1 AND MATTER_ID = ?2"),
                   {client, id})) {
            throw Fault(kAdminDuplicate, kSource,
                        QStringLiteral("The matter %1 of client %2 already exists").arg(id, clientId));
        }
        key = insertKeyed(
            QStringLiteral("INSERT INTO DOCSADM.MATTER (SYSTEM_ID, MATTER_ID, MATTER_NAME, CLIENT_ID) "
                           "VALUES (?1, ?2, ?3, ?4)"),
            {id, matterName, client});
    });
    return key;
}

qint64 LibraryAdmin::insertKeyed(const QString& sql, const QVariantList& values) {
    qint64 key = 0;
    batch([&] {
        key = newKey(QStringLiteral("SYSTEMKEY"));
        m_database->execute(sql, QVariantList{key} + values);
    });
    return key;
}

qint64 LibraryAdmin::addApplication(const QString& application, const QString& description) {
    return insertKeyed(
        QStringLiteral(
            "INSERT INTO DOCSADM.APPS (SYSTEM_ID, APPLICATION, APPDESCRIPTION) VALUES (?1, ?2, ?3)"),
        {UpperText(application), description});
}

qint64 LibraryAdmin::addDocumentType(const QString& typeId, const QString& description) {
    return insertKeyed(
        QStringLiteral(
            "INSERT INTO DOCSADM.DOCUMENTTYPES (SYSTEM_ID, TYPE_ID, DESCRIPTION) VALUES (?1, ?2, ?3)"),
        {UpperText(typeId), description});
}

qint64 LibraryAdmin::addForm(const QString& formName, const QString& formTitle) {
    return insertKeyed(
        QStringLiteral("INSERT INTO DOCSADM.FORMS (SYSTEM_ID, FORM_NAME, FORM_TITLE) VALUES (?1, ?2, ?3)"),
        {formName.trimmed(), formTitle});
}

qint64 LibraryAdmin::addDocument(const DocumentSpec& spec) {
    if (spec.name.trimmed().isEmpty()) {
        throw Fault(kAdminBadArgument, kSource, QStringLiteral("A document needs a name"));
    }
    qint64 docNumber = 0;
    batch([&] {
        const qint64 author = personId(UpperText(spec.author));
        const qint64 typist = spec.typist.trimmed().isEmpty() ? author : personId(UpperText(spec.typist));
        const qint64 type = documentTypeId(UpperText(spec.typeId));
        const qint64 app = applicationId(spec.application.trimmed().isEmpty() ? QStringLiteral("MS WORD")
                                                                              : UpperText(spec.application));
        QVariant matter;
        if (!spec.matterId.trimmed().isEmpty()) {
            matter = matterSystemId(spec.clientId.trimmed(), spec.matterId.trimmed());
        } else if (!spec.clientId.trimmed().isEmpty()) {
            throw Fault(kAdminBadArgument, kSource, QStringLiteral("A client was given without a matter"));
        }
        const QString created =
            spec.creationDate.isEmpty() ? QDate::currentDate().toString(Qt::ISODate) : spec.creationDate;
        const qint64 systemId = newKey(QStringLiteral("SYSTEMKEY"));
        docNumber = newKey(QStringLiteral("DOCNUMBER"));
        m_database->execute(
            QStringLiteral(
                "INSERT INTO DOCSADM.PROFILE (SYSTEM_ID, DOCNUMBER, DOCNAME, ABSTRACT, AUTHOR, TYPIST, "
                "DOCUMENTTYPE, APPLICATION, FORM, MATTER, PATH, STORAGETYPE, RETENTION, FULLTEXT, "
                "DEFAULT_RIGHTS, STATUS, CREATION_DATE, LAST_EDIT_DATE) "
                "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, NULL, ?9, '', 'A', 0, 'Y', ?10, 0, ?11, ?11)"),
            {systemId, docNumber, spec.name.trimmed(), spec.abstract, author, typist, type, app, matter,
             spec.defaultRights, created});
        m_database->execute(
            QStringLiteral("INSERT INTO DOCSADM.VERSIONS (VERSION_ID, DOCNUMBER, VERSION, SUBVERSION, "
                           "VERSION_LABEL, AUTHOR, TYPIST, STATUS) "
                           "VALUES (?1, ?2, 1, '!', '1', ?3, ?4, 0)"),
            {newKey(QStringLiteral("SYSTEMKEY")), docNumber, author, typist});
    });
    return docNumber;
}

qint64 LibraryAdmin::addFolder(const FolderSpec& spec) {
    if (spec.name.trimmed().isEmpty()) {
        throw Fault(kAdminBadArgument, kSource, QStringLiteral("A folder needs a name"));
    }
    qint64 docNumber = 0;
    batch([&] {
        const qint64 owner = personId(UpperText(spec.owner));
        const qint64 type = documentTypeId(QStringLiteral("FOLDER"));
        const qint64 app = applicationId(QStringLiteral("FOLDER"));
        const QVariant form =
            spec.form.trimmed().isEmpty() ? QVariant() : QVariant(formId(spec.form.trimmed()));
        const QVariant matter =
            spec.matterId.trimmed().isEmpty()
                ? QVariant()
                : QVariant(matterSystemId(spec.clientId.trimmed(), spec.matterId.trimmed()));
        if (spec.parent != 0 && !isFolder(spec.parent)) {
            throw Fault(kAdminUnknownName, kSource,
                        QStringLiteral("Document #%1 is not a folder").arg(spec.parent));
        }
        const qint64 systemId = newKey(QStringLiteral("SYSTEMKEY"));
        docNumber = newKey(QStringLiteral("DOCNUMBER"));
        m_database->execute(
            QStringLiteral(
                "INSERT INTO DOCSADM.PROFILE (SYSTEM_ID, DOCNUMBER, DOCNAME, ABSTRACT, AUTHOR, TYPIST, "
                "DOCUMENTTYPE, APPLICATION, FORM, MATTER, PATH, STORAGETYPE, RETENTION, FULLTEXT, "
                "DEFAULT_RIGHTS, STATUS, CREATION_DATE, LAST_EDIT_DATE) "
                "VALUES (?1, ?2, ?3, ?3, ?4, ?4, ?5, ?6, ?7, ?8, '', 'A', 0, 'Y', ?9, 0, ?10, ?10)"),
            {systemId, docNumber, spec.name.trimmed(), owner, type, app, form, matter, spec.defaultRights,
             spec.creationDate.isEmpty() ? QDate::currentDate().toString(Qt::ISODate) : spec.creationDate});
        m_database->execute(
            QStringLiteral(
                "INSERT INTO DOCSADM.FOLDER (SYSTEM_ID, DOCNUMBER, IS_PUBLIC) VALUES (?1, ?2, ?3)"),
            {newKey(QStringLiteral("SYSTEMKEY")), docNumber,
             spec.isPublic ? QStringLiteral("Y") : QStringLiteral("N")});
        m_database->execute(
            QStringLiteral("INSERT INTO DOCSADM.VERSIONS (VERSION_ID, DOCNUMBER, VERSION, SUBVERSION, "
                           "VERSION_LABEL, AUTHOR, TYPIST, STATUS) "
                           "VALUES (?1, ?2, 1, '!', '1', ?3, ?3, 0)"),
            {newKey(QStringLiteral("SYSTEMKEY")), docNumber, owner});
        if (spec.parent != 0) {
            linkItem(spec.parent, docNumber);
        } else if (spec.isPublic) {
            // Public top-level folders are listed on the root list under their name.
            m_database->execute(QStringLiteral("INSERT INTO DOCSADM.ROOT_OBJECT "
                                               "(SYSTEM_ID, DOCNUMBER, PERSONORGROUP, DISPLAYNAME) "
                                               "VALUES (?1, ?2, ?3, ?4)"),
                                {newKey(QStringLiteral("SYSTEMKEY")), docNumber, owner, spec.name.trimmed()});
        }
    });
    return docNumber;
}

qint64 LibraryAdmin::linkItem(qint64 parentDocNumber, qint64 itemDocNumber) {
    qint64 key = 0;
    batch([&] {
        if (!isFolder(parentDocNumber)) {
            throw Fault(kAdminUnknownName, kSource,
                        QStringLiteral("Document #%1 is not a folder").arg(parentDocNumber));
        }
        if (parentDocNumber == itemDocNumber) {
            throw Fault(kAdminBadArgument, kSource,
                        QStringLiteral("Folder #%1 cannot contain itself").arg(parentDocNumber));
        }
        // A folder that already holds the parent, at any depth, would end up inside itself: every walk
        // down the tree would go round for ever, and no top-level folder would reach either again.
        if (exists(QStringLiteral("WITH RECURSIVE ABOVE(DOCNUMBER) AS (SELECT ?1 UNION "
                                  "SELECT FI.PARENT FROM DOCSADM.FOLDER_ITEM FI JOIN ABOVE A "
                                  "ON FI.DOCNUMBER = A.DOCNUMBER WHERE FI.LIBRARY = 0) "
                                  "SELECT 1 FROM ABOVE WHERE DOCNUMBER = ?2"),
                   {parentDocNumber, itemDocNumber})) {
            throw Fault(kAdminBadArgument, kSource,
                        QStringLiteral("Folder #%1 already holds folder #%2; linking it there would make it "
                                       "its own ancestor")
                            .arg(itemDocNumber)
                            .arg(parentDocNumber));
        }
        const QVariant displayName = m_database->scalar(
            QStringLiteral("SELECT DOCNAME FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?1"), {itemDocNumber});
        if (!displayName.isValid()) {
            throw Fault(kAdminUnknownName, kSource,
                        QStringLiteral("Unknown document #%1 (no PROFILE row)").arg(itemDocNumber));
        }
        if (exists(QStringLiteral("SELECT 1 FROM DOCSADM.FOLDER_ITEM WHERE PARENT = ?1 AND DOCNUMBER = ?2"),
                   {parentDocNumber, itemDocNumber})) {
            throw Fault(kAdminDuplicate, kSource,
                        QStringLiteral("Document #%1 is already in folder #%2")
                            .arg(itemDocNumber)
                            .arg(parentDocNumber));
        }
        // Append after the row the chain really ends with; a broken chain is left for a person to mend.
        const ItemChain chain = FolderChain::Read(*m_database, parentDocNumber);
        if (!chain.isSound()) {
            throw Fault(kAdminBadArgument, kSource,
                        QStringLiteral("The item chain of folder #%1 is broken (%2); not appending to it")
                            .arg(parentDocNumber)
                            .arg(chain.problems().front().text));
        }
        const QVariant parentVersion = m_database->scalar(
            QStringLiteral("SELECT MIN(VERSION_ID) FROM DOCSADM.VERSIONS WHERE DOCNUMBER = ?1"),
            {parentDocNumber});
        const bool isFirst = chain.items().empty();
        key = newKey(QStringLiteral("SYSTEMKEY"));
        const FolderItemRow row{key,
                                isFolder(itemDocNumber) ? QStringLiteral("F") : QStringLiteral("P"),
                                parentDocNumber,
                                isFirst,
                                itemDocNumber,
                                parentVersion.isNull() ? 0 : parentVersion.toLongLong(),
                                displayName.toString()};
        m_database->execute(row.InsertSql());
        if (!isFirst) {
            m_database->execute(FolderItemRow::LinkSql(parentDocNumber, chain.tail()->systemId, key));
        }
    });
    return key;
}

void LibraryAdmin::addTrustee(qint64 docNumber, const QString& trusteeName, qint64 rights) {
    batch([&] {
        QString name = UpperText(trusteeName);
        qint64 trustee = 0;
        if (name.startsWith(QLatin1String("GROUP:"))) {
            trustee = groupId(name.mid(6).trimmed());
        } else if (name.startsWith(QLatin1String("USER:"))) {
            trustee = personId(name.mid(5).trimmed());
        } else if (exists(QStringLiteral("SELECT 1 FROM DOCSADM.PEOPLE WHERE USER_ID = ?1"), {name})) {
            trustee = personId(name);
        } else {
            trustee =
                lookupId(QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.GROUPS WHERE GROUP_ID = ?1"), {name},
                         QStringLiteral("trustee \"%1\" (neither a USER_ID nor a GROUP_ID)").arg(name));
        }
        const qint64 thing = profileId(docNumber);
        m_database->execute(
            QStringLiteral("DELETE FROM DOCSADM.SECURITY WHERE THING = ?1 AND PERSONORGROUP = ?2"),
            {thing, trustee});
        m_database->execute(
            QStringLiteral(
                "INSERT INTO DOCSADM.SECURITY (THING, PERSONORGROUP, ACCESSRIGHTS) VALUES (?1, ?2, ?3)"),
            {thing, trustee, rights <= 0 ? kDeniedRights : rights});
    });
}

bool LibraryAdmin::hasSettingsTable() const {
    return m_database->hasTable(QStringLiteral("QORV_SETTINGS"));
}

void LibraryAdmin::addSettingsTable() {
    batch([&] {
        if (hasSettingsTable()) {
            return;
        }
        const QStringList statements =
            m_file ? LibrarySchema::SettingsTableStatements(m_database->engineCode(),
                                                            LibrarySchema::SchemaName())
                   : PgLibrarySchema::SettingsTableStatements(m_database->engineCode());
        for (const QString& statement : statements) {
            m_database->execute(statement);
        }
    });
}

bool LibraryAdmin::hasJournalTables() const {
    for (const QString& table : LibrarySchema::JournalTableNames())
        if (!m_database->hasTable(table))
            return false;
    return true;
}

QStringList LibraryAdmin::addJournalTables() {
    QStringList added;
    batch([&] {
        added.clear();
        const int engine = m_database->engineCode();
        for (const LibrarySchema::Table& table : LibrarySchema::Tables()) {
            if (!LibrarySchema::JournalTableNames().contains(table.name) || m_database->hasTable(table.name))
                continue;
            QStringList statements;
            if (m_file) {
                statements += LibrarySchema::CreateTableStatement(table, engine, LibrarySchema::SchemaName());
                statements += LibrarySchema::CreateIndexStatements(table, LibrarySchema::SchemaName());
            } else {
                statements += PgLibrarySchema::CreateTableStatement(table.name, engine);
                statements += PgLibrarySchema::CreateIndexStatements(table.name);
            }
            for (const QString& statement : statements)
                m_database->execute(statement);
            added += table.name;
        }
    });
    return added;
}

void LibraryAdmin::replaceSettings(const std::vector<SettingsRow>& rows) {
    if (rows.empty()) {
        throw Fault(kAdminBadArgument, kSource, QStringLiteral("No settings rows to write"));
    }
    for (const SettingsRow& row : rows) {
        if (row.sectionKey.trimmed().isEmpty() || row.subKey.trimmed().isEmpty()) {
            throw Fault(kAdminBadArgument, kSource,
                        QStringLiteral("A settings row needs a section key and a sub key (\"%1\", \"%2\")")
                            .arg(row.sectionKey, row.subKey));
        }
    }
    batch([&] {
        for (const SettingsRow& row : rows) {
            dropSettings(row.sectionKey, row.subKey);
        }
        for (const SettingsRow& row : rows) {
            m_database->execute(
                QStringLiteral("INSERT INTO DOCSADM.QORV_SETTINGS "
                               "(MASTER_KEY, SECTION_KEY, SUB_KEY, CHAR_VAL, INT_VAL, KEY_TYPE) "
                               "VALUES (?1, ?2, ?3, ?4, ?5, 1)"),
                {QLatin1String(kSettingsMasterKey), row.sectionKey, row.subKey, row.charValue, row.intValue});
        }
    });
}

void LibraryAdmin::dropSettings(const QString& sectionKey, const QString& subKey) {
    m_database->execute(QStringLiteral("DELETE FROM DOCSADM.QORV_SETTINGS WHERE MASTER_KEY = ?1 "
                                       "AND SECTION_KEY = ?2 AND UPPER(SUB_KEY) = UPPER(?3)"),
                        {QLatin1String(kSettingsMasterKey), sectionKey, subKey});
}

void LibraryAdmin::addSetting(const QString& subKey, const QVariant& charValue, const QVariant& intValue) {
    replaceSettings({{QStringLiteral("SETTINGS"), subKey, charValue, intValue}});
}

void LibraryAdmin::addImportSet(const QString& name, const QString& delimiter,
                                const std::vector<ImportColumnSpec>& columns) {
    const QString setName = UpperText(name);
    if (setName.isEmpty()) {
        throw Fault(kAdminBadArgument, kSource, QStringLiteral("An import set needs a name"));
    }
    for (const ImportColumnSpec& column : columns) {
        // A colon would start a new field when the definition is read back.
        if (column.name.contains(QLatin1Char(':')) || column.defaultValue.contains(QLatin1Char(':'))) {
            throw Fault(kAdminBadArgument, kSource,
                        QStringLiteral("Column %1 of import set %2: names and defaults cannot hold ':'")
                            .arg(column.name, setName));
        }
    }
    batch([&] {
        const QString section = QStringLiteral("IMPORT_FOLDERS");
        std::vector<SettingsRow> rows;
        if (!delimiter.isEmpty()) {
            rows.push_back({section, setName, QStringLiteral("DELIMITER:") + delimiter, QVariant()});
        }
        int position = 0;
        for (const ImportColumnSpec& column : columns) {
            const QString definition = QStringLiteral("%1:%2:%3:%4:%5")
                                           .arg(UpperText(column.name))
                                           .arg(column.start)
                                           .arg(column.end)
                                           .arg(column.defaultValue.trimmed())
                                           .arg(column.sort);
            rows.push_back({section, setName, definition, ++position});
        }
        // A set without a delimiter or a column keeps no row.
        dropSettings(section, setName);
        if (!rows.empty()) {
            replaceSettings(rows);
        }
    });
}

void LibraryAdmin::setParameter(const QString& userId, const QString& name, const QString& value) {
    const QString user = userId.trimmed() == QLatin1String("*") ? QStringLiteral("*") : UpperText(userId);
    if (user.isEmpty() || name.trimmed().isEmpty()) {
        throw Fault(kAdminBadArgument, kSource, QStringLiteral("A parameter needs a user (or *) and a name"));
    }
    batch([&] {
        if (user != QLatin1String("*")) {
            personId(user);
        }
        m_database->execute(
            QStringLiteral("DELETE FROM DOCSADM.LIBRARY_PARAMS WHERE USER_ID = ?1 AND NAME = ?2"),
            {user, name.trimmed()});
        m_database->execute(
            QStringLiteral("INSERT INTO DOCSADM.LIBRARY_PARAMS (USER_ID, NAME, VALUE) VALUES (?1, ?2, ?3)"),
            {user, name.trimmed(), value});
    });
}

} // namespace vantrelis::dm::local
