#pragma once

#include <QString>
#include <QVariant>

namespace vantrelis {

// Statements on a library's tables that more than one part of the program sends, built here once.

// The universal access of a library's administrators' groups.
inline constexpr int kAdministratorAccess = 255;

// The MASTER_KEY of this program's rows in a library's settings table (QORV_SETTINGS).
inline constexpr char kSettingsMasterKey[] = "VANTRELIS";

// One row of this program's in the settings table; which sections and sub keys there are, and
// what their values mean, is known where the rows are read and written (the folder rules, the
// import sets, the library's general settings).
struct SettingsRow {
    QString sectionKey;
    QString subKey;
    QVariant charValue; // null: CHAR_VAL NULL
    QVariant intValue;  // null: INT_VAL NULL
};

// "DOCSADM.QORV_SETTINGS WHERE MASTER_KEY = 'VANTRELIS'": the table and this program's rows of it,
// for a SELECT ... FROM or DELETE FROM to go on with " AND ...".
QString SettingsRowsWhere();

// The top-level folders of the library: folders that no FOLDER_ITEM row of this library holds, in
// document number order. `columns` is the select list over FOLDER F and PROFILE P; a `docName`
// that is not null keeps the folders of that name. Asked with NOT EXISTS, not NOT IN: an item row without a
// document number would make NOT IN find no folder at all.
QString TopLevelFolderSql(const QString& columns, const QString& docName = QString());

// The number of the user's (USER_ID, any letter case) memberships in groups with universal access
// kAdministratorAccess; 0 when the user has none or is unknown.
QString AdministratorCheckSql(const QString& userId);

} // namespace vantrelis
