#include "engine/folders/FolderCreation.h"

#include "common/FaultReport.h"
#include "common/SqlText.h"
#include "common/StandardLines.h"
#include "common/Text.h"
#include "dm/SqlRows.h"
#include "dm/SqlTransaction.h"
#include "engine/folders/FolderSupport.h"

#include <QLocale>
#include <QStringList>
#include <optional>

namespace vantrelis::engine {

namespace {

const QString kSource = QStringLiteral("CreateFolder");
const QString kDefaultForm = QStringLiteral("***DEFAULT FORM***");
constexpr int kSaveMode = 3;

// Runs one object-model call whose fault is passed over.
template <class Call> void Ignoring(Call call) noexcept {
    try {
        call();
    } catch (...) {
    }
}

// A whole number stands in the statement as it is; any other value as escaped text.
QString SqlValue(const QString& value) {
    bool whole = false;
    value.toLongLong(&whole);
    return whole ? value : QLatin1Char('\'') + EscapeSQLText(value) + QLatin1Char('\'');
}

} // namespace

FolderCreation::FolderCreation(dm::SqlGateway& gateway, Log& log, const RuleTable& rules,
                               DocumentSecurity& security, FolderItems& items)
    : m_gateway(gateway), m_log(log), m_rules(rules), m_security(security), m_items(items) {}

QString FolderCreation::Abstract(const QString& folderName) const {
    const QDateTime now = m_log.clock().now();
    const QLocale locale = QLocale::system();
    return EscapeSQLText(folderName) + QStringLiteral(" created ") +
           locale.toString(now.date(), QStringLiteral("yyyy/MM/dd")) + QLatin1Char(' ') +
           locale.toString(now.time(), QStringLiteral("hh:mm AP"));
}

void FolderCreation::FillColumns(dm::DmProfile& profile, const QString& folderName, const QString& userName,
                                 const ColumnList& parentColumns) {
    const std::shared_ptr<dm::DmColumns> columns = profile.columns();
    if (!columns)
        return;
    for (int i = 1; i <= columns->count(); ++i) {
        const std::shared_ptr<dm::DmColumn> column = columns->item(i);
        if (!column)
            continue;
        const QString name = column->name();
        const QString upper = name.toUpper();
        const bool isProtected = column->isProtected();
        QString value;
        if (upper == QLatin1String("DOCNAME")) {
            value = folderName;
        } else if (upper == QLatin1String("AUTHOR_ID") || upper == QLatin1String("TYPIST_ID")) {
            value = userName;
        } else if (upper == QLatin1String("TYPE_ID") || upper == QLatin1String("APP_ID")) {
            value = QStringLiteral("FOLDER");
        } else if (!parentColumns.empty() && !isProtected) {
            for (const auto& [parentName, parentValue] : parentColumns) {
                if (parentName == name) {
                    value = parentValue;
                    break;
                }
            }
        }
        // A column that holds a value already, a default included, keeps it.
        if (!value.isEmpty() && !isProtected && column->value().isEmpty()) {
            m_log.WriteLog(QStringLiteral("Setting column ") + name + QStringLiteral(" to ") + value);
            Ignoring([&] { column->setValue(value); });
        }
    }
}

void FolderCreation::UpdateRootList(qint64 newDoc, bool hasParent, const QString& folderName) {
    const QString doc = FormatWhole(newDoc);
    QString statement;
    if (hasParent) {
        m_log.ShowStatus(QStringLiteral("Removing Root_Object Information for Folder ") + doc);
        m_log.WriteLog(StandardLines::StepSeparator());
        statement = QStringLiteral("DELETE FROM ") + OwnerPrefix() +
                    QStringLiteral("ROOT_OBJECT WHERE DOCNUMBER = ") + doc;
    } else {
        m_log.ShowStatus(QStringLiteral("Verifying Root_Object Display Name for Public Folder ") + doc);
        m_log.WriteLog(StandardLines::StepSeparator());
        statement = QStringLiteral("UPDATE ") + OwnerPrefix() +
                    QStringLiteral("ROOT_OBJECT SET DISPLAYNAME = '") + EscapeSQLText(folderName) +
                    QStringLiteral("' WHERE DISPLAYNAME = '' AND DOCNUMBER = ") + doc;
    }
    const dm::SqlRows ignored(m_gateway, statement);
}

bool FolderCreation::PostProfile(qint64 newDoc, qint64 parentFolder, const QString& folderName,
                                 const QString& formName, ParentProfile& parent) {
    const QString o = OwnerPrefix();
    {
        const dm::SqlRows rows(
            m_gateway,
            QStringLiteral("SELECT STORAGETYPE, PATH, RETENTION, AUTHOR, TYPIST, FORM, DOCUMENTTYPE ") +
                QStringLiteral("FROM ") + o + QStringLiteral("PROFILE WHERE ") +
                QStringLiteral("DOCNUMBER = ") + FormatWhole(parentFolder));
        parent.storageType = rows.value(1);
        parent.path = rows.value(2);
        parent.retention = LeadingWhole(rows.value(3));
        parent.author = LeadingWhole(rows.value(4));
        parent.typist = LeadingWhole(rows.value(5));
        parent.form = LeadingWhole(rows.value(6));
        parent.documentType = LeadingWhole(rows.value(7));
    }
    if (!formName.isEmpty() && formName != kDefaultForm) {
        qint64 form = 0;
        {
            const dm::SqlRows rows(m_gateway, QStringLiteral("SELECT SYSTEM_ID FROM ") + o +
                                                  QStringLiteral("FORMS WHERE FORM_NAME = '") +
                                                  EscapeSQLText(formName) + QLatin1Char('\''));
            form = rows.scalar();
        }
        if (form != 0) {
            m_log.ShowStatus(QStringLiteral("Setting Folder form to ") + formName);
            parent.form = form;
        }
    }
    m_log.ShowStatus(QStringLiteral("Using SQL to post profile information for folder ") +
                     InQuotes(folderName));
    const QString name = EscapeSQLText(folderName);
    const dm::SqlRows update(
        m_gateway,
        QStringLiteral("UPDATE ") + o + QStringLiteral("PROFILE SET ") + QStringLiteral("DOCNAME = '") +
            name + QStringLiteral("', ") + QStringLiteral("ABSTRACT = '") + Abstract(folderName) +
            QStringLiteral("', ") + QStringLiteral("AUTHOR = ") + FormatWhole(parent.author) +
            QStringLiteral(", ") + QStringLiteral("TYPIST = ") + FormatWhole(parent.typist) +
            QStringLiteral(", ") + QStringLiteral("DOCUMENTTYPE = ") + FormatWhole(parent.documentType) +
            QStringLiteral(", ") + QStringLiteral("FORM = ") + FormatWhole(parent.form) +
            QStringLiteral(", ") + QStringLiteral("PATH = '") + EscapeSQLText(parent.path) +
            QStringLiteral("', ") + QStringLiteral("STORAGETYPE = '") + EscapeSQLText(parent.storageType) +
            QStringLiteral("', ") + QStringLiteral("RETENTION = ") + FormatWhole(parent.retention) +
            QStringLiteral(", ") + QStringLiteral("FULLTEXT= 'Y', ") + QStringLiteral("DEFAULT_RIGHTS = 1 ") +
            QStringLiteral("WHERE DOCNUMBER = ") + FormatWhole(newDoc));
    if (update.rowsAffected() == 0) {
        m_log.ShowStatus(QStringLiteral("Error: Unable to post profile information for folder ") +
                         InQuotes(folderName));
        return false;
    }
    return true;
}

bool FolderCreation::PostLineColumns(qint64 newDoc, const QString& folderName,
                                     const LineColumns& lineColumns) {
    QStringList sets;
    for (const auto& [column, key] : lineColumns.columns) {
        m_log.WriteLog(QStringLiteral("Setting column ") + column + QStringLiteral(" of folder #") +
                       FormatWhole(newDoc) + QStringLiteral(" to ") + key + QStringLiteral(" from line ") +
                       FormatWhole(lineColumns.line));
        sets.append(column + QStringLiteral(" = ") + SqlValue(key));
    }
    if (sets.isEmpty())
        return true;
    const dm::SqlRows update(m_gateway, QStringLiteral("UPDATE ") + OwnerPrefix() +
                                            QStringLiteral("PROFILE SET ") + sets.join(QStringLiteral(", ")) +
                                            QStringLiteral(" WHERE DOCNUMBER = ") + FormatWhole(newDoc));
    if (update.ok() && update.rowsAffected() > 0)
        return true;
    m_log.ShowStatus(QStringLiteral("Error: Unable to post import line values for folder ") +
                     InQuotes(folderName));
    return false;
}

void FolderCreation::SetSecurity(qint64 newDoc, qint64 parentFolder, const QString& folderName, int ruleIndex,
                                 const ParentProfile& parent) {
    const QString securityTemplate = m_rules.field(ruleIndex, RuleTable::kSecurity);
    bool succeeded = false;
    if (!securityTemplate.isEmpty()) {
        m_security.AddSecurity(newDoc, securityTemplate, ruleIndex, succeeded);
        return;
    }
    if (parentFolder == 0)
        return;
    if (RuleSwitch(m_rules, ruleIndex, RuleTable::kInheritSecurity)) {
        m_security.InheritSecurity(newDoc, parentFolder, succeeded);
        return;
    }
    m_log.ShowStatus(QStringLiteral("Setting default security for folder ") + InQuotes(folderName));
    m_log.WriteLog(StandardLines::StepSeparator());
    const QString o = OwnerPrefix();
    const QString doc = FormatWhole(newDoc);
    {
        const dm::SqlRows parties(m_gateway,
                                  QStringLiteral("INSERT INTO ") + o +
                                      QStringLiteral("SECURITY (PERSONORGROUP, ACCESSRIGHTS, THING) ") +
                                      QStringLiteral("SELECT U.SYSTEM_ID, 255, P.SYSTEM_ID FROM ") + o +
                                      QStringLiteral("PEOPLE U, ") + o + QStringLiteral("PROFILE P ") +
                                      QStringLiteral("WHERE U.SYSTEM_ID IN (") + FormatWhole(parent.author) +
                                      QStringLiteral(", ") + FormatWhole(parent.typist) +
                                      QStringLiteral(") ") + QStringLiteral("AND P.DOCNUMBER = ") + doc);
    }
    const dm::SqlRows everyone(m_gateway,
                               QStringLiteral("INSERT INTO ") + o +
                                   QStringLiteral("SECURITY (PERSONORGROUP, ACCESSRIGHTS, THING) ") +
                                   QStringLiteral("SELECT 0, 63, SYSTEM_ID FROM ") + o +
                                   QStringLiteral("PROFILE WHERE DOCNUMBER = ") + doc);
}

qint64 FolderCreation::Create(const QString& folderName, qint64 parentFolder, const QString& formName,
                              int ruleIndex, qint32 sortAfterAdd, const LineColumns& lineColumns,
                              const QString& libraryName) {
    dm::DmSession& session = m_gateway.session();
    dm::DmLibrary& library = SessionLibrary(m_gateway, kSource);
    const QString quotedName = InQuotes(folderName);
    QString parentName;
    ColumnList parentColumns;
    if (parentFolder != 0) {
        m_log.WriteLog(QStringLiteral("Setting Parent Folder object (") + FormatWhole(parentFolder) +
                       QLatin1Char(')'));
        m_log.WriteLog(StandardLines::StepSeparator());
        session.currentFolder = library.folder(parentFolder);
        if (!session.currentFolder) {
            m_log.ShowStatus(QStringLiteral("Warning: Unable to open Parent Folder object (") +
                             FormatWhole(parentFolder) + QStringLiteral(") in library ") + libraryName +
                             QStringLiteral(" - placing folder ") + quotedName +
                             QStringLiteral(" in the root"));
            parentFolder = 0;
        } else {
            parentName = session.currentFolder->name();
            m_log.WriteLog(QStringLiteral("This will be subfolder #") +
                           FormatWhole(qint64(session.currentFolder->itemCount()) + 1) +
                           QStringLiteral(" under the root folder ") + InQuotes(parentName));
            m_log.WriteLog(StandardLines::StepSeparator());
            const std::shared_ptr<dm::DmProfile> profile = session.currentFolder->profile();
            const std::shared_ptr<dm::DmColumns> columns = profile ? profile->columns() : nullptr;
            for (int i = 1; columns && i <= columns->count(); ++i) {
                const std::shared_ptr<dm::DmColumn> column = columns->item(i);
                if (column)
                    parentColumns.emplace_back(column->name(), column->value());
            }
        }
    }
    session.currentFolder.reset();
    session.currentProfile.reset();

    m_log.ShowStatus(QStringLiteral("Creating folder object for ") + quotedName);
    session.currentFolder = library.newFolder();
    const std::shared_ptr<dm::DmFolder> folder = session.currentFolder;
    if (!folder) {
        m_log.ShowStatus(QStringLiteral("Error: Unable to create new folder in ") + libraryName);
        return 0;
    }
    folder->setSecondaryName(folderName);
    folder->setName(folderName);
    const bool isPublic = RuleSwitch(m_rules, ruleIndex, RuleTable::kCreatePublicFolders);
    m_log.ShowStatus(QStringLiteral("Setting profile object for folder ") + quotedName +
                     (isPublic ? QStringLiteral(" as Public") : QStringLiteral(" as Private")));
    folder->setPublic(isPublic);
    session.currentProfile = folder->profile();
    const std::shared_ptr<dm::DmProfile> profile = session.currentProfile;
    if (!profile) {
        m_log.ShowStatus(QStringLiteral("Error: Unable to open folder profile object in library ") +
                         libraryName);
        return 0;
    }
    m_log.WriteLog(QStringLiteral("Setting Profile Defaults"));
    Ignoring([&] { profile->columns()->fillDefaults(); });
    m_log.WriteLog(StandardLines::StepSeparator());
    m_log.WriteLog(QStringLiteral("Setting profile columns"));
    m_log.WriteLog(StandardLines::StepSeparator());
    FillColumns(*profile, folderName, library.userName(), parentColumns);

    m_log.WriteLog(StandardLines::StepSeparator());
    m_log.ShowStatus(QStringLiteral("Saving profile object for folder ") + quotedName);
    m_log.WriteLog(StandardLines::StepSeparator());
    // From the first write to the link under the parent: all of it, or nothing of it. Only the
    // writers of the same parent (or of the top level) wait for it.
    dm::SqlTransaction creation(SessionSql(m_gateway, kSource), parentFolder);
    const auto saveError = [&] {
        m_log.ShowStatus(QStringLiteral("Error: (") + FormatWhole(folder->errorNumber()) +
                         QStringLiteral(") - ") + folder->errorText());
    };
    bool saved = false;
    Ignoring([&] { saved = profile->save(kSaveMode); });
    if (!saved) {
        saveError();
        return 0;
    }
    if (!session.currentProfile)
        m_log.ShowStatus(QStringLiteral("Warning: Profile object not set after save"));
    m_log.ShowStatus(QStringLiteral("Saving folder object ") + quotedName);
    m_log.WriteLog(StandardLines::StepSeparator());
    saved = false;
    Ignoring([&] { saved = folder->save(kSaveMode); });
    if (!saved) {
        saveError();
        return 0;
    }
    if (!session.currentFolder) {
        m_log.ShowStatus(QStringLiteral("Error: Folder object not set after save"));
        return 0;
    }

    m_log.ShowStatus(QStringLiteral("Identifying Folder information"));
    m_log.WriteLog(StandardLines::StepSeparator());
    const qint64 newDoc = session.currentFolder->docNumber();
    m_log.WriteLog(QStringLiteral("Folder ") + FormatWhole(newDoc) + QStringLiteral(" created."));
    m_log.WriteLog(StandardLines::StepSeparator());
    session.currentFolder.reset();
    session.currentProfile.reset();
    if (newDoc == 0) {
        m_log.ShowStatus(QStringLiteral("Error: Document # is not set for folder ") + quotedName +
                         QStringLiteral(" - cannot continue"));
        return 0;
    }
    dm::DmRunJournal* journal = session.journal.get();
    if (journal)
        journal->noteCreated(newDoc);
    m_log.ShowStatus(QStringLiteral("Document # ") + FormatWhole(newDoc) +
                     QStringLiteral(" assigned to folder ") + quotedName);
    m_log.WriteLog(StandardLines::StepSeparator());

    if (isPublic)
        UpdateRootList(newDoc, parentFolder != 0, folderName);
    ParentProfile parent;
    if (parentFolder != 0 && !PostProfile(newDoc, parentFolder, folderName, formName, parent))
        return 0;
    SetSecurity(newDoc, parentFolder, folderName, ruleIndex, parent);
    if (parentFolder != 0) {
        m_log.ShowStatus(QStringLiteral("Processing ") + quotedName + QStringLiteral(" to parent folder ") +
                         InQuotes(parentName));
        if (!m_items.AddFolderItem(newDoc, parentFolder, QStringLiteral("F"), ruleIndex, sortAfterAdd)) {
            m_log.ShowStatus(QStringLiteral("Error: Unable to add folder ") + quotedName +
                             QStringLiteral(" to parent folder ") + InQuotes(parentName));
            return 0;
        }
    }
    // After the link: its metadata step would carry them up into the parent's empty columns.
    if (!PostLineColumns(newDoc, folderName, lineColumns))
        return 0;
    if (journal)
        journal->folderCreated(newDoc, parentFolder, parentFolder != 0 ? m_items.LastLinkRow() : 0);
    creation.commit();
    return newDoc;
}

qint32 FolderCreation::CreateFolder(const QString& folderName, qint32 parentFolder, const QString& formName,
                                    int ruleIndex, qint32 sortAfterAdd, const LineColumns& lineColumns) {
    m_folderCreated = false;
    if (folderName.isEmpty()) {
        m_log.WriteLog(QStringLiteral("Folder Name is not specified"));
        m_log.WriteLog(StandardLines::StepSeparator());
        return 0;
    }
    dm::DmSession& session = m_gateway.session();
    qint64 result = 0;
    QString libraryName;
    try {
        libraryName = session.LibraryName();
        m_log.ShowStatus(QStringLiteral("Creating new folder ") + InQuotes(folderName));
        m_log.WriteLog(StandardLines::StepSeparator());
        if (StatusView* view = m_log.statusView())
            view->setBusy(true);
        m_log.Yield();
        result =
            Create(folderName, parentFolder, formName, ruleIndex, sortAfterAdd, lineColumns, libraryName);
        m_folderCreated = result != 0;
    } catch (...) {
        ReportCurrentFault(m_log);
        m_log.ShowStatus(QStringLiteral("Error: Unable to create folder ") + InQuotes(folderName) +
                         QStringLiteral(" in ") + libraryName);
        result = 0;
    }
    Ignoring([&] {
        session.currentFolder.reset();
        session.currentProfile.reset();
    });
    m_log.WriteLog(StandardLines::StepSeparator());
    m_log.Yield();
    return static_cast<qint32>(result);
}

} // namespace vantrelis::engine
