#pragma once

#include "common/LibraryQueries.h"
#include "dm/local/LibraryDatabase.h"
#include "dm/local/LocalErrors.h"

#include <QHash>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

namespace vantrelis::dm::local {

struct DocumentSpec {
    QString name;
    QString author;      // USER_ID
    QString typist;      // USER_ID; empty: the author
    QString typeId;      // DOCUMENTTYPES.TYPE_ID
    QString application; // APPS.APPLICATION; empty: MS WORD
    QString clientId;    // with matterId: the document's matter
    QString matterId;
    QString abstract;
    int defaultRights = 0;
    QString creationDate; // 'YYYY-MM-DD'; empty: today
};

struct FolderSpec {
    QString name;
    qint64 parent = 0; // parent folder's document number; 0: a top-level folder
    QString owner;     // USER_ID, becomes author and typist
    bool isPublic = true;
    QString clientId; // optional matter the folder's profile carries
    QString matterId;
    QString form; // FORMS.FORM_NAME; empty: none
    int defaultRights = 0;
    QString creationDate; // 'YYYY-MM-DD'; empty: today
};

// One column of an import set ("name:start:end:default:sort").
struct ImportColumnSpec {
    QString name;
    int start = 0;
    int end = 0;
    QString defaultValue;
    int sort = 0;
};

// Administration of one library: its base rows, people, groups, clients, matters, documents,
// folders, folder items, trustees, settings rows and parameters. Every write runs inside a
// transaction (the caller's batch, or one of its own), so a failed call leaves nothing behind.
class LibraryAdmin {
public:
    // A group's universal access runs from 0 to that of the administrators.
    static constexpr qint64 kMaxUnivAccess = kAdministratorAccess;

    explicit LibraryAdmin(std::shared_ptr<LibraryStore> database);

    // Creates the library file (refuses an existing one) and writes the base rows every library
    // needs: apps, document types, forms, its own REMOTE_LIBRARIES row, DOCSCOLUMN references,
    // the DOCSTABLE dictionary and default parameters. A postgresql:// URI instead of a file
    // builds the library in that database (refused when it holds one).
    static LibraryAdmin CreateLibrary(const QString& file, int engineCode, const QString& libraryName);
    // A library file, or a library on a database server by its postgresql:// URI.
    static LibraryAdmin OpenLibrary(const QString& file, int engineCode,
                                    LibraryDatabase::Access access = LibraryDatabase::Access::ReadWrite);

    // The library's store, whichever engine holds it.
    LibraryStore& store() const { return *m_database; }
    // The SQLite store of a library file; raises for a library on a database server.
    LibraryDatabase& database() const;
    std::shared_ptr<LibraryDatabase> sharedDatabase() const { return m_file; }

    // Runs work inside one transaction; a nested batch is a savepoint of the outer one.
    void batch(const std::function<void()>& work);

    // Raises for a universal access outside 0 to kMaxUnivAccess.
    qint64 addGroup(const QString& groupId, const QString& groupName, qint64 univAccess);
    qint64 addPerson(const QString& userId, const QString& fullName, const QString& primaryGroupId);
    void addMember(const QString& userId, const QString& groupId);
    qint64 addClient(const QString& clientId, const QString& clientName);
    qint64 addMatter(const QString& clientId, const QString& matterId, const QString& matterName);
    qint64 addApplication(const QString& application, const QString& description);
    qint64 addDocumentType(const QString& typeId, const QString& description);
    qint64 addForm(const QString& formName, const QString& formTitle);
    // Answers the new document number.
    qint64 addDocument(const DocumentSpec& spec);
    // PROFILE, FOLDER and VERSIONS rows; a public top-level folder also gets its ROOT_OBJECT row,
    // a folder with a parent is linked into the parent's chain. Answers the document number.
    qint64 addFolder(const FolderSpec& spec);
    // Appends an item at the tail of the parent folder's FOLDER_ITEM chain; answers the row's
    // SYSTEM_ID. The tail is found by following the chain, not by the highest SYSTEM_ID.
    qint64 linkItem(qint64 parentDocNumber, qint64 itemDocNumber);
    // A SECURITY row for a person or group (by USER_ID or GROUP_ID); rights <= 0 is a denial.
    void addTrustee(qint64 docNumber, const QString& trusteeName, qint64 rights);

    // The optional settings table, created when missing.
    void addSettingsTable();
    bool hasSettingsTable() const;
    // The run journal's tables (VANTRELIS_RUNS, VANTRELIS_RUN_CHANGES), each created when missing;
    // answers the names of the tables it added.
    QStringList addJournalTables();
    bool hasJournalTables() const;
    // Writes settings table rows as given: the rows already there under each row's section and sub
    // key (any letter case) are replaced. What the rows of a folder rule are is the rules' own
    // business (FolderRuleDefinition); this only stores them. Raises for a row without a section or sub key.
    void replaceSettings(const std::vector<SettingsRow>& rows);
    // One row of the library's general settings (SECTION_KEY 'SETTINGS').
    void addSetting(const QString& subKey, const QVariant& charValue, const QVariant& intValue);
    void addImportSet(const QString& name, const QString& delimiter,
                      const std::vector<ImportColumnSpec>& columns);
    // A library parameter for one user, or for everyone with userId "*".
    void setParameter(const QString& userId, const QString& name, const QString& value);

    // Lookups by name; each raises a Fault naming the value when there is no such row.
    qint64 personId(const QString& userId) const;
    qint64 groupId(const QString& groupId) const;
    qint64 clientSystemId(const QString& clientId) const;
    qint64 matterSystemId(const QString& clientId, const QString& matterId) const;
    qint64 documentTypeId(const QString& typeId) const;
    qint64 applicationId(const QString& application) const;
    qint64 formId(const QString& formName) const;
    // PROFILE.SYSTEM_ID of a document number.
    qint64 profileId(qint64 docNumber) const;
    bool isFolder(qint64 docNumber) const;

private:
    // DATABASE_NAME of the library's own REMOTE_LIBRARIES row.
    QString databaseName() const;
    qint64 newKey(const QString& counterName);
    // Deletes the settings rows under a section and a sub key (any letter case).
    void dropSettings(const QString& sectionKey, const QString& subKey);
    // Inserts one row whose first parameter (?1) is a new SYSTEMKEY; answers the key.
    qint64 insertKeyed(const QString& sql, const QVariantList& values);
    qint64 lookupId(const QString& sql, const QVariantList& params, const QString& what) const;
    // lookupId, remembered by kind and name for the rest of this admin's life.
    qint64 cachedId(const char* kind, const QString& name, const QString& sql, const QVariantList& params,
                    const QString& what) const;
    void writeBaseRows(const QString& libraryName);
    bool exists(const QString& sql, const QVariantList& params) const;
    QString cacheKey(const char* kind, const QString& name) const;

    std::shared_ptr<LibraryStore> m_database;
    // The same store when it is an SQLite file.
    std::shared_ptr<LibraryDatabase> m_file;
    // Ids looked up during a batch; cleared on rollback, when rows may have vanished again.
    mutable QHash<QString, qint64> m_idCache;
};

} // namespace vantrelis::dm::local
