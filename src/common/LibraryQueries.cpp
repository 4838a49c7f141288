#include "common/LibraryQueries.h"

#include "common/SqlText.h"

namespace vantrelis {

QString TopLevelFolderSql(const QString& columns, const QString& docName) {
    const QString owner = OwnerPrefix();
    QString sql = QStringLiteral("SELECT ") + columns + QStringLiteral(" FROM ") + owner +
                  QStringLiteral("FOLDER F, ") + owner +
                  QStringLiteral("PROFILE P WHERE F.DOCNUMBER = P.DOCNUMBER AND ");
    if (!docName.isNull())
        sql += QStringLiteral("P.DOCNAME = '") + EscapeSQLText(docName) + QStringLiteral("' AND ");
    return sql + QStringLiteral("NOT EXISTS (SELECT 1 FROM ") + owner +
           QStringLiteral("FOLDER_ITEM FI WHERE FI.DOCNUMBER = F.DOCNUMBER AND FI.LIBRARY = 0) "
                          "ORDER BY F.DOCNUMBER");
}

QString SettingsRowsWhere() {
    return OwnerPrefix() + QStringLiteral("QORV_SETTINGS WHERE MASTER_KEY = '") +
           QLatin1String(kSettingsMasterKey) + QLatin1Char('\'');
}

QString AdministratorCheckSql(const QString& userId) {
    const QString owner = OwnerPrefix();
    return QStringLiteral("SELECT COUNT(*) FROM ") + owner +
           QStringLiteral("PEOPLEGROUPS PG WHERE PEOPLE_SYSTEM_ID = (SELECT SYSTEM_ID FROM ") + owner +
           QStringLiteral("PEOPLE WHERE UPPER(USER_ID) = '") + EscapeSQLText(userId.toUpper()) +
           QStringLiteral("') AND GROUPS_SYSTEM_ID IN (SELECT SYSTEM_ID FROM ") + owner +
           QStringLiteral("GROUPS WHERE UNIV_ACCESS = ") + QString::number(kAdministratorAccess) +
           QLatin1Char(')');
}

} // namespace vantrelis
